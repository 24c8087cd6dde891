// One reader on its own thread: a session (reader_session.h) running its loop there, the port
// and events it works with, and the shared side (reader_shared.h) that publishes what it did.
// It tells its owner about state and card changes and its own end through callbacks, each
// with nothing but the worker's id to say where it came from.
//
// Threads: the user-interface thread calls Start, Stop, RequestStop, the test orders and the
// reads; the callbacks run on the worker's thread, without any lock. The shared side guards its
// data with its own lock; the session and the port are the worker thread's alone while it runs,
// and the owner's before Start and after the thread ended. `ended` and `active` are atomics
// written as noted beside them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "reader/platform.h"
#include "reader/reader_session.h"
#include "reader/reader_shared.h"

class CReaderWorker {
public:
    // id: what the callbacks' owner is told the notices come from (never 0).
    explicit CReaderWorker(IPlatform& platform, uint32_t id = 1, const RdLinkConstants& link = kReaderLink,
                           const ConnectSchedule& schedule = {});
    ~CReaderWorker();
    CReaderWorker(const CReaderWorker&) = delete;
    CReaderWorker& operator=(const CReaderWorker&) = delete;

    uint32_t Id() const { return id_; }

    // Starts the worker on `name` unless one runs or is still ending (a worker that has ended is
    // joined first). Throws std::system_error when an event or the thread cannot be made.
    void Start(const std::wstring& name);
    // Stops the worker (switching the reader's link off when connected) and waits for it.
    void Stop();
    // Clears running and wakes the worker, which switches the link off, closes the port and
    // ends on its own (then onEnded); Stop joins it. The user interface asks this way and never
    // waits: a port's close may take a second.
    void RequestStop();
    // Started and not asked to stop.
    bool IsRunning() const { return active_; }
    // Asked to stop, and still switching off or closing.
    bool IsEnding() const { return !active_ && thread_.joinable() && !ended_; }
    // No worker, or one that has ended (so joining it takes no time).
    bool HasEnded() const { return !thread_.joinable() || ended_; }

    void StartTest(const TestParameters& parameters, const TestPlan& plan = {}, bool journal = false);
    void StopTest() { shared_.EndTest(); }
    bool TestRunning() { return shared_.TestRunning(); }

    ReaderSnapshot ReadStatus() { return shared_.Read(); }
    int32_t ReadState() { return shared_.ReadState(); }
    CardInfo ReadCard() { return shared_.ReadCard(); }
    ReaderIdentity ReadIdentity() { return shared_.ReadIdentity(); }
    CTestRecord ReadRecord() { return shared_.ReadRecord(); }
    SeriesSnapshot ReadSeries() { return shared_.ReadSeries(); }
    CTestRecord ReadFigures() { return shared_.ReadFigures(); }
    JournalFeed TakeJournal(size_t cardsTaken) { return shared_.TakeJournal(cardsTaken); }

    // Installed before Start; called on the worker without any lock.
    std::function<void()> onStateChanged;
    std::function<void()> onCardChanged;
    std::function<void()> onEnded;  // the worker's last act: its port is closed

private:
    const uint32_t id_;
    CReaderShared shared_;
    CReaderSession session_;  // makes and owns the port and its events
    std::thread thread_;
    std::atomic<bool> ended_{false};   // set by the worker as it ends; cleared by Start
    std::atomic<bool> active_{false};  // set by Start, cleared by RequestStop (user-interface thread)
};
