// Where a window of a given size goes to be centred on a reference rectangle while staying
// inside an area (a work area or a parent's client area).
#pragma once

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

ScreenPoint CenteredPosition(const ScreenRect& reference, const ScreenRect& area, int width, int height);
