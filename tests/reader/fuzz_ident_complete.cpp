// Any received bytes: the completeness test reads only inside them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/ident.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> exact(data, data + size);  // exact size, so ASan sees any overrun
    IsIdentComplete(exact.data(), exact.size());
    return 0;
}
