#include "ui/anchor_layout.h"

LayoutRect AnchoredRect(const LayoutRect& initial, int32_t anchors, const LayoutRect& initialClient,
                        int32_t width, int32_t height, int32_t scrollX, int32_t scrollY) {
    LayoutRect r;
    r.right = (anchors & kAnchorRight) ? initial.right + width - initialClient.right + initialClient.left
                                       : initial.right;
    r.bottom = (anchors & kAnchorBottom) ? initial.bottom + height - initialClient.bottom + initialClient.top
                                         : initial.bottom;
    r.top = (anchors & kAnchorTop) ? initial.top : initial.top + (r.bottom - initial.bottom);
    r.left = (anchors & kAnchorLeft) ? initial.left : initial.left + (r.right - initial.right);
    r.left -= scrollX;
    r.right -= scrollX;
    r.top -= scrollY;
    r.bottom -= scrollY;
    return r;
}
