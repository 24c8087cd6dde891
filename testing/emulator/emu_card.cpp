#include "testing/emulator/emu_card.h"

#include <algorithm>
#include <stdexcept>

namespace {

int BlockCountOf(ClassicKind kind) {
    switch (kind) {
        case ClassicKind::Mini: return 20;
        case ClassicKind::K1: return 64;
        case ClassicKind::K2: return 128;
        case ClassicKind::K4: return 256;
    }
    return 64;
}

uint8_t SakOf(ClassicKind kind) {
    switch (kind) {
        case ClassicKind::Mini: return 0x09;
        case ClassicKind::K1: return 0x08;
        case ClassicKind::K2: return 0x19;
        case ClassicKind::K4: return 0x18;
    }
    return 0x08;
}

}  // namespace

EmuCard EmuCard::Classic(ClassicKind kind, std::vector<uint8_t> uid) {
    if (uid.size() != 4 && uid.size() != 7)
        throw std::invalid_argument("a card UID has 4 or 7 bytes");
    EmuCard card;
    card.kind = kind;
    card.sak = SakOf(kind);
    const bool large = kind == ClassicKind::K4;
    card.atqa = static_cast<uint16_t>((large ? 0x0002 : 0x0004) | (uid.size() == 7 ? 0x0040 : 0));
    card.blocks.assign(static_cast<size_t>(BlockCountOf(kind)), EmuBlock{});
    EmuBlock& manufacturer = card.blocks[0];
    std::copy(uid.begin(), uid.end(), manufacturer.begin());
    if (uid.size() == 4)
        manufacturer[4] = uid[0] ^ uid[1] ^ uid[2] ^ uid[3];
    manufacturer[5] = card.sak;
    manufacturer[6] = static_cast<uint8_t>(card.atqa & 0xFF);
    manufacturer[7] = static_cast<uint8_t>(card.atqa >> 8);
    for (int block = 0; block < card.BlockCount(); ++block) {
        if (!IsTrailer(block))
            continue;
        EmuBlock& trailer = card.blocks[static_cast<size_t>(block)];
        std::copy(kTransportKey.begin(), kTransportKey.end(), trailer.begin());
        trailer[6] = 0xFF;
        trailer[7] = 0x07;
        trailer[8] = 0x80;
        trailer[9] = 0x69;
        std::copy(kTransportKey.begin(), kTransportKey.end(), trailer.begin() + 10);
    }
    card.uid = std::move(uid);
    return card;
}

EmuKey EmuCard::KeyA(int sector) const {
    const EmuBlock& trailer = blocks[static_cast<size_t>(TrailerOf(sector))];
    EmuKey key;
    std::copy(trailer.begin(), trailer.begin() + 6, key.begin());
    return key;
}

EmuKey EmuCard::KeyB(int sector) const {
    const EmuBlock& trailer = blocks[static_cast<size_t>(TrailerOf(sector))];
    EmuKey key;
    std::copy(trailer.begin() + 10, trailer.end(), key.begin());
    return key;
}

bool ParseClassicKind(const std::string& text, ClassicKind& kind) {
    if (text == "mini")
        kind = ClassicKind::Mini;
    else if (text == "1k")
        kind = ClassicKind::K1;
    else if (text == "2k")
        kind = ClassicKind::K2;
    else if (text == "4k")
        kind = ClassicKind::K4;
    else
        return false;
    return true;
}
