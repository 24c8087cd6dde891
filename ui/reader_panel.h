// The main page's state for one reader: its worker, what the last refresh read, whether a test
// ran (so there is a report to save) and whether the typed key can be used. It turns the
// worker's snapshot into what the page shows, the log events in the user's words. While a test
// runs it keeps the test's journal in its report store, and when the test ends (by Stop or by
// its plan) it saves the report and its summary there and gives the verdict. Plain logic;
// user-interface thread only (the worker's data is read through its lock).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "foundation/local_time.h"
#include "reader/reader_worker.h"
#include "reader/test_plan.h"
#include "ui/report_store.h"

class CReaderPanel {
public:
    // store: where the journal and the automatic reports go (null: neither is kept).
    explicit CReaderPanel(CReaderWorker& worker, IReportStore* store = nullptr, const ITimeZone* zone = nullptr)
        : worker_(worker), store_(store), zone_(zone) {}

    CReaderWorker& Worker() { return worker_; }
    const CReaderWorker& Worker() const { return worker_; }
    uint32_t WorkerId() const { return worker_.Id(); }

    // What one refresh shows: the state's text, the counters, the figures and the new log lines.
    struct View {
        std::wstring state;
        int32_t written = 0;
        int32_t errors = 0;
        TestFigures figures;
        std::vector<std::wstring> lines;
        bool testEnded = false;  // the test ended since the last refresh
        std::wstring verdict;    // its plan ended it: passed or failed, and the report's name
    };
    // Starts a test with its plan and opens its journal; the log lines say what went wrong with
    // the journal (the test runs all the same).
    std::vector<std::wstring> StartTest(const TestParameters& parameters, const TestPlan& plan);
    // Reads the worker's snapshot (taking its events) and keeps its link trouble counts; writes
    // the journal's new entries, and when the test has ended, its report.
    View Refresh();

    LinkTroubleCounts lastTrouble;  // as the last refresh read it
    View lastView;                  // the last refresh's view, without its log lines
    std::wstring port;              // the port the worker was last started on
    // An error or a lost link came in since the user last looked at the page (its tab says so);
    // the window clears it while the page is shown.
    bool troubleUnseen = false;
    bool testStarted = false;       // a test ran since the page was made: there is a report to save
    bool keyValid = true;           // the key field holds a whole key
    std::wstring reportPath;        // the report the last test's end saved by itself

    // Journal figures are written (and the journal flushed to the disk) this often.
    static constexpr uint64_t kFiguresSpacingMs = 10000;

private:
    void FeedJournal(bool final, View& view);
    void FinishTest(View& view);
    void JournalFailed(const std::exception& error, View& view);

    CReaderWorker& worker_;
    int32_t lastErrors_ = 0;  // the error count the last refresh read
    IReportStore* store_;
    const ITimeZone* zone_;
    bool testActive_ = false;   // a test this panel started has not been finished yet
    bool journalOpen_ = false;
    std::wstring baseName_;     // of the current test's files
    std::wstring lastBase_;     // the name the last test's start gave
    int sameSecond_ = 0;        // tests started under that name
    size_t cardsWritten_ = 0;
    uint64_t figuresAtMs_ = 0;  // the journal's last figures
    ReaderIdentity readerWritten_;
};

// The panel whose worker sent a notice, by the id the notice carries; null for none (the port
// search's notices carry 0).
CReaderPanel* PanelOfWorker(std::span<CReaderPanel* const> panels, uintptr_t workerId);
