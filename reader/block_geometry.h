// Where a block lies on a MIFARE Classic card: sectors 0-31 hold 4 blocks, sectors 32-39 (the
// upper half of a 4K card) hold 16. The last block of a sector is its trailer (keys and access
// bits), which the block test must never write.
#pragma once

#include <cstdint>

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
