// The connection thread's system on Windows: auto-reset events, GetTickCount with
// WaitForMultipleObjects, and serial ports.
#pragma once

#include "reader/connect_platform.h"
#include "reader/wait_clock_win32.h"

class CWin32ConnectPlatform : public IConnectPlatform {
public:
    IWaitClock& Clock() override { return clock_; }
    EventHandle NewEvent() override;
    void CloseEvent(EventHandle event) override;
    void SignalEvent(EventHandle event) override;
    std::unique_ptr<CRdPort> NewPort() override;

private:
    CWin32WaitClock clock_;
};

// The one platform object of the program; stateless apart from the clock, so sharing is safe.
IConnectPlatform& Win32ConnectPlatform();
