#include "search/search_services_win32.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "reader/rd_com_port_win32.h"

EventHandle CWin32EventFactory::MakeEvent() {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    return event;
}

void CWin32EventFactory::CloseEvent(EventHandle event) {
    CloseHandle(event);
}

void CWin32EventFactory::SignalEvent(EventHandle event) {
    SetEvent(event);
}

std::unique_ptr<CRdPort> CComPortFactory::CreatePort() {
    return std::make_unique<CRdComPort>();
}

CMessageWait::CMessageWait()
    : overflow_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      go_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      parked_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CMessageWait::~CMessageWait() {
    if (watcher_.joinable()) {
        quit_ = true;
        SetEvent(go_);
        watcher_.join();
    }
    for (HANDLE event : {overflow_, go_, cancel_, parked_})
        if (event)
            CloseHandle(event);
}

void CMessageWait::WatchTail() {
    // Handed over by the events: go_ starts a wait over tail_, parked_ says it is over. The
    // worker touches tail_ and fired_ only while this thread is parked.
    for (;;) {
        WaitForSingleObject(go_, INFINITE);
        if (quit_)
            return;
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(tail_.size()), tail_.data(), FALSE, INFINITE);
        if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + tail_.size()) {
            fired_ = static_cast<int>(result - WAIT_OBJECT_0) - 1;
            SetEvent(overflow_);
        }
        SetEvent(parked_);
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
    if (!overflow_ || !go_ || !cancel_ || !parked_ || count > kMaxEvents) {
        Sleep(std::min<DWORD>(timeoutMs, kFailedWaitPauseMs));
        return kWaitTimedOut;
    }
    if (!watcher_.joinable())
        watcher_ = std::thread([this] { WatchTail(); });
    const auto* handles = reinterpret_cast<const HANDLE*>(events);
    // The cancel event first, so that it wins a tie and no signal is taken once the wait is over.
    tail_.assign(1, cancel_);
    tail_.insert(tail_.end(), handles + kDirect, handles + count);
    fired_ = -1;
    ResetEvent(cancel_);
    SetEvent(go_);

    std::vector<HANDLE> direct(handles, handles + kDirect);
    direct.push_back(overflow_);
    const int result = WaitDirect(direct.data(), static_cast<DWORD>(direct.size()), timeoutMs);
    SetEvent(cancel_);
    WaitForSingleObject(parked_, INFINITE);
    ResetEvent(overflow_);

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
