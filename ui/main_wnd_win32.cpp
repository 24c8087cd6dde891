#include "ui/main_wnd_win32.h"

#include <commctrl.h>
#include <windowsx.h>

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
    : page(settings, connection, search, *this),
      connection(Win32Platform(), kReaderId),
      overview(*this),
      settings_(settings) {}

CMainWnd::CMainWnd(CAppSettings& settings, IPortEnumerator& ports)
    : page(settings, connection, search, *this),
      search(ports),
      connection(Win32Platform(), kReaderId),
      overview(*this),
      settings_(settings) {}

CMainWnd::~CMainWnd() {
    CWnd::Destroy();
    // Whatever ended the window, no worker may outlive the objects it reports to.
    RequestReadersStop(true);
    search.Stop();
}

// Tab and arrow keys move through the page's controls, as in a dialog; Ctrl+W closes the shown
// further reader's page.
bool CMainWnd::PreTranslate(MSG& message) {
    if (message.message == WM_KEYDOWN && message.wParam == 'W' && GetKeyState(VK_CONTROL) < 0 &&
        GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0 && shownTab_ >= 1 &&
        shownTab_ <= moreReaders.size()) {
        CloseReaderPage(shownTab_);
        return true;
    }
    return OfferToDialogManager(hwnd, message);
}

void CMainWnd::AddAboutItem() {
    HMENU systemMenu = GetSystemMenu(hwnd, FALSE);
    if (!systemMenu)
        return;
    std::wstring text;
    if (LoadResourceString(kTextAboutItem, text) == 0)
        return;
    std::wstring addReader;
    LoadResourceString(kTextAddReader, addReader);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, ID_ADD_READER, addReader.c_str());
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
    StartMoreReaders();
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
    const LayoutSize client = page.ClientSizes().minimum;
    return WindowSizeFor({client.width, client.height + TabStripHeight()});
}

LayoutSize CMainWnd::FirstStartWindowSize() const {
    if (!page.hwnd)
        return MinimumWindowSize();
    const LayoutSize client = page.ClientSizes().firstStart;
    return WindowSizeFor({client.width, client.height + TabStripHeight()});
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
    for (CMainPage* shown : ReaderPages()) shown->ApplyDpi(dpi_);
    if (tabs) {
        SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(page.pageFont.Get()), TRUE);
        overview.ApplyFont(page.pageFont.Get(), dpi_);
        LayoutPages();
    }
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
    InstallReaderCallbacks(connection);
}

void CMainWnd::InstallReaderCallbacks(CReaderWorker& worker) {
    auto poster = [this](WPARAM what, LPARAM source) {
        return [this, what, source] {
            if (HWND target = notifyTarget_.load())
                PostMessageW(target, WM_THREAD_NOTIFY, what, source);
        };
    };
    const LPARAM reader = static_cast<LPARAM>(worker.Id());
    worker.onStateChanged = poster(NOTIFY_STATE, reader);
    worker.onCardChanged = poster(NOTIFY_CARD, reader);
    worker.onEnded = poster(NOTIFY_ENDED, reader);
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
        search.Stop();  // all have ended: the joins take no time
        RequestReadersStop(true);
        DestroyWindow(hwnd);
        return;
    }
    if (!page.hwnd)
        return;
    if (what == NOTIFY_PORTS) {
        for (CMainPage* each : ReaderPages()) each->FillPortList();
        return;
    }
    // Each reader's notices go to its own page; a notice of any other source refreshes nothing.
    CMainPage* const target = PageOfWorker(static_cast<uintptr_t>(source));
    if (!target) {
        if (what == NOTIFY_ENDED)
            OnReaderEnded(static_cast<uintptr_t>(source));
        return;
    }
    switch (what) {
        case NOTIFY_STATE: target->RefreshStatus(); break;
        case NOTIFY_CARD: target->RefreshCardLine(); break;
        case NOTIFY_ENDED: target->OnConnectionEnded(); break;
        default: return;
    }
    UpdateTabs();
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
    for (CMainPage* readerPage : ReaderPages()) {
        if (readerPage->hwnd && readerPage->panel.Worker().TestRunning())
            readerPage->EndTestAtClose();
    }
    if (sessionEnding) {
        search.Stop();
    } else {
        search.RequestStop();
    }
    RequestReadersStop(sessionEnding);
    StorePosition();
    if (page.hwnd)
        page.StoreControls();
    std::vector<ReaderSettings> more;
    for (const auto& reader : moreReaders) {
        if (reader->page.hwnd)
            reader->page.StoreControls();
        more.push_back(reader->page.reader);
    }
    settings_.SetMoreReaders(more);
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
            if (ticking_)
                KillTimer(window, IDT_REFRESH);
            ticking_ = false;
            for (CMainPage* each : ReaderPages()) each->Destroy();
            overview.Destroy();
            DefWindowProcW(window, message, wParam, lParam);
            hwnd = nullptr;
            return 0;
        case WM_SIZE:
            DefaultHandling();
            if (wParam != SIZE_MINIMIZED)
                LayoutPages();
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
            if (wParam == ID_ADD_READER) {
                AddReader();
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
                // Nothing more to start while the workers end.
                for (CMainPage* each : ReaderPages())
                    if (each->hwnd)
                        EnableWindow(each->hwnd, FALSE);
                if (overview.hwnd)
                    EnableWindow(overview.hwnd, FALSE);
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
        case WM_TIMER:
            if (wParam != IDT_REFRESH)
                return DefaultHandling();
            OnRefreshTick();
            return 0;
        case WM_CONTEXTMENU:
            if (tabs && reinterpret_cast<HWND>(wParam) == tabs) {
                ShowTabMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                return 0;
            }
            return DefaultHandling();
        case WM_DPICHANGED: OnDpiChanged(wParam, *reinterpret_cast<const RECT*>(lParam)); return 0;
        default: return CWnd::HandleMessage(window, message, wParam, lParam);
    }
}
