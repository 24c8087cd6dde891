#include "search/search_thread_win32.h"

#include "reader/platform_win32.h"
#include "search/message_wait_win32.h"
#include "search/notify_window_win32.h"

CSearchThread::CSearchThread() : search_({Win32Platform(), setupApi_, opener_}) {}

CSearchThread::CSearchThread(IPortEnumerator& enumerator) : search_({Win32Platform(), enumerator, opener_}) {}

CSearchThread::~CSearchThread() {
    Stop();
}

void CSearchThread::Start() {
    if (thread_.joinable())
        return;
    // SetupAPI may have been loaded since the last start; its property call is optional.
    setupApi_.RefreshPropertyCall();
    search_.onPortsChanged = onPortsChanged;
    search_.Begin();
    ended_ = false;
    thread_ = std::thread([this] {
        WorkerMain();
        ended_ = true;
        if (onEnded)
            onEnded();
    });
}

void CSearchThread::Stop() {
    if (!thread_.joinable())
        return;
    search_.RequestStop();
    thread_.join();
}

void CSearchThread::WorkerMain() {
    // The window lives on this thread so that this thread's pump serves it; it goes when the
    // loop ends.
    CDeviceNotifyWindow window;
    window.Create(search_);  // without it the search still rescans when asked
    CMessageWait wait;
    try {
        while (search_.RunPass(wait)) {
        }
    } catch (...) {
        // Nothing but standard exceptions is thrown in a pass, and RunPass takes those.
    }
}
