#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/anchor_layout.h"
#include "ui/dialog_template.h"
#include "ui/page_geometry.h"

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

TEST(PageGeometry, DialogUnitsRoundLikeTheDialogManager) {
    struct Case {
        int32_t a, b, c, expected;
    };
    const Case cases[] = {{10, 96, 72, 13}, {10, 144, 72, 20}, {10, 120, 72, 17}, {3, 6, 4, 5},
                          {-3, 6, 4, -5}, {1, 1, 2, 1}, {7, 0, 4, 0}};
    for (const Case& c : cases) EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
    EXPECT_EQ(DialogFontHeight(10, 144), -20);
    // The alphabet of 52 letters 343 pixels wide: 6.6 per letter rounds to 7.
    EXPECT_EQ(BaseUnitsOf(343, 16).x, 7);
    EXPECT_EQ(BaseUnitsOf(343, 16).y, 16);
    // Position and size are rounded apart: 3 units at 7/4 are 5 pixels, 6 are 11, not 10.
    EXPECT_EQ(DialogToPixels({3, 8, 3, 4}, {7, 16}), (LayoutRect{5, 16, 10, 24}));
}

TEST(PageGeometry, WindowKeepsTheWholePageAndSixLogLines) {
    struct Case {
        const char* what;
        int32_t logHeight, logNeeded;
        LayoutSize minimum, firstStart;
    };
    // A page 540 x 500 whose log is 160 high.
    const Case cases[] = {
        {"log taller than needed: it shrinks to the least", 160, 100, {540, 440}, {540, 500}},
        {"log shorter than needed: the page grows", 60, 100, {540, 540}, {540, 540}},
        {"exactly enough", 100, 100, {540, 500}, {540, 500}},
    };
    for (const Case& c : cases) {
        const PageSizes sizes = PageClientSizes({540, 500}, c.logHeight, c.logNeeded);
        EXPECT_EQ(sizes.minimum, c.minimum) << c.what;
        EXPECT_EQ(sizes.firstStart, c.firstStart) << c.what;
    }
}

TEST(PageGeometry, StoredWindowGoesWhereTheUserCanReachIt) {
    const std::vector<WorkArea> two{{0, 0, 1280, 1000}, {1280, 0, 2560, 1400}};
    const LayoutSize minimum{550, 440};
    const LayoutSize grip{64, 24};
    struct Case {
        const char* what;
        LayoutRect wanted;
        LayoutRect expected;
    };
    const Case cases[] = {
        {"visible: kept", {100, 100, 800, 700}, {100, 100, 800, 700}},
        {"partly off the right edge yet reachable: kept", {1200, 100, 1900, 700}, {1200, 100, 1900, 700}},
        {"on the second monitor: kept", {1500, 300, 2100, 900}, {1500, 300, 2100, 900}},
        {"smaller than the page: raised", {100, 100, 300, 200}, {100, 100, 650, 540}},
        {"far left: onto the nearest monitor", {-30000, 100, -29300, 700}, {0, 100, 700, 700}},
        {"below every monitor: onto the nearest", {1500, 5000, 2100, 5600}, {1500, 800, 2100, 1400}},
        {"caption above the screen: moved down", {100, -300, 800, 300}, {100, 0, 800, 600}},
        {"0 x 0: the least size in place", {100, 100, 100, 100}, {100, 100, 650, 540}},
        {"negative size: the least size", {100, 100, -540, -380}, {100, 100, 650, 540}},
        {"100000 pixels: the monitor's size", {100, 100, 100100, 100100}, {0, 0, 1280, 1000}},
        {"taller than the second monitor allows", {1400, 0, 2000, 3000}, {1400, 0, 2000, 1400}},
        {"huge numbers from a file", {2147483000, 2147483000, 2147483600, 2147483600}, {1960, 800, 2560, 1400}},
    };
    for (const Case& c : cases) EXPECT_EQ(FitWindowRect(c.wanted, minimum, two, grip), c.expected) << c.what;
    // A page larger than the monitor still gets its least size.
    EXPECT_EQ(FitWindowRect({0, 0, 600, 500}, {1400, 1200}, two, grip), (LayoutRect{0, 0, 1400, 1200}));
    // No monitor known: only the size is made sound.
    EXPECT_EQ(FitWindowRect({5, 6, 5, 6}, minimum, {}, grip), (LayoutRect{5, 6, 555, 446}));
}

// At the DPI the window has once placed: a stored size stands as it is, only raised to that DPI's
// least size; what is not stored comes from that DPI's first start.
TEST(PageGeometry, PlacedAtTheMonitorsScale) {
    constexpr int32_t unset = INT32_MIN;
    const std::vector<WorkArea> monitors{{0, 0, 1280, 1000}, {1280, 0, 3200, 1400}};
    const LayoutRect origin{1300, 50, 1800, 450};
    const LayoutSize first{840, 700}, least{810, 620}, grip{96, 36};
    EXPECT_EQ(PlacedWindowRect({1300, 50, 1000, 800}, unset, origin, first, least, monitors, grip),
              (LayoutRect{1300, 50, 2300, 850}));
    EXPECT_EQ(PlacedWindowRect({1300, 50, 560, 450}, unset, origin, first, least, monitors, grip),
              (LayoutRect{1300, 50, 2110, 670}));
    EXPECT_EQ(PlacedWindowRect({1300, 50, unset, unset}, unset, origin, first, least, monitors, grip),
              (LayoutRect{1300, 50, 2140, 750}));
}

TEST(PageGeometry, StoredValuesReplaceOnlyWhatIsSet) {
    constexpr int32_t unset = INT32_MIN;
    const LayoutRect current{10, 20, 610, 520};
    EXPECT_EQ(StoredWindowRect({unset, unset, unset, unset}, unset, current), current);
    EXPECT_EQ(StoredWindowRect({70, 80, unset, unset}, unset, current), (LayoutRect{70, 80, 670, 580}));
    EXPECT_EQ(StoredWindowRect({unset, 80, 640, 480}, unset, current), (LayoutRect{10, 20, 650, 500}));
    EXPECT_EQ(StoredWindowRect({INT32_MAX, 0, INT32_MAX, 5}, unset, current), (LayoutRect{INT32_MAX, 0, INT32_MAX, 5}));
}

// An extended dialog template as the resource compiler writes it.
class CTemplateBytes {
public:
    std::vector<uint8_t> bytes;
    void Word(uint32_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void Dword(uint32_t v) {
        Word(v & 0xFFFF);
        Word(v >> 16);
    }
    void Text(const std::u16string& text) {
        for (char16_t unit : text) Word(unit);
        Word(0);
    }
    void Align() {
        while (bytes.size() % 4) bytes.push_back(0);
    }
};

std::vector<uint8_t> SampleTemplate() {
    CTemplateBytes t;
    t.Word(1), t.Word(0xFFFF), t.Dword(0), t.Dword(0), t.Dword(0x40 | 0x40000000), t.Word(2);
    t.Word(0), t.Word(0), t.Word(271), t.Word(249);
    t.Word(0), t.Word(0), t.Text(u"Main");                                     // no menu, no class
    t.Word(10), t.Word(400), t.bytes.push_back(1), t.bytes.push_back(1), t.Text(u"Sans");  // font
    t.Align();
    t.Dword(0), t.Dword(0x1000), t.Dword(0x50000002), t.Word(37), t.Word(10), t.Word(20), t.Word(8);
    t.Dword(0xFFFFFFFF), t.Word(0xFFFF), t.Word(0x82), t.Text(u"Port:"), t.Word(0);
    t.Align();
    t.Dword(0), t.Dword(0), t.Dword(0x50010000), t.Word(static_cast<uint16_t>(-5)), t.Word(8), t.Word(102), t.Word(30);
    t.Dword(1000), t.Text(u"SysLink"), t.Word(0xFFFF), t.Word(7), t.Word(2), t.Word(0xABCD);
    return t.bytes;
}

TEST(DialogTemplate, ReadsFontAndControls) {
    const std::vector<uint8_t> bytes = SampleTemplate();
    const auto parsed = ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->rect, (DialogUnitsRect{0, 0, 271, 249}));
    EXPECT_EQ(parsed->pointSize, 10);
    EXPECT_EQ(parsed->weight, 400);
    EXPECT_TRUE(parsed->italic);
    EXPECT_EQ(parsed->faceName, L"Sans");
    ASSERT_EQ(parsed->items.size(), 2u);
    EXPECT_EQ(parsed->items[0].id, 0xFFFFFFFFu);
    EXPECT_EQ(parsed->items[0].className, L"Static");
    EXPECT_EQ(parsed->items[0].title, L"Port:");
    EXPECT_EQ(parsed->items[0].exStyle, 0x1000u);
    EXPECT_EQ(parsed->items[0].rect, (DialogUnitsRect{37, 10, 20, 8}));
    EXPECT_EQ(parsed->items[1].id, 1000u);
    EXPECT_EQ(parsed->items[1].className, L"SysLink");
    EXPECT_EQ(parsed->items[1].rect, (DialogUnitsRect{-5, 8, 102, 30}));
}

TEST(DialogTemplate, RefusesWhatIsNotAWholeExtendedTemplate) {
    std::vector<uint8_t> bytes = SampleTemplate();
    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(ParseDialogTemplate(bytes.data(), length)) << "cut at " << length;
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 0));
    bytes[2] = 0;  // a classic template has no 0xFFFF signature
    bytes[3] = 0;
    EXPECT_FALSE(ParseDialogTemplate(bytes.data(), bytes.size()));
}

}  // namespace
