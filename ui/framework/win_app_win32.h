// The application object's part of the framework: the message pump, idle processing, the map
// from windows to their objects and the decisions the framework leaves to the application.
#pragma once

#include <windows.h>

#include <exception>
#include <unordered_map>

#include "ui/framework/window_win32.h"

class CWinApp : public CObject {
public:
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    ~CWinApp() override;

    // Takes and dispatches one message; false when it was WM_QUIT.
    virtual bool PumpOne();
    virtual bool PreTranslate(MSG& message);
    virtual bool IsIdleTrigger(const MSG& message);
    // Background work while the queue is empty; true asks for another pass.
    virtual bool Idle(long passCount);
    virtual int ExitCode();
    virtual CWnd* MainWindow() = 0;
    // The result of a message whose handler threw.
    virtual LRESULT OnHandlerException(const std::exception& error, const MSG& current);
    virtual void OnMenuPopup(HMENU menu, UINT position, bool systemMenu);
    virtual bool OnHelpRequest(int helpContextId, UINT message, WPARAM wParam) = 0;

    // The object bound to a window, or null.
    CWnd* FindObject(HWND window) const;
    HWND MainWindowHandle();

    MSG queueMessage{};    // taken last by the pump; after WM_QUIT its wParam is the exit code
    MSG currentMessage{};  // the message being dispatched; valid only during a dispatch
    std::unordered_map<HWND, CWnd*> windowMap;  // one entry per live window of ours
    HICON smallIcon = nullptr;                  // owned: destroyed with the application
    HCURSOR cursor = nullptr;                   // the shared arrow cursor
};

// The one application object of the process; set before the first window exists.
CWinApp* GetApp();
void SetApp(CWinApp* app);

// The main message loop with idle processing; returns the exit code once WM_QUIT arrives.
int RunMessageLoop(CWinApp& app);
