#include "reader/card_classification.h"

#include <cstring>

namespace {

bool IsPlusProduct(uint8_t productType) {
    return productType == 0x02 || productType == 0x82;
}

}  // namespace

PlusHistory KnownPlusHistory(const std::vector<uint8_t>& historical) {
    static constexpr uint8_t kPlusS[7] = {0xC1, 0x05, 0x2F, 0x2F, 0x00, 0x35, 0xC7};
    static constexpr uint8_t kPlusX[7] = {0xC1, 0x05, 0x2F, 0x2F, 0x01, 0xBC, 0xD6};
    static constexpr uint8_t kPlusSE[7] = {0xC1, 0x05, 0x21, 0x30, 0x00, 0xF6, 0xD1};
    static constexpr uint8_t kPlusSE2[7] = {0xC1, 0x05, 0x21, 0x30, 0x10, 0xF6, 0xD1};
    if (historical.size() != 7)
        return PlusHistory::None;
    const uint8_t* bytes = historical.data();
    if (std::memcmp(bytes, kPlusS, 7) == 0)
        return PlusHistory::S;
    if (std::memcmp(bytes, kPlusX, 7) == 0)
        return PlusHistory::X;
    if (std::memcmp(bytes, kPlusSE, 7) == 0 || std::memcmp(bytes, kPlusSE2, 7) == 0)
        return PlusHistory::SE;
    return PlusHistory::None;
}

void SetCard(CardInfo& result, int32_t type, int32_t size) {
    result.type = type;
    result.size = size;
}

void SetPlus(CardInfo& result, int32_t type, int32_t size, uint8_t level, uint8_t subtype) {
    result.type = type;
    result.size = size;
    result.securityLevel = level;
    result.subtype = subtype;
}

bool EndsWith9000(const std::vector<uint8_t>& reply) {
    return reply.size() >= 2 && reply[reply.size() - 2] == 0x00 && reply[reply.size() - 1] == 0x90;
}

size_t HistoricalBytesStart(uint8_t t0) {
    return 2 + ((t0 >> 4) & 1) + ((t0 >> 5) & 1) + ((t0 >> 6) & 1);
}

void ClassicPlusByVersion(const CardVersion& version, CardInfo& result) {
    if (!IsPlusProduct(version.productType))
        return;
    if (version.storage == 0x16) {
        SetPlus(result, kCardPlus2K, 2048, 1, kSubtypeEV1);
    } else if (version.storage == 0x18) {
        SetPlus(result, kCardPlus4K, 4096, 1, kSubtypeEV1);
    } else if (version.storage / 2 < 31) {
        // Larger codes would shift past the record's size field; they stay unknown.
        result.size = 1 << (version.storage / 2);
    }
}

void ClassicPlusByHistory(PlusHistory history, bool fourK, CardInfo& result) {
    switch (history) {
        case PlusHistory::S:
        case PlusHistory::X: {
            const uint8_t subtype = history == PlusHistory::S ? kSubtypeS : kSubtypeX;
            if (fourK) {
                SetPlus(result, kCardPlus4K, 4096, 1, subtype);
            } else {
                SetPlus(result, kCardPlus2K, 2048, 1, subtype);
            }
            break;
        }
        case PlusHistory::SE:
            if (!fourK)
                SetPlus(result, kCardPlus1K, 1024, kNoSecurityLevel, kSubtypeSE);
            break;
        case PlusHistory::None: break;
    }
}

void IsoCardByVersion(const CardVersion& version, CardDetection& d, CardInfo& result) {
    const uint8_t product = version.productType;
    if (product == 0x01 || product == 0x08 || product == 0x81) {
        SetCard(result, kCardDesfire, 0);
    } else if (IsPlusProduct(product)) {
        d.plusCandidate = true;
        if (version.storage == 0x16) {
            SetPlus(result, kCardPlus2K, 2048, 3, result.subtype);
        } else if (version.storage == 0x18) {
            SetPlus(result, kCardPlus4K, 4096, 3, result.subtype);
        }
        if (version.major == 0 && version.minor == 0x11)
            result.subtype = kSubtypeEV1;
        if (version.major == 0 && version.minor == 0x22)
            result.subtype = kSubtypeEV2;
    }
}

void IsoCardByHistory(PlusHistory history, CardDetection& d, CardInfo& result) {
    if (history == PlusHistory::None)
        return;
    d.plusCandidate = true;
    if (history == PlusHistory::SE) {
        SetPlus(result, kCardPlus1K, 1024, result.securityLevel, kSubtypeSE);
        return;
    }
    const uint8_t subtype = history == PlusHistory::S ? kSubtypeS : kSubtypeX;
    if (d.atqa == 0x0002) {
        SetPlus(result, kCardPlus4K, 4096, 3, subtype);
    } else if (d.atqa == 0x0004) {
        SetPlus(result, kCardPlus2K, 2048, 3, subtype);
    }
}

void ClassifyIsoByAtqa(uint16_t atqa, CardInfo& result) {
    if (atqa == 0x0002 || atqa == 0x0042) {
        SetCard(result, kCardPlus4K, 4096);
    } else if (atqa == 0x0004 || atqa == 0x0044) {
        SetCard(result, kCardPlus2K, 2048);
    } else if (atqa == 0x0344) {
        SetCard(result, kCardDesfire, 0);
    } else {
        SetCard(result, kCardPlus, 0);
    }
}

int ProbeClassOf(CardDetection& d) {
    if (d.ats.empty() || d.ats[0] < 2)
        return 1;
    if (d.ats[0] < 7)
        return 2;
    d.plusCandidate = true;
    return 3;
}

void ClassifyBySakAlone(const CardDetection& d, CardInfo& result) {
    const uint8_t sak = d.sak;
    result.securityLevel = kNoSecurityLevel;
    result.size = 0;
    if (sak & kSakNotMifare)
        return;
    if (sak & kSakClassic) {
        const bool fourK = (sak & kSak4K) != 0;
        const bool iso = (sak & kSakIso) != 0;
        if (!fourK) {
            if (sak & kSakMini) {
                SetCard(result, kCardMini, 320);
            } else {
                SetCard(result, iso ? kCardSmartMx1K : kCardClassic1K, 1024);
            }
        } else if (sak & kSakMini) {
            SetCard(result, kCardClassic2K, 2048);
        } else {
            SetCard(result, iso ? kCardSmartMx4K : kCardClassic4K, 4096);
        }
        return;
    }
    if (sak & kSak4K) {
        if (sak & kSakMini) {
            SetPlus(result, kCardPlus4K, 4096, 2, result.subtype);
        } else {
            SetPlus(result, kCardPlus2K, 2048, 2, result.subtype);
        }
        return;
    }
    if (!(sak & kSakIso)) {
        SetCard(result, kCardUltraLight, 64);
        return;
    }
    ClassifyIsoByAtqa(d.atqa, result);
}
