#include "ui/main_wnd_win32.h"

#include <commctrl.h>

#include <string>

#include "foundation/catalogue.h"
#include "ui/about_dialog_win32.h"
#include "ui/resource_ids.h"

CMainWnd::~CMainWnd() {
    CWnd::Destroy();
}

// Tab and arrow keys move through the page's controls, as in a dialog.
bool CMainWnd::PreTranslate(MSG& message) {
    return OfferToDialogManager(hwnd, message);
}

void CMainWnd::AddAboutItem() {
    HMENU systemMenu = GetSystemMenu(hwnd, FALSE);
    if (!systemMenu)
        return;
    std::wstring text;
    if (LoadResourceString(IDS_ABOUT_ITEM, text) == 0)
        return;
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, text.c_str());
}

LRESULT CMainWnd::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            INITCOMMONCONTROLSEX controls{sizeof(controls),
                                          ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
            InitCommonControlsEx(&controls);
            AddAboutItem();
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            DefWindowProcW(window, message, wParam, lParam);
            hwnd = nullptr;
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {kMinimumWidth, kMinimumHeight};
            return 0;
        }
        case WM_SYSCOMMAND:
            if (wParam == IDM_ABOUT) {
                CAboutDialog::Show(hwnd);
                return 0;
            }
            return DefaultHandling();
        default: return CWnd::HandleMessage(window, message, wParam, lParam);
    }
}
