// A simulated clock for tests: time stands still until someone waits, and a wait jumps straight
// to the next scheduled action (a reply arriving, a write completing, a stop request) or to its
// own time-out. A 10-second time-out thus takes microseconds of real time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "reader/event.h"
#include "reader/wait_clock.h"

// One thread uses a clock and its events.
class CSimClock : public IWaitClock, public IEventMaker {
public:
    explicit CSimClock(uint32_t startTick = 0) : start_(startTick) {}

    uint32_t Now() override { return static_cast<uint32_t>(start_ + elapsed_); }
    int WaitAny(const EventHandle* events, size_t count, uint32_t timeoutMs) override;
    void Pause(uint32_t ms) override { Advance(ms); }

    // An auto-reset event of this clock; closed through it when the CEvent goes. A closed event's
    // token stays the clock's (never reused): signalling it does nothing, waiting on it throws.
    CEvent NewEvent();
    void Signal(EventHandle event);
    bool IsSignalled(EventHandle event) const;
    // IEventMaker: what the CEvents call.
    void SignalEvent(EventHandle event) override { Signal(event); }
    void CloseEvent(EventHandle event) override;

    // Runs action when the clock has moved delayMs on; actions due at the same time run in the
    // order they were scheduled.
    void After(uint32_t delayMs, std::function<void()> action);
    // Moves time on, running the actions that fall due.
    void Advance(uint32_t ms);
    uint64_t Elapsed() const { return elapsed_; }

    size_t waitCount = 0;  // WaitAny calls so far: a spinning wait loop shows up here

private:
    struct Event {
        bool signalled = false;
        bool closed = false;
    };
    Event& Find(EventHandle handle) const;
    bool RunNextDue(uint64_t until);

    uint32_t start_;
    uint64_t elapsed_ = 0;
    uint64_t order_ = 0;
    std::map<std::pair<uint64_t, uint64_t>, std::function<void()>> actions_;  // (time, order)
    std::vector<std::unique_ptr<Event>> events_;
};
