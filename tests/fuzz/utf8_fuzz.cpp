// Any bytes convert without crashing, and text that came out of a conversion survives a round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/text_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring wide;
    ToWide(reinterpret_cast<const char*>(data), static_cast<int>(size), wide, kCodePageUtf8);
    std::string narrow;
    ToNarrow(narrow, wide.c_str(), static_cast<int>(wide.size()), kCodePageUtf8);
    std::wstring again;
    ToWide(narrow.c_str(), static_cast<int>(narrow.size()), again, kCodePageUtf8);
    if (again != wide) std::abort();
    for (wchar_t unit : wide)
        if (static_cast<uint32_t>(unit) > 0xFFFF) std::abort();  // UTF-16 units only
    return 0;
}
