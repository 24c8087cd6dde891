#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/app_settings.h"
#include "settings/mem_json.h"
#include "settings/settings_document.h"
#include "tests/settings/json_test_support.h"

namespace {

const wchar_t kSampleFile[] =
    L"{\r\n"
    L"\t\"info\": {\r\n"
    L"\t\t\"name\": \"Quillcheck\",\r\n"
    L"\t\t\"version\": \"1\"\r\n"
    L"\t},\r\n"
    L"\t\"main\": {\r\n"
    L"\t\t\"formPos\": [\r\n"
    L"\t\t\t100,\r\n"
    L"\t\t\t80,\r\n"
    L"\t\t\t500,\r\n"
    L"\t\t\t400\r\n"
    L"\t\t],\r\n"
    L"\t\t\"allPorts\": false,\r\n"
    L"\t\t\"port\": \"\",\r\n"
    L"\t\t\"block\": 1,\r\n"
    L"\t\t\"authKey\": \"ffffffffffff\",\r\n"
    L"\t\t\"useReaderKeys\": false,\r\n"
    L"\t\t\"keyB\": false\r\n"
    L"\t},\r\n"
    L"\t\"log\": {\r\n"
    L"\t\t\"logLevel\": 0\r\n"
    L"\t}\r\n"
    L"}\r\n";

// What Save writes, given the old file's text ("" when there is none).
std::wstring SavedText(const std::wstring& oldText, const CAppSettings& settings) {
    CMemJson document;
    document.LoadText(oldText);
    WriteSettings(document, settings);
    return document.ToText();
}

// What Load makes of a file's text, starting from the defaults with modified set.
CAppSettings Loaded(const std::wstring& text, bool* read = nullptr) {
    CAppSettings settings;
    settings.modified = true;
    CMemJson document;
    document.LoadText(text);
    bool wasRead = ReadSettings(document.root, settings);
    if (read)
        *read = wasRead;
    return settings;
}

// Settings whose every field differs from its default (the file of a user who chose them all).
CAppSettings EveryFieldChanged() {
    CAppSettings settings;
    settings.formPos = {10, 20, 600, 500};
    settings.allPorts = true;
    settings.port = L"COM5";
    settings.block = 8;
    settings.authKey = 0xa0a1a2a3a4a5;
    settings.useReaderKeys = true;
    settings.keyB = true;
    settings.logLevel = 3;
    return settings;
}

std::wstring MainWith(const std::wstring& members, const std::wstring& version = L"1") {
    return L"{\"info\":{\"name\":\"Quillcheck\",\"version\":\"" + version + L"\"},\"main\":{" + members +
           L"}}";
}

TEST(SettingsDocument, SampleFileByteForByte) {
    CAppSettings settings;
    settings.formPos = {100, 80, 500, 400};
    EXPECT_EQ(SavedText(L"", settings), kSampleFile);
}

TEST(SettingsDocument, AllFieldsRoundTrip) {
    CAppSettings settings;
    settings.formPos = {-5, 7, 640, 480};
    settings.allPorts = true;
    settings.port = L"COM12 \u041a\"'";
    settings.block = 255;
    settings.authKey = 0x00a0b1c2d3e4;
    settings.useReaderKeys = true;
    settings.keyB = true;
    settings.logLevel = 6;
    settings.plan = {PlanKind::kDuration, 5, 125, 3};
    settings.reportsFolder = L"D:\\Отчёты";
    settings.modified = true;

    std::wstring text = SavedText(L"", settings);
    EXPECT_NE(text.find(L"\"authKey\": \"00a0b1c2d3e4\""), std::wstring::npos);
    bool read = false;
    CAppSettings back = Loaded(text, &read);
    EXPECT_TRUE(read);
    EXPECT_FALSE(back.modified);
    EXPECT_EQ(back.formPos, settings.formPos);
    EXPECT_EQ(back.allPorts, true);
    EXPECT_EQ(back.port, settings.port);
    EXPECT_EQ(back.block, 255);
    EXPECT_EQ(back.authKey, 0x00a0b1c2d3e4u);
    EXPECT_EQ(back.useReaderKeys, true);
    EXPECT_EQ(back.keyB, true);
    EXPECT_EQ(back.logLevel, 6);
    EXPECT_EQ(back.plan, settings.plan);
    EXPECT_EQ(back.reportsFolder, settings.reportsFolder);

    // Saving twice over its own file gives the same text.
    EXPECT_EQ(SavedText(text, back), text);
    // A plan set back to the default is written as such, never left at its old value.
    back.plan = {};
    EXPECT_EQ(Loaded(SavedText(text, back)).plan, TestPlan{});
    // Values a plan cannot take (hand-edited) leave the default.
    EXPECT_EQ(Loaded(L"{\"info\":{},\"main\":{\"planKind\":9,\"planCycles\":0,\"planMinutes\":600000}}").plan,
              TestPlan{});
}

TEST(SettingsDocument, WhichFilesAreRead) {
    struct Case {
        const char* name;
        std::wstring text;
        bool read;
    };
    const Case cases[] = {
        {"own version 1", MainWith(L"\"block\":9"), true},
        {"version 2 (plain number)", MainWith(L"\"block\":9", L"2"), true},
        {"version 1.0 (dotted: newer generation)", MainWith(L"\"block\":9", L"1.0"), false},
        {"version 0.9", MainWith(L"\"block\":9", L"0.9"), true},
        {"version 16777216", MainWith(L"\"block\":9", L"16777216"), false},
        {"foreign name", L"{\"info\":{\"name\":\"Other\",\"version\":\"5.0\"},\"main\":{\"block\":9}}", true},
        {"name differs in case",
         L"{\"info\":{\"name\":\"QuillCheck\",\"version\":\"5.0\"},\"main\":{\"block\":9}}", true},
        {"no version", L"{\"info\":{\"name\":\"Quillcheck\"},\"main\":{\"block\":9}}", true},
        {"no info", L"{\"main\":{\"block\":9}}", false},
        {"info not an object", L"{\"info\":[],\"main\":{\"block\":9}}", false},
        {"root an array", L"[{\"info\":{}}]", false},
        {"empty", L"", false},
        {"syntax error after block", MainWith(L"\"block\":9,\"port\":") + L"oops", true},
    };
    for (const Case& c : cases) {
        bool read = false;
        CAppSettings settings = Loaded(c.text, &read);
        EXPECT_EQ(read, c.read) << c.name;
        EXPECT_EQ(settings.block, c.read ? 9 : 1) << c.name;
        EXPECT_EQ(settings.modified, !c.read) << c.name;  // cleared only by a load that reads
    }
}

TEST(SettingsDocument, FieldRules) {
    struct Case {
        const char* name;
        std::wstring members;
        void (*check)(const CAppSettings&);
    };
    const Case cases[] = {
        {"mixed formPos", L"\"formPos\":[10,\"x\",30]",
         [](const CAppSettings& s) {
             EXPECT_EQ(s.formPos[0], 10);
             EXPECT_EQ(s.formPos[1], CAppSettings::kNotSet);
             EXPECT_EQ(s.formPos[2], 30);
             EXPECT_EQ(s.formPos[3], CAppSettings::kNotSet);
         }},
        {"formPos beyond 32 bits is not taken, extra elements ignored",
         L"\"formPos\":[4294967295,4294967396,1,2,99]",
         [](const CAppSettings& s) {
             EXPECT_EQ(s.formPos, (std::array<int32_t, 4>{CAppSettings::kNotSet, CAppSettings::kNotSet, 1, 2}));
         }},
        {"formPos at the ends of 32 bits", L"\"formPos\":[-2147483647,2147483647,-1,0]",
         [](const CAppSettings& s) {
             EXPECT_EQ(s.formPos, (std::array<int32_t, 4>{-2147483647, 2147483647, -1, 0}));
         }},
        {"formPos too short", L"\"formPos\":[5]",
         [](const CAppSettings& s) {
             EXPECT_EQ(s.formPos, (std::array<int32_t, 4>{5, CAppSettings::kNotSet, CAppSettings::kNotSet,
                                                          CAppSettings::kNotSet}));
         }},
        {"formPos of fractions and strings", L"\"formPos\":[1.5,\"2\",null,true]",
         [](const CAppSettings& s) {
             EXPECT_EQ(s.formPos, (std::array<int32_t, 4>{CAppSettings::kNotSet, CAppSettings::kNotSet,
                                                          CAppSettings::kNotSet, CAppSettings::kNotSet}));
         }},
        {"formPos not an array", L"\"formPos\":{\"0\":5}",
         [](const CAppSettings& s) { EXPECT_EQ(s.formPos[0], CAppSettings::kNotSet); }},
        // A block the box cannot show would be tested unseen (260 truncated to a byte is block 4).
        {"block 4294967295 falls back", L"\"block\":4294967295",
         [](const CAppSettings& s) { EXPECT_EQ(s.block, 1); }},
        {"block 260 falls back", L"\"block\":260", [](const CAppSettings& s) { EXPECT_EQ(s.block, 1); }},
        {"block 256 falls back", L"\"block\":256", [](const CAppSettings& s) { EXPECT_EQ(s.block, 1); }},
        {"block -1 falls back", L"\"block\":-1", [](const CAppSettings& s) { EXPECT_EQ(s.block, 1); }},
        {"block 255 is taken", L"\"block\":255", [](const CAppSettings& s) { EXPECT_EQ(s.block, 255); }},
        {"block 0 is taken", L"\"block\":0", [](const CAppSettings& s) { EXPECT_EQ(s.block, 0); }},
        {"block as a string is missing", L"\"block\":\"7\"",
         [](const CAppSettings& s) { EXPECT_EQ(s.block, 1); }},
        {"block real is missing", L"\"block\":7.5", [](const CAppSettings& s) { EXPECT_EQ(s.block, 1); }},
        {"flags", L"\"allPorts\":true,\"useReaderKeys\":true,\"keyB\":true",
         [](const CAppSettings& s) {
             EXPECT_TRUE(s.allPorts);
             EXPECT_TRUE(s.useReaderKeys);
             EXPECT_TRUE(s.keyB);
         }},
        {"flag as a number is missing", L"\"keyB\":1", [](const CAppSettings& s) { EXPECT_FALSE(s.keyB); }},
        {"port", L"\"port\":\"COM3\"", [](const CAppSettings& s) { EXPECT_EQ(s.port, L"COM3"); }},
        {"key with leading zeros", L"\"authKey\":\"000000a0b1c2\"",
         [](const CAppSettings& s) { EXPECT_EQ(s.authKey, 0xa0b1c2u); }},
        {"key over 48 bits", L"\"authKey\":\"1000000000000\"",
         [](const CAppSettings& s) { EXPECT_EQ(s.authKey, CAppSettings::kDefaultAuthKey); }},
        {"key as a number is missing", L"\"authKey\":123",
         [](const CAppSettings& s) { EXPECT_EQ(s.authKey, CAppSettings::kDefaultAuthKey); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool read = false;
        c.check(Loaded(MainWith(c.members), &read));
        EXPECT_TRUE(read);
    }
}

// A hand-edited or foreign file with one member of the wrong kind or out of range: that field
// keeps its default, every other member is still taken.
TEST(SettingsDocument, OneBadMemberKeepsTheRest) {
    struct Member {
        const wchar_t* name;
        const wchar_t* good;
    };
    const Member members[] = {
        {L"formPos", L"[10,20,600,500]"}, {L"allPorts", L"true"}, {L"port", L"\"COM5\""},
        {L"block", L"8"},  {L"authKey", L"\"a0a1a2a3a4a5\""}, {L"useReaderKeys", L"true"},
        {L"keyB", L"true"}, {L"logLevel", L"3"},
    };
    auto fileWith = [&](const std::wstring& badName, const std::wstring& badValue) {
        std::wstring main;
        for (const Member& m : members) {
            if (std::wstring(m.name) == L"logLevel")
                continue;
            main += (main.empty() ? L"" : L",") + (L"\"" + std::wstring(m.name) + L"\":") +
                    (badName == m.name ? badValue : std::wstring(m.good));
        }
        const std::wstring level = badName == L"logLevel" ? badValue : L"3";
        return L"{\"info\":{\"name\":\"Quillcheck\",\"version\":\"1\"},\"main\":{" + main +
               L"},\"log\":{\"logLevel\":" + level + L"}}";
    };
    const CAppSettings good = EveryFieldChanged();
    struct Case {
        const wchar_t* member;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"formPos", L"\"10,20\""}, {L"formPos", L"[]"}, {L"formPos", L"[1.5,-2.5e3,\"3\",[4]]"},
        {L"formPos", L"[4294967296,-2147483649,9007199254740993,-9223372036854775808]"},
        {L"allPorts", L"1"},          {L"allPorts", L"\"true\""}, {L"allPorts", L"null"},
        {L"port", L"5"},              {L"port", L"[\"COM5\"]"},   {L"port", L"{}"},
        {L"block", L"-1"},            {L"block", L"256"},           {L"block", L"260"},
        {L"block", L"4294967299"},    {L"block", L"7.5"},           {L"block", L"\"7\""},
        {L"block", L"[7]"},           {L"authKey", L"123"},          {L"authKey", L"\"zz\""},
        {L"authKey", L"\"1000000000000\""}, {L"authKey", L"\"-1\""}, {L"authKey", L"[]"},
        {L"useReaderKeys", L"\"yes\""}, {L"keyB", L"0"},          {L"logLevel", L"7"},
        {L"logLevel", L"-1"},         {L"logLevel", L"2.5"},        {L"logLevel", L"\"3\""},
        {L"logLevel", L"4294967299"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.member) + L"=" + c.value));
        bool read = false;
        const CAppSettings loaded = Loaded(fileWith(c.member, c.value), &read);
        EXPECT_TRUE(read);
        const CAppSettings defaults;
        const std::wstring bad = c.member;
        EXPECT_EQ(loaded.formPos, bad == L"formPos" ? defaults.formPos : good.formPos);
        EXPECT_EQ(loaded.allPorts, bad == L"allPorts" ? defaults.allPorts : good.allPorts);
        EXPECT_EQ(loaded.port, bad == L"port" ? defaults.port : good.port);
        EXPECT_EQ(loaded.block, bad == L"block" ? defaults.block : good.block);
        EXPECT_EQ(loaded.authKey, bad == L"authKey" ? defaults.authKey : good.authKey);
        EXPECT_EQ(loaded.useReaderKeys, bad == L"useReaderKeys" ? defaults.useReaderKeys : good.useReaderKeys);
        EXPECT_EQ(loaded.keyB, bad == L"keyB" ? defaults.keyB : good.keyB);
        EXPECT_EQ(loaded.logLevel, bad == L"logLevel" ? defaults.logLevel : good.logLevel);
    }
}

// A file that could not be read at start and is read again before the save: what the user
// changed wins, everything still at its default comes from the file.
TEST(SettingsDocument, UnreadFileKeepsWhatTheUserDidNotChange) {
    const CAppSettings file = EveryFieldChanged();

    CAppSettings untouched;  // ran on the defaults, changed nothing
    TakeUnchangedFromFile(file, untouched);
    EXPECT_EQ(SavedText(L"", untouched), SavedText(L"", file));

    CAppSettings changed;
    changed.formPos = {30, 40, 700, 480};
    changed.port = L"COM3";
    changed.block = 5;
    TakeUnchangedFromFile(file, changed);
    EXPECT_EQ(changed.formPos, (std::array<int32_t, 4>{30, 40, 700, 480}));
    EXPECT_EQ(changed.port, L"COM3");
    EXPECT_EQ(changed.block, 5);
    EXPECT_TRUE(changed.allPorts);
    EXPECT_EQ(changed.authKey, 0xa0a1a2a3a4a5u);
    EXPECT_TRUE(changed.useReaderKeys);
    EXPECT_TRUE(changed.keyB);
    EXPECT_EQ(changed.logLevel, 3);
}

TEST(SettingsDocument, LogLevelRule) {
    struct Case {
        const wchar_t* value;
        int32_t expected;
    };
    const Case cases[] = {{L"0", 0}, {L"6", 6}, {L"7", 0}, {L"-1", 0}, {L"4294967302", 0}, {L"\"3\"", 0}};
    for (const Case& c : cases) {
        std::wstring text = L"{\"info\":{},\"log\":{\"logLevel\":" + std::wstring(c.value) + L"}}";
        EXPECT_EQ(Loaded(text).logLevel, c.expected) << testing::PrintToString(std::wstring(c.value));
    }
}

TEST(SettingsDocument, AuthKeyText) {
    struct Case {
        const wchar_t* text;
        bool ok;
        uint64_t key;
    };
    const Case cases[] = {
        {L"ffffffffffff", true, 0xFFFFFFFFFFFF},
        {L"000000000001", true, 1},
        {L"A0b1", true, 0xA0B1},
        {L"a0b1 and more", true, 0xA0B1},
        {L"  \t0x1F", true, 0x1F},
        {L"0X1f", true, 0x1F},
        {L"0x", true, 0},
        {L"+12", true, 0x12},
        {L"-0", true, 0},
        {L"-1", false, 0},
        {L"1000000000000", false, 0},
        {L"ffffffffffffffffff", false, 0},
        {L"", false, 0},
        {L"  ", false, 0},
        {L"xyz", false, 0},
        {L"-", false, 0},
    };
    for (const Case& c : cases) {
        uint64_t key = 0x123;
        EXPECT_EQ(ParseAuthKeyText(c.text, key), c.ok) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(key, c.ok ? c.key : 0x123u) << testing::PrintToString(std::wstring(c.text));
    }
    EXPECT_EQ(FormatAuthKey(0), L"000000000000");
    EXPECT_EQ(FormatAuthKey(0xa0b1c2), L"000000a0b1c2");
    EXPECT_EQ(FormatAuthKey(0xFFFFFFFFFFFF), L"ffffffffffff");
    EXPECT_EQ(FormatAuthKey(0x123456789abcdef0), L"123456789abcdef0");
}

TEST(SettingsDocument, SaveKeepsOrReplaces) {
    CAppSettings settings;
    std::wstring fresh = SavedText(L"", settings);
    struct Case {
        const char* name;
        std::wstring old;
        bool kept;
    };
    const Case cases[] = {
        {"own version 1 with extras", MainWith(L"\"extra\":5,\"block\":3"), true},
        {"version text 1.0", MainWith(L"\"extra\":5", L"1.0"), false},
        {"version text 2", MainWith(L"\"extra\":5", L"2"), false},
        {"foreign name", L"{\"info\":{\"name\":\"Other\",\"version\":\"1\"},\"extra\":5}", false},
        {"no info", L"{\"extra\":5}", false},
        {"not an object", L"[5]", false},
        {"unreadable text", L"\xFFFD\xFFFD", false},
    };
    for (const Case& c : cases) {
        std::wstring saved = SavedText(c.old, settings);
        EXPECT_EQ(saved.find(L"extra") != std::wstring::npos, c.kept) << c.name;
        if (!c.kept) {
            EXPECT_EQ(saved, fresh) << c.name;
        }
    }
}

TEST(SettingsDocument, KeptFileKeepsItsOrderAndUnknownMembers) {
    CAppSettings settings;
    settings.formPos = {100, 80, 500, 400};
    std::wstring edited = kSampleFile;
    edited.replace(edited.find(L"\t\t\"keyB\": false\r\n"), 17,
                   L"\t\t\"keyB\": false,\r\n\t\t\"extra\": 5\r\n");
    std::wstring saved = SavedText(edited, settings);
    EXPECT_EQ(saved, edited);
    EXPECT_EQ(SavedText(saved, settings), saved);

    // The program's members missing from a kept file are appended at the end of their object,
    // and members of the wrong kind are replaced in place.
    std::wstring partial =
        L"{\"info\":{\"version\":\"1\",\"name\":\"Quillcheck\",\"by\":\"hand\"},"
        L"\"main\":{\"keyB\":\"yes\",\"zz\":[1]},\"other\":{}}";
    CMemJson document;
    document.pretty = false;
    document.LoadText(partial);
    WriteSettings(document, settings);
    EXPECT_EQ(document.ToText(),
              L"{\"info\":{\"version\":\"1\",\"name\":\"Quillcheck\",\"by\":\"hand\"},"
              L"\"main\":{\"keyB\":false,\"zz\":[1],\"formPos\":[100,80,500,400],\"allPorts\":false,"
              L"\"port\":\"\",\"block\":1,\"authKey\":\"ffffffffffff\",\"useReaderKeys\":false},"
              L"\"other\":{},\"log\":{\"logLevel\":0}}");
}

TEST(SettingsDocument, OutOfRangeBlockIsSavedAsTheBlockUsed) {
    const std::wstring old = MainWith(L"\"block\":4294967295");
    CAppSettings settings = Loaded(old);
    ASSERT_EQ(settings.block, 1);
    std::wstring saved = SavedText(old, settings);
    EXPECT_NE(saved.find(L"\"block\": 1,"), std::wstring::npos);
    settings.block = -1;  // set directly, never loaded: written as an unsigned number
    saved = SavedText(L"", settings);
    EXPECT_NE(saved.find(L"\"block\": 4294967295,"), std::wstring::npos);
    settings.formPos = {-10, -20, 300, 200};
    saved = SavedText(L"", settings);
    EXPECT_NE(saved.find(L"\t\t\t-10,\r\n\t\t\t-20,"), std::wstring::npos);
    settings.logLevel = -1;  // written as it stands, ignored when read
    saved = SavedText(L"", settings);
    EXPECT_NE(saved.find(L"\"logLevel\": -1"), std::wstring::npos);
    EXPECT_EQ(Loaded(saved).logLevel, 0);
}

TEST(SettingsDocument, SetPortMarksOnlyChanges) {
    CAppSettings settings;
    settings.SetPort(L"");
    EXPECT_FALSE(settings.modified);
    settings.SetPort(L"COM3");
    EXPECT_TRUE(settings.modified);
    EXPECT_EQ(settings.port, L"COM3");
    settings.modified = false;
    settings.SetPort(L"COM3");
    EXPECT_FALSE(settings.modified);
    settings.SetPort(L"com3");
    EXPECT_TRUE(settings.modified);
}

}  // namespace

namespace {

// A cut-off file (a crash while another program wrote it, a full disk) never fails the load:
// each field is its default, the file's value, or (for the value under way) what was read of it.
TEST(SettingsDocument, EveryTruncationLoadsSafely) {
    CAppSettings full;
    full.formPos = {1, 2, 3, 4};
    full.allPorts = true;
    full.port = L"COM9";
    full.block = 7;
    full.authKey = 0x123456789abc;
    full.keyB = true;
    full.logLevel = 3;
    const std::wstring text = SavedText(L"", full);
    auto isKeyPrefix = [&](uint64_t key) {
        for (int digits = 0; digits <= 12; ++digits)
            if (key == (full.authKey >> (4 * digits)))
                return true;
        return key == CAppSettings::kDefaultAuthKey;
    };
    for (size_t length = 0; length <= text.size(); ++length) {
        SCOPED_TRACE(length);
        CAppSettings loaded = Loaded(text.substr(0, length));
        for (size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(loaded.formPos[i] == CAppSettings::kNotSet || loaded.formPos[i] == full.formPos[i]);
        EXPECT_TRUE(full.port.starts_with(loaded.port));
        EXPECT_TRUE(loaded.block == 1 || loaded.block == 7);
        EXPECT_TRUE(isKeyPrefix(loaded.authKey));
        EXPECT_TRUE(loaded.logLevel == 0 || loaded.logLevel == 3);
    }
    CAppSettings whole = Loaded(text);
    EXPECT_EQ(whole.authKey, full.authKey);
    EXPECT_EQ(whole.logLevel, 3);
}

TEST(SettingsDocument, HugeValuesLoadWithoutHarm) {
    const std::wstring longText(4'000'000, L'x');
    CAppSettings settings = Loaded(MainWith(L"\"port\":\"" + longText + L"\",\"extra\":0." +
                                            std::wstring(1'000'000, L'9') + L",\"keyB\":true"));
    EXPECT_EQ(settings.port, longText);
    EXPECT_TRUE(settings.keyB);

    // A number too large for a double stops the read there (infinity could not be written back).
    settings = Loaded(MainWith(L"\"block\":5,\"extra\":" + std::wstring(400, L'9') + L",\"keyB\":true"));
    EXPECT_EQ(settings.block, 5);
    EXPECT_FALSE(settings.keyB);

    // Invalid UTF-8 arrives as replacement characters: kept as text, never fatal.
    settings = Loaded(MainWith(L"\"port\":\"\xFFFD\xFFFD\",\xFFFD"));
    EXPECT_EQ(settings.port, L"\xFFFD\xFFFD");
}

}  // namespace

namespace {

std::wstring ReaderEntry(const std::wstring& port, int block = 2) {
    return L"{\"port\":\"" + port + L"\",\"block\":" + std::to_wstring(block) + L"}";
}

std::wstring ManyReaders(int count) {
    std::wstring list;
    for (int i = 0; i < count; ++i) list += (i ? L"," : L"") + ReaderEntry(L"COM" + std::to_wstring(i + 10));
    return list;
}

}  // namespace

TEST(SettingsDocument, FurtherReadersAreReadWithinTheRules) {
    struct Case {
        const char* name;
        std::wstring readers;  // the "readers" member's value
        std::vector<std::wstring> ports;
        size_t leftOut;
    };
    const Case cases[] = {
        {"two readers", L"[" + ReaderEntry(L"COM8") + L"," + ReaderEntry(L"COM9") + L"]", {L"COM8", L"COM9"}, 0},
        {"1,000 readers: fifteen beside the first", L"[" + ManyReaders(1000) + L"]",
         {L"COM10", L"COM11", L"COM12", L"COM13", L"COM14", L"COM15", L"COM16", L"COM17", L"COM18", L"COM19",
          L"COM20", L"COM21", L"COM22", L"COM23", L"COM24"},
         985},
        {"the first reader's port, in other case", L"[" + ReaderEntry(L"com7") + L"]", {}, 1},
        {"the same port twice", L"[" + ReaderEntry(L"COM8") + L"," + ReaderEntry(L"Com8") + L"]", {L"COM8"}, 1},
        {"entries of the wrong kind", L"[5,\"COM8\",null," + ReaderEntry(L"COM9") + L"]", {L"COM9"}, 3},
        {"not a list", L"{\"port\":\"COM8\"}", {}, 0},
        {"pages whose port was never chosen come back, each", L"[{\"port\":\"\"},{},{\"port\":5}]", {L"", L"", L""}, 0},
        {"members of the wrong kind keep the entry", L"[{\"port\":\"COM9\",\"block\":\"x\",\"keyB\":1}]", {L"COM9"}, 0},
    };
    for (const Case& c : cases) {
        const CAppSettings settings = Loaded(MainWith(L"\"port\":\"COM7\",\"readers\":" + c.readers));
        std::vector<std::wstring> ports;
        for (const ReaderSettings& reader : settings.moreReaders) ports.push_back(reader.port);
        EXPECT_EQ(ports, c.ports) << c.name;
        EXPECT_EQ(settings.readersLeftOut, c.leftOut) << c.name;
        // What a save would not write back is kept in the copy the save makes first.
        CMemJson document;
        document.LoadText(MainWith(L"\"port\":\"COM7\",\"readers\":" + c.readers));
        EXPECT_EQ(SaveDropsForeignContents(document.root), c.leftOut != 0 || c.readers[0] != L'[') << c.name;
    }
}

TEST(SettingsDocument, FurtherReadersRoundTripKeepingTheirUnknownMembers) {
    CAppSettings settings;
    EXPECT_EQ(SavedText(L"", settings).find(L"readers"), std::wstring::npos);  // as before
    // Each further reader keeps its own test plan.
    ReaderSettings second{L"COM8", 9, 0x0102030405, true, true, {PlanKind::kCycles, 500, 60, 10}};
    ReaderSettings third;
    third.port = L"COM9";
    settings.moreReaders = {second, third};
    const CAppSettings back = Loaded(SavedText(L"", settings));
    EXPECT_EQ(back.moreReaders, settings.moreReaders);

    // A later version's member in an entry stays with its port, wherever the entry moves.
    const std::wstring old =
        MainWith(L"\"readers\":[{\"port\":\"COM9\",\"plan\":\"p\"},{\"port\":\"COM8\"}]");
    settings.moreReaders = {second, third};
    const std::wstring saved = SavedText(old, settings);
    EXPECT_NE(saved.find(L"\"plan\": \"p\""), std::wstring::npos);
    EXPECT_LT(saved.find(L"COM8"), saved.find(L"COM9"));
    EXPECT_EQ(Loaded(saved).moreReaders, settings.moreReaders);
}
