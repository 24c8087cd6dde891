// The port search's logic: enumeration marks, probes stepped without blocking, the retry scan
// and the sorted list of found ports. Plain logic over the system's platform (reader/platform.h),
// the enumerator, the opener and the wait (search_wait.h); the Windows shell
// (search_thread_win32.h) runs RunPass on its worker thread.
//
// Threads: the user-interface thread calls SetSearchAll, Rescan, CopyPorts, RequestStop and
// RequestRescan; everything else runs on the worker. `mutex_` guards `ports_` (and nothing
// else); running, rescanRequested and searchAll are lone flags and atomic. The probe list, the
// events list, the port objects, `changed_`, `retryPending_`, `waitTimeout_` and the scratch
// values belong to the worker; so does closing every event (the wake event goes with the search).
// No lock is held while calling a port or the callback. A port being
// opened belongs to the opener until its PendingOpen reports back (port_opener.h); the opener
// wakes the worker through the wake event.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "reader/event.h"
#include "reader/link_constants.h"
#include "reader/platform.h"
#include "reader/wait_clock.h"
#include "search/found_ports.h"
#include "search/port_devices.h"
#include "search/port_entry.h"
#include "search/port_opener.h"
#include "search/probe_entry.h"
#include "search/search_wait.h"

struct SearchServices {
    IPlatform& platform;  // the clock, the events and the probes' ports
    IPortEnumerator& enumerator;
    IPortOpener& opener;
};

class CPortSearch {
public:
    // What one system wait takes beside the message queue: the wake event and two per probing
    // port, so at most 31 ports are open for probes at a time and the wait needs no helper.
    static constexpr size_t kMaxWaitHandles = 63;
    static constexpr size_t kEventsPerProbe = 2;  // write done, read done
    static constexpr uint32_t kRetryInterval = 60000;     // ms before a busy or lost port is probed again
    static constexpr uint32_t kReopenDelay = 1000;        // ms between the attempts of one probe
    static constexpr uint32_t kRetryAfterFailure = 1000;  // ms before a failed pass is tried again
    static constexpr uint32_t kOpenLimit = 5000;          // ms an open may take before the port counts as failed

    explicit CPortSearch(SearchServices services, const RdLinkConstants& link = kReaderLink);
    ~CPortSearch();  // lets go of opens under way, deletes the port objects, then closes every event
    CPortSearch(const CPortSearch&) = delete;
    CPortSearch& operator=(const CPortSearch&) = delete;

    // --- user-interface thread ---
    // Creates the wake event (once) and marks the search as running. Throws std::system_error.
    void Begin();
    // Clears running and wakes the worker, which ends at the top of its next pass.
    void RequestStop();
    void SetSearchAll(bool on);
    // Empties the list at once (no change is reported: the caller refills its copy) and asks
    // for an enumeration.
    void Rescan();
    void CopyPorts(std::vector<PortEntry>& out) const;
    // A device came or went: enumerate at the next pass. Also from the notification window.
    void RequestRescan();

    // Installed before the worker starts; called on the worker, must not block.
    std::function<void()> onPortsChanged;

    // --- worker thread ---
    bool IsRunning() const { return running_; }
    // One pass of the worker loop: enumeration when requested, retry scan, every probe stepped,
    // one wait, and the handling of what ended it. Swallows what a pass throws. False once the
    // search is stopped (every probe's port is then released, the probes kept to start again).
    bool RunPass(ISearchWait& wait);

    // Worker state, readable by tests between passes.
    size_t ProbeCount() const { return probes_.size(); }
    const std::vector<ProbeEntry>& Probes() const { return probes_; }
    const std::vector<EventHandle>& Events() const { return events_; }
    uint32_t WaitTimeout() const { return waitTimeout_; }

private:
    void DoWork();
    void WaitAndDispatch(ISearchWait& wait);
    void Enumerate();
    void RetryScan();
    void OnPortEvent(size_t eventIndex);
    void OnWake();

    // probe_step.cpp
    void StepProbe(size_t index);
    ProbeResult AdvanceProbe(ProbeEntry& entry);
    void AttachPort(ProbeEntry& entry);
    void StartOpen(ProbeEntry& entry);
    ProbeResult TakeOpenOutcome(ProbeEntry& entry);
    bool RetryProbe(ProbeEntry& entry);
    bool StartRecovery(ProbeEntry& entry);
    ProbeResult StepRecovery(ProbeEntry& entry);
    void AwaitRestOfReply(CRdPort& port);
    void FinishProbe(size_t index, ProbeResult result);

    void DropProbe(size_t index);
    void ReleasePort(ProbeEntry& entry);
    void MarkChanged();  // worker; under mutex_ or not, it touches only worker state and the wake event
    void LowerWaitTimeout(uint32_t ms);
    void Wake();

    IPlatform& platform_;
    IClock& clock_;
    IPortEnumerator& enumerator_;
    IPortOpener& opener_;
    const RdLinkConstants link_;

    std::atomic<bool> running_{false};
    std::atomic<bool> rescanRequested_{true};
    std::atomic<bool> searchAll_{false};
    // Made by Begin (user-interface thread) before the worker starts, then left alone until the
    // search goes; wakeEvent_ points at it once it is made, for Wake on any thread.
    CEvent wake_;
    std::atomic<const CEvent*> wakeEvent_{nullptr};

    uint32_t waitTimeout_ = kWaitForever;
    // What the wait watches: the wake event, then (write, read) per probe owning a port. Borrowed
    // handles: wake_ and each probe's events own them.
    std::vector<EventHandle> events_;
    std::vector<ProbeEntry> probes_;   // in the order they were found
    bool retryPending_ = false;
    bool changed_ = false;
    // The probe whose port event the last wait handed out; only it is stepped next, while the
    // deadline of the last full pass (fullPassTick_ + fullPassTimeout_) is not yet due.
    static constexpr size_t kNoProbe = SIZE_MAX;
    size_t eventOwner_ = kNoProbe;
    uint32_t fullPassTick_ = 0;
    uint32_t fullPassTimeout_ = 0;
    ProbeValues probeValues_;  // scratch: what the last probe found
    std::vector<uint8_t> linkEndFrame_;  // scratch

    mutable std::mutex mutex_;
    std::vector<PortEntry> ports_;  // guarded by mutex_; sorted by name in ordinal order
};
