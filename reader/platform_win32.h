// The system's platform on Windows: GetTickCount with WaitForMultipleObjects, kernel events
// (CreateEventW, closed with CloseHandle) and COM ports.
#pragma once

#include "reader/platform.h"
#include "reader/wait_clock_win32.h"

class CWin32Platform : public IPlatform, private IEventMaker {
public:
    IWaitClock& Clock() override { return clock_; }
    CEvent NewEvent() override;
    std::unique_ptr<CRdPort> NewPort(const std::wstring& name) override;

private:
    void SignalEvent(EventHandle event) override;
    void CloseEvent(EventHandle event) override;

    CWin32WaitClock clock_;
};

// The one platform object of the program, never destroyed; stateless apart from the clock, so
// sharing it between threads is safe.
IPlatform& Win32Platform();
