#include "reader/test_series.h"

#include <algorithm>
#include <limits>

namespace {

// Coarse widths grow by these factors in turn, then by 2: every width stays a whole number of
// the report's intervals (a minute, ten minutes, an hour) as long as those can still be drawn.
constexpr uint64_t kMergeFactors[] = {10, 6};

// An interval holds what ended in it, up to its end included: a cycle done at the elapsed time's
// very end is in the last interval, never one of no length after it.
uint64_t BucketOf(uint64_t atMs, uint64_t widthMs) {
    return atMs == 0 ? 0 : (atMs - 1) / widthMs;
}

uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
    return a > std::numeric_limits<uint32_t>::max() - b ? std::numeric_limits<uint32_t>::max() : a + b;
}

}  // namespace

void SeriesCounts::Add(const SeriesCounts& other) {
    verified = SaturatingAdd(verified, other.verified);
    for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) errors[kind] = SaturatingAdd(errors[kind], other.errors[kind]);
}

double SeriesInterval::Rate() const {
    return lengthMs == 0 ? 0.0 : static_cast<double>(counts.verified) * 1000.0 / static_cast<double>(lengthMs);
}

void CTestSeries::Verified(uint64_t atMs) {
    SeriesCounts& coarse = CoarseAt(atMs);
    coarse.verified = SaturatingAdd(coarse.verified, 1);
    if (SeriesCounts* fine = FineAt(atMs))
        fine->verified = SaturatingAdd(fine->verified, 1);
}

void CTestSeries::Error(SeriesError kind, uint64_t atMs) {
    const auto index = static_cast<size_t>(kind);
    if (index >= kSeriesErrorKinds)
        return;
    SeriesCounts& coarse = CoarseAt(atMs);
    coarse.errors[index] = SaturatingAdd(coarse.errors[index], 1);
    if (SeriesCounts* fine = FineAt(atMs))
        fine->errors[index] = SaturatingAdd(fine->errors[index], 1);
}

SeriesCounts& CTestSeries::CoarseAt(uint64_t atMs) {
    while (BucketOf(atMs, coarseMs_) >= kMaxCoarseBuckets) MergeCoarse();
    const auto index = static_cast<size_t>(BucketOf(atMs, coarseMs_));
    if (index >= coarse_.size()) {
        // Doubled up to a day of minutes, then grown a day at a time: doubling all the way would
        // hold up to twice what a week takes.
        if (index >= coarse_.capacity())
            coarse_.reserve(std::min((index / kCoarseGrowth + 1) * kCoarseGrowth,
                                     std::max(index + 1, 2 * coarse_.capacity())));
        coarse_.resize(index + 1);
    }
    return coarse_[index];
}

void CTestSeries::MergeCoarse() {
    const uint64_t factor = merges_ < std::size(kMergeFactors) ? kMergeFactors[merges_] : 2;
    ++merges_;
    std::vector<SeriesCounts> merged((coarse_.size() + factor - 1) / factor);
    for (size_t index = 0; index < coarse_.size(); ++index) merged[index / factor].Add(coarse_[index]);
    coarse_ = std::move(merged);
    coarseMs_ *= factor;
}

SeriesCounts* CTestSeries::FineAt(uint64_t atMs) {
    const uint64_t second = BucketOf(atMs, kFineMs);
    if (fine_.empty()) {
        fine_.resize(kFineBuckets);
        firstFineSecond_ = newestFineSecond_ = second;
    }
    if (second + kFineBuckets <= newestFineSecond_ || second < firstFineSecond_)
        return nullptr;  // before the kept hour: counted in the coarse buckets only
    // Times only grow: the seconds passed since the newest are emptied, at most the whole ring.
    if (second > newestFineSecond_) {
        const uint64_t from = std::max(newestFineSecond_ + 1, second + 1 - std::min<uint64_t>(second + 1, kFineBuckets));
        for (uint64_t passed = from; passed <= second; ++passed) fine_[passed % kFineBuckets] = SeriesCounts{};
        newestFineSecond_ = second;
    }
    return &fine_[second % kFineBuckets];
}

const SeriesCounts* CTestSeries::FineSecond(uint64_t second) const {
    if (fine_.empty() || second < firstFineSecond_ || second > newestFineSecond_ ||
        second + kFineBuckets <= newestFineSecond_)
        return nullptr;
    return &fine_[second % kFineBuckets];
}

std::vector<SeriesInterval> CTestSeries::Intervals(uint64_t spanMs, uint64_t elapsedMs) const {
    const uint64_t per = std::max<uint64_t>(1, (spanMs + coarseMs_ - 1) / coarseMs_);  // buckets per interval
    const uint64_t width = per * coarseMs_;
    std::vector<SeriesInterval> intervals;
    const uint64_t end = elapsedMs;
    // Every counted bucket has its interval, one counted at the elapsed time's very end too.
    const uint64_t count = std::max<uint64_t>((end + width - 1) / width, (coarse_.size() + per - 1) / per);
    intervals.reserve(static_cast<size_t>(count));
    for (uint64_t interval = 0; interval < count; ++interval) {
        SeriesInterval item;
        item.startMs = interval * width;
        item.lengthMs = item.startMs < end ? std::min(width, end - item.startMs) : 0;
        for (uint64_t bucket = interval * per; bucket < (interval + 1) * per && bucket < coarse_.size(); ++bucket)
            item.counts.Add(coarse_[static_cast<size_t>(bucket)]);
        intervals.push_back(item);
    }
    return intervals;
}

std::pair<uint64_t, uint64_t> CTestSeries::RecentRange(uint64_t elapsedMs) const {
    // One past the last (partial) second, or past the last counted one when that lies at the very end.
    const uint64_t endSecond = std::max<uint64_t>((elapsedMs + kFineMs - 1) / kFineMs, fine_.empty() ? 0 : newestFineSecond_ + 1);
    return {endSecond > kFineBuckets ? endSecond - kFineBuckets : 0, endSecond};
}

std::vector<SeriesInterval> CTestSeries::RecentSeconds(uint64_t elapsedMs) const {
    const auto [firstSecond, endSecond] = RecentRange(elapsedMs);
    std::vector<SeriesInterval> seconds;
    seconds.reserve(static_cast<size_t>(endSecond - firstSecond));
    for (uint64_t second = firstSecond; second < endSecond; ++second) {
        SeriesInterval item;
        item.startMs = second * kFineMs;
        item.lengthMs = item.startMs < elapsedMs ? std::min(kFineMs, elapsedMs - item.startMs) : 0;
        if (const SeriesCounts* kept = FineSecond(second))
            item.counts = *kept;
        seconds.push_back(item);
    }
    return seconds;
}

SeriesCounts CTestSeries::SecondsSum(uint64_t first, uint64_t end) const {
    SeriesCounts sum;
    for (uint64_t second = first; second < end; ++second)
        if (const SeriesCounts* kept = FineSecond(second))
            sum.Add(*kept);
    return sum;
}

SeriesCounts CTestSeries::CoarseSum(size_t first, size_t end) const {
    SeriesCounts sum;
    for (size_t bucket = first; bucket < end && bucket < coarse_.size(); ++bucket) sum.Add(coarse_[bucket]);
    return sum;
}

size_t CTestSeries::MemoryBytes() const {
    return (coarse_.capacity() + fine_.capacity()) * sizeof(SeriesCounts);
}
