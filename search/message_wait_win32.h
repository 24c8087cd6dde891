// The search worker's one wait on Windows, over its events and the messages sent to its
// notification window.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "foundation/handle_win32.h"
#include "search/search_wait.h"

// MsgWaitForMultipleObjects waking for sent messages (the device-change broadcasts), and the
// pump that delivers them. Worker thread only.
//
// The system call takes at most 63 handles (it adds the message queue itself), and the search
// keeps to that. Should a caller pass more, past 62 the rest are watched by a watcher thread
// (kept for the next wait), which sets one overflow event that takes the 63rd place. The
// watcher's wait consumes the auto-reset event it reports, so a signal it took and Wait does not
// report is put back before Wait returns.
class CMessageWait final : public ISearchWait {
public:
    static constexpr size_t kDirectLimit = MAXIMUM_WAIT_OBJECTS - 1;
    // A failed wait still waits this long (or its time-out, when shorter): the loop must not spin.
    static constexpr DWORD kFailedWaitPauseMs = 100;
    // 62 waited for directly, 63 by the watcher.
    static constexpr size_t kMaxEvents = kDirectLimit - 1 + MAXIMUM_WAIT_OBJECTS - 1;

    CMessageWait();
    ~CMessageWait() override;
    CMessageWait(const CMessageWait&) = delete;
    CMessageWait& operator=(const CMessageWait&) = delete;

    int Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) override;
    void PumpMessages() override;

private:
    void WatchTail();
    int WaitDirect(const HANDLE* handles, DWORD count, uint32_t timeoutMs);
    int WaitGrouped(const EventHandle* events, size_t count, uint32_t timeoutMs);

    MSG msg_{};
    // Made with the wait, closed with it once the watcher has ended; invalid when the system had
    // none to give (a wait beyond the direct limit then fails).
    CHandle overflow_;  // auto-reset; set by the watcher when it took a signal
    CHandle go_;        // auto-reset; starts the watcher's wait over tail_
    CHandle cancel_;    // manual-reset; ends the watcher's wait (the first of tail_)
    CHandle parked_;    // auto-reset; the watcher's wait is over
    // Handed between the worker and the watcher by the events above, never used by both at once.
    std::vector<HANDLE> tail_;
    int fired_ = -1;  // index into tail_ (after the cancel event) of the signal the watcher took
    std::atomic<bool> quit_{false};
    std::thread watcher_;
};
