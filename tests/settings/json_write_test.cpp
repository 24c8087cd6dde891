#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "settings/mem_json.h"
#include "tests/settings/json_test_support.h"

namespace {

void FillInfoLog(CMemJson& document) {
    document.root.Member(L"info", JsonKind::Object).SetString(L"version", L"1");
    document.root.Member(L"log", JsonKind::Object);
}

TEST(JsonWrite, PrettySampleByteForByte) {
    CMemJson document;
    FillInfoLog(document);
    EXPECT_EQ(document.ToText(),
              L"{\r\n"
              L"\t\"info\": {\r\n"
              L"\t\t\"version\": \"1\"\r\n"
              L"\t},\r\n"
              L"\t\"log\": {}\r\n"
              L"}\r\n");
}

TEST(JsonWrite, CompactSampleHasNoWhitespace) {
    CMemJson document;
    FillInfoLog(document);
    document.pretty = false;
    EXPECT_EQ(document.ToText(), L"{\"info\":{\"version\":\"1\"},\"log\":{}}");
}

TEST(JsonWrite, PrettyArraysAndTopLevelScalars) {
    CMemJson document;
    JsonArray& array = document.root.Member(L"a", JsonKind::Array).AsArray();
    array.emplace_back().SetInteger(1);
    array.emplace_back().SetKind(JsonKind::Array);
    array.emplace_back().SetKind(JsonKind::Object);
    EXPECT_EQ(document.ToText(), L"{\r\n\t\"a\": [\r\n\t\t1,\r\n\t\t[],\r\n\t\t{}\r\n\t]\r\n}\r\n");

    CMemJson scalar;
    scalar.root.SetInteger(42);
    EXPECT_EQ(scalar.ToText(), L"42\r\n");
    CMemJson empty;
    EXPECT_EQ(empty.ToText(), L"null\r\n");
}

TEST(JsonWrite, StringEscapes) {
    struct Case {
        std::wstring text;
        const wchar_t* written;
    };
    const Case cases[] = {
        {L"\t/\x7F", L"\"\\t\\/\\u007f\""},
        {L"\b\f\n\r\"\\", L"\"\\b\\f\\n\\r\\\"\\\\\""},
        {std::wstring(L"\0\x01\x1F", 3), L"\"\\u0000\\u0001\\u001f\""},
        {L"it's \u00e9\u041a\x80", L"\"it's \u00e9\u041a\x80\""},
        {L"\xD83D\xDE00", L"\"\xD83D\xDE00\""},
    };
    for (const Case& c : cases) {
        JsonValue value;
        value.SetKind(JsonKind::String);
        value.AsString() = c.text;
        EXPECT_EQ(CompactText(value), c.written);
        // and it reads back unchanged
        ParsedJson back = ParseJson(CompactText(value));
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.value.AsString(), c.text);
    }
}

TEST(JsonWrite, Numbers) {
    struct RealCase {
        double value;
        const wchar_t* written;
    };
    const RealCase reals[] = {
        {5.0, L"5"},
        {0.1, L"0.10000000000000001"},
        {-0.5, L"-0.5"},
        {-3.0, L"-3"},
        {0.0, L"0"},
        {-0.0, L"0"},
        {9007199254740991.0, L"9007199254740991"},
        {9007199254740992.0, L"9007199254740992"},
        {1e17, L"1e+17"},
        {1e-5, L"1.0000000000000001e-05"},
        {std::numeric_limits<double>::infinity(), L"null"},
        {std::nan(""), L"null"},
    };
    for (const RealCase& c : reals) {
        JsonValue value;
        value.SetReal(c.value);
        EXPECT_EQ(CompactText(value), c.written) << c.value;
    }

    JsonValue integer;
    integer.SetInteger(std::numeric_limits<int64_t>::min());
    EXPECT_EQ(CompactText(integer), L"-9223372036854775808");

    // 5.0 comes back as the integer 5; 0.1 as the same real.
    EXPECT_EQ(ParseJson(L"5").value.Kind(), JsonKind::Integer);
    EXPECT_EQ(ParseJson(L"0.10000000000000001").value.AsReal(), 0.1);
}

}  // namespace

namespace {

// The decimal point stays '.' whatever the C library's locale says.
TEST(JsonWrite, RealsIgnoreTheLocale) {
    const char* commaLocales[] = {"de_DE.UTF-8", "ru_RU.UTF-8", "German", "Russian"};
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : commaLocales)
        if (std::setlocale(LC_NUMERIC, name)) {
            switched = true;
            break;
        }
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma here";
    JsonValue value;
    value.SetReal(0.25);
    std::wstring written = CompactText(value);
    ParsedJson back = ParseJson(L"[0.25]");
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(written, L"0.25");
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.value.AsArray()[0].AsReal(), 0.25);
}

}  // namespace
