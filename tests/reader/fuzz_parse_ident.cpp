// Any identification answer: parsed without reading outside the text, overflowing or looping.
#include <cstddef>
#include <cstdint>
#include <string>

#include "reader/ident.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // zero-terminated copy
    ReaderIdentity identity;
    ParseIdent(text.c_str(), identity);
    return 0;
}
