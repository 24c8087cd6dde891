#include "ui/report_file_win32.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "foundation/catalogue.h"
#include "foundation/errors.h"
#include "foundation/text_ids.h"
#include "settings/settings_file_win32.h"
#include "ui/framework/error_box_win32.h"

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

}  // namespace

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

bool WriteReportFile(HWND owner, const std::wstring& path, const std::wstring& text) {
    try {
        // Written beside the chosen name and renamed over it: a failure leaves no partial report.
        ReplaceWholeFile(path, text);
        return true;
    } catch (const CFileException& error) {
        std::wstring message = Text(kTextReportNotSaved) + L"\n\n";
        AppendFormatResource(message, kTextFileCauseBase + static_cast<unsigned>(error.cause), path.c_str());
        ShowErrorBox(message, owner);
    } catch (const std::bad_alloc&) {
        ShowErrorBox(Text(kTextReportNotSaved), owner);
    }
    return false;
}
