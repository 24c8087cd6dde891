// The test over time: verified cycles and each kind of error, counted per second for the last
// hour and per minute for the whole test, so a night's run can be read as a picture (did the
// errors come in one burst, grow slowly, come evenly?). Times are the record's elapsed
// milliseconds, which only grow (tick differences, never the wall clock), so the buckets stay in
// order across the tick counter's wrap and any change of the clock. Bounded for any length: past
// kMaxCoarseBuckets the coarse buckets are merged into wider ones (ten minutes, then an hour,
// then twice as wide each time). Plain logic, owned by the record (and so by its lock).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

enum class SeriesError : uint8_t { kCardError, kMismatch, kNoCard, kAuthRefused, kLinkTrouble };
inline constexpr size_t kSeriesErrorKinds = 5;

struct SeriesCounts {
    uint32_t verified = 0;
    std::array<uint32_t, kSeriesErrorKinds> errors{};  // by SeriesError

    void Add(const SeriesCounts& other);
    bool operator==(const SeriesCounts&) const = default;
};

// A stretch of the test with what happened in it.
struct SeriesInterval {
    uint64_t startMs = 0;   // since the test's start
    uint64_t lengthMs = 0;  // the last one ends at the elapsed time, so it may be shorter
    SeriesCounts counts;

    double Rate() const;  // verified cycles per second
};

class CTestSeries {
public:
    static constexpr uint64_t kFineMs = 1000;
    static constexpr size_t kFineBuckets = 3600;  // the last hour
    static constexpr uint64_t kCoarseMs = 60000;
    static constexpr size_t kMaxCoarseBuckets = 20160;  // two weeks of minutes
    static constexpr size_t kCoarseGrowth = 1440;       // a day of minutes

    void Verified(uint64_t atMs);
    void Error(SeriesError kind, uint64_t atMs);

    // The whole test from its start to elapsedMs, in intervals of at least spanMs (a multiple of
    // the coarse width; the coarse width when spanMs is smaller). Empty intervals are included;
    // each holds what came after its start up to its end included.
    std::vector<SeriesInterval> Intervals(uint64_t spanMs, uint64_t elapsedMs) const;
    // The last hour (or less) before elapsedMs, a second each, oldest first; seconds before the
    // test's start are left out.
    std::vector<SeriesInterval> RecentSeconds(uint64_t elapsedMs) const;
    // The same seconds as a range [first, end), and sums over ranges of seconds (those not kept
    // count nothing) and of coarse buckets, for a reader that must not copy them (the chart).
    std::pair<uint64_t, uint64_t> RecentRange(uint64_t elapsedMs) const;
    SeriesCounts SecondsSum(uint64_t first, uint64_t end) const;
    SeriesCounts CoarseSum(size_t first, size_t end) const;

    // The plain storage, for a writer that walks it: coarse buckets from the start, each
    // CoarseMs() wide (the seconds are walked through RecentSeconds).
    const std::vector<SeriesCounts>& Coarse() const { return coarse_; }
    uint64_t CoarseMs() const { return coarseMs_; }
    // The bytes the buckets hold (their containers' own bookkeeping aside).
    size_t MemoryBytes() const;

private:
    SeriesCounts& CoarseAt(uint64_t atMs);
    SeriesCounts* FineAt(uint64_t atMs);  // null before the kept hour
    const SeriesCounts* FineSecond(uint64_t second) const;  // null when not kept
    void MergeCoarse();

    std::vector<SeriesCounts> coarse_;
    uint64_t coarseMs_ = kCoarseMs;
    size_t merges_ = 0;
    // A ring of the last hour's seconds, by second % kFineBuckets; it holds the seconds from
    // firstFineSecond_ (or the hour before newestFineSecond_, when later) to newestFineSecond_.
    std::vector<SeriesCounts> fine_;
    uint64_t firstFineSecond_ = 0;
    uint64_t newestFineSecond_ = 0;
};
