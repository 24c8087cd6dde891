// The system's platform in simulated time on the reader emulator: ports are in-process emulator
// ports, events and waits belong to the simulated clock. One thread uses it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "reader/platform.h"
#include "testing/emulator/emu_port.h"
#include "testing/emulator/reader_emulator.h"
#include "testing/emulator/sim_clock.h"

class CEmuPlatform : public IPlatform {
public:
    IWaitClock& Clock() override { return clock; }
    CEvent NewEvent() override { return clock.NewEvent(); }
    std::unique_ptr<CRdPort> NewPort(const std::wstring& name) override {
        auto port = std::make_unique<CEmuPort>(reader, clock, name);
        configurePort(*port);
        return port;
    }

    CSimClock clock;
    CReaderEmulator reader;
    std::function<void(CEmuPort&)> configurePort = [](CEmuPort&) {};
};
