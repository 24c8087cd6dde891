#include "settings/settings_document.h"

#include "foundation/version.h"
#include "settings/hex_digit.h"

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

int32_t Low32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

void ReadMain(const JsonValue& main, CAppSettings& settings) {
    if (const JsonValue* formPos = main.Find(L"formPos", JsonKind::Array)) {
        const JsonArray& elements = formPos->AsArray();
        for (size_t i = 0; i < elements.size() && i < settings.formPos.size(); ++i) {
            // An element of another kind leaves its field alone.
            if (elements[i].Kind() == JsonKind::Integer)
                settings.formPos[i] = Low32(elements[i].AsInteger());
        }
    }
    if (const JsonValue* value = main.Find(L"allPorts", JsonKind::Bool))
        settings.allPorts = value->AsBool();
    if (const JsonValue* value = main.Find(L"port", JsonKind::String))
        settings.port = value->AsString();
    if (const JsonValue* value = main.Find(L"block", JsonKind::Integer))
        settings.block = Low32(value->AsInteger());
    if (const JsonValue* value = main.Find(L"authKey", JsonKind::String))
        ParseAuthKeyText(value->AsString(), settings.authKey);
    if (const JsonValue* value = main.Find(L"useReaderKeys", JsonKind::Bool))
        settings.useReaderKeys = value->AsBool();
    if (const JsonValue* value = main.Find(L"keyB", JsonKind::Bool))
        settings.keyB = value->AsBool();
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
        const JsonValue* level = log->Find(L"logLevel", JsonKind::Integer);
        if (level && static_cast<uint32_t>(level->AsInteger()) < 7)
            settings.logLevel = Low32(level->AsInteger());
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
    main.SetString(L"port", settings.port);
    main.Member(L"block", JsonKind::Integer).SetInteger(static_cast<uint32_t>(settings.block));
    main.SetString(L"authKey", FormatAuthKey(settings.authKey));
    main.Member(L"useReaderKeys", JsonKind::Bool).SetBool(settings.useReaderKeys);
    main.Member(L"keyB", JsonKind::Bool).SetBool(settings.keyB);
    root.Member(L"log", JsonKind::Object)
        .Member(L"logLevel", JsonKind::Integer)
        .SetInteger(settings.logLevel);
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
