#include "settings/reader_list_document.h"

#include <vector>

#include "settings/plan_settings.h"
#include "settings/settings_document.h"

namespace {

constexpr wchar_t kListName[] = L"readers";

// The list's entries that become pages, by their index in the array; the rest are left out.
std::vector<size_t> TakenEntries(const JsonArray& entries, const std::wstring& firstPort) {
    std::vector<size_t> taken;
    std::vector<std::wstring> ports{firstPort};
    for (size_t index = 0; index < entries.size() && taken.size() + 1 < kMaxReaders; ++index) {
        if (entries[index].Kind() != JsonKind::Object)
            continue;
        ReaderSettings reader;
        ReadReaderFields(entries[index], reader);
        bool portTaken = false;
        for (const std::wstring& port : ports) portTaken = portTaken || SamePortName(port, reader.port);
        if (portTaken)
            continue;
        ports.push_back(reader.port);
        taken.push_back(index);
    }
    return taken;
}

std::wstring FirstPortOf(const JsonValue& main) {
    const JsonValue* port = main.Find(L"port", JsonKind::String);
    return port ? port->AsString() : std::wstring();
}

}  // namespace

void ReadReaderFields(const JsonValue& object, ReaderSettings& reader) {
    if (const JsonValue* value = object.Find(L"port", JsonKind::String))
        reader.port = value->AsString();
    // A block the page cannot show (hand-edited, or from a newer version) is not taken: the test
    // must run on the block the user sees chosen.
    if (const JsonValue* value = object.Find(L"block", JsonKind::Integer)) {
        if (value->AsInteger() >= 0 && value->AsInteger() < kClassicBlockCount)
            reader.block = static_cast<int32_t>(value->AsInteger());
    }
    if (const JsonValue* value = object.Find(L"authKey", JsonKind::String))
        ParseAuthKeyText(value->AsString(), reader.authKey);
    if (const JsonValue* value = object.Find(L"useReaderKeys", JsonKind::Bool))
        reader.useReaderKeys = value->AsBool();
    if (const JsonValue* value = object.Find(L"keyB", JsonKind::Bool))
        reader.keyB = value->AsBool();
    ReadTestPlan(object, reader.plan);
}

void WriteReaderFields(JsonValue& object, const ReaderSettings& reader) {
    object.SetString(L"port", reader.port);
    object.Member(L"block", JsonKind::Integer).SetInteger(static_cast<uint32_t>(reader.block));
    object.SetString(L"authKey", FormatAuthKey(reader.authKey));
    object.Member(L"useReaderKeys", JsonKind::Bool).SetBool(reader.useReaderKeys);
    object.Member(L"keyB", JsonKind::Bool).SetBool(reader.keyB);
    WriteTestPlan(object, reader.plan);
}

void ReadReaderList(const JsonValue& main, CAppSettings& settings) {
    settings.moreReaders.clear();
    settings.readersLeftOut = 0;
    const JsonValue* list = main.Find(kListName, JsonKind::Array);
    if (!list)
        return;
    const JsonArray& entries = list->AsArray();
    for (size_t index : TakenEntries(entries, settings.port)) {
        ReaderSettings reader;
        ReadReaderFields(entries[index], reader);
        settings.moreReaders.push_back(std::move(reader));
    }
    settings.readersLeftOut = entries.size() - settings.moreReaders.size();
}

void WriteReaderList(JsonValue& main, const CAppSettings& settings) {
    if (settings.moreReaders.empty() && main.Kind() == JsonKind::Object && !main.AsObject().Find(kListName))
        return;
    JsonArray& list = main.Member(kListName, JsonKind::Array).AsArray();
    JsonArray old = std::move(list);
    list.clear();
    for (const ReaderSettings& reader : settings.moreReaders) {
        JsonValue entry;
        for (JsonValue& candidate : old) {
            const JsonValue* port = candidate.Find(L"port", JsonKind::String);
            if (port && port->AsString() == reader.port) {
                entry = std::move(candidate);  // leaves Null behind: lent once
                break;
            }
        }
        entry.SetKind(JsonKind::Object);
        WriteReaderFields(entry, reader);
        list.push_back(std::move(entry));
    }
}

bool ReaderListDropsEntries(const JsonValue& main) {
    const JsonValue* list = main.Find(kListName, JsonKind::Array);
    return list && TakenEntries(list->AsArray(), FirstPortOf(main)).size() != list->AsArray().size();
}
