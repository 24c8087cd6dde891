// The background port search: a worker thread that enumerates the machine's COM ports, follows
// plug and unplug events through a hidden window, probes up to 31 ports at once for readers (each
// opened on a thread of the system's pool, since an open can block for seconds) and
// keeps the sorted list of found ports that the user interface copies.
//
// Threads: construction, Start, Stop, SetSearchAll, Rescan, CopyPorts and destruction run on
// the user-interface thread; the worker owns the probes, their ports and events and the hidden
// window; the wake event is made by Start and closed with the object. The list of found ports is
// shared under the search's own mutex (see port_search.h). The events and ports come from the
// program's one platform (reader/platform_win32.h).
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "search/port_devices_win32.h"
#include "search/port_opener_win32.h"
#include "search/port_search.h"

class CSearchThread {
public:
    CSearchThread();
    // Lists the ports the given enumerator reports instead of the machine's (tests, demos).
    explicit CSearchThread(IPortEnumerator& enumerator);
    ~CSearchThread();  // stops the worker; the ports and events go with it
    CSearchThread(const CSearchThread&) = delete;
    CSearchThread& operator=(const CSearchThread&) = delete;

    // Installed before Start; called on the worker whenever the list changed. Must not block.
    std::function<void()> onPortsChanged;

    // Starts the worker; nothing when it runs. Throws std::system_error when no event or
    // thread can be made. After Stop it starts again, keeping the list it had.
    void Start();
    // Asks the worker to end and waits for it; it ends at the top of its next pass, once it has
    // closed its probes' ports.
    void Stop();
    // Asks the worker to end without waiting (onEnded tells when it has); Stop then joins at once.
    void RequestStop() { search_.RequestStop(); }
    // No worker, or one that has ended.
    bool HasEnded() const { return !thread_.joinable() || ended_; }
    // Installed before Start; the worker's last act, on its thread. Must not block.
    std::function<void()> onEnded;
    void SetSearchAll(bool on) { search_.SetSearchAll(on); }
    void Rescan() { search_.Rescan(); }
    void CopyPorts(std::vector<PortEntry>& out) const { search_.CopyPorts(out); }

private:
    void WorkerMain();

    CSetupApiPortEnumerator setupApi_;
    CThreadPortOpener opener_;
    CPortSearch search_;
    std::thread thread_;
    std::atomic<bool> ended_{false};  // set by the worker as it ends; cleared by Start
};
