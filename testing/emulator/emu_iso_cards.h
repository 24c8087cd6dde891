// Cards of the MIFARE families beside Classic, as the emulated reader presents them: their ATQA,
// SAK, ATS, GetVersion answer, security level and AES keys.
#pragma once

#include <cstdint>
#include <vector>

#include "testing/emulator/emu_card.h"

// Product subtypes a GetVersion answer or the historical bytes reveal.
enum class PlusKind { S, X, SE, EV1, EV2 };

// A MIFARE Plus in security level 0 to 3; size 2048 or 4096. EV1 and EV2 answer GetVersion;
// S, X and SE only show themselves in the ATS historical bytes.
EmuCard PlusCard(PlusKind kind, int level, int size, std::vector<uint8_t> uid);
EmuCard DesfireCard(std::vector<uint8_t> uid);
// withGetVersion: an UltraLight EV1 (answers GetVersion with product type 3); else the original.
EmuCard UltraLightCard(bool withGetVersion, std::vector<uint8_t> uid);
// A Smart MX chip with a MIFARE Classic 1K or 4K area (SAK 0x28 / 0x38), in level 1.
EmuCard SmartMxCard(bool fourK, std::vector<uint8_t> uid);
