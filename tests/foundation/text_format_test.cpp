#include <gtest/gtest.h>

#include "foundation/local_time.h"
#include "foundation/text_format.h"

namespace {

TEST(HexBytesReversed, LastByteFirst) {
    const uint8_t four[] = {4, 0x04, 0xA1, 0xB2, 0xC3};
    EXPECT_EQ(HexBytesReversed(four), L"C3B2A104");
    const uint8_t seven[] = {7, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(HexBytesReversed(seven), L"07060504030201");
    const uint8_t none[] = {0, 0xFF};
    EXPECT_EQ(HexBytesReversed(none), L"");
    const uint8_t one[] = {1, 0x0F};
    EXPECT_EQ(HexBytesReversed(one), L"0F");
}

TEST(FormatToBuffer, FormatsTheCatalogueConversions) {
    wchar_t buffer[64];
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"%3u|%2u|%2u", 4u, 1u, 0u), 9);
    EXPECT_STREQ(buffer, L"  4| 1| 0");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"0x%.2X", 0x5), 4);
    EXPECT_STREQ(buffer, L"0x05");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"0x%.2X", 0xAB), 4);
    EXPECT_STREQ(buffer, L"0xAB");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"%.12llx", 0xFFFFFFFFFFFFull), 12);
    EXPECT_STREQ(buffer, L"ffffffffffff");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L" SL%d", 3), 4);
    EXPECT_STREQ(buffer, L" SL3");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"%.12llx", 0xA0ull), 12);
    EXPECT_STREQ(buffer, L"0000000000a0");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"%s!", L"wide"), 5);
    EXPECT_STREQ(buffer, L"wide!");
    EXPECT_EQ(FormatToBuffer(buffer, 64, L"%s|%d", L"\x0441/\x043D", 7), 5);
    EXPECT_STREQ(buffer, L"\x0441/\x043D|7");
}

TEST(FormatToBuffer, TooSmallBufferFailsWithMinusOne) {
    wchar_t buffer[5];
    EXPECT_EQ(FormatToBuffer(buffer, 5, L"%s", L"12345"), -1);
    EXPECT_EQ(FormatToBuffer(buffer, 5, L"%s", L"1234"), 4);
    EXPECT_STREQ(buffer, L"1234");
    EXPECT_EQ(FormatToBuffer(buffer, 0, L"x"), -1);
}

TEST(AppendFormat, AppendsBehindTheOldText) {
    std::wstring text = L"Plus";
    AppendFormat(text, L" SL%d", 2);
    EXPECT_EQ(text, L"Plus SL2");
    AppendFormat(text, L"");
    EXPECT_EQ(text, L"Plus SL2");  // nothing produced: the old text stays
}

TEST(AppendFormat, LongTargetsKeepGrowing) {
    std::wstring text;
    for (int i = 0; i < 3000; ++i) AppendFormat(text, L"%d,", i % 10);
    EXPECT_EQ(text.size(), 6000u);
    EXPECT_EQ(text.substr(0, 6), L"0,1,2,");
}

}  // namespace

TEST(LocalTimeTest, CalendarArithmeticAndTexts) {
    struct Case {
        const char* what;
        LocalTime start;
        uint64_t afterMs;
        std::wstring withMs;
        std::wstring compact;
    };
    const Case cases[] = {
        {"no time passed", {2026, 12, 8, 16, 40, 5, 7}, 0, L"2026-12-08 16:40:05.007", L"20261208-164005"},
        {"a day over the year's end", {2026, 12, 31, 23, 59, 59, 999}, 1, L"2027-01-01 00:00:00.000",
         L"20270101-000000"},
        {"into a leap day", {2028, 2, 28, 12, 0, 0, 0}, 86400000, L"2028-02-29 12:00:00.000", L"20280229-120000"},
        {"no leap day in 2100", {2100, 2, 28, 12, 0, 0, 0}, 86400000, L"2100-03-01 12:00:00.000",
         L"21000301-120000"},
        {"24 hours and a bit", {2026, 12, 8, 16, 40, 5, 0}, 86400000ull + 3723004, L"2026-12-09 17:42:08.004",
         L"20261209-174208"},
    };
    for (const Case& c : cases) {
        const LocalTime t = TimeAfter(c.start, c.afterMs);
        EXPECT_EQ(DateTimeText(t, true), c.withMs) << c.what;
        EXPECT_EQ(CompactDateTime(t), c.compact) << c.what;
        EXPECT_EQ(CalendarTime(CalendarMilliseconds(t)), t) << c.what;
    }
    EXPECT_EQ(DateTimeText({2026, 1, 2, 3, 4, 5, 600}), L"2026-01-02 03:04:05");
}

TEST(LocalTimeTest, Durations) {
    const std::pair<uint64_t, std::wstring> cases[] = {
        {0, L"0:00:00"}, {999, L"0:00:00"}, {61000, L"0:01:01"}, {3599999, L"0:59:59"},
        {86400000ull + 3723000, L"25:02:03"}, {1000ull * 3600 * 1000, L"1000:00:00"}};
    for (const auto& [ms, text] : cases) EXPECT_EQ(DurationText(ms), text) << ms;
}
