// The card poll: reset the field, identify what lies on it, publish a changed card record and
// tell the reader about the change. Also the card commands shared with the block test.
#include <algorithm>

#include "foundation/errors.h"
#include "reader/card_commands.h"
#include "reader/connect_thread.h"
#include "reader/frame.h"

void CConnectThread::ResetField() {
    CommandExpectingSuccess(kCmdReset, {0x00, 0x0A, 0x00});
    clock.Pause(kResetPause);
    selected = false;
    authSector = -1;
}

int CConnectThread::SelectCard(const CardInfo& target) {
    const int status = Command(
        kCmdSelect, PayloadOf({0x81}, target.uid.data(), std::min<size_t>(target.uidLength, kMaxUidLength)));
    // Selecting leaves the ISO 14443-4 layer an ATS request entered.
    atsRead = false;
    return status;
}

void CConnectThread::Indicate(uint8_t code) {
    CommandExpectingSuccess(kCmdIndicate, {code, 0x01});
    if (exchange.reply.empty())
        throw CMyError(kErrBadReply);
}

void CConnectThread::PollCard() {
    lastPoll = clock.Now();
    ResetField();
    CardInfo found;
    if (!DetectCard(found))
        found = CardInfo{};
    bool indicate = false;
    bool arrival = false;
    const bool hadCard = card.uidLength != 0;
    const bool hasCard = found.uidLength != 0;
    if (!(found == card)) {
        indicate = hasCard || hadCard;
        arrival = hasCard && state != kConnecting;
        UpdateCard(found);
    }
    selected = false;
    authSector = -1;
    CommandExpectingSuccess(kCmdEndPoll, {0x00});
    if (!indicate)
        return;
    if (arrival) {
        Indicate(kIndicateArrival);
        Indicate(kIndicateArrivalDone);
    } else if (hasCard) {
        Indicate(kIndicateFoundAtConnect);
    } else {
        Indicate(kIndicateLeft);
    }
}

bool CConnectThread::UpdateCard(const CardInfo& record) {
    if (record == card)
        return false;
    {
        std::lock_guard lock(mutex);
        card = record;
        testRecord.SeeCard(record, clock.Now());
        written = 0;
        errors = 0;
        // A removal is announced by the test's own "No card." line; only a card that arrives
        // earns a new one, so one removal never logs the line twice.
        if (record.uidLength != 0)
            noCardLogged = false;
    }
    authSector = -1;
    selected = record.uidLength != 0;
    counterLoaded = false;
    if (onCardChanged)
        onCardChanged();
    return true;
}

bool CConnectThread::ReadAts(std::vector<uint8_t>& ats, std::vector<uint8_t>& historical) {
    atsRead = true;
    ats.clear();
    historical.clear();
    const int status = Command(kCmdRequestAts, {0x00});
    if (status == kStatusSuccess) {
        if (exchange.reply.size() > 4) {
            ats = exchange.reply;
            const uint8_t t0 = ats[1];
            // TA, TB and TC are present when T0 bits 4, 5 and 6 say so; the historical bytes follow.
            const size_t start = 2 + ((t0 >> 4) & 1) + ((t0 >> 5) & 1) + ((t0 >> 6) & 1);
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

bool CConnectThread::GetVersion(VersionInfo& version) {
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
