// What the connection thread and the port search need from the system besides the reader
// protocol: a clock with its wait, auto-reset events and fresh port objects. Windows gives
// GetTickCount with WaitForMultipleObjects, kernel events and serial ports (platform_win32.h);
// tests give a simulated clock, its events and fake or emulated ports, so that schedules run in
// simulated time.
//
// Threads: an implementation serves several threads at once (the connection worker, the search
// worker, the user-interface thread that signals them); each port and event it makes then
// belongs to its caller.
#pragma once

#include <memory>
#include <string>

#include "reader/event.h"
#include "reader/rd_port.h"
#include "reader/wait_clock.h"

class IPlatform {
public:
    virtual ~IPlatform() = default;

    virtual IWaitClock& Clock() = 0;
    // An auto-reset, unsignalled, unnamed event; throws std::system_error when none can be made.
    virtual CEvent NewEvent() = 0;
    // A closed port named `name` (COM3, say), with no events yet.
    virtual std::unique_ptr<CRdPort> NewPort(const std::wstring& name) = 0;
};
