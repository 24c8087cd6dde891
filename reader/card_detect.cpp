// Working out the family, size, MIFARE Plus security level and product subtype of a new card from
// its ATQA, SAK, ATS historical bytes, GetVersion answer and a few probing authentications.
#include <algorithm>
#include <cstring>
#include <functional>

#include "foundation/errors.h"
#include "reader/card_commands.h"
#include "reader/connect_thread.h"
#include "reader/frame.h"

namespace {

constexpr uint8_t kSakMini = 0x01;  // with 0x08: Mini; with 0x18: 2K
constexpr uint8_t kSakNotMifare = 0x02;
constexpr uint8_t kSakClassic = 0x08;
constexpr uint8_t kSak4K = 0x10;
constexpr uint8_t kSakIso = 0x20;

enum class PlusHistory { None, S, SE, X };

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

bool IsPlusProduct(uint8_t productType) {
    return productType == 0x02 || productType == 0x82;
}

// Cards answering on the ISO 14443-4 layer, told apart by ATQA when nothing else is known.
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

bool EndsWith9000(const std::vector<uint8_t>& reply) {
    return reply.size() >= 2 && reply[reply.size() - 2] == 0x00 && reply[reply.size() - 1] == 0x90;
}

}  // namespace

struct CConnectThread::Detection {
    uint16_t atqa = 0;
    uint8_t sak = 0;
    std::vector<uint8_t> ats;
    std::vector<uint8_t> historical;
    bool plusCandidate = false;
};

void CConnectThread::EnsureAts(Detection& d) {
    if (!atsRead)
        ReadAts(d.ats, d.historical);
}

bool CConnectThread::DetectCard(CardInfo& result) {
    atsRead = false;
    result = CardInfo{};
    const int status = Command(kCmdSearch, {0x00});
    if (status == kStatusCardRefused) {
        exchange.lastError = kErrNoCard;
        return false;
    }
    if (status != kStatusSuccess)
        throw CMyError(kErrUnexpectedStatus);
    const std::vector<uint8_t>& reply = exchange.reply;
    if (reply.size() < 3)
        throw CMyError(kErrBadReply);
    Detection d;
    d.atqa = static_cast<uint16_t>(reply[0] | (reply[1] << 8));
    d.sak = reply[2];
    // Longer identifiers than the record holds are cut, never copied past it.
    result.uidLength = static_cast<uint8_t>(std::min<size_t>(reply.size() - 3, kMaxUidLength));
    std::copy_n(reply.begin() + 3, result.uidLength, result.uid.begin());

    if (result.SameUid(card)) {
        result = card;
        return true;
    }
    ClassifyBySak(d, result);
    if (extendedReader)
        Refine(d, result);
    return true;
}

void CConnectThread::ClassifyBySak(Detection& d, CardInfo& result) {
    const uint8_t sak = d.sak;
    if (sak & kSakNotMifare)
        return;
    if (sak & kSakClassic) {
        const bool fourK = (sak & kSak4K) != 0;
        if (sak & kSakMini) {
            if (fourK) {
                SetCard(result, kCardClassic2K, 2048);
            } else {
                SetCard(result, kCardMini, 320);
            }
        } else if (sak & kSakIso) {
            SetCard(result, fourK ? kCardSmartMx4K : kCardSmartMx1K, fourK ? 4096 : 1024);
            d.plusCandidate = true;
        } else {
            ClassifyClassicWithAts(d, result, fourK);
        }
        return;
    }
    if (sak & kSak4K) {
        const int bit = sak & kSakMini;
        SetPlus(result, kCardPlus2K + bit, 2048 * (1 + bit), 2, kSubtypeNone);
        d.plusCandidate = true;
        return;
    }
    if (sak & kSakMini)
        return;
    if (!(sak & kSakIso)) {
        VersionInfo version;
        if (GetVersion(version) && version.productType != 3)
            return;
        SetCard(result, kCardUltraLight, 64);
        return;
    }
    ClassifyIsoCard(d, result);
}

// SAK 0x08 or 0x18 without the ISO bit: a Classic, unless an ATS shows a MIFARE Plus in level 1.
void CConnectThread::ClassifyClassicWithAts(Detection& d, CardInfo& result, bool fourK) {
    ReadAts(d.ats, d.historical);
    if (d.ats.empty()) {
        SetCard(result, fourK ? kCardClassic4K : kCardClassic1K, fourK ? 4096 : 1024);
        return;
    }
    d.plusCandidate = true;
    VersionInfo version;
    if (GetVersion(version)) {
        if (IsPlusProduct(version.productType)) {
            if (version.storage == 0x16) {
                SetPlus(result, kCardPlus2K, 2048, 1, kSubtypeEV1);
            } else if (version.storage == 0x18) {
                SetPlus(result, kCardPlus4K, 4096, 1, kSubtypeEV1);
            } else if (version.storage / 2 < 31) {
                // Larger codes would shift past the record's size field; they stay unknown.
                result.size = 1 << (version.storage / 2);
            }
        }
        return;
    }
    switch (KnownPlusHistory(d.historical)) {
        case PlusHistory::S:
            if (fourK) {
                SetPlus(result, kCardPlus4K, 4096, 1, kSubtypeS);
            } else {
                SetPlus(result, kCardPlus2K, 2048, 1, kSubtypeS);
            }
            break;
        case PlusHistory::X:
            if (fourK) {
                SetPlus(result, kCardPlus4K, 4096, 1, kSubtypeX);
            } else {
                SetPlus(result, kCardPlus2K, 2048, 1, kSubtypeX);
            }
            break;
        case PlusHistory::SE:
            if (!fourK)
                SetPlus(result, kCardPlus1K, 1024, kNoSecurityLevel, kSubtypeSE);
            break;
        case PlusHistory::None: break;
    }
}

// SAK 0x20 alone: DESFire, MIFARE Plus in level 3, or another ISO 14443-4 card.
void CConnectThread::ClassifyIsoCard(Detection& d, CardInfo& result) {
    ReadAts(d.ats, d.historical);
    if (!extendedReader) {
        ClassifyIsoByAtqa(d.atqa, result);
        if (result.type != kCardDesfire)
            d.plusCandidate = true;
        return;
    }
    if (d.ats.empty())
        return;
    VersionInfo version;
    if (GetVersion(version)) {
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
        return;
    }
    const PlusHistory history = KnownPlusHistory(d.historical);
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

void CConnectThread::Refine(Detection& d, CardInfo& result) {
    int probeClass = 0;
    if (result.type == kCardNone) {
        EnsureAts(d);
        if (d.ats.empty() || d.ats[0] < 2) {
            probeClass = 1;
        } else if (d.ats[0] < 7) {
            probeClass = 2;
        } else {
            probeClass = 3;
            d.plusCandidate = true;
        }
    }
    if (d.plusCandidate && result.securityLevel == kNoSecurityLevel)
        ProbeSecurityLevel(d, result);
    if (result.type == kCardNone) {
        if (d.sak == kSakIso && d.atqa == 0x0044) {
            result.type = kCardPlus4K;
            result.securityLevel = 3;
        } else if (probeClass == 1) {
            ProbeClassicSize(result, result, kCardClassic1K);
        } else if (probeClass == 2 && result.securityLevel == 1) {
            ProbeClassicSize(result, result, kCardPlus1K);
        } else if (probeClass == 3) {
            if (result.securityLevel == 3)
                ProbeAesSize(result);
            if (result.type == kCardNone)
                result.type = kCardPlus;
        }
    }
    if (result.type == kCardNone)
        ClassifyBySakAlone(d, result);
}

void CConnectThread::ProbeSecurityLevel(Detection& d, CardInfo& result) {
    EnsureAts(d);
    int status = Command(kCmdPassThrough, PayloadOf({0x13, 0xA8, 0x00, 0x90}, kPlusAesTransportKey.data(),
                                                    kPlusAesTransportKey.size()));
    if (status == kStatusSuccess && EndsWith9000(exchange.reply)) {
        result.securityLevel = 0;
        return;
    }
    exchange.lastError = status == kStatusSuccess ? kErrUnexpected : kErrNoCard;
    status = Command(kCmdPassThrough, {0x01, 0x48});
    result.securityLevel = status == kStatusSuccess && EndsWith9000(exchange.reply) ? 3 : 1;
}

// Two authentications with the transport key tell 1K, 2K and 4K apart: an address the card lacks
// is refused with "wrong address". probe(false) tries the address every size has beyond 1K,
// probe(true) the one only 4K cards have. types: the 1K type; 2K and 4K follow it.
void CConnectThread::ProbeSize(const std::function<int(bool)>& probe, CardInfo& result, int32_t type1K,
                               bool refusedMeans1K) {
    int status = probe(false);
    if (status == kStatusHardwareFailure) {
        exchange.lastError = kErrNoCard;
        if (refusedMeans1K)
            SetCard(result, type1K, 1024);
        return;
    }
    if (status == kStatusWrongAddress) {
        exchange.lastError = kErrNoSuchAddress;
        SetCard(result, type1K, 1024);
        return;
    }
    if (status != kStatusSuccess && status != kStatusAuthFailed)
        throw CMyError(kErrUnexpectedStatus);
    if (status == kStatusAuthFailed)
        exchange.lastError = kErrAuthRefused;
    status = probe(true);
    switch (status) {
        case kStatusSuccess: SetCard(result, type1K + 2, 4096); break;
        case kStatusAuthFailed:
            exchange.lastError = kErrAuthRefused;
            SetCard(result, type1K + 2, 4096);
            break;
        case kStatusWrongAddress:
            exchange.lastError = kErrNoSuchAddress;
            SetCard(result, type1K + 1, 2048);
            break;
        case kStatusHardwareFailure: exchange.lastError = kErrNoCard; break;
        default: throw CMyError(kErrUnexpectedStatus);
    }
}

// Classic keys on blocks 64 and 145, after selecting the card again.
void CConnectThread::ProbeClassicSize(const CardInfo& target, CardInfo& result, int32_t type1K) {
    ResetField();
    if (SelectCard(target) != kStatusSuccess)
        return;
    const auto authenticate = [this](bool upper) {
        const uint8_t probeBlock = upper ? 0x91 : 0x40;
        return Command(kCmdAuthenticate, PayloadOf({0x02, probeBlock}, kClassicTransportKeyBytes.data(),
                                                   kClassicTransportKeyBytes.size()));
    };
    ProbeSize(authenticate, result, type1K, true);
}

// AES keys of a MIFARE Plus in level 3: key addresses 0x403E and 0x4040.
void CConnectThread::ProbeAesSize(CardInfo& result) {
    const auto authenticate = [this](bool upper) {
        const uint8_t addressLow = upper ? 0x40 : 0x3E;
        return Command(kCmdAesAuthenticate, PayloadOf({0x02, addressLow, 0x40}, kPlusAesTransportKey.data(),
                                                      kPlusAesTransportKey.size()));
    };
    ProbeSize(authenticate, result, kCardPlus1K, false);
}

void CConnectThread::ClassifyBySakAlone(const Detection& d, CardInfo& result) {
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
