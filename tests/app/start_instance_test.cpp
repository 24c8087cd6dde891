// StartInstance inside this test process: settings path, window class, window and shutdown.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/quillcheck_app_win32.h"
#include "foundation/files.h"

namespace {

// A settings file named after this executable, naming a port that only it holds.
std::filesystem::path WriteOwnSettings(const std::wstring& port) {
    const std::filesystem::path exe(GetModulePath());
    const std::filesystem::path file = exe.parent_path() / exe.stem().concat(L".json");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string portUtf8(port.begin(), port.end());
    out << "\xEF\xBB\xBF{\"info\": {\"name\": \"Quillcheck\", \"version\": \"1\"}, \"main\": {\"port\": \""
        << portUtf8 << "\"}}";
    return file;
}

TEST(StartInstance, SettingsFileIsNamedAfterTheExecutable) {
    const std::wstring port = L"COM-" + std::filesystem::path(GetModulePath()).stem().wstring();
    const std::filesystem::path file = WriteOwnSettings(port);
    auto app = std::make_unique<CQuillcheckApp>();
    SetApp(app.get());
    int exitCode = 7;
    ASSERT_TRUE(app->StartInstance(-1, exitCode));
    EXPECT_EQ(exitCode, 0);
    const std::filesystem::path exe(GetModulePath());
    EXPECT_EQ(app->settingsFolder, exe.parent_path().wstring());
    EXPECT_EQ(std::filesystem::path(app->settings.path), file);
    EXPECT_EQ(app->settings.port, port);  // read from that file
    EXPECT_EQ(app->stopBits, 2);
    EXPECT_EQ(app->replyTimeout, 5000);
    EXPECT_EQ(app->attemptLimit, 2);

    HWND window = FindWindowW(L"Quillcheck", nullptr);
    EXPECT_EQ(window, app->mainWindow.hwnd);
    EXPECT_FALSE(IsWindowVisible(window));  // show command -1 leaves it hidden
    EXPECT_NE(app->smallIcon, nullptr);

    // A second start in the same session finds the window and stops with 0.
    CQuillcheckApp second;
    SetApp(&second);
    int secondExit = 7;
    EXPECT_FALSE(second.StartInstance(-1, secondExit));
    EXPECT_EQ(secondExit, 0);
    SetApp(app.get());

    app.reset();  // shutdown: window destroyed, class unregistered
    EXPECT_FALSE(IsWindow(window));
    WNDCLASSEXW registered{};
    registered.cbSize = sizeof(registered);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"Quillcheck", &registered));
    SetApp(nullptr);
    std::filesystem::remove(file);
}

}  // namespace
