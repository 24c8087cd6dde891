// Instance identifiers come from the OS's device tree: any text must classify without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/port_classification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring id;
    for (size_t i = 0; i + 1 < size; i += 2) id.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    PortClassification result = ClassifyPort(id, [&]() -> std::optional<std::wstring> { return id; });
    if (result.modelHint < 0 || result.modelHint > 6)
        std::abort();
    if (!result.recognised && result.modelHint != 0)
        std::abort();
    return 0;
}
