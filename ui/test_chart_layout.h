// Where the chart of a test's series puts its lines and marks inside its box, in plain
// arithmetic; the window (test_chart_win32.*) only paints what this gives. The rate of verified
// cycles is a stepped line over the plot; each kind of error has a lane of its own under it,
// with a mark wherever it came. The last hour is drawn a second at a time; the hours before it,
// summarised a minute at a time, take the left part of the width (at most half), split off by a
// line. Everything lies inside the box, whatever the series and the box's size.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/test_series.h"
#include "ui/anchor_layout.h"

struct ChartMetrics {
    int32_t textHeight = 16;  // the header line's height
    int32_t markSize = 7;     // a mark's width and height (a lane is a little taller)
    int32_t lineWidth = 1;    // the frame's and the rate line's width
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
    LayoutRect box;
    LayoutRect header;  // the text line: the scale, or the values under the mouse
    LayoutRect frame;   // the plot and the lanes, with their border
    LayoutRect plot;    // inside the frame: the rate
    LayoutRect lanes;   // inside the frame, under the plot: one lane per kind of error
    int32_t laneHeight = 0;
    double topRate = 1;  // verified cycles per second at the plot's top
    int32_t splitX = -1;  // the line between the summarised hours and the last hour; -1: none
    std::vector<ChartPoint> rateLine;
    std::vector<ChartMark> marks;
    std::vector<ChartColumn> columns;  // left to right
};

ChartPicture LayOutChart(const CTestSeries& series, uint64_t elapsedMs, const LayoutRect& box,
                         const ChartMetrics& metrics);

// The column under x, or null when x lies outside the plot.
const ChartColumn* ColumnAt(const ChartPicture& picture, int32_t x);

// 1, 2 or 5 times a power of ten, at least the rate (at least 1).
double RoundedScaleTop(double rate);
