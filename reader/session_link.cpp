// Connecting to the reader: opening the port, identifying it at any line speed, moving the link
// to its fast speed, and switching the link off again at a disconnect.
#include <algorithm>

#include "foundation/errors.h"
#include "reader/frame.h"
#include "reader/link_recovery.h"
#include "reader/reader_models.h"
#include "reader/reader_session.h"

bool CReaderSession::Connect() {
    if (state == kConnected)
        return true;
    exchange.lastActivity = clock.Now();
    if (state != kConnecting)
        SetState(kConnecting);
    int32_t error = kErrNone;
    try {
        ReaderIdentity found;
        if (!OpenPort()) {
            // Held by another program through every attempt: no reader to talk to.
            error = kErrPortFailure;
        } else if (!IdentifyAtAnySpeed(found)) {
            // Nothing (or nothing readable) answered the query: not a connection.
            error = kErrNoReply;
        } else {
            shared.ReaderFound(found);
            extendedReader = false;
            atsRead = false;
            if (!IsSupportedReaderModel(found.model)) {
                error = kErrUnsupportedModel;  // the port stays open
            } else {
                extendedReader = true;
                // Framed replies follow: every received byte matters, not just the carriage return.
                port->SetParams(port->BaudRate(), port->StopBits(), 0);
                const uint8_t speed = ChooseSpeedThePortTakes(found);
                // Set while the reader may have moved to the fast speed: from the link start
                // without a clear answer on, until the connection stands.
                bool fastLink = speed != kSpeedUnchanged;
                try {
                    if (Command(kCommandLink, {0x01, speed}) != kStatusSuccess) {
                        fastLink = false;  // refused: the reader stays where it is
                        throw CMyError(kErrUnexpectedStatus);
                    }
                    if (fastLink)
                        port->SetParams(kLineSpeeds[speed], port->StopBits(), port->EventChar());
                    PollCard();
                } catch (...) {
                    // A port that failed here (it refused the speed, say) may have left the
                    // reader at the fast speed all the same.
                    if (fastLink)
                        AbandonFastLink(kLineSpeeds[speed]);
                    throw;
                }
                SetState(kConnected);
                if (linkLostInTest) {
                    linkLostInTest = false;
                    shared.CountTrouble(&LinkTroubleCounts::reconnects);
                }
            }
        }
    } catch (const CRdPortException&) {
        error = kErrPortFailure;
    } catch (...) {
        error = kErrUnexpected;
    }
    if (state == kConnecting)
        SetState(kDisconnected);
    exchange.lastError = error;
    return state == kConnected;
}

// The speed for the link start, tried on the port first: asking the reader for a speed the
// port then refuses would leave the reader at it, out of reach.
uint8_t CReaderSession::ChooseSpeedThePortTakes(const ReaderIdentity& found) {
    const uint8_t speed = ChooseLineSpeed(found.model, found.firmware,
                                          found.model == 8 && PortTakesSpeed(*port, kLineSpeeds[kSpeed230400]));
    if (speed == kSpeed115200 && !PortTakesSpeed(*port, kLineSpeeds[kSpeed115200]))
        return kSpeedUnchanged;
    return speed;
}

bool CReaderSession::OpenPort() {
    if (!port) {
        while (exchange.eventCount < 4) exchange.events[exchange.eventCount++] = platform.NewEvent();
        port = platform.NewPort(portName);
        port->SetEvents(exchange.events[CRdExchange::kCommEvent].Get(),
                        exchange.events[CRdExchange::kWriteEvent].Get(),
                        exchange.events[CRdExchange::kReadEvent].Get());
        port->SetParams(kIdentBaud, exchange.link.stopBits, kIdentEventChar);
        exchange.port = port.get();
    }
    for (int attempt = 0; attempt < exchange.link.attemptLimit && exchange.running; ++attempt) {
        const uint32_t began = clock.Now();
        if (port->Open()) {
            port->SetParams(kIdentBaud, exchange.link.stopBits, kIdentEventChar);
            return true;
        }
        for (;;) {
            const uint32_t elapsed = TicksSince(clock.Now(), began);
            if (elapsed >= kOpenRetryPeriod || !exchange.running)
                break;
            const EventHandle wake = exchange.events[0].Get();
            if (clock.WaitAny(&wake, 1, kOpenRetryPeriod - elapsed) != kWaitTimedOut)
                exchange.waitTimeout = 0;
        }
    }
    return false;
}

// Identification at 9600 baud first, as a reader expects it. A reader that stays silent there
// may have been left at a fast line speed (a connect that failed after the switch, a program
// killed while connected, a PC that lost power): asked at the speeds the reader models use to
// end its link, it returns to 9600 and is identified there.
bool CReaderSession::IdentifyAtAnySpeed(ReaderIdentity& found) {
    if (Identify(exchange, found))
        return true;
    for (const uint32_t baud : kRecoverySpeeds) {
        if (ReturnToIdentSpeed(baud))
            return Identify(exchange, found);
    }
    return false;
}

// True when a reader at baud answered the link end (and so is back at 9600). A speed the port
// refuses is no failure of the attempt: no reader can be at it behind this port.
bool CReaderSession::ReturnToIdentSpeed(uint32_t baud) {
    if (!exchange.running || !TrySetLineSpeed(*port, baud, 0))
        return false;
    const bool answered = SendLinkEnd();
    port->Purge(true, true);
    port->SetParams(kIdentBaud, port->StopBits(), kIdentEventChar);
    return answered;
}

// A connect attempt that failed after the reader may have moved to baud switches the link off
// there, so the next attempt finds the reader at 9600, and closes the port.
void CReaderSession::AbandonFastLink(uint32_t baud) {
    try {
        if (port->BaudRate() != baud)
            port->SetParams(baud, port->StopBits(), 0);
        SendLinkEnd();
    } catch (...) {
        // The port failed too: the next attempt's identification looks for the reader.
    }
    ClosePort();
}

// The switch-off is normally sent after running was cleared, when an exchange would give up at
// once and closing the port could discard the bytes unsent; the reader would then stay at the
// fast line speed. So it gets a short wait of its own for its write and reply. True when the
// reader answered.
bool CReaderSession::SendLinkEnd() {
    const bool wasRunning = exchange.running.exchange(true);
    bool answered = false;
    try {
        BuildLinkEnd(exchange.frame, ++exchange.seq);
        exchange.SendRaw(exchange.frame.data(), exchange.frame.size(), kLinkEndWait);
        answered = exchange.WaitFrame(exchange.seq, kLinkEndWait);
    } catch (...) {
        // The link goes down whatever the reader says.
    }
    if (!wasRunning)
        exchange.running = false;
    return answered;
}

void CReaderSession::Disconnect(bool quiet) {
    if (state == kDisconnected)
        return;
    if (state == kConnected && shared.TestRunning())
        linkLostInTest = true;
    if (!quiet && port)
        SendLinkEnd();
    ClosePort();
    if (state != kDisconnected)
        SetState(kDisconnected);
    exchange.lastError = kErrNone;
}

void CReaderSession::ClosePort() {
    port.reset();
    exchange.port = nullptr;
}
