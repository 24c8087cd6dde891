#include "testing/emulator/sim_clock.h"

#include <limits>
#include <stdexcept>

CEvent CSimClock::NewEvent() {
    events_.push_back(std::make_unique<Event>());
    return CEvent(*this, events_.back().get());
}

void CSimClock::CloseEvent(EventHandle event) {
    Event& closing = Find(event);
    if (closing.closed)
        throw std::logic_error("simulated event closed twice");
    closing.closed = true;
    closing.signalled = false;
}

CSimClock::Event& CSimClock::Find(EventHandle handle) const {
    for (const auto& event : events_) {
        if (event.get() == handle)
            return *event;
    }
    throw std::logic_error("not an event of this simulated clock");
}

void CSimClock::Signal(EventHandle event) {
    Event& signalled = Find(event);
    if (!signalled.closed)
        signalled.signalled = true;
}

bool CSimClock::IsSignalled(EventHandle event) const {
    return Find(event).signalled;
}

void CSimClock::After(uint32_t delayMs, std::function<void()> action) {
    actions_.emplace(std::make_pair(elapsed_ + delayMs, order_++), std::move(action));
}

bool CSimClock::RunNextDue(uint64_t until) {
    if (actions_.empty() || actions_.begin()->first.first > until)
        return false;
    auto node = actions_.extract(actions_.begin());
    if (node.key().first > elapsed_)
        elapsed_ = node.key().first;
    node.mapped()();
    return true;
}

void CSimClock::Advance(uint32_t ms) {
    const uint64_t until = elapsed_ + ms;
    while (RunNextDue(until)) {
    }
    elapsed_ = until;
}

int CSimClock::WaitAny(const EventHandle* events, size_t count, uint32_t timeoutMs) {
    ++waitCount;
    const bool forever = timeoutMs == kWaitForever;
    const uint64_t deadline = forever ? std::numeric_limits<uint64_t>::max() : elapsed_ + timeoutMs;
    for (;;) {
        for (size_t i = 0; i < count; ++i) {
            Event& event = Find(events[i]);
            if (event.closed)
                throw std::logic_error("waiting on a closed simulated event");
            if (event.signalled) {
                event.signalled = false;
                return static_cast<int>(i);
            }
        }
        if (RunNextDue(deadline))
            continue;
        if (forever)
            throw std::logic_error("simulated wait would never end");
        elapsed_ = deadline;
        return kWaitTimedOut;
    }
}
