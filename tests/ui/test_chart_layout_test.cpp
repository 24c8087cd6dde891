// Where the chart puts its line, marks and text: inside its box for any series and any box,
// columns in the test's order, the last hour split off from the summarised hours, each burst's
// mark in its kind's lane at its time, the column under the mouse and the text away from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/test_chart_layout.h"

namespace {

constexpr uint64_t kMinute = 60000, kHour = 60 * kMinute;

bool Inside(const LayoutRect& inner, const LayoutRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

struct Burst {
    uint64_t atMs;
    SeriesError kind;
};

CTestSeries SeriesOf(uint64_t lengthMs, uint64_t cycleMs, const std::vector<Burst>& bursts) {
    CTestSeries series;
    size_t next = 0;
    for (uint64_t at = cycleMs; at <= lengthMs; at += cycleMs) {
        for (; next < bursts.size() && bursts[next].atMs <= at; ++next)
            for (int repeat = 0; repeat < 20; ++repeat) series.Error(bursts[next].kind, bursts[next].atMs);
        series.Verified(at);
    }
    return series;
}

TEST(TestChartLayoutTest, EverythingInsideTheBoxAndEachBurstInItsLane) {
    const struct {
        const char* name;
        uint64_t lengthMs, cycleMs;
        std::vector<Burst> bursts;
        bool split;
    } tests[] = {
        {"nothing yet", 0, 1000, {}, false},
        {"a second", 1000, 10, {{400, SeriesError::kMismatch}}, false},
        {"half an hour", 30 * kMinute, 100, {{10 * kMinute, SeriesError::kNoCard}, {25 * kMinute, SeriesError::kLinkTrouble}}, false},
        {"a day", 24 * kHour, 1000,
         {{2 * kHour, SeriesError::kCardError}, {13 * kHour, SeriesError::kAuthRefused}, {23 * kHour + 30 * kMinute, SeriesError::kMismatch}},
         true},
        {"a week", 7 * 24 * kHour, 30000, {{3 * 24 * kHour, SeriesError::kLinkTrouble}}, true},
    };
    const struct {
        LayoutRect box;
        ChartMetrics metrics;
    } boxes[] = {
        {{10, 20, 532, 62}, {9, 1}},   // the page at 96 DPI
        {{0, 0, 1109, 81}, {18, 2}},   // at 192 DPI
        {{0, 0, 2000, 400}, {18, 2}},  // taller than the marks need
        {{5, 5, 45, 16}, {9, 1}},      // too short for the lanes
        {{0, 0, 3, 400}, {9, 1}},      // narrower than a mark
    };
    for (const auto& test : tests) {
        const CTestSeries series = SeriesOf(test.lengthMs, test.cycleMs, test.bursts);
        for (const auto& [box, metrics] : boxes) {
            SCOPED_TRACE(std::string(test.name) + " in a box of " + std::to_string(box.right - box.left));
            const ChartPicture picture = LayOutChart(series, test.lengthMs, box, metrics);
            EXPECT_TRUE(Inside(picture.plot, box));
            EXPECT_TRUE(Inside(picture.lanes, picture.plot));
            for (const int32_t mouse : {box.left, box.right - 1})
                EXPECT_TRUE(Inside(TextPlace(picture, 300, 16, mouse), picture.plot));
            for (const ChartPoint& point : picture.rateLine)
                ASSERT_TRUE(point.x >= picture.plot.left && point.x < picture.plot.right && point.y >= picture.plot.top &&
                            point.y < picture.plot.bottom);
            for (const ChartMark& mark : picture.marks) ASSERT_TRUE(Inside(mark.rect, picture.lanes));
            int32_t right = picture.plot.left;
            uint64_t end = 0;
            for (const ChartColumn& column : picture.columns) {
                ASSERT_EQ(column.left, right);
                ASSERT_GE(column.interval.startMs, end);
                right = column.right;
                end = column.interval.startMs + column.interval.lengthMs;
            }
            const bool drawn = picture.markSize >= 3;
            EXPECT_LE(picture.markSize, metrics.markSize);
            if (!drawn || test.lengthMs == 0)
                continue;
            EXPECT_EQ(right, picture.plot.right);
            EXPECT_EQ(end, test.lengthMs);
            EXPECT_EQ(picture.splitX >= 0, test.split);
            // Every burst has its mark in its lane, over the column of its moment.
            for (const Burst& burst : test.bursts) {
                const auto column = std::find_if(picture.columns.begin(), picture.columns.end(), [&](const ChartColumn& c) {
                    return burst.atMs > c.interval.startMs && burst.atMs <= c.interval.startMs + c.interval.lengthMs;
                });
                ASSERT_NE(column, picture.columns.end());
                EXPECT_EQ(column->interval.counts.errors[static_cast<size_t>(burst.kind)], 20u);
                const auto mark = std::find_if(picture.marks.begin(), picture.marks.end(), [&](const ChartMark& m) {
                    return m.kind == burst.kind && m.rect.left <= column->right && m.rect.right >= column->left;
                });
                ASSERT_NE(mark, picture.marks.end());
                const int32_t lane = picture.lanes.top + static_cast<int32_t>(burst.kind) * picture.laneHeight;
                EXPECT_GE(mark->rect.top, lane);
                EXPECT_LE(mark->rect.bottom, lane + picture.laneHeight);
                EXPECT_EQ(ColumnAt(picture, (column->left + column->right - 1) / 2), &*column);
            }
            EXPECT_EQ(ColumnAt(picture, picture.plot.right), nullptr);
            // The text keeps away from the mouse.
            const LayoutRect onLeft = TextPlace(picture, 50, 10, picture.plot.left + 2);
            const LayoutRect onRight = TextPlace(picture, 50, 10, picture.plot.right - 2);
            EXPECT_EQ(onLeft.right, picture.plot.right);
            EXPECT_EQ(onRight.left, picture.plot.left);
        }
    }
}

TEST(TestChartLayoutTest, ScaleTopIsARoundNumberAtLeastTheRate) {
    const std::pair<double, double> cases[] = {{0, 1}, {0.4, 1}, {1, 1}, {1.2, 2}, {3, 5}, {7, 10}, {160, 200}, {999, 1000}};
    for (const auto& [rate, top] : cases) EXPECT_DOUBLE_EQ(RoundedScaleTop(rate), top) << rate;
}

}  // namespace
