#include <gtest/gtest.h>

#include <string>

#include "settings/json_lexer.h"
#include "settings/mem_json.h"
#include "tests/settings/json_test_support.h"

namespace {

struct ParseCase {
    const wchar_t* text;
    bool ok;
    // The compact text of what was built, also after a failure.
    const wchar_t* built;
};

TEST(JsonParse, Table) {
    const ParseCase cases[] = {
        // structure
        {L"{}", true, L"{}"},
        {L"[]", true, L"[]"},
        {L" \t\r\n{ \"a\" : [ 1 , 2 ] }", true, L"{\"a\":[1,2]}"},
        {L"{\"b\":1,\"a\":2}", true, L"{\"b\":1,\"a\":2}"},  // insertion order, not key order
        {L"{\"a\":1,\"b\":2,\"a\":3}", true, L"{\"a\":3,\"b\":2}"},
        {L"{\"a\":[1],\"a\":{}}", true, L"{\"a\":{}}"},
        {L"[1,[2,[3,{}]],null]", true, L"[1,[2,[3,{}]],null]"},
        // failures keep what was read before
        {L"{\"a\":1,}", false, L"{\"a\":1}"},
        {L"[1,2,]", false, L"[1,2,null]"},
        {L"{\"a\":1,\"b\":", false, L"{\"a\":1,\"b\":null}"},
        {L"{\"a\":[1,2", false, L"{\"a\":[1,2]}"},
        {L"{\"a\":\"xy", false, L"{\"a\":\"xy\"}"},
        {L"{'a':1}", false, L"{}"},
        {L"{\"a\" 1}", false, L"{}"},
        {L"[1 2]", false, L"[1]"},
        {L"{\"a\":1 \"b\":2}", false, L"{\"a\":1}"},
        {L"", false, L"null"},
        {L"  \r\n ", false, L"null"},
        {L"x", false, L"null"},
        {L"]", false, L"null"},
        // literals
        {L"true", true, L"true"},
        {L"false", true, L"false"},
        {L"null", true, L"null"},
        {L"tru", false, L"null"},
        {L"nul1", false, L"null"},
        {L"True", false, L"null"},
        // top-level value, rest ignored
        {L"42", true, L"42"},
        {L"42 garbage", true, L"42"},
        {L"{} {\"a\":1}", true, L"{}"},
        // strings and escapes
        {L"\"a\\\"b\\/c\\\\d\\b\\f\\n\\r\\t\"", true, L"\"a\\\"b\\/c\\\\d\\b\\f\\n\\r\\t\""},
        {L"'it\"s'", true, L"\"it\\\"s\""},
        {L"\"it's\"", true, L"\"it's\""},
        {L"\"\\u00e9\\u00C9\"", true, L"\"\u00e9\u00c9\""},
        {L"\"\\u001f\\u007F\"", true, L"\"\\u001f\\u007f\""},
        {L"\"a\nb\"", false, L"\"a\""},
        {L"\"a\tb\"", false, L"\"a\""},
        {L"\"\\x\"", false, L"\"\""},
        {L"\"\\'\"", false, L"\"\""},
        {L"\"\\u12\"", false, L"\"\""},
        {L"\"\\u12g4\"", false, L"\"\""},
        {L"\"ab\\", false, L"\"ab\""},
        {L"\"\\ud83d\\ude00\"", true, L"\"\xD83D\xDE00\""},
        {L"\"\\ud83d\"", false, L"\"\""},
        {L"\"\\ud83dx\"", false, L"\"\""},
        {L"\"\\ud83d\\u0041\"", false, L"\"\""},
        {L"\"\\ud83d\\ud83d\"", false, L"\"\""},
        {L"\"\\ude00\"", false, L"\"\""},
        // numbers: integer first, then real
        {L"0", true, L"0"},
        {L"-0", true, L"0"},
        {L"+7", true, L"7"},
        {L"-12", true, L"-12"},
        {L"017", true, L"15"},
        {L"0x1F", true, L"31"},
        {L"0xff", true, L"255"},
        {L"0b101", true, L"5"},
        {L"0x", true, L"0"},
        {L"0b", true, L"0"},
        {L"08", true, L"0"},
        {L"[08]", false, L"[0]"},
        {L"9223372036854775807", true, L"9223372036854775807"},
        {L"-9223372036854775808", true, L"-9223372036854775808"},
        {L"9223372036854775808", true, L"9.2233720368547758e+18"},  // too large: a real
        {L"0x7fffffffffffffff", true, L"9223372036854775807"},
        {L"0.5", true, L"0.5"},
        {L"[0.9,0.0189]", true, L"[0.90000000000000002,0.0189]"},
        {L"0e2", true, L"0"},
        {L"017.5", true, L"17.5"},
        {L"[0.5e1]", true, L"[5]"},
        {L"1e3", true, L"1000"},
        {L"1E-2", true, L"0.01"},
        {L"-2.5e+2", true, L"-250"},
        {L"1.5e300", true, L"1.5000000000000001e+300"},
        {L"1e-400", true, L"0"},
        {L"1e400", false, L"null"},
        {L"-1e400", false, L"null"},
        {L"1-2", false, L"null"},
        {L"-", false, L"null"},
        {L"+", false, L"null"},
        {L"1.2.3", false, L"null"},
        {L"[1e]", false, L"[null]"},
    };
    for (const ParseCase& c : cases) {
        ParsedJson parsed = ParseJson(c.text);
        EXPECT_EQ(parsed.ok, c.ok) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(CompactText(parsed.value), c.built) << testing::PrintToString(std::wstring(c.text));
    }
}

struct KindCase {
    const wchar_t* text;
    JsonKind kind;
};

TEST(JsonParse, NumberKinds) {
    const KindCase cases[] = {
        {L"5", JsonKind::Integer},
        {L"5.0", JsonKind::Real},
        {L"1e3", JsonKind::Real},
        {L"0.5", JsonKind::Real},
        {L"0x10", JsonKind::Integer},
        {L"-0", JsonKind::Integer},
        {L"9223372036854775808", JsonKind::Real},
    };
    for (const KindCase& c : cases)
        EXPECT_EQ(ParseJson(c.text).value.Kind(), c.kind) << testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(ParseJson(L"0.5").value.AsReal(), 0.5);
    EXPECT_EQ(ParseJson(L"9223372036854775808").value.AsReal(), 9223372036854775808.0);
}

TEST(JsonParse, SurrogatesAndNulStayCodeUnits) {
    ParsedJson pair = ParseJson(L"\"\\ud83d\\ude00\"");
    ASSERT_TRUE(pair.ok);
    ASSERT_EQ(pair.value.AsString().size(), 2u);
    EXPECT_EQ(static_cast<unsigned>(pair.value.AsString()[0]), 0xD83Du);
    EXPECT_EQ(static_cast<unsigned>(pair.value.AsString()[1]), 0xDE00u);

    ParsedJson nul = ParseJson(L"\"a\\u0000b\"");
    ASSERT_TRUE(nul.ok);
    EXPECT_EQ(nul.value.AsString(), std::wstring(L"a\0b", 3));
}

TEST(JsonParse, EmptyTextLeavesTheTargetAlone) {
    JsonValue value;
    value.SetInteger(9);
    JsonLexer lexer(L"   ");
    EXPECT_FALSE(value.Parse(lexer));
    EXPECT_EQ(value.AsInteger(), 9);
}

TEST(JsonParse, NestingIsBounded) {
    auto nested = [](int depth, wchar_t open, wchar_t close) {
        return std::wstring(depth, open) + std::wstring(depth, close);
    };
    EXPECT_TRUE(ParseJson(nested(JsonLexer::kMaxDepth, L'[', L']')).ok);
    EXPECT_FALSE(ParseJson(nested(JsonLexer::kMaxDepth + 1, L'[', L']')).ok);

    std::wstring objects;
    for (int i = 0; i < JsonLexer::kMaxDepth; ++i) objects += L"{\"a\":";
    EXPECT_TRUE(ParseJson(objects + L"1" + std::wstring(JsonLexer::kMaxDepth, L'}')).ok);
    EXPECT_FALSE(ParseJson(L"{\"a\":" + objects + L"1").ok);

    // Far beyond the limit: fails without exhausting the stack, and the levels read are kept.
    ParsedJson deep = ParseJson(std::wstring(1'000'000, L'['));
    EXPECT_FALSE(deep.ok);
    EXPECT_EQ(deep.value.Kind(), JsonKind::Array);

    // Siblings do not add up: depth is nesting, not count.
    std::wstring siblings = L"[";
    for (int i = 0; i < 2000; ++i) siblings += L"[[]],";
    EXPECT_TRUE(ParseJson(siblings + L"[]]").ok);
}

TEST(JsonParse, MemJsonTextStopsAtNul) {
    CMemJson document;
    EXPECT_TRUE(document.LoadText(std::wstring(L"{\"a\":1}\0{", 9)));
    EXPECT_EQ(CompactText(document.root), L"{\"a\":1}");

    CMemJson cut;
    EXPECT_FALSE(cut.LoadText(std::wstring(L"{\"a\":1,\0\"b\":2}", 14)));
    EXPECT_EQ(CompactText(cut.root), L"{\"a\":1}");

    CMemJson blank;
    EXPECT_FALSE(blank.LoadText(L" \r\n"));
    EXPECT_EQ(blank.root.Kind(), JsonKind::Null);
}

TEST(JsonParse, RawCharactersAboveControlRangeAreKept) {
    ParsedJson parsed = ParseJson(L"\"\u041a\u00e9\xFFFD\x7F\"");
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.value.AsString(), L"\u041a\u00e9\xFFFD\x7F");
}

}  // namespace
