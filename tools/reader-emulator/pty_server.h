// Puts the emulated reader on a Linux pseudo-terminal: what the program writes to the terminal's
// other end reaches the reader; its replies are written back when due, optionally paced at the
// line speed (11 bit times per byte: start bit, 8 data bits, 2 stop bits).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "testing/emulator/reader_emulator.h"

struct PtyServerOptions {
    std::string linkPath;     // symlink made to the terminal each time it is (re)created
    std::string controlPath;  // control FIFO; empty: none
    bool controlOnStdin = false;
    bool pacing = false;
    bool strictBaud = false;  // ignore the line while the terminal's speed differs from the reader's
    bool verbose = false;
};

class CPtyServer {
public:
    CPtyServer(CReaderEmulator& reader, PtyServerOptions options);
    ~CPtyServer();
    CPtyServer(const CPtyServer&) = delete;
    CPtyServer& operator=(const CPtyServer&) = delete;

    // Serves until "quit" arrives or a signal stops it. Returns the exit code.
    int Run();
    void Plug();    // creates the terminal and its symlink
    void Unplug();  // the device vanishes: terminal closed, symlink removed
    const std::string& SlaveName() const { return slaveName_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point due;
        uint8_t byte;
        uint32_t baud;  // the reader's speed when it sent the byte
    };
    uint32_t NowMs() const;
    void OnLineReadable();
    void OnControlReadable(int fd, std::string& buffer);
    bool HandleControlLine(const std::string& line);
    void Schedule(const EmuOutput& output, std::chrono::nanoseconds receiveTime);
    void WriteDue();
    bool LineSpeedMatches(uint32_t readerBaud) const;

    CReaderEmulator& reader_;
    PtyServerOptions options_;
    int master_ = -1;
    int slaveHold_ = -1;  // keeps the terminal alive while no program has it open
    int control_ = -1;
    std::string slaveName_;
    std::string stdinBuffer_, fifoBuffer_;
    std::deque<Pending> out_;
    Clock::time_point lineFreeAt_{};
    Clock::time_point start_ = Clock::now();
    bool quit_ = false;
};
