// What one reader publishes, and the rules of what it counts and logs: state, identity, card,
// the test's orders and parameters, counters, the record, the link trouble counts and the log
// events not yet read. The session reports to it as things happen (typed calls, under the
// lock); the user interface gives orders and reads snapshots.
//
// Threads: the session's thread (the reader worker's, or a test's own) makes the report calls;
// the user-interface thread makes the order and read calls. Every field below is guarded by
// `mutex`, taken only for short updates; the notice is called after the lock is released, never
// during port I/O. A call of the session's thread belongs to the pass it made with BeginPass:
// what a pass of an earlier test still reports after a test start is dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/classic_card.h"
#include "foundation/local_time.h"
#include "reader/card_info.h"
#include "reader/ident.h"
#include "reader/link_trouble.h"
#include "reader/reader_event.h"
#include "reader/test_record.h"
#include "reader/trouble_folding.h"
#include "reader/wait_clock.h"

enum LinkState : int32_t { kDisconnected = 0, kConnected = 1, kConnecting = 2 };

struct TestParameters {
    int32_t block = 1;
    uint64_t key = kClassicTransportKey;  // low 48 bits
    bool useKeyB = false;
    bool useReaderKeys = false;
};

// What the main page shows, copied out under the lock in one go.
struct ReaderSnapshot {
    int32_t state = kDisconnected;
    int32_t written = 0;
    int32_t errors = 0;
    LinkTroubleCounts trouble;       // of the current test
    std::vector<ReaderEvent> events;  // log events not read before; the queue is left empty
    TestFigures figures;             // elapsed time and rate of the current (or last) test
};

// The current (or last) test's series with its elapsed time, for the chart: copied out under
// the lock without the record's log lines.
struct SeriesSnapshot {
    bool started = false;
    uint64_t elapsedMs = 0;
    CTestSeries series;
};

// What the journal of a test has not written yet: the log events with their times and the
// cards laid on meanwhile, in order.
struct JournalFeed {
    std::vector<StampedEvent> lines;
    std::vector<SeenCard> cards;
};

enum class ReaderNotice { kState, kCard };

class CReaderShared {
public:
    explicit CReaderShared(IWaitClock& clock) : clock_(clock) {}

    // Called after every change of state and of the card record, without the lock, on the
    // session's thread; installed before the session runs.
    std::function<void(ReaderNotice)> onNotice;
    // The UTC time a test starts at, in ms since 1970 (tests put a simulated one in).
    std::function<int64_t()> utcClock = CurrentUtcMilliseconds;

    // Orders (user-interface thread).
    void BeginRun(const std::wstring& portName);  // before the session runs on the port
    // With a plan other than "until stopped" the test ends by itself (as EndTest) once the plan
    // is reached; with journal set its log events are also kept for TakeJournal.
    void StartTest(const TestParameters& parameters, const TestPlan& plan = {}, bool journal = false);
    void EndTest();  // Stop of the test, or of the whole run
    bool TestRunning() { return Copy(testRunning_); }

    // Reads (user-interface thread).
    ReaderSnapshot Read();
    int32_t ReadState() { return Copy(state_); }
    CardInfo ReadCard() { return Copy(card_); }
    ReaderIdentity ReadIdentity() { return Copy(identity_); }
    CTestRecord ReadRecord();  // a copy of the current (or last) test's record
    SeriesSnapshot ReadSeries();
    CTestRecord ReadFigures();  // the same without its log lines: cheap enough for every refresh
    // The log events and cards since the last take (the cards from index cardsTaken on).
    JournalFeed TakeJournal(size_t cardsTaken);

    // Reports (the session's thread).
    bool BeginPass();           // a pass of the loop begins; true when a test is set
    TestParameters Test();      // the parameters the pass's test cycle uses
    void StateChanged(int32_t state);
    void Nudge();               // a notice with nothing changed: the page shows the final counts
    void ReaderFound(const ReaderIdentity& identity);
    void CardChanged(const CardInfo& card);
    void NoCard();
    void Once(ReaderEventKind kind);  // trailer refused, auth error: once per test
    void CardError(const ReaderEvent& event);
    void Mismatch();
    void Written();
    void Verified();
    void AuthRefused();
    void Trouble(const ReaderEvent& event);  // link trouble while a test runs, folded
    void CountTrouble(uint64_t LinkTroubleCounts::*field);
    void CycleDone();  // a cycle succeeded: folded trouble before it is settled

private:
    template <typename T>
    T Copy(const T& field) {
        std::lock_guard lock(mutex_);
        return field;
    }
    bool PassIsCurrent() const { return passTest_ == testNumber_; }
    void Log(const ReaderEvent& event);  // with its time, into the record too
    void SettleTrouble();
    void Notify(ReaderNotice notice);
    // Under the lock: ends the test when its plan is reached; true when it did just now.
    bool EndByPlan();
    void NoteError(const ReaderEvent& event);  // after the record counted it

    IWaitClock& clock_;
    std::mutex mutex_;
    std::wstring portName_;
    int32_t state_ = kDisconnected;
    ReaderIdentity identity_;
    CardInfo card_;
    bool testRunning_ = false;
    uint64_t testNumber_ = 0;  // counts test starts, so late work of a test is known
    uint64_t passTest_ = 0;    // the test number when the session's current pass began
    TestParameters test_;
    std::vector<ReaderEvent> log_;  // not yet read
    int32_t written_ = 0;
    int32_t errors_ = 0;
    bool noCardLogged_ = false;
    bool trailerLogged_ = false;
    bool authErrorLogged_ = false;
    CTestRecord record_;
    bool journal_ = false;                      // the current test keeps its events for the journal
    std::vector<StampedEvent> journalLines_;    // not yet taken
    LinkTroubleCounts trouble_;  // of the current test
    CTroubleFolding troubleFolding_;
};
