// The main window's readers: the further readers' pages with their workers, the tabs above the
// pages, the overview, the one refresh timer and the ports the pages hold.
#include "ui/main_wnd_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "settings/reader_settings.h"
#include "ui/dpi_win32.h"
#include "ui/menu_holder_win32.h"
#include "ui/reader_tab_label.h"
#include "ui/resource_ids.h"

namespace {

constexpr UINT kRefreshPeriodMs = 333;

ReaderTabState TabStateOf(CMainPage& page) {
    CReaderWorker& worker = page.panel.Worker();
    if (!worker.IsRunning())
        return ReaderTabState::NotConnected;
    return worker.TestRunning() ? ReaderTabState::Testing : ReaderTabState::Connected;
}

void SetTabText(HWND tabs, int index, const std::wstring& text) {
    wchar_t current[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = current;
    item.cchTextMax = static_cast<int>(std::size(current));
    if (TabCtrl_GetItem(tabs, index, &item) && text == current)
        return;  // unchanged: no repaint
    item.pszText = const_cast<wchar_t*>(text.c_str());
    TabCtrl_SetItem(tabs, index, &item);
}

}  // namespace

std::vector<CMainPage*> CMainWnd::ReaderPages() {
    std::vector<CMainPage*> pages{&page};
    for (const auto& reader : moreReaders) pages.push_back(&reader->page);
    return pages;
}

CMainPage* CMainWnd::PageOfWorker(uintptr_t workerId) {
    const std::vector<CMainPage*> pages = ReaderPages();
    std::vector<CReaderPanel*> panels;
    for (CMainPage* each : pages) panels.push_back(&each->panel);
    const CReaderPanel* found = PanelOfWorker(panels, workerId);
    for (CMainPage* each : pages)
        if (&each->panel == found)
            return each;
    return nullptr;
}

bool CMainWnd::WorkersEnded() const {
    const auto ended = [](const auto& reader) { return reader->worker.HasEnded(); };
    return search.HasEnded() && connection.HasEnded() && std::all_of(moreReaders.begin(), moreReaders.end(), ended) &&
           std::all_of(closingReaders.begin(), closingReaders.end(), ended);
}

void CMainWnd::RequestReadersStop(bool wait) {
    const auto stop = [wait](CReaderWorker& worker) { wait ? worker.Stop() : worker.RequestStop(); };
    stop(connection);
    for (const auto& reader : moreReaders) stop(reader->worker);
    for (const auto& reader : closingReaders) stop(reader->worker);
}

void CMainWnd::StartMoreReaders() {
    for (const ReaderSettings& values : settings_.moreReaders) AddReaderPage(values, false);
    if (settings_.readersLeftOut != 0 && page.hwnd) {
        std::wstring line;
        AppendFormatResource(line, kTextReadersLeftOut, static_cast<unsigned>(settings_.readersLeftOut));
        page.AppendLogLines({line});
    }
}

bool CMainWnd::CanAddReader() const {
    return 1 + moreReaders.size() < kMaxReaders;
}

void CMainWnd::AddReader() {
    if (shutDown_)
        return;
    // The new reader starts with the test settings of the page in view, on no port yet.
    ReaderSettings values = shownTab_ <= moreReaders.size() ? ReaderPages()[shownTab_]->reader : page.reader;
    values.port.clear();
    AddReaderPage(values, true);
}

bool CMainWnd::AddReaderPage(const ReaderSettings& values, bool show) {
    if (!CanAddReader() || !hwnd)
        return false;
    auto reader = std::make_unique<ExtraReader>(settings_, search, static_cast<IReaderPageHost&>(*this), nextReaderId_++);
    reader->page.reader = values;
    InstallReaderCallbacks(reader->worker);
    if (!reader->page.CreatePage(hwnd, dpi_))
        return false;
    ShowWindow(reader->page.hwnd, SW_HIDE);
    moreReaders.push_back(std::move(reader));
    if (!tabs)
        CreateTabs();
    UpdateTabs();
    // The strip above the pages takes height the window may not have to spare.
    const LayoutSize minimum = MinimumWindowSize();
    RECT window{};
    GetWindowRect(hwnd, &window);
    if (window.bottom - window.top < minimum.height || window.right - window.left < minimum.width)
        SetWindowPos(hwnd, nullptr, 0, 0, std::max<int>(window.right - window.left, minimum.width),
                     std::max<int>(window.bottom - window.top, minimum.height), SWP_NOMOVE | SWP_NOZORDER);
    ShowTab(show ? moreReaders.size() : shownTab_);
    return true;
}

void CMainWnd::CloseReaderPage(size_t index) {
    if (index == 0 || index > moreReaders.size())
        return;  // the first reader's page stays: its values are the settings' own
    std::unique_ptr<ExtraReader> reader = std::move(moreReaders[index - 1]);
    moreReaders.erase(moreReaders.begin() + static_cast<ptrdiff_t>(index - 1));
    // A running test ends as by Stop, with its report, so its journal is not taken for a crash's
    // at the next start; then its reader is switched off, and the worker goes once its port is closed.
    if (reader->page.hwnd && reader->worker.TestRunning())
        reader->page.EndTestAtClose();
    reader->worker.RequestStop();
    reader->page.Destroy();
    if (reader->worker.HasEnded())
        reader->worker.Stop();
    else
        closingReaders.push_back(std::move(reader));
    settings_.modified = true;
    UpdateTabs();
    ShowTab(moreReaders.empty() ? 0 : std::min(index, moreReaders.size()));
    // The focus may have been on the page that went.
    SetFocus(moreReaders.empty() ? page.hwnd : tabs);
    ConnectionChanged();
}

bool CMainWnd::OnReaderEnded(uintptr_t workerId) {
    for (auto it = closingReaders.begin(); it != closingReaders.end(); ++it) {
        if ((*it)->worker.Id() != workerId)
            continue;
        (*it)->worker.Stop();  // it has ended: the join takes no time
        closingReaders.erase(it);
        ConnectionChanged();  // its port is free for the other pages
        return true;
    }
    return false;
}

void CMainWnd::CreateTabs() {
    tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, 0, hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_READER_TABS)), nullptr, nullptr);
    if (!tabs)
        return;
    SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(page.pageFont.Get()), FALSE);
    if (overview.CreatePage(hwnd)) {
        overview.ApplyFont(page.pageFont.Get(), dpi_);
        ShowWindow(overview.hwnd, SW_HIDE);
    }
}

void CMainWnd::UpdateTabs() {
    if (HMENU systemMenu = GetSystemMenu(hwnd, FALSE))
        EnableMenuItem(systemMenu, ID_ADD_READER, MF_BYCOMMAND | (CanAddReader() ? MF_ENABLED : MF_GRAYED));
    if (!tabs)
        return;
    const bool wanted = !moreReaders.empty();
    // Its own flag, not IsWindowVisible: the window may not be shown yet.
    if (wanted != ((GetWindowLongW(tabs, GWL_STYLE) & WS_VISIBLE) != 0)) {
        ShowWindow(tabs, wanted ? SW_SHOWNOACTIVATE : SW_HIDE);
        LayoutPages();
    }
    if (!wanted)
        return;
    const std::vector<CMainPage*> pages = ReaderPages();
    const int count = static_cast<int>(pages.size()) + 1;  // the overview comes last
    while (TabCtrl_GetItemCount(tabs) > count) TabCtrl_DeleteItem(tabs, TabCtrl_GetItemCount(tabs) - 1);
    while (TabCtrl_GetItemCount(tabs) < count) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        TabCtrl_InsertItem(tabs, TabCtrl_GetItemCount(tabs), &item);
    }
    for (size_t index = 0; index < pages.size(); ++index) {
        CMainPage& each = *pages[index];
        if (index == shownTab_)
            each.panel.troubleUnseen = false;  // in view: the user sees it
        SetTabText(tabs, static_cast<int>(index),
                   ReaderTabLabel(each.PortShown(), index + 1, TabStateOf(each), each.panel.troubleUnseen));
    }
    std::wstring all;
    LoadResourceString(kTextAllReaders, all);
    SetTabText(tabs, count - 1, all);
}

int CMainWnd::TabStripHeight() const {
    if (!tabs || moreReaders.empty())
        return 0;
    RECT area{0, 0, 1000, 1000};
    TabCtrl_AdjustRect(tabs, FALSE, &area);
    return std::max<int>(area.top, 0);
}

void CMainWnd::LayoutPages() {
    RECT client{};
    GetClientRect(hwnd, &client);
    const int top = TabStripHeight();
    if (tabs && top > 0)
        SetWindowPos(tabs, nullptr, 0, 0, client.right, top, SWP_NOZORDER | SWP_NOACTIVATE);
    const int height = std::max<int>(client.bottom - top, 0);
    for (CMainPage* each : ReaderPages())
        if (each->hwnd)
            SetWindowPos(each->hwnd, nullptr, 0, top, client.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (overview.hwnd)
        SetWindowPos(overview.hwnd, nullptr, 0, top, client.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainWnd::ShowTab(size_t index) {
    const std::vector<CMainPage*> pages = ReaderPages();
    index = std::min(index, moreReaders.empty() ? size_t{0} : pages.size());
    shownTab_ = index;
    for (size_t each = 0; each < pages.size(); ++each)
        if (pages[each]->hwnd)
            ShowWindow(pages[each]->hwnd, each == index ? SW_SHOWNOACTIVATE : SW_HIDE);
    const bool overviewShown = index == pages.size();
    if (overview.hwnd)
        ShowWindow(overview.hwnd, overviewShown ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (tabs)
        TabCtrl_SetCurSel(tabs, static_cast<int>(index));
    if (overviewShown) {
        OnRefreshTick();
        RefreshTicksWanted();
    }
    UpdateTabs();
}

bool CMainWnd::HandleNotify(WPARAM, NMHDR* header, LRESULT*) {
    if (!tabs || header->hwndFrom != tabs || header->code != TCN_SELCHANGE)
        return false;
    ShowTab(static_cast<size_t>(std::max(TabCtrl_GetCurSel(tabs), 0)));
    return true;
}

// The tab menu's and Ctrl+W's command for the page in view.
bool CMainWnd::HandleCommand(UINT commandId, UINT, HWND) {
    if (commandId != ID_CLOSE_READER)
        return false;
    CloseReaderPage(shownTab_);
    return true;
}

void CMainWnd::ShowTabMenu(POINT point) {
    TCHITTESTINFO hit{};
    hit.pt = point;
    ScreenToClient(tabs, &hit.pt);
    int index = TabCtrl_HitTest(tabs, &hit);
    if (point.x == -1 && point.y == -1) {  // the menu key: the tab in view
        index = static_cast<int>(shownTab_);
        RECT r{};
        TabCtrl_GetItemRect(tabs, index, &r);
        point = {r.left + 4, r.bottom};
        ClientToScreen(tabs, &point);
    }
    if (index < 0)
        return;
    CMenuHolder menu(CreatePopupMenu());
    if (!menu.Get())
        return;
    const bool closable = index >= 1 && static_cast<size_t>(index) <= moreReaders.size();
    std::wstring close, add;
    LoadResourceString(kTextCloseReaderPage, close);
    LoadResourceString(kTextAddReader, add);
    AppendMenuW(menu.Get(), MF_STRING | (closable ? 0 : MF_GRAYED), ID_CLOSE_READER, close.c_str());
    AppendMenuW(menu.Get(), MF_STRING | (CanAddReader() ? 0 : MF_GRAYED), ID_ADD_READER, add.c_str());
    SetForegroundWindow(hwnd);
    const UINT command = TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, 0, hwnd, nullptr);
    if (command == ID_CLOSE_READER && closable)
        CloseReaderPage(static_cast<size_t>(index));
    else if (command == ID_ADD_READER)
        AddReader();
}

void CMainWnd::RefreshTicksWanted() {
    if (!ticking_ && hwnd)
        ticking_ = SetTimer(hwnd, IDT_REFRESH, kRefreshPeriodMs, nullptr) != 0;
}

void CMainWnd::OnRefreshTick() {
    const bool overviewShown = overview.hwnd && shownTab_ == moreReaders.size() + 1;
    bool wanted = overviewShown;
    for (CMainPage* each : ReaderPages()) {
        if (each->refreshTimerRunning) {
            each->OnTimer(IDT_REFRESH);
            wanted = wanted || each->refreshTimerRunning;
        } else if (overviewShown && each->panel.Worker().IsRunning()) {
            each->RefreshStatus();  // the overview shows what the pages' last refresh read
        }
    }
    if (overviewShown)
        overview.Refresh();
    UpdateTabs();
    // One timer for every reader, and none while nothing changes on its own.
    if (!wanted && ticking_) {
        KillTimer(hwnd, IDT_REFRESH);
        ticking_ = false;
    }
}

bool CMainWnd::PortTakenElsewhere(const CMainPage& asking, const std::wstring& port) const {
    const auto holds = [&](const CMainPage& other) {
        const CReaderWorker& worker = other.panel.Worker();
        return &other != &asking && (worker.IsRunning() || worker.IsEnding()) && SamePortName(other.panel.port, port);
    };
    if (holds(page))
        return true;
    for (const auto& reader : moreReaders)
        if (holds(reader->page))
            return true;
    for (const auto& reader : closingReaders)
        if (!reader->worker.HasEnded() && SamePortName(reader->page.panel.port, port))
            return true;
    return false;
}

void CMainWnd::ConnectionChanged() {
    // Only with several readers can a port be another page's; one page keeps its box as ever.
    if (moreReaders.empty() && closingReaders.empty())
        return;
    for (CMainPage* each : ReaderPages())
        if (each->hwnd)
            each->FillPortList();
    UpdateTabs();
}
