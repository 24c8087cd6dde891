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

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "reader/connect_platform.h"
#include "reader/reader_session.h"
#include "reader/reader_shared.h"

class CReaderWorker : private IPortMaker {
public:
    // id: what the callbacks' owner is told the notices come from (never 0).
    explicit CReaderWorker(IConnectPlatform& platform, uint32_t id = 1, const RdLinkConstants& link = kReaderLink,
                           const ConnectSchedule& schedule = {});
    ~CReaderWorker() override;
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

    void StartTest(const TestParameters& parameters);
    void StopTest() { shared_.EndTest(); }
    bool TestRunning() { return shared_.TestRunning(); }

    ReaderSnapshot ReadStatus() { return shared_.Read(); }
    int32_t ReadState() { return shared_.ReadState(); }
    CardInfo ReadCard() { return shared_.ReadCard(); }
    ReaderIdentity ReadIdentity() { return shared_.ReadIdentity(); }
    CTestRecord ReadRecord() { return shared_.ReadRecord(); }

    // Installed before Start; called on the worker without any lock.
    std::function<void()> onStateChanged;
    std::function<void()> onCardChanged;
    std::function<void()> onEnded;  // the worker's last act: its port is closed

private:
    // The session's events: [0] wake/stop and [1] comm event from Start on, [2] and [3] (write
    // and read done) with the first port. Closed when the worker goes, after the session's port.
    struct Events {
        explicit Events(IConnectPlatform& platform) : platform(platform) {}
        ~Events();
        void MakeUpTo(size_t count);
        IConnectPlatform& platform;
        std::array<EventHandle, 4> handles{};
        size_t count = 0;
    };

    std::unique_ptr<CRdPort> NewPort() override;
    void Wake();

    const uint32_t id_;
    IConnectPlatform& platform_;
    CReaderShared shared_;
    Events events_;  // before the session: it outlives the session's port
    CReaderSession session_;
    std::thread thread_;
    std::atomic<bool> ended_{false};   // set by the worker as it ends; cleared by Start
    std::atomic<bool> active_{false};  // set by Start, cleared by RequestStop (user-interface thread)
};
