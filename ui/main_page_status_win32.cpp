// The page's views of its reader: state, counters and log, and the card line.
#include <string>
#include <vector>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/local_time.h"
#include "ui/log_trim.h"
#include "ui/main_page_win32.h"
#include "ui/page_texts.h"
#include "ui/resource_ids.h"

void CMainPage::RefreshStatus() {
    const CReaderPanel::View view = panel.Refresh();
    SetDlgItemTextW(hwnd, IDC_STATE, view.state.c_str());
    SetDlgItemInt(hwnd, IDC_WRITTEN, static_cast<UINT>(view.written), FALSE);
    SetDlgItemInt(hwnd, IDC_ERRORS, static_cast<UINT>(view.errors), FALSE);
    ShowFigures(view.figures);
    if (view.figures.started)
        chart.Show(panel.Worker().ReadSeries());
    AppendLogLines(view.lines);
    if (view.testEnded) {
        if (!view.verdict.empty())
            ShowVerdict(view.verdict);
        TestEnded();
    }
}

void CMainPage::ShowFigures(const TestFigures& figures) {
    if (!figures.started)
        return;  // the strip stays empty until the first test
    panel.testStarted = true;
    SetDlgItemTextW(hwnd, IDC_ELAPSED, DurationText(figures.elapsedMs).c_str());
    std::wstring rate;
    FormatResourceString(rate, kTextRateFormat, figures.rate);
    SetDlgItemTextW(hwnd, IDC_RATE, rate.c_str());
}

void CMainPage::AppendLogLines(const std::vector<std::wstring>& lines) {
    if (lines.empty() || !log.hwnd)
        return;
    // One replacement per refresh: the edit control re-lays out its text on every change, so a
    // change per line would cost a busy test most of the user-interface thread's time.
    std::wstring text;
    for (const std::wstring& line : lines) {
        text += line;
        text += L"\r\n";
    }
    text.erase(0, LogTrimLength(text, 0, kLogKeep, kLogKeep));  // a batch larger than the log keeps
    const auto length = static_cast<size_t>(GetWindowTextLengthW(log.hwnd));
    if (length + text.size() > kLogLimit) {
        std::wstring current;
        log.GetText(current);
        const size_t cut = LogTrimLength(current, text.size());
        SendMessageW(log.hwnd, EM_SETSEL, 0, static_cast<LPARAM>(cut));
        SendMessageW(log.hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    const LRESULT end = GetWindowTextLengthW(log.hwnd);
    SendMessageW(log.hwnd, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(log.hwnd, EM_SCROLLCARET, 0, 0);
    SendMessageW(log.hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    const LRESULT lineCount = SendMessageW(log.hwnd, EM_GETLINECOUNT, 0, 0);
    SendMessageW(log.hwnd, EM_LINESCROLL, 0, lineCount);
}

void CMainPage::RefreshCardLine() {
    // A stopped connection knows no card, whatever its last record said.
    const CardInfo card = panel.Worker().IsRunning() ? panel.Worker().ReadCard() : CardInfo{};
    SetDlgItemTextW(hwnd, IDC_CARD, CardLineText(card).c_str());
}
