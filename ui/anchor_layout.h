// Anchored layout: controls keep their distances to chosen edges of their parent's client area
// as it resizes. Plain arithmetic; the window code applies the rectangles.
#pragma once

#include <cstdint>

struct LayoutRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const LayoutRect&) const = default;
};

enum AnchorFlags : int32_t {
    kAnchorLeft = 1,    // left edge keeps its distance to the left side
    kAnchorTop = 2,     // top edge keeps its distance to the top
    kAnchorRight = 4,   // right edge keeps its distance to the right side
    kAnchorBottom = 8,  // bottom edge keeps its distance to the bottom
    kAnchorNoCopyBits = 16,
};

// Where a control set up at `initial` goes when the client area, initially `initialClient`,
// becomes width x height and is scrolled by (scrollX, scrollY). An edge without its flag moves
// so that the control keeps its set-up width or height.
LayoutRect AnchoredRect(const LayoutRect& initial, int32_t anchors, const LayoutRect& initialClient,
                        int32_t width, int32_t height, int32_t scrollX = 0, int32_t scrollY = 0);
