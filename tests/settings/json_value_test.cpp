#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "settings/json_value.h"
#include "tests/settings/json_test_support.h"

namespace {

TEST(JsonValue, SetKindMakesEmptyValuesAndKeepsSameKind) {
    JsonValue value;
    EXPECT_EQ(value.Kind(), JsonKind::Null);
    value.SetString(L"a", L"x");
    value.SetKind(JsonKind::Object);  // same kind: nothing changes
    EXPECT_EQ(CompactText(value), L"{\"a\":\"x\"}");
    value.SetKind(JsonKind::Array);
    EXPECT_TRUE(value.AsArray().empty());
    value.SetKind(JsonKind::String);
    EXPECT_TRUE(value.AsString().empty());
    value.SetKind(JsonKind::Integer);
    EXPECT_EQ(value.AsInteger(), 0);
    value.Clear();
    EXPECT_EQ(value.Kind(), JsonKind::Null);
    EXPECT_THROW(value.AsString(), std::logic_error);
}

TEST(JsonValue, MemberFindsAppendsAndRetypes) {
    JsonValue root;
    root.SetInteger(5);
    root.Member(L"b", JsonKind::Integer).SetInteger(1);  // a non-object becomes an object first
    root.Member(L"a", JsonKind::Bool).SetBool(true);
    EXPECT_EQ(root.Member(L"b", JsonKind::Integer).AsInteger(), 1);  // right kind: value kept
    EXPECT_EQ(root.Member(L"a", JsonKind::String).AsString(), L"");  // wrong kind: replaced in place
    EXPECT_EQ(CompactText(root), L"{\"b\":1,\"a\":\"\"}");

    EXPECT_NE(root.Find(L"b", JsonKind::Integer), nullptr);
    EXPECT_EQ(root.Find(L"b", JsonKind::Real), nullptr);
    EXPECT_EQ(root.Find(L"B", JsonKind::Integer), nullptr);  // keys are case-sensitive
    EXPECT_EQ(root.Find(L"", JsonKind::Null), nullptr);
    JsonValue notObject;
    EXPECT_EQ(notObject.Find(L"b", JsonKind::Integer), nullptr);
}

TEST(JsonValue, KeysCompareByCodeUnits) {
    // Prefixes, high code units and surrogates are all distinct keys; lookups find each.
    const std::wstring keys[] = {L"a", L"ab", L"", L"\xFFFF", L"\xD83D\xDE00", L"\u00e9", L"A"};
    JsonValue root;
    int64_t n = 0;
    for (const std::wstring& key : keys) root.Member(key, JsonKind::Integer).SetInteger(n++);
    ASSERT_EQ(root.AsObject().Size(), std::size(keys));
    n = 0;
    for (const std::wstring& key : keys) {
        const JsonValue* found = root.Find(key, JsonKind::Integer);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->AsInteger(), n++);
    }
}

TEST(JsonValue, MovesLeaveTheSourceEmpty) {
    JsonValue source;
    source.SetString(L"k", L"v");
    JsonValue target(std::move(source));
    EXPECT_EQ(source.Kind(), JsonKind::Null);
    EXPECT_EQ(CompactText(target), L"{\"k\":\"v\"}");

    JsonValue other;
    other.SetReal(2.5);
    target = std::move(other);
    EXPECT_EQ(other.Kind(), JsonKind::Null);
    EXPECT_EQ(target.AsReal(), 2.5);

    JsonArray array;
    for (int i = 0; i < 100; ++i) array.emplace_back().SetString(L"k", std::to_wstring(i));  // regrowth moves
    EXPECT_EQ(array[42].Find(L"k", JsonKind::String)->AsString(), L"42");
}

}  // namespace
