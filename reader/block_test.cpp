// One cycle of the block test: select and authenticate when needed, increment the 128-bit
// counter, write it into the chosen block and read it back up to three times.
#include <algorithm>

#include "foundation/classic_card.h"
#include "foundation/errors.h"
#include "reader/card_commands.h"
#include "reader/frame.h"
#include "reader/reader_session.h"

namespace {

constexpr int kReadBackAttempts = 3;
constexpr size_t kBlockSize = 16;

bool IsClassicType(int32_t type) {
    return type >= kCardMini && type <= kCardClassic4K;
}

}  // namespace

void CReaderSession::NoCard() {
    exchange.lastError = kErrNoCard;
    shared.NoCard();
}

void CReaderSession::AuthRefused() {
    authSector = -1;
    exchange.lastError = kErrAuthRefused;
    shared.AuthRefused();
}

bool CReaderSession::Authenticate(const TestParameters& test, int sector) {
    const uint8_t blockNumber = static_cast<uint8_t>(test.block);
    std::vector<uint8_t> payload;
    if (test.useReaderKeys) {
        payload = {
            static_cast<uint8_t>(test.useKeyB ? 1 : 0), blockNumber, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    } else {
        payload = {static_cast<uint8_t>(test.useKeyB ? 3 : 2), blockNumber};
        for (int i = 0; i < 6; ++i) payload.push_back(static_cast<uint8_t>(test.key >> (8 * i)));
    }
    const int status = Command(kCmdAuthenticate, payload);
    if (status == kStatusSuccess) {
        if (test.useReaderKeys && exchange.reply.empty())
            throw CMyError(kErrBadReply);
        authSector = sector;
        return true;
    }
    if (status == kStatusHardwareFailure) {
        exchange.lastError = kErrNoCard;
    } else if (status == kStatusAuthFailed) {
        AuthRefused();
    } else if (status == kStatusWrongAddress) {
        exchange.lastError = kErrNoSuchAddress;
    } else {
        throw CMyError(kErrUnexpectedStatus);
    }
    authSector = -1;
    shared.Once(ReaderEventKind::kAuthError);
    return false;
}

bool CReaderSession::TestStep() {
    const TestParameters test = shared.Test();
    const CardInfo target = card;
    if (target.uidLength == 0 || !IsClassicType(target.type)) {
        NoCard();
        return false;
    }
    if (!selected || atsRead) {
        ResetField();
        const int status = SelectCard(target);
        if (status == kStatusCardRefused) {
            NoCard();
            return false;
        }
        if (status != kStatusSuccess)
            throw CMyError(kErrUnexpectedStatus);
        selected = true;
    }
    const uint8_t blockNumber = static_cast<uint8_t>(test.block);
    const BlockPlace place = PlaceOfBlock(blockNumber);
    if (place.trailer) {
        shared.Once(ReaderEventKind::kTrailerRefused);
        return false;
    }
    if (authSector != place.sector && !Authenticate(test, place.sector))
        return false;

    if (!counterLoaded) {
        const int status = Command(kCmdReadBlock, {blockNumber});
        if (status == kStatusSuccess) {
            if (exchange.reply.size() < kBlockSize)
                throw CMyError(kErrBadReply);
            counter = Counter128::FromBytes(exchange.reply.data());
            counterLoaded = true;
        } else if (status == kStatusNoCard) {
            NoCard();
            return false;
        } else if (status == kStatusAuthFailed) {
            AuthRefused();
            return false;
        } else {
            throw CMyError(kErrUnexpectedStatus);
        }
    }

    counter.Increment();
    const std::array<uint8_t, 16> value = counter.ToBytes();
    int status;
    try {
        status = Command(kCmdWriteBlock, PayloadOf({blockNumber}, value.data(), value.size()));
    } catch (const CMyError&) {
        return false;  // transport trouble: no verdict on this cycle
    }
    if (status == kStatusNoCard) {
        NoCard();
        return false;
    }
    if (status != kStatusSuccess) {
        shared.CardError(ReaderEvent::WithStatus(ReaderEventKind::kWriteError, status));
        return false;
    }
    shared.Written();

    for (int attempt = 0; attempt < kReadBackAttempts; ++attempt) {
        try {
            status = Command(kCmdReadBlock, {blockNumber});
        } catch (const CMyError& error) {
            if (error.code != kErrStopped)
                shared.CountTrouble(&LinkTroubleCounts::unverifiedCycles);
            exchange.waitTimeout = 0;
            return true;
        }
        if (status == kStatusSuccess) {
            if (exchange.reply.size() < kBlockSize) {
                shared.CountTrouble(&LinkTroubleCounts::unverifiedCycles);
                exchange.waitTimeout = 0;
                return true;
            }
            if (std::equal(value.begin(), value.end(), exchange.reply.begin())) {
                shared.Verified();
                exchange.waitTimeout = 0;
                return true;
            }
            continue;
        }
        if (status == kStatusNoCard) {
            NoCard();
            return false;
        }
        if (status == kStatusAuthFailed) {
            AuthRefused();
            return false;
        }
        shared.CardError(ReaderEvent::WithStatus(ReaderEventKind::kReadError, status));
        exchange.waitTimeout = 0;
        return true;
    }
    shared.Mismatch();
    exchange.waitTimeout = 0;
    return true;
}
