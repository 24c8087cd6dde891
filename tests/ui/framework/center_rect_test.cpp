#include <gtest/gtest.h>

#include "ui/framework/center_rect.h"

namespace {

TEST(CenteredPosition, CentresAndStaysInsideTheArea) {
    struct Row {
        const char* name;
        ScreenRect reference;
        ScreenRect area;
        int width, height;
        ScreenPoint expected;
    };
    const ScreenRect screen{0, 0, 1280, 1000};
    const Row rows[] = {
        {"middle of the screen", screen, screen, 300, 200, {490, 400}},
        {"on an owner", {100, 100, 600, 500}, screen, 300, 200, {200, 200}},
        {"owner near the right edge", {1100, 100, 1300, 300}, screen, 300, 200, {980, 100}},
        {"owner above the top", {-400, -400, -100, -100}, screen, 300, 200, {0, 0}},
        {"wider than the area", {0, 0, 100, 100}, {0, 0, 200, 200}, 300, 100, {0, 0}},
        {"odd sizes halve towards zero", {0, 0, 101, 101}, screen, 51, 51, {25, 25}},
        {"negative coordinates", {-301, -301, -1, -1}, {-1000, -1000, 0, 0}, 51, 51, {-176, -176}},
    };
    for (const Row& row : rows) {
        ScreenPoint at = CenteredPosition(row.reference, row.area, row.width, row.height);
        EXPECT_EQ(at.x, row.expected.x) << row.name;
        EXPECT_EQ(at.y, row.expected.y) << row.name;
    }
}

}  // namespace
