#include "reader/connect_platform_win32.h"

#include <windows.h>

#include <system_error>

#include "reader/rd_com_port_win32.h"

EventHandle CWin32ConnectPlatform::NewEvent() {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    return event;
}

void CWin32ConnectPlatform::CloseEvent(EventHandle event) {
    if (event)
        CloseHandle(event);
}

void CWin32ConnectPlatform::SignalEvent(EventHandle event) {
    SetEvent(event);
}

std::unique_ptr<CRdPort> CWin32ConnectPlatform::NewPort() {
    return std::make_unique<CRdComPort>();
}

IConnectPlatform& Win32ConnectPlatform() {
    static CWin32ConnectPlatform platform;
    return platform;
}
