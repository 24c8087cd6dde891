#include "settings/settings_document.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "foundation/version.h"
#include "settings/hex_digit.h"
#include "settings/plan_settings.h"
#include "settings/reader_list_document.h"

namespace {

constexpr uint64_t kAuthKeyLimit = uint64_t{1} << 48;

bool IsCSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// The version a file claims, 0 unless its info carries this program's name and a version text.
uint32_t OwnVersion(const JsonValue& info) {
    const JsonValue* name = info.Find(L"name", JsonKind::String);
    const JsonValue* version = info.Find(L"version", JsonKind::String);
    if (!name || !version || name->AsString() != kSettingsProgramName)
        return 0;
    return ParseVersion(version->AsString());
}

// An integer member's value when it lies in [lowest, highest]: a value outside, whatever its low
// bits, is treated like a member of the wrong kind.
std::optional<int32_t> IntegerIn(const JsonValue* value, int64_t lowest, int64_t highest) {
    if (!value)
        return std::nullopt;
    const int64_t number = value->AsInteger();
    if (number < lowest || number > highest)
        return std::nullopt;
    return static_cast<int32_t>(number);
}

constexpr int64_t kInt32Lowest = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Highest = std::numeric_limits<int32_t>::max();

void ReadMain(const JsonValue& main, CAppSettings& settings) {
    if (const JsonValue* formPos = main.Find(L"formPos", JsonKind::Array)) {
        const JsonArray& elements = formPos->AsArray();
        for (size_t i = 0; i < elements.size() && i < settings.formPos.size(); ++i) {
            // An element of another kind, or beyond 32 bits, leaves its field alone.
            if (elements[i].Kind() != JsonKind::Integer)
                continue;
            if (auto coordinate = IntegerIn(&elements[i], kInt32Lowest, kInt32Highest))
                settings.formPos[i] = *coordinate;
        }
    }
    if (const JsonValue* value = main.Find(L"allPorts", JsonKind::Bool))
        settings.allPorts = value->AsBool();
    ReaderSettings first = settings.FirstReader();
    ReadReaderFields(main, first);
    settings.SetFirstReader(first);
    ReadReaderList(main, settings);
}

}  // namespace

bool ReadSettings(const JsonValue& root, CAppSettings& settings) {
    const JsonValue* info = root.Find(L"info", JsonKind::Object);
    if (!info)
        return false;
    if ((OwnVersion(*info) & 0xFF000000u) != 0)
        return false;

    if (const JsonValue* main = root.Find(L"main", JsonKind::Object))
        ReadMain(*main, settings);
    if (const JsonValue* log = root.Find(L"log", JsonKind::Object)) {
        if (auto level = IntegerIn(log->Find(L"logLevel", JsonKind::Integer), 0, CAppSettings::kHighestLogLevel))
            settings.logLevel = *level;
    }
    if (const JsonValue* reports = root.Find(L"reports", JsonKind::Object)) {
        if (const JsonValue* folder = reports->Find(L"folder", JsonKind::String))
            settings.reportsFolder = folder->AsString();
    }
    settings.modified = false;
    return true;
}

void WriteSettings(CMemJson& document, const CAppSettings& settings) {
    JsonValue& root = document.root;
    const JsonValue* info = root.Find(L"info", JsonKind::Object);
    if (!info || OwnVersion(*info) != kSettingsVersion) {
        root.Clear();
        JsonValue& newInfo = root.Member(L"info", JsonKind::Object);
        newInfo.SetString(L"name", kSettingsProgramName);
        newInfo.SetString(L"version", FormatVersion(kSettingsVersion));
    }

    // Looked up and created in this order: a new file gets exactly this member order.
    JsonValue& main = root.Member(L"main", JsonKind::Object);
    JsonArray& formPos = main.Member(L"formPos", JsonKind::Array).AsArray();
    formPos.clear();
    formPos.reserve(settings.formPos.size());
    for (int32_t coordinate : settings.formPos) formPos.emplace_back().SetInteger(coordinate);
    main.Member(L"allPorts", JsonKind::Bool).SetBool(settings.allPorts);
    WriteReaderFields(main, settings.FirstReader());
    WriteReaderList(main, settings);
    root.Member(L"log", JsonKind::Object)
        .Member(L"logLevel", JsonKind::Integer)
        .SetInteger(settings.logLevel);
    // As the plan: written once the user chose a folder of their own.
    if (!settings.reportsFolder.empty() || root.Find(L"reports", JsonKind::Object))
        root.Member(L"reports", JsonKind::Object).SetString(L"folder", settings.reportsFolder);
}

namespace {

struct WrittenMember {
    const wchar_t* object;  // in the root; nullptr for the root's own members
    const wchar_t* key;
    JsonKind kind;
};
// Every member WriteSettings gives a value of its kind.
constexpr WrittenMember kWrittenMembers[] = {
    {nullptr, L"main", JsonKind::Object},           {nullptr, L"log", JsonKind::Object},
    {L"main", L"formPos", JsonKind::Array},         {L"main", L"allPorts", JsonKind::Bool},
    {L"main", L"port", JsonKind::String},           {L"main", L"block", JsonKind::Integer},
    {L"main", L"authKey", JsonKind::String},        {L"main", L"useReaderKeys", JsonKind::Bool},
    {L"main", L"keyB", JsonKind::Bool},             {L"log", L"logLevel", JsonKind::Integer},
    {L"main", L"readers", JsonKind::Array},
    {L"main", kTestPlanMembers[0], JsonKind::Integer}, {L"main", kTestPlanMembers[1], JsonKind::Integer},
    {L"main", kTestPlanMembers[2], JsonKind::Integer}, {L"main", kTestPlanMembers[3], JsonKind::Integer},
    {nullptr, L"reports", JsonKind::Object},        {L"reports", L"folder", JsonKind::String},
};

bool HoldsOtherKind(const JsonValue& object, const wchar_t* key, JsonKind kind) {
    const JsonValue* member = object.Kind() == JsonKind::Object ? object.AsObject().Find(key) : nullptr;
    return member && member->Kind() != kind;
}

}  // namespace

bool SaveDropsForeignContents(const JsonValue& root) {
    if (root.Kind() == JsonKind::Null)
        return false;
    const JsonValue* info = root.Find(L"info", JsonKind::Object);
    if (!info || OwnVersion(*info) != kSettingsVersion)
        return true;
    for (const WrittenMember& member : kWrittenMembers) {
        const JsonValue* object = member.object ? root.AsObject().Find(member.object) : &root;
        if (object && HoldsOtherKind(*object, member.key, member.kind))
            return true;
    }
    const JsonValue* main = root.Find(L"main", JsonKind::Object);
    if (main && ReaderListDropsEntries(*main))
        return true;
    const JsonValue* formPos = main ? main->Find(L"formPos", JsonKind::Array) : nullptr;
    if (!formPos)
        return false;
    const JsonArray& elements = formPos->AsArray();
    return elements.size() > 4 || std::any_of(elements.begin(), elements.end(), [](const JsonValue& element) {
               return element.Kind() != JsonKind::Integer;
           });
}

namespace {

template <typename T>
void TakeIfDefault(T& field, const T& defaultValue, const T& fileValue) {
    if (field == defaultValue)
        field = fileValue;
}

}  // namespace

void TakeUnchangedFromFile(const CAppSettings& file, CAppSettings& current) {
    const CAppSettings defaults;
    TakeIfDefault(current.formPos, defaults.formPos, file.formPos);
    TakeIfDefault(current.allPorts, defaults.allPorts, file.allPorts);
    TakeIfDefault(current.port, defaults.port, file.port);
    TakeIfDefault(current.block, defaults.block, file.block);
    TakeIfDefault(current.authKey, defaults.authKey, file.authKey);
    TakeIfDefault(current.useReaderKeys, defaults.useReaderKeys, file.useReaderKeys);
    TakeIfDefault(current.keyB, defaults.keyB, file.keyB);
    TakeIfDefault(current.logLevel, defaults.logLevel, file.logLevel);
    TakeIfDefault(current.moreReaders, defaults.moreReaders, file.moreReaders);
    TakeIfDefault(current.plan, defaults.plan, file.plan);
    TakeIfDefault(current.reportsFolder, defaults.reportsFolder, file.reportsFolder);
}

bool ParseAuthKeyText(std::wstring_view text, uint64_t& key) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    if (i + 2 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
        HexDigitValue(text[i + 2]) >= 0)
        i += 2;

    uint64_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && HexDigitValue(text[i]) >= 0; ++i, ++digits) {
        if (value > (UINT64_MAX >> 4))
            return false;  // beyond 64 bits: a range error
        value = (value << 4) | static_cast<uint64_t>(HexDigitValue(text[i]));
    }
    if (digits == 0)
        return false;
    if (negative)
        value = 0 - value;  // as wcstoull does: "-1" is the largest number
    if (value >= kAuthKeyLimit)
        return false;
    key = value;
    return true;
}

std::wstring FormatAuthKey(uint64_t key) {
    static constexpr wchar_t kHex[] = L"0123456789abcdef";
    std::wstring text;
    for (int shift = 60; shift >= 0; shift -= 4) {
        unsigned digit = static_cast<unsigned>(key >> shift) & 0xF;
        if (!text.empty() || digit != 0 || shift < 48)
            text.push_back(kHex[digit]);
    }
    return text;
}
