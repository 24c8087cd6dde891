#include "testing/emulator/emu_iso_cards.h"

#include <algorithm>
#include <iterator>

namespace {

// ATS: length, T0 (TA, TB, TC present, FSCI 5), TA, TB, TC, then the historical bytes.
std::vector<uint8_t> Ats(const std::vector<uint8_t>& historical) {
    const uint8_t head[] = {static_cast<uint8_t>(5 + historical.size()), 0x75, 0x77, 0x80, 0x02};
    std::vector<uint8_t> ats(sizeof head + historical.size());
    std::copy(std::begin(head), std::end(head), ats.begin());
    std::copy(historical.begin(), historical.end(), ats.begin() + sizeof head);
    return ats;
}

std::vector<uint8_t> Historical(PlusKind kind) {
    switch (kind) {
        case PlusKind::S: return {0xC1, 0x05, 0x2F, 0x2F, 0x00, 0x35, 0xC7};
        case PlusKind::X: return {0xC1, 0x05, 0x2F, 0x2F, 0x01, 0xBC, 0xD6};
        case PlusKind::SE: return {0xC1, 0x05, 0x21, 0x30, 0x00, 0xF6, 0xD1};
        default: return {0xC1, 0x05, 0x2F, 0x2F, 0x01, 0xBC, 0xD6};
    }
}

// GetVersion: header, vendor, product type, subtype, major, minor, storage size, protocol.
std::vector<uint8_t> Version(uint8_t product, uint8_t major, uint8_t minor, uint8_t storage) {
    return {0x00, 0x04, product, 0x01, major, minor, storage, 0x05};
}

EmuCard IsoCard(uint16_t atqa, uint8_t sak, std::vector<uint8_t> uid, EmuIsoAnswers iso) {
    EmuCard card = EmuCard::Classic(ClassicKind::K1, std::move(uid));
    card.atqa = atqa;
    card.sak = sak;
    card.iso = std::move(iso);
    return card;
}

}  // namespace

EmuCard PlusCard(PlusKind kind, int level, int size, std::vector<uint8_t> uid) {
    EmuIsoAnswers iso;
    const bool fourK = size >= 4096;
    const bool versioned = kind == PlusKind::EV1 || kind == PlusKind::EV2;
    iso.ats =
        Ats(versioned ? std::vector<uint8_t>{0xC1, 0x05, 0x2F, 0x2F, 0x01, 0xBC, 0xD7} : Historical(kind));
    if (versioned)
        iso.getVersion = Version(0x02, 0x00, kind == PlusKind::EV1 ? 0x11 : 0x22, fourK ? 0x18 : 0x16);
    iso.level0 = level == 0;
    iso.level3 = level == 3;
    iso.aesSize = size;
    // Levels 0, 1 and 3 answer with the ISO bit alone or beside the Classic bits; level 2 with 0x10/0x11.
    uint8_t sak = 0x20;
    if (level == 1)
        sak = fourK ? 0x18 : 0x08;
    if (level == 2)
        sak = fourK ? 0x11 : 0x10;
    return IsoCard(fourK ? 0x0002 : 0x0004, sak, std::move(uid), std::move(iso));
}

EmuCard DesfireCard(std::vector<uint8_t> uid) {
    EmuIsoAnswers iso;
    iso.ats = {0x06, 0x75, 0x77, 0x81, 0x02, 0x80};
    iso.getVersion = Version(0x01, 0x01, 0x00, 0x18);
    return IsoCard(0x0344, 0x20, std::move(uid), std::move(iso));
}

EmuCard UltraLightCard(bool withGetVersion, std::vector<uint8_t> uid) {
    EmuIsoAnswers iso;
    if (withGetVersion)
        iso.getVersion = Version(0x03, 0x01, 0x00, 0x0B);
    return IsoCard(0x0044, 0x00, std::move(uid), std::move(iso));
}

EmuCard SmartMxCard(bool fourK, std::vector<uint8_t> uid) {
    EmuIsoAnswers iso;
    iso.ats = Ats({0x80, 0x31, 0x80, 0x66, 0xB0, 0x84, 0x0C});
    return IsoCard(fourK ? 0x0002 : 0x0004, fourK ? 0x38 : 0x28, std::move(uid), std::move(iso));
}
