// What the program remembers of one reader's page: its port and its test's block and key. The
// first reader keeps its values in CAppSettings' own members (files of earlier versions hold
// them there); every further reader is one of these in CAppSettings::moreReaders. Plain data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/classic_card.h"
#include "reader/test_plan.h"

inline constexpr int32_t kDefaultTestBlock = 1;

struct ReaderSettings {
    std::wstring port;
    int32_t block = kDefaultTestBlock;  // 0-255 once loaded
    uint64_t authKey = kClassicTransportKey;  // 48 bits used
    bool useReaderKeys = false;
    bool keyB = false;
    TestPlan plan;
    bool operator==(const ReaderSettings&) const = default;
};

// Pages one window shows at most, the first reader's included.
inline constexpr size_t kMaxReaders = 16;

// Port names as Windows compares them: "com7" and "COM7" are one port. An empty name is no port
// and names none.
bool SamePortName(std::wstring_view a, std::wstring_view b);
