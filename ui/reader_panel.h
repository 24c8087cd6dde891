// The main page's state for one reader: its worker, what the last refresh read, whether a test
// ran (so there is a report to save) and whether the typed key can be used. It turns the
// worker's snapshot into what the page shows, the log events in the user's words. Plain logic;
// user-interface thread only (the worker's data is read through its lock).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "reader/reader_worker.h"

class CReaderPanel {
public:
    explicit CReaderPanel(CReaderWorker& worker) : worker_(worker) {}

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
    };
    // Reads the worker's snapshot (taking its events) and keeps its link trouble counts.
    View Refresh();

    LinkTroubleCounts lastTrouble;  // as the last refresh read it
    View lastView;                  // the last refresh's view, without its log lines
    std::wstring port;              // the port the worker was last started on
    // An error or a lost link came in since the user last looked at the page (its tab says so);
    // the window clears it while the page is shown.
    bool troubleUnseen = false;
    bool testStarted = false;       // a test ran since the page was made: there is a report to save
    bool keyValid = true;           // the key field holds a whole key

private:
    CReaderWorker& worker_;
    int32_t lastErrors_ = 0;  // the error count the last refresh read
};

// The panel whose worker sent a notice, by the id the notice carries; null for none (the port
// search's notices carry 0).
CReaderPanel* PanelOfWorker(std::span<CReaderPanel* const> panels, uintptr_t workerId);
