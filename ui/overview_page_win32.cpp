#include "ui/overview_page_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "foundation/catalogue.h"
#include "foundation/local_time.h"
#include "foundation/modules_win32.h"
#include "foundation/text_ids.h"
#include "ui/dpi_win32.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/main_page_win32.h"
#include "ui/menu_holder_win32.h"
#include "ui/page_texts.h"
#include "ui/report_file_win32.h"
#include "ui/resource_ids.h"
#include "ui/station_table.h"
#include "ui/test_report.h"

namespace {

// An empty control-parent dialog: the controls are made in code, so the page needs no
// template in either language.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu = 0, windowClass = 0, title = 0;
};

StationRow RowOf(CMainPage& page) {
    CReaderWorker& worker = page.panel.Worker();
    StationRow row;
    row.port = page.PortShown();
    const bool running = worker.IsRunning();
    if (running) {
        const ReaderIdentity identity = worker.ReadIdentity();
        row.reader = ReaderIdentityText(identity.model, identity.serial, identity.firmware);
        row.card = CardLineText(worker.ReadCard());
    }
    const CReaderPanel::View& last = page.panel.lastView;
    row.state = last.state;
    if (running && worker.TestRunning())
        LoadResourceString(kTextStateTesting, row.state);
    row.written = last.written;
    row.errors = last.errors;
    row.figures = last.figures;
    return row;
}

void SetCellIfChanged(HWND list, int item, int column, const std::wstring& text) {
    wchar_t current[512] = {};
    ListView_GetItemText(list, item, column, current, static_cast<int>(std::size(current)));
    if (text != current)
        ListView_SetItemText(list, item, column, const_cast<wchar_t*>(text.c_str()));
}

}  // namespace

COverviewPage::~COverviewPage() {
    CWnd::Destroy();
}

bool COverviewPage::CreatePage(HWND parent) {
    EmptyDialogTemplate empty{};
    empty.header.style = WS_CHILD | WS_CLIPCHILDREN | DS_CONTROL;
    empty.header.dwExtendedStyle = WS_EX_CONTROLPARENT;
    return CreateDialogIndirectParamW(ProgramModule(), &empty.header, parent, &FrameworkDialogProc,
                                      reinterpret_cast<LPARAM>(static_cast<CWnd*>(this))) != nullptr;
}

void COverviewPage::CreateControls() {
    const auto button = [this](int id, unsigned textId) {
        std::wstring text;
        LoadResourceString(textId, text);
        return CreateWindowExW(0, WC_BUTTONW, text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                               0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    startAll_ = button(IDC_START_ALL, kTextStartAll);
    stopAll_ = button(IDC_STOP_ALL, kTextStopAll);
    list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0,
                           0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OVERVIEW_LIST)), nullptr,
                           nullptr);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    const auto titles = StationColumnTitles();
    for (size_t column = 0; column < titles.size(); ++column) {
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        entry.fmt = column >= 4 ? LVCFMT_RIGHT : LVCFMT_LEFT;  // the figures line up on the right
        entry.cx = 80;
        entry.pszText = const_cast<wchar_t*>(titles[column].c_str());
        ListView_InsertColumn(list, static_cast<int>(column), &entry);
    }
}

void COverviewPage::ApplyFont(HFONT font, UINT dpi) {
    dpi_ = dpi;
    for (HWND control : {startAll_, stopAll_, list})
        if (control)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // Port, reader, card and state get room for their usual text; the figures less.
    constexpr int kWidths[] = {70, 170, 150, 80, 65, 55, 60, 70};
    for (size_t column = 0; column < std::size(kWidths); ++column)
        ListView_SetColumnWidth(list, static_cast<int>(column), ScaleForDpi(kWidths[column], dpi));
    RECT client{};
    GetClientRect(hwnd, &client);
    Layout(client.right, client.bottom);
}

void COverviewPage::Layout(int width, int height) {
    const int margin = ScaleForDpi(7, dpi_);
    const int buttonHeight = ScaleForDpi(23, dpi_);
    int x = margin;
    for (HWND button : {startAll_, stopAll_}) {
        wchar_t text[128] = {};
        GetWindowTextW(button, text, static_cast<int>(std::size(text)));
        SIZE extent{};
        HDC dc = GetDC(button);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &extent);
        SelectObject(dc, old);
        ReleaseDC(button, dc);
        const int buttonWidth = std::max<int>(extent.cx + ScaleForDpi(20, dpi_), ScaleForDpi(75, dpi_));
        MoveWindow(button, x, margin, buttonWidth, buttonHeight, TRUE);
        x += buttonWidth + margin;
    }
    const int top = 2 * margin + buttonHeight;
    MoveWindow(list, margin, top, std::max(0, width - 2 * margin), std::max(0, height - top - margin), TRUE);
}

void COverviewPage::Refresh() {
    if (!list)
        return;
    const std::vector<CMainPage*> pages = host_.OverviewPages();
    const int count = static_cast<int>(pages.size());
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    while (ListView_GetItemCount(list) > count) ListView_DeleteItem(list, ListView_GetItemCount(list) - 1);
    for (int item = ListView_GetItemCount(list); item < count; ++item) {
        LVITEMW entry{};
        entry.mask = LVIF_TEXT;
        entry.iItem = item;
        entry.pszText = const_cast<wchar_t*>(L"");
        ListView_InsertItem(list, &entry);
    }
    for (int item = 0; item < count; ++item) {
        const auto cells = StationRowCells(RowOf(*pages[static_cast<size_t>(item)]));
        for (size_t column = 0; column < cells.size(); ++column)
            SetCellIfChanged(list, item, static_cast<int>(column), cells[column]);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void COverviewPage::StartAll() {
    for (CMainPage* page : host_.OverviewPages())
        if (page->panel.Worker().IsRunning() && !page->panel.Worker().TestRunning())
            page->StartTest();
    Refresh();
}

void COverviewPage::StopAll() {
    for (CMainPage* page : host_.OverviewPages())
        if (page->panel.Worker().TestRunning())
            page->StopTest();
    Refresh();
}

LRESULT COverviewPage::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog();
            CreateControls();
            return 1;
        case WM_SIZE:
            Layout(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) != list)
                return DefaultHandling();
            ShowListMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_DESTROY:
            list = startAll_ = stopAll_ = nullptr;
            return DefaultHandling();
        default: return CWnd::HandleMessage(window, message, wParam, lParam);
    }
}

bool COverviewPage::HandleCommand(UINT commandId, UINT, HWND) {
    switch (commandId) {
        case IDC_START_ALL: StartAll(); return true;
        case IDC_STOP_ALL: StopAll(); return true;
        case ID_SAVE_STATION_REPORT: {
            const std::wstring path = AskReportPath(hwnd, DefaultReportName(L"station", CurrentLocalTime()));
            if (!path.empty())
                SaveStationReportTo(path);
            return true;
        }
        default: return false;
    }
}

bool COverviewPage::HandleNotify(WPARAM, NMHDR* header, LRESULT*) {
    if (header->hwndFrom != list || header->code != NM_DBLCLK)
        return false;
    const int item = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    if (item >= 0)
        host_.OpenReaderPage(static_cast<size_t>(item));
    return true;
}

void COverviewPage::ShowListMenu(POINT point) {
    if (point.x == -1 && point.y == -1) {  // the menu key
        RECT r{};
        GetWindowRect(list, &r);
        point = {r.left + 8, r.top + 8};
    }
    CMenuHolder menu(CreatePopupMenu());
    if (!menu.Get())
        return;
    std::wstring text;
    LoadResourceString(kTextSaveStationReport, text);
    AppendMenuW(menu.Get(), MF_STRING, ID_SAVE_STATION_REPORT, text.c_str());
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd, nullptr);
}

bool COverviewPage::SaveStationReportTo(const std::wstring& path) {
    std::vector<StationRow> rows;
    std::vector<std::wstring> reports;
    for (CMainPage* page : host_.OverviewPages()) {
        page->RefreshStatus();  // the log lines and link trouble up to now
        rows.push_back(RowOf(*page));
        const CTestRecord record = page->panel.Worker().ReadRecord();
        if (record.started)
            reports.push_back(TestReportText(record, page->panel.lastTrouble, *MachineTimeZone()));
    }
    return WriteReportFile(hwnd, path, StationReportText(rows, reports));
}
