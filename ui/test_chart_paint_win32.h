// The chart's painting with plain GDI: what test_chart_layout.h placed, in the system's colours
// when high contrast is on. Draws only inside the picture's box.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "ui/test_chart_layout.h"

struct ChartColours {
    COLORREF background = 0, text = 0, frame = 0, split = 0, rate = 0;
    std::array<COLORREF, kSeriesErrorKinds> marks{};  // by SeriesError
};

// The chart's colours now: its own on a normal theme; the system's window, text and highlight
// colours under high contrast, where the kinds differ by their shape alone.
ChartColours CurrentChartColours();
ChartColours ChartColoursFor(bool highContrast);

// The sizes of lines and marks at a DPI.
ChartMetrics ChartMetricsFor(UINT dpi);

// Paints the picture into dc with its font selected: background, frame, the split between
// summarised and recent time, rate line, marks, and the text over the plot's top away from
// mouseX (the scale, or the values under the mouse).
void PaintTestChart(HDC dc, const ChartPicture& picture, const std::wstring& text, int32_t mouseX,
                    const ChartColours& colours);
