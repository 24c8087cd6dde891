// The reader emulator itself: the behaviour later tests rely on.
#include "testing/emulator/reader_emulator.h"

#include <gtest/gtest.h>

#include "testing/emulator/control_command.h"
#include "testing/emulator/emu_link.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Step {
    uint8_t command;
    Bytes payload;
    int status;
    Bytes reply;  // checked when not empty
};

Bytes Auth(uint8_t mode, uint8_t block, Bytes keyLsbFirst = Bytes(6, 0xFF)) {
    Bytes p(2 + keyLsbFirst.size());
    p[0] = mode;
    p[1] = block;
    std::copy(keyLsbFirst.begin(), keyLsbFirst.end(), p.begin() + 2);
    return p;
}

Bytes Write(uint8_t block, uint8_t fill) {
    Bytes p(17, fill);
    p[0] = block;
    return p;
}

void RunSteps(CEmuLink& emu, const std::vector<Step>& steps, const char* name) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        const int status = emu.link.Exchange(s.command, s.payload.data(), s.payload.size(), emu.link.reply);
        EXPECT_EQ(status, s.status) << name << ", step " << i;
        if (!s.reply.empty()) {
            EXPECT_EQ(emu.link.reply, s.reply) << name << ", step " << i;
        }
    }
}

TEST(EmulatorTest, ClassicCardSessions) {
    const Bytes uid{0x04, 0xA1, 0xB2, 0xC3};
    const Bytes select{0x81, 0x04, 0xA1, 0xB2, 0xC3};
    const Bytes reset{0x00, 0x0A, 0x00};
    const Bytes sixteen(16, 0x5A);
    struct Case {
        const char* name;
        ClassicKind kind;
        std::vector<Step> steps;
    } cases[] = {
        {"write and read back with key A",
         ClassicKind::K1,
         {{0x23, reset, 0x55, {}},
          {0x46, select, 0x55, {}},
          {0x50, Auth(2, 5), 0x55, {}},
          {0x52, Write(5, 0x5A), 0x55, {}},
          {0x51, {5}, 0x55, sixteen}}},
        {"key B and the reader's keys",
         ClassicKind::K1,
         {{0x45, {0}, 0x55, {0x04, 0x00, 0x08, 0x04, 0xA1, 0xB2, 0xC3}},
          {0x50, Auth(3, 9), 0x55, {}},
          {0x50, Auth(1, 9, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}), 0x55, {0}},
          {0x51, {8}, 0x55, Bytes(16, 0)}}},
        {"wrong key, other sector, no selection",
         ClassicKind::K1,
         {{0x50, Auth(2, 5), 5, {}},
          {0x46, select, 0x55, {}},
          {0x50, Auth(2, 5, Bytes(6, 0x11)), 8, {}},
          {0x51, {5}, 8, {}},
          {0x50, Auth(2, 5), 0x55, {}},
          {0x51, {8}, 8, {}},
          {0x52, Write(0, 1), 8, {}}}},
        {"manufacturer block and trailer",
         ClassicKind::K1,
         {{0x46, select, 0x55, {}},
          {0x50, Auth(2, 0), 0x55, {}},
          {0x52, Write(0, 1), 9, {}},
          {0x51, {3}, 0x55, {0, 0, 0, 0, 0, 0, 0xFF, 0x07, 0x80, 0x69, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}}},
        {"address beyond a Mini",
         ClassicKind::Mini,
         {{0x46, select, 0x55, {}}, {0x50, Auth(2, 20), 13, {}}, {0x50, Auth(2, 19), 0x55, {}}}},
        {"4K big sectors",
         ClassicKind::K4,
         {{0x45, {0}, 0x55, {0x02, 0x00, 0x18, 0x04, 0xA1, 0xB2, 0xC3}},
          {0x50, Auth(2, 130), 0x55, {}},
          {0x52, Write(142, 7), 0x55, {}},
          {0x51, {142}, 0x55, Bytes(16, 7)},
          {0x51, {144}, 8, {}}}},
        {"reset ends the selection",
         ClassicKind::K2,
         {{0x45, {0}, 0x55, {0x04, 0x00, 0x19, 0x04, 0xA1, 0xB2, 0xC3}},
          {0x23, reset, 0x55, {}},
          {0x50, Auth(2, 5), 5, {}}}},
        {"other commands",
         ClassicKind::K1,
         {{0x46, {0x81, 1, 2, 3, 4}, 9, {}},
          {0x45, {0}, 0x55, {}},
          {0x48, {0}, 0x55, {}},
          {0x60, Bytes(19, 0), 9, {}},
          {0x6E, {0x01, 0x60}, 9, {}},
          {0x20, {0xBE, 0x01}, 0x55, {0xBE}},
          {0x24, {0}, 0x55, {}},
          {0x99, {}, 2, {}},
          {0x51, {}, 3, {}}}},
    };
    for (const Case& c : cases) {
        CEmuLink emu;
        emu.reader.PutCard(EmuCard::Classic(c.kind, uid));
        RunSteps(emu, c.steps, c.name);
    }
}

TEST(EmulatorTest, TypedKeyTravelsLeastSignificantByteFirst) {
    CEmuLink emu;
    EmuCard card = EmuCard::Classic(ClassicKind::K1, {1, 2, 3, 4, 5, 6, 7});
    const EmuKey key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    std::copy(key.begin(), key.end(), card.blocks[7].begin());
    EXPECT_EQ(card.atqa, 0x0044);
    emu.reader.PutCard(card);
    RunSteps(emu,
             {{0x46, {0x81, 1, 2, 3, 4, 5, 6, 7}, 0x55, {}},
              {0x50, Auth(2, 4, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}), 8, {}},
              {0x50, Auth(2, 4, {0xA5, 0xA4, 0xA3, 0xA2, 0xA1, 0xA0}), 0x55, {}},
              {0x50, Auth(0, 4, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0}), 8, {}}},
             "typed key");
}

TEST(EmulatorTest, CardTakenAwayMidSession) {
    CEmuLink emu;
    emu.reader.PutCard(EmuCard::Classic(ClassicKind::K1, {1, 2, 3, 4}));
    RunSteps(emu, {{0x45, {0}, 0x55, {}}, {0x50, Auth(2, 4), 0x55, {}}}, "before");
    emu.reader.RemoveCard();
    RunSteps(emu, {{0x51, {4}, 6, {}}, {0x52, Write(4, 1), 6, {}}, {0x45, {0}, 9, {}}}, "after");
}

TEST(EmulatorTest, IdentAnswerFormats) {
    EXPECT_EQ(IdentAnswer(EmuIdentity{}),
              "USB reader S/N: 12345 [811] Software version: 1.8.0 Build Nov 16 2010 10:20:30\r");
    EXPECT_EQ(IdentAnswer(EmuIdentity{0x20498, 3, "", "Jan 1 2020 00:00:00", true, ""}),
              "USB reader CL-I S/N: 3 [20498] Build Jan 1 2020 00:00:00\r");
    EXPECT_EQ(IdentAnswer(EmuIdentity{0, 0, "", "", false, "custom\r"}), "custom\r");
}

TEST(EmulatorTest, BrokenFramesAreIgnoredAndTheNextOneServed) {
    CReaderEmulator reader;
    const Bytes noise{0x02, 0x01, 0x03, 0x2F, 0x02, 0x05, 0x00};  // length below 6, then a short one
    EXPECT_TRUE(reader.Receive(0, noise.data(), noise.size()).empty());
    const Bytes partial{0x02, 0x01, 0x08, 0x2F};
    EXPECT_TRUE(reader.Receive(0, partial.data(), partial.size()).empty());
    const Bytes frame{0x02, 0x01, 0x08, 0x2F, 0x01, 0x80, 0xBB, 0x00};
    // The stalled partial frame is given up after a pause.
    const auto out = reader.Receive(1000, frame.data(), frame.size());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, (Bytes{0x02, 0x01, 0x07, 0x2F, 0x55, 0x8E, 0x00}));
    Bytes badSum = frame;
    badSum[6] = 0;
    const auto fcs = reader.Receive(2000, badSum.data(), badSum.size());
    ASSERT_EQ(fcs.size(), 1u);
    EXPECT_EQ(fcs[0].bytes[4], 1);  // checksum error status
}

TEST(EmulatorTest, ControlCommands) {
    CReaderEmulator reader;
    std::string message;
    struct Case {
        const char* line;
        ControlAction action;
    } cases[] = {
        {"card 4k 04112233", ControlAction::Applied},
        {"card 1k 04112233445566", ControlAction::Applied},
        {"card 3k 04112233", ControlAction::Invalid},
        {"card 1k 0411", ControlAction::Invalid},
        {"drop 3", ControlAction::Applied},
        {"corrupt", ControlAction::Applied},
        {"delay 200 2", ControlAction::Applied},
        {"split 1", ControlAction::Applied},
        {"unplug", ControlAction::Unplug},
        {"unplug 2", ControlAction::Applied},
        {"replug", ControlAction::Replug},
        {"quit", ControlAction::Quit},
        {"silent on", ControlAction::Applied},
        {"dance", ControlAction::Invalid},
        {"drop -1", ControlAction::Invalid},
        {"dropfast 2", ControlAction::Applied},
        {"status 46", ControlAction::Invalid},
        {"status 46 07", ControlAction::Applied},
        {"speed 1234", ControlAction::Invalid},
        {"speed 115200", ControlAction::Applied},
        {"count 5", ControlAction::Invalid},
    };
    for (const Case& c : cases) EXPECT_EQ(ApplyControlCommand(reader, c.line, message), c.action) << c.line;
    EXPECT_EQ(reader.faults.dropReplies, 3);
    EXPECT_EQ(reader.faults.corruptChecksums, 1);
    EXPECT_EQ(reader.faults.delayMs, 200u);
    EXPECT_EQ(reader.faults.delayedReplies, 2);
    EXPECT_EQ(reader.faults.unplugAfterCommands, 2);
    EXPECT_TRUE(reader.faults.silent);
    EXPECT_EQ(reader.faults.dropFastReplies, 2);
    EXPECT_EQ(reader.faults.forcedCommand, 0x46);
    EXPECT_EQ(reader.faults.forcedStatus, 0x07);
    EXPECT_EQ(reader.Baud(), 115200u);
    EXPECT_EQ(ApplyControlCommand(reader, "status off", message), ControlAction::Applied);
    reader.commands = {{1, 0x50, {}}, {2, 0x51, {}}, {3, 0x50, {}}};
    EXPECT_EQ(ApplyControlCommand(reader, "count 50", message), ControlAction::Applied);
    EXPECT_EQ(message, "2");
    EXPECT_EQ(reader.faults.forcedCommand, -1);
    ASSERT_NE(reader.Card(), nullptr);
    EXPECT_EQ(reader.Card()->uid.size(), 7u);
}

}  // namespace
