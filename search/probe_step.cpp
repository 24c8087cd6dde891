// One probe moved as far as it can go without blocking: open, send the identification request,
// collect the reply through the port's overlapped I/O, retry, and record the outcome.
#include <array>
#include <iterator>
#include <string>

#include "reader/frame.h"
#include "reader/ident.h"
#include "reader/link_recovery.h"
#include "search/port_search.h"

namespace {

constexpr uint8_t kIdentQuery = 'i';
// Sent before a retry so that a reader that took part of a garbled line starts afresh.
constexpr std::array<uint8_t, 2> kCancelLine = {'~', '\r'};
constexpr int32_t kDeskModel = 6;  // answers its query at the fast rate
constexpr uint32_t kDeskBaud = 115200;
// Once a reply has begun, its rest is fetched this often instead of byte by byte: with many
// readers answering at once, a wake for every byte of every reply, not the line, set the pace.
constexpr uint32_t kReplyPollMs = 10;
// Character times the adapter may still need for bytes whose write has completed.
constexpr uint32_t kDrainChars = 4;
constexpr uint32_t kBitsPerChar = 11;  // start, 8 data, 2 stop bits
// The probe's link end; its reply echoes the number.
constexpr uint8_t kLinkEndSeq = 1;

uint32_t DrainMs(uint32_t baud) {
    const uint32_t rate = baud != 0 ? baud : kIdentBaud;
    return (kDrainChars * kBitsPerChar * 1000 + rate - 1) / rate;
}

bool IsRetried(ProbeResult result) {
    return result == ProbeResult::PortBusy || result == ProbeResult::LinkLost ||
           result == ProbeResult::NoReply || result == ProbeResult::BadReply;
}

bool AwaitsRetry(int32_t state) {
    return state == static_cast<int32_t>(ProbeResult::PortBusy) ||
           state == static_cast<int32_t>(ProbeResult::LinkLost);
}

}  // namespace

void CPortSearch::StepProbe(size_t index) {
    ProbeEntry& entry = probes_[index];
    if (!entry.port) {
        if (events_.size() + kEventsPerProbe > kMaxWaitHandles)
            return;  // no free wait slot: a later pass starts it
        AttachPort(entry);
    }
    ProbeResult result = ProbeResult::Probing;
    try {
        result = AdvanceProbe(entry);
    } catch (const CRdPortException& error) {
        result = error.code == CRdPortException::kLostCommunication ? ProbeResult::LinkLost
                                                                    : ProbeResult::PortError;
    } catch (...) {
        result = ProbeResult::Failed;
    }
    if (result == ProbeResult::Probing)
        return;
    if (IsRetried(result) && RetryProbe(entry))
        return;
    if (result == ProbeResult::NoReply && StartRecovery(entry))
        return;
    FinishProbe(index, result);
}

void CPortSearch::AttachPort(ProbeEntry& entry) {
    // Events are made before the port is given to the entry, so that a failure leaves the entry
    // as it was (to start again next pass); what was made closes itself. The port gets them once
    // it is open (TakeOpenOutcome): an open runs on another thread, which must start no I/O on them.
    std::array<CEvent, kEventsPerProbe> made;
    for (CEvent& event : made) event = platform_.NewEvent();
    std::shared_ptr<CRdPort> port = platform_.NewPort(entry.name);
    port->SetParams(0, link_.stopBits, 0);  // closed: only recorded, the driver's rate kept
    events_.reserve(events_.size() + kEventsPerProbe);  // the list never holds a handle of one not kept
    for (const CEvent& event : made) events_.push_back(event.Get());
    entry.port = std::move(port);
    entry.events = std::move(made);
    entry.attempts = 0;
    entry.requestSent = false;
    entry.awaitingReply = false;
    entry.lineReset = ProbeEntry::LineReset::None;
    entry.recovering = false;
    entry.linkEndSent = false;
}

void CPortSearch::StartOpen(ProbeEntry& entry) {
    entry.port->SetEvents(nullptr, nullptr, nullptr);  // closed: this only forgets them
    auto pending = std::make_shared<PendingOpen>();
    entry.opening = pending;
    entry.tick = clock_.Now();
    opener_.OpenAsync(entry.port, [this, pending](OpenOutcome outcome) {
        // The search outlives every open it has not abandoned (its destructor abandons them all
        // under this lock), so `this` is safe to use here.
        std::lock_guard lock(pending->mutex);
        pending->done = true;
        pending->outcome = outcome;
        if (!pending->abandoned)
            Wake();
    });
}

// Probing while the open runs; otherwise what the open came to (the port then has its events).
ProbeResult CPortSearch::TakeOpenOutcome(ProbeEntry& entry) {
    OpenOutcome outcome;
    {
        std::lock_guard lock(entry.opening->mutex);
        if (!entry.opening->done) {
            const uint32_t elapsed = TicksSince(clock_.Now(), entry.tick);
            if (elapsed < kOpenLimit) {
                LowerWaitTimeout(kOpenLimit - elapsed);
                return ProbeResult::Probing;
            }
            // An open that hangs (a paired device out of reach) ends the probe, which is not
            // retried; the opener closes the port whenever its open returns.
            entry.opening->abandoned = true;
            return ProbeResult::PortError;
        }
        outcome = entry.opening->outcome;
    }
    entry.opening.reset();  // the opener has let go of the port: it is the worker's alone again
    switch (outcome.kind) {
        case OpenOutcome::Kind::Opened:
            entry.port->SetEvents(nullptr, entry.events[0].Get(), entry.events[1].Get());
            entry.tick = clock_.Now();
            return ProbeResult::Probing;
        case OpenOutcome::Kind::Busy:
            return ProbeResult::PortBusy;
        case OpenOutcome::Kind::PortFailure:
            throw CRdPortException(outcome.code, entry.name);
        case OpenOutcome::Kind::OtherFailure:
            break;
    }
    return ProbeResult::Failed;
}

ProbeResult CPortSearch::AdvanceProbe(ProbeEntry& entry) {
    // True while fewer than timeoutMs have passed since the entry's tick; the worker then wakes
    // no later than when they have.
    auto stillWaiting = [&](uint32_t timeoutMs) {
        const uint32_t elapsed = TicksSince(clock_.Now(), entry.tick);
        if (elapsed >= timeoutMs)
            return false;
        LowerWaitTimeout(timeoutMs - elapsed);
        return true;
    };

    if (!entry.opening && !entry.port->IsOpen()) {
        if (entry.attempts > 0 && stillWaiting(kReopenDelay))
            return ProbeResult::Probing;
        StartOpen(entry);
    }
    if (entry.opening) {
        const ProbeResult opened = TakeOpenOutcome(entry);
        if (opened != ProbeResult::Probing || entry.opening)
            return opened;
    }
    CRdPort& port = *entry.port;
    port.OnCommEvent();
    if (entry.recovering) {
        const ProbeResult recovered = StepRecovery(entry);
        if (recovered != ProbeResult::Probing || entry.recovering)
            return recovered;
    }

    if (!entry.awaitingReply) {
        if (!entry.requestSent) {
            // After a retry's line reset the purge takes the input only, once the reset is out:
            // it must reach the reader whole. A reset whose write never ends goes with the purge.
            bool purgeOutput = entry.attempts == 0;
            if (entry.lineReset == ProbeEntry::LineReset::Writing) {
                if (!port.WritePending()) {
                    entry.lineReset = ProbeEntry::LineReset::Draining;
                    entry.tick = clock_.Now();
                } else if (stillWaiting(kReopenDelay)) {
                    return ProbeResult::Probing;
                } else {
                    entry.lineReset = ProbeEntry::LineReset::None;
                    purgeOutput = true;
                }
            }
            if (entry.lineReset == ProbeEntry::LineReset::Draining) {
                if (stillWaiting(DrainMs(port.BaudRate())))
                    return ProbeResult::Probing;
                entry.lineReset = ProbeEntry::LineReset::None;
            }
            port.Purge(true, purgeOutput);
            port.SetParams(entry.modelHint == kDeskModel ? kDeskBaud : kIdentBaud, port.StopBits(),
                           kIdentEventChar);
            port.SetAwaitInput(true);  // the reply's first byte wakes the worker
            port.Write(&kIdentQuery, 1);
            entry.tick = clock_.Now();
            entry.requestSent = true;
        }
        if (port.WritePending())
            return stillWaiting(link_.replyTimeout) ? ProbeResult::Probing : ProbeResult::NoReply;
        entry.requestSent = false;
        entry.awaitingReply = true;
    }

    port.Read();
    if (IsIdentComplete(port.Input().data(), port.Input().size())) {
        const std::string text(port.Input().begin(), port.Input().end());
        port.ClearInput();
        ReaderIdentity identity;
        const bool parsed = ParseIdent(text.c_str(), identity);
        probeValues_ = {identity.model, identity.serial, identity.firmware, identity.buildTime};
        return parsed ? ProbeResult::Identified : ProbeResult::BadReply;
    }
    AwaitRestOfReply(port);
    // The time-out counts from the request.
    return stillWaiting(link_.replyTimeout) ? ProbeResult::Probing : ProbeResult::NoReply;
}

void CPortSearch::AwaitRestOfReply(CRdPort& port) {
    // A probe has no comm event to fall back on: on a driver whose reads do not wait for the
    // first byte it fetches on the timer from the start.
    if (!port.Input().empty() || !port.ReadWaits()) {
        port.SetAwaitInput(false);
        LowerWaitTimeout(kReplyPollMs);
    }
}

// A maker's adapter whose reader stayed silent may have it at a fast line speed (a program
// killed while connected): the connection's recovery, without blocking.
bool CPortSearch::StartRecovery(ProbeEntry& entry) {
    if (!entry.recognised || entry.recoveryRan || entry.opening || !entry.port->IsOpen())
        return false;
    entry.recoveryRan = true;
    entry.recovering = true;
    entry.recoverySpeed = 0;
    entry.linkEndSent = false;
    LowerWaitTimeout(0);
    return true;
}

// The link end at each fast speed the port takes, kLinkEndWait each, until a reader answers
// one; it is then back at 9600 and the identification starts over. NoReply when none answers.
ProbeResult CPortSearch::StepRecovery(ProbeEntry& entry) {
    CRdPort& port = *entry.port;
    for (;;) {
        if (!entry.linkEndSent) {
            while (entry.recoverySpeed < std::size(kRecoverySpeeds) &&
                   !TrySetLineSpeed(port, kRecoverySpeeds[entry.recoverySpeed], 0))
                ++entry.recoverySpeed;
            if (entry.recoverySpeed == std::size(kRecoverySpeeds)) {
                entry.recovering = false;
                return ProbeResult::NoReply;
            }
            port.Purge(true, false);
            port.SetAwaitInput(true);
            BuildLinkEnd(linkEndFrame_, kLinkEndSeq);
            port.Write(linkEndFrame_.data(), linkEndFrame_.size());
            entry.tick = clock_.Now();
            entry.linkEndSent = true;
        }
        port.Read();
        if (port.ScanInputForFrame(kLinkEndSeq)) {
            port.ClearInput();
            entry.recovering = false;
            entry.linkEndSent = false;
            entry.attempts = 0;
            entry.requestSent = false;
            entry.awaitingReply = false;
            return ProbeResult::Probing;
        }
        const uint32_t elapsed = TicksSince(clock_.Now(), entry.tick);
        if (elapsed < kLinkEndWait) {
            AwaitRestOfReply(port);
            LowerWaitTimeout(kLinkEndWait - elapsed);
            return ProbeResult::Probing;
        }
        port.Purge(true, true);  // nobody at this speed: the unanswered link end goes too
        entry.linkEndSent = false;
        ++entry.recoverySpeed;
    }
}

bool CPortSearch::RetryProbe(ProbeEntry& entry) {
    entry.attempts += 1;
    if (entry.attempts >= link_.attemptLimit)
        return false;
    if (!entry.opening && entry.port->IsOpen()) {
        try {
            entry.port->Write(kCancelLine.data(), kCancelLine.size());
            entry.lineReset = ProbeEntry::LineReset::Writing;
        } catch (const std::exception&) {
            // A port that fails here fails the next attempt too, which then ends the probe.
        }
    }
    entry.requestSent = false;
    entry.awaitingReply = false;
    entry.tick = clock_.Now();
    LowerWaitTimeout(kReopenDelay);
    return true;
}

void CPortSearch::FinishProbe(size_t index, ProbeResult result) {
    ProbeEntry& entry = probes_[index];
    if (result != ProbeResult::Identified)
        probeValues_ = ProbeValues{};
    // An adapter's model shows even when no reader answered or its code maps to no model.
    if (probeValues_.model == 0)
        probeValues_.model = entry.modelHint;

    bool awaitsRetry = false;
    {
        std::lock_guard lock(mutex_);
        const RecordOutcome outcome = RecordProbeResult(ports_, entry.name, result, probeValues_);
        PortEntry& found = ports_[outcome.index];
        found.tick = clock_.Now();
        awaitsRetry = AwaitsRetry(found.state);
        if (outcome.changed)
            MarkChanged();
    }
    if (awaitsRetry) {
        LowerWaitTimeout(kRetryInterval);
        retryPending_ = true;
    }
    DropProbe(index);
}
