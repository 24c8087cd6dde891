// A ready-made link for tests: the emulated reader on an open in-process port, an exchange
// context with its four events and running set, all on one simulated clock.
#pragma once

#include "reader/exchange.h"
#include "testing/emulator/emu_port.h"
#include "testing/emulator/reader_emulator.h"
#include "testing/emulator/sim_clock.h"

struct CEmuLink {
    explicit CEmuLink(uint32_t startTick = 0, uint8_t eventChar = 0) : clock(startTick) {
        for (auto& event : link.events) event = clock.NewEvent();
        link.eventCount = link.events.size();
        port.SetEvents(link.events[CRdExchange::kCommEvent].Get(),
                       link.events[CRdExchange::kWriteEvent].Get(),
                       link.events[CRdExchange::kReadEvent].Get());
        port.SetParams(9600, kReaderLink.stopBits, eventChar);
        port.Open();
        link.port = &port;
        link.running = true;
    }

    // Clears running and wakes the link after delayMs, as the user interface does.
    void StopAfter(uint32_t delayMs) {
        clock.After(delayMs, [this] {
            link.running = false;
            link.events[CRdExchange::kWakeEvent].Signal();
        });
    }

    CSimClock clock;
    CReaderEmulator reader;
    CRdExchange link{clock, kReaderLink};  // its events outlive the port, which goes first
    CEmuPort port{reader, clock, L"COM7"};
};
