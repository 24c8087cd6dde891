// The connection thread's system in simulated time on the reader emulator: ports are in-process
// emulator ports, events and waits belong to the simulated clock.
#pragma once

#include <functional>
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
    std::unique_ptr<CRdPort> NewPort() override {
        auto port = std::make_unique<CEmuPort>(reader, clock);
        configurePort(*port);
        return port;
    }

    CSimClock clock;
    CReaderEmulator reader;
    std::function<void(CEmuPort&)> configurePort = [](CEmuPort&) {};
};
