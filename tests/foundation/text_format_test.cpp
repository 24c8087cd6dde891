#include <gtest/gtest.h>

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
