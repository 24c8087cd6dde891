// The connection thread's system in simulated time on the reader emulator: ports are in-process
// emulator ports, events and waits belong to the simulated clock.
#pragma once

#include <memory>

#include "reader/connect_platform.h"
#include "testing/emulator/emu_port.h"
#include "testing/emulator/reader_emulator.h"
#include "testing/emulator/sim_clock.h"

class CEmuConnectPlatform : public IConnectPlatform {
public:
    IWaitClock& Clock() override { return clock; }
    EventHandle NewEvent() override { return clock.NewEvent(); }
    void CloseEvent(EventHandle) override {}
    void SignalEvent(EventHandle event) override { clock.Signal(event); }
    std::unique_ptr<CRdPort> NewPort() override { return std::make_unique<CEmuPort>(reader, clock); }

    CSimClock clock;
    CReaderEmulator reader;
};
