// Any journal left on the disk: read without reading outside it, overflowing or looping.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reader/test_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RecoveredTest test = ReadTestJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)test;
    return 0;
}
