#include <gtest/gtest.h>

#include "foundation/text_convert.h"

namespace {

TEST(ToWide, ConvertsUtf8UpToTheNull) {
    std::wstring target = L"old";
    EXPECT_EQ(ToWide("\xD0\x9A\xD0\xB2 ok", -1, target, kCodePageUtf8), 5);
    EXPECT_EQ(target, L"\x041A\x0432 ok");
    EXPECT_EQ(ToWide("", -1, target, kCodePageUtf8), 0);
    EXPECT_TRUE(target.empty());
}

TEST(ToWide, ExplicitLengthKeepsEmbeddedNull) {
    std::wstring target;
    EXPECT_EQ(ToWide("a\0b", 3, target, kCodePageUtf8), 3);
    EXPECT_EQ(target, std::wstring(L"a\0b", 3));
}

TEST(ToWide, AstralCharacterBecomesASurrogatePair) {
    std::wstring target;
    EXPECT_EQ(ToWide("\xF0\x9F\x98\x80", 4, target, kCodePageUtf8), 2);
    ASSERT_EQ(target.size(), 2u);
    EXPECT_EQ(static_cast<unsigned>(target[0]), 0xD83Du);
    EXPECT_EQ(static_cast<unsigned>(target[1]), 0xDE00u);
}

TEST(ToWide, InvalidUtf8IsReplacedNotRejected) {
    std::wstring target;
    ToWide("a\xFF" "b", 3, target, kCodePageUtf8);
    ASSERT_EQ(target.size(), 3u);
    EXPECT_EQ(target[0], L'a');
    EXPECT_EQ(static_cast<unsigned>(target[1]), 0xFFFDu);
    EXPECT_EQ(target[2], L'b');
    ToWide("\xEF\xBB", 2, target, kCodePageUtf8);  // a cut byte-order mark
    EXPECT_FALSE(target.empty());
    for (wchar_t unit : target) EXPECT_EQ(static_cast<unsigned>(unit), 0xFFFDu);
}

TEST(ToNarrow, RoundTripsThroughUtf8) {
    const std::wstring text = L"\x041A\x0432\x0438\x043B\x043B \x0427\x0435\x043A";
    std::string narrow;
    ToNarrow(narrow, text.c_str(), static_cast<int>(text.size()), kCodePageUtf8);
    EXPECT_EQ(narrow, "\xD0\x9A\xD0\xB2\xD0\xB8\xD0\xBB\xD0\xBB \xD0\xA7\xD0\xB5\xD0\xBA");
    std::wstring back;
    ToWide(narrow.c_str(), static_cast<int>(narrow.size()), back, kCodePageUtf8);
    EXPECT_EQ(back, text);
}

TEST(ToNarrow, UpToTheNullAndEmpty) {
    std::string narrow = "old";
    ToNarrow(narrow, L"COM7", -1, kCodePageUtf8);
    EXPECT_EQ(narrow, "COM7");
    ToNarrow(narrow, L"", -1, kCodePageUtf8);
    EXPECT_EQ(narrow, "");
    EXPECT_EQ(ToNarrowAnsi(L"COM12"), "COM12");
}

}  // namespace
