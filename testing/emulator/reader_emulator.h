// A model of the card reader, independent of any transport: bytes the program sends go in with
// the time they arrive, reply bytes come out with the delay after which the reader sends them.
// The in-process port (emu_port.h) and the pty server (tools/reader-emulator) put it on a line.
//
// Modelled: the text identification, the framed protocol (sequence echo, status, checksum),
// every command the program uses, line-speed changes, one MIFARE Classic card in the field,
// and faults injected on demand. Reader-side choices are listed in README.md beside this file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "testing/emulator/emu_card.h"

struct EmuIdentity {
    uint32_t hardwareCode = 0x811;  // the hexadecimal code in square brackets
    int32_t serial = 12345;
    std::string firmware = "1.8.0";                  // empty: no "Software version:" field
    std::string buildDate = "Nov 16 2010 10:20:30";  // empty: no "Build" field
    bool clI = false;                                // the "CL-I" variant of the name
    std::string answerOverride;                      // sent verbatim instead, when not empty
};

// The answer line (ending in a carriage return) the reader gives to the query "i".
std::string IdentAnswer(const EmuIdentity& identity);

// Faults applied to the next replies; each counter drops by one per reply it affects.
struct EmuFaults {
    int dropReplies = 0;       // say nothing
    int corruptChecksums = 0;  // checksum off by one
    int wrongSequence = 0;     // reply numbered seq + 1
    int staleFrameBefore = 0;  // a well-formed frame with another number goes first
    int garbageBefore = 0;     // garbage bytes (no start byte) go first
    int splitReplies = 0;      // the reply comes in two pieces, splitGapMs apart
    uint32_t splitGapMs = 30;
    int delayedReplies = 0;  // the reply comes delayMs late
    uint32_t delayMs = 0;
    int dropFastReplies = 0;   // say nothing when the reply would go out above 9600 baud
    int forcedCommand = -1;    // replies to this command code carry forcedStatus, until cleared
    int forcedStatus = 0;
    bool silent = false;           // answers nothing at all
    int unplugAfterCommands = -1;  // the device vanishes when this many more commands arrived
};

struct EmuOutput {
    uint32_t delayMs;  // after the bytes that caused it arrived
    std::vector<uint8_t> bytes;
    uint32_t baud;  // line speed the bytes go out at
};

struct EmuCommand {
    uint8_t seq;
    uint8_t command;
    std::vector<uint8_t> payload;
};

class CReaderEmulator {
public:
    static constexpr uint32_t kLineSpeeds[6] = {9600, 19200, 38400, 57600, 115200, 230400};

    explicit CReaderEmulator(EmuIdentity identity = {}) : identity(std::move(identity)) {}

    // Bytes from the program, arriving at `now` (ms). Returns what the reader sends back.
    std::vector<EmuOutput> Receive(uint32_t now, const uint8_t* data, size_t size);

    void PutCard(EmuCard card);
    void RemoveCard();
    EmuCard* Card() { return card_ ? &*card_ : nullptr; }

    // The reader's current line speed: 9600 until a link start asks for another.
    uint32_t Baud() const { return baud_; }
    // Puts the reader at a line speed as a link start would, for a reader that a program left
    // at a fast speed (killed while connected, or a PC that lost power).
    void SetBaud(uint32_t baud) { baud_ = baud; }
    // The device vanished (unplug fault); the front end drops the line.
    bool UnplugRequested() const { return unplugRequested_; }
    void ClearUnplug() { unplugRequested_ = false; }

    EmuIdentity identity;
    EmuFaults faults;
    std::vector<EmuKey> readerKeys{kTransportKey};  // keys stored in the reader
    uint32_t replyDelayMs = 2;                      // the reader's thinking time per command
    bool atsUnsupported = false;                    // an older reader: 0x48 is an invalid command
    std::vector<EmuCommand> commands;               // every framed command received, in order
    std::vector<uint8_t> indications;               // indication codes received (command 0x20)
    size_t identQueries = 0;

private:
    struct Reply {
        int status;
        std::vector<uint8_t> data;
    };
    void ReceiveByte(uint32_t now, uint8_t byte, std::vector<EmuOutput>& out);
    void HandleFrame(std::vector<EmuOutput>& out);
    Reply Execute(uint8_t command, const std::vector<uint8_t>& payload);
    Reply Authenticate(const std::vector<uint8_t>& payload);
    // Status for reading or writing block: no card, no such block, or sector not authenticated.
    int BlockAccess(int block) const;
    Reply ReadBlock(const std::vector<uint8_t>& payload);
    Reply WriteBlock(const std::vector<uint8_t>& payload);
    Reply PassThrough(const std::vector<uint8_t>& payload);
    Reply AesAuthenticate(const std::vector<uint8_t>& payload);
    void Emit(uint8_t seq, uint8_t command, const Reply& reply, std::vector<EmuOutput>& out);

    std::optional<EmuCard> card_;
    bool selected_ = false;
    int authSector_ = -1;
    uint32_t baud_ = 9600;
    uint32_t nextBaud_ = 0;
    bool unplugRequested_ = false;
    std::vector<uint8_t> rx_;  // a frame being received
    uint32_t lastByteAt_ = 0;
};
