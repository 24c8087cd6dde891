// An application object for tests of windows: the framework needs one before the first window.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/framework/dispatch_win32.h"
#include "ui/framework/win_app_win32.h"

class CTestApp : public CWinApp {
public:
    CTestApp() { SetApp(this); }
    ~CTestApp() override { SetApp(nullptr); }

    CWnd* MainWindow() override { return mainWindow; }
    bool OnHelpRequest(int, UINT, WPARAM) override { return false; }

    CWnd* mainWindow = nullptr;
};

// A registered window class whose procedure is the framework's.
const wchar_t* TestWindowClass();

// A top-level framework window whose messages go to a function of the test.
class CTestWnd : public CWnd {
public:
    std::function<std::optional<LRESULT>(UINT message, WPARAM wParam, LPARAM lParam)> onMessage;

    bool CreateTopLevel(const wchar_t* title = L"test", DWORD style = WS_OVERLAPPEDWINDOW);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Dispatches what is queued for this thread until the queue is empty.
void PumpPending();
