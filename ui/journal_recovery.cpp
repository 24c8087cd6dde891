// Turning journals of tests that did not end into reports, at the program's start.
#include <exception>

#include "foundation/catalogue.h"
#include "foundation/errors.h"
#include "foundation/file_error_text.h"
#include "foundation/text_ids.h"
#include "reader/test_journal.h"
#include "ui/report_store.h"
#include "ui/test_report.h"
#include "ui/test_summary.h"

std::wstring ReportBaseName(const std::wstring& port, const LocalTime& start) {
    std::wstring name = DefaultReportName(port, start);
    return name.substr(0, name.size() - 4);  // ".txt"
}

std::vector<std::wstring> RecoverJournals(IReportStore& store, const ITimeZone& zone) {
    std::vector<std::wstring> lines;
    std::vector<std::wstring> names;
    try {
        names = store.LeftoverJournals();
    } catch (const CFileException&) {
        return lines;  // no folder, nothing left over
    }
    for (const std::wstring& name : names) {
        std::wstring line;
        try {
            const IReportStore::JournalText journal = store.ReadLeftover(name);
            const RecoveredTest test = ReadTestJournal(journal.text, journal.unreadBytes);
            if (!test.started) {
                // Nothing of a test in it (empty, or not a journal): nothing to report, and
                // nothing lost by leaving it where the user can look at it.
                continue;
            }
            ReportNotes notes;
            notes.interrupted = !test.ended;
            notes.interruptedAtMs = test.lastEntryMs;
            notes.unreadableLines = test.unreadableLines;
            notes.unreadBytes = test.unreadBytes;
            const std::wstring path =
                store.SaveReport(name, TestReportText(test.record, test.trouble, zone, notes),
                                 TestSummaryText(test.record, test.trouble, notes));
            store.RemoveLeftover(name);
            const std::wstring at = DateTimeText(
                zone.ToLocal(test.record.startUtcMs + static_cast<int64_t>(test.lastEntryMs)), false);
            FormatResourceString(line, kTextJournalRecovered, at.c_str(), path.c_str());
        } catch (const CFileException& error) {
            FormatResourceString(line, kTextJournalNotRecovered, FileErrorText(error).c_str());
        } catch (const std::bad_alloc&) {
            FormatResourceString(line, kTextJournalNotRecovered, L"");
        }
        lines.push_back(line);
    }
    return lines;
}
