// The main page's decisions that need no window: the block list, which controls are enabled in
// which state, and how a typed key is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// MIFARE Classic 4K geometry: sectors 0-31 hold 4 blocks, sectors 32-39 hold 16.
inline constexpr int kBlockCount = 256;
int SectorOfBlock(int block);
int BlockInSector(int block);
bool IsTrailerBlock(int block);

// The block box's item text for an absolute block number, in the catalogue's language.
std::wstring BlockItemText(int block);

// Readers the program can drive; other found readers cannot be connected from the port list.
bool IsSupportedReaderModel(int32_t model);

struct PageState {
    bool connectionActive = false;  // the connection thread is running
    bool testRunning = false;
    bool portItemSelected = false;  // false: the port box holds free text
    int32_t selectedModel = 0;      // reader model of the selected port entry
};

struct PageEnables {
    bool connectAndPort = false;
    bool disconnect = false;
    bool start = false;
    bool stop = false;
    bool testSettings = false;  // block, key, key A, key B
    bool operator==(const PageEnables&) const = default;
};

PageEnables EnablesFor(const PageState& state);

// A typed key: its text read as an unsigned hexadecimal number the way the C library's wcstoull
// reads it (reading stops at the first '_' of an incomplete key); usable only when at least one
// digit was read, nothing overflowed and the value fits in 48 bits.
std::optional<uint64_t> ParseKeyText(const std::wstring& text);
