#include "reader/ident.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "foundation/errors.h"
#include "testing/emulator/emu_link.h"

namespace {

int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    when.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&when));
}

constexpr int64_t kUnchanged = 777;

TEST(ParseIdentTest, AnswersGiveModelSerialFirmwareAndBuildTime) {
    const int64_t nov16 = LocalTime(2010, 11, 16, 10, 20, 30);
    struct Case {
        const char* text;
        bool parsed;
        int32_t model;
        int32_t serial;
        uint32_t firmware;
        int64_t buildTime;
    } cases[] = {
        {"USB reader S/N: 12345 [811] Software version: 1.8.0 Build Nov 16 2010 10:20:30\r", true, 2, 12345,
         0x01080000, nov16},
        {"USB reader CL-I S/N: 12345 [811] Software version: 1.8.0 Build Nov 16 2010 10:20:30\r", true, 3,
         12345, 0x01080000, nov16},
        {"S/N:7 [20498] version: 2.10.3.4 Build Nov 16 2010 10:20:30\r", true, 3, 7, 0x020A0304, nov16},
        {"S/N: 1 [802] Build Nov 16 2010 10:20:30\r", true, 10, 1, 0x09630000, nov16},
        {"S/N: 1 [FFFF] Build Nov 17 2010 10:20:30\r", true, 10, 1, 0x01000000,
         LocalTime(2010, 11, 17, 10, 20, 30)},
        {"S/N: 1 [802]\r", true, 10, 1, 0, kUnchanged},
        {"S/N: 1 [802] Software version: 3.1 Build Nov 16 2010 10:20:30\r", true, 10, 1, 0x03010000, nov16},
        {"S/N: 5 [903] Software version: 7 Build Jan 2 2020 3:04:05\r", true, 8, 5, 7,
         LocalTime(2020, 1, 2, 3, 4, 5)},
        {"S/N: 5 [903] Software version: 1.300.2 Build Feb 3 2021 1:02:03\r", true, 8, 5, 0x012C0200,
         LocalTime(2021, 2, 3, 1, 2, 3)},
        {"S/N: 5 [F11] Software version: 1.2.3.4.5 Build dec 31 1999 23:59\r", true, 9, 5, 0x01020304,
         LocalTime(1999, 12, 31, 23, 59, 0)},
        {"S/N: 5 [20496] Build Mar 1 2022\r", true, 11, 5, 0, LocalTime(2022, 3, 1, 0, 0, 0)},
        {"S/N: 5 [501] Build Mar\r", true, 7, 5, 0, kUnchanged},
        {"S/N: 5 [123] Build Mar 1 2022 1:2:3\r", true, 0, 5, 0, LocalTime(2022, 3, 1, 1, 2, 3)},
        {"S/N: 5 [301] Build", true, 1, 5, 0, kUnchanged},
        {"S/N: 5 [301] Build \r", true, 1, 5, 0, kUnchanged},
        {"S/N: -3 [302]", true, 4, -3, 0, kUnchanged},
        {"S/N: 99999999999 [303]", true, 5, 2147483647, 0, kUnchanged},
        {"no serial here [811]", false, 0, -1, 0, kUnchanged},
        {"S/N: 12 811]", false, 0, 12, 0, kUnchanged},
        {"S/N: 12 [811", false, 0, 12, 0, kUnchanged},
        {"", false, 0, -1, 0, kUnchanged},
    };
    for (const Case& c : cases) {
        ReaderIdentity identity;
        identity.buildTime = kUnchanged;
        EXPECT_EQ(ParseIdent(c.text, identity), c.parsed) << c.text;
        EXPECT_EQ(identity.serial, c.serial) << c.text;
        if (!c.parsed)
            continue;
        EXPECT_EQ(identity.model, c.model) << c.text;
        EXPECT_EQ(identity.firmware, c.firmware) << c.text;
        EXPECT_EQ(identity.buildTime, c.buildTime) << c.text;
    }
}

TEST(ParseIdentTest, EveryModelCodeOfTheTable) {
    struct Case {
        uint32_t code;
        bool clI;
        int32_t model;
    } cases[] = {{0x301, false, 1},    {0x811, false, 2}, {0x811, true, 3},   {0x20498, false, 3},
                 {0x302, false, 4},    {0x303, false, 5}, {0x821, false, 6},  {0x501, false, 7},
                 {0x903, false, 8},    {0xF11, false, 9}, {0x802, false, 10}, {0xFFFF, true, 10},
                 {0x20496, false, 11}, {0x812, false, 0}, {0, false, 0}};
    for (const Case& c : cases) EXPECT_EQ(ModelFromCode(c.code, c.clI), c.model) << std::hex << c.code;
}

TEST(IsIdentCompleteTest, NeedsACarriageReturnAfterTheKeyword) {
    struct Case {
        std::string text;
        bool complete;
    } cases[] = {
        {"S/N: 1 [811] Software version: 1.8.0 Build Nov 16 2010 10:20:30\r", true},
        {"S/N: 1 [811] Software version: 1.8.0 Build Nov 16 2010 10:20:30", false},
        {"S/N: 1 [811] Build Nov 16 2010\r", true},
        {"\rS/N: 1 [811] Build Nov 16 2010", false},
        {"Software version:\r", true},
        {"Software version:", false},
        {"Build\r", true},
        {"Build", false},
        {"Buil\r", false},
        {"\r", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsIdentComplete(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size()), c.complete)
            << c.text;
    }
}

TEST(IdentifyTest, EmulatedReaderIsRecognised) {
    CEmuLink emu(0, kIdentEventChar);
    emu.reader.identity = EmuIdentity{0x903, 4711, "2.10", "Jun 5 2019 12:00:00", false, ""};
    emu.reader.faults.splitReplies = 1;
    ReaderIdentity identity;
    ASSERT_TRUE(Identify(emu.link, identity));
    EXPECT_EQ(identity.model, 8);
    EXPECT_EQ(identity.serial, 4711);
    EXPECT_EQ(identity.firmware, 0x020A0000u);
    EXPECT_EQ(identity.buildTime, LocalTime(2019, 6, 5, 12, 0, 0));
    EXPECT_TRUE(emu.port.Input().empty());
    EXPECT_EQ(emu.port.written, (std::vector<std::vector<uint8_t>>{{'i'}}));
}

TEST(IdentifyTest, QueryIsRepeatedOnceThenGivesUp) {
    struct Case {
        const char* name;
        EmuIdentity identity;
        int dropped;
        bool identified;
        uint64_t elapsed;  // simulated ms
    } cases[] = {
        {"answer lost once", EmuIdentity{}, 1, true, 5002},
        {"silent reader", EmuIdentity{}, 2, false, 10000},
        {"no carriage return", EmuIdentity{0x811, 1, "", "", false, "S/N: 1 [811] Build Nov 16 2010"}, 0,
         false, 10000},
        {"no serial", EmuIdentity{0x811, 1, "", "", false, "Serial 1 [811] Build Nov 16 2010\r"}, 0, false,
         4},
    };
    for (const Case& c : cases) {
        CEmuLink emu(0, kIdentEventChar);
        emu.reader.identity = c.identity;
        emu.reader.faults.dropReplies = c.dropped;
        ReaderIdentity identity;
        EXPECT_EQ(Identify(emu.link, identity), c.identified) << c.name;
        EXPECT_EQ(emu.clock.Elapsed(), c.elapsed) << c.name;
        EXPECT_EQ(emu.reader.identQueries, c.identified && c.dropped == 0 ? 1u : 2u) << c.name;
    }
}

TEST(IdentifyTest, StopDuringTheQueryEndsIt) {
    CEmuLink emu(0, kIdentEventChar);
    emu.reader.faults.silent = true;
    emu.StopAfter(300);
    ReaderIdentity identity;
    try {
        Identify(emu.link, identity);
        FAIL() << "no exception";
    } catch (const CMyError& error) {
        EXPECT_EQ(error.code, kErrStopped);
    }
    EXPECT_EQ(emu.clock.Elapsed(), 300u);
}

}  // namespace
