// The main page's geometry at any screen scale, in plain arithmetic: dialog units to pixels the
// way the dialog manager converts them, the window sizes the page needs (the whole page with a
// log of at least six lines) and a stored window rectangle made usable on the monitors present.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ui/anchor_layout.h"
#include "ui/dialog_template.h"

struct LayoutSize {
    int32_t width = 0, height = 0;
    bool operator==(const LayoutSize&) const = default;
};

// a * b / c rounded half away from zero, as MulDiv does (c is never 0 here).
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// The dialog font's height for a point size at a DPI (negative: a character height).
inline int32_t DialogFontHeight(int32_t points, uint32_t dpi) {
    return -MulDivRound(points, static_cast<int32_t>(dpi), 72);
}

// Horizontal and vertical dialog base units in pixels of a font: x from the width of
// "A".."Z" "a".."z" as one string, y the font's height.
struct BaseUnits {
    int32_t x = 0, y = 0;
};
BaseUnits BaseUnitsOf(int32_t alphabetWidth, int32_t fontHeight);

// A template rectangle in page pixels; position and size are converted separately, as the
// dialog manager does when it creates the controls.
LayoutRect DialogToPixels(const DialogUnitsRect& r, BaseUnits base);

// Client sizes of the main window that the page needs. The log is the one control that takes
// the height the window has beyond these.
struct PageSizes {
    LayoutSize minimum;     // the whole page, with the log cut down to the lines it must show
    LayoutSize firstStart;  // the whole page as the template draws it (the log at least as above)
};
// page: the template's size in pixels; logHeight: the log's template height in pixels;
// logNeeded: the log height that shows the least number of lines.
PageSizes PageClientSizes(LayoutSize page, int32_t logHeight, int32_t logNeeded);

// The least number of log lines the window must always show.
inline constexpr int32_t kLogMinimumLines = 6;

// A monitor's work area, in the coordinates of the window's placement.
using WorkArea = LayoutRect;

// Where the window goes: `wanted` (a stored or default rectangle) at least `minimum` in size and,
// when it is visible on no monitor or larger than its monitor, moved and cut down to fit the
// monitor nearest to it (never below `minimum`). `grip` is how much of the window's top edge
// (its caption) must lie on a monitor for the user to reach it.
LayoutRect FitWindowRect(const LayoutRect& wanted, LayoutSize minimum, const std::vector<WorkArea>& monitors,
                         LayoutSize grip);

// The rectangle a stored left, top, width and height ask for (each may be unset), taking what is
// unset from `current`.
LayoutRect StoredWindowRect(const std::array<int32_t, 4>& stored, int32_t notSet, const LayoutRect& current);

// Where the window goes at the DPI it has: the stored rectangle, what is unset taken from the
// first start's size at `origin` (the window's current top left corner), made to fit the
// monitors with that DPI's least size. A stored size is used as it stands, never scaled: it was
// saved on the monitor it lies on, at that monitor's scale.
LayoutRect PlacedWindowRect(const std::array<int32_t, 4>& stored, int32_t notSet, LayoutRect origin,
                            LayoutSize firstStart, LayoutSize minimum, const std::vector<WorkArea>& monitors,
                            LayoutSize grip);
