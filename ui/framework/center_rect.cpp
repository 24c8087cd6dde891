#include "ui/framework/center_rect.h"

#include <algorithm>

namespace {

int CenteredStart(int referenceLow, int referenceHigh, int areaLow, int areaHigh, int size) {
    int start = (referenceLow + referenceHigh) / 2 - size / 2;
    if (start + size > areaHigh)
        start = areaHigh - size;
    return std::max(start, areaLow);
}

}  // namespace

ScreenPoint CenteredPosition(const ScreenRect& reference, const ScreenRect& area, int width, int height) {
    return {CenteredStart(reference.left, reference.right, area.left, area.right, width),
            CenteredStart(reference.top, reference.bottom, area.top, area.bottom, height)};
}
