// The block test cycle against a reader with one Classic card: what goes on the wire, what is
// counted and what is logged.
#include <gtest/gtest.h>

#include <functional>

#include "foundation/classic_card.h"
#include "tests/reader/session_driver.h"
#include "tests/reader/fake_classic_reader.h"
#include "tests/reader/scripted_reader.h"
#include "tests/support/catalogue_language.h"
#include "ui/reader_event_text.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Block = std::array<uint8_t, 16>;

class BlockTestTest : public ::testing::Test {
protected:
    BlockTestTest() {
        UseCatalogueLanguage(TestLanguage::English);
        reader.identAnswer = IdentLine("811", "1.8.0");
        reader.responder = card.AsResponder();
        thread.shared.utcClock = [] { return CalendarMilliseconds({2026, 12, 8, 16, 40, 5, 0}); };
    }

    // Connects, starts the test at 100 ms and stops the loop at `ms`.
    void RunTest(const TestParameters& parameters, uint32_t ms) {
        platform.clock.After(100, [this, parameters] {
            testStart = static_cast<uint32_t>(platform.clock.Elapsed());
            thread.StartTest(parameters);
        });
        platform.clock.After(ms, [this] { thread.RequestStop(); });
        thread.Run(L"COM7");
        status = thread.shared.Read();
        log = LogLines(status);  // in the language of the run
        record = thread.shared.ReadRecord();
    }

    ScriptedReader reader;
    FakeClassicReader card;
    CScriptedPlatform platform{reader};
    CSessionDriver thread{platform};
    uint32_t testStart = 0;
    ReaderSnapshot status;
    std::vector<std::wstring> log;  // status's events as log lines
    CTestRecord record;
};

TestParameters Parameters(int block, uint64_t key = kClassicTransportKey, bool keyB = false,
                          bool readerKeys = false) {
    return TestParameters{block, key, keyB, readerKeys};
}

TEST(BlockGeometryTest, SectorsAndTrailers) {
    struct Case {
        uint8_t block;
        int sector;
        bool trailer;
    };
    for (const Case& c :
         {Case{0, 0, false}, Case{3, 0, true}, Case{4, 1, false}, Case{127, 31, true}, Case{128, 32, false},
          Case{142, 32, false}, Case{143, 32, true}, Case{144, 33, false}, Case{159, 33, true},
          Case{254, 39, false}, Case{255, 39, true}}) {
        const BlockPlace place = PlaceOfBlock(c.block);
        EXPECT_EQ(place.sector, c.sector) << int(c.block);
        EXPECT_EQ(place.trailer, c.trailer) << int(c.block);
    }
}

TEST(Counter128Test, IncrementsLittleEndianAndWraps) {
    Block allOnes;
    allOnes.fill(0xFF);
    Counter128 counter = Counter128::FromBytes(allOnes.data());
    counter.Increment();
    EXPECT_EQ(counter.ToBytes(), Block{});
    Block low{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07};
    counter = Counter128::FromBytes(low.data());
    counter.Increment();
    EXPECT_EQ(counter.ToBytes(), (Block{0, 0, 0, 0, 0, 0, 0, 0, 0x08}));
}

class TrailerTest : public BlockTestTest, public ::testing::WithParamInterface<int> {};

TEST_P(TrailerTest, TrailerIsRefusedOnceAndNeverWritten) {
    RunTest(Parameters(GetParam()), 3000);
    EXPECT_TRUE(SentSince(reader, testStart, 0x52).empty());
    EXPECT_TRUE(SentSince(reader, testStart, 0x50).empty());
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Writing to the block print is not allowed."}));
    EXPECT_EQ(status.errors, 0);
    EXPECT_EQ(status.written, 0);
}

INSTANTIATE_TEST_SUITE_P(Blocks, TrailerTest, ::testing::Values(3, 7, 127, 143, 159, 255));

TEST_F(BlockTestTest, HighSectorBlockIsAuthenticatedWrittenAndReadBack) {
    RunTest(Parameters(128), 300);
    const std::vector<SentCommand> auths = SentSince(reader, testStart, 0x50);
    ASSERT_EQ(auths.size(), 1u);
    EXPECT_EQ(auths[0].payload, (Bytes{0x02, 128, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_GT(status.written, 10);
    EXPECT_EQ(status.errors, 0);
    EXPECT_EQ(card.blocks[128], thread.CurrentCounter().ToBytes());
}

TEST_F(BlockTestTest, AllOnesWrapsToZero) {
    card.blocks[5].fill(0xFF);
    RunTest(Parameters(5), 300);
    const std::vector<SentCommand> writes = SentSince(reader, testStart, 0x52);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes[0].payload, (Bytes{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(BlockTestTest, IncrementIsLittleEndianAndCountsWrites) {
    card.blocks[1] = Block{0x01};
    RunTest(Parameters(1), 300);
    const std::vector<SentCommand> writes = SentSince(reader, testStart, 0x52);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0].payload, (Bytes{1, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[1].payload, (Bytes{1, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(status.written, static_cast<int>(writes.size()));
    EXPECT_EQ(card.blocks[1], thread.CurrentCounter().ToBytes());
    EXPECT_TRUE(log.empty());
    // The record: every written value read back (the last maybe not before the stop), the run's
    // setup and its time.
    EXPECT_GE(record.verified + 1, writes.size());
    EXPECT_LE(record.verified, writes.size());
    EXPECT_EQ(record.longestCleanRun, record.verified);
    EXPECT_EQ(record.errorEvents, 0u);
    EXPECT_EQ(record.setup.port, L"COM7");
    EXPECT_EQ(record.setup.block, 1);
    EXPECT_EQ(record.setup.card.uidLength, 4);
    EXPECT_EQ(record.setup.reader.serial, thread.shared.ReadIdentity().serial);
    EXPECT_NE(record.setup.reader.serial, -1);
    EXPECT_EQ(record.startUtcMs, CalendarMilliseconds({2026, 12, 8, 16, 40, 5, 0}));
    EXPECT_EQ(record.elapsedMs, 200u);  // from the start at 100 ms to the stop at 300 ms
    EXPECT_FALSE(record.running);
    EXPECT_EQ(status.figures.elapsedMs, 200u);
    EXPECT_TRUE(status.figures.started);
}

struct KeyCase {
    bool keyB;
    bool readerKeys;
    Bytes payload;
};

class KeyModeTest : public BlockTestTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyModeTest, AuthenticationPayload) {
    const KeyCase& c = GetParam();
    RunTest(Parameters(9, 0xA0A1A2A3A4A5ull, c.keyB, c.readerKeys), 300);
    const std::vector<SentCommand> auths = SentSince(reader, testStart, 0x50);
    ASSERT_EQ(auths.size(), 1u);  // one sector: no second authentication
    EXPECT_EQ(auths[0].payload, c.payload);
    EXPECT_GT(status.written, 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, KeyModeTest,
                         ::testing::Values(KeyCase{false, false, {2, 9, 0xA5, 0xA4, 0xA3, 0xA2, 0xA1, 0xA0}},
                                           KeyCase{true, false, {3, 9, 0xA5, 0xA4, 0xA3, 0xA2, 0xA1, 0xA0}},
                                           KeyCase{false, true, {0, 9, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
                                           KeyCase{true, true, {1, 9, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}}));

TEST_F(BlockTestTest, SelectsAfterEachPollThenKeepsSelectionAndAuthentication) {
    RunTest(Parameters(1), 300);
    std::vector<uint8_t> codes;
    for (const SentCommand& c : reader.sent)
        if (c.time >= testStart)
            codes.push_back(c.command);
    ASSERT_GE(codes.size(), 12u);
    // The card poll left the card unselected: reset, select, authenticate, load, then cycles.
    EXPECT_EQ(Bytes(codes.begin(), codes.begin() + 10),
              (Bytes{0x23, 0x46, 0x50, 0x51, 0x52, 0x51, 0x52, 0x51, 0x52, 0x51}));
}

TEST_F(BlockTestTest, DesfireGivesOneNoCardLineAndNoTestCommands) {
    card.sak = 0x20;
    card.atqa = 0x0344;
    card.Override(0x48, ScriptedReply{2});  // a reader without the ATS request
    RunTest(Parameters(1), 3000);
    EXPECT_EQ(thread.shared.ReadCard().type, kCardDesfire);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"No card."}));
    for (const SentCommand& c : reader.sent) {
        if (c.time < testStart)
            continue;
        EXPECT_TRUE(c.command == 0x23 || c.command == 0x45 || c.command == 0x24 || c.command == 0x2F)
            << int(c.command);
    }
}

TEST_F(BlockTestTest, ReadBackMatchingOnSecondTryCountsOneWriteAndNoError) {
    int reads = 0;
    reader.responder = [this, &reads](const SentCommand& sent) -> std::optional<ScriptedReply> {
        if (sent.command == 0x51 && ++reads == 2)
            return ScriptedReply{0x55, Bytes(16, 0xEE)};
        return card.Respond(sent);
    };
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1)); });
    // One cycle: load, write, two read-backs; then stop the test.
    platform.clock.After(106, [this] { thread.shared.EndTest(); });
    platform.clock.After(500, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    status = thread.shared.Read();
    log = LogLines(status);  // in the language of the run
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(status.written, 1);
    EXPECT_EQ(status.errors, 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(BlockTestTest, ThreeDifferingReadBacksAreOneError) {
    card.Override(0x51, ScriptedReply{0x55, Bytes(16, 0)});  // the counter load
    for (int i = 0; i < 3; ++i) card.Override(0x51, ScriptedReply{0x55, Bytes(16, 0xEE)});
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1)); });
    platform.clock.After(107, [this] { thread.shared.EndTest(); });
    platform.clock.After(500, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    status = thread.shared.Read();
    log = LogLines(status);  // in the language of the run
    EXPECT_EQ(status.written, 1);
    EXPECT_EQ(status.errors, 1);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Values do not match"}));
    record = thread.shared.ReadRecord();
    EXPECT_EQ(record.mismatches, 1u);
    EXPECT_EQ(record.verified, 0u);
    EXPECT_EQ(record.elapsedMs, 7u);
    ASSERT_EQ(record.lines.size(), 1u);
    EXPECT_EQ(ReaderEventText(record.lines[0].event), L"Values do not match");
    EXPECT_EQ(record.lastErrorMs, record.lines[0].atMs);
}

struct StatusLogCase {
    const char* name;
    uint8_t command;
    int skipBefore;  // replies of that command to leave alone first
    int status;
    TestLanguage language;
    std::wstring line;
};

class StatusLogTest : public BlockTestTest, public ::testing::WithParamInterface<StatusLogCase> {};

TEST_P(StatusLogTest, UnexpectedStatusIsLoggedWithItsTextAndCounted) {
    const StatusLogCase& c = GetParam();
    QC_REQUIRE_CATALOGUE_LANGUAGE(c.language);
    int seen = 0;
    reader.responder = [this, &seen, &c](const SentCommand& sent) -> std::optional<ScriptedReply> {
        if (sent.command == c.command && sent.time >= 100 && seen++ == c.skipBefore)
            return ScriptedReply{c.status};
        return card.Respond(sent);
    };
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1)); });
    platform.clock.After(150, [this] { thread.shared.EndTest(); });
    platform.clock.After(500, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    status = thread.shared.Read();
    log = LogLines(status);  // in the language of the run
    UseCatalogueLanguage(TestLanguage::English);
    EXPECT_EQ(status.errors, 1);
    EXPECT_EQ(log, (std::vector<std::wstring>{c.line}));
    record = thread.shared.ReadRecord();
    EXPECT_EQ(record.cardErrors, (std::map<int, uint64_t>{{c.status, 1}}));
    EXPECT_EQ(record.errorEvents, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusLogTest,
    ::testing::Values(
        StatusLogCase{"EnglishWrite", 0x52, 0, 9, TestLanguage::English,
                      L"Write error 0x09: The card refused the command"},
        StatusLogCase{"RussianWrite", 0x52, 0, 9, TestLanguage::Russian,
                      L"Ошибка записи 0x09: Карта отказала в исполнении команды"},
        StatusLogCase{"EnglishWriteWithoutText", 0x52, 2, 0x42, TestLanguage::English, L"Write error 0x42: "},
        StatusLogCase{"EnglishRead", 0x51, 1, 3, TestLanguage::English, L"Read error 0x03: Invalid data"},
        StatusLogCase{"RussianRead", 0x51, 1, 3, TestLanguage::Russian,
                      L"Ошибка чтения 0x03: Неверные данные"}),
    [](const ::testing::TestParamInfo<StatusLogCase>& info) { return std::string(info.param.name); });

TEST_F(BlockTestTest, RefusedAuthenticationIsLoggedOnceAndNotCounted) {
    card.authStatus = 8;
    RunTest(Parameters(1), 3000);
    // Tried again once per poll period, about three times a second, never at line rate.
    EXPECT_GT(SentSince(reader, testStart, 0x50).size(), 3u);
    EXPECT_LE(SentSince(reader, testStart, 0x50).size(), 10u);
    EXPECT_TRUE(SentSince(reader, testStart, 0x52).empty());
    EXPECT_EQ(log, (std::vector<std::wstring>{L"MIFARE sector authorization error."}));
    EXPECT_EQ(status.errors, 0);
    // Every refusal counts in the record, though the line stands once.
    EXPECT_EQ(record.authRefusals, SentSince(reader, testStart, 0x50).size());
    EXPECT_EQ(record.lines.size(), 1u);
}

struct FailingSelectCase {
    const char* name;
    TestLanguage language;
    std::wstring first;
    std::wstring repeatsPrefix;
};

class FailingSelectTest : public BlockTestTest, public ::testing::WithParamInterface<FailingSelectCase> {};

// A select answered with a status the test does not handle, for four seconds: one line naming
// the failure, one with the number of its repeats once the reader answers again, card polls in
// between, and the test goes on.
TEST_P(FailingSelectTest, FailureIsLoggedOnceWithItsRepeatsAndTheTestGoesOn) {
    const FailingSelectCase& c = GetParam();
    QC_REQUIRE_CATALOGUE_LANGUAGE(c.language);
    reader.responder = [this](const SentCommand& sent) -> std::optional<ScriptedReply> {
        if (sent.command == 0x46 && sent.time >= 100 && sent.time < 4100)
            return ScriptedReply{7};
        return card.Respond(sent);
    };
    RunTest(Parameters(1), 6000);
    UseCatalogueLanguage(TestLanguage::English);
    const size_t selects = SentSince(reader, 0, 0x46).size();
    EXPECT_GE(selects, 12u);  // three a second while failing
    EXPECT_LE(selects, 16u);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], c.first);
    EXPECT_EQ(log[1].substr(0, c.repeatsPrefix.size()), c.repeatsPrefix);
    EXPECT_EQ(log[1].substr(log[1].size() - c.first.size()), c.first);
    EXPECT_EQ(status.errors, 0);
    // Card polls went on between the failing cycles.
    std::vector<SentCommand> searches;
    for (const SentCommand& sent : SentSince(reader, testStart, 0x45))
        if (sent.time < 4100)
            searches.push_back(sent);
    EXPECT_GE(searches.size(), 10u);
    EXPECT_GT(SentSince(reader, 4100, 0x52).size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, FailingSelectTest,
    ::testing::Values(FailingSelectCase{"English", TestLanguage::English,
                                        L"Command 0x46 failed with status 0x07: The card gave an unrecognised answer",
                                        L"Repeated 1"},
                      FailingSelectCase{"Russian", TestLanguage::Russian,
                                        L"Команда 0x46 не выполнена, статус 0x07: Карточка дала нераспознанный ответ",
                                        L"Повторов ещё 1"}),
    [](const ::testing::TestParamInfo<FailingSelectCase>& info) { return std::string(info.param.name); });

struct TroubleCase {
    const char* name;
    std::function<void(BlockTestTest&)> arrange;
    LinkTroubleCounts expected;
};

class TroubleCountTest : public BlockTestTest, public ::testing::WithParamInterface<TroubleCase> {
public:
    ScriptedReader& Reader() { return reader; }
    FakeClassicReader& Card() { return card; }
    CScriptedPlatform& Platform() { return platform; }
};

// What the written and error counters leave out is counted for the test record.
TEST_P(TroubleCountTest, LinkTroubleIsCountedNotAsErrors) {
    const TroubleCase& c = GetParam();
    c.arrange(*this);
    RunTest(Parameters(1), 12000);
    EXPECT_EQ(status.errors, 0);
    EXPECT_GT(status.written, 0);
    EXPECT_EQ(status.trouble.unverifiedCycles, c.expected.unverifiedCycles);
    EXPECT_EQ(status.trouble.timeouts, c.expected.timeouts);
    EXPECT_EQ(status.trouble.resentFrames, c.expected.resentFrames);
    EXPECT_EQ(status.trouble.reconnects, c.expected.reconnects);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TroubleCountTest,
    ::testing::Values(
        TroubleCase{"ReadBackTimedOut",
                    [](BlockTestTest& t) {
                        auto& card = static_cast<TroubleCountTest&>(t).Card();
                        card.Override(0x51, ScriptedReply{0x55, Bytes(16, 0)});  // the counter load
                        card.Override(0x51, std::nullopt);
                        card.Override(0x51, std::nullopt);
                    },
                    {1, 1, 1, 0}},
        TroubleCase{"ReadBackShort",
                    [](BlockTestTest& t) {
                        auto& card = static_cast<TroubleCountTest&>(t).Card();
                        card.Override(0x51, ScriptedReply{0x55, Bytes(16, 0)});
                        card.Override(0x51, ScriptedReply{0x55, Bytes(3, 0)});
                    },
                    {1, 0, 0, 0}},
        TroubleCase{"WriteReplyLostOnce",
                    [](BlockTestTest& t) { static_cast<TroubleCountTest&>(t).Card().Override(0x52, std::nullopt); },
                    {0, 0, 1, 0}},
        TroubleCase{"LinkLostAndMadeAgain",
                    [](BlockTestTest& t) {
                        auto& test = static_cast<TroubleCountTest&>(t);
                        test.Platform().clock.After(3000, [&test] { test.Reader().unplugged = true; });
                        test.Platform().clock.After(4000, [&test] { test.Reader().unplugged = false; });
                    },
                    {0, 0, 0, 1}}),
    [](const ::testing::TestParamInfo<TroubleCase>& info) { return std::string(info.param.name); });

TEST_F(BlockTestTest, TroubleCountsStartAgainWithEachTest) {
    card.Override(0x51, ScriptedReply{0x55, Bytes(16, 0)});
    card.Override(0x51, ScriptedReply{0x55, Bytes(3, 0)});
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1)); });
    platform.clock.After(200, [this] {
        EXPECT_EQ(thread.shared.Read().trouble.unverifiedCycles, 1u);
        thread.StartTest(Parameters(1));
    });
    platform.clock.After(300, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    EXPECT_EQ(thread.shared.Read().trouble.unverifiedCycles, 0u);
}

struct LeavingCase {
    const char* name;
    // Replies of the first cycle's block commands in order (nullopt: the card's own answer);
    // after them the card is gone.
    std::vector<std::pair<uint8_t, std::optional<ScriptedReply>>> replies;
};

class CardLeavingTest : public BlockTestTest, public ::testing::WithParamInterface<LeavingCase> {};

TEST_P(CardLeavingTest, OneNoCardLinePerCardRecordAndNoError) {
    const LeavingCase& c = GetParam();
    size_t next = 0;
    reader.responder = [this, &c, &next](const SentCommand& sent) -> std::optional<ScriptedReply> {
        if (sent.time >= 100 && (sent.command == 0x51 || sent.command == 0x52)) {
            if (next < c.replies.size() && c.replies[next].first == sent.command) {
                const std::optional<ScriptedReply>& reply = c.replies[next++].second;
                if (next == c.replies.size())
                    card.cardPresent = false;
                if (reply)
                    return reply;
            }
        }
        return card.Respond(sent);
    };
    RunTest(Parameters(1), 3000);
    // One line when the card stops answering; publishing the empty record adds none.
    EXPECT_EQ(log, (std::vector<std::wstring>{L"No card."}));
    EXPECT_EQ(status.errors, 0);
    EXPECT_EQ(thread.shared.ReadCard(), CardInfo{});
    EXPECT_EQ(record.noCardEvents, 1u);
    EXPECT_EQ(record.setup.card.uidLength, 4);  // the card the test ran on stays in the record
}

INSTANTIATE_TEST_SUITE_P(
    Moments, CardLeavingTest,
    ::testing::Values(LeavingCase{"MidWrite", {{0x51, std::nullopt}, {0x52, ScriptedReply{6}}}},
                      LeavingCase{"MidRead",
                                  {{0x51, std::nullopt}, {0x52, std::nullopt}, {0x51, ScriptedReply{6}}}},
                      LeavingCase{"BetweenReadBacks",
                                  {{0x51, std::nullopt},
                                   {0x52, std::nullopt},
                                   {0x51, ScriptedReply{0x55, Bytes(16, 0xEE)}},
                                   {0x51, ScriptedReply{6}}}}),
    [](const ::testing::TestParamInfo<LeavingCase>& info) { return std::string(info.param.name); });

TEST_F(BlockTestTest, ReaderKeysWithoutReplyDataIsABadReplyLoggedWhileTestRuns) {
    card.Override(0x50, ScriptedReply{0x55});
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1, 0, false, true)); });
    platform.clock.After(120, [this] { thread.shared.EndTest(); });
    platform.clock.After(500, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    status = thread.shared.Read();
    log = LogLines(status);  // in the language of the run
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Command 0x50: invalid reply from the reader."}));
    EXPECT_EQ(status.errors, 0);
    EXPECT_EQ(thread.shared.ReadState(), kDisconnected);  // after the stop only
}

TEST_F(BlockTestTest, ShortReadBackIsNeitherErrorNorLine) {
    card.Override(0x51, ScriptedReply{0x55, Bytes(16, 0)});  // the counter load
    card.Override(0x51, ScriptedReply{0x55, Bytes(3, 0)});
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1)); });
    platform.clock.After(104, [this] { thread.shared.EndTest(); });
    platform.clock.After(500, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    status = thread.shared.Read();
    log = LogLines(status);  // in the language of the run
    EXPECT_EQ(status.written, 1);
    EXPECT_EQ(status.errors, 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(BlockTestTest, TestStartResetsWrittenButNotErrorsAndCounterCarriesOver) {
    card.Override(0x52, ScriptedReply{9});
    platform.clock.After(100, [this] { thread.StartTest(Parameters(1)); });
    platform.clock.After(200, [this] { thread.shared.EndTest(); });
    platform.clock.After(300, [this] {
        EXPECT_EQ(thread.shared.Read().errors, 1);
        thread.StartTest(Parameters(2));
    });
    platform.clock.After(400, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    status = thread.shared.Read();
    log = LogLines(status);  // in the language of the run
    EXPECT_EQ(status.errors, 1);
    // The second test went on from the first test's counter instead of reading block 2.
    EXPECT_EQ(Counter128::FromBytes(card.blocks[2].data()), thread.CurrentCounter());
    EXPECT_GT(thread.CurrentCounter().low, static_cast<uint64_t>(status.written));
}

// The cards of the test in order, none laid on after Stop; the reader of the connection the
// test ran on, also when it started while connecting.
TEST_F(BlockTestTest, RecordNamesTheCardsAndReaderOfItsOwnTest) {
    const auto swapAt = [this](uint32_t ms, uint8_t firstByte) {
        platform.clock.After(ms, [this] { card.cardPresent = false; });
        platform.clock.After(ms + 400, [this, firstByte] {
            card.uid[0] = firstByte;
            card.cardPresent = true;
        });
    };
    thread.onStateChanged = [this] {
        if (thread.shared.ReadState() == kConnecting)
            thread.StartTest(Parameters(1));
    };
    swapAt(600, 0x11);  // laid on 1000 ms after the start
    platform.clock.After(2000, [this] { thread.shared.EndTest(); });
    swapAt(2100, 0x55);
    platform.clock.After(3500, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    record = thread.shared.ReadRecord();
    EXPECT_EQ(record.setup.reader.serial, 12345);
    ASSERT_EQ(record.cards.size(), 2u);
    EXPECT_EQ(record.cards[0].card.uid[0], 0x04);
    EXPECT_EQ(record.cards[1].card.uid[0], 0x11);
    EXPECT_NEAR(static_cast<double>(record.cards[1].atMs), 1000, 300);
    reader.identAnswer.clear();  // another port, where nothing answers
    platform.clock.After(500, [this] { thread.RequestStop(); });
    thread.Run(L"COM8");
    EXPECT_EQ(thread.shared.ReadIdentity().serial, -1);
    EXPECT_EQ(thread.shared.ReadRecord().setup.reader.serial, -1);
}

// "No card." stands once per card change, yet a second test without a card is no clean run.
TEST_F(BlockTestTest, EveryTestWithoutACardCountsTheMissingCard) {
    card.cardPresent = false;
    platform.clock.After(600, [this] { thread.StartTest(Parameters(1)); });
    RunTest(Parameters(1), 1500);  // the first test starts at 100 ms and logs the line
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(record.noCardEvents, 1u);
    EXPECT_EQ(record.errorEvents, 1u);
}

// Stop (and Start again) while a write is on its way: that cycle adds nothing to the next test,
// and once it has ended the page is told, and reads the stopped test's final counts.
TEST_F(BlockTestTest, ACycleInFlightAtStopBelongsToItsOwnTest) {
    for (const bool startAgain : {true, false}) {
        bool stopped = false;
        std::vector<int32_t> writtenAtNotice;
        const uint64_t from = platform.clock.Elapsed() + 150;
        reader.responder = [&, this](const SentCommand& sent) -> std::optional<ScriptedReply> {
            if (sent.command != 0x52 || sent.time < from || stopped)
                return card.Respond(sent);
            stopped = true;
            thread.shared.EndTest();
            if (startAgain)
                thread.StartTest(Parameters(1));
            return startAgain ? ScriptedReply{9} : card.Respond(sent);
        };
        thread.onStateChanged = [&, this] {
            if (stopped && thread.shared.ReadState() == kConnected)
                writtenAtNotice.push_back(thread.shared.Read().written);
        };
        RunTest(Parameters(1), 300);
        EXPECT_TRUE(log.empty()) << startAgain;
        EXPECT_EQ(status.errors + record.errorEvents, 0u) << startAgain;
        ASSERT_FALSE(writtenAtNotice.empty()) << startAgain;  // with a test started again, at the end
        EXPECT_EQ(static_cast<uint64_t>(writtenAtNotice[0]), record.verified) << startAgain;
    }
}

}  // namespace

// A plan ends the test by itself, as Stop would, at the cycle or error that reaches it.
struct PlanCase {
    const char* name;
    TestPlan plan;
    int failWriteEvery;  // 0: no write fails
    uint64_t verified;
    uint64_t errors;
    PlanOutcome outcome;
};

class PlanTest : public BlockTestTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(PlanTest, PlanEndsTheTestAsStopDoes) {
    const PlanCase& c = GetParam();
    int writes = 0;
    reader.responder = [this, &writes, &c](const SentCommand& sent) -> std::optional<ScriptedReply> {
        if (sent.command == 0x52 && c.failWriteEvery != 0 && ++writes % c.failWriteEvery == 0)
            return ScriptedReply{9};
        return card.Respond(sent);
    };
    platform.clock.After(100, [this, &c] { thread.StartTest(Parameters(1), c.plan); });
    platform.clock.After(100 + 70000, [this] { thread.RequestStop(); });
    thread.Run(L"COM7");
    record = thread.shared.ReadRecord();
    EXPECT_FALSE(thread.shared.TestRunning());
    EXPECT_EQ(record.outcome, c.outcome);
    EXPECT_EQ(record.verified, c.verified);
    EXPECT_EQ(record.errorEvents, c.errors);
    EXPECT_LT(record.elapsedMs, 60000u);  // ended well before the run's end
    if (c.errors != 0) {
        EXPECT_EQ(record.firstError, ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9));
    }
}

TestPlan Plan(PlanKind kind, uint64_t value = 0) {
    TestPlan plan;
    plan.kind = kind;
    SetPlanValue(plan, value);
    return plan;
}

INSTANTIATE_TEST_SUITE_P(
    Plans, PlanTest,
    ::testing::Values(PlanCase{"CyclesClean", Plan(PlanKind::kCycles, 25), 0, 25, 0, PlanOutcome::kPassed},
                      PlanCase{"CyclesWithAnError", Plan(PlanKind::kCycles, 25), 10, 25, 2, PlanOutcome::kFailed},
                      PlanCase{"FirstError", Plan(PlanKind::kFirstError), 7, 6, 1, PlanOutcome::kFailed},
                      PlanCase{"ThreeErrors", Plan(PlanKind::kErrors, 3), 4, 9, 3, PlanOutcome::kFailed}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });
