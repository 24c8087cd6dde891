#include "reader/platform_win32.h"

#include <windows.h>

#include <system_error>

#include "reader/rd_com_port_win32.h"

CEvent CWin32Platform::NewEvent() {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    return CEvent(*this, event);
}

void CWin32Platform::SignalEvent(EventHandle event) {
    SetEvent(event);
}

void CWin32Platform::CloseEvent(EventHandle event) {
    CloseHandle(event);
}

std::unique_ptr<CRdPort> CWin32Platform::NewPort(const std::wstring& name) {
    return std::make_unique<CRdComPort>(name);
}

IPlatform& Win32Platform() {
    // Never destroyed: the workers, and so their events, may go in exit handlers, after static
    // objects are gone.
    static CWin32Platform* const platform = new CWin32Platform;
    return *platform;
}
