#include "ui/main_page_rules.h"

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "settings/app_settings.h"
#include "settings/hex_digit.h"

namespace {

constexpr int kSmallSectors = 32;
constexpr int kSmallSectorBlocks = 4;
constexpr int kLargeSectorBlocks = 16;
constexpr int kFirstLargeBlock = kSmallSectors * kSmallSectorBlocks;  // 128


}  // namespace

int SectorOfBlock(int block) {
    if (block < kFirstLargeBlock)
        return block / kSmallSectorBlocks;
    return kSmallSectors + (block - kFirstLargeBlock) / kLargeSectorBlocks;
}

int BlockInSector(int block) {
    if (block < kFirstLargeBlock)
        return block % kSmallSectorBlocks;
    return (block - kFirstLargeBlock) % kLargeSectorBlocks;
}

bool IsTrailerBlock(int block) {
    const int blocksInSector = block < kFirstLargeBlock ? kSmallSectorBlocks : kLargeSectorBlocks;
    return BlockInSector(block) == blocksInSector - 1;
}

int ShownBlock(int32_t stored) {
    return stored >= 0 && stored < kBlockCount ? stored : CAppSettings::kDefaultBlock;
}

std::wstring BlockItemText(int block) {
    std::wstring text;
    FormatResourceString(text, kTextBlockItem, static_cast<unsigned>(block),
                         static_cast<unsigned>(SectorOfBlock(block)),
                         static_cast<unsigned>(BlockInSector(block)));
    if (IsTrailerBlock(block))
        AppendFormatResource(text, kTextTrailerMark);
    return text;
}

bool IsSupportedReaderModel(int32_t model) {
    return model == 2 || model == 3 || model == 8 || model == 9 || model == 11;
}

PageEnables EnablesFor(const PageState& state) {
    PageEnables enables;
    // A worker still ending holds the port: a new one could not start before it is gone.
    const bool free = !state.connectionActive && !state.connectionEnding;
    enables.connect = free && (!state.portItemSelected || IsSupportedReaderModel(state.selectedModel));
    // The port box stays open while disconnected, whatever is chosen in it: disabling it with
    // Connect left no way to choose another port.
    enables.portBox = free;
    enables.disconnect = state.connectionActive;
    enables.start = state.connectionActive && !state.testRunning;
    enables.stop = state.testRunning;
    enables.testSettings = !state.testRunning;
    return enables;
}

std::optional<uint64_t> ParseKeyText(const std::wstring& text) {
    // Every position typed: a key with placeholders left would authenticate with digits the user
    // never entered (the typed ones read as a shorter number).
    if (text.size() != kKeyLength)
        return std::nullopt;
    uint64_t key = 0;
    for (wchar_t ch : text) {
        const int digit = HexDigitValue(ch);
        if (digit < 0)
            return std::nullopt;
        key = (key << 4) | static_cast<uint64_t>(digit);
    }
    return key;
}
