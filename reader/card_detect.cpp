// Working out the family, size, MIFARE Plus security level and product subtype of a new card:
// the commands that fetch its ATQA, SAK, ATS and GetVersion answer and the probing
// authentications, with the decisions over those answers in card_classification.h.
#include <algorithm>
#include <functional>

#include "foundation/errors.h"
#include "reader/card_classification.h"
#include "reader/card_commands.h"
#include "reader/frame.h"
#include "reader/reader_session.h"

void CReaderSession::EnsureAts(CardDetection& d) {
    if (!atsRead)
        ReadAts(d.ats, d.historical);
}

bool CReaderSession::DetectCard(CardInfo& result) {
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
    CardDetection d;
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

bool CReaderSession::ReadAts(std::vector<uint8_t>& ats, std::vector<uint8_t>& historical) {
    atsRead = true;
    ats.clear();
    historical.clear();
    const int status = Command(kCmdRequestAts, {0x00});
    if (status == kStatusSuccess) {
        if (exchange.reply.size() > 4) {
            ats = exchange.reply;
            const size_t start = HistoricalBytesStart(ats[1]);
            if (start < ats.size())
                historical.assign(ats.begin() + static_cast<std::ptrdiff_t>(start), ats.end());
        }
        return true;
    }
    if (status == kStatusCardRefused) {
        exchange.lastError = kErrNoCard;
        return false;
    }
    if (status == kStatusInvalidCommand) {
        // This reader cannot talk ISO 14443-4; the rest of this connection does without it.
        extendedReader = false;
        exchange.lastError = kErrUnexpected;
        return false;
    }
    throw CMyError(kErrUnexpectedStatus);
}

bool CReaderSession::GetVersion(CardVersion& version) {
    const int status = Command(kCmdPassThrough, {0x01, 0x60});
    if (status != kStatusSuccess)
        return false;
    if (exchange.reply.size() < 8) {
        exchange.lastError = kErrUnexpectedStatus;
        return false;
    }
    version.productType = exchange.reply[2];
    version.major = exchange.reply[4];
    version.minor = exchange.reply[5];
    version.storage = exchange.reply[6];
    return true;
}

void CReaderSession::ClassifyBySak(CardDetection& d, CardInfo& result) {
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
        CardVersion version;
        if (GetVersion(version) && version.productType != 3)
            return;
        SetCard(result, kCardUltraLight, 64);
        return;
    }
    ClassifyIsoCard(d, result);
}

// SAK 0x08 or 0x18 without the ISO bit: a Classic, unless an ATS shows a MIFARE Plus in level 1.
void CReaderSession::ClassifyClassicWithAts(CardDetection& d, CardInfo& result, bool fourK) {
    ReadAts(d.ats, d.historical);
    if (d.ats.empty()) {
        SetCard(result, fourK ? kCardClassic4K : kCardClassic1K, fourK ? 4096 : 1024);
        return;
    }
    d.plusCandidate = true;
    CardVersion version;
    if (GetVersion(version)) {
        ClassicPlusByVersion(version, result);
        return;
    }
    ClassicPlusByHistory(KnownPlusHistory(d.historical), fourK, result);
}

// SAK 0x20 alone: DESFire, MIFARE Plus in level 3, or another ISO 14443-4 card.
void CReaderSession::ClassifyIsoCard(CardDetection& d, CardInfo& result) {
    ReadAts(d.ats, d.historical);
    if (!extendedReader) {
        ClassifyIsoByAtqa(d.atqa, result);
        if (result.type != kCardDesfire)
            d.plusCandidate = true;
        return;
    }
    if (d.ats.empty())
        return;
    CardVersion version;
    if (GetVersion(version)) {
        IsoCardByVersion(version, d, result);
        return;
    }
    IsoCardByHistory(KnownPlusHistory(d.historical), d, result);
}

void CReaderSession::Refine(CardDetection& d, CardInfo& result) {
    int probeClass = 0;
    if (result.type == kCardNone) {
        EnsureAts(d);
        probeClass = ProbeClassOf(d);
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

void CReaderSession::ProbeSecurityLevel(CardDetection& d, CardInfo& result) {
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
void CReaderSession::ProbeSize(const std::function<int(bool)>& probe, CardInfo& result, int32_t type1K,
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
void CReaderSession::ProbeClassicSize(const CardInfo& target, CardInfo& result, int32_t type1K) {
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
void CReaderSession::ProbeAesSize(CardInfo& result) {
    const auto authenticate = [this](bool upper) {
        const uint8_t addressLow = upper ? 0x40 : 0x3E;
        return Command(kCmdAesAuthenticate, PayloadOf({0x02, addressLow, 0x40}, kPlusAesTransportKey.data(),
                                                      kPlusAesTransportKey.size()));
    };
    ProbeSize(authenticate, result, kCardPlus1K, false);
}
