#include "ui/main_page_rules.h"

#include "foundation/catalogue.h"
#include "foundation/classic_card.h"
#include "foundation/text_ids.h"
#include "reader/reader_models.h"
#include "settings/app_settings.h"
#include "settings/hex_digit.h"

int ShownBlock(int32_t stored) {
    return stored >= 0 && stored < kClassicBlockCount ? stored : CAppSettings::kDefaultBlock;
}

std::wstring BlockItemText(int block) {
    const BlockPlace place = PlaceOfBlock(static_cast<uint8_t>(block));
    std::wstring text;
    FormatResourceString(text, kTextBlockItem, static_cast<unsigned>(block), static_cast<unsigned>(place.sector),
                         static_cast<unsigned>(place.index));
    if (place.trailer)
        AppendFormatResource(text, kTextTrailerMark);
    return text;
}

PageEnables EnablesFor(const PageState& state) {
    PageEnables enables;
    // A worker still ending holds the port: a new one could not start before it is gone.
    const bool free = !state.connectionActive && !state.connectionEnding;
    enables.connect = free && !state.portTakenElsewhere &&
                      (!state.portItemSelected || IsSupportedReaderModel(state.selectedModel));
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
