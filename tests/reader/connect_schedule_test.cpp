// The reader session's loop in simulated time: connect attempts, line speed, polls,
// keep-alive, stop and unplug.
#include <gtest/gtest.h>

#include "tests/reader/session_driver.h"
#include "testing/emulator/emu_platform.h"
#include "tests/reader/fake_classic_reader.h"
#include "tests/reader/scripted_reader.h"

namespace {

struct StateChange {
    uint32_t time;
    int32_t state;
};

class ConnectScheduleTest : public ::testing::Test {
protected:
    explicit ConnectScheduleTest(ConnectSchedule schedule = {}) : thread(platform, kReaderLink, schedule) {
        reader.identAnswer = IdentLine("811", "1.8.0");
        reader.responder = card.AsResponder();
        thread.onStateChanged = [this] { states.push_back({platform.clock.Now(), thread.shared.ReadState()}); };
    }

    // Runs the loop on this thread until `ms` of simulated time have passed.
    void RunFor(uint32_t ms) {
        platform.clock.After(ms, [this] { thread.RequestStop(); });
        thread.Run(L"COM7");
    }

    std::vector<uint32_t> TimesOfState(int32_t state) const {
        std::vector<uint32_t> times;
        for (const StateChange& change : states)
            if (change.state == state)
                times.push_back(change.time);
        return times;
    }

    ScriptedReader reader;
    FakeClassicReader card;
    CScriptedPlatform platform{reader};
    CSessionDriver thread;
    std::vector<StateChange> states;
};

using Bytes = std::vector<uint8_t>;

TEST_F(ConnectScheduleTest, FirstAttemptAtOnceConnectsAndSwitchesOffOnStop) {
    RunFor(1000);
    ASSERT_FALSE(reader.sent.empty());
    EXPECT_EQ(reader.sent.front().time, 0u);
    EXPECT_EQ(reader.sent.front().command, 0x2F);
    EXPECT_EQ(reader.sent.front().payload, (Bytes{0x01, 0x04}));  // model 2, firmware 1.8.0: 115200
    EXPECT_EQ(reader.baudChanges.back(), 115200u);
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0].state, kConnecting);
    EXPECT_EQ(states[1].state, kConnected);
    EXPECT_EQ(states[2].state, kDisconnected);
    EXPECT_EQ(reader.sent.back().command, 0x2F);
    EXPECT_EQ(reader.sent.back().payload, (Bytes{0x00, 0x80}));
    EXPECT_EQ(thread.shared.ReadIdentity().model, 2);
    EXPECT_EQ(thread.shared.ReadIdentity().serial, 12345);
}

TEST_F(ConnectScheduleTest, FailedAttemptRepeatsFiveSecondsAfterItBegan) {
    reader.open = ScriptedReader::OpenBehaviour::Missing;
    RunFor(12000);
    EXPECT_EQ(TimesOfState(kConnecting), (std::vector<uint32_t>{0, 5000, 10000}));
    EXPECT_EQ(TimesOfState(kConnected).size(), 0u);
    EXPECT_EQ(thread.LastError(), kErrPortFailure);
}

TEST_F(ConnectScheduleTest, BusyPortIsNotAConnection) {
    reader.open = ScriptedReader::OpenBehaviour::Busy;
    RunFor(4000);
    EXPECT_TRUE(TimesOfState(kConnected).empty());
    // Two open attempts 1000 ms apart, then back to Disconnected.
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[1].state, kDisconnected);
    EXPECT_EQ(states[1].time, 2000u);
    EXPECT_EQ(thread.LastError(), kErrPortFailure);
    EXPECT_TRUE(reader.sent.empty());
}

TEST_F(ConnectScheduleTest, SilentReaderIsNotAConnection) {
    reader.identAnswer.clear();
    reader.responder = nullptr;
    RunFor(12000);
    EXPECT_TRUE(TimesOfState(kConnected).empty());
    EXPECT_EQ(thread.LastError(), kErrNoReply);
    // Two queries of 5000 ms each at 9600 baud, then a link end at 115200 (the fastest speed
    // this driver has) in case the reader was left there, answered by nobody.
    ASSERT_EQ(reader.sent.size(), 1u);
    EXPECT_EQ(reader.sent[0].time, 10000u);
    EXPECT_EQ(reader.sent[0].payload, (Bytes{0x00, 0x80}));
    EXPECT_EQ(reader.baudChanges, (std::vector<uint32_t>{9600, 115200, 9600}));
    // (The link end takes 1 ms on the line.)
    EXPECT_EQ(TimesOfState(kDisconnected).front(), 10001u + CReaderSession::kLinkEndWait);
}

TEST_F(ConnectScheduleTest, UnsupportedModelIsRejectedWithNotification) {
    reader.identAnswer = IdentLine("303", "1.0");  // model 5
    RunFor(6000);
    EXPECT_EQ(thread.shared.ReadIdentity().model, 5);
    EXPECT_EQ(thread.LastError(), kErrUnsupportedModel);
    EXPECT_EQ(TimesOfState(kConnecting), (std::vector<uint32_t>{0, 5000}));
    EXPECT_EQ(TimesOfState(kDisconnected).size(), 2u);
    EXPECT_TRUE(reader.sent.empty());
}

TEST_F(ConnectScheduleTest, PollsEvery333MsAndNoKeepAliveWhilePolling) {
    RunFor(20000);
    const std::vector<SentCommand> searches = SentSince(reader, 0, 0x45);
    ASSERT_GE(searches.size(), 55u);
    for (size_t i = 1; i < searches.size(); ++i) {
        const uint32_t gap = searches[i].time - searches[i - 1].time;
        EXPECT_GE(gap, 333u);
        EXPECT_LE(gap, 350u);  // the wait starts after the poll's own commands
    }
    for (const SentCommand& c : SentSince(reader, 0, 0x2F)) EXPECT_NE(c.payload, (Bytes{0x01, 0x80}));
}

TEST_F(ConnectScheduleTest, StopDuringReplyWaitEndsAtOnceWithSwitchOff) {
    // Connected at 0; the poll at about 333 ms gets no answer; stop 1000 ms into the wait.
    card.Override(0x23, ScriptedReply{});  // the connect poll's reset
    card.Override(0x23, std::nullopt);
    RunFor(1400);
    EXPECT_LT(platform.clock.Elapsed(), 2000u);
    EXPECT_EQ(reader.sent.back().command, 0x2F);
    EXPECT_EQ(reader.sent.back().payload, (Bytes{0x00, 0x80}));
    EXPECT_EQ(states.back().state, kDisconnected);
}

TEST_F(ConnectScheduleTest, UnplugDisconnectsWithoutSwitchOffAndReplugReconnects) {
    platform.clock.After(3000, [this] { reader.unplugged = true; });
    platform.clock.After(16000, [this] { reader.unplugged = false; });
    RunFor(30000);
    const std::vector<uint32_t> connected = TimesOfState(kConnected);
    ASSERT_EQ(connected.size(), 2u);
    EXPECT_LE(connected[0], 20u);
    EXPECT_GE(connected[1], 16000u);
    EXPECT_LE(connected[1], 21000u);
    // The first disconnect follows the unplug at once and sends nothing.
    const std::vector<uint32_t> disconnected = TimesOfState(kDisconnected);
    ASSERT_GE(disconnected.size(), 2u);
    EXPECT_LE(disconnected[0], 3400u);
    for (const SentCommand& c : SentSince(reader, 0, 0x2F)) {
        if (c.time < 29000) {
            EXPECT_NE(c.payload, (Bytes{0x00, 0x80}));
        }
    }
    // Reconnect attempts every 5000 ms while unplugged.
    const std::vector<uint32_t> attempts = TimesOfState(kConnecting);
    ASSERT_GE(attempts.size(), 3u);
    EXPECT_EQ(attempts[2] - attempts[1], 5000u);
}

TEST_F(ConnectScheduleTest, PortOfAFailedConnectIsReleasedWhenStopped) {
    reader.identAnswer = IdentLine("303", "1.0");
    RunFor(1000);
    reader.identAnswer = IdentLine("811", "1.8.0");
    platform.clock.After(1000, [this] { thread.RequestStop(); });
    thread.Run(L"COM9");
    ASSERT_EQ(reader.openedNames.size(), 2u);
    EXPECT_EQ(reader.openedNames[1], L"COM9");
}

class KeepAliveTest : public ConnectScheduleTest {
protected:
    KeepAliveTest() : ConnectScheduleTest(ConnectSchedule{5000, 100000, 18000}) {}
};

TEST_F(KeepAliveTest, KeepAliveAfter18SecondsWithoutCommands) {
    RunFor(40000);
    std::vector<uint32_t> keepAlives;
    for (const SentCommand& c : SentSince(reader, 0, 0x2F))
        if (c.payload == Bytes{0x01, 0x80})
            keepAlives.push_back(c.time);
    // The connect's last command (the end of its poll) goes out at about 10 ms.
    ASSERT_EQ(keepAlives.size(), 2u);
    EXPECT_GE(keepAlives[0], 18000u);
    EXPECT_LE(keepAlives[0], 18020u);
    EXPECT_GE(keepAlives[1] - keepAlives[0], 18000u);
    EXPECT_LE(keepAlives[1] - keepAlives[0], 18002u);
}

struct SpeedCase {
    const char* code;
    const char* firmware;
    uint32_t maxBaud;
    Bytes linkStart;
    uint32_t finalBaud;
};

class LineSpeedTest : public ConnectScheduleTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(LineSpeedTest, SpeedFollowsModelFirmwareAndDriver) {
    const SpeedCase& c = GetParam();
    reader.identAnswer = IdentLine(c.code, c.firmware);
    reader.maxBaud = c.maxBaud;
    RunFor(500);
    ASSERT_FALSE(reader.sent.empty());
    EXPECT_EQ(reader.sent.front().payload, c.linkStart);
    EXPECT_EQ(reader.baudChanges.back(), c.finalBaud);
    EXPECT_EQ(TimesOfState(kConnected).size(), 1u);
}

// A reader that a program left at a fast line speed, or that an attempt left there when it
// failed after the switch, against the emulator, which hears only its own line speed.
struct StrandedCase {
    const char* name;
    uint32_t hardwareCode;
    const char* firmware;
    uint32_t readerBaud;     // where the reader listens when the program starts
    int dropFastReplies;     // replies lost at the fast speed (the first connect fails)
    uint32_t connectedBy;    // ms
    size_t identQueries;     // heard by the reader (not those at another speed)
    uint8_t firstLinkMode;   // of the first command it heard: 1 link start, 0 link end
    uint32_t portRefusesAbove = 0;  // the driver claims every rate but refuses those above this
};

class StrandedReaderTest : public ::testing::TestWithParam<StrandedCase> {};

TEST_P(StrandedReaderTest, IsFoundAgainWithinOneReconnectPeriodPlusIdentification) {
    const StrandedCase& c = GetParam();
    CEmuPlatform platform;
    platform.reader.identity.hardwareCode = c.hardwareCode;
    platform.reader.identity.firmware = c.firmware;
    platform.reader.SetBaud(c.readerBaud);
    platform.reader.faults.dropFastReplies = c.dropFastReplies;
    platform.reader.PutCard(EmuCard::Classic(ClassicKind::K1, {0x04, 0xA1, 0xB2, 0xC3}));
    platform.configurePort = [&c](CEmuPort& port) { port.refusesAbove = c.portRefusesAbove; };
    CSessionDriver thread(platform);
    uint64_t connectedAt = 0;
    thread.onStateChanged = [&] {
        if (thread.shared.ReadState() == kConnected && connectedAt == 0)
            connectedAt = platform.clock.Elapsed();
    };
    platform.clock.After(40000, [&] { thread.RequestStop(); });
    thread.Run(L"COM7");
    ASSERT_NE(connectedAt, 0u);
    EXPECT_LE(connectedAt, c.connectedBy);
    EXPECT_EQ(platform.reader.identQueries, c.identQueries);
    ASSERT_FALSE(platform.reader.commands.empty());
    EXPECT_EQ(platform.reader.commands[0].command, 0x2F);
    EXPECT_EQ(platform.reader.commands[0].payload.at(0), c.firstLinkMode);
    // The program's own switch-off at the end leaves the reader where a new start looks first.
    EXPECT_EQ(platform.reader.Baud(), 9600u);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, StrandedReaderTest,
    ::testing::Values(
        // At 9600 the reader sees one query and is connected at once, as ever.
        StrandedCase{"AtIdentSpeed", 0x811, "1.8.0", 9600, 0, 50, 1, 1},
        // Two silent queries (10 s), the link end at 115200, then the query at 9600 again.
        StrandedCase{"At115200", 0x811, "1.8.0", 115200, 0, 10000 + 600, 1, 0},
        // The 115200 probe goes unanswered (500 ms) before the one at 230400.
        StrandedCase{"At230400", 0x903, "2.10", 230400, 0, 10000 + 1100, 1, 0},
        // The first poll at 115200 is lost twice (10 s): the attempt switches the link off at
        // 115200, and the next one, 5 s on, finds the reader at 9600 at once.
        StrandedCase{"ConnectFailedAfterSwitch", 0x811, "1.8.0", 9600, 2, 10000 + 5000 + 600, 2, 1},
        // The port takes no 230400 although its driver claims it: the reader is asked for 115200.
        StrandedCase{"DriverRefuses230400", 0x903, "2.10", 9600, 0, 50, 1, 1, 115200}),
    [](const ::testing::TestParamInfo<StrandedCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Models, LineSpeedTest,
    ::testing::Values(SpeedCase{"811", "1.8.0", 115200, {0x01, 0x04}, 115200},  // model 2
                      SpeedCase{"811", "1.9.0", 115200, {0x01, 0x80}, 9600},    // model 2, other firmware
                      SpeedCase{"20498", "1.0", 115200, {0x01, 0x04}, 115200},  // model 3
                      SpeedCase{"20496", "1.0", 115200, {0x01, 0x04}, 115200},  // model 11
                      SpeedCase{"F11", "3.0", 230400, {0x01, 0x80}, 9600},      // model 9
                      SpeedCase{"903", "2.9", 230400, {0x01, 0x80}, 9600},      // model 8 below 2.10
                      SpeedCase{"903", "2.10", 230400, {0x01, 0x05}, 230400},   // model 8, fast driver
                      SpeedCase{"903", "2.10", 115200, {0x01, 0x04}, 115200},   // model 8, slower driver
                      SpeedCase{"903", "3.0", 230400, {0x01, 0x05}, 230400}));

}  // namespace
