// The program's one top-level window: it hosts the main page, owns the port search and the
// reader's worker, routes their notifications to the panel of the worker that sent them, restores and saves its position, offers the about box in
// its system menu and, on close, stops the workers and saves the settings.
// User-interface thread only; the workers reach it by posting WM_THREAD_NOTIFY.
#pragma once

#include <windows.h>

#include <atomic>

#include "reader/reader_worker.h"
#include "search/search_thread_win32.h"
#include "settings/app_settings.h"
#include "ui/framework/window_win32.h"
#include "ui/main_page_win32.h"
#include "ui/page_geometry.h"

// Posted by the workers' callbacks; wParam tells what changed, lParam which reader worker sent
// it (its id; 0 for the port search).
inline constexpr UINT WM_THREAD_NOTIFY = WM_USER + 1;
inline constexpr WPARAM NOTIFY_PORTS = 1;
inline constexpr WPARAM NOTIFY_STATE = 2;
inline constexpr WPARAM NOTIFY_CARD = 3;
inline constexpr WPARAM NOTIFY_ENDED = 4;  // a worker has ended

class CMainWnd : public CWnd {
public:
    explicit CMainWnd(CAppSettings& settings);
    // Lists the ports the enumerator reports instead of the machine's (tests).
    CMainWnd(CAppSettings& settings, IPortEnumerator& ports);
    ~CMainWnd() override;

    bool PreTranslate(MSG& message) override;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

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

private:
    LRESULT OnCreate();
    void AddAboutItem();
    void PlaceWindow();
    void PlaceAtCurrentDpi();
    void OnDpiChanged(WPARAM wParam, const RECT& suggested);
    LayoutSize WindowSizeFor(LayoutSize client) const;
    void InstallCallbacks();
    void OnActivate(WPARAM wParam);
    void OnThreadNotify(WPARAM what, LPARAM source);
    // Asks the workers to stop and saves the settings, once; a failed save is shown unless the
    // session is ending. The window goes once both workers have ended (WM_CLOSE, NOTIFY_ENDED):
    // closing ports can take a second, and the window keeps answering meanwhile. When the session
    // ends the workers are waited for here, since the process ends right after.
    void ShutDown(bool sessionEnding = false);
    bool WorkersEnded() const { return search.HasEnded() && connection.HasEnded(); }
    void StorePosition();

    CAppSettings& settings_;
    // Where the workers post; read on their threads, cleared before the window goes.
    std::atomic<HWND> notifyTarget_{nullptr};
    bool shutDown_ = false;
    bool closePending_ = false;  // closed while a worker was still ending: it goes at NOTIFY_ENDED
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;  // the window's DPI, as the system last reported it
    bool placing_ = false;                // PlaceWindow is under way: a DPI change keeps the stored size
};
