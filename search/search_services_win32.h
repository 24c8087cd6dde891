// The port search's services on Windows: kernel events, COM ports, and the worker's one wait
// over its events and the messages sent to its notification window.
#pragma once

#include <windows.h>

#include "search/search_services.h"

class CWin32EventFactory final : public IEventFactory {
public:
    EventHandle MakeEvent() override;
    void CloseEvent(EventHandle event) override;
    void SignalEvent(EventHandle event) override;
};

class CComPortFactory final : public IProbePortFactory {
public:
    std::unique_ptr<CRdPort> CreatePort() override;
};

// MsgWaitForMultipleObjects waking for sent messages (the device-change broadcasts), and the
// pump that delivers them. Worker thread only.
//
// The system call takes at most 63 handles (it adds the message queue itself); the search has up
// to 64. Past 62 the rest are watched, in groups, by short-lived watcher threads, which set one
// overflow event that takes the 63rd place. A watcher's wait consumes the auto-reset event it
// reports, so every signal so taken and not reported is put back before Wait returns.
class CMessageWait final : public ISearchWait {
public:
    static constexpr size_t kDirectLimit = MAXIMUM_WAIT_OBJECTS - 1;
    // A failed wait still waits this long (or its time-out, when shorter): the loop must not spin.
    static constexpr DWORD kFailedWaitPauseMs = 100;

    CMessageWait();
    ~CMessageWait() override;
    CMessageWait(const CMessageWait&) = delete;
    CMessageWait& operator=(const CMessageWait&) = delete;

    int Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) override;
    void PumpMessages() override;

private:
    int WaitDirect(const HANDLE* handles, DWORD count, uint32_t timeoutMs);
    int WaitGrouped(const EventHandle* events, size_t count, uint32_t timeoutMs);

    MSG msg_{};
    HANDLE overflow_ = nullptr;  // auto-reset; set by a watcher that took a signal
    HANDLE stop_ = nullptr;      // manual-reset; ends the watchers when the wait is over
};
