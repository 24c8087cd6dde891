#include "foundation/version.h"

#include <cwctype>

std::wstring FormatVersion(uint32_t version) {
    if (version == 0) return {};
    if (version < 0x10000) return std::to_wstring(version);
    std::wstring text = std::to_wstring(version >> 24) + L'.' + std::to_wstring((version >> 16) & 0xFF);
    if ((version & 0xFFFF) != 0) text += L'.' + std::to_wstring((version >> 8) & 0xFF);
    if ((version & 0xFF) != 0) text += L'.' + std::to_wstring(version & 0xFF);
    return text;
}

namespace {

// Reads a decimal number at pos; false when there is no digit. Overlong numbers wrap, as only
// their low bits are kept anyway.
bool ReadNumber(const std::wstring& text, size_t& pos, uint32_t& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        value = value * 10 + static_cast<uint32_t>(text[pos] - L'0');
        ++pos;
    }
    return pos != start;
}

}  // namespace

uint32_t ParseVersion(const std::wstring& text) {
    size_t pos = 0;
    while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
    uint32_t first = 0;
    if (!ReadNumber(text, pos, first)) return 0;
    if (pos >= text.size() || text[pos] != L'.') return first;

    uint32_t result = first << 24;
    for (int shift = 16; shift >= 0; shift -= 8) {
        if (pos >= text.size() || text[pos] != L'.') break;
        ++pos;
        uint32_t component = 0;
        if (!ReadNumber(text, pos, component)) break;
        result |= (component & 0xFF) << shift;
    }
    return result;
}
