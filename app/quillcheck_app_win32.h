// The application object: settings, single instance, the main window and the reader-link
// constants the workers read through GetApp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "settings/app_settings.h"
#include "ui/framework/win_app_win32.h"
#include "ui/main_wnd_win32.h"

class CQuillcheckApp : public CWinApp {
public:
    ~CQuillcheckApp() override;

    bool PreTranslate(MSG& message) override;
    CWnd* MainWindow() override { return &mainWindow; }
    bool OnHelpRequest(int, UINT, WPARAM) override { return false; }

    // Settings, single-instance test and main window; false ends the process with exitCode.
    bool StartInstance(int showCommand, int& exitCode);
    bool CreateMainWindow(int showCommand);

    static constexpr const wchar_t* kClassName = L"Quillcheck";
    static constexpr const wchar_t* kMutexName = L"Quillcheck";
    // The size the window is created with; once its page exists it takes the size the page
    // needs at the window's DPI.
    static constexpr int kInitialWidth = 500;
    static constexpr int kInitialHeight = 400;

    CAppSettings settings;  // before the main window, which keeps a reference to it
    CMainWnd mainWindow{settings};
    ATOM classAtom = 0;
    std::wstring settingsFolder;
    // The reader link; fixed, not part of the settings file.
    const int32_t stopBits = 2;  // the DCB code for two stop bits
    const int32_t replyTimeout = 5000;
    const int32_t attemptLimit = 2;

    // What the user must learn at start (the settings file could not be read, or was not this
    // version's); shown in the log.
    std::wstring startNotice;

private:
    void LoadSettings();
    bool RegisterMainClass();
};
