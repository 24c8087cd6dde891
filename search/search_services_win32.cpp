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
    : overflow_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CMessageWait::~CMessageWait() {
    for (HANDLE event : {overflow_, stop_})
        if (event)
            CloseHandle(event);
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
    constexpr size_t kGroup = MAXIMUM_WAIT_OBJECTS - 1;  // a watcher's events, after its stop event
    if (!overflow_ || !stop_) {
        Sleep(std::min<DWORD>(timeoutMs, kFailedWaitPauseMs));
        return kWaitTimedOut;
    }
    // Each watcher waits for its group or the stop event (first, so that it wins a tie and no
    // signal is taken once the wait is over). A watcher that takes a signal records it before it
    // sets the overflow event; the worker reads it after joining.
    const auto* handles = reinterpret_cast<const HANDLE*>(events);
    struct Watcher {
        std::vector<HANDLE> handles;
        size_t first = 0;
        int fired = -1;  // index into events of the signal taken
        std::thread thread;
    };
    std::vector<Watcher> watchers((count - kDirect + kGroup - 1) / kGroup);
    ResetEvent(stop_);
    for (size_t w = 0; w < watchers.size(); ++w) {
        Watcher& watcher = watchers[w];
        watcher.first = kDirect + w * kGroup;
        watcher.handles.push_back(stop_);
        watcher.handles.insert(watcher.handles.end(), handles + watcher.first,
                               handles + std::min(count, watcher.first + kGroup));
        watcher.thread = std::thread([&watcher, overflow = overflow_] {
            const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(watcher.handles.size()),
                                                        watcher.handles.data(), FALSE, INFINITE);
            if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + watcher.handles.size()) {
                watcher.fired = static_cast<int>(watcher.first + (result - WAIT_OBJECT_0) - 1);
                SetEvent(overflow);
            }
        });
    }
    std::vector<HANDLE> direct(handles, handles + kDirect);
    direct.push_back(overflow_);
    int result = WaitDirect(direct.data(), static_cast<DWORD>(direct.size()), timeoutMs);
    SetEvent(stop_);  // manual-reset: every watcher sees it
    for (Watcher& watcher : watchers) watcher.thread.join();
    ResetEvent(overflow_);

    const bool messages = result == static_cast<int>(direct.size());
    const bool noneDirect = result < 0 || static_cast<size_t>(result) == kDirect;  // overflow or time-out
    int reported = kWaitTimedOut;
    for (Watcher& watcher : watchers) {
        if (watcher.fired < 0)
            continue;
        if (noneDirect && reported == kWaitTimedOut) {
            reported = watcher.fired;  // the lowest one taken reports
            continue;
        }
        SetEvent(handles[watcher.fired]);  // put back: a later wait reports it
    }
    if (messages)
        return static_cast<int>(count);
    return noneDirect ? reported : result;
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
