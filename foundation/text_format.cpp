#include "foundation/text_format.h"

#include <algorithm>
#include <cwchar>

#if !defined(_WIN32)
namespace {

// glibc's wide printf reads "%s" as a narrow string; the catalogue means a wide one (as the
// Windows runtime does). Turns every bare %s and %c into %ls and %lc.
std::wstring WidenStringConversions(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out.push_back(*p++);
            continue;
        }
        out.push_back(*p++);
        if (*p == L'%') {
            out.push_back(*p++);
            continue;
        }
        while (*p && std::wcschr(L"-+ #0123456789.*", *p)) out.push_back(*p++);
        if (*p == L's' || *p == L'c') out.push_back(L'l');
    }
    return out;
}

}  // namespace
#endif

int VFormatToBuffer(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    if (!buffer || capacity == 0 || !format) return -1;
#if defined(_WIN32)
    // The runtime's own formatter: "%s" is a wide string in a wide format. It neither
    // terminates a text that fills the count nor reports one that overflows it other than by -1.
    int produced = _vsnwprintf(buffer, capacity - 1, format, args);
#else
    int produced = std::vswprintf(buffer, capacity, WidenStringConversions(format).c_str(), args);
#endif
    if (produced < 0 || static_cast<size_t>(produced) >= capacity) {
        buffer[0] = L'\0';
        return -1;
    }
    buffer[produced] = L'\0';
    return produced;
}

int FormatToBuffer(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int produced = VFormatToBuffer(buffer, capacity, format, args);
    va_end(args);
    return produced;
}

void VAppendFormat(std::wstring& target, const wchar_t* format, va_list args) {
    const size_t oldLength = target.size();
    const size_t newSize = std::max(oldLength + 1024, target.capacity());
    target.resize(newSize);
    int produced = VFormatToBuffer(target.data() + oldLength, newSize - oldLength, format, args);
    target.resize(produced > 0 ? oldLength + static_cast<size_t>(produced) : oldLength);
}

void AppendFormat(std::wstring& target, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    VAppendFormat(target, format, args);
    va_end(args);
}

std::wstring HexBytesReversed(const uint8_t* lengthPrefixed) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring result;
    if (!lengthPrefixed) return result;
    const unsigned n = lengthPrefixed[0];
    result.reserve(2 * n);
    for (unsigned i = n; i >= 1; --i) {
        result.push_back(kDigits[lengthPrefixed[i] >> 4]);
        result.push_back(kDigits[lengthPrefixed[i] & 0x0F]);
    }
    return result;
}
