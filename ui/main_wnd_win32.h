// The program's one top-level window: it hosts the main page, owns the port search and the
// reader's worker, routes their notifications to the panel of the worker that sent them, restores and saves its position, offers the about box in
// its system menu and, on close, stops the workers and saves the settings. Once a further reader
// is added, tabs above the pages switch between the readers' pages (each with its own worker)
// and the overview of all of them; with one reader there are no tabs and the window is as ever.
// User-interface thread only; the workers reach it by posting WM_THREAD_NOTIFY.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "reader/reader_worker.h"
#include "search/search_thread_win32.h"
#include "settings/app_settings.h"
#include "ui/framework/window_win32.h"
#include "reader/platform_win32.h"
#include "ui/main_page_win32.h"
#include "ui/overview_page_win32.h"
#include "ui/page_geometry.h"

// Posted by the workers' callbacks; wParam tells what changed, lParam which reader worker sent
// it (its id; 0 for the port search).
inline constexpr UINT WM_THREAD_NOTIFY = WM_USER + 1;
inline constexpr WPARAM NOTIFY_PORTS = 1;
inline constexpr WPARAM NOTIFY_STATE = 2;
inline constexpr WPARAM NOTIFY_CARD = 3;
inline constexpr WPARAM NOTIFY_ENDED = 4;  // a worker has ended

class CMainWnd : public CWnd, private IReaderPageHost, private IOverviewHost {
public:
    explicit CMainWnd(CAppSettings& settings);
    // Lists the ports the enumerator reports instead of the machine's (tests).
    CMainWnd(CAppSettings& settings, IPortEnumerator& ports);
    ~CMainWnd() override;

    bool PreTranslate(MSG& message) override;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleNotify(WPARAM controlId, NMHDR* header, LRESULT* result) override;
    bool HandleCommand(UINT commandId, UINT notifyCode, HWND control) override;

    // The least window size at 96 DPI; at other scales it grows with the DPI, and the page may
    // ask for more.
    static constexpr int kFloorWidth = 500;
    static constexpr int kFloorHeight = 400;

    UINT Dpi() const { return dpi_; }
    // Window sizes at the current DPI: the least one (also the least the user can drag it to)
    // and the one of a first start.
    LayoutSize MinimumWindowSize() const;
    LayoutSize FirstStartWindowSize() const;

    HWND savedFocus = nullptr;  // the control that had the focus when the window was deactivated
    // The reader's id in its notices; a second reader would be a second worker with its own id
    // and a page (panel) of its own.
    static constexpr uint32_t kReaderId = 1;
    CMainPage page;
    CSearchThread search;
    CReaderWorker connection;

    // A reader after the first: its worker and its page.
    struct ExtraReader {
        ExtraReader(CAppSettings& settings, CSearchThread& search, IReaderPageHost& host, uint32_t id)
            : worker(Win32Platform(), id), page(settings, worker, search, host, false) {}
        CReaderWorker worker;
        CMainPage page;  // declared after its worker, so it goes first
    };
    std::vector<std::unique_ptr<ExtraReader>> moreReaders;  // the open pages after the first, in tab order
    // Closed pages' readers still switching off; each goes at its worker's NOTIFY_ENDED.
    std::vector<std::unique_ptr<ExtraReader>> closingReaders;
    COverviewPage overview;
    HWND tabs = nullptr;  // above the pages once there is more than one reader; null before

    // Every reader's page, the first one first.
    std::vector<CMainPage*> ReaderPages();
    // Adds a page for a further reader with these values and shows it; false at the limit.
    bool AddReaderPage(const ReaderSettings& values, bool show = true);
    // Closes a further reader's page (index 1 on); its reader switches off and goes at its end.
    void CloseReaderPage(size_t index);
    // The tab shown: a reader's page (0 is the first reader) or, after them, the overview.
    size_t ShownTab() const { return shownTab_; }
    void ShowTab(size_t index);

private:
    LRESULT OnCreate();
    void AddAboutItem();
    void PlaceWindow();
    void PlaceAtCurrentDpi();
    void OnDpiChanged(WPARAM wParam, const RECT& suggested);
    LayoutSize WindowSizeFor(LayoutSize client) const;
    void InstallCallbacks();
    void InstallReaderCallbacks(CReaderWorker& worker);
    void OnActivate(WPARAM wParam);
    void OnThreadNotify(WPARAM what, LPARAM source);
    void OnRefreshTick();
    // IReaderPageHost
    void RefreshTicksWanted() override;
    bool PortTakenElsewhere(const CMainPage& asking, const std::wstring& port) const override;
    void ConnectionChanged() override;
    void AddReader() override;
    bool CanAddReader() const override;
    // IOverviewHost
    std::vector<CMainPage*> OverviewPages() override { return ReaderPages(); }
    void OpenReaderPage(size_t index) override { ShowTab(index); }
    void CreateTabs();
    void UpdateTabs();  // the tabs' labels, made or removed to match the pages
    int TabStripHeight() const;
    void LayoutPages();
    void ShowTabMenu(POINT point);
    CMainPage* PageOfWorker(uintptr_t workerId);
    bool OnReaderEnded(uintptr_t workerId);
    void StartMoreReaders();
    // Asks the workers to stop and saves the settings, once; a failed save is shown unless the
    // session is ending. The window goes once both workers have ended (WM_CLOSE, NOTIFY_ENDED):
    // closing ports can take a second, and the window keeps answering meanwhile. When the session
    // ends the workers are waited for here, since the process ends right after.
    void ShutDown(bool sessionEnding = false);
    bool WorkersEnded() const;
    void RequestReadersStop(bool wait);
    void StorePosition();

    CAppSettings& settings_;
    // Where the workers post; read on their threads, cleared before the window goes.
    std::atomic<HWND> notifyTarget_{nullptr};
    bool shutDown_ = false;
    bool closePending_ = false;  // closed while a worker was still ending: it goes at NOTIFY_ENDED
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;  // the window's DPI, as the system last reported it
    bool placing_ = false;                // PlaceWindow is under way: a DPI change keeps the stored size
    size_t shownTab_ = 0;
    uint32_t nextReaderId_ = kReaderId + 1;  // every worker's id is new, so late notices find no one
    bool ticking_ = false;                   // the refresh timer runs
};
