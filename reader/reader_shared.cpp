#include "reader/reader_shared.h"

void CReaderShared::Notify(ReaderNotice notice) {
    if (onNotice)
        onNotice(notice);
}

void CReaderShared::BeginRun(const std::wstring& portName) {
    std::lock_guard lock(mutex_);
    portName_ = portName;
    authErrorLogged_ = false;
    // A new connection has seen no card yet: the card its first poll finds is news (and is
    // shown) even when it is the one the last connection saw.
    card_ = CardInfo{};
    identity_ = ReaderIdentity{};
}

void CReaderShared::StartTest(const TestParameters& parameters, const TestPlan& plan, bool journal) {
    std::lock_guard lock(mutex_);
    test_ = parameters;
    written_ = 0;
    trouble_ = LinkTroubleCounts{};
    trailerLogged_ = false;
    authErrorLogged_ = false;
    SettleTrouble();
    // Events queued since the page's last read belong to the test before, whose log the page
    // has emptied; what a cycle of that test still does from now on is dropped by its pass number.
    log_.clear();
    ++testNumber_;
    testRunning_ = true;
    record_.Begin({portName_, identity_, card_, test_.block, test_.useKeyB, test_.useReaderKeys}, utcClock(),
                  clock_.Now());
    record_.plan = plan;
    journal_ = journal;
    journalLines_.clear();
}

void CReaderShared::EndTest() {
    std::lock_guard lock(mutex_);
    testRunning_ = false;
    SettleTrouble();
    record_.End(clock_.Now());
}

ReaderSnapshot CReaderShared::Read() {
    ReaderSnapshot snapshot;
    std::lock_guard lock(mutex_);
    snapshot.state = state_;
    snapshot.written = written_;
    snapshot.errors = errors_;
    snapshot.trouble = trouble_;
    snapshot.events.swap(log_);
    snapshot.figures = record_.Figures(clock_.Now());
    EndByPlan();  // a duration ends here too when no pass runs (no card, no link)
    return snapshot;
}

CTestRecord CReaderShared::ReadFigures() {
    std::lock_guard lock(mutex_);
    record_.Figures(clock_.Now());
    std::deque<StampedEvent> lines;
    lines.swap(record_.lines);
    CTestRecord copy = record_;
    lines.swap(record_.lines);
    return copy;
}

JournalFeed CReaderShared::TakeJournal(size_t cardsTaken) {
    JournalFeed feed;
    std::lock_guard lock(mutex_);
    feed.lines.swap(journalLines_);
    if (cardsTaken < record_.cards.size())
        feed.cards.assign(record_.cards.begin() + static_cast<std::ptrdiff_t>(cardsTaken), record_.cards.end());
    return feed;
}

bool CReaderShared::EndByPlan() {
    if (!testRunning_ || record_.plan.kind == PlanKind::kUntilStopped)
        return false;
    // Only a duration needs the elapsed time brought up to now; the counts are current.
    const uint64_t elapsedMs =
        record_.plan.kind == PlanKind::kDuration ? record_.Figures(clock_.Now()).elapsedMs : record_.elapsedMs;
    const PlanOutcome outcome = PlanReached(record_.plan, record_.verified, record_.errorEvents, elapsedMs);
    if (outcome == PlanOutcome::kNone)
        return false;
    // As a Stop: the session's next pass finds no test and runs no cycle.
    testRunning_ = false;
    SettleTrouble();
    record_.End(clock_.Now());
    record_.outcome = outcome;
    return true;
}

void CReaderShared::NoteError(const ReaderEvent& event) {
    if (record_.errorEvents == 1)
        record_.firstError = event;
}

CTestRecord CReaderShared::ReadRecord() {
    std::lock_guard lock(mutex_);
    record_.Figures(clock_.Now());  // brings the elapsed time up to now
    return record_;
}

SeriesSnapshot CReaderShared::ReadSeries() {
    std::lock_guard lock(mutex_);
    const TestFigures figures = record_.Figures(clock_.Now());
    return {figures.started, figures.elapsedMs, record_.series};
}

bool CReaderShared::BeginPass() {
    bool ended = false;
    bool running = false;
    {
        std::lock_guard lock(mutex_);
        passTest_ = testNumber_;
        ended = EndByPlan();
        running = testRunning_;
    }
    if (ended)
        Notify(ReaderNotice::kState);
    return running;
}

TestParameters CReaderShared::Test() {
    // Copied under the lock: a test start may rewrite the parameters meanwhile.
    std::lock_guard lock(mutex_);
    return test_;
}

void CReaderShared::StateChanged(int32_t state) {
    {
        std::lock_guard lock(mutex_);
        state_ = state;
        // Every connection names its own reader, never one an earlier attempt found.
        if (state == kConnecting)
            identity_ = ReaderIdentity{};
        // A test started while connecting ran on the reader the link now reports.
        if (state == kConnected)
            record_.SeeReader(identity_);
    }
    Notify(ReaderNotice::kState);
}

void CReaderShared::Nudge() {
    Notify(ReaderNotice::kState);
}

void CReaderShared::ReaderFound(const ReaderIdentity& identity) {
    std::lock_guard lock(mutex_);
    identity_ = identity;
}

void CReaderShared::CardChanged(const CardInfo& card) {
    {
        std::lock_guard lock(mutex_);
        card_ = card;
        record_.SeeCard(card, clock_.Now());
        written_ = 0;
        errors_ = 0;
        // A removal is announced by the test's own "No card." event; only a card that arrives
        // earns a new one, so one removal never logs it twice.
        if (card.uidLength != 0)
            noCardLogged_ = false;
    }
    Notify(ReaderNotice::kCard);
}

void CReaderShared::NoCard() {
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        if (!PassIsCurrent())
            return;
        const bool logged = !noCardLogged_;
        if (logged) {
            noCardLogged_ = true;
            SettleTrouble();
            Log(ReaderEvent::Of(ReaderEventKind::kNoCard));
        }
        // The line stands once per card change, but no test without a card may read as a clean
        // run: the first miss of each test counts even when an earlier test logged the line.
        if (logged || record_.noCardEvents == 0) {
            record_.NoCard(clock_.Now());
            NoteError(ReaderEvent::Of(ReaderEventKind::kNoCard));
            ended = EndByPlan();
        }
    }
    if (ended)
        Notify(ReaderNotice::kState);
}

void CReaderShared::Once(ReaderEventKind kind) {
    std::lock_guard lock(mutex_);
    bool& marker = kind == ReaderEventKind::kTrailerRefused ? trailerLogged_ : authErrorLogged_;
    if (marker || !PassIsCurrent())
        return;
    marker = true;
    SettleTrouble();
    Log(ReaderEvent::Of(kind));
}

void CReaderShared::CardError(const ReaderEvent& event) {
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        if (!PassIsCurrent())
            return;  // a cycle of an earlier test: the log and counts are the current test's
        SettleTrouble();
        Log(event);
        ++errors_;
        record_.CardError(event.status, clock_.Now());
        NoteError(event);
        ended = EndByPlan();
    }
    if (ended)
        Notify(ReaderNotice::kState);
}

void CReaderShared::Mismatch() {
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        if (!PassIsCurrent())
            return;
        SettleTrouble();
        const ReaderEvent event = ReaderEvent::Of(ReaderEventKind::kMismatch);
        Log(event);
        ++errors_;
        record_.Mismatch(clock_.Now());
        NoteError(event);
        ended = EndByPlan();
    }
    if (ended)
        Notify(ReaderNotice::kState);
}

void CReaderShared::Written() {
    std::lock_guard lock(mutex_);
    if (PassIsCurrent())
        ++written_;
}

void CReaderShared::Verified() {
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        if (!PassIsCurrent())
            return;
        record_.Verified(clock_.Now());
        ended = EndByPlan();
    }
    if (ended)
        Notify(ReaderNotice::kState);
}

void CReaderShared::AuthRefused() {
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        if (!PassIsCurrent())
            return;
        record_.AuthRefused(clock_.Now());
        NoteError(ReaderEvent::Of(ReaderEventKind::kAuthError));
        ended = EndByPlan();
    }
    if (ended)
        Notify(ReaderNotice::kState);
}

void CReaderShared::Trouble(const ReaderEvent& event) {
    std::lock_guard lock(mutex_);
    if (!testRunning_ || !PassIsCurrent())
        return;
    std::vector<ReaderEvent> events;
    troubleFolding_.Add(event, events);
    for (const ReaderEvent& logged : events) Log(logged);
}

void CReaderShared::CountTrouble(uint64_t LinkTroubleCounts::*field) {
    std::lock_guard lock(mutex_);
    if (testRunning_ && PassIsCurrent()) {
        ++(trouble_.*field);
        record_.LinkTrouble(clock_.Now());
    }
}

void CReaderShared::CycleDone() {
    std::lock_guard lock(mutex_);
    if (PassIsCurrent())
        SettleTrouble();
}

void CReaderShared::Log(const ReaderEvent& event) {
    record_.Line(event, clock_.Now());
    log_.push_back(event);
    if (journal_ && record_.running)
        journalLines_.push_back(record_.lines.back());
}

void CReaderShared::SettleTrouble() {
    std::vector<ReaderEvent> events;
    troubleFolding_.Settle(events);
    for (const ReaderEvent& logged : events) Log(logged);
}
