// The probe state machine in simulated time: outcomes, attempts, retries and their timing.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "reader/ident.h"
#include "tests/search/port_search_fixture.h"

namespace {

struct OutcomeCase {
    const char* what;
    std::function<void(SimDevice&)> device;
    int32_t modelHint;
    uint32_t startTick;
    ProbeResult state;
    int32_t model;
    int32_t serial;
    uint32_t firmware;
    size_t requests;      // "i" sent, over all attempts
    uint64_t minElapsed;  // simulated ms until the port is listed
    uint64_t maxElapsed;
};

TEST_F(PortSearchTest, ProbeOutcomes) {
    const OutcomeCase cases[] = {
        {"reader answers", [](SimDevice& d) { d.reply = kReaderAnswer; }, 0, 0, ProbeResult::Identified, 2,
         12345, 0x01080000, 1, 0, 100},
        {"reader behind an adapter with a hint keeps its own model",
         [](SimDevice& d) { d.reply = kReaderAnswer; }, 5, 0, ProbeResult::Identified, 2, 12345, 0x01080000,
         1, 0, 100},
        {"unknown hardware code shows the adapter's model",
         [](SimDevice& d) { d.reply = "S/N: 77 [123] Build Nov 16 2010 10:20:30\r"; }, 4, 0,
         ProbeResult::Identified, 4, 77, 0, 1, 0, 100},
        {"answer in two parts: the rest is fetched without a read left waiting",
         [](SimDevice& d) {
             d.reply = kReaderAnswer;
             d.replySplit = 3;
             d.replyTailDelay = 200;
         },
         0, 0, ProbeResult::Identified, 2, 12345, 0x01080000, 1, 250, 270},
        {"silent device: two attempts of 5000 ms", [](SimDevice&) {}, 3, 0, ProbeResult::NoReply, 3, -1, 0, 2,
         10000, 10100},
        {"silent device across the tick counter's wrap", [](SimDevice&) {}, 0, 0xFFFFF000u,
         ProbeResult::NoReply, 0, -1, 0, 2, 10000, 10100},
        {"garbled answer", [](SimDevice& d) { d.reply = "S/N: 5 no code here Build\r"; }, 1, 0,
         ProbeResult::BadReply, 1, -1, 0, 2, 0, 1200},
        {"answer without its carriage return",
         [](SimDevice& d) { d.reply = "S/N: 5 [811] Build Nov 16 2010"; }, 0, 0, ProbeResult::NoReply, 0, -1,
         0, 2, 10000, 10100},
        {"write never completes", [](SimDevice& d) { d.writeStalls = true; }, 0, 0, ProbeResult::NoReply, 0,
         -1, 0, 2, 11000, 11100},  // no event brings the retry forward: it waits its 1000 ms
        {"missing port: no retry", [](SimDevice& d) { d.missing = true; }, 2, 0, ProbeResult::PortError, 2,
         -1, 0, 0, 0, 10},
        {"unexpected failure: no retry", [](SimDevice& d) { d.openFailsOddly = true; }, 4, 0,
         ProbeResult::Failed, 4, -1, 0, 0, 0, 10},
        {"I/O fails on the open port", [](SimDevice& d) { d.ioFails = true; }, 0, 0, ProbeResult::LinkLost, 0,
         -1, 0, 0, 0, 1100},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.what);
        CSimSearchWorld world(c.startTick);
        CPortSearch search({world, world, world});
        search.Begin();
        world.listed = {{L"COM3", c.modelHint}};
        c.device(world.Device(L"COM3"));

        std::vector<PortEntry> ports;
        for (int pass = 0; pass < 1000 && ports.empty(); ++pass) {
            ASSERT_TRUE(search.RunPass(world));
            ASSERT_FALSE(world.waitedForever);
            search.CopyPorts(ports);
        }
        ASSERT_EQ(ports.size(), 1u);
        const SimDevice& device = world.Device(L"COM3");
        EXPECT_EQ(ports[0].state, State(c.state));
        EXPECT_EQ(ports[0].model, c.model);
        EXPECT_EQ(ports[0].serial, c.serial);
        EXPECT_EQ(ports[0].firmware, c.firmware);
        EXPECT_EQ(ports[0].tick, world.Now());
        EXPECT_EQ(device.requestTimes.size(), c.requests);
        EXPECT_GE(world.Elapsed(), c.minElapsed);
        EXPECT_LE(world.Elapsed(), c.maxElapsed);
        // The probe is gone with its port and events.
        EXPECT_EQ(search.ProbeCount(), 0u);
        EXPECT_EQ(search.Events().size(), 1u);
        EXPECT_EQ(world.openEvents, 1u);
        EXPECT_EQ(device.openPorts, 0);
    }
}

TEST_F(PortSearchTest, IdentifiedReaderCarriesItsBuildTime) {
    Reader(L"COM3");
    List({L"COM3"});
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM3").has_value(); }));
    ReaderIdentity expected;
    ASSERT_TRUE(ParseIdent(kReaderAnswer, expected));
    EXPECT_EQ(Port(L"COM3")->buildTime, expected.buildTime);
    EXPECT_NE(expected.buildTime, 0);
}

TEST_F(PortSearchTest, SilentDeviceIsAskedAgainAfterTheFirstTimeOut) {
    world.Device(L"COM3");
    List({L"COM3"});
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM3").has_value(); }));
    const SimDevice& device = world.Device(L"COM3");
    ASSERT_EQ(device.requestTimes.size(), 2u);
    EXPECT_GE(device.requestTimes[1] - device.requestTimes[0], 5000u);
    EXPECT_LE(device.requestTimes[1] - device.requestTimes[0], 5100u);
    EXPECT_EQ(device.cancelLines, 1);        // the line is reset before the second request
    EXPECT_EQ(device.droppedLineResets, 0);  // and its bytes are not purged on their way out
    EXPECT_EQ(device.openTimes.size(), 1u);  // on the same open port
}

TEST_F(PortSearchTest, BusyPortIsTriedTwiceThenReprobedAMinuteLaterUntilIdentified) {
    SimDevice& device = Reader(L"COM5");
    device.busyOpens = 2;
    List({L"COM5"}, 1);
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM5").has_value(); }));

    PortEntry busy = *Port(L"COM5");
    EXPECT_EQ(busy.state, State(ProbeResult::PortBusy));
    EXPECT_EQ(busy.model, 1);
    ASSERT_EQ(device.openTimes.size(), 2u);
    EXPECT_EQ(device.openTimes[1] - device.openTimes[0], 1000u);
    ASSERT_TRUE(RunUntil([&] { return notifications == 1; }, 2));

    // The other program lets go; a minute after the busy probe ended the port is probed again.
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM5")->state == State(ProbeResult::Identified); }));
    ASSERT_EQ(device.openTimes.size(), 3u);
    EXPECT_EQ(device.openTimes[2] - busy.tick, 60000u);
    EXPECT_EQ(Port(L"COM5")->serial, 12345);
    EXPECT_EQ(Port(L"COM5")->model, 2);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(device.openPorts, 0);
}

TEST_F(PortSearchTest, PortStillBusyAfterAMinuteIsTriedAgainEveryMinute) {
    world.Device(L"COM5").busyOpens = 1000;
    List({L"COM5"});
    ASSERT_TRUE(RunUntil([&] { return world.Device(L"COM5").openTimes.size() == 6; }));
    const std::vector<uint32_t>& opens = world.Device(L"COM5").openTimes;
    EXPECT_EQ(opens[2] - opens[1], 60000u);
    EXPECT_EQ(opens[4] - opens[3], 60000u);
    EXPECT_EQ(Ports().size(), 1u);
    EXPECT_EQ(notifications, 1);  // the list did not change after the first probe
}

TEST_F(PortSearchTest, FreedPortWithoutAReaderTakesItsNewResultAndIsLeftAlone) {
    SimDevice& device = world.Device(L"COM5");  // silent once the other program lets go
    device.busyOpens = 2;
    List({L"COM5"}, 4);
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM5").has_value(); }));
    ASSERT_EQ(Port(L"COM5")->state, State(ProbeResult::PortBusy));
    const int before = notifications;

    // The re-probe a minute later finds the port free and silent; nothing is left to do then.
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM5")->state != State(ProbeResult::PortBusy); }, 1000));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Port(L"COM5")->state, State(ProbeResult::NoReply));
    EXPECT_EQ(Port(L"COM5")->model, 4);
    EXPECT_EQ(device.openTimes.size(), 3u);
    EXPECT_EQ(notifications, before + 1);
    EXPECT_EQ(device.openPorts, 0);

    // A rescan probes it again, like every listed port.
    search.Rescan();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(device.openTimes.size(), 4u);
}

struct SlowOpenCase {
    const char* what;
    uint32_t openDelay;
    ProbeResult state;
    uint64_t listedAfter;  // simulated ms from the start
};

// An open that blocks (an outgoing Bluetooth port reaching for its device) holds up nothing else:
// the reader beside it is identified at its own pace, and an open that takes too long ends its
// probe with a port error, without a second attempt.
TEST(SlowOpen, HoldsUpNoOtherProbe) {
    const SlowOpenCase cases[] = {
        {"open of 300 ms", 300, ProbeResult::Identified, 300 + 50},
        {"open that hangs for a minute", 60000, ProbeResult::PortError, CPortSearch::kOpenLimit},
    };
    for (const SlowOpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        CSimSearchWorld world;
        CPortSearch search({world, world, world});
        search.Begin();
        world.listed = {{L"COM1", 0}, {L"COM2", 0}};
        world.Device(L"COM1").reply = kReaderAnswer;
        world.Device(L"COM1").openDelay = c.openDelay;
        world.Device(L"COM2").reply = kReaderAnswer;

        std::map<std::wstring, uint64_t> listedAt;
        for (int pass = 0; pass < 1000 && listedAt.size() < 2; ++pass) {
            ASSERT_TRUE(search.RunPass(world));
            ASSERT_FALSE(world.waitedForever);
            std::vector<PortEntry> ports;
            search.CopyPorts(ports);
            for (const PortEntry& port : ports) listedAt.emplace(port.name, world.Elapsed());
        }
        ASSERT_EQ(listedAt.size(), 2u);
        EXPECT_LE(listedAt[L"COM2"], 100u);
        EXPECT_GE(listedAt[L"COM1"], c.listedAfter);
        EXPECT_LE(listedAt[L"COM1"], c.listedAfter + 100);
        std::vector<PortEntry> ports;
        search.CopyPorts(ports);
        EXPECT_EQ(ports[0].state, State(c.state));
        EXPECT_EQ(ports[1].state, State(ProbeResult::Identified));
        EXPECT_EQ(search.ProbeCount(), 0u);
        EXPECT_EQ(search.Events().size(), 1u);

        // The hung open returns at last: its port is closed then, and nobody is woken for it.
        while (world.Elapsed() < 61000 && !world.waitedForever) ASSERT_TRUE(search.RunPass(world));
        EXPECT_EQ(world.Device(L"COM1").openTimes.size(), 1u);
        EXPECT_EQ(world.Device(L"COM1").openPorts, 0);
        EXPECT_EQ(world.openEvents, 1u);
    }
}

TEST_F(PortSearchTest, PortVanishingWhileItOpensIsDroppedAtOnce) {
    world.Device(L"COM1").openDelay = 60000;
    List({L"COM1"});
    ASSERT_TRUE(search.RunPass(world));
    ASSERT_TRUE(HasPort(L"COM1"));
    List({});
    search.RequestRescan();
    ASSERT_TRUE(RunUntil([&] { return search.ProbeCount() == 0; }, 3));
    EXPECT_EQ(search.Events().size(), 1u);
    EXPECT_TRUE(Ports().empty());
    ASSERT_TRUE(Settle());  // the open's late return changes nothing
    EXPECT_TRUE(Ports().empty());
    EXPECT_EQ(world.Device(L"COM1").openPorts, 0);
}

TEST_F(PortSearchTest, LostLinkIsRetriedOnceThenReprobedAMinuteLater) {
    SimDevice& device = Reader(L"COM6");
    device.ioFails = true;
    List({L"COM6"});
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM6").has_value(); }));
    EXPECT_EQ(Port(L"COM6")->state, State(ProbeResult::LinkLost));
    // First attempt, the line reset before the retry, second attempt.
    EXPECT_EQ(device.ioFailures, 3);
    const uint32_t ended = Port(L"COM6")->tick;

    device.ioFails = false;
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM6")->state == State(ProbeResult::Identified); }));
    ASSERT_EQ(device.openTimes.size(), 2u);
    EXPECT_EQ(device.openTimes[1] - ended, 60000u);
}

TEST_F(PortSearchTest, NoTimedRetryForPortsThatAnsweredBadlyOrNotAtAll) {
    world.Device(L"COM1");                           // silent
    world.Device(L"COM2").reply = "S/N: 1 Build\r";  // garbled
    world.Device(L"COM3").missing = true;            // gone
    List({L"COM1", L"COM2", L"COM3"});
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Ports().size(), 3u);
    EXPECT_EQ(search.WaitTimeout(), kWaitForever);
    EXPECT_EQ(world.Device(L"COM1").openTimes.size(), 1u);
    EXPECT_EQ(world.Device(L"COM2").openTimes.size(), 1u);
    EXPECT_EQ(world.Device(L"COM3").openTimes.size(), 1u);
}

TEST_F(PortSearchTest, DeskAdapterIsAskedAtTheFastRate) {
    Reader(L"COM8");
    Reader(L"COM9");
    world.listed = {{L"COM8", 6}, {L"COM9", 2}};
    ASSERT_TRUE(Settle());
    EXPECT_EQ(world.Device(L"COM8").bauds, std::vector<uint32_t>{115200});
    EXPECT_EQ(world.Device(L"COM9").bauds, std::vector<uint32_t>{9600});
}

TEST_F(PortSearchTest, ThirtyTwoPortsProbeThirtyOneAtATimeLastFoundFirst) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= 32; ++i) names.push_back(L"COM" + std::to_wstring(i));
    List(names);
    Reader(L"COM32").replyDelay = 300;  // the only one that answers, and so finishes first

    ASSERT_TRUE(search.RunPass(world));
    ASSERT_EQ(search.ProbeCount(), 32u);
    EXPECT_FALSE(HasPort(L"COM1"));
    for (size_t i = 1; i < names.size(); ++i) EXPECT_TRUE(HasPort(names[i])) << i;
    EXPECT_EQ(search.Events().size(), CPortSearch::kMaxWaitHandles);
    EXPECT_TRUE(world.Device(L"COM1").openTimes.empty());

    ASSERT_TRUE(RunUntil([&] { return Port(L"COM32").has_value(); }));
    ASSERT_TRUE(RunUntil([&] { return HasPort(L"COM1"); }, 3));
    ASSERT_EQ(world.Device(L"COM1").openTimes.size(), 1u);
    EXPECT_EQ(world.Device(L"COM1").openTimes[0], Port(L"COM32")->tick);
    EXPECT_LE(search.Events().size(), CPortSearch::kMaxWaitHandles);

    ASSERT_TRUE(Settle());
    EXPECT_EQ(Ports().size(), 32u);
    EXPECT_EQ(world.openEvents, 1u);
}

}  // namespace
