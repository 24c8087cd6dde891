// Helpers shared by the JSON tests: parsing a text into a fresh value and comparing documents.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "settings/json_lexer.h"
#include "settings/json_value.h"

struct ParsedJson {
    bool ok;
    JsonValue value;
};

inline ParsedJson ParseJson(std::wstring_view text) {
    ParsedJson parsed{false, JsonValue()};
    JsonLexer lexer(text);
    parsed.ok = parsed.value.Parse(lexer);
    return parsed;
}

inline std::wstring CompactText(const JsonValue& value) {
    std::wstring out, indent;
    value.WriteText(out, indent);
    return out;
}

inline std::wstring PrettyText(const JsonValue& value) {
    std::wstring out, indent = L"\r\n";
    value.WriteText(out, indent);
    return out;
}

// Structural equality, member order included; -0 and 0 differ; NaN never occurs here. With
// integralRealsAsIntegers, a real with an integral value equals the integer of that value (the
// writer writes it without a decimal point, so it reads back as an integer).
inline bool JsonEquals(const JsonValue& a, const JsonValue& b, bool integralRealsAsIntegers = false) {
    if (integralRealsAsIntegers && a.Kind() != b.Kind()) {
        auto sameNumber = [](const JsonValue& real, const JsonValue& integer) {
            return real.Kind() == JsonKind::Real && integer.Kind() == JsonKind::Integer &&
                   real.AsReal() == static_cast<double>(integer.AsInteger()) &&
                   real.AsReal() == std::trunc(real.AsReal());
        };
        return sameNumber(a, b) || sameNumber(b, a);
    }
    if (a.Kind() != b.Kind())
        return false;
    switch (a.Kind()) {
        case JsonKind::Null: return true;
        case JsonKind::Bool: return a.AsBool() == b.AsBool();
        case JsonKind::Integer: return a.AsInteger() == b.AsInteger();
        case JsonKind::Real:
            return a.AsReal() == b.AsReal() && std::signbit(a.AsReal()) == std::signbit(b.AsReal());
        case JsonKind::String: return a.AsString() == b.AsString();
        case JsonKind::Array: {
            const JsonArray &x = a.AsArray(), &y = b.AsArray();
            if (x.size() != y.size())
                return false;
            for (size_t i = 0; i < x.size(); ++i)
                if (!JsonEquals(x[i], y[i], integralRealsAsIntegers))
                    return false;
            return true;
        }
        case JsonKind::Object: {
            const auto &x = a.AsObject().Members(), &y = b.AsObject().Members();
            if (x.size() != y.size())
                return false;
            for (size_t i = 0; i < x.size(); ++i)
                if (x[i]->key != y[i]->key || !JsonEquals(x[i]->value, y[i]->value, integralRealsAsIntegers))
                    return false;
            return true;
        }
    }
    return false;
}
