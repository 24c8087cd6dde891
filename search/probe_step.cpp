// One probe moved as far as it can go without blocking: open, send the identification request,
// collect the reply through the port's overlapped I/O, retry, and record the outcome.
#include <array>
#include <string>

#include "reader/ident.h"
#include "search/port_search.h"

namespace {

constexpr uint8_t kIdentQuery = 'i';
// Sent before a retry so that a reader that took part of a garbled line starts afresh.
constexpr std::array<uint8_t, 2> kCancelLine = {'~', '\r'};
constexpr int32_t kDeskModel = 6;  // answers its query at the fast rate
constexpr uint32_t kDeskBaud = 115200;

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
        if (events_.size() + 3 > kMaxWaitHandles)
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
    FinishProbe(index, result);
}

void CPortSearch::AttachPort(ProbeEntry& entry) {
    // Events are made before the port is given to the entry, so that a failure leaves the entry
    // as it was (to start again next pass) and leaks nothing.
    std::array<EventHandle, 3> made{};
    try {
        for (EventHandle& event : made) event = eventFactory_.MakeEvent();
        std::unique_ptr<CRdPort> port = portFactory_.CreatePort();
        port->name = entry.name;
        port->stopBits = link_.stopBits;
        port->SetEvents(made[0], made[1], made[2]);
        events_.insert(events_.end(), made.begin(), made.end());
        entry.port = std::move(port);
    } catch (...) {
        for (EventHandle event : made)
            if (event)
                eventFactory_.CloseEvent(event);
        throw;
    }
    entry.attempts = 0;
    entry.requestSent = false;
    entry.awaitingReply = false;
}

ProbeResult CPortSearch::AdvanceProbe(ProbeEntry& entry) {
    CRdPort& port = *entry.port;
    // True while fewer than timeoutMs have passed since the entry's tick; the worker then wakes
    // no later than when they have.
    auto stillWaiting = [&](uint32_t timeoutMs) {
        const uint32_t elapsed = TicksSince(clock_.Now(), entry.tick);
        if (elapsed >= timeoutMs)
            return false;
        LowerWaitTimeout(timeoutMs - elapsed);
        return true;
    };

    if (!port.IsOpen()) {
        if (entry.attempts > 0 && stillWaiting(kReopenDelay))
            return ProbeResult::Probing;
        if (!port.Open())
            return ProbeResult::PortBusy;
        entry.tick = clock_.Now();
    }
    port.OnCommEvent();

    if (!entry.awaitingReply) {
        if (!entry.requestSent) {
            port.Purge(true, true);
            port.SetParams(entry.modelHint == kDeskModel ? kDeskBaud : kIdentBaud, port.stopBits,
                           kIdentEventChar);
            port.Write(&kIdentQuery, 1);
            entry.tick = clock_.Now();
            entry.requestSent = true;
        }
        if (port.writePending)
            return stillWaiting(link_.replyTimeout) ? ProbeResult::Probing : ProbeResult::NoReply;
        entry.requestSent = false;
        entry.awaitingReply = true;
    }

    port.Read();
    if (IsIdentComplete(port.input.data(), port.input.size())) {
        const std::string text(port.input.begin(), port.input.end());
        port.input.clear();
        ReaderIdentity identity;
        const bool parsed = ParseIdent(text.c_str(), identity);
        probeValues_ = {identity.model, identity.serial, identity.firmware, identity.buildTime};
        return parsed ? ProbeResult::Identified : ProbeResult::BadReply;
    }
    // The time-out counts from the request.
    return stillWaiting(link_.replyTimeout) ? ProbeResult::Probing : ProbeResult::NoReply;
}

bool CPortSearch::RetryProbe(ProbeEntry& entry) {
    entry.attempts += 1;
    if (entry.attempts >= link_.attemptLimit)
        return false;
    if (entry.port->IsOpen()) {
        try {
            entry.port->Write(kCancelLine.data(), kCancelLine.size());
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
