// A stand-in for the card reader behind a port, for tests that check exact command sequences:
// every framed command is recorded with the simulated time it was sent, and a responder function
// decides the reply (or silence). Replies are available at once; time passes only in waits.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reader/platform.h"
#include "reader/rd_port.h"
#include "testing/emulator/sim_clock.h"

struct SentCommand {
    uint32_t time;
    uint8_t command;
    std::vector<uint8_t> payload;
};

struct ScriptedReply {
    ScriptedReply(int status = 0x55, std::vector<uint8_t> data = {})
        : status(status), data(std::move(data)) {}
    static ScriptedReply Raw(std::vector<uint8_t> bytes) {
        ScriptedReply reply;
        reply.raw = std::move(bytes);
        return reply;
    }

    int status;
    std::vector<uint8_t> data;
    std::vector<uint8_t> raw;  // sent verbatim instead of a reply frame when not empty
};

using Responder = std::function<std::optional<ScriptedReply>(const SentCommand&)>;

struct ScriptedReader {
    enum class OpenBehaviour { Opens, Busy, Missing };

    std::string identAnswer;  // the answer to the query "i"; empty: silent
    Responder responder;      // null: silent
    OpenBehaviour open = OpenBehaviour::Opens;
    uint32_t maxBaud = 115200;
    bool unplugged = false;    // every I/O call fails as when the adapter is pulled
    uint32_t commandTime = 1;  // ms a framed command takes on the line and in the reader

    std::vector<SentCommand> sent;
    std::vector<uint32_t> baudChanges;  // every SetParams baud while open
    int identQueries = 0;
    int opens = 0;
    int portsMade = 0;
    std::vector<std::wstring> openedNames;
};

// The commands sent from `since` on, all of them or those with one command code.
std::vector<SentCommand> SentSince(const ScriptedReader& reader, uint32_t since, int command = -1);

// A reply frame as the reader builds it.
std::vector<uint8_t> ReplyFrame(uint8_t seq, uint8_t command, int status, const std::vector<uint8_t>& data);

class CScriptedPort : public CRdPort {
public:
    CScriptedPort(CSimClock& clock, ScriptedReader& reader, std::wstring name)
        : CRdPort(std::move(name)), clock_(clock), reader_(reader) {}

    void SetEvents(EventHandle, EventHandle, EventHandle) override {}
    bool Open() override;
    void Close() override { open_ = false; }
    bool IsOpen() override { return open_; }
    bool IsBaudSupported(uint32_t baud) override { return reader_.maxBaud >= baud; }
    void SetParams(uint32_t baud, uint8_t stop, uint8_t character) override;
    void OnCommEvent() override {}
    void Write(const uint8_t* data, size_t size) override;
    void OnWriteDone() override {}
    void Purge(bool in, bool) override;
    int InputCount() override { return static_cast<int>(Input().size()); }
    bool Read() override;
    void OnReadDone() override {}

private:
    void ThrowIfUnplugged();

    CSimClock& clock_;
    ScriptedReader& reader_;
    bool open_ = false;
};

// The connection thread's system on a simulated clock with scripted ports.
class CScriptedPlatform : public IPlatform {
public:
    explicit CScriptedPlatform(ScriptedReader& reader) : reader_(reader) {}

    IWaitClock& Clock() override { return clock; }
    CEvent NewEvent() override { return clock.NewEvent(); }
    std::unique_ptr<CRdPort> NewPort(const std::wstring& name) override;

    CSimClock clock;

private:
    ScriptedReader& reader_;
};

// An identification answer of a reader with the given bracketed code and firmware.
std::string IdentLine(const std::string& code, const std::string& firmware);
