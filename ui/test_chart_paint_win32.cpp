#include "ui/test_chart_paint_win32.h"

#include <algorithm>
#include <vector>

#include "foundation/catalogue.h"
#include "ui/gdi_objects_win32.h"
#include "ui/series_text.h"

namespace {

RECT ToRect(const LayoutRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void Fill(HDC dc, const LayoutRect& r, COLORREF colour) {
    const RECT rect = ToRect(r);
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);  // a solid fill without a brush
}

// One mark: the kind's shape inside its square, so the kinds differ without their colours.
void PaintMark(HDC dc, SeriesError kind, const LayoutRect& r, COLORREF colour, int32_t lineWidth) {
    const int32_t mid = (r.left + r.right - 1) / 2, middle = (r.top + r.bottom - 1) / 2;
    switch (kind) {
        case SeriesError::kCardError: Fill(dc, r, colour); return;  // a filled square
        case SeriesError::kMismatch: {  // a filled diamond
            const POINT points[] = {{mid, r.top}, {r.right - 1, middle}, {mid, r.bottom - 1}, {r.left, middle}};
            Polygon(dc, points, 4);
            return;
        }
        case SeriesError::kNoCard: {  // a hollow square ring
            const int32_t w = std::max(1, lineWidth);
            Fill(dc, {r.left, r.top, r.right, r.top + w}, colour);
            Fill(dc, {r.left, r.bottom - w, r.right, r.bottom}, colour);
            Fill(dc, {r.left, r.top, r.left + w, r.bottom}, colour);
            Fill(dc, {r.right - w, r.top, r.right, r.bottom}, colour);
            return;
        }
        case SeriesError::kAuthRefused: {  // a filled triangle, point up
            const POINT points[] = {{mid, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1}};
            Polygon(dc, points, 3);
            return;
        }
        case SeriesError::kLinkTrouble: {  // an upright cross
            const int32_t w = std::max(1, lineWidth);
            Fill(dc, {mid - w / 2, r.top, mid - w / 2 + w, r.bottom}, colour);
            Fill(dc, {r.left, middle - w / 2, r.right, middle - w / 2 + w}, colour);
            return;
        }
    }
}

// The text in a box of the background's colour over the plot's top, so the line under it
// cannot make it unreadable.
void PaintText(HDC dc, const ChartPicture& picture, const std::wstring& text, int32_t mouseX, const ChartColours& colours) {
    if (text.empty() || picture.plot.right <= picture.plot.left)
        return;
    SIZE size{};
    TEXTMETRICW metrics{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    GetTextMetricsW(dc, &metrics);
    const int32_t pad = std::max<int32_t>(2, metrics.tmAveCharWidth / 2);
    const LayoutRect place = TextPlace(picture, size.cx + 2 * pad, metrics.tmHeight, mouseX);
    const RECT area = ToRect(place);
    SetBkColor(dc, colours.background);
    SetTextColor(dc, colours.text);
    ExtTextOutW(dc, place.left + pad, place.top, ETO_CLIPPED | ETO_OPAQUE, &area, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
}

}  // namespace

ChartColours ChartColoursFor(bool highContrast) {
    ChartColours colours;
    colours.background = GetSysColor(COLOR_WINDOW);
    colours.text = GetSysColor(COLOR_WINDOWTEXT);
    if (highContrast) {
        colours.frame = colours.split = colours.text;
        colours.rate = GetSysColor(COLOR_HIGHLIGHT);
        colours.marks.fill(colours.text);
        return colours;
    }
    colours.frame = GetSysColor(COLOR_BTNSHADOW);
    colours.split = GetSysColor(COLOR_GRAYTEXT);
    colours.rate = RGB(0, 90, 180);
    colours.marks = {RGB(200, 0, 0), RGB(230, 120, 0), RGB(130, 0, 170), RGB(120, 90, 0), RGB(0, 130, 60)};
    return colours;
}

ChartColours CurrentChartColours() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                      (contrast.dwFlags & HCF_HIGHCONTRASTON);
    return ChartColoursFor(high);
}

ChartMetrics ChartMetricsFor(UINT dpi) {
    ChartMetrics metrics;
    metrics.lineWidth = std::max(1, static_cast<int32_t>(dpi / USER_DEFAULT_SCREEN_DPI));
    metrics.markSize = MulDiv(9, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    return metrics;
}

void PaintTestChart(HDC dc, const ChartPicture& picture, const std::wstring& text, int32_t mouseX,
                    const ChartColours& colours) {
    const int saved = SaveDC(dc);
    const LayoutRect& box = picture.box;
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    Fill(dc, box, colours.background);
    const LayoutRect& frame = picture.box;
    const int32_t border = std::max(1, picture.plot.top - frame.top);
    Fill(dc, {frame.left, frame.top, frame.right, frame.top + border}, colours.frame);
    Fill(dc, {frame.left, frame.bottom - border, frame.right, frame.bottom}, colours.frame);
    Fill(dc, {frame.left, frame.top, frame.left + border, frame.bottom}, colours.frame);
    Fill(dc, {frame.right - border, frame.top, frame.right, frame.bottom}, colours.frame);
    if (picture.splitX >= 0)
        Fill(dc, {picture.splitX, picture.plot.top, picture.splitX + 1, picture.plot.bottom}, colours.split);
    if (!picture.rateLine.empty()) {
        // As thick as the frame, in passes of a one-pixel pen a pixel apart: a thick pen's round
        // ends would reach past the plot.
        CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colours.rate));
        CSelection penSelection(dc, pen.Get());
        std::vector<POINT> points(picture.rateLine.size());
        for (int32_t pass = 0; pass < border; ++pass) {
            for (size_t at = 0; at < points.size(); ++at)
                points[at] = {picture.rateLine[at].x, std::min(picture.rateLine[at].y + pass, picture.plot.bottom - 1)};
            Polyline(dc, points.data(), static_cast<int>(points.size()));
            SetPixel(dc, points.back().x, points.back().y, colours.rate);  // Polyline leaves the last point out
        }
    }
    for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) {
        CGdiObject<HBRUSH> brush(CreateSolidBrush(colours.marks[kind]));
        CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colours.marks[kind]));
        CSelection brushSelection(dc, brush.Get());
        CSelection penSelection(dc, pen.Get());
        for (const ChartMark& mark : picture.marks)
            if (mark.kind == static_cast<SeriesError>(kind))
                PaintMark(dc, mark.kind, mark.rect, colours.marks[kind], border);
    }
    PaintText(dc, picture, text, mouseX, colours);
    RestoreDC(dc, saved);
}
