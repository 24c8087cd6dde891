// The test journal's figures: its size after a simulated hour at 160 cycles a second with an
// error every 1,000 cycles (as the page writes it: every log event, the figures every 10 s), and
// the time to turn journals into a report at start: a 24-hour one of that test, and the most a
// start reads of a larger one (32 MB of a test failing every cycle).
// usage: bench_journal
#include <chrono>
#include <cstdio>
#include <string>

#include "foundation/local_time.h"
#include "reader/test_journal.h"
#include "ui/test_report.h"
#include "ui/test_summary.h"

namespace {

class CUtc : public ITimeZone {
public:
    LocalTime ToLocal(int64_t utcMs) const override { return CalendarTime(utcMs); }
};

// The journal of a test of `hours` at 160 cycles a second, one write error in `errorEvery`.
std::string SimulatedJournal(double hours, uint64_t errorEvery) {
    CTestRecord record;
    TestSetup setup;
    setup.port = L"COM7";
    setup.card.uidLength = 4;
    record.Begin(setup, CalendarMilliseconds({2026, 12, 8, 18, 0, 0, 0}), 0);
    std::string journal = JournalStartEntry(record);
    const LinkTroubleCounts trouble;
    const auto cycles = static_cast<uint64_t>(hours * 3600 * 160);
    uint64_t figuresAt = 0;
    const ReaderEvent error = ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9);
    for (uint64_t cycle = 1; cycle <= cycles; ++cycle) {
        const uint64_t atMs = cycle * 1000 / 160;
        const auto now = static_cast<uint32_t>(atMs);
        if (cycle % errorEvery == 0) {
            record.CardError(9, now);
            journal += JournalLineEntry({atMs, error});
        } else {
            record.Verified(now);
        }
        if (atMs >= figuresAt + 10000) {
            record.Figures(now);
            journal += JournalFiguresEntry(record, trouble);
            figuresAt = atMs;
        }
    }
    record.End(static_cast<uint32_t>(cycles * 1000 / 160));
    return journal;
}

// Read back, written as report and summary, as a start does; ms.
double ReportTime(const std::string& journal, size_t& reportChars) {
    const CUtc zone;
    const auto start = std::chrono::steady_clock::now();
    const RecoveredTest test = ReadTestJournal(journal);
    ReportNotes notes;
    notes.interrupted = !test.ended;
    notes.interruptedAtMs = test.lastEntryMs;
    const std::wstring report = TestReportText(test.record, test.trouble, zone, notes);
    const std::wstring summary = TestSummaryText(test.record, test.trouble, notes);
    reportChars = report.size() + summary.size();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::string hour = SimulatedJournal(1, 1000);
    std::printf("journal after a simulated hour at 160 cycles/s, an error every 1000 cycles: %zu bytes (%.1f KB)\n",
                hour.size(), hour.size() / 1024.0);
    const std::string day = SimulatedJournal(24, 1000);
    size_t chars = 0;
    const double dayMs = ReportTime(day, chars);
    std::printf("24-hour journal (%.1f MB) into a report and summary at start: %.1f ms (%zu characters)\n",
                day.size() / 1048576.0, dayMs, chars);
    // A test failing every cycle: a start reads at most 32 MB of it, its start and its end.
    std::string failing = SimulatedJournal(1, 1);
    failing.resize(std::min<size_t>(failing.size(), 32u << 20));
    const double failingMs = ReportTime(failing, chars);
    std::printf("32 MB of a journal failing every cycle into a report at start: %.1f ms (%zu characters)\n", failingMs,
                chars);
    return 0;
}
