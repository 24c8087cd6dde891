// Opening a probe's port away from the search worker's thread: an open can block for seconds
// (an outgoing Bluetooth port waits while the system reaches for the paired device), and the
// worker serves every other probe and the device-change messages meanwhile.
//
// Threads: the worker starts an open and later takes its outcome from the PendingOpen; the
// opener's thread (or whatever runs the open) fills it in. PendingOpen's mutex guards its fields.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "reader/rd_port.h"

struct OpenOutcome {
    enum class Kind { Opened, Busy, PortFailure, OtherFailure };
    Kind kind = Kind::OtherFailure;
    int code = 0;  // the CRdPortException code for PortFailure
};

// Runs port.Open() and says how it went; never throws.
OpenOutcome RunOpen(CRdPort& port);

// Where an open started by the worker reports back.
struct PendingOpen {
    std::mutex mutex;  // guards the fields below
    bool done = false;
    bool abandoned = false;  // the worker gave up on it: whoever opens must not wake it any more
    OpenOutcome outcome;
};

class IPortOpener {
public:
    virtual ~IPortOpener() = default;
    // Opens the port, then lets go of it, then calls done with the outcome (in that order, so
    // the worker owns the port alone once it learns the outcome). done may run on any thread,
    // also before this call returns.
    virtual void OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) = 0;
};

// Opens on the caller's thread, before returning: for ports that cannot block (emulators).
class CInlinePortOpener final : public IPortOpener {
public:
    void OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) override {
        const OpenOutcome outcome = RunOpen(*port);
        port.reset();
        done(outcome);
    }
};
