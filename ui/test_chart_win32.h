// The chart of the running (or last) test under the page's figures: a static control of the
// page's template, subclassed to paint the series itself and to give the values under the mouse
// in a text over the plot. User-interface thread only; it holds a copy of the series the page read
// from its worker (under the worker's lock, released before the copy reaches the chart).
#pragma once

#include <windows.h>

#include <string>

#include "reader/reader_shared.h"
#include "ui/framework/window_win32.h"
#include "ui/test_chart_layout.h"

class CTestChart : public CSubclassedWnd {
public:
    // Keeps the series and repaints.
    void Show(SeriesSnapshot snapshot);
    // The page's scale and font (the page owns the font and outlives its use here).
    void SetScale(UINT dpi, HFONT font);

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The picture for the control's size as it stands, and the text it shows over it.
    const ChartPicture& Picture();
    std::wstring Text() const;
    // What a paint draws, into dc at the client area's place.
    void PaintInto(HDC dc);
    // Points the text at the values of the column under x (client coordinates; -1: none).
    void HoverAt(int x);

private:
    void Paint();
    void ShowText();
    void LayOut();

    SeriesSnapshot data_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    HFONT font_ = nullptr;
    ChartPicture picture_;
    bool pictureStale_ = true;
    int hoverX_ = -1;
    std::wstring shownText_;  // the window text as last set
    bool trackingLeave_ = false;
};
