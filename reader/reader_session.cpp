// The session's loop: one pass at a time, its schedules, and what a failure in it does.
#include "reader/reader_session.h"

#include <algorithm>

#include "foundation/errors.h"
#include "reader/card_commands.h"
#include "reader/frame.h"

CReaderSession::CReaderSession(IPlatform& platform, CReaderShared& shared, const RdLinkConstants& linkConstants,
                               const ConnectSchedule& schedule)
    : platform(platform),
      clock(platform.Clock()),
      shared(shared),
      schedule(schedule),
      exchange(platform.Clock(), linkConstants) {
    exchange.onTrouble = [this](LinkTrouble kind) {
        this->shared.CountTrouble(kind == LinkTrouble::kFrameResent ? &LinkTroubleCounts::resentFrames
                                                                    : &LinkTroubleCounts::timeouts);
    };
}

CReaderSession::~CReaderSession() {
    ClosePort();
}

void CReaderSession::Begin(const std::wstring& name) {
    while (exchange.eventCount < 2) exchange.events[exchange.eventCount++] = platform.NewEvent();
    portName = name;
    card = CardInfo{};
    // The first connect attempt is due at once, whatever the tick counter stands at.
    exchange.lastActivity = clock.Now() - schedule.reconnect;
    exchange.running = true;
}

void CReaderSession::SetState(int32_t newState) {
    state = newState;
    shared.StateChanged(newState);
}

void CReaderSession::RunPass() {
    exchange.waitTimeout = kWaitForever;
    const bool testSet = shared.BeginPass();
    try {
        if (state == kConnected) {
            const bool cycleDone = testSet && RunTestCycle();
            // The page stopped refreshing at Stop: once the test's last cycle has ended, it
            // is told to show the final counts and lines.
            if (testSet && !shared.TestRunning())
                shared.Nudge();
            if (!cycleDone) {
                if (TicksSince(clock.Now(), lastPoll) >= schedule.poll)
                    PollCard();
                // The rest of the poll period, whatever events the step or the poll served
                // meanwhile: a failed step must not be retried at line rate.
                const uint32_t sincePoll = TicksSince(clock.Now(), lastPoll);
                exchange.waitTimeout = sincePoll >= schedule.poll ? 0 : schedule.poll - sincePoll;
            }
            const uint32_t idle = exchange.SinceLastActivity();
            if (idle >= schedule.keepAlive) {
                if (Command(kCommandLink, {0x01, kSpeedUnchanged}) != kStatusSuccess)
                    throw CMyError(kErrUnexpectedStatus);
                exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.keepAlive);
            } else {
                exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.keepAlive - idle);
            }
        } else {
            const uint32_t sinceAttempt = exchange.SinceLastActivity();
            if (sinceAttempt >= schedule.reconnect) {
                if (Connect())
                    return;
                exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.reconnect);
            } else {
                exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.reconnect - sinceAttempt);
            }
        }
    } catch (const std::exception& error) {
        HandleError(&error);
        return;
    } catch (...) {
        HandleError(nullptr);
        return;
    }
    try {
        exchange.ServiceWait(exchange.waitTimeout);
    } catch (const std::exception& error) {
        HandleError(&error);
    } catch (...) {
        HandleError(nullptr);
    }
}

void CReaderSession::End() {
    try {
        Disconnect(false);
    } catch (...) {
    }
    // A port kept open by a failed connect goes too: the next run may name another port,
    // and the user expects Disconnect to free this one.
    ClosePort();
}

bool CReaderSession::RunTestCycle() {
    bool done = false;
    try {
        done = TestStep();
    } catch (const CMyError& error) {
        // The dialogue failed (a status the step does not handle, no usable reply): the
        // connection stays up and the card polls go on between the failing cycles.
        LogTrouble(&error);
    }
    if (done)
        shared.CycleDone();
    return done;
}

void CReaderSession::HandleError(const std::exception* error) {
    try {
        if (error && dynamic_cast<const CRdPortException*>(error))
            Disconnect(true);
        LogTrouble(error);
    } catch (...) {
        // The loop must survive whatever failed here (out of memory while logging).
    }
    clock.Pause(kErrorPause);
}

// What failed, as the event the log words: the reader dialogue's failures by their command and
// status, anything else (a port failure names its port) by the exception's own text.
void CReaderSession::LogTrouble(const std::exception* error) {
    ReaderEvent event;
    const auto* dialogue = dynamic_cast<const CMyError*>(error);
    if (dialogue != nullptr) {
        switch (dialogue->code) {
            case kErrStopped: return;  // the user's own doing
            case kErrNoReply:
                event = ReaderEvent::OfCommand(ReaderEventKind::kNoReply, exchange.lastCommand);
                break;
            case kErrBadReply:
                event = ReaderEvent::OfCommand(ReaderEventKind::kBadReply, exchange.lastCommand);
                break;
            default:
                event = ReaderEvent::OfCommand(ReaderEventKind::kCommandFailed, exchange.lastCommand,
                                               exchange.lastStatus & 0xFF);
                break;
        }
    } else {
        event = ReaderEvent::Failure(error ? error->what() : "unknown exception");
    }
    shared.Trouble(event);
}

int CReaderSession::Command(uint8_t command, std::initializer_list<uint8_t> payload) {
    exchange.lastStatus = exchange.Exchange(command, payload.begin(), payload.size(), exchange.reply);
    return exchange.lastStatus;
}

int CReaderSession::Command(uint8_t command, const std::vector<uint8_t>& payload) {
    exchange.lastStatus = exchange.Exchange(command, payload.data(), payload.size(), exchange.reply);
    return exchange.lastStatus;
}

void CReaderSession::CommandExpectingSuccess(uint8_t command, std::initializer_list<uint8_t> payload) {
    if (Command(command, payload) != kStatusSuccess)
        throw CMyError(kErrUnexpectedStatus);
}
