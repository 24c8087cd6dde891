// Host build: UTF-8 <-> UTF-16 in plain code, replacing invalid input with U+FFFD as the OS
// converter does with flags 0. The host has no ANSI code page of its own; it is taken as UTF-8.
#include <cstdint>
#include <cstring>

#include "foundation/text_convert.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::wstring& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one code point starting at s[i]; advances i past it (past one byte when invalid).
char32_t DecodeUtf8(const unsigned char* s, size_t n, size_t& i) {
    unsigned char b = s[i];
    if (b < 0x80) {
        ++i;
        return b;
    }
    size_t extra;
    char32_t cp, min;
    if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07; min = 0x10000; }
    else { ++i; return kReplacement; }
    if (i + extra >= n) { ++i; return kReplacement; }  // truncated at the end
    for (size_t k = 1; k <= extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) { ++i; return kReplacement; }
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return kReplacement; }
    i += extra + 1;
    return cp;
}

}  // namespace

int ToWide(const char* text, int length, std::wstring& target, unsigned /*codePage*/) {
    target.clear();
    if (!text) return 0;
    size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::wstring out;
    out.reserve(n);
    for (size_t i = 0; i < n;) AppendUtf16(out, DecodeUtf8(s, n, i));
    target = std::move(out);
    return static_cast<int>(target.size());
}

void ToNarrow(std::string& target, const wchar_t* text, int length, unsigned /*codePage*/) {
    target.clear();
    if (!text) return;
    size_t n = 0;
    if (length < 0) {
        while (text[n] != 0) ++n;
    } else {
        n = static_cast<size_t>(length);
    }
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char32_t unit = static_cast<char32_t>(text[i]) & 0xFFFF;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n) {
            char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
    }
    target = std::move(out);
}

std::string ToNarrowAnsi(const std::wstring& text) {
    std::string result;
    ToNarrow(result, text.c_str(), static_cast<int>(text.size()), kCodePageAnsi);
    return result;
}
