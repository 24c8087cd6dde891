// The card poll: reset the field, identify what lies on it, publish a changed card record and
// tell the reader about the change. Also the card commands shared with the block test.
#include <algorithm>

#include "foundation/errors.h"
#include "reader/card_commands.h"
#include "reader/frame.h"
#include "reader/reader_session.h"

void CReaderSession::ResetField() {
    CommandExpectingSuccess(kCmdReset, {0x00, 0x0A, 0x00});
    clock.Pause(kResetPause);
    selected = false;
    authSector = -1;
}

int CReaderSession::SelectCard(const CardInfo& target) {
    const int status = Command(
        kCmdSelect, PayloadOf({0x81}, target.uid.data(), std::min<size_t>(target.uidLength, kMaxUidLength)));
    // Selecting leaves the ISO 14443-4 layer an ATS request entered.
    atsRead = false;
    return status;
}

void CReaderSession::Indicate(uint8_t code) {
    CommandExpectingSuccess(kCmdIndicate, {code, 0x01});
    if (exchange.reply.empty())
        throw CMyError(kErrBadReply);
}

void CReaderSession::PollCard() {
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

bool CReaderSession::UpdateCard(const CardInfo& record) {
    if (record == card)
        return false;
    card = record;
    authSector = -1;
    selected = record.uidLength != 0;
    counterLoaded = false;
    shared.CardChanged(record);
    return true;
}
