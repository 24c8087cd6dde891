// The main page's decisions that need no window: the block list, which controls are enabled in
// which state, and how a typed key is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The block the box shows for a stored block: the block itself, or the default block for a number
// the box has no item for (the test always runs on the block shown).
int ShownBlock(int32_t stored);

// The block box's item text for an absolute block number, in the catalogue's language.
std::wstring BlockItemText(int block);

struct PageState {
    bool connectionActive = false;  // the reader worker is running
    bool testRunning = false;
    bool portItemSelected = false;  // false: the port box holds free text
    int32_t selectedModel = 0;      // reader model of the selected port entry
    bool connectionEnding = false;  // asked to stop, it still switches off and closes the port
    bool portTakenElsewhere = false;  // the chosen port is another reader page's
};

struct PageEnables {
    bool connect = false;
    bool portBox = false;
    bool disconnect = false;
    bool start = false;
    bool stop = false;
    bool testSettings = false;  // block, key, key A, key B
    bool operator==(const PageEnables&) const = default;
};

PageEnables EnablesFor(const PageState& state);

// A typed key: usable only when all twelve positions hold a hexadecimal digit (the key edit gives
// '_' for a position not typed).
inline constexpr size_t kKeyLength = 12;
std::optional<uint64_t> ParseKeyText(const std::wstring& text);
