// The page's test plan beside Start, the verdict of a test its plan ended, and the reports folder
// the page's reader keeps its journal and reports in.
#include <shlobj.h>

#include <string>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "ui/framework/error_box_win32.h"
#include "ui/main_page_win32.h"
#include "ui/resource_ids.h"

namespace {

// By PlanKind, which is also the box's item order.
constexpr unsigned kPlanKindTexts[] = {kTextPlanUntilStopped, kTextPlanCycles, kTextPlanDuration, kTextPlanFirstError,
                                       kTextPlanErrors};

bool HasValue(PlanKind kind) {
    return kind == PlanKind::kCycles || kind == PlanKind::kDuration || kind == PlanKind::kErrors;
}

// What the user is told when the value cannot be a plan's: the kind's range.
std::wstring BadValueText(PlanKind kind) {
    std::wstring text;
    switch (kind) {
        case PlanKind::kCycles:
            FormatResourceString(text, kTextPlanBadCycles, std::to_wstring(kMostPlanCycles).c_str());
            break;
        case PlanKind::kErrors:
            FormatResourceString(text, kTextPlanBadErrors, std::to_wstring(kMostPlanErrors).c_str());
            break;
        default: {
            TestPlan most;
            most.kind = PlanKind::kDuration;
            most.minutes = kMostPlanMinutes;
            FormatResourceString(text, kTextPlanBadDuration, PlanValueText(most).c_str());
            break;
        }
    }
    return text;
}

}  // namespace

void CMainPage::FillPlanBox() {
    HWND box = GetDlgItem(hwnd, IDC_PLAN_KIND);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (unsigned id : kPlanKindTexts) {
        std::wstring text;
        LoadResourceString(id, text);
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(GetDlgItem(hwnd, IDC_PLAN_VALUE), EM_LIMITTEXT, 12, 0);
}

void CMainPage::LoadPlan() {
    plan_ = reader.plan;
    SendMessageW(GetDlgItem(hwnd, IDC_PLAN_KIND), CB_SETCURSEL, static_cast<WPARAM>(plan_.kind), 0);
    SetDlgItemTextW(hwnd, IDC_PLAN_VALUE, PlanValueText(plan_).c_str());
}

bool CMainPage::ReadPlan(bool tell) {
    const LRESULT kind = SendMessageW(GetDlgItem(hwnd, IDC_PLAN_KIND), CB_GETCURSEL, 0, 0);
    if (kind >= 0 && kind < kPlanKindCount)
        plan_.kind = static_cast<PlanKind>(kind);
    wchar_t text[32] = {};
    GetDlgItemTextW(hwnd, IDC_PLAN_VALUE, text, 32);
    const auto value = ParsePlanValue(plan_.kind, text);
    if (!value) {
        if (tell) {
            ShowErrorBox(BadValueText(plan_.kind), hwnd);
            SetFocus(GetDlgItem(hwnd, IDC_PLAN_VALUE));
        }
        return false;
    }
    SetPlanValue(plan_, *value);
    reader.plan = plan_;
    // The other pages' plans are gathered by the main window when it saves.
    if (first_)
        settings_.SetFirstReader(reader);
    return true;
}

void CMainPage::OnPlanKindChanged() {
    // The value typed for the kind before is kept with it when it is one.
    wchar_t text[32] = {};
    GetDlgItemTextW(hwnd, IDC_PLAN_VALUE, text, 32);
    if (const auto value = ParsePlanValue(plan_.kind, text))
        SetPlanValue(plan_, *value);
    const LRESULT kind = SendMessageW(GetDlgItem(hwnd, IDC_PLAN_KIND), CB_GETCURSEL, 0, 0);
    if (kind >= 0 && kind < kPlanKindCount)
        plan_.kind = static_cast<PlanKind>(kind);
    SetDlgItemTextW(hwnd, IDC_PLAN_VALUE, PlanValueText(plan_).c_str());
    ApplyEnableRules();
}

bool CMainPage::PlanHasValue() const {
    return HasValue(plan_.kind);
}

void CMainPage::ShowVerdict(const std::wstring& verdict) {
    SetDlgItemTextW(hwnd, IDC_VERDICT, verdict.c_str());
}

void CMainPage::UseReportsFolder() {
    reportFolder.folder = settings_.reportsFolder.empty() ? DefaultReportsFolder() : settings_.reportsFolder;
}

void CMainPage::ChooseReportsFolder() {
    std::wstring title;
    LoadResourceString(kTextReportsFolderTitle, title);
    BROWSEINFOW browse{};
    browse.hwndOwner = hwnd;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen)
        return;
    wchar_t path[MAX_PATH] = {};
    const bool named = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (!named || path[0] == L'\0' || settings_.reportsFolder == path)
        return;
    settings_.reportsFolder = path;
    settings_.modified = true;
    // A running test keeps its journal where it began; its report and the next test go here.
    UseReportsFolder();
}
