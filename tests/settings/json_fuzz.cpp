// Fuzzes the JSON reader with any bytes, read as the settings file would be (UTF-8 to UTF-16),
// and checks the round trip: whatever the parse built, written and read again, is the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/text_convert.h"
#include "settings/mem_json.h"
#include "tests/settings/json_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    ToWide(reinterpret_cast<const char*>(data), static_cast<int>(size), text, kCodePageUtf8);
    CMemJson document;
    document.LoadText(text);

    for (bool pretty : {true, false}) {
        document.pretty = pretty;
        std::wstring written = document.ToText();
        CMemJson reread;
        reread.pretty = pretty;
        // An empty text leaves root Null, which is what a Null root writes anyway.
        reread.LoadText(written);
        if (!JsonEquals(reread.root, document.root, true))
            std::abort();
        if (reread.ToText() != written)
            std::abort();
    }
    return 0;
}
