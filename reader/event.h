// Auto-reset events, owned. Whoever makes an event (the system's platform, a simulated clock)
// hands it out as a CEvent, which closes it through its maker exactly once, when it goes or is
// reset; a moved-from CEvent closes nothing. Ports and waits only borrow the raw EventHandle.
//
// Threads: Signal may be called from any thread while the CEvent lives; Close, assignment and
// destruction belong to the owner's thread alone.
#pragma once

#include <utility>

#include "reader/wait_clock.h"

// What makes events: signals and closes the ones it made. CEvent calls it; owners never close an
// event by hand.
class IEventMaker {
public:
    virtual void SignalEvent(EventHandle event) = 0;
    virtual void CloseEvent(EventHandle event) = 0;

protected:
    ~IEventMaker() = default;
};

class CEvent {
public:
    CEvent() = default;
    CEvent(IEventMaker& maker, EventHandle handle) : maker_(&maker), handle_(handle) {}
    ~CEvent() { Close(); }

    CEvent(CEvent&& other) noexcept
        : maker_(std::exchange(other.maker_, nullptr)), handle_(std::exchange(other.handle_, nullptr)) {}
    CEvent& operator=(CEvent&& other) noexcept {
        if (this != &other) {
            Close();
            maker_ = std::exchange(other.maker_, nullptr);
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    // The handle to wait on or hand to a port, which must not outlive this CEvent.
    EventHandle Get() const { return handle_; }
    void Signal() const {
        if (handle_)
            maker_->SignalEvent(handle_);
    }
    void Close() {
        if (handle_)
            maker_->CloseEvent(std::exchange(handle_, nullptr));
        maker_ = nullptr;
    }
    // Gives the event up without closing it: the caller closes it through its maker.
    EventHandle Release() {
        maker_ = nullptr;
        return std::exchange(handle_, nullptr);
    }

private:
    IEventMaker* maker_ = nullptr;
    EventHandle handle_ = nullptr;
};
