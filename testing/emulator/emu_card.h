// A MIFARE Classic card as the emulated reader sees it: identifiers, real block memory and the
// keys in each sector's trailer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using EmuBlock = std::array<uint8_t, 16>;
using EmuKey = std::array<uint8_t, 6>;

// The transport key cards leave the factory with.
inline constexpr EmuKey kTransportKey = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

enum class ClassicKind { Mini, K1, K2, K4 };

// What a card that also speaks ISO 14443-4 (MIFARE Plus, DESFire, Smart MX, UltraLight with
// GetVersion) answers to the ATS request, the pass-through and the AES authentication.
struct EmuIsoAnswers {
    std::vector<uint8_t> ats;                        // answer to 0x48; empty: none
    std::optional<std::vector<uint8_t>> getVersion;  // answer to GetVersion; none: the card refuses
    bool level0 = false;  // security level 0: answers the level 0 probe with 00 90
    bool level3 = false;  // security level 3: answers the level 3 probe with 00 90
    int aesSize = 0;      // bytes behind AES keys (2048: key 0x403E, 4096: 0x4040 too); 0: none
};

struct EmuCard {
    // A fresh card: data blocks zero, block 0 holding the UID, every trailer with the transport
    // key as key A and key B and the transport access bits FF 07 80. uid: 4 or 7 bytes.
    static EmuCard Classic(ClassicKind kind, std::vector<uint8_t> uid);

    int BlockCount() const { return static_cast<int>(blocks.size()); }
    // Sectors 0..31 have 4 blocks, sectors 32..39 (4K cards) 16.
    static int SectorOf(int block) { return block < 128 ? block / 4 : 32 + (block - 128) / 16; }
    static int TrailerOf(int sector) { return sector < 32 ? sector * 4 + 3 : 128 + (sector - 32) * 16 + 15; }
    static bool IsTrailer(int block) { return TrailerOf(SectorOf(block)) == block; }
    EmuKey KeyA(int sector) const;
    EmuKey KeyB(int sector) const;

    ClassicKind kind = ClassicKind::K1;
    std::vector<uint8_t> uid;
    uint16_t atqa = 0x0004;
    uint8_t sak = 0x08;
    std::vector<EmuBlock> blocks;
    std::optional<EmuIsoAnswers> iso;  // none: a plain MIFARE Classic card
};

// "mini", "1k", "2k", "4k"; false for anything else.
bool ParseClassicKind(const std::string& text, ClassicKind& kind);
