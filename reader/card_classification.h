// The decisions of card detection, as plain functions over what the card answered: its ATQA and
// SAK, the ATS historical bytes and the GetVersion answer. The commands that fetch those answers
// and the probing authentications are the session's (card_detect.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "reader/card_info.h"

// Working data of one detection.
struct CardDetection {
    uint16_t atqa = 0;
    uint8_t sak = 0;
    std::vector<uint8_t> ats;
    std::vector<uint8_t> historical;
    bool plusCandidate = false;  // may be a MIFARE Plus whose level and size still need probing
};

// The GetVersion answer: product type, version, storage size code.
struct CardVersion {
    uint8_t productType = 0;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t storage = 0;
};

inline constexpr uint8_t kSakMini = 0x01;  // with 0x08: Mini; with 0x18: 2K
inline constexpr uint8_t kSakNotMifare = 0x02;
inline constexpr uint8_t kSakClassic = 0x08;
inline constexpr uint8_t kSak4K = 0x10;
inline constexpr uint8_t kSakIso = 0x20;

enum class PlusHistory { None, S, SE, X };

// The MIFARE Plus product the 7 historical bytes name, if any.
PlusHistory KnownPlusHistory(const std::vector<uint8_t>& historical);

void SetCard(CardInfo& result, int32_t type, int32_t size);
void SetPlus(CardInfo& result, int32_t type, int32_t size, uint8_t level, uint8_t subtype);

// A pass-through reply that ends with the card's success code 90 00.
bool EndsWith9000(const std::vector<uint8_t>& reply);

// The ATS offset where the historical bytes begin (after TA, TB and TC as T0 announces them).
size_t HistoricalBytesStart(uint8_t t0);

// SAK 0x08 or 0x18 with an ATS: a MIFARE Plus in level 1 by its version or its historical bytes.
void ClassicPlusByVersion(const CardVersion& version, CardInfo& result);
void ClassicPlusByHistory(PlusHistory history, bool fourK, CardInfo& result);
// SAK 0x20 on an extended reader: DESFire or a MIFARE Plus in level 3.
void IsoCardByVersion(const CardVersion& version, CardDetection& d, CardInfo& result);
void IsoCardByHistory(PlusHistory history, CardDetection& d, CardInfo& result);

// Cards answering on the ISO 14443-4 layer, told apart by ATQA when nothing else is known.
void ClassifyIsoByAtqa(uint16_t atqa, CardInfo& result);

// How the refinement probes a card still unknown: 1 Classic, 2 Plus in level 1 or 2, 3 Plus
// in level 3 (which makes it a Plus candidate), by the ATS's length byte.
int ProbeClassOf(CardDetection& d);

// The last word when nothing else decided: the type by SAK alone.
void ClassifyBySakAlone(const CardDetection& d, CardInfo& result);
