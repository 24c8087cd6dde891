#include <windows.h>

#include <gtest/gtest.h>

#include "search/port_devices_win32.h"

namespace {

// Wine's device tree has no Ports class members; the enumeration must still run cleanly, and
// whatever it lists must be a real port name.
TEST(SetupApiPortEnumerator, EnumeratesWithoutError) {
    LoadLibraryW(L"setupapi.dll");
    CSetupApiPortEnumerator enumerator;
    std::vector<ListedPort> all;
    ASSERT_NO_THROW(all = enumerator.Enumerate(true));
    std::vector<ListedPort> recognised = enumerator.Enumerate(false);
    EXPECT_LE(recognised.size(), all.size());
    for (const ListedPort& port : all) {
        EXPECT_FALSE(port.name.empty());
        EXPECT_GE(port.modelHint, 0);
    }
}

}  // namespace
