// Probes against the project's reader emulator behind its in-process port: the answer the
// search parses is the one the emulated reader really gives.
#include <gtest/gtest.h>

#include <functional>

#include "search/port_search.h"
#include "testing/emulator/emu_platform.h"

namespace {

// One emulated reader behind every port the search opens, on the simulated clock.
class CEmulatedWorld : public CEmuPlatform, public IPortEnumerator, public ISearchWait {
public:
    std::vector<ListedPort> Enumerate(bool) override { return {{L"COM4", modelHint, recognised}}; }
    int Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) override {
        return clock.WaitAny(events, count, timeoutMs);
    }
    void PumpMessages() override {}

    CInlinePortOpener opener;
    int32_t modelHint = 0;
    bool recognised = false;  // one of the maker's adapters
};

struct EmulatedCase {
    const char* what;
    std::function<void(CEmulatedWorld&)> setUp;
    ProbeResult state;
    int32_t model;
    int32_t serial;
    uint32_t firmware;
    uint64_t answeredBy = 1000;  // ms, for an identified reader
    size_t framedCommands = 0;   // the reader heard (link ends)
};

TEST(ProbeAgainstTheEmulator, Outcomes) {
    const EmulatedCase cases[] = {
        {"reader model 2", [](CEmulatedWorld&) {}, ProbeResult::Identified, 2, 12345, 0x01080000},
        {"CL-I variant",
         [](CEmulatedWorld& w) {
             w.reader.identity.clI = true;
             w.reader.identity.serial = 777;
         },
         ProbeResult::Identified, 3, 777, 0x01080000},
        {"old panel without a version",
         [](CEmulatedWorld& w) {
             w.reader.identity.hardwareCode = 0x802;
             w.reader.identity.firmware.clear();
         },
         ProbeResult::Identified, 10, 12345, 0x09630000},
        {"silent reader behind a hinted adapter",
         [](CEmulatedWorld& w) {
             w.reader.faults.silent = true;
             w.modelHint = 3;
         },
         ProbeResult::NoReply, 3, -1, 0},
        {"answer that does not parse",
         [](CEmulatedWorld& w) { w.reader.identity.answerOverride = "Build 5\r"; }, ProbeResult::BadReply, 0,
         -1, 0},
        {"port held by another program",
         [](CEmulatedWorld& w) { w.configurePort = [](CEmuPort& p) { p.busy = true; }; },
         ProbeResult::PortBusy, 0, -1, 0},
        {"port gone", [](CEmulatedWorld& w) { w.configurePort = [](CEmuPort& p) { p.exists = false; }; },
         ProbeResult::PortError, 0, -1, 0},
        {"write never confirmed",
         [](CEmulatedWorld& w) { w.configurePort = [](CEmuPort& p) { p.writeLatencyMs = 60000; }; },
         ProbeResult::NoReply, 0, -1, 0},
        {"driver whose reads do not wait for the first byte",
         [](CEmulatedWorld& w) { w.configurePort = [](CEmuPort& p) { p.driverWaitsForFirstByte = false; }; },
         ProbeResult::Identified, 2, 12345, 0x01080000},
        // Two silent queries (the second 1000 ms after the first time-out), then the link end at
        // 115200 brings the reader back to 9600.
        {"reader left at 115200 behind one of the maker's adapters",
         [](CEmulatedWorld& w) {
             w.reader.SetBaud(115200);
             w.recognised = true;
         },
         ProbeResult::Identified, 2, 12345, 0x01080000, 11000 + 200, 1},
        {"reader left at 230400 behind one of the maker's adapters",
         [](CEmulatedWorld& w) {
             w.reader.SetBaud(230400);
             w.recognised = true;
         },
         ProbeResult::Identified, 2, 12345, 0x01080000, 11000 + 700, 1},
        {"silent port of another kind is sent nothing but the query",
         [](CEmulatedWorld& w) { w.reader.SetBaud(115200); }, ProbeResult::NoReply, 0, -1, 0},
        {"silent adapter: the link end at every speed its driver takes, then no reply",
         [](CEmulatedWorld& w) {
             w.reader.faults.silent = true;
             w.recognised = true;
             w.configurePort = [](CEmuPort& p) { p.refusesAbove = 115200; };
         },
         ProbeResult::NoReply, 0, -1, 0},
    };
    for (const EmulatedCase& c : cases) {
        SCOPED_TRACE(c.what);
        CEmulatedWorld world;
        c.setUp(world);
        CPortSearch search({world, world, world.opener});
        search.Begin();
        std::vector<PortEntry> ports;
        for (int pass = 0; pass < 1000 && ports.empty(); ++pass) {
            ASSERT_TRUE(search.RunPass(world));
            search.CopyPorts(ports);
        }
        ASSERT_EQ(ports.size(), 1u);
        EXPECT_EQ(ports[0].state, static_cast<int32_t>(c.state));
        EXPECT_EQ(ports[0].model, c.model);
        EXPECT_EQ(ports[0].serial, c.serial);
        EXPECT_EQ(ports[0].firmware, c.firmware);
        if (c.state == ProbeResult::Identified) {
            EXPECT_LT(world.clock.Elapsed(), c.answeredBy) << "the answer was only noticed at the time-out";
        }
        EXPECT_EQ(world.reader.commands.size(), c.framedCommands);
    }
}

}  // namespace
