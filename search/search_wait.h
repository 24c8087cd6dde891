// The one wait of a pass of the search worker: its events and, on Windows, the messages sent to
// its notification window (message_wait_win32.h); tests supply a simulated world.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reader/wait_clock.h"

// Worker thread only.
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
