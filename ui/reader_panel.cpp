#include "ui/reader_panel.h"

#include <iterator>

#include "foundation/catalogue.h"
#include "foundation/errors.h"
#include "foundation/file_error_text.h"
#include "foundation/text_ids.h"
#include "reader/test_journal.h"
#include "ui/reader_event_text.h"
#include "ui/test_report.h"
#include "ui/test_summary.h"

namespace {

constexpr unsigned kStateTexts[] = {kTextDisconnected, kTextConnected, kTextConnecting};  // by LinkState

std::wstring Formatted(unsigned id, const std::wstring& value) {
    std::wstring text;
    FormatResourceString(text, id, value.c_str());
    return text;
}

std::wstring WhyText(const std::exception& error) {
    if (const auto* file = dynamic_cast<const CFileException*>(&error))
        return FileErrorText(*file);
    return {};
}

bool SameReader(const ReaderIdentity& a, const ReaderIdentity& b) {
    return a.model == b.model && a.serial == b.serial && a.firmware == b.firmware && a.buildTime == b.buildTime;
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<std::wstring> CReaderPanel::StartTest(const TestParameters& parameters, const TestPlan& plan) {
    View view;
    // A test that ended before the page's refresh saw it is finished first: its report saved,
    // its journal closed.
    if (testActive_ && !worker_.TestRunning()) {
        FeedJournal(true, view);
        FinishTest(view);
    }
    worker_.StartTest(parameters, plan, store_ != nullptr);
    testStarted = true;
    testActive_ = true;
    reportPath.clear();
    journalOpen_ = false;
    cardsWritten_ = 0;
    figuresAtMs_ = 0;
    if (!store_ || !zone_)
        return {};
    const CTestRecord record = worker_.ReadFigures();
    // Names go by the second: a test started within the second of the one before gets a number,
    // so its report never replaces that one's.
    const std::wstring base = ReportBaseName(record.setup.port, zone_->ToLocal(record.startUtcMs));
    sameSecond_ = base == lastBase_ ? sameSecond_ + 1 : 1;
    lastBase_ = base;
    baseName_ = sameSecond_ == 1 ? base : base + L'-' + std::to_wstring(sameSecond_);
    cardsWritten_ = record.cards.size();
    readerWritten_ = record.setup.reader;
    try {
        store_->OpenJournal(baseName_);
        journalOpen_ = true;
        store_->AppendJournal(JournalStartEntry(record));
        store_->FlushJournal();
    } catch (const std::exception& error) {
        JournalFailed(error, view);
    }
    return view.lines;
}

CReaderPanel::View CReaderPanel::Refresh() {
    ReaderSnapshot snapshot = worker_.ReadStatus();  // the lock is released on return
    View view;
    if (snapshot.state >= 0 && snapshot.state < static_cast<int32_t>(std::size(kStateTexts)))
        LoadResourceString(kStateTexts[snapshot.state], view.state);
    view.written = snapshot.written;
    view.errors = snapshot.errors;
    view.figures = snapshot.figures;
    view.lines.reserve(snapshot.events.size());
    for (const ReaderEvent& event : snapshot.events) view.lines.push_back(ReaderEventText(event));
    // Every line the reader logs is trouble (a lost link among them, which counts nothing until
    // the reader is back). A new test counts from zero again: only a rise of a count is news.
    if (!snapshot.events.empty() || snapshot.errors > lastErrors_ ||
        snapshot.trouble.reconnects > lastTrouble.reconnects || snapshot.trouble.timeouts > lastTrouble.timeouts)
        troubleUnseen = true;
    lastErrors_ = snapshot.errors;
    lastTrouble = snapshot.trouble;
    if (testActive_) {
        const bool ended = !worker_.TestRunning();
        FeedJournal(ended || snapshot.figures.elapsedMs >= figuresAtMs_ + kFiguresSpacingMs, view);
        if (ended)
            FinishTest(view);
    }
    lastView = {view.state, view.written, view.errors, view.figures, {}, view.testEnded, view.verdict};
    return view;
}

void CReaderPanel::FeedJournal(bool figuresDue, View& view) {
    JournalFeed feed = worker_.TakeJournal(cardsWritten_);  // taken even without a journal: the queue stays small
    cardsWritten_ += feed.cards.size();
    if (!journalOpen_)
        return;
    std::string entries;
    for (const SeenCard& card : feed.cards) entries += JournalCardEntry(card);
    for (const StampedEvent& line : feed.lines) entries += JournalLineEntry(line);
    if (figuresDue) {
        const CTestRecord figures = worker_.ReadFigures();
        if (!SameReader(figures.setup.reader, readerWritten_)) {
            readerWritten_ = figures.setup.reader;
            entries += JournalReaderEntry(figures.elapsedMs, readerWritten_);
        }
        entries += JournalFiguresEntry(figures, lastTrouble);
        figuresAtMs_ = figures.elapsedMs;
    }
    try {
        // Into the system's cache at every refresh (a crash of the program loses little); onto
        // the disk with the figures (a power cut loses at most their spacing).
        if (!entries.empty())
            store_->AppendJournal(entries);
        if (figuresDue)
            store_->FlushJournal();
    } catch (const std::exception& error) {
        JournalFailed(error, view);
    }
}

void CReaderPanel::JournalFailed(const std::exception& error, View& view) {
    // Said once: the test goes on without a journal, and a part-written one would only come
    // back at the next start as a test that never ended.
    journalOpen_ = false;
    store_->CloseJournal(true);
    view.lines.push_back(Formatted(kTextJournalNotWritten, WhyText(error)));
}

void CReaderPanel::FinishTest(View& view) {
    testActive_ = false;
    view.testEnded = true;
    const CTestRecord record = worker_.ReadRecord();
    if (record.outcome != PlanOutcome::kNone)
        view.lines.push_back(PlanEndText(record));
    if (!store_ || !zone_)
        return;
    if (journalOpen_) {
        try {
            store_->AppendJournal(JournalEndEntry(record));
            store_->FlushJournal();
        } catch (const std::exception& error) {
            JournalFailed(error, view);
        }
    }
    std::wstring verdict = record.outcome != PlanOutcome::kNone ? VerdictText(record, *zone_) : std::wstring();
    try {
        reportPath = store_->SaveReport(baseName_, TestReportText(record, lastTrouble, *zone_),
                                        TestSummaryText(record, lastTrouble));
        view.lines.push_back(Formatted(kTextReportSavedTo, reportPath));
        if (!verdict.empty())
            verdict += L' ' + Formatted(kTextVerdictReport, FileName(reportPath));
        // The report holds everything the journal did.
        if (journalOpen_)
            store_->CloseJournal(true);
    } catch (const std::exception& error) {
        view.lines.push_back(Formatted(kTextReportNotWritten, WhyText(error)));
        // An ended journal kept: the next start still makes its report.
        if (journalOpen_)
            store_->CloseJournal(false);
    }
    journalOpen_ = false;
    view.verdict = verdict;
}

CReaderPanel* PanelOfWorker(std::span<CReaderPanel* const> panels, uintptr_t workerId) {
    for (CReaderPanel* panel : panels)
        if (panel != nullptr && workerId != 0 && panel->WorkerId() == workerId)
            return panel;
    return nullptr;
}
