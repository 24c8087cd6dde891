// One cycle of the block test: select and authenticate when needed, increment the 128-bit
// counter, write it into the chosen block and read it back up to three times.
#include <algorithm>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/errors.h"
#include "reader/block_geometry.h"
#include "reader/card_commands.h"
#include "reader/connect_thread.h"
#include "reader/frame.h"

namespace {

constexpr int kReadBackAttempts = 3;
constexpr size_t kBlockSize = 16;

bool IsClassicType(int32_t type) {
    return type >= kCardMini && type <= kCardClassic4K;
}

}  // namespace

void CConnectThread::PushLogLine(std::wstring line) {
    testRecord.Line(line, clock.Now());
    log.push_back(std::move(line));
}

void CConnectThread::AppendLog(const std::wstring& line, bool countError) {
    std::lock_guard lock(mutex);
    if (!PassIsCurrent())
        return;  // a cycle of an earlier test: the log and counts are the current test's
    SettleTroubleLog();
    PushLogLine(line);
    if (countError)
        ++errors;
}

// The marker is one of the locked one-shot flags; the test start clears them from the other side.
bool CConnectThread::AppendLogOnce(bool& marker, unsigned textId) {
    std::wstring line;
    LoadResourceString(textId, line);
    std::lock_guard lock(mutex);
    if (marker || !PassIsCurrent())
        return false;
    marker = true;
    SettleTroubleLog();
    PushLogLine(std::move(line));
    return true;
}

void CConnectThread::AppendStatusLog(unsigned textId, int status) {
    std::wstring line;
    FormatResourceString(line, textId, status);
    line += L": ";
    line += StatusText(status);
    AppendLog(line, true);
    Record([status](CTestRecord& record, uint32_t now) { record.CardError(status, now); });
}

void CConnectThread::NoCard() {
    exchange.lastError = kErrNoCard;
    const bool logged = AppendLogOnce(noCardLogged, kTextNoCard);
    // The line stands once per card change, but no test without a card may read as a clean run:
    // the first miss of each test counts even when an earlier test logged the line.
    Record([logged](CTestRecord& record, uint32_t now) {
        if (logged || record.noCardEvents == 0)
            record.NoCard(now);
    });
}

void CConnectThread::AuthRefused() {
    authSector = -1;
    exchange.lastError = kErrAuthRefused;
    Record([](CTestRecord& record, uint32_t now) { record.AuthRefused(now); });
}

bool CConnectThread::Authenticate(const TestParameters& test, int sector) {
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
    AppendLogOnce(authErrorLogged, kTextAuthError);
    return false;
}

bool CConnectThread::TestStep() {
    // The parameters are copied under the lock: a test start may rewrite them meanwhile.
    TestParameters test;
    CardInfo target;
    {
        std::lock_guard lock(mutex);
        test = {block, key, useKeyB, useReaderKeys};
        target = card;
    }
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
        AppendLogOnce(trailerLogged, kTextTrailerRefused);
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
        AppendStatusLog(kTextWriteError, status);
        return false;
    }
    {
        std::lock_guard lock(mutex);
        if (PassIsCurrent())
            ++written;
    }

    for (int attempt = 0; attempt < kReadBackAttempts; ++attempt) {
        try {
            status = Command(kCmdReadBlock, {blockNumber});
        } catch (const CMyError& error) {
            if (error.code != kErrStopped)
                CountTrouble(&LinkTroubleCounts::unverifiedCycles);
            exchange.waitTimeout = 0;
            return true;
        }
        if (status == kStatusSuccess) {
            if (exchange.reply.size() < kBlockSize) {
                CountTrouble(&LinkTroubleCounts::unverifiedCycles);
                exchange.waitTimeout = 0;
                return true;
            }
            if (std::equal(value.begin(), value.end(), exchange.reply.begin())) {
                Record([](CTestRecord& record, uint32_t now) { record.Verified(now); });
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
        AppendStatusLog(kTextReadError, status);
        exchange.waitTimeout = 0;
        return true;
    }
    std::wstring line;
    LoadResourceString(kTextMismatch, line);
    AppendLog(line, true);
    Record([](CTestRecord& record, uint32_t now) { record.Mismatch(now); });
    exchange.waitTimeout = 0;
    return true;
}
