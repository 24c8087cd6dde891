// The about box: program name, version and a link to the maker's web site. Modal.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/framework/window_win32.h"

// Opens a web address in the user's browser; failures are ignored.
void OpenWebAddress(HWND owner, const wchar_t* address);

class CAboutDialog : public CModalDialog {
public:
    ~CAboutDialog() override;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleCommand(UINT commandId, UINT notifyCode, HWND control) override;
    bool HandleNotify(WPARAM controlId, NMHDR* header, LRESULT* result) override;

    // Runs the box owned by owner.
    static void Show(HWND owner);

    HICON icon = nullptr;  // loaded here when the template's icon control has none; owned
    // How a link click reaches the browser (tests watch it instead).
    std::function<void(HWND owner, const wchar_t* address)> openAddress = OpenWebAddress;

private:
    void DestroyOwnIcon();
};
