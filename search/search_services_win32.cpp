#include "search/search_services_win32.h"

#include <system_error>

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

int CMessageWait::Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) {
    const DWORD result = MsgWaitForMultipleObjects(static_cast<DWORD>(count), const_cast<HANDLE*>(events),
                                                   FALSE, timeoutMs, QS_SENDMESSAGE);
    if (result >= WAIT_OBJECT_0 && result <= WAIT_OBJECT_0 + count)
        return static_cast<int>(result - WAIT_OBJECT_0);
    return kWaitTimedOut;
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
