// The record of one block test: what ran where, what it counted and every log event with the
// time it happened. The reader worker feeds it under its lock at a few points of the cycle;
// the page reads figures from it on every refresh and a copy of it for the saved report.
// Times are ticks of the 32-bit wrapping clock (compared only by difference) and the UTC time
// of the start: a line's time is the start plus the ticks since, so a wall-clock change during
// an overnight test cannot reorder the log, and the report turns each stamp into the local time
// of its own moment (a daylight-saving change during the test moves only the later stamps).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "reader/card_info.h"
#include "reader/ident.h"
#include "reader/reader_event.h"
#include "reader/test_series.h"
#include "reader/test_plan.h"

// What the test ran on, as its start found it.
struct TestSetup {
    std::wstring port;
    ReaderIdentity reader;
    CardInfo card;
    int32_t block = 1;
    bool useKeyB = false;
    bool useReaderKeys = false;  // the key itself is never recorded
};

inline TestSetup PortSetup(const std::wstring& port) {
    TestSetup setup;
    setup.port = port;
    return setup;
}

// The live figures of the page.
struct TestFigures {
    bool started = false;    // a test ran or runs since the reader worker was made
    uint64_t elapsedMs = 0;  // of the current (or last) test
    double rate = 0;         // verified cycles per second: over the last few seconds while the
                             // test runs, its average once it has stopped
};

// A card the test ran on: the one on the reader at the start, or one laid on it meanwhile.
struct SeenCard {
    CardInfo card;
    uint64_t atMs = 0;  // since the start
    bool atStart = false;
};

struct StampedEvent {
    uint64_t atMs = 0;  // since the start
    ReaderEvent event;
};

class CTestRecord {
public:
    // The kept log events are bounded, so a test failing every cycle for days keeps its memory;
    // the oldest go first and are counted. The figures stay exact.
    static constexpr size_t kKeptLines = 100000;
    static constexpr uint32_t kRateWindowMs = 5000;
    static constexpr uint32_t kSampleSpacingMs = 250;

    void Begin(TestSetup setup, int64_t startUtcMs, uint32_t now);  // a copy: it may be this record's own
    void End(uint32_t now);
    // A card published while the test runs: a new one joins the record's cards with its time;
    // a removal, or any card after the end, changes nothing.
    void SeeCard(const CardInfo& card, uint32_t now);
    // The reader the link reports once it is up (a test may start while it connects).
    void SeeReader(const ReaderIdentity& reader);

    void Verified(uint32_t now);
    void CardError(int status, uint32_t now);
    void Mismatch(uint32_t now);
    void NoCard(uint32_t now);
    void AuthRefused(uint32_t now);
    // Link trouble of any kind (a time-out, a resent frame, an unverified read-back, a reconnect):
    // not an error of the card, so only the series counts it.
    void LinkTrouble(uint32_t now);
    void Line(const ReaderEvent& event, uint32_t now);

    // Brings the elapsed time up to now (while running) and gives the figures.
    TestFigures Figures(uint32_t now);
    // Verified cycles per second over the whole elapsed time.
    double AverageRate() const;

    bool started = false;
    bool running = false;
    TestSetup setup;
    std::vector<SeenCard> cards;  // in the order they arrived
    int64_t startUtcMs = 0;       // ms since 1970-01-01 00:00 UTC
    uint64_t elapsedMs = 0;
    uint64_t verified = 0;
    std::map<int, uint64_t> cardErrors;  // by the reader's status byte
    uint64_t mismatches = 0;
    uint64_t noCardEvents = 0;
    uint64_t authRefusals = 0;
    uint64_t longestCleanRun = 0;  // verified cycles in a row without an error
    uint64_t currentCleanRun = 0;
    uint64_t errorEvents = 0;  // card errors, mismatches, "No card." events and refusals
    uint64_t firstErrorMs = 0;
    uint64_t lastErrorMs = 0;
    std::deque<StampedEvent> lines;
    uint64_t droppedLines = 0;
    CTestSeries series;  // the same counts over time
    TestPlan plan;                           // what was to end the test by itself
    PlanOutcome outcome = PlanOutcome::kNone;  // set when the plan ended it
    ReaderEvent firstError;                  // the event of the first error, when there was one

private:
    struct Sample {
        uint32_t tick = 0;
        uint64_t verified = 0;
    };
    void Advance(uint32_t now);
    void Error(SeriesError kind, uint32_t now);
    void TakeSample(uint32_t now);
    double Rate(uint32_t now) const;

    uint32_t lastTick_ = 0;
    std::array<Sample, 32> samples_{};  // a ring: 32 x 250 ms covers the 5 s window
    size_t sampleCount_ = 0;
    size_t newestSample_ = 0;
};
