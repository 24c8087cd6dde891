// The log's context menu and the saved test report: the Save As dialog, the file and the
// message when it cannot be written.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/errors.h"
#include "foundation/local_time.h"
#include "settings/settings_file_win32.h"
#include "ui/framework/error_box_win32.h"
#include "ui/main_page_win32.h"
#include "ui/menu_holder_win32.h"
#include "ui/report_file_win32.h"
#include "ui/resource_ids.h"
#include "ui/test_report.h"
#include "ui/test_summary.h"

namespace {


std::wstring Text(unsigned id) {
    return ProgramCatalogue().Text(id);
}

}  // namespace

void CMainPage::ShowLogMenu(POINT point) {
    if (point.x == -1 && point.y == -1) {  // the menu key: under the log's top left corner
        RECT r{};
        GetWindowRect(log.hwnd, &r);
        point = {r.left + 8, r.top + 8};
    }
    CMenuHolder menu(CreatePopupMenu());
    if (!menu.Get())
        return;
    DWORD selectionStart = 0, selectionEnd = 0;
    SendMessageW(log.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                 reinterpret_cast<LPARAM>(&selectionEnd));
    AppendMenuW(menu.Get(), MF_STRING | (selectionEnd > selectionStart ? 0 : MF_GRAYED), ID_LOG_COPY,
                Text(kTextCopy).c_str());
    AppendMenuW(menu.Get(), MF_STRING, ID_LOG_SELECT_ALL, Text(kTextSelectAll).c_str());
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Get(), MF_STRING | (panel.testStarted ? 0 : MF_GRAYED), ID_SAVE_REPORT, Text(kTextSaveReport).c_str());
    AppendMenuW(menu.Get(), MF_STRING, ID_REPORTS_FOLDER, Text(kTextReportsFolderItem).c_str());
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd, nullptr);
}

void CMainPage::SaveReport() {
    const CTestRecord record = panel.Worker().ReadRecord();
    if (!record.started)
        return;
    const std::wstring path = AskReportPath(hwnd, DefaultReportName(record.setup.port, CurrentLocalTime()));
    if (!path.empty())
        SaveReportTo(path);
}

bool CMainPage::SaveReportTo(const std::wstring& path) {
    RefreshStatus();  // the log lines and link trouble up to now
    const CTestRecord record = panel.Worker().ReadRecord();
    if (!record.started)
        return false;
    // The summary beside it, once the report itself is there.
    return WriteReportFile(hwnd, path, TestReportText(record, panel.lastTrouble, *zone)) &&
           WriteReportFile(hwnd, SummaryNameFor(path), TestSummaryText(record, panel.lastTrouble));
}
