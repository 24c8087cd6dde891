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
#include "ui/resource_ids.h"
#include "ui/test_report.h"
#include "ui/test_summary.h"

namespace {


std::wstring Text(unsigned id) {
    return ProgramCatalogue().Text(id);
}

std::wstring DocumentsFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    return folder;
}

// The chosen file's full name, or "" when the user cancelled.
std::wstring AskReportPath(HWND owner, const std::wstring& defaultName) {
    // The filter holds its own nulls: "Text files (*.txt)\0*.txt\0\0".
    std::wstring filter = Text(kTextTextFiles);
    filter += L'\0';
    filter += L"*.txt";
    filter += L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    defaultName.copy(file.data(), file.size() - 1);
    const std::wstring folder = DocumentsFolder();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog))
        return {};
    return file.data();
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
    try {
        // Written beside the chosen name and renamed over it: a failure leaves no partial report.
        ReplaceWholeFile(path, TestReportText(record, panel.lastTrouble, *zone));
        ReplaceWholeFile(SummaryNameFor(path), TestSummaryText(record, panel.lastTrouble));
        return true;
    } catch (const CFileException& error) {
        std::wstring text = Text(kTextReportNotSaved) + L"\n\n";
        AppendFormatResource(text, kTextFileCauseBase + static_cast<unsigned>(error.cause), path.c_str());
        ShowErrorBox(text, hwnd);
    } catch (const std::bad_alloc&) {
        ShowErrorBox(Text(kTextReportNotSaved), hwnd);
    }
    return false;
}
