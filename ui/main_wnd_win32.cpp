#include "ui/main_wnd_win32.h"

#include <commctrl.h>

#include <string>

#include "foundation/catalogue.h"
#include "foundation/errors.h"
#include "foundation/file_error_text.h"
#include "reader/connect_platform_win32.h"
#include "ui/about_dialog_win32.h"
#include "ui/framework/error_box_win32.h"
#include "ui/resource_ids.h"

CMainWnd::CMainWnd(CAppSettings& settings)
    : page(settings, connection, search), connection(Win32ConnectPlatform()), settings_(settings) {}

CMainWnd::CMainWnd(CAppSettings& settings, IPortEnumerator& ports)
    : page(settings, connection, search),
      search(ports),
      connection(Win32ConnectPlatform()),
      settings_(settings) {}

CMainWnd::~CMainWnd() {
    CWnd::Destroy();
    // Whatever ended the window, no worker may outlive the objects it reports to.
    connection.Stop();
    search.Stop();
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

LRESULT CMainWnd::OnCreate() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    AddAboutItem();
    page.CreatePage(hwnd);
    RestorePosition();
    notifyTarget_ = hwnd;
    InstallCallbacks();
    search.Start();
    return 0;
}

void CMainWnd::RestorePosition() {
    const auto& stored = settings_.formPos;
    const bool positionSet = stored[0] != CAppSettings::kNotSet && stored[1] != CAppSettings::kNotSet;
    const bool sizeSet = stored[2] != CAppSettings::kNotSet && stored[3] != CAppSettings::kNotSet;
    if (!positionSet && !sizeSet)
        return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement))
        return;
    RECT& normal = placement.rcNormalPosition;
    const LONG left = positionSet ? stored[0] : normal.left;
    const LONG top = positionSet ? stored[1] : normal.top;
    const LONG width = sizeSet ? stored[2] : normal.right - normal.left;
    const LONG height = sizeSet ? stored[3] : normal.bottom - normal.top;
    normal = {left, top, left + width, top + height};
    SetWindowPlacement(hwnd, &placement);
}

void CMainWnd::InstallCallbacks() {
    auto poster = [this](WPARAM what) {
        return [this, what] {
            if (HWND target = notifyTarget_.load())
                PostMessageW(target, WM_THREAD_NOTIFY, what, 0);
        };
    };
    search.onPortsChanged = poster(NOTIFY_PORTS);
    search.SetSearchAll(settings_.allPorts);
    connection.onStateChanged = poster(NOTIFY_STATE);
    connection.onCardChanged = poster(NOTIFY_CARD);
}

void CMainWnd::OnActivate(WPARAM wParam) {
    DefaultHandling();
    if (LOWORD(wParam) == WA_INACTIVE) {
        savedFocus = GetFocus();
    } else if (savedFocus && IsWindow(savedFocus) && IsWindowVisible(savedFocus) &&
               IsWindowEnabled(savedFocus)) {
        SetFocus(savedFocus);
    }
}

void CMainWnd::OnThreadNotify(WPARAM what) {
    if (!page.hwnd)
        return;
    switch (what) {
        case NOTIFY_PORTS: page.FillPortList(); break;
        case NOTIFY_STATE: page.RefreshStatus(); break;
        case NOTIFY_CARD: page.RefreshCardLine(); break;
        default: break;
    }
}

void CMainWnd::StorePosition() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement))
        return;
    // The normal rectangle: a window closed minimised or maximised reopens restored there.
    const RECT& normal = placement.rcNormalPosition;
    const std::array<int32_t, 4> position{normal.left, normal.top, normal.right - normal.left,
                                          normal.bottom - normal.top};
    if (position != settings_.formPos) {
        settings_.formPos = position;
        settings_.modified = true;
    }
}

void CMainWnd::ShutDown(bool sessionEnding) {
    if (shutDown_)
        return;
    shutDown_ = true;
    search.Stop();
    connection.Stop();
    StorePosition();
    if (page.hwnd)
        page.StoreControls();
    if (!settings_.modified)
        return;
    try {
        settings_.Save();
    } catch (const CFileException& failure) {
        // The window closes all the same (the old file is intact: Save replaces it only when all
        // went well), but the user's choices are lost and must hear of it, once. Not while
        // Windows ends the session: no one may be there to answer, and time is short.
        if (sessionEnding)
            return;
        std::wstring text;
        AppendFormatResource(text, kSaveFailedText, FileErrorText(failure).c_str());
        ShowErrorBox(text, hwnd);
    }
}

LRESULT CMainWnd::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate();
        case WM_DESTROY:
            notifyTarget_ = nullptr;
            PostQuitMessage(0);
            page.Destroy();
            DefWindowProcW(window, message, wParam, lParam);
            hwnd = nullptr;
            return 0;
        case WM_SIZE:
            DefaultHandling();
            if (wParam != SIZE_MINIMIZED && page.hwnd)
                SetWindowPos(page.hwnd, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOZORDER);
            return 0;
        case WM_ACTIVATE: OnActivate(wParam); return 0;
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
            if ((wParam & 0xFFF0) == SC_CLOSE)
                ShutDown();
            return DefaultHandling();
        case WM_CLOSE:
            // A close that bypassed the system menu (another program's WM_CLOSE) ends the same way.
            ShutDown();
            return DefaultHandling();
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            // Log-off or shut-down: the process ends after this returns, so this is the close.
            if (wParam)
                ShutDown(true);
            return 0;
        case WM_THREAD_NOTIFY: OnThreadNotify(wParam); return 0;
        default: return CWnd::HandleMessage(window, message, wParam, lParam);
    }
}
