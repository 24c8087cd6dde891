#include "ui/page_texts.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/text_format.h"
#include "foundation/version.h"
#include "reader/card_names.h"

namespace {


}  // namespace

std::wstring ReaderIdentityText(int32_t model, int32_t serial, uint32_t firmware) {
    std::wstring text;
    if (model != 0)
        text += ReaderModelName(model);
    if (serial != -1)
        AppendFormatResource(text, kTextSerialFormat, static_cast<int>(serial));
    if (firmware != 0)
        AppendFormatResource(text, kTextFirmwareFormat, FormatVersion(firmware).c_str());
    return text;
}

std::wstring PortItemText(const PortEntry& port) {
    return port.name + L"   " + ReaderIdentityText(port.model, port.serial, port.firmware);
}

std::wstring CardLineText(const CardInfo& card) {
    if (card.uidLength == 0)
        return {};
    // The record comes from another thread's parsing of reader replies: never trust the length.
    const size_t length = std::min<size_t>(card.uidLength, kMaxUidLength);
    std::array<uint8_t, kMaxUidLength + 1> prefixed{};
    prefixed[0] = static_cast<uint8_t>(length);
    std::copy_n(card.uid.begin(), length, prefixed.begin() + 1);

    std::wstring text = CardTypeName(card.type);
    text += L' ';
    text += HexBytesReversed(prefixed.data());
    if (card.subtype != kSubtypeNone) {
        text += L' ';
        text += CardSubtypeName(card.subtype);
    }
    if (card.securityLevel != kNoSecurityLevel)
        AppendFormat(text, L" SL%d", static_cast<int>(static_cast<int8_t>(card.securityLevel)));
    return text;
}
