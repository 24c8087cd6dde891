// The block test's value: a 128-bit unsigned counter stored in a block little-endian.
#pragma once

#include <array>
#include <cstdint>

struct Counter128 {
    uint64_t low = 0;
    uint64_t high = 0;

    // Wraps to 0 after all ones.
    void Increment() {
        if (++low == 0)
            ++high;
    }

    std::array<uint8_t, 16> ToBytes() const {
        std::array<uint8_t, 16> bytes{};
        for (int i = 0; i < 8; ++i) {
            bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(low >> (8 * i));
            bytes[static_cast<size_t>(i + 8)] = static_cast<uint8_t>(high >> (8 * i));
        }
        return bytes;
    }

    // bytes: at least 16.
    static Counter128 FromBytes(const uint8_t* bytes) {
        Counter128 value;
        for (int i = 7; i >= 0; --i) {
            value.low = (value.low << 8) | bytes[i];
            value.high = (value.high << 8) | bytes[i + 8];
        }
        return value;
    }

    bool operator==(const Counter128&) const = default;
};
