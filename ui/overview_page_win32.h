// The "All readers" page: one list row per reader (port, reader, card, state, counters, rate,
// elapsed time), Start all and Stop all, a double click opening that reader's page, and the
// station report in the list's menu. It reads the pages' panels as their last refresh left them;
// the main window refreshes it on its one timer, changing only cells that changed, so the
// selection and scroll position stay. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/framework/window_win32.h"

class CMainPage;

class IOverviewHost {
public:
    virtual ~IOverviewHost() = default;
    virtual std::vector<CMainPage*> OverviewPages() = 0;  // every reader's page, in tab order
    virtual void OpenReaderPage(size_t index) = 0;
};

class COverviewPage : public CDialog {
public:
    explicit COverviewPage(IOverviewHost& host) : host_(host) {}
    ~COverviewPage() override;

    bool CreatePage(HWND parent);
    // The font of the readers' pages and the DPI it is for.
    void ApplyFont(HFONT font, UINT dpi);
    void Refresh();
    // Writes the station report; on failure the user is told why and false comes back.
    bool SaveStationReportTo(const std::wstring& path);

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleCommand(UINT commandId, UINT notifyCode, HWND control) override;
    bool HandleNotify(WPARAM controlId, NMHDR* header, LRESULT* result) override;

    HWND list = nullptr;

private:
    void CreateControls();
    void Layout(int width, int height);
    void ShowListMenu(POINT point);
    void StartAll();
    void StopAll();

    IOverviewHost& host_;
    HWND startAll_ = nullptr;
    HWND stopAll_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};
