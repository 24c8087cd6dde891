#include <gtest/gtest.h>

#include "ui/anchor_layout.h"

namespace {

struct LayoutCase {
    const char* what;
    int32_t anchors;
    LayoutRect expected;
};

// The page at set-up is 400 x 300; it grows to 500 x 350 (dx 100, dy 50).
TEST(AnchoredRect, Table) {
    const LayoutRect client{0, 0, 400, 300};
    const LayoutRect control{10, 20, 110, 40};
    const LayoutCase cases[] = {
        {"left+top: never moves", kAnchorLeft | kAnchorTop, {10, 20, 110, 40}},
        {"left+top+right: stretches with the width",
         kAnchorLeft | kAnchorTop | kAnchorRight,
         {10, 20, 210, 40}},
        {"top+right: follows the right edge", kAnchorTop | kAnchorRight, {110, 20, 210, 40}},
        {"all four: stretches both ways",
         kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom,
         {10, 20, 210, 90}},
        {"left+bottom: follows the bottom", kAnchorLeft | kAnchorBottom, {10, 70, 110, 90}},
        {"none: keeps place and size", 0, {10, 20, 110, 40}},
        {"no-copy-bits changes no geometry", kAnchorLeft | kAnchorTop | kAnchorNoCopyBits, {10, 20, 110, 40}},
    };
    for (const LayoutCase& c : cases)
        EXPECT_EQ(AnchoredRect(control, c.anchors, client, 500, 350), c.expected) << c.what;
}

TEST(AnchoredRect, ShrinkingAndScrolling) {
    const LayoutRect client{0, 0, 400, 300};
    const LayoutRect log{5, 160, 395, 295};
    EXPECT_EQ(AnchoredRect(log, 15, client, 300, 250), (LayoutRect{5, 160, 295, 245}));
    EXPECT_EQ(AnchoredRect(log, 15, client, 400, 300, 7, 9), (LayoutRect{-2, 151, 388, 286}));
    // A client rectangle that does not start at 0 counts from its own origin.
    EXPECT_EQ(AnchoredRect(log, 15, LayoutRect{10, 10, 410, 310}, 400, 300), (LayoutRect{5, 160, 395, 295}));
}

}  // namespace
