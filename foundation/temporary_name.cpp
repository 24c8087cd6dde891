#include "foundation/temporary_name.h"

#include <algorithm>

std::wstring TemporaryPathBeside(std::wstring_view path, uint32_t seed) {
    static constexpr wchar_t kHex[] = L"0123456789abcdef";
    constexpr size_t kLongestName = 9;  // "~" and the eight digits of a 32-bit seed
    // A drive-relative name such as C:report.txt keeps its drive.
    const size_t separator = path.find_last_of(L"\\/:");
    const size_t nameStart = separator == std::wstring_view::npos ? 0 : separator + 1;
    const size_t length = std::clamp<size_t>(path.size() - nameStart, 1, kLongestName);

    std::wstring result(path.substr(0, nameStart));
    if (length > 1)
        result += L'~';
    for (size_t digit = result.size() - nameStart; digit < length; ++digit, seed >>= 4) result += kHex[seed & 0xF];
    return result;
}
