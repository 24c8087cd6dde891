// The search worker's passes in simulated time: enumerations and their marks, vanished probes
// and ports, rescans, device-change bursts, change notifications and stopping.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/search/port_search_fixture.h"

namespace {

std::vector<std::wstring> Names(const std::vector<PortEntry>& ports) {
    std::vector<std::wstring> names;
    for (const PortEntry& port : ports) names.push_back(port.name);
    return names;
}

TEST_F(PortSearchTest, FirstPassEnumeratesAndListsInOrdinalOrder) {
    for (const wchar_t* name : {L"COM2", L"COM10", L"COM1"}) Reader(name);
    List({L"COM2", L"COM10", L"COM1"});
    ASSERT_TRUE(Settle());
    EXPECT_EQ(world.enumerations, 1);
    EXPECT_EQ(Names(Ports()), (std::vector<std::wstring>{L"COM1", L"COM10", L"COM2"}));
    EXPECT_GE(notifications, 1);
    EXPECT_LE(notifications, 3);
}

TEST_F(PortSearchTest, ManyChangesBeforeTheWorkerWakesAreReportedOnce) {
    // Missing ports: all three probes end in the first pass.
    for (const wchar_t* name : {L"COM1", L"COM2", L"COM3"}) world.Device(name).missing = true;
    List({L"COM1", L"COM2", L"COM3"});
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Ports().size(), 3u);
    EXPECT_EQ(notifications, 1);
}

TEST_F(PortSearchTest, ListedPortsAreNotProbedAgainByLaterEnumerations) {
    Reader(L"COM3");
    List({L"COM3"});
    ASSERT_TRUE(Settle());
    search.RequestRescan();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(world.enumerations, 2);
    EXPECT_EQ(world.Device(L"COM3").openTimes.size(), 1u);
    EXPECT_EQ(notifications, 1);
}

TEST_F(PortSearchTest, PortVanishingMidProbeLosesItsProbeAndBothEvents) {
    world.Device(L"COM4");  // silent: the probe waits for an answer
    world.Device(L"COM7");
    List({L"COM4", L"COM7"});
    ASSERT_TRUE(RunUntil([&] { return HasPort(L"COM4") && world.Device(L"COM4").requestTimes.size() == 1; }));
    const std::vector<EventHandle> before = search.Events();
    ASSERT_EQ(before.size(), 5u);
    const auto firstOfCom4 = std::find(before.begin(), before.end(), search.Probes()[0].events[0].Get());
    ASSERT_NE(firstOfCom4, before.end());
    const std::vector<EventHandle> com4Events(firstOfCom4, firstOfCom4 + 2);

    List({L"COM7"});
    world.SendMessageToWorker([&] { search.RequestRescan(); });  // the device-change broadcast
    ASSERT_TRUE(RunUntil([&] { return !Probing(L"COM4"); }, 3));

    EXPECT_EQ(search.Events().size(), 3u);
    for (EventHandle event : com4Events) {
        EXPECT_TRUE(world.closedEvents.count(event));
        EXPECT_EQ(std::count(search.Events().begin(), search.Events().end(), event), 0);
    }
    EXPECT_EQ(world.Device(L"COM4").openPorts, 0);
    EXPECT_TRUE(HasPort(L"COM7"));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Names(Ports()), std::vector<std::wstring>{L"COM7"});
}

TEST_F(PortSearchTest, VanishedPortLeavesTheListAndIsReported) {
    world.Device(L"COM4").missing = true;  // its probe ends at once with a port error
    Reader(L"COM5");
    List({L"COM4", L"COM5"});
    ASSERT_TRUE(Settle());
    ASSERT_EQ(Ports().size(), 2u);
    const int before = notifications;

    List({L"COM5"});
    search.RequestRescan();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Names(Ports()), std::vector<std::wstring>{L"COM5"});
    EXPECT_EQ(notifications, before + 1);
}

TEST_F(PortSearchTest, DeviceChangeBurstCausesOneEnumerationPerPass) {
    List({});
    ASSERT_TRUE(Settle());
    ASSERT_EQ(world.enumerations, 1);
    for (int i = 0; i < 10; ++i) world.SendMessageToWorker([&] { search.RequestRescan(); });

    ASSERT_TRUE(search.RunPass(world));  // wakes for the messages and delivers them all
    EXPECT_EQ(world.enumerations, 1);
    ASSERT_TRUE(search.RunPass(world));
    EXPECT_EQ(world.enumerations, 2);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(world.enumerations, 2);
}

TEST_F(PortSearchTest, RescanEmptiesTheListAtOnceAndProbesListedPortsAgain) {
    Reader(L"COM1");
    world.Device(L"COM2");  // silent: still probing when the rescan comes
    List({L"COM1", L"COM2"});
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM1").has_value() && Probing(L"COM2"); }));
    const int before = notifications;

    search.Rescan();
    EXPECT_TRUE(Ports().empty());
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Names(Ports()), (std::vector<std::wstring>{L"COM1", L"COM2"}));
    EXPECT_EQ(world.Device(L"COM1").openTimes.size(), 2u);
    EXPECT_EQ(world.Device(L"COM2").openTimes.size(), 1u);  // its running probe finished, listed once
    EXPECT_GT(notifications, before);
}

TEST_F(PortSearchTest, SearchAllIsHandedToTheEnumerationAndTriggersOne) {
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(world.lastSearchAll);
    search.SetSearchAll(true);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(world.enumerations, 2);
    EXPECT_TRUE(world.lastSearchAll);
}

TEST_F(PortSearchTest, FailedEnumerationKeepsTheListAndProbes) {
    Reader(L"COM1");
    world.Device(L"COM2");
    List({L"COM1", L"COM2"});
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM1").has_value() && HasPort(L"COM2"); }));
    world.enumerationError = true;
    search.RequestRescan();
    ASSERT_TRUE(search.RunPass(world));
    EXPECT_EQ(Names(Ports()), std::vector<std::wstring>{L"COM1"});
    EXPECT_TRUE(Probing(L"COM2"));
    world.enumerationError = false;
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Ports().size(), 2u);
}

TEST_F(PortSearchTest, ProbeStartsOnceTheSystemHasEventsAgainWithoutSpinningMeanwhile) {
    Reader(L"COM1");
    List({L"COM1"});
    world.eventLimit = 1 + 1;  // the second event of the probe fails
    ASSERT_TRUE(search.RunPass(world));
    EXPECT_FALSE(HasPort(L"COM1"));
    EXPECT_EQ(world.openEvents, 1u);  // the one made for it was closed again
    EXPECT_EQ(search.Events().size(), 1u);

    // While events stay short the worker tries again about once a second, no more often.
    int passes = 0;
    const uint64_t start = world.Elapsed();
    while (world.Elapsed() - start < 4000 && !world.waitedForever) {
        ASSERT_TRUE(search.RunPass(world));
        ++passes;
    }
    EXPECT_FALSE(world.waitedForever);
    EXPECT_GE(passes, 3);
    EXPECT_LE(passes, 5);
    world.eventLimit = SIZE_MAX;
    ASSERT_TRUE(RunUntil([&] { return HasPort(L"COM1"); }, 2));
    ASSERT_TRUE(RunUntil([&] { return Port(L"COM1").has_value(); }));
    EXPECT_EQ(Port(L"COM1")->state, State(ProbeResult::Identified));
}

TEST_F(PortSearchTest, StopIsAnsweredWithinOnePassWhileEveryProbeWaits) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= 21; ++i) names.push_back(L"COM" + std::to_wstring(i));
    List(names);  // every device silent
    ASSERT_TRUE(RunUntil([&] { return world.Device(L"COM1").requestTimes.size() == 1; }));
    const int enumerations = world.enumerations;

    world.After(100, [&] { search.RequestStop(); });
    const uint64_t start = world.Elapsed();
    int passes = 0;
    while (search.RunPass(world)) ++passes;
    EXPECT_LE(passes, 21 * 2);  // the outstanding write completions, then the wake
    EXPECT_EQ(world.Elapsed() - start, 100u);
    EXPECT_EQ(world.enumerations, enumerations);
    // The worker lets go of every port before it ends, not the search object whenever it goes.
    for (const std::wstring& name : names) EXPECT_EQ(world.Device(name).openPorts, 0);
    EXPECT_EQ(search.Events().size(), 1u);
    EXPECT_FALSE(search.RunPass(world));
}

TEST_F(PortSearchTest, EndingTheSearchClosesEveryPortAndEvent) {
    world.Device(L"COM1");
    world.Device(L"COM2");
    {
        CPortSearch other({world, world, world});
        other.Begin();
        world.listed = {{L"COM1", 0}, {L"COM2", 0}};
        ASSERT_TRUE(other.RunPass(world));
        EXPECT_EQ(world.Device(L"COM1").openPorts, 1);
    }
    EXPECT_EQ(world.Device(L"COM1").openPorts, 0);
    EXPECT_EQ(world.Device(L"COM2").openPorts, 0);
    EXPECT_EQ(world.openEvents, 1u);  // this fixture's own search still holds its wake event
}

}  // namespace
