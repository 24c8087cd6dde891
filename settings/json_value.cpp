#include "settings/json_value.h"

#include <stdexcept>
#include <utility>

JsonValue::JsonValue(JsonValue&& other) noexcept
    : kind_(std::exchange(other.kind_, JsonKind::Null)), payload_(other.payload_) {
    other.payload_.integer = 0;
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept {
    if (this != &other) {
        Clear();
        kind_ = std::exchange(other.kind_, JsonKind::Null);
        payload_ = other.payload_;
        other.payload_.integer = 0;
    }
    return *this;
}

void JsonValue::Clear() noexcept {
    switch (kind_) {
        case JsonKind::Object: delete payload_.object; break;
        case JsonKind::Array: delete payload_.array; break;
        case JsonKind::String: delete payload_.string; break;
        default: break;
    }
    kind_ = JsonKind::Null;
    payload_.integer = 0;
}

void JsonValue::SetKind(JsonKind k) {
    if (kind_ == k)
        return;
    Clear();
    switch (k) {
        case JsonKind::Object: payload_.object = new JsonObject(); break;
        case JsonKind::Array: payload_.array = new JsonArray(); break;
        case JsonKind::String: payload_.string = new std::wstring(); break;
        case JsonKind::Bool: payload_.boolean = false; break;
        case JsonKind::Real: payload_.real = 0.0; break;
        default: break;
    }
    kind_ = k;
}

JsonValue* JsonValue::Find(std::wstring_view key, JsonKind k) {
    return const_cast<JsonValue*>(std::as_const(*this).Find(key, k));
}

const JsonValue* JsonValue::Find(std::wstring_view key, JsonKind k) const {
    if (kind_ != JsonKind::Object)
        return nullptr;
    const JsonValue* member = payload_.object->Find(key);
    return member && member->Kind() == k ? member : nullptr;
}

JsonValue& JsonValue::Member(std::wstring_view key, JsonKind k) {
    SetKind(JsonKind::Object);
    JsonValue& member = payload_.object->FindOrAppend(key);
    member.SetKind(k);
    return member;
}

void JsonValue::SetString(std::wstring_view key, std::wstring_view text) {
    Member(key, JsonKind::String).AsString().assign(text);
}

void JsonValue::Expect(JsonKind k) const {
    if (kind_ != k)
        throw std::logic_error("JsonValue holds another kind");
}

JsonObject& JsonValue::AsObject() {
    return Expect(JsonKind::Object), *payload_.object;
}
const JsonObject& JsonValue::AsObject() const {
    return Expect(JsonKind::Object), *payload_.object;
}
JsonArray& JsonValue::AsArray() {
    return Expect(JsonKind::Array), *payload_.array;
}
const JsonArray& JsonValue::AsArray() const {
    return Expect(JsonKind::Array), *payload_.array;
}
std::wstring& JsonValue::AsString() {
    return Expect(JsonKind::String), *payload_.string;
}
const std::wstring& JsonValue::AsString() const {
    return Expect(JsonKind::String), *payload_.string;
}
bool JsonValue::AsBool() const {
    return Expect(JsonKind::Bool), payload_.boolean;
}
int64_t JsonValue::AsInteger() const {
    return Expect(JsonKind::Integer), payload_.integer;
}
double JsonValue::AsReal() const {
    return Expect(JsonKind::Real), payload_.real;
}

void JsonValue::SetBool(bool value) {
    SetKind(JsonKind::Bool);
    payload_.boolean = value;
}

void JsonValue::SetInteger(int64_t value) {
    SetKind(JsonKind::Integer);
    payload_.integer = value;
}

void JsonValue::SetReal(double value) {
    SetKind(JsonKind::Real);
    payload_.real = value;
}

bool JsonObject::OrdinalLess::operator()(std::wstring_view a, std::wstring_view b) const noexcept {
    // wchar_t is 16 bits unsigned on Windows and 32 bits signed elsewhere; compare the UTF-16 units.
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        auto ua = static_cast<uint16_t>(a[i]), ub = static_cast<uint16_t>(b[i]);
        if (ua != ub)
            return ua < ub;
    }
    return a.size() < b.size();
}

JsonValue* JsonObject::Find(std::wstring_view key) {
    return const_cast<JsonValue*>(std::as_const(*this).Find(key));
}

const JsonValue* JsonObject::Find(std::wstring_view key) const {
    auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : &found->second->value;
}

JsonValue& JsonObject::FindOrAppend(std::wstring_view key) {
    if (JsonValue* existing = Find(key))
        return *existing;
    order_.reserve(order_.size() + 1);  // so the push below cannot fail after the map insert
    auto member = std::make_unique<JsonMember>(std::wstring(key));
    byKey_.emplace(std::wstring_view(member->key), member.get());
    order_.push_back(std::move(member));
    return order_.back()->value;
}
