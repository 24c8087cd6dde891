#include "search/message_wait_win32.h"

#include <algorithm>
#include <thread>
#include <vector>

CMessageWait::CMessageWait()
    : overflow_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      go_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      parked_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CMessageWait::~CMessageWait() {
    // The watcher waits on the events: it ends before they close.
    if (watcher_.joinable()) {
        quit_ = true;
        SetEvent(go_.Get());
        watcher_.join();
    }
}

void CMessageWait::WatchTail() {
    // Handed over by the events: go_ starts a wait over tail_, parked_ says it is over. The
    // worker touches tail_ and fired_ only while this thread is parked.
    for (;;) {
        WaitForSingleObject(go_.Get(), INFINITE);
        if (quit_)
            return;
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(tail_.size()), tail_.data(), FALSE, INFINITE);
        if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + tail_.size()) {
            fired_ = static_cast<int>(result - WAIT_OBJECT_0) - 1;
            SetEvent(overflow_.Get());
        }
        SetEvent(parked_.Get());
    }
}

int CMessageWait::Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) {
    if (count <= kDirectLimit)
        return WaitDirect(reinterpret_cast<const HANDLE*>(events), static_cast<DWORD>(count), timeoutMs);
    return WaitGrouped(events, count, timeoutMs);
}

int CMessageWait::WaitDirect(const HANDLE* handles, DWORD count, uint32_t timeoutMs) {
    const DWORD result =
        MsgWaitForMultipleObjects(count, const_cast<HANDLE*>(handles), FALSE, timeoutMs, QS_SENDMESSAGE);
    if (result <= WAIT_OBJECT_0 + count)
        return static_cast<int>(result - WAIT_OBJECT_0);
    if (result == WAIT_FAILED)
        Sleep(std::min<DWORD>(timeoutMs, kFailedWaitPauseMs));
    return kWaitTimedOut;
}

int CMessageWait::WaitGrouped(const EventHandle* events, size_t count, uint32_t timeoutMs) {
    constexpr size_t kDirect = kDirectLimit - 1;  // the last place is the overflow event's
    const bool made = overflow_.IsValid() && go_.IsValid() && cancel_.IsValid() && parked_.IsValid();
    if (!made || count > kMaxEvents) {
        Sleep(std::min<DWORD>(timeoutMs, kFailedWaitPauseMs));
        return kWaitTimedOut;
    }
    if (!watcher_.joinable())
        watcher_ = std::thread([this] { WatchTail(); });
    const auto* handles = reinterpret_cast<const HANDLE*>(events);
    // The cancel event first, so that it wins a tie and no signal is taken once the wait is over.
    tail_.assign(1, cancel_.Get());
    tail_.insert(tail_.end(), handles + kDirect, handles + count);
    fired_ = -1;
    ResetEvent(cancel_.Get());
    SetEvent(go_.Get());

    std::vector<HANDLE> direct(handles, handles + kDirect);
    direct.push_back(overflow_.Get());
    const int result = WaitDirect(direct.data(), static_cast<DWORD>(direct.size()), timeoutMs);
    SetEvent(cancel_.Get());
    WaitForSingleObject(parked_.Get(), INFINITE);
    ResetEvent(overflow_.Get());

    const int taken = fired_ < 0 ? kWaitTimedOut : static_cast<int>(kDirect) + fired_;
    if (result == static_cast<int>(direct.size())) {
        if (taken >= 0)
            SetEvent(handles[taken]);  // put back: a later wait reports it
        return static_cast<int>(count);
    }
    if (result >= 0 && static_cast<size_t>(result) < kDirect) {
        if (taken >= 0)
            SetEvent(handles[taken]);
        return result;
    }
    return taken;  // the overflow event, or a time-out (a signal taken at its last moment still counts)
}

void CMessageWait::PumpMessages() {
    // Sent messages are delivered by the peek itself; posted ones are taken and dispatched.
    while (PeekMessageW(&msg_, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageW(&msg_, nullptr, 0, 0) <= 0)
            break;
        TranslateMessage(&msg_);
        DispatchMessageW(&msg_);
    }
}
