#include <windows.h>

#include "foundation/text_convert.h"

// Flags 0 on both directions: invalid sequences are replaced rather than rejected.

int ToWide(const char* text, int length, std::wstring& target, unsigned codePage) {
    target.clear();
    if (!text) return 0;
    int needed = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (needed <= 0) return 0;
    std::wstring converted(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(codePage, 0, text, length, converted.data(), needed) != needed) return 0;
    // With length -1 the count includes the terminating null.
    if (length == -1 && !converted.empty() && converted.back() == L'\0') converted.pop_back();
    target = std::move(converted);
    return static_cast<int>(target.size());
}

void ToNarrow(std::string& target, const wchar_t* text, int length, unsigned codePage) {
    target.clear();
    if (!text) return;
    int needed = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return;
    std::string converted(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(codePage, 0, text, length, converted.data(), needed, nullptr, nullptr) != needed)
        return;
    if (length == -1 && !converted.empty() && converted.back() == '\0') converted.pop_back();
    target = std::move(converted);
}

std::string ToNarrowAnsi(const std::wstring& text) {
    std::string result;
    ToNarrow(result, text.c_str(), static_cast<int>(text.size()), CP_ACP);
    return result;
}
