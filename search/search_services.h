// What the port search runs over, as small interfaces of our own: the Windows shell supplies
// kernel events, serial ports and MsgWaitForMultipleObjects; tests supply a simulated world.
#pragma once

#include <cstddef>
#include <memory>

#include "reader/rd_port.h"
#include "reader/wait_clock.h"

// Auto-reset, initially clear events. Signal may be called from any thread.
class IEventFactory {
public:
    virtual ~IEventFactory() = default;
    // Throws std::system_error when the system has no event to give.
    virtual EventHandle MakeEvent() = 0;
    virtual void CloseEvent(EventHandle event) = 0;
    virtual void SignalEvent(EventHandle event) = 0;
};

// Makes a closed, unconfigured port object for one probe.
class IProbePortFactory {
public:
    virtual ~IProbePortFactory() = default;
    virtual std::unique_ptr<CRdPort> CreatePort() = 0;
};

// The one wait of a pass of the search worker.
class ISearchWait {
public:
    virtual ~ISearchWait() = default;
    // Waits for any of the events, for sent messages, or for timeoutMs. Returns the index of
    // the signalled event (the lowest when several are), count when messages wait, or
    // kWaitTimedOut (also for a failed wait).
    virtual int Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) = 0;
    // Delivers the waiting messages (the device-change broadcasts).
    virtual void PumpMessages() = 0;
};
