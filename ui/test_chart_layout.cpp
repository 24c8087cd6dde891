#include "ui/test_chart_layout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr uint64_t kHourMs = 3600000;

// A stretch of the series in buckets of one width: count buckets from startMs, the last cut at endMs.
struct ChartPart {
    bool seconds = false;  // the kept seconds, else the coarse buckets
    uint64_t firstBucket = 0;
    uint64_t count = 0;
    uint64_t bucketMs = 0;
    uint64_t endMs = 0;
};

// The buckets spread evenly over the pixels [left, right): a column per bucket while they are
// fewer than the pixels, else several summed in each column. Summed in place: copying a day's
// buckets on every refresh cost more than all the rest of the chart.
void AddColumns(const CTestSeries& series, const ChartPart& part, int32_t left, int32_t right,
                std::vector<ChartColumn>& columns) {
    const auto width = static_cast<uint64_t>(std::max(0, right - left));
    const uint64_t count = std::min(part.count, width);
    for (uint64_t column = 0; column < count; ++column) {
        const uint64_t first = part.firstBucket + column * part.count / count;
        const uint64_t last = part.firstBucket + (column + 1) * part.count / count;
        ChartColumn added;
        added.left = left + static_cast<int32_t>(column * width / count);
        added.right = left + static_cast<int32_t>((column + 1) * width / count);
        added.interval.startMs = first * part.bucketMs;
        added.interval.lengthMs = std::min(last * part.bucketMs, std::max(part.endMs, added.interval.startMs)) -
                                  added.interval.startMs;
        added.interval.counts = part.seconds ? series.SecondsSum(first, last)
                                             : series.CoarseSum(static_cast<size_t>(first), static_cast<size_t>(last));
        columns.push_back(added);
    }
}

int32_t RateY(double rate, double top, const LayoutRect& plot) {
    const int32_t height = plot.bottom - plot.top - 1;
    const double share = std::clamp(rate / top, 0.0, 1.0);
    return plot.bottom - 1 - static_cast<int32_t>(std::lround(share * height));
}

}  // namespace

double RoundedScaleTop(double rate) {
    if (!(rate > 1.0))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(rate)));
    for (const double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= rate)
            return step * power;
    return 10.0 * power;
}

ChartPicture LayOutChart(const CTestSeries& series, uint64_t elapsedMs, const LayoutRect& box,
                         const ChartMetrics& metrics) {
    ChartPicture picture;
    picture.box = box;
    const int32_t border = std::max(1, metrics.lineWidth);
    const LayoutRect inner{box.left + border, box.top + border, box.right - border, box.bottom - border};
    picture.laneHeight = (inner.bottom - inner.top) / static_cast<int32_t>(kSeriesErrorKinds);
    // Marks a little apart in their lanes, odd-sized so that each has a middle pixel.
    picture.markSize = std::min(metrics.markSize, picture.laneHeight - std::max(1, picture.laneHeight / 4));
    picture.markSize -= picture.markSize % 2 == 0 ? 1 : 0;
    const int32_t mark = picture.markSize;
    // Too small to tell a mark from another: the frame alone.
    if (mark < 3 || inner.right - inner.left < 2 * mark) {
        picture.plot = picture.lanes = {inner.left, inner.top, inner.left, inner.top};
        picture.markSize = 0;
        return picture;
    }
    picture.plot = inner;
    picture.lanes = {inner.left, inner.bottom - picture.laneHeight * static_cast<int32_t>(kSeriesErrorKinds), inner.right,
                     inner.bottom};

    // The last hour a second at a time, from a whole coarse bucket on; the whole buckets before.
    const auto [firstSecond, endSecond] = series.RecentRange(elapsedMs);
    const uint64_t coarseMs = series.CoarseMs();
    const uint64_t boundary =
        firstSecond == 0 ? 0 : std::min((firstSecond * CTestSeries::kFineMs + coarseMs - 1) / coarseMs * coarseMs, elapsedMs);
    const uint64_t recentFirst = std::max(firstSecond, boundary / CTestSeries::kFineMs);
    const ChartPart recent{true, recentFirst, endSecond - std::min(endSecond, recentFirst), CTestSeries::kFineMs, elapsedMs};
    const ChartPart earlier{false, 0, boundary / coarseMs, coarseMs, boundary};
    const int32_t plotWidth = picture.plot.right - picture.plot.left;
    int32_t split = picture.plot.left;
    if (earlier.count != 0) {
        const double share = std::min(0.5, static_cast<double>(boundary) / static_cast<double>(boundary + kHourMs));
        split = picture.plot.left + std::max(1, static_cast<int32_t>(std::lround(share * plotWidth)));
        picture.splitX = split;
        AddColumns(series, earlier, picture.plot.left, split, picture.columns);
    }
    AddColumns(series, recent, split, picture.plot.right, picture.columns);

    double highest = 0;
    for (const ChartColumn& column : picture.columns) highest = std::max(highest, column.interval.Rate());
    picture.topRate = RoundedScaleTop(highest);
    picture.rateLine.reserve(2 * picture.columns.size());
    const int32_t half = mark / 2;
    std::array<int32_t, kSeriesErrorKinds> lastMark;
    lastMark.fill(box.left - 2 * mark);
    for (const ChartColumn& column : picture.columns) {
        const int32_t y = RateY(column.interval.Rate(), picture.topRate, picture.plot);
        picture.rateLine.push_back({column.left, y});
        picture.rateLine.push_back({column.right - 1, y});
        const int32_t centre =
            std::clamp((column.left + column.right - 1) / 2, picture.lanes.left + half, picture.lanes.right - 1 - half);
        for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) {
            // Marks closer than a mark's width would only cover each other.
            if (column.interval.counts.errors[kind] == 0 || centre - lastMark[kind] < mark)
                continue;
            lastMark[kind] = centre;
            const int32_t top = picture.lanes.top + static_cast<int32_t>(kind) * picture.laneHeight +
                                (picture.laneHeight - mark) / 2;
            picture.marks.push_back({static_cast<SeriesError>(kind), {centre - half, top, centre - half + mark, top + mark}});
        }
    }
    return picture;
}

LayoutRect TextPlace(const ChartPicture& picture, int32_t width, int32_t height, int32_t mouseX) {
    const LayoutRect& plot = picture.plot;
    width = std::clamp(width, 0, plot.right - plot.left);
    height = std::clamp(height, 0, plot.bottom - plot.top);
    const bool right = mouseX < (plot.left + plot.right) / 2;
    const int32_t left = right ? plot.right - width : plot.left;
    return {left, plot.top, left + width, plot.top + height};
}

const ChartColumn* ColumnAt(const ChartPicture& picture, int32_t x) {
    const auto found = std::upper_bound(picture.columns.begin(), picture.columns.end(), x,
                                        [](int32_t at, const ChartColumn& column) { return at < column.right; });
    return found != picture.columns.end() && x >= found->left ? &*found : nullptr;
}
