// The page's set-up, layout, commands, enable rules, port menu and refresh timer.
#include "ui/main_page_win32.h"

#include <windowsx.h>

#include <string>

#include "foundation/catalogue.h"
#include "foundation/classic_card.h"
#include "foundation/text_ids.h"
#include "foundation/modules_win32.h"
#include "search/search_thread_win32.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/framework/error_box_win32.h"
#include "ui/framework/win_app_win32.h"
#include "ui/log_trim.h"
#include "ui/main_page_rules.h"
#include "ui/menu_holder_win32.h"
#include "ui/resource_ids.h"

namespace {

constexpr wchar_t kKeyMask[] = L"AAAAAAAAAAAA";
constexpr wchar_t kKeyTemplate[] = L"____________";
constexpr wchar_t kKeyDigits[] = L"0123456789abcdefABCDEF";

HINSTANCE ModuleHolding(UINT id, const wchar_t* type) {
    HINSTANCE resources = ResourceModule();
    return FindResourceW(resources, MAKEINTRESOURCEW(id), type) ? resources : ProgramModule();
}


}  // namespace

CMainPage::CMainPage(CAppSettings& settings, CReaderWorker& connection, CSearchThread& search,
                     IReaderPageHost& host, bool first)
    : zone(MachineTimeZone()), panel(connection, &reportFolder, zone.get()), settings_(settings), search_(search),
      host_(host), first_(first) {}

CMainPage::~CMainPage() {
    CWnd::Destroy();  // the controls still use the fonts until their windows are gone
}

bool CMainPage::CreatePage(HWND parent, UINT dpi) {
    dpi_ = dpi;
    HWND page = CreateDialogParamW(ModuleHolding(IDD_MAIN, RT_DIALOG), MAKEINTRESOURCEW(IDD_MAIN), parent,
                                   &FrameworkDialogProc, reinterpret_cast<LPARAM>(static_cast<CWnd*>(this)));
    if (!page)
        return false;
    ShowWindow(page, SW_SHOWNOACTIVATE);
    return true;
}

LRESULT CMainPage::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog();
            SetUp();
            return 1;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_SIZE:
            DefaultHandling();
            Layout(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wParam), lParam); return 0;
        case WM_INITMENUPOPUP:
            GetApp()->OnMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam) != 0);
            return 0;
        default: return CWnd::HandleMessage(window, message, wParam, lParam);
    }
}

bool CMainPage::HandleCommand(UINT commandId, UINT notifyCode, HWND) {
    switch (commandId) {
        case IDC_PORT:
            // Connect follows what is chosen now: another entry, or text typed instead.
            if (notifyCode == CBN_SELCHANGE || notifyCode == CBN_EDITCHANGE)
                ApplyEnableRules();
            return true;
        case IDC_PLAN_KIND:
            if (notifyCode == CBN_SELCHANGE)
                OnPlanKindChanged();
            return true;
        case ID_REPORTS_FOLDER: ChooseReportsFolder(); return true;
        case IDC_CONNECT: Connect(); return true;
        case IDC_DISCONNECT: Disconnect(); return true;
        case IDC_START: StartTest(); return true;
        case IDC_STOP: StopTest(); return true;
        case ID_SEARCH_ALL_PORTS: ToggleSearchAll(); return true;
        case ID_RESCAN: Rescan(); return true;
        case ID_ADD_READER: host_.AddReader(); return true;
        case ID_SAVE_REPORT: SaveReport(); return true;
        case ID_LOG_COPY: SendMessageW(log.hwnd, WM_COPY, 0, 0); return true;
        case ID_LOG_SELECT_ALL: SendMessageW(log.hwnd, EM_SETSEL, 0, -1); return true;
        default: return false;
    }
}

void CMainPage::SetUp() {
    // An enabled, borderless control parent inside the main window.
    SetWindowLongW(
        hwnd, GWL_STYLE,
        (GetWindowLongW(hwnd, GWL_STYLE) & ~(WS_CAPTION | WS_DISABLED)) | WS_CLIPSIBLINGS | DS_CONTROL);
    SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    portBox.hwnd = GetDlgItem(hwnd, IDC_PORT);
    blockBox.hwnd = GetDlgItem(hwnd, IDC_BLOCK);
    ConfigureKeyEdit();
    log.Attach(GetDlgItem(hwnd, IDC_LOG));
    chart.Attach(GetDlgItem(hwnd, IDC_CHART));
    // The default limit (32K units) would silently stop the log; the page trims it itself.
    SendMessageW(log.hwnd, EM_SETLIMITTEXT, 2 * kLogLimit, 0);
    if (first_)
        reader = settings_.FirstReader();
    LoadTemplate();
    KeepDialogFromRescaling(hwnd);
    ApplyDpi(dpi_);
    FillPortList();
    FillBlockBox();
    FillPlanBox();
    LoadControls();
    LoadPlan();
    ApplyEnableRules();
    RefreshStatus();
    // Tests a crash, a power cut or a kill ended become reports, and the log says where: once,
    // on the first reader's page, which the window makes at its start.
    UseReportsFolder();
    if (first_)
        AppendLogLines(RecoverJournals(reportFolder, *zone));
}

void CMainPage::LoadTemplate() {
    template_.reset();
    templateControls_.clear();
    HINSTANCE module = ModuleHolding(IDD_MAIN, RT_DIALOG);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return;
    template_ = ParseDialogTemplate(static_cast<const uint8_t*>(bytes), SizeofResource(module, found));
    if (!template_)
        return;
    // The dialog manager made the controls in the template's order, each below the ones before;
    // labels share the id -1, so the order is what ties a window to its item.
    HWND child = GetWindow(hwnd, GW_CHILD);
    for (const DialogTemplateItem& item : template_->items) {
        const bool same = child && static_cast<WORD>(GetDlgCtrlID(child)) == static_cast<WORD>(item.id);
        templateControls_.push_back({item, same ? child : nullptr});
        if (same)
            child = GetWindow(child, GW_HWNDNEXT);
    }
}

void CMainPage::ConfigureKeyEdit() {
    CMaskedEditModel& key = keyEdit.model;
    key.mask = kKeyMask;
    key.inputTemplate = kKeyTemplate;
    key.templateChar = L'_';
    key.value = kKeyTemplate;
    key.validChars = kKeyDigits;
    keyEdit.Attach(GetDlgItem(hwnd, IDC_KEY));
}

void CMainPage::Layout(int width, int height) {
    if (!layoutParent || layout.empty())
        return;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(layout.size()));
    const int scrollX = GetScrollPos(layoutParent, SB_HORZ);
    const int scrollY = GetScrollPos(layoutParent, SB_VERT);
    std::vector<RECT> groupAreas;  // before and after, in page client coordinates
    for (const LayoutEntry& entry : layout) {
        const LayoutRect r =
            AnchoredRect(entry.initial, entry.anchors, initialClient, width, height, scrollX, scrollY);
        if (entry.controlId == IDC_CARD_GROUP || entry.controlId == IDC_TEST_GROUP) {
            RECT before{};
            GetWindowRect(entry.control, &before);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&before), 2);
            groupAreas.push_back(before);
            groupAreas.push_back({r.left, r.top, r.right, r.bottom});
        }
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (entry.anchors & kAnchorNoCopyBits)
            flags |= SWP_NOCOPYBITS;
        if (batch) {
            batch = DeferWindowPos(batch, entry.control, nullptr, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, flags);
        } else {
            SetWindowPos(entry.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
        }
    }
    if (batch)
        EndDeferWindowPos(batch);
    // Group boxes are drawn through: without the page repainted under them their old edges stay.
    // Only there: erasing the whole page on every step of a resize made it flicker.
    for (const RECT& area : groupAreas) InvalidateRect(hwnd, &area, TRUE);
}

void CMainPage::FillBlockBox() {
    SendMessageW(blockBox.hwnd, CB_RESETCONTENT, 0, 0);
    for (int block = 0; block < kClassicBlockCount; ++block) {
        const std::wstring item = BlockItemText(block);
        SendMessageW(blockBox.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(blockBox.hwnd, CB_SETCURSEL, static_cast<WPARAM>(ShownBlock(reader.block)), 0);
}

void CMainPage::OnDestroy() {
    KillRefreshTimer();
    log.Unsubclass();
    log.hwnd = nullptr;
    chart.Unsubclass();
    chart.hwnd = nullptr;
    keyEdit.Unsubclass();
    keyEdit.hwnd = nullptr;
    portBox.hwnd = nullptr;
    blockBox.hwnd = nullptr;
    layoutParent = nullptr;
}

void CMainPage::ApplyEnableRules() {
    PageState state;
    state.connectionActive = panel.Worker().IsRunning();
    state.connectionEnding = panel.Worker().IsEnding();
    state.testRunning = panel.Worker().TestRunning();
    const int selected = SelectedPortIndex();
    state.portItemSelected = selected >= 0;
    state.selectedModel = selected >= 0 ? ports[static_cast<size_t>(selected)].model : 0;
    state.portTakenElsewhere = host_.PortTakenElsewhere(*this, ChosenPortName());
    const PageEnables enables = EnablesFor(state);
    const struct {
        int id;
        bool enabled;
    } controls[] = {
        {IDC_CONNECT, enables.connect},
        {IDC_PORT, enables.portBox},
        {IDC_DISCONNECT, enables.disconnect},
        {IDC_START, enables.start},
        {IDC_STOP, enables.stop},
        {IDC_BLOCK, enables.testSettings},
        {IDC_KEY, enables.testSettings},
        {IDC_KEY_A, enables.testSettings},
        {IDC_KEY_B, enables.testSettings},
        {IDC_PLAN_KIND, enables.testSettings},
        {IDC_PLAN_VALUE, enables.testSettings && PlanHasValue()},
    };
    for (const auto& control : controls) EnableWindow(GetDlgItem(hwnd, control.id), control.enabled);
}

void CMainPage::OnContextMenu(HWND window, LPARAM lParam) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    if (GetGUIThreadInfo(GetCurrentThreadId(), &thread) &&
        (thread.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE)))
        return;
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (window == log.hwnd && log.hwnd) {
        ShowLogMenu(point);
        return;
    }
    RECT label{};
    HWND labelWindow = GetDlgItem(hwnd, IDC_PORT_LABEL);
    if (window != hwnd || !labelWindow || !GetWindowRect(labelWindow, &label) || !PtInRect(&label, point)) {
        DefaultHandling();
        return;
    }
    CMenuHolder menu(LoadMenuW(ModuleHolding(IDR_PORT_MENU, RT_MENU), MAKEINTRESOURCEW(IDR_PORT_MENU)));
    HMENU popup = menu.Get() ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup)
        return;
    CheckMenuItem(popup, ID_SEARCH_ALL_PORTS,
                  MF_BYCOMMAND | (settings_.allPorts ? MF_CHECKED : MF_UNCHECKED));
    std::wstring addReader;
    LoadResourceString(kTextAddReader, addReader);
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING | (host_.CanAddReader() ? 0 : MF_GRAYED), ID_ADD_READER, addReader.c_str());
    SetForegroundWindow(hwnd);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd, nullptr);
}

void CMainPage::OnTimer(WPARAM) {
    try {
        RefreshStatus();
    } catch (const std::exception&) {
        // Failing again every 333 ms would help nobody.
        KillRefreshTimer();
    }
}

void CMainPage::KillRefreshTimer() {
    refreshTimerRunning = false;  // the window's timer goes once no page wants it
}

void CMainPage::Connect() {
    const std::wstring name = ChosenPortName();
    if (name.empty())
        return;
    // Two pages on one port would fight over it; the box shows the port as in use.
    if (host_.PortTakenElsewhere(*this, name)) {
        std::wstring text;
        AppendFormatResource(text, kTextPortTakenElsewhere, name.c_str());
        ShowErrorBox(text, hwnd);
        return;
    }
    panel.port = name;
    panel.Worker().Start(name);
    ApplyEnableRules();
    host_.ConnectionChanged();
}

void CMainPage::Disconnect() {
    // The worker switches the reader off and closes the port on its own: that can take a second
    // with a device that does not answer, and the window must not freeze meanwhile.
    panel.Worker().RequestStop();
    RefreshCardLine();
    ApplyEnableRules();
    host_.ConnectionChanged();
}

void CMainPage::OnConnectionEnded() {
    ApplyEnableRules();
    host_.ConnectionChanged();
}

void CMainPage::StartTest() {
    StoreControls();
    if (!panel.keyValid) {
        std::wstring text;
        LoadResourceString(kTextInvalidKey, text);
        ShowErrorBox(text, hwnd);
        SetFocus(keyEdit.hwnd);
        return;
    }
    if (!ReadPlan(true))
        return;
    // Each test starts with an empty log, so its lines are the ones shown.
    SetWindowTextW(log.hwnd, L"");
    ShowVerdict({});
    TestParameters test;
    test.block = reader.block;
    test.key = reader.authKey;
    test.useKeyB = reader.keyB;
    test.useReaderKeys = reader.useReaderKeys;
    UseReportsFolder();
    AppendLogLines(panel.StartTest(test, reader.plan));
    ApplyEnableRules();
    refreshTimerRunning = true;
    host_.RefreshTicksWanted();
}

void CMainPage::StopTest() {
    KillRefreshTimer();
    panel.Worker().StopTest();
    RefreshStatus();  // the figures as the test ended, and its report
    ApplyEnableRules();
}

void CMainPage::TestEnded() {
    // Its plan ended it, or Stop: the page is as after Stop either way.
    KillRefreshTimer();
    ApplyEnableRules();
}

void CMainPage::ToggleSearchAll() {
    settings_.allPorts = !settings_.allPorts;
    settings_.modified = true;
    search_.SetSearchAll(settings_.allPorts);
}

void CMainPage::Rescan() {
    search_.Rescan();
    FillPortList();
}
