// The record's series over simulated tests, from a second to two months, driven through the
// record as the reader worker drives it: bursts of each kind of error land in their intervals,
// the intervals stay in order and add up to the totals across the tick counter's wrap, and the
// memory stays bounded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/test_record.h"

namespace {

constexpr uint64_t kMinute = 60000, kHour = 60 * kMinute, kDay = 24 * kHour;

struct Burst {
    uint64_t atMs;
    uint64_t lengthMs;
    SeriesError kind;
    uint64_t everyMs;  // one error this often during the burst
};

struct Scenario {
    const char* name;
    uint32_t startTick;
    uint64_t lengthMs;
    uint64_t cycleMs;  // a verified cycle this often
    std::vector<Burst> bursts;
    uint64_t coarseMs;   // the coarse width at the end
    size_t maxBytes;     // the series' memory at the end
};

void Report(CTestRecord& record, SeriesError kind, uint32_t now) {
    switch (kind) {
        case SeriesError::kCardError: record.CardError(4, now); break;
        case SeriesError::kMismatch: record.Mismatch(now); break;
        case SeriesError::kNoCard: record.NoCard(now); break;
        case SeriesError::kAuthRefused: record.AuthRefused(now); break;
        case SeriesError::kLinkTrouble: record.LinkTrouble(now); break;
    }
}

TEST(TestSeriesTest, SimulatedTestsWithBurstsOfErrors) {
    const Scenario scenarios[] = {
        {"a second", 0, 1000, 10, {{500, 1, SeriesError::kMismatch, 1}}, kMinute, 90 * 1024},
        {"a day across the wrap, with bursts", 0xFFFFF000u, kDay, 250,
         {{2 * kHour, 30000, SeriesError::kMismatch, 200},
          {13 * kHour, 10 * kMinute, SeriesError::kCardError, 1000},
          {20 * kHour + 5, 1, SeriesError::kNoCard, 1},
          {23 * kHour + 30 * kMinute, kMinute, SeriesError::kLinkTrouble, 500},
          {23 * kHour + 50 * kMinute, 5000, SeriesError::kAuthRefused, 1000}},
         kMinute, 120 * 1024},
        {"a week, evenly failing", 0x80000000u, 7 * kDay, 5000, {{0, 7 * kDay, SeriesError::kCardError, kHour}},
         kMinute, 330 * 1024},
        {"two months: the minutes are merged", 7, 60 * kDay, 60000,
         {{40 * kDay, kHour, SeriesError::kLinkTrouble, kMinute}}, 10 * kMinute, 300 * 1024},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        std::array<uint64_t, kSeriesErrorKinds> errors{};
        uint64_t verified = 0;
        // Errors come after the cycles of their moment; the record's elapsed time never goes back.
        CTestRecord record;
        record.Begin({}, 0, scenario.startTick);
        std::vector<std::pair<uint64_t, SeriesError>> events;
        for (const Burst& burst : scenario.bursts)
            for (uint64_t at = burst.atMs; at < burst.atMs + burst.lengthMs; at += burst.everyMs)
                events.emplace_back(at, burst.kind);
        for (uint64_t at = scenario.cycleMs; at <= scenario.lengthMs; at += scenario.cycleMs)
            events.emplace_back(at, static_cast<SeriesError>(255));  // a verified cycle
        std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [at, kind] : events) {
            const uint32_t now = scenario.startTick + static_cast<uint32_t>(at);
            if (static_cast<uint8_t>(kind) == 255) {
                record.Verified(now);
                ++verified;
                continue;
            }
            Report(record, kind, now);
            ++errors[static_cast<size_t>(kind)];
        }
        record.End(scenario.startTick + static_cast<uint32_t>(scenario.lengthMs));
        const CTestSeries& series = record.series;
        EXPECT_EQ(series.CoarseMs(), scenario.coarseMs);
        EXPECT_LE(series.MemoryBytes(), scenario.maxBytes);

        // Every interval size the report uses: in order, back to back, to the elapsed time, adding up.
        for (const uint64_t span : {kMinute, 10 * kMinute, kHour}) {
            const std::vector<SeriesInterval> intervals = series.Intervals(span, record.elapsedMs);
            ASSERT_FALSE(intervals.empty());
            SeriesCounts total;
            uint64_t next = 0;
            for (const SeriesInterval& interval : intervals) {
                if (interval.startMs != next)
                    ADD_FAILURE() << "out of order at " << interval.startMs;
                next = interval.startMs + interval.lengthMs;
                total.Add(interval.counts);
                // A burst's errors land in the intervals it overlaps, nowhere else.
                for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) {
                    bool overlapped = false;
                    // An interval holds what came after its start up to its end included.
                    for (const Burst& burst : scenario.bursts)
                        overlapped |= static_cast<size_t>(burst.kind) == kind && burst.atMs <= next &&
                                      burst.atMs + burst.lengthMs > interval.startMs + 1;
                    if (!overlapped && interval.counts.errors[kind] != 0)
                        ADD_FAILURE() << "kind " << kind << " in " << span << " ms from " << interval.startMs;
                }
            }
            EXPECT_EQ(next, scenario.lengthMs);
            EXPECT_EQ(total.verified, verified);
            for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) EXPECT_EQ(total.errors[kind], errors[kind]) << kind;
        }
        // The last hour a second at a time, matching the coarse buckets' counts.
        const std::vector<SeriesInterval> seconds = series.RecentSeconds(record.elapsedMs);
        ASSERT_EQ(seconds.size(), std::min<uint64_t>(scenario.lengthMs, kHour) / 1000);
        EXPECT_EQ(seconds.back().startMs + seconds.back().lengthMs, scenario.lengthMs);
        SeriesCounts lastHour;
        for (const SeriesInterval& second : seconds) lastHour.Add(second.counts);
        if (scenario.lengthMs >= kHour && scenario.coarseMs <= kHour) {
            SeriesCounts coarse;
            for (const SeriesInterval& interval : series.Intervals(kHour, record.elapsedMs))
                if (interval.startMs >= scenario.lengthMs - kHour)
                    coarse.Add(interval.counts);
            EXPECT_EQ(lastHour, coarse);
        }
    }
}

// A test that stalls longer than the hour keeps no stale seconds, and Begin starts a fresh series.
TEST(TestSeriesTest, LongStallAndNewTest) {
    CTestRecord record;
    record.Begin({}, 0, 0xFFFFFFF0u);
    record.Verified(0xFFFFFFF0u + 500);
    record.Mismatch(0xFFFFFFF0u + 500);
    const uint32_t later = 0xFFFFFFF0u + static_cast<uint32_t>(2 * kHour + 250);
    record.Verified(later);
    const std::vector<SeriesInterval> seconds = record.series.RecentSeconds(record.elapsedMs);
    SeriesCounts recent;
    for (const SeriesInterval& second : seconds) recent.Add(second.counts);
    EXPECT_EQ(recent.verified, 1u);
    EXPECT_EQ(recent.errors, (std::array<uint32_t, kSeriesErrorKinds>{}));
    EXPECT_EQ(record.series.Intervals(kMinute, record.elapsedMs).front().counts.errors[1], 1u);
    record.Begin({}, 0, later);
    EXPECT_TRUE(record.series.Coarse().empty());
    EXPECT_TRUE(record.series.RecentSeconds(0).empty());
}

}  // namespace
