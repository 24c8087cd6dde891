// The test record on its own: figures over a simulated hour with errors of every kind, the rate
// window across the tick counter's wrap, and the bound on kept lines.
#include <gtest/gtest.h>

#include "foundation/local_time.h"
#include "reader/test_record.h"

namespace {

const int64_t kStart = CalendarMilliseconds({2026, 12, 8, 16, 40, 5, 0});

TEST(TestRecordTest, SimulatedHourWithErrorsOfEveryKind) {
    // 160 cycles a second for an hour; every 1000th cycle fails, by turns in each way.
    CTestRecord record;
    const uint32_t first = 0xFFFF0000u;  // the counter wraps during the hour
    record.Begin({L"COM7", {}, {}, 1, true, false}, kStart, first);
    uint64_t verified = 0, failures = 0;
    uint64_t firstErrorAt = 0, lastErrorAt = 0;
    const uint64_t cycles = 160ull * 3600;
    for (uint64_t cycle = 1; cycle <= cycles; ++cycle) {
        const uint32_t now = first + static_cast<uint32_t>(cycle * 1000 / 160);
        if (cycle % 1000 != 0) {
            record.Verified(now);
            ++verified;
            continue;
        }
        const uint64_t at = cycle * 1000 / 160;
        if (failures++ == 0)
            firstErrorAt = at;
        lastErrorAt = at;
        switch (failures % 5) {
            case 0: record.CardError(9, now); break;
            case 1: record.CardError(3, now); break;
            case 2: record.Mismatch(now); break;
            case 3: record.NoCard(now); break;
            default: record.AuthRefused(now); break;
        }
        record.Line(ReaderEvent::Failure("error " + std::to_string(failures)), now);
    }
    const TestFigures figures = record.Figures(first + 3600000u);
    record.End(first + 3600000u);

    EXPECT_EQ(figures.elapsedMs, 3600000u);
    EXPECT_NEAR(figures.rate, 160.0 * 999 / 1000, 2.0);
    EXPECT_EQ(record.verified, verified);
    EXPECT_EQ(failures, 576u);
    EXPECT_EQ(record.errorEvents, 576u);
    EXPECT_EQ(record.cardErrors, (std::map<int, uint64_t>{{3, 116}, {9, 115}}));
    EXPECT_EQ(record.mismatches, 115u);
    EXPECT_EQ(record.noCardEvents, 115u);
    EXPECT_EQ(record.authRefusals, 115u);
    EXPECT_EQ(record.longestCleanRun, 999u);
    EXPECT_EQ(record.firstErrorMs, firstErrorAt);
    EXPECT_EQ(record.lastErrorMs, lastErrorAt);
    ASSERT_EQ(record.lines.size(), 576u);
    EXPECT_EQ(record.droppedLines, 0u);
    EXPECT_EQ(record.lines.front().atMs, firstErrorAt);
    EXPECT_EQ(record.lines.back().atMs, lastErrorAt);
    EXPECT_EQ(record.lines.back().event.message, "error 576");
    EXPECT_FALSE(record.running);
    // Stopped: the elapsed time no longer grows and the rate is the test's average.
    const TestFigures later = record.Figures(first + 3700000u);
    EXPECT_EQ(later.elapsedMs, 3600000u);
    EXPECT_DOUBLE_EQ(later.rate, static_cast<double>(verified) / 3600);
    EXPECT_TRUE(later.started);
}

TEST(TestRecordTest, RateWindowAcrossTheTickWrap) {
    struct Phase {
        uint32_t ms;        // how long
        uint32_t perSecond; // verified cycles in it
        double rateAtEnd;   // what the window shows at its end
    };
    const Phase phases[] = {
        {10000, 100, 100.0},  // steady, across the wrap
        {10000, 200, 200.0},  // faster: the old pace has left the window
        {6000, 0, 0.0},       // stalled longer than the window
        {6000, 50, 50.0},     // slower again, for a whole window
    };
    for (const uint32_t start : {0xFFFFEC78u, 0u, 0x7FFFFFFFu}) {
        CTestRecord record;
        record.Begin({}, kStart, start);
        uint32_t now = start;
        for (const Phase& phase : phases) {
            const uint32_t end = now + phase.ms;
            for (uint32_t step = 1; step <= phase.ms / 10; ++step) {
                now += 10;
                if (phase.perSecond != 0 && step % (100 / phase.perSecond == 0 ? 1 : 100 / phase.perSecond) == 0)
                    for (uint32_t k = 0; k < (phase.perSecond > 100 ? phase.perSecond / 100 : 1); ++k)
                        record.Verified(now);
                if (step % 33 == 0)
                    record.Figures(now);  // the page's refresh
            }
            ASSERT_EQ(now, end);
            EXPECT_NEAR(record.Figures(now).rate, phase.rateAtEnd, phase.rateAtEnd * 0.06 + 0.01)
                << "start " << start << ", phase of " << phase.perSecond << "/s";
        }
        EXPECT_EQ(record.Figures(now).elapsedMs, 32000u) << start;
    }
}

TEST(TestRecordTest, KeptLinesAreBoundedOldestFirstAndCounted) {
    CTestRecord record;
    record.Begin({}, kStart, 5);
    const size_t extra = 7;
    for (size_t i = 0; i < CTestRecord::kKeptLines + extra; ++i) {
        record.Line(ReaderEvent::Failure(std::to_string(i)), static_cast<uint32_t>(5 + i));
        record.CardError(1, static_cast<uint32_t>(5 + i));
    }
    EXPECT_EQ(record.lines.size(), CTestRecord::kKeptLines);
    EXPECT_EQ(record.droppedLines, extra);
    EXPECT_EQ(record.lines.front().event.message, std::to_string(extra));
    EXPECT_EQ(record.lines.front().atMs, extra);
    EXPECT_EQ(record.cardErrors.at(1), CTestRecord::kKeptLines + extra);  // the counts stay exact
}

TEST(TestRecordTest, BeginStartsAFreshRecordAndCardsAreKeptThroughRemoval) {
    CTestRecord record;
    record.Begin(PortSetup(L"COM3"), kStart, 0);
    record.CardError(1, 10);
    record.Line(ReaderEvent::Failure("x"), 10);
    CardInfo card;
    card.type = kCardClassic1K;
    card.uidLength = 4;
    record.SeeCard(card, 10);
    record.SeeCard(CardInfo{}, 11);
    ASSERT_EQ(record.cards.size(), 1u);
    EXPECT_EQ(record.cards[0].card, card);
    record.Begin(PortSetup(L"COM4"), kStart, 20);
    EXPECT_EQ(record.setup.port, L"COM4");
    EXPECT_EQ(record.errorEvents, 0u);
    EXPECT_TRUE(record.cardErrors.empty());
    EXPECT_TRUE(record.lines.empty());
    EXPECT_EQ(record.Figures(20).elapsedMs, 0u);
}

TEST(TestRecordTest, ACardTakenOffAndLaidBackIsNoNewCard) {
    TestSetup setup;
    setup.card.uidLength = 4;
    CTestRecord record;
    record.Begin(setup, kStart, 100);
    record.SeeCard(CardInfo{}, 200);
    record.SeeCard(setup.card, 300);
    EXPECT_EQ(record.cards.size(), 1u);
}

}  // namespace
