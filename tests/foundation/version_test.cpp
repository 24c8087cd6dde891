#include <gtest/gtest.h>

#include "foundation/version.h"

namespace {

struct FormatCase {
    uint32_t value;
    const wchar_t* text;
};

TEST(FormatVersion, Table) {
    const FormatCase cases[] = {
        {0, L""},
        {5, L"5"},
        {0xFFFF, L"65535"},
        {0x00010000, L"0.1"},
        {0x01000000, L"1.0"},
        {0x01020300, L"1.2.3"},
        {0x01020003, L"1.2.0.3"},
        {0x0A0B0C0D, L"10.11.12.13"},
        {0xFFFFFFFF, L"255.255.255.255"},
        {0x01080000, L"1.8"},
        {0x02090000, L"2.9"},
        {0x020A0000, L"2.10"},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(FormatVersion(c.value), c.text) << std::hex << c.value;
}

struct ParseCase {
    const wchar_t* text;
    uint32_t value;
};

TEST(ParseVersion, Table) {
    const ParseCase cases[] = {
        {L"", 0},
        {L"abc", 0},
        {L"7", 7},
        {L"  7", 7},
        {L"1.2", 0x01020000},
        {L"1.0.0.0", 0x01000000},
        {L"1.x", 0x01000000},
        {L"1.2.x.4", 0x01020000},      // reading stops at the first missing number
        {L"1.2.3.4.5", 0x01020304},    // at most four components
        {L"300.2", 0x2C020000},        // only the low 8 bits of each component survive
        {L"1.256.257.258", 0x01000102},
        {L"2.10", 0x020A0000},
        {L"1.8.0", 0x01080000},
        {L"99999999999", static_cast<uint32_t>(99999999999ULL)},  // wraps, never throws
    };
    for (const ParseCase& c : cases) EXPECT_EQ(ParseVersion(c.text), c.value) << "text: " << c.text;
}

TEST(Version, RoundTripsEveryTwoToFourComponentText) {
    // Formatting the parsed value gives back the text when the last component is not 0.
    const uint32_t samples[] = {1, 2, 9, 10, 99, 100, 254, 255};
    for (uint32_t a : samples)
        for (uint32_t b : samples) {
            std::wstring two = std::to_wstring(a) + L"." + std::to_wstring(b);
            EXPECT_EQ(FormatVersion(ParseVersion(two)), two);
            for (uint32_t c : samples) {
                std::wstring three = two + L"." + std::to_wstring(c);
                EXPECT_EQ(FormatVersion(ParseVersion(three)), three);
                std::wstring fourFull = three + L"." + std::to_wstring(b);
                EXPECT_EQ(FormatVersion(ParseVersion(fourFull)), fourFull);
            }
        }
}

}  // namespace
