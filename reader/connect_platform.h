// What the connection thread needs from the system besides the reader protocol: its clock and
// wait, its events and a fresh port object. Windows gives auto-reset events, GetTickCount with
// WaitForMultipleObjects and a serial port; tests give a simulated clock and a fake port, so the
// thread's schedules run in simulated time.
#pragma once

#include <memory>

#include "reader/rd_port.h"
#include "reader/wait_clock.h"

class IConnectPlatform {
public:
    virtual ~IConnectPlatform() = default;

    virtual IWaitClock& Clock() = 0;
    // An auto-reset, unsignalled, unnamed event; throws std::system_error when none can be made.
    virtual EventHandle NewEvent() = 0;
    virtual void CloseEvent(EventHandle event) = 0;
    virtual void SignalEvent(EventHandle event) = 0;
    // A closed port with no name and no events yet.
    virtual std::unique_ptr<CRdPort> NewPort() = 0;
};
