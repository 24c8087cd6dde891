// One command/reply exchange with the reader over an open port: framing, sequence numbers,
// time-outs, retries, and the wait that keeps the port's overlapped I/O moving meanwhile.
//
// The connection thread owns one CRdExchange and uses it only on its own thread. Other threads
// stop it by clearing `running` and signalling events[0]; any wait then ends with CMyError(3).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "reader/event.h"
#include "reader/link_constants.h"
#include "reader/rd_port.h"
#include "reader/wait_clock.h"

// CMyError codes of the reader dialogue.
enum MyErrorCode : int32_t {
    kErrNone = 0,
    kErrUnexpected = 1,   // an unexpected exception during connect
    kErrStopped = 3,      // running was cleared while waiting
    kErrPortFailure = 4,  // a port exception during connect
    kErrNoReply = 7,      // no complete reply in time, or the write did not finish
    kErrBadReply = 8,     // a reply came but was invalid or too short
    kErrUnsupportedModel = 9,
    kErrUnexpectedStatus = 10,
    kErrNoCard = 11,
    kErrAuthRefused = 13,
    kErrNoSuchAddress = 14,
};

// What an exchange tells its owner about the link's health.
enum class LinkTrouble { kFrameResent, kExchangeFailed };

class CRdExchange {
public:
    enum EventIndex : size_t { kWakeEvent = 0, kCommEvent = 1, kWriteEvent = 2, kReadEvent = 3 };

    CRdExchange(IWaitClock& clock, const RdLinkConstants& link) : clock(clock), link(link) {}

    // Sends one framed command and returns the reply's status; the reply data land in `reply`.
    // Throws CMyError 3, 7 or 8; port exceptions pass through.
    int Exchange(uint8_t command, const uint8_t* payload, size_t size, std::vector<uint8_t>& reply);
    // Hands bytes to the port and waits until they are written (CMyError 3 or 7).
    void SendRaw(const uint8_t* data, size_t size, uint32_t timeoutMs);
    // Waits until the input holds a complete frame numbered seq at its start; false on time-out.
    bool WaitFrame(uint8_t seq, uint32_t timeoutMs);
    // One wait on the wake event and the port's write and read completions, serving the one
    // that fired (the comm event only for a port whose reads do not wait; see the definition).
    void ServiceWait(uint32_t timeoutMs);
    // Milliseconds since the last send.
    uint32_t SinceLastActivity() { return TicksSince(clock.Now(), lastActivity); }

    IWaitClock& clock;
    const RdLinkConstants& link;
    CRdPort* port = nullptr;              // not owned
    // Wake/stop, comm, write done, read done; the first eventCount are made. Owned here, so they
    // outlive the port they were handed to as long as the port goes first. The owner's thread
    // makes and closes them; the wake event, once made, may be signalled from any thread.
    std::array<CEvent, 4> events;
    size_t eventCount = 0;
    std::atomic<bool> running{false};  // written by the UI thread, polled here
    uint32_t waitTimeout = 0;          // the owner's next wait; 0 after any served event
    uint32_t lastActivity = 0;         // tick of the last send
    uint8_t seq = 0;                   // the first command carries 1
    std::vector<uint8_t> frame;
    std::vector<uint8_t> reply;
    uint8_t lastCommand = 0;  // command code of the last Exchange, for the log
    int32_t lastStatus = 0x55;
    int32_t lastError = kErrNone;
    // Called on this thread for every frame sent again and every exchange that gave up (no
    // usable reply in time); null: nobody counts.
    std::function<void(LinkTrouble)> onTrouble;

private:
    void Report(LinkTrouble trouble) {
        if (onTrouble)
            onTrouble(trouble);
    }
};
