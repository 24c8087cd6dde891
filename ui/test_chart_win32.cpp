#include "ui/test_chart_win32.h"

#include <windowsx.h>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "ui/gdi_objects_win32.h"
#include "ui/series_text.h"
#include "ui/test_chart_paint_win32.h"

void CTestChart::Show(SeriesSnapshot snapshot) {
    data_ = std::move(snapshot);
    pictureStale_ = true;
    if (!hwnd)
        return;
    LayOut();
    ShowText();
    InvalidateRect(hwnd, nullptr, FALSE);
}

// The control's own text is what it shows over the plot, so a screen reader can say it too.
void CTestChart::ShowText() {
    const std::wstring text = Text();
    if (text == shownText_)
        return;
    shownText_ = text;
    SetWindowTextW(hwnd, text.c_str());
}

void CTestChart::SetScale(UINT dpi, HFONT font) {
    dpi_ = dpi;
    font_ = font;
    pictureStale_ = true;
    if (hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

void CTestChart::LayOut() {
    RECT client{};
    GetClientRect(hwnd, &client);
    picture_ = LayOutChart(data_.series, data_.elapsedMs, {0, 0, client.right, client.bottom}, ChartMetricsFor(dpi_));
    pictureStale_ = false;
}

const ChartPicture& CTestChart::Picture() {
    if (pictureStale_ && hwnd)
        LayOut();
    return picture_;
}

std::wstring CTestChart::Text() const {
    if (!data_.started)
        return {};
    if (const ChartColumn* column = hoverX_ < 0 ? nullptr : ColumnAt(picture_, hoverX_))
        return IntervalValuesText(column->interval);
    std::wstring rate, text;
    FormatResourceString(rate, kTextRateFormat, picture_.topRate);
    FormatResourceString(text, kTextChartScale, rate.c_str());
    return text;
}

void CTestChart::HoverAt(int x) {
    if (x == hoverX_)
        return;
    hoverX_ = x;
    if (!hwnd)
        return;
    ShowText();
    InvalidateRect(hwnd, nullptr, FALSE);  // the text moves with the mouse and uncovers the plot
}

void CTestChart::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc)
        return;
    PaintInto(dc);
    EndPaint(hwnd, &paint);
}

void CTestChart::PaintInto(HDC dc) {
    if (pictureStale_)
        LayOut();
    // Drawn off screen and copied in one go: a refresh three times a second must not flicker.
    RECT client{};
    GetClientRect(hwnd, &client);
    CMemoryDc memory(dc);
    CGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom)));
    if (memory.Get() && bitmap.Get()) {
        CSelection bitmapSelection(memory.Get(), bitmap.Get());
        CSelection fontSelection(memory.Get(), font_);
        PaintTestChart(memory.Get(), picture_, Text(), hoverX_ < 0 ? picture_.plot.left : hoverX_, CurrentChartColours());
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    }
}

LRESULT CTestChart::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;  // the paint covers every pixel
        case WM_NCHITTEST: return HTCLIENT;  // a static would let the mouse through to the page
        // Kept without the static's own painting of it, which would flash over the chart.
        case WM_SETTEXT: return DefWindowProcW(window, message, wParam, lParam);
        case WM_SIZE:
            pictureStale_ = true;
            InvalidateRect(hwnd, nullptr, FALSE);
            return DefaultHandling();
        // The colours are read at every paint: a change of theme shows at the next one.
        case WM_THEMECHANGED: InvalidateRect(hwnd, nullptr, FALSE); return DefaultHandling();
        case WM_MOUSEMOVE:
            if (!trackingLeave_) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
                trackingLeave_ = TrackMouseEvent(&track) != FALSE;
            }
            HoverAt(GET_X_LPARAM(lParam));
            return 0;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            HoverAt(-1);
            return 0;
        default: return CSubclassedWnd::HandleMessage(window, message, wParam, lParam);
    }
}
