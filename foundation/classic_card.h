// Facts of MIFARE Classic cards that the reader, the settings and the page all rely on: where a
// block lies, how many blocks a 4K card has, and the transport key cards leave the factory with.
// Sectors 0-31 hold 4 blocks, sectors 32-39 (the upper half of a 4K card) hold 16. The last
// block of a sector is its trailer (keys and access bits), which the block test must never write.
#pragma once

#include <cstdint>

inline constexpr int kClassicBlockCount = 256;  // blocks 0-255 of a 4K card
// The published transport key of MIFARE Classic cards (key A and B as delivered), low 48 bits.
inline constexpr uint64_t kClassicTransportKey = 0xFFFFFFFFFFFFull;

struct BlockPlace {
    int sector;
    int index;  // within the sector
    bool trailer;
};

constexpr BlockPlace PlaceOfBlock(uint8_t block) {
    if (block < 128)
        return {block / 4, block % 4, block % 4 == 3};
    return {32 + (block - 128) / 16, block % 16, block % 16 == 15};
}
