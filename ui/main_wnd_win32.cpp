#include "ui/main_wnd_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/errors.h"
#include "foundation/file_error_text.h"
#include "reader/platform_win32.h"
#include "ui/about_dialog_win32.h"
#include "ui/dpi_win32.h"
#include "ui/framework/error_box_win32.h"
#include "ui/resource_ids.h"

CMainWnd::CMainWnd(CAppSettings& settings)
    : page(settings, connection, search), connection(Win32Platform(), kReaderId), settings_(settings) {}

CMainWnd::CMainWnd(CAppSettings& settings, IPortEnumerator& ports)
    : page(settings, connection, search),
      search(ports),
      connection(Win32Platform(), kReaderId),
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
    if (LoadResourceString(kTextAboutItem, text) == 0)
        return;
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, text.c_str());
}

LRESULT CMainWnd::OnCreate() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    AddAboutItem();
    dpi_ = WindowDpi(hwnd);
    page.CreatePage(hwnd, dpi_);
    PlaceWindow();
    // The page came after the window's first size: it is fitted to the client area here.
    RECT client{};
    GetClientRect(hwnd, &client);
    if (page.hwnd)
        SetWindowPos(page.hwnd, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    notifyTarget_ = hwnd;
    InstallCallbacks();
    search.Start();
    return 0;
}

namespace {

// Monitors' work areas in the coordinates of window placements, which count from the primary
// monitor's work area rather than its corner.
BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<WorkArea>*>(areas)->push_back(
            {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom});
    }
    return TRUE;
}

std::vector<WorkArea> PlacementWorkAreas() {
    std::vector<WorkArea> areas;
    EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    MONITORINFO primary{};
    primary.cbSize = sizeof(primary);
    if (GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary)) {
        const LONG dx = primary.rcWork.left - primary.rcMonitor.left;
        const LONG dy = primary.rcWork.top - primary.rcMonitor.top;
        for (WorkArea& area : areas) area = {area.left - dx, area.top - dy, area.right - dx, area.bottom - dy};
    }
    return areas;
}

// How much of the caption must lie on a monitor for the user to grab it.
constexpr int kGripWidth = 64;
constexpr int kGripHeight = 24;

}  // namespace

LayoutSize CMainWnd::WindowSizeFor(LayoutSize client) const {
    const RECT r = WindowRectForClient(client.width, client.height, GetWindowLongW(hwnd, GWL_STYLE),
                                       GetWindowLongW(hwnd, GWL_EXSTYLE), dpi_);
    return {std::max<int32_t>(r.right - r.left, ScaleForDpi(kFloorWidth, dpi_)),
            std::max<int32_t>(r.bottom - r.top, ScaleForDpi(kFloorHeight, dpi_))};
}

LayoutSize CMainWnd::MinimumWindowSize() const {
    if (!page.hwnd)
        return {ScaleForDpi(kFloorWidth, dpi_), ScaleForDpi(kFloorHeight, dpi_)};
    return WindowSizeFor(page.ClientSizes().minimum);
}

LayoutSize CMainWnd::FirstStartWindowSize() const {
    if (!page.hwnd)
        return MinimumWindowSize();
    return WindowSizeFor(page.ClientSizes().firstStart);
}

// The first start's size, or the stored place and size; either made to fit the monitors. A
// stored place on a monitor of another scale takes the window to that monitor's DPI on the way
// (WM_DPICHANGED, whose suggested size would scale the stored size once more): it is then placed
// again at the new DPI, with the stored size as it stands and that DPI's least size.
void CMainWnd::PlaceWindow() {
    constexpr int kPasses = 3;  // a fit may move it onto yet another monitor
    for (int pass = 0; pass < kPasses; ++pass) {
        const UINT dpiBefore = dpi_;
        placing_ = true;
        PlaceAtCurrentDpi();
        placing_ = false;
        if (dpi_ == dpiBefore)
            return;
    }
}

void CMainWnd::PlaceAtCurrentDpi() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement))
        return;
    RECT& normal = placement.rcNormalPosition;
    const LayoutRect fitted = PlacedWindowRect(
        settings_.formPos, CAppSettings::kNotSet, {normal.left, normal.top, normal.right, normal.bottom},
        FirstStartWindowSize(), MinimumWindowSize(), PlacementWorkAreas(),
        {ScaleForDpi(kGripWidth, dpi_), ScaleForDpi(kGripHeight, dpi_)});
    normal = {fitted.left, fitted.top, fitted.right, fitted.bottom};
    if (!IsWindowVisible(hwnd))
        placement.showCmd = SW_HIDE;  // shown later, as the caller asks
    SetWindowPlacement(hwnd, &placement);
}

void CMainWnd::OnDpiChanged(WPARAM wParam, const RECT& suggested) {
    dpi_ = LOWORD(wParam);
    page.ApplyDpi(dpi_);
    if (placing_)
        return;  // PlaceWindow places it again at this DPI
    const LayoutSize minimum = MinimumWindowSize();
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top,
                 std::max<int>(suggested.right - suggested.left, minimum.width),
                 std::max<int>(suggested.bottom - suggested.top, minimum.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainWnd::InstallCallbacks() {
    auto poster = [this](WPARAM what, LPARAM source) {
        return [this, what, source] {
            if (HWND target = notifyTarget_.load())
                PostMessageW(target, WM_THREAD_NOTIFY, what, source);
        };
    };
    search.onPortsChanged = poster(NOTIFY_PORTS, 0);
    search.SetSearchAll(settings_.allPorts);
    search.onEnded = poster(NOTIFY_ENDED, 0);
    const LPARAM reader = static_cast<LPARAM>(connection.Id());
    connection.onStateChanged = poster(NOTIFY_STATE, reader);
    connection.onCardChanged = poster(NOTIFY_CARD, reader);
    connection.onEnded = poster(NOTIFY_ENDED, reader);
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

void CMainWnd::OnThreadNotify(WPARAM what, LPARAM source) {
    if (what == NOTIFY_ENDED && closePending_ && WorkersEnded()) {
        search.Stop();  // both have ended: the joins take no time
        connection.Stop();
        DestroyWindow(hwnd);
        return;
    }
    if (!page.hwnd)
        return;
    if (what == NOTIFY_PORTS) {
        page.FillPortList();
        return;
    }
    // The one page shows the one reader; a notice of any other source refreshes nothing.
    CReaderPanel* const panels[] = {&page.panel};
    if (PanelOfWorker(panels, static_cast<uintptr_t>(source)) == nullptr)
        return;
    switch (what) {
        case NOTIFY_STATE: page.RefreshStatus(); break;
        case NOTIFY_CARD: page.RefreshCardLine(); break;
        case NOTIFY_ENDED: page.OnConnectionEnded(); break;
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
    // A test running at close ends as by Stop: its report is saved, and its journal does not
    // come back at the next start as a test that never ended.
    if (page.hwnd && connection.TestRunning())
        page.EndTestAtClose();
    if (sessionEnding) {
        search.Stop();
        connection.Stop();
    } else {
        search.RequestStop();
        connection.RequestStop();
    }
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
        AppendFormatResource(text, kTextSettingsNotSaved, FileErrorText(failure).c_str());
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
            // While the window is placed, its DPI may be about to change: the placement sets the
            // size that DPI needs, which the least size of the old one must not hold up.
            if (placing_)
                return DefaultHandling();
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            const LayoutSize minimum = MinimumWindowSize();
            limits->ptMinTrackSize = {minimum.width, minimum.height};
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
            if (!WorkersEnded()) {
                closePending_ = true;
                if (page.hwnd)
                    EnableWindow(page.hwnd, FALSE);  // nothing more to start while the workers end
                return 0;
            }
            return DefaultHandling();
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            // Log-off or shut-down: the process ends after this returns, so this is the close.
            if (wParam)
                ShutDown(true);
            return 0;
        case WM_THREAD_NOTIFY: OnThreadNotify(wParam, lParam); return 0;
        case WM_DPICHANGED: OnDpiChanged(wParam, *reinterpret_cast<const RECT*>(lParam)); return 0;
        default: return CWnd::HandleMessage(window, message, wParam, lParam);
    }
}
