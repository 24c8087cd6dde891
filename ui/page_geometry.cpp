#include "ui/page_geometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
    const int64_t result = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(
        std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

BaseUnits BaseUnitsOf(int32_t alphabetWidth, int32_t fontHeight) {
    return {(alphabetWidth / 26 + 1) / 2, fontHeight};
}

LayoutRect DialogToPixels(const DialogUnitsRect& r, BaseUnits base) {
    const int32_t left = MulDivRound(r.x, base.x, 4);
    const int32_t top = MulDivRound(r.y, base.y, 8);
    return {left, top, left + MulDivRound(r.cx, base.x, 4), top + MulDivRound(r.cy, base.y, 8)};
}

PageSizes PageClientSizes(LayoutSize page, int32_t logHeight, int32_t logNeeded) {
    const int32_t rest = page.height - logHeight;  // everything of the page's height but the log
    PageSizes sizes;
    sizes.minimum = {page.width, rest + logNeeded};
    sizes.firstStart = {page.width, rest + std::max(logHeight, logNeeded)};
    return sizes;
}

namespace {

int64_t Overlap(int32_t a1, int32_t a2, int32_t b1, int32_t b2) {
    return std::max<int64_t>(0, static_cast<int64_t>(std::min(a2, b2)) - std::max(a1, b1));
}

// How far apart two rectangles are (0 when they touch or overlap), squared.
int64_t DistanceSquared(const LayoutRect& a, const LayoutRect& b) {
    const int64_t dx = std::max<int64_t>({0, static_cast<int64_t>(b.left) - a.right, static_cast<int64_t>(a.left) - b.right});
    const int64_t dy = std::max<int64_t>({0, static_cast<int64_t>(b.top) - a.bottom, static_cast<int64_t>(a.top) - b.bottom});
    return dx * dx + dy * dy;
}

// The caption strip of a window can be grabbed when enough of it lies on one monitor.
bool CaptionReachable(const LayoutRect& window, const std::vector<WorkArea>& monitors, LayoutSize grip) {
    const int32_t stripBottom = window.top + std::min(grip.height, window.bottom - window.top);
    for (const WorkArea& area : monitors) {
        if (Overlap(window.left, window.right, area.left, area.right) >= grip.width &&
            Overlap(window.top, stripBottom, area.top, area.bottom) >= stripBottom - window.top)
            return true;
    }
    return false;
}

// Places [start, start + length) inside [low, high) when it fits, else at low.
int32_t Clamp1D(int64_t start, int32_t length, int32_t low, int32_t high) {
    if (static_cast<int64_t>(length) >= static_cast<int64_t>(high) - low)
        return low;
    return static_cast<int32_t>(std::clamp<int64_t>(start, low, static_cast<int64_t>(high) - length));
}

}  // namespace

LayoutRect FitWindowRect(const LayoutRect& wanted, LayoutSize minimum, const std::vector<WorkArea>& monitors,
                         LayoutSize grip) {
    // Sizes are taken in 64 bits: a stored size may be anything a file can hold.
    int64_t width = std::max<int64_t>(minimum.width, static_cast<int64_t>(wanted.right) - wanted.left);
    int64_t height = std::max<int64_t>(minimum.height, static_cast<int64_t>(wanted.bottom) - wanted.top);
    if (monitors.empty()) {
        width = std::min<int64_t>(width, std::numeric_limits<int16_t>::max());
        height = std::min<int64_t>(height, std::numeric_limits<int16_t>::max());
        return {wanted.left, wanted.top, static_cast<int32_t>(wanted.left + width),
                static_cast<int32_t>(wanted.top + height)};
    }
    const WorkArea* nearest = &monitors.front();
    int64_t best = std::numeric_limits<int64_t>::max();
    const LayoutRect probe{wanted.left, wanted.top, wanted.left + 1, wanted.top + 1};
    for (const WorkArea& area : monitors) {
        const int64_t distance = DistanceSquared(probe, area);
        if (distance < best) {
            best = distance;
            nearest = &area;
        }
    }
    // No larger than the monitor, unless the page needs more.
    width = std::max<int64_t>(minimum.width, std::min<int64_t>(width, nearest->right - nearest->left));
    height = std::max<int64_t>(minimum.height, std::min<int64_t>(height, nearest->bottom - nearest->top));
    LayoutRect result{wanted.left, wanted.top, static_cast<int32_t>(wanted.left + width),
                      static_cast<int32_t>(wanted.top + height)};
    const bool fitsWhereItIs = result.right - result.left == wanted.right - wanted.left &&
                               result.bottom - result.top == wanted.bottom - wanted.top;
    if (fitsWhereItIs && CaptionReachable(result, monitors, grip))
        return result;
    result.left = Clamp1D(result.left, static_cast<int32_t>(width), nearest->left, nearest->right);
    result.top = Clamp1D(result.top, static_cast<int32_t>(height), nearest->top, nearest->bottom);
    result.right = static_cast<int32_t>(result.left + width);
    result.bottom = static_cast<int32_t>(result.top + height);
    return result;
}

LayoutRect StoredWindowRect(const std::array<int32_t, 4>& stored, int32_t notSet, const LayoutRect& current) {
    const bool positionSet = stored[0] != notSet && stored[1] != notSet;
    const bool sizeSet = stored[2] != notSet && stored[3] != notSet;
    const int64_t left = positionSet ? stored[0] : current.left;
    const int64_t top = positionSet ? stored[1] : current.top;
    const int64_t width = sizeSet ? stored[2] : current.right - current.left;
    const int64_t height = sizeSet ? stored[3] : current.bottom - current.top;
    auto clamp32 = [](int64_t v) {
        return static_cast<int32_t>(
            std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    };
    return {clamp32(left), clamp32(top), clamp32(left + width), clamp32(top + height)};
}

LayoutRect PlacedWindowRect(const std::array<int32_t, 4>& stored, int32_t notSet, LayoutRect origin,
                            LayoutSize firstStart, LayoutSize minimum, const std::vector<WorkArea>& monitors,
                            LayoutSize grip) {
    const LayoutRect standard{origin.left, origin.top, origin.left + firstStart.width, origin.top + firstStart.height};
    return FitWindowRect(StoredWindowRect(stored, notSet, standard), minimum, monitors, grip);
}
