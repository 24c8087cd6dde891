// Card detection over the card families, each with the exact command sequence of its poll, and
// the poll's publishing and indication rules.
#include <gtest/gtest.h>

#include "reader/card_commands.h"
#include "tests/reader/session_driver.h"
#include "tests/reader/fake_classic_reader.h"
#include "tests/reader/scripted_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Step {
    uint8_t command;
    Bytes payload;
    int status;
    Bytes reply;
};

const Bytes kUid{0x04, 0xA1, 0xB2, 0xC3};

Bytes Search(uint16_t atqa, uint8_t sak, const Bytes& uid = kUid) {
    Bytes reply{static_cast<uint8_t>(atqa & 0xFF), static_cast<uint8_t>(atqa >> 8), sak};
    reply.insert(reply.end(), uid.begin(), uid.end());
    return reply;
}

Step SearchStep(uint16_t atqa, uint8_t sak) {
    return {0x45, {0x00}, 0x55, Search(atqa, sak)};
}
Step Ats(int status, Bytes ats = {}) {
    return {0x48, {0x00}, status, std::move(ats)};
}
Step GetVersion(int status, Bytes reply = {}) {
    return {0x6E, {0x01, 0x60}, status, std::move(reply)};
}
// A GetVersion answer: product type, version major.minor, storage size code.
Bytes Version(uint8_t product, uint8_t major, uint8_t minor, uint8_t storage) {
    return {0x00, 0x04, product, 0x01, major, minor, storage, 0x05};
}
Step LevelProbe(int status, Bytes reply = {}) {
    Bytes payload{0x13, 0xA8, 0x00, 0x90};
    payload.insert(payload.end(), kPlusAesTransportKey.begin(), kPlusAesTransportKey.end());
    return {0x6E, payload, status, std::move(reply)};
}
Step Level3Probe(int status, Bytes reply = {}) {
    return {0x6E, {0x01, 0x48}, status, std::move(reply)};
}
Step Reset() {
    return {0x23, {0x00, 0x0A, 0x00}, 0x55, {}};
}
Step Select(int status) {
    Bytes payload{0x81};
    payload.insert(payload.end(), kUid.begin(), kUid.end());
    return {0x46, payload, status, {}};
}
Step ClassicAuth(uint8_t block, int status) {
    Bytes payload{0x02, block};
    payload.insert(payload.end(), kClassicTransportKeyBytes.begin(), kClassicTransportKeyBytes.end());
    return {0x50, payload, status, {0x00}};
}
Step AesAuth(uint8_t addressLow, int status) {
    Bytes payload{0x02, addressLow, 0x40};
    payload.insert(payload.end(), kPlusAesTransportKey.begin(), kPlusAesTransportKey.end());
    return {0x60, payload, status, {}};
}

const Bytes kAtsUnknown{0x0C, 0x75, 0x77, 0x80, 0x02, 0xC1, 0x05, 0x2F, 0x2F, 0x11, 0x22, 0x33};
const Bytes kAtsShort{0x05, 0x75, 0x77, 0x80, 0x02};
const Bytes kAtsPlusS{0x0C, 0x75, 0x77, 0x80, 0x02, 0xC1, 0x05, 0x2F, 0x2F, 0x00, 0x35, 0xC7};
const Bytes kAtsPlusX{0x0C, 0x75, 0x77, 0x80, 0x02, 0xC1, 0x05, 0x2F, 0x2F, 0x01, 0xBC, 0xD6};
const Bytes kAtsPlusSE{0x0C, 0x75, 0x77, 0x80, 0x02, 0xC1, 0x05, 0x21, 0x30, 0x10, 0xF6, 0xD1};
const Bytes kEnds9000{0x12, 0x00, 0x90};

struct DetectCase {
    const char* name;
    std::vector<Step> steps;  // from the search to the last probe
    int32_t type;
    int32_t size;
    uint8_t level;
    uint8_t subtype;
};

// Answers the poll of a connect strictly in order; anything else is recorded as unexpected.
struct StrictScript {
    std::vector<Step> steps;
    size_t next = 0;
    std::vector<std::string> problems;

    std::optional<ScriptedReply> Respond(const SentCommand& sent) {
        if (next >= steps.size())
            return ScriptedReply{0x55, {0x00}};  // the switch-off at the end
        const Step& step = steps[next++];
        if (sent.command != step.command || sent.payload != step.payload) {
            problems.push_back("step " + std::to_string(next - 1) + ": got command " +
                               std::to_string(sent.command));
            return std::nullopt;
        }
        return ScriptedReply{step.status, step.reply};
    }
};

class CardDetectTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(CardDetectTest, ClassifiesWithExactCommands) {
    const DetectCase& c = GetParam();
    ScriptedReader reader;
    reader.identAnswer = IdentLine("811", "1.9.0");
    StrictScript script;
    script.steps.push_back({0x2F, {0x01, 0x80}, 0x55, {}});
    script.steps.push_back(Reset());
    script.steps.insert(script.steps.end(), c.steps.begin(), c.steps.end());
    script.steps.push_back({0x24, {0x00}, 0x55, {}});
    script.steps.push_back({0x20, {0xAE, 0x01}, 0x55, {0x00}});
    reader.responder = [&script](const SentCommand& sent) { return script.Respond(sent); };
    CScriptedPlatform platform(reader);
    CSessionDriver thread(platform);
    platform.clock.After(200, [&thread] { thread.RequestStop(); });
    thread.Run(L"COM7");

    EXPECT_TRUE(script.problems.empty()) << script.problems.front();
    EXPECT_EQ(script.next, script.steps.size()) << "commands missing";
    const CardInfo card = thread.shared.ReadCard();
    EXPECT_EQ(card.type, c.type);
    EXPECT_EQ(card.size, c.size);
    EXPECT_EQ(card.securityLevel, c.level);
    EXPECT_EQ(card.subtype, c.subtype);
    EXPECT_EQ(card.uidLength, 4);
}

constexpr uint8_t kNone = kNoSecurityLevel;

INSTANTIATE_TEST_SUITE_P(
    Families, CardDetectTest,
    ::testing::Values(
        DetectCase{"Classic1K", {SearchStep(0x0004, 0x08), Ats(0x55)}, 12, 1024, kNone, 0},
        DetectCase{"Mini", {SearchStep(0x0004, 0x09)}, 11, 320, kNone, 0},
        DetectCase{"Classic2K", {SearchStep(0x0004, 0x19)}, 13, 2048, kNone, 0},
        DetectCase{"Classic4K", {SearchStep(0x0002, 0x18), Ats(0x55, {0x01, 0x00})}, 14, 4096, kNone, 0},
        DetectCase{"SmartMx1KLevel0",
                   {SearchStep(0x0004, 0x28), Ats(0x55, kAtsUnknown), LevelProbe(0x55, kEnds9000)},
                   19,
                   1024,
                   0,
                   0},
        DetectCase{"SmartMx4KLevel3",
                   {SearchStep(0x0002, 0x38), Ats(0x55, kAtsUnknown), LevelProbe(0x55, {0x90, 0x00}),
                    Level3Probe(0x55, kEnds9000)},
                   20,
                   4096,
                   3,
                   0},
        DetectCase{
            "PlusEV1Level1TwoK",
            {SearchStep(0x0004, 0x08), Ats(0x55, kAtsUnknown), GetVersion(0x55, Version(0x02, 1, 0, 0x16))},
            17,
            2048,
            1,
            4},
        DetectCase{
            "PlusEV1Level1FourK",
            {SearchStep(0x0002, 0x18), Ats(0x55, kAtsUnknown), GetVersion(0x55, Version(0x82, 1, 0, 0x18))},
            18,
            4096,
            1,
            4},
        DetectCase{"PlusOtherStorageThenAesProbe",
                   {SearchStep(0x0004, 0x08), Ats(0x55, kAtsUnknown),
                    GetVersion(0x55, Version(0x02, 1, 0, 0x13)), LevelProbe(0x55, {0x90, 0x00}),
                    Level3Probe(0x55, kEnds9000), AesAuth(0x3E, 0x55), AesAuth(0x40, 13)},
                   17,
                   2048,
                   3,
                   0},
        DetectCase{
            "PlusSLevel1", {SearchStep(0x0004, 0x08), Ats(0x55, kAtsPlusS), GetVersion(9)}, 17, 2048, 1, 1},
        DetectCase{"PlusXLevel1",
                   {SearchStep(0x0004, 0x08), Ats(0x55, kAtsPlusX), GetVersion(0x55, {0x01})},
                   17,
                   2048,
                   1,
                   2},
        DetectCase{
            "PlusSELevel0",
            {SearchStep(0x0004, 0x08), Ats(0x55, kAtsPlusSE), GetVersion(9), LevelProbe(0x55, kEnds9000)},
            16,
            1024,
            0,
            3},
        DetectCase{
            "PlusS4KLevel1", {SearchStep(0x0002, 0x18), Ats(0x55, kAtsPlusS), GetVersion(9)}, 18, 4096, 1, 1},
        DetectCase{
            "PlusX4KLevel1", {SearchStep(0x0002, 0x18), Ats(0x55, kAtsPlusX), GetVersion(9)}, 18, 4096, 1, 2},
        DetectCase{"PlusLevel2TwoK", {SearchStep(0x0004, 0x10)}, 17, 2048, 2, 0},
        DetectCase{"PlusLevel2FourK", {SearchStep(0x0002, 0x11)}, 18, 4096, 2, 0},
        DetectCase{"UltraLightWithoutGetVersion", {SearchStep(0x0044, 0x00), GetVersion(9)}, 9, 64, kNone, 0},
        DetectCase{"UltraLightWithGetVersion",
                   {SearchStep(0x0044, 0x00), GetVersion(0x55, Version(0x03, 1, 0, 0x0B))},
                   9,
                   64,
                   kNone,
                   0},
        DetectCase{"ClassicProbe1K",
                   {SearchStep(0x0044, 0x00), GetVersion(0x55, Version(0x04, 1, 0, 0x0B)), Ats(0x55), Reset(),
                    Select(0x55), ClassicAuth(0x40, 5)},
                   12,
                   1024,
                   kNone,
                   0},
        DetectCase{"ClassicProbe4K",
                   {SearchStep(0x0044, 0x00), GetVersion(0x55, Version(0x04, 1, 0, 0x0B)), Ats(0x55), Reset(),
                    Select(0x55), ClassicAuth(0x40, 0x55), ClassicAuth(0x91, 0x55)},
                   14,
                   4096,
                   kNone,
                   0},
        DetectCase{"ClassicProbe2K",
                   {SearchStep(0x0044, 0x00), GetVersion(0x55, Version(0x04, 1, 0, 0x0B)), Ats(0x55), Reset(),
                    Select(0x55), ClassicAuth(0x40, 8), ClassicAuth(0x91, 13)},
                   13,
                   2048,
                   kNone,
                   0},
        DetectCase{"ClassicProbeUndecidedFallsBackToSak",
                   {SearchStep(0x0044, 0x00), GetVersion(0x55, Version(0x04, 1, 0, 0x0B)), Ats(0x55), Reset(),
                    Select(0x55), ClassicAuth(0x40, 0x55), ClassicAuth(0x91, 5)},
                   9,
                   64,
                   kNone,
                   0},
        DetectCase{"NotMifare", {SearchStep(0x0004, 0x02), Ats(9), Reset(), Select(9)}, 0, 0, kNone, 0},
        DetectCase{"DesfireOnSimpleReader", {SearchStep(0x0344, 0x20), Ats(2)}, 21, 0, kNone, 0},
        DetectCase{"PlusFourKOnSimpleReader", {SearchStep(0x0042, 0x20), Ats(2)}, 18, 4096, kNone, 0},
        DetectCase{"PlusTwoKOnSimpleReader", {SearchStep(0x0004, 0x20), Ats(2)}, 17, 2048, kNone, 0},
        DetectCase{"PlusOnSimpleReader", {SearchStep(0x0008, 0x20), Ats(2)}, 15, 0, kNone, 0},
        DetectCase{"IsoCardWithoutAtsAtqa44", {SearchStep(0x0044, 0x20), Ats(0x55)}, 18, 0, 3, 0},
        DetectCase{
            "Desfire",
            {SearchStep(0x0344, 0x20), Ats(0x55, kAtsUnknown), GetVersion(0x55, Version(0x01, 1, 0, 0x18))},
            21,
            0,
            kNone,
            0},
        DetectCase{"PlusEV2Level3",
                   {SearchStep(0x0002, 0x20), Ats(0x55, kAtsUnknown),
                    GetVersion(0x55, Version(0x02, 0, 0x22, 0x18))},
                   18,
                   4096,
                   3,
                   5},
        DetectCase{"PlusEV1Level3",
                   {SearchStep(0x0004, 0x20), Ats(0x55, kAtsUnknown),
                    GetVersion(0x55, Version(0x82, 0, 0x11, 0x16))},
                   17,
                   2048,
                   3,
                   4},
        DetectCase{
            "PlusSLevel3", {SearchStep(0x0002, 0x20), Ats(0x55, kAtsPlusS), GetVersion(9)}, 18, 4096, 3, 1},
        DetectCase{
            "PlusXLevel3", {SearchStep(0x0004, 0x20), Ats(0x55, kAtsPlusX), GetVersion(9)}, 17, 2048, 3, 2},
        DetectCase{"PlusSELevel3Card",
                   {SearchStep(0x0004, 0x20), Ats(0x55, kAtsPlusSE), GetVersion(9), LevelProbe(9),
                    Level3Probe(0x55, kEnds9000)},
                   16,
                   1024,
                   3,
                   3},
        DetectCase{
            "UnknownIsoCardIsPlus",
            {SearchStep(0x0004, 0x20), Ats(0x55, kAtsUnknown), GetVersion(9), LevelProbe(9), Level3Probe(9)},
            15,
            0,
            1,
            0},
        DetectCase{"AesProbeMissingFirstKey",
                   {SearchStep(0x0004, 0x20), Ats(0x55, kAtsUnknown), GetVersion(9), LevelProbe(9),
                    Level3Probe(0x55, kEnds9000), AesAuth(0x3E, 13)},
                   16,
                   1024,
                   3,
                   0},
        DetectCase{"AesProbeFourK",
                   {SearchStep(0x0004, 0x20), Ats(0x55, kAtsUnknown), GetVersion(9), LevelProbe(9),
                    Level3Probe(0x55, kEnds9000), AesAuth(0x3E, 8), AesAuth(0x40, 0x55)},
                   18,
                   4096,
                   3,
                   0},
        DetectCase{"ShortAtsFallsBackToAtqa",
                   {SearchStep(0x0008, 0x20), Ats(0x55, kAtsShort), GetVersion(9)},
                   15,
                   0,
                   kNone,
                   0},
        DetectCase{"PlusLevel1ClassicProbeWithPlusNames",
                   {SearchStep(0x0004, 0x08), Ats(0x55, kAtsShort),
                    GetVersion(0x55, Version(0x04, 1, 0, 0x0B)), LevelProbe(9), Level3Probe(9), Reset(),
                    Select(0x55), ClassicAuth(0x40, 0x55), ClassicAuth(0x91, 0x55)},
                   18,
                   4096,
                   1,
                   0}),
    [](const ::testing::TestParamInfo<DetectCase>& info) { return std::string(info.param.name); });

// The poll's publishing rules, against a reader with one Classic card.
class CardPollTest : public ::testing::Test {
protected:
    CardPollTest() {
        reader.identAnswer = IdentLine("811", "1.8.0");
        reader.responder = card.AsResponder();
        thread.onCardChanged = [this] { ++cardChanges; };
    }

    void RunFor(uint32_t ms) {
        platform.clock.After(ms, [this] { thread.RequestStop(); });
        thread.Run(L"COM7");
    }

    ScriptedReader reader;
    FakeClassicReader card;
    CScriptedPlatform platform{reader};
    CSessionDriver thread{platform};
    int cardChanges = 0;
};

TEST_F(CardPollTest, CardThatStaysIsNotProbedAgain) {
    RunFor(2000);
    EXPECT_EQ(cardChanges, 1);
    EXPECT_EQ(thread.shared.ReadCard().type, kCardClassic1K);
    std::vector<SentCommand> later = SentSince(reader, 100);
    ASSERT_GE(later.size(), 3u * 5);
    later.pop_back();  // the switch-off at the stop
    for (size_t i = 0; i < later.size(); ++i) EXPECT_EQ(later[i].command, (Bytes{0x23, 0x45, 0x24})[i % 3]);
}

TEST_F(CardPollTest, RemovalPublishesEmptyRecordResetsCountersAndIndicates) {
    platform.clock.After(1000, [this] {
        thread.StartTest(TestParameters{});
        card.cardPresent = false;
    });
    card.blocks[1] = {};
    platform.clock.After(600, [this] { thread.StartTest(TestParameters{}); });
    platform.clock.After(900, [this] { thread.shared.EndTest(); });
    RunFor(2000);
    EXPECT_EQ(cardChanges, 2);
    EXPECT_EQ(thread.shared.ReadCard(), CardInfo{});
    const ReaderSnapshot status = thread.shared.Read();
    EXPECT_EQ(status.written, 0);
    EXPECT_EQ(status.errors, 0);
    std::vector<Bytes> indications;
    for (const SentCommand& c : reader.sent)
        if (c.command == 0x20)
            indications.push_back(c.payload);
    EXPECT_EQ(indications, (std::vector<Bytes>{{0xAE, 0x01}, {0xAB, 0x01}}));
}

TEST_F(CardPollTest, NewCardWhileConnectedIndicatesArrival) {
    card.cardPresent = false;
    platform.clock.After(1000, [this] { card.cardPresent = true; });
    RunFor(2000);
    std::vector<Bytes> indications;
    for (const SentCommand& c : reader.sent)
        if (c.command == 0x20)
            indications.push_back(c.payload);
    EXPECT_EQ(indications, (std::vector<Bytes>{{0xBE, 0x01}, {0x20, 0x01}}));
    EXPECT_EQ(cardChanges, 1);
}

TEST_F(CardPollTest, OverlongUidIsCutTo15Bytes) {
    card.uid.assign(20, 0x5A);
    card.sak = 0x09;
    RunFor(200);
    const CardInfo found = thread.shared.ReadCard();
    EXPECT_EQ(found.uidLength, 15);
    EXPECT_EQ(found.type, kCardMini);
}

TEST_F(CardPollTest, ShortSearchReplyIsABadReplyNotACard) {
    card.Override(0x45, ScriptedReply{0x55, {0x04, 0x00}});
    RunFor(200);
    EXPECT_EQ(thread.shared.ReadCard(), CardInfo{});
    EXPECT_EQ(thread.shared.ReadState(), kDisconnected);
    EXPECT_EQ(thread.LastError(), kErrUnexpected);
}

}  // namespace
