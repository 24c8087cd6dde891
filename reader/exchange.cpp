#include "reader/exchange.h"

#include "foundation/errors.h"
#include "reader/frame.h"

int CRdExchange::Exchange(uint8_t command, const uint8_t* payload, size_t size, std::vector<uint8_t>& out) {
    ++seq;
    BuildFrame(frame, seq, command, payload, size);
    lastCommand = command;
    lastError = kErrNoReply;
    for (int attempt = 0; attempt < link.attemptLimit; ++attempt) {
        if (attempt > 0)
            Report(LinkTrouble::kFrameResent);
        SendRaw(frame.data(), frame.size(), link.replyTimeout);
        if (WaitFrame(seq, link.replyTimeout)) {
            uint8_t replySeq = 0;
            int status = 0;
            if (ParseReply(port->Input().data(), port->Input().size(), replySeq, status, out)) {
                port->ClearInput();
                return status;
            }
            port->Purge(true, true);
            lastError = kErrBadReply;
        }
        port->Purge(true, true);
    }
    port->ClearInput();
    Report(LinkTrouble::kExchangeFailed);
    throw CMyError(lastError);
}

void CRdExchange::SendRaw(const uint8_t* data, size_t size, uint32_t timeoutMs) {
    port->Write(data, size);
    lastActivity = clock.Now();
    while (port->WritePending()) {
        if (!running)
            throw CMyError(kErrStopped);
        const uint32_t elapsed = SinceLastActivity();
        if (elapsed >= timeoutMs)
            throw CMyError(kErrNoReply);
        ServiceWait(timeoutMs - elapsed);
    }
}

bool CRdExchange::WaitFrame(uint8_t wanted, uint32_t timeoutMs) {
    while (running) {
        // Scanned before reading: the last wait may have completed the read that made it whole,
        // and a whole reply leaves no read waiting.
        if (port->ScanInputForFrame(wanted))
            return true;
        port->ExpectBytes(FrameBytesMissing(port->Input()));
        if (port->Read() && port->ScanInputForFrame(wanted))
            return true;
        const uint32_t elapsed = SinceLastActivity();
        if (elapsed >= timeoutMs)
            return false;
        ServiceWait(timeoutMs - elapsed);
    }
    throw CMyError(kErrStopped);
}

void CRdExchange::ServiceWait(uint32_t timeoutMs) {
    // The comm event is left out while the port keeps a read waiting, whose event reports
    // received bytes as soon as they come. Serving the comm event would mean arming a new wait
    // each time, which some drivers pay for dearly (Wine's starts a thread that polls every
    // millisecond). A port whose driver does not let a read wait reports arrivals by the comm
    // event alone.
    const bool commEventReports = port != nullptr && !port->ReadWaits();
    std::array<EventHandle, 4> waited{};
    std::array<EventIndex, 4> indexOf{};
    size_t count = 0;
    for (size_t i = 0; i < eventCount; ++i) {
        if (i == kCommEvent && !commEventReports)
            continue;
        indexOf[count] = static_cast<EventIndex>(i);
        waited[count++] = events[i].Get();
    }
    const int woken = clock.WaitAny(waited.data(), count, timeoutMs);
    if (woken == kWaitTimedOut)
        return;
    waitTimeout = 0;
    // A completion may still be signalled for a port that was destroyed since.
    if (port == nullptr)
        return;
    switch (indexOf[static_cast<size_t>(woken)]) {
        case kCommEvent: port->OnCommEvent(); break;
        case kWriteEvent: port->OnWriteDone(); break;
        case kReadEvent: port->OnReadDone(); break;
        default: break;  // the wake event only ends the wait
    }
}
