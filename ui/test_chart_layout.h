// Where the chart of a test's series puts its lines and marks inside its box, in plain
// arithmetic; the window (test_chart_win32.*) only paints what this gives. The rate of verified
// cycles is a stepped line over the plot; each kind of error has a lane of its own across the
// plot (a fifth of its height, the line drawn over them), with a mark wherever it came, and the
// text of the values under the mouse lies over the plot's top, away from the mouse. The chart
// is as short as the page can spare at 200% on a small screen, so it has no line of its own for
// text. The last hour is drawn a second at a time; the hours before it,
// summarised a minute at a time, take the left part of the width (at most half), split off by a
// line. Everything lies inside the box, whatever the series and the box's size.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/test_series.h"
#include "ui/anchor_layout.h"

struct ChartMetrics {
    int32_t markSize = 7;   // the largest width and height of a mark (a lane may make it smaller)
    int32_t lineWidth = 1;  // the frame's and the rate line's width
};

struct ChartPoint {
    int32_t x = 0, y = 0;
    bool operator==(const ChartPoint&) const = default;
};

struct ChartMark {
    SeriesError kind = SeriesError::kCardError;
    LayoutRect rect;  // the mark's square
};

// A column of pixels and the stretch of the test it shows.
struct ChartColumn {
    int32_t left = 0, right = 0;
    SeriesInterval interval;
};

struct ChartPicture {
    LayoutRect box;     // the frame's outer edge
    LayoutRect plot;    // inside the frame: the rate
    LayoutRect lanes;   // the plot's height but what is left over by whole lanes: one per kind of error
    int32_t laneHeight = 0;
    int32_t markSize = 0;
    double topRate = 1;  // verified cycles per second at the plot's top
    int32_t splitX = -1;  // the line between the summarised hours and the last hour; -1: none
    std::vector<ChartPoint> rateLine;
    std::vector<ChartMark> marks;
    std::vector<ChartColumn> columns;  // left to right
};

ChartPicture LayOutChart(const CTestSeries& series, uint64_t elapsedMs, const LayoutRect& box,
                         const ChartMetrics& metrics);

// Where a text of this size goes over the plot's top: at the right when the mouse is in the
// plot's left half, else at the left; cut to the plot when larger.
LayoutRect TextPlace(const ChartPicture& picture, int32_t width, int32_t height, int32_t mouseX);

// The column under x, or null when x lies outside the plot.
const ChartColumn* ColumnAt(const ChartPicture& picture, int32_t x);

// 1, 2 or 5 times a power of ten, at least the rate (at least 1).
double RoundedScaleTop(double rate);
