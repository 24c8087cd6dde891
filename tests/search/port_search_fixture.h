// A port search running in the simulated world, with helpers to run it pass by pass.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "search/port_search.h"
#include "tests/search/sim_search_world.h"

// A reader's answer to "i": model 2, serial 12345, firmware 1.8.0.0, built 16 Nov 2010 10:20:30.
inline constexpr char kReaderAnswer[] =
    "Tern reader S/N: 12345 [811] Software version: 1.8.0 Build Nov 16 2010 10:20:30\r";

class PortSearchTest : public ::testing::Test {
protected:
    PortSearchTest() {
        search.onPortsChanged = [this] { ++notifications; };
        search.Begin();
    }

    void List(const std::vector<std::wstring>& names, int32_t modelHint = 0) {
        world.listed.clear();
        for (const std::wstring& name : names) world.listed.push_back({name, modelHint});
    }
    SimDevice& Reader(const std::wstring& name) {
        SimDevice& device = world.Device(name);
        device.reply = kReaderAnswer;
        return device;
    }

    // Runs passes until done() holds. False when the search stops, would wait forever first, or
    // maxPasses pass.
    bool RunUntil(const std::function<bool()>& done, int maxPasses = 100000) {
        for (int pass = 0; pass < maxPasses; ++pass) {
            if (done())
                return true;
            world.waitedForever = false;
            if (!search.RunPass(world))
                return false;
            if (world.waitedForever && !done())
                return false;
        }
        return done();
    }
    // Runs until the search has nothing left to do but wait for the outside world.
    bool Settle() {
        world.waitedForever = false;
        for (int pass = 0; pass < 100000 && !world.waitedForever; ++pass)
            if (!search.RunPass(world))
                return false;
        return world.waitedForever;
    }

    std::vector<PortEntry> Ports() {
        std::vector<PortEntry> ports;
        search.CopyPorts(ports);
        return ports;
    }
    std::optional<PortEntry> Port(const std::wstring& name) {
        for (const PortEntry& port : Ports())
            if (port.name == name)
                return port;
        return std::nullopt;
    }
    bool Probing(const std::wstring& name) const {
        for (const ProbeEntry& probe : search.Probes())
            if (probe.name == name)
                return true;
        return false;
    }
    bool HasPort(const std::wstring& name) const {
        for (const ProbeEntry& probe : search.Probes())
            if (probe.name == name)
                return probe.port != nullptr;
        return false;
    }

    CSimSearchWorld world;
    CPortSearch search{{world, world, world}};
    int notifications = 0;
};

inline int32_t State(ProbeResult result) {
    return static_cast<int32_t>(result);
}
