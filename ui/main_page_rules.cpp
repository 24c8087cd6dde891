#include "ui/main_page_rules.h"

#include <cerrno>
#include <cwchar>

#include "foundation/catalogue.h"

namespace {

constexpr int kSmallSectors = 32;
constexpr int kSmallSectorBlocks = 4;
constexpr int kLargeSectorBlocks = 16;
constexpr int kFirstLargeBlock = kSmallSectors * kSmallSectorBlocks;  // 128

constexpr unsigned kBlockItemFormat = 121;
constexpr unsigned kTrailerMark = 122;

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

std::wstring BlockItemText(int block) {
    std::wstring text;
    FormatResourceString(text, kBlockItemFormat, static_cast<unsigned>(block),
                         static_cast<unsigned>(SectorOfBlock(block)),
                         static_cast<unsigned>(BlockInSector(block)));
    if (IsTrailerBlock(block))
        AppendFormatResource(text, kTrailerMark);
    return text;
}

bool IsSupportedReaderModel(int32_t model) {
    return model == 2 || model == 3 || model == 8 || model == 9 || model == 11;
}

PageEnables EnablesFor(const PageState& state) {
    PageEnables enables;
    enables.connectAndPort =
        !state.connectionActive && (!state.portItemSelected || IsSupportedReaderModel(state.selectedModel));
    enables.disconnect = state.connectionActive;
    enables.start = state.connectionActive && !state.testRunning;
    enables.stop = state.testRunning;
    enables.testSettings = !state.testRunning;
    return enables;
}

std::optional<uint64_t> ParseKeyText(const std::wstring& text) {
    // The program's wide strings hold UTF-16 units; wcstoull needs only ASCII digits to agree.
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long value = std::wcstoull(begin, &end, 16);
    if (errno != 0 || end == begin || value > 0xFFFFFFFFFFFFull)
        return std::nullopt;
    return static_cast<uint64_t>(value);
}
