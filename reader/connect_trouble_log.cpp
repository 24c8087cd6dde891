// The connection thread's log of link trouble: what failed, in the user's language, with the
// repeats of a failure that comes back cycle after cycle folded into one line, and the link
// trouble counts of the current test.
#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/errors.h"
#include "foundation/text_convert.h"
#include "reader/connect_thread.h"
#include "reader/frame.h"

void CConnectThread::LogTrouble(const std::exception* error) {
    std::wstring line;
    const auto* dialogue = dynamic_cast<const CMyError*>(error);
    if (dialogue != nullptr) {
        switch (dialogue->code) {
            case kErrStopped: return;  // the user's own doing
            case kErrNoReply: FormatResourceString(line, kTextNoReply, exchange.lastCommand); break;
            case kErrBadReply: FormatResourceString(line, kTextBadReply, exchange.lastCommand); break;
            default:
                FormatResourceString(line, kTextCommandStatus, exchange.lastCommand,
                                     static_cast<unsigned>(exchange.lastStatus & 0xFF));
                line += StatusText(exchange.lastStatus);
                break;
        }
    } else {
        // Port failures name the port in the same words in every language.
        ToWide(error ? error->what() : "unknown exception", -1, line, kCodePageAnsi);
    }
    std::lock_guard lock(mutex);
    if (!testRunning || !PassIsCurrent())
        return;
    std::vector<std::wstring> lines;
    troubleLines.Add(line, lines);
    for (std::wstring& logged : lines)
        PushLogLine(std::move(logged));  // with its time, into the test record too
}

void CConnectThread::SettleTroubleLog() {
    std::vector<std::wstring> lines;
    troubleLines.Settle(lines);
    for (std::wstring& logged : lines)
        PushLogLine(std::move(logged));
}

void CConnectThread::CountTrouble(uint64_t LinkTroubleCounts::*field) {
    std::lock_guard lock(mutex);
    if (testRunning && PassIsCurrent())
        ++(trouble.*field);
}
