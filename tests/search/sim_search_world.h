// A simulated world for the port search: the simulated clock with its events, scripted serial devices behind
// fake ports, an enumerator fed by the test and sent messages. A wait jumps straight to the next scheduled
// happening, so minutes of probing take microseconds.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "reader/platform.h"
#include "search/port_devices.h"
#include "search/port_opener.h"
#include "search/search_wait.h"
#include "testing/emulator/sim_clock.h"

// What one fake serial device does when probed.
struct SimDevice {
    bool missing = false;              // Open throws "not exists"
    bool openFailsOddly = false;       // Open throws something other than a port error
    int busyOpens = 0;                 // this many more Opens report the port busy
    bool ioFails = false;              // every I/O call on the open port throws code 5
    bool writeStalls = false;          // writes never complete
    std::optional<std::string> reply;  // the answer to each "i"; none = silent
    uint32_t replyDelay = 50;          // ms from the request to the whole answer
    size_t replySplit = 0;             // when set, only this many bytes come then, the rest later:
    uint32_t replyTailDelay = 0;       // ms after the first part; only a waiting read reports it
    uint32_t openDelay = 0;            // ms an open blocks (an outgoing Bluetooth port): 0 = none

    // What happened.
    std::vector<uint32_t> openTimes;     // clock value of every Open call
    std::vector<uint32_t> requestTimes;  // clock value of every "i" written
    std::vector<uint32_t> bauds;         // line speed set for each request
    int cancelLines = 0;                 // "~\r" written before a retry
    int droppedLineResets = 0;           // output purges before a "~\r" had left the adapter
    int ioFailures = 0;                  // I/O calls that threw
    int openPorts = 0;                   // port objects that have it open now
};

// One thread uses the world.
class CSimSearchWorld : public IPlatform,
                        public IPortEnumerator,
                        public IPortOpener,
                        public ISearchWait,
                        private IEventMaker {
public:
    explicit CSimSearchWorld(uint32_t startTick = 0) : clock_(startTick) {}

    uint32_t Now() { return clock_.Now(); }
    // IPlatform: the clock's events, counted (see eventLimit), and ports over SimDevices.
    IWaitClock& Clock() override { return clock_; }
    CEvent NewEvent() override;
    std::unique_ptr<CRdPort> NewPort(const std::wstring& name) override;
    // IPortEnumerator: the ports the test lists, or a throw when enumerationError is set.
    std::vector<ListedPort> Enumerate(bool searchAll) override;
    // IPortOpener: at once, or after the device's openDelay of simulated time.
    void OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) override;
    // ISearchWait
    int Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) override;
    void PumpMessages() override;

    void After(uint32_t delayMs, std::function<void()> action) { clock_.After(delayMs, std::move(action)); }
    // A message sent to the worker's window: handled when the worker pumps.
    void SendMessageToWorker(std::function<void()> handler) { messages_.push_back(std::move(handler)); }

    SimDevice& Device(const std::wstring& name) { return devices_[name]; }
    uint64_t Elapsed() const { return clock_.Elapsed(); }

    std::vector<ListedPort> listed;  // what the enumerator reports
    bool enumerationError = false;
    size_t eventLimit = SIZE_MAX;  // NewEvent fails while this many events are open
    int enumerations = 0;
    bool lastSearchAll = false;
    std::set<EventHandle> closedEvents;
    size_t openEvents = 0;
    bool waitedForever = false;  // a wait with nothing scheduled and no time-out: the search would hang

private:
    friend class CSimProbePort;

    // IEventMaker: the events' bookkeeping, then the clock's own.
    void SignalEvent(EventHandle event) override { clock_.Signal(event); }
    void CloseEvent(EventHandle event) override;

    CSimClock clock_;
    std::vector<std::function<void()>> messages_;
    std::map<std::wstring, SimDevice> devices_;
};
