// The program's one top-level window. For now it carries the frame only: title, size limits,
// the About item of the system menu and ending the message loop when it goes.
#pragma once

#include <windows.h>

#include "ui/framework/window_win32.h"

class CMainWnd : public CWnd {
public:
    ~CMainWnd() override;

    bool PreTranslate(MSG& message) override;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    static constexpr int kMinimumWidth = 500;
    static constexpr int kMinimumHeight = 400;

private:
    void AddAboutItem();
};
