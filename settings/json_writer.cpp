// Writing a JsonValue as text: the pretty form (line breaks and tabs, indent starting as "\r\n")
// or the compact form (empty indent, no whitespace at all).
#include <charconv>
#include <string>

#include "settings/json_number.h"
#include "settings/json_value.h"

namespace {

void AppendQuoted(std::wstring& out, const std::wstring& text) {
    out.push_back(L'"');
    for (wchar_t c : text) {
        switch (c) {
            case L'\b': out += L"\\b"; break;
            case L'\t': out += L"\\t"; break;
            case L'\n': out += L"\\n"; break;
            case L'\f': out += L"\\f"; break;
            case L'\r': out += L"\\r"; break;
            case L'"': out += L"\\\""; break;
            case L'/': out += L"\\/"; break;
            case L'\\': out += L"\\\\"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    static constexpr wchar_t kHex[] = L"0123456789abcdef";
                    out += L"\\u00";
                    out.push_back(kHex[(c >> 4) & 0xF]);
                    out.push_back(kHex[c & 0xF]);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back(L'"');
}

void AppendInteger(std::wstring& out, int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Opens a level: in the pretty form one more tab, and the line break that starts the content.
void OpenLevel(std::wstring& out, std::wstring& indent) {
    if (!indent.empty())
        indent.push_back(L'\t');
    out += indent;
}

void CloseLevel(std::wstring& out, std::wstring& indent) {
    if (!indent.empty())
        indent.pop_back();
    out += indent;
}

}  // namespace

void JsonValue::WriteText(std::wstring& out, std::wstring& indent) const {
    switch (kind_) {
        case JsonKind::Null: out += L"null"; break;
        case JsonKind::Bool: out += payload_.boolean ? L"true" : L"false"; break;
        case JsonKind::Integer: AppendInteger(out, payload_.integer); break;
        case JsonKind::Real: AppendReal(out, payload_.real); break;
        case JsonKind::String: AppendQuoted(out, *payload_.string); break;
        case JsonKind::Array:
            out.push_back(L'[');
            if (!payload_.array->empty()) {
                OpenLevel(out, indent);
                for (size_t i = 0; i < payload_.array->size(); ++i) {
                    if (i > 0) {
                        out.push_back(L',');
                        out += indent;
                    }
                    (*payload_.array)[i].WriteText(out, indent);
                }
                CloseLevel(out, indent);
            }
            out.push_back(L']');
            break;
        case JsonKind::Object:
            out.push_back(L'{');
            if (!payload_.object->Empty()) {
                OpenLevel(out, indent);
                bool first = true;
                for (const auto& member : payload_.object->Members()) {
                    if (!first) {
                        out.push_back(L',');
                        out += indent;
                    }
                    first = false;
                    AppendQuoted(out, member->key);
                    out.push_back(L':');
                    if (!indent.empty())
                        out.push_back(L' ');
                    member->value.WriteText(out, indent);
                }
                CloseLevel(out, indent);
            }
            out.push_back(L'}');
            break;
    }
    // Only the top-level value of the pretty form is written at an indent of two characters:
    // the text ends with a line break.
    if (indent.size() == 2)
        out += indent;
}
