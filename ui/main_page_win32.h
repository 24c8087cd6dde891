// The page that fills the main window: port choice, card line, test settings, state, counters
// and log. It shows one reader through its panel (reader_panel.h) and turns button presses into
// orders to that reader's worker and the port search, and their notifications (relayed by the
// main window) into refreshed controls. User-interface thread only; the
// workers' shared data is read under their locks, which are released before any control is
// touched.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "reader/reader_worker.h"
#include "search/port_entry.h"
#include "settings/app_settings.h"
#include "ui/anchor_layout.h"
#include "ui/dialog_template.h"
#include "ui/dpi_win32.h"
#include "ui/edit_win32.h"
#include "ui/page_geometry.h"
#include "ui/reader_panel.h"
#include "ui/test_chart_win32.h"
#include "ui/report_folder_win32.h"
#include "ui/framework/window_win32.h"

class CSearchThread;
class CMainPage;

// What a page asks of the window that holds it, which knows every reader's page.
class IReaderPageHost {
public:
    virtual ~IReaderPageHost() = default;
    // The page's test wants its figures refreshed on the window's one refresh timer.
    virtual void RefreshTicksWanted() = 0;
    // Another page's reader holds the port (connected, or still closing it).
    virtual bool PortTakenElsewhere(const CMainPage& page, const std::wstring& port) const = 0;
    // The page connected or disconnected: the other pages' port boxes show it.
    virtual void ConnectionChanged() = 0;
    // "Add reader" was chosen in the page's port menu.
    virtual void AddReader() = 0;
    virtual bool CanAddReader() const = 0;
};

class CMainPage : public CDialog {
public:
    // The references belong to the main window, which outlives the page's window.
    // first: the page of the first reader, whose values are the settings' own members; any
    // other page keeps its values in `reader`, which its owner sets before CreatePage.
    CMainPage(CAppSettings& settings, CReaderWorker& connection, CSearchThread& search,
              IReaderPageHost& host, bool first = true);
    ~CMainPage() override;

    // Creates the page from its template as a child of parent, laid out for the parent's DPI;
    // false when that failed.
    bool CreatePage(HWND parent, UINT dpi);
    // Fonts and layout for another screen scale; the log keeps its text and scroll position.
    void ApplyDpi(UINT dpi);
    UINT Dpi() const { return dpi_; }
    // The main window's client sizes this page needs at its DPI.
    const PageSizes& ClientSizes() const { return sizes_; }

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleCommand(UINT commandId, UINT notifyCode, HWND control) override;

    // What the main window calls on the workers' notifications and at close.
    void FillPortList();
    void RefreshStatus();
    void RefreshCardLine();
    // The connection's worker has ended after a Disconnect: Connect and the port box are free again.
    void OnConnectionEnded();
    void StoreControls();
    // The refresh timer's tick: the state, counters, figures and log (the main window's one timer).
    void OnTimer(WPARAM timerId);
    // Start and Stop, as their buttons do.
    void StartTest();
    void StopTest();
    // The port it is connected to, or else the one chosen or typed.
    std::wstring PortShown() const;
    // Appends the lines at the log's end, dropping its oldest lines past the log's bound.
    void AppendLogLines(const std::vector<std::wstring>& lines);
    // Shows the test's elapsed time and rate in the strip under the log.
    void ShowFigures(const TestFigures& figures);
    // Writes the current (or last) test's report to the file; on failure the user is told why
    // and false comes back. No test yet: nothing is written and false comes back.
    bool SaveReportTo(const std::wstring& path);
    // Ends a running test as Stop does, when the window closes.
    void EndTestAtClose() { StopTest(); }

    struct LayoutEntry {
        int controlId = 0;
        int anchors = 0;
        LayoutRect initial;  // page client coordinates in the template's size at the current DPI
        HWND control = nullptr;
    };

    CWnd portBox;
    CWnd blockBox;
    CMaskedEdit keyEdit;
    CFontHandle keyFont;   // fixed pitch, for the key edit at the current DPI
    CFontHandle pageFont;  // the template's font at the current DPI, on every other control
    CLogEdit log;
    CTestChart chart;  // the test over time, under the figures
    CReportFolder reportFolder;  // where this page's reader keeps its journal and reports
    std::unique_ptr<ITimeZone> zone;
    CReaderPanel panel;  // the reader this page shows
    HWND layoutParent = nullptr;
    std::vector<LayoutEntry> layout;
    LayoutRect initialClient;  // the template's client area at the current DPI
    std::vector<PortEntry> ports;  // the page's copy of the found list, in the box's item order
    bool refreshTimerRunning = false;  // the test wants the window's refresh ticks
    ReaderSettings reader;  // the reader's values as the controls last stored them

private:
    void SetUp();
    void ConfigureKeyEdit();
    void LoadTemplate();
    void CreateFonts();
    void RecordLayout();
    void MeasureSizes();
    void FillBlockBox();
    void LoadControls();
    void SelectPort(const std::wstring& name);
    void ApplyEnableRules();
    void Layout(int width, int height);
    void OnDestroy();
    void OnContextMenu(HWND window, LPARAM lParam);
    void ShowLogMenu(POINT point);
    void SaveReport();
    void Connect();
    void Disconnect();
    void ToggleSearchAll();
    void Rescan();
    std::wstring ChosenPortName() const;
    int SelectedPortIndex() const;  // -1: free text
    void KillRefreshTimer();
    // The test plan (main_page_plan_win32.cpp).
    void FillPlanBox();
    void LoadPlan();
    // Takes the plan from its controls into the settings; false when the value cannot be the
    // kind's (with tell, the user is told so and the value field gets the focus).
    bool ReadPlan(bool tell);
    void OnPlanKindChanged();
    bool PlanHasValue() const;
    void ShowVerdict(const std::wstring& verdict);
    void UseReportsFolder();
    void ChooseReportsFolder();
    void TestEnded();

    // The template's controls, each with its window (null when the page has none for it).
    struct TemplateControl {
        DialogTemplateItem item;
        HWND window = nullptr;
    };
    std::optional<DialogTemplate> template_;
    std::vector<TemplateControl> templateControls_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    BaseUnits baseUnits_;
    PageSizes sizes_;

    CAppSettings& settings_;
    CSearchThread& search_;
    IReaderPageHost& host_;
    const bool first_;
    TestPlan plan_;  // as the plan's controls show it, each kind with its last value
};
