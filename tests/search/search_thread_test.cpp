// The search worker under Wine: its thread, its hidden window and, when the test script has
// put emulated readers on pseudo-terminals behind COM ports, real probes of real COM ports.
#include <gtest/gtest.h>
#include <windows.h>

#include <dbt.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/handle_win32.h"
#include "search/notify_window_win32.h"
#include "search/port_opener_win32.h"
#include "reader/platform_win32.h"
#include "search/message_wait_win32.h"
#include "search/search_thread_win32.h"
#include "tests/support/environment.h"

namespace {

using Clock = std::chrono::steady_clock;

// The ports the test wants listed; called on the worker. While held, an enumeration waits
// before it answers, so the test can look at the list before the worker refills it.
class CFixedPorts : public IPortEnumerator {
public:
    std::vector<ListedPort> Enumerate(bool searchAll) override {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return !held_; });
        ++calls_;
        lastSearchAll_ = searchAll;
        return ports_;
    }
    void Hold() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_all();
    }
    void Set(std::vector<ListedPort> ports) {
        std::lock_guard lock(mutex_);
        ports_ = std::move(ports);
    }
    int Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    bool LastSearchAll() {
        std::lock_guard lock(mutex_);
        return lastSearchAll_;
    }

private:
    std::mutex mutex_;  // guards everything below
    std::condition_variable released_;
    std::vector<ListedPort> ports_;
    int calls_ = 0;
    bool lastSearchAll_ = false;
    bool held_ = false;
};

// Waits for something the worker does; the limit only guards against a hang.
bool Eventually(const std::function<bool()>& done, int limitMs = 20000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        Sleep(5);
    }
    return true;
}

std::vector<PortEntry> Ports(const CSearchThread& search) {
    std::vector<PortEntry> ports;
    search.CopyPorts(ports);
    return ports;
}

HWND SearchWindow() {
    HWND window = nullptr;
    Eventually([&] { return (window = FindWindowW(kSearchWindowClass, nullptr)) != nullptr; }, 5000);
    return window;
}

TEST(SearchThread, MissingPortIsListedWithItsAdapterModelAndReported) {
    CFixedPorts devices;
    devices.Set({{L"COM250", 2}});
    CSearchThread search(devices);
    std::atomic<int> notifications{0};
    search.onPortsChanged = [&] { ++notifications; };
    search.Start();
    ASSERT_TRUE(Eventually([&] { return notifications > 0; }));
    const std::vector<PortEntry> ports = Ports(search);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].name, L"COM250");
    EXPECT_EQ(ports[0].state, static_cast<int32_t>(ProbeResult::PortError));
    EXPECT_EQ(ports[0].model, 2);
    EXPECT_EQ(ports[0].serial, -1);
    search.Stop();
}

struct DeviceChangeCase {
    const char* what;
    WPARAM event;
    DWORD deviceType;  // 0: no broadcast header
    bool rescans;
};

TEST(SearchThread, DeviceChangeBroadcastsAskForAnEnumeration) {
    const DeviceChangeCase cases[] = {
        {"device nodes changed", DBT_DEVNODES_CHANGED, 0, true},
        {"port arrived", DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, true},
        {"port removed", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT, true},
        {"COM-port interface arrived", DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, true},
        {"volume arrived", DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, false},
        {"port removal asked", DBT_DEVICEQUERYREMOVE, DBT_DEVTYP_PORT, false},
        {"arrival without a header", DBT_DEVICEARRIVAL, 0, false},
    };
    CFixedPorts devices;
    CSearchThread search(devices);
    search.Start();
    ASSERT_TRUE(Eventually([&] { return devices.Calls() == 1; }));
    HWND window = SearchWindow();
    ASSERT_NE(window, nullptr);
    for (const DeviceChangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        DEV_BROADCAST_HDR header{sizeof header, c.deviceType, 0};
        const LPARAM data = c.deviceType ? reinterpret_cast<LPARAM>(&header) : 0;
        EXPECT_EQ(IsPortDeviceChange(c.event, data), c.rescans);
        const int before = devices.Calls();
        EXPECT_EQ(SendMessageW(window, WM_DEVICECHANGE, c.event, data), 0);
        if (c.rescans) {
            EXPECT_TRUE(Eventually([&] { return devices.Calls() == before + 1; }));
        } else {
            Sleep(100);
            EXPECT_EQ(devices.Calls(), before);
        }
    }
    search.Stop();
    EXPECT_EQ(FindWindowW(kSearchWindowClass, nullptr), nullptr);  // gone with the worker
}

TEST(SearchThread, SearchAllAndRescanReachTheWorker) {
    CFixedPorts devices;
    devices.Set({{L"COM251", 0}});
    CSearchThread search(devices);
    search.SetSearchAll(true);  // before Start, as the main window does
    search.Start();
    ASSERT_TRUE(Eventually([&] { return Ports(search).size() == 1; }));
    EXPECT_TRUE(devices.LastSearchAll());
    // The worker cannot refill the list while its enumeration is held, however late this
    // thread gets to look.
    devices.Hold();
    search.Rescan();
    EXPECT_TRUE(Ports(search).empty());  // at once, on the caller's thread
    devices.Release();
    ASSERT_TRUE(Eventually([&] { return Ports(search).size() == 1; }));
    EXPECT_EQ(devices.Calls(), 2);
}

TEST(SearchThread, StopsAndStartsAgainKeepingItsList) {
    CFixedPorts devices;
    devices.Set({{L"COM252", 0}});
    CSearchThread search(devices);
    search.Stop();  // nothing runs yet
    search.Start();
    search.Start();  // already running
    ASSERT_TRUE(Eventually([&] { return Ports(search).size() == 1; }));
    search.Stop();
    search.Stop();
    EXPECT_EQ(Ports(search).size(), 1u);
    search.Start();
    search.Rescan();
    ASSERT_TRUE(Eventually([&] { return Ports(search).size() == 1 && devices.Calls() == 2; }));
}  // the destructor stops the running worker

struct WaitCase {
    const char* what;
    size_t count;                  // events in the wait
    std::vector<size_t> signalled;  // signalled before the first wait
    bool messageSent;              // another thread sends this thread a message meanwhile
    std::vector<int> results;      // of successive waits of 200 ms
};

// The worker's wait over more handles than the system's one call takes (the search keeps to 63,
// but the wait does not rely on it). Every signal is reported once, none is lost, and a wait with nothing
// to report really waits (a failed wait spun a core before).
TEST(SearchWait, ServesAnyNumberOfEvents) {
    const WaitCase cases[] = {
        {"nothing signalled among 64", 64, {}, false, {kWaitTimedOut}},
        {"the 64th", 64, {63}, false, {63, kWaitTimedOut}},
        {"one near, one far", 64, {63, 5}, false, {5, 63, kWaitTimedOut}},
        {"two far among 100", 100, {99, 62, 70}, false, {62, 70, 99, kWaitTimedOut}},
        {"a sent message among 64", 64, {}, true, {64}},
        {"the wake event among 64", 64, {0}, false, {0, kWaitTimedOut}},
        {"a few", 4, {3}, false, {3, kWaitTimedOut}},
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CEvent> made;
        std::vector<EventHandle> events;
        for (size_t i = 0; i < c.count; ++i) {
            made.push_back(Win32Platform().NewEvent());
            events.push_back(made.back().Get());
        }
        for (size_t i : c.signalled) made[i].Signal();
        HWND receiver = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(receiver, nullptr);
        std::thread sender;
        if (c.messageSent)
            sender = std::thread([receiver] {
                Sleep(50);
                SendMessageW(receiver, WM_NULL, 0, 0);
            });
        CMessageWait wait;
        for (int expected : c.results) {
            const DWORD start = GetTickCount();
            const int result = wait.Wait(events.data(), events.size(), 200);
            EXPECT_EQ(result, expected);
            if (result == static_cast<int>(events.size()))
                wait.PumpMessages();
            if (expected == kWaitTimedOut) {
                EXPECT_GE(GetTickCount() - start, 150u) << "returned at once";
            }
        }
        if (sender.joinable())
            sender.join();
        DestroyWindow(receiver);
    }
}

TEST(SearchWait, FailedWaitPausesInsteadOfReturningAtOnce) {
    CMessageWait wait;  // made first, so that its own event cannot take the closed one's handle
    CEvent kept = Win32Platform().NewEvent();
    CEvent closed = Win32Platform().NewEvent();
    const std::vector<EventHandle> events{kept.Get(), closed.Get()};
    closed.Close();  // the wait fails on it
    const DWORD start = GetTickCount();
    EXPECT_EQ(wait.Wait(events.data(), events.size(), 5000), kWaitTimedOut);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, CMessageWait::kFailedWaitPauseMs - 20);
    EXPECT_LT(elapsed, 4000u);
}

// The machine's own enumeration (Wine's SetupAPI), run by the worker: it ends without an error,
// sees the search-all flag, and lists what the machine has (Wine's Ports class is empty).
class CMachinePorts : public IPortEnumerator {
public:
    std::vector<ListedPort> Enumerate(bool searchAll) override {
        try {
            std::vector<ListedPort> listed = machine_.Enumerate(searchAll);
            std::lock_guard lock(mutex_);
            ++calls_;
            lastSearchAll_ = searchAll;
            listedCount_ = listed.size();
            return listed;
        } catch (...) {
            std::lock_guard lock(mutex_);
            ++failures_;
            throw;
        }
    }
    CSetupApiPortEnumerator machine_;
    std::mutex mutex_;  // guards the figures below
    int calls_ = 0;
    int failures_ = 0;
    bool lastSearchAll_ = false;
    size_t listedCount_ = 0;
};

TEST(SearchThread, MachineEnumerationRunsUnderWine) {
    CMachinePorts machine;
    machine.machine_.RefreshPropertyCall();
    CSearchThread search(machine);
    search.SetSearchAll(true);
    search.Start();
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(machine.mutex_);
        return machine.calls_ + machine.failures_ > 0;
    }));
    search.Stop();
    std::lock_guard lock(machine.mutex_);
    EXPECT_EQ(machine.failures_, 0);
    EXPECT_GE(machine.calls_, 1);
    EXPECT_TRUE(machine.lastSearchAll_);
    EXPECT_EQ(machine.listedCount_, 0u) << "Wine's Ports class was expected empty";
    EXPECT_TRUE(Ports(search).empty());
}

// A port whose open blocks until released, as an outgoing Bluetooth port's may for seconds.
class CBlockingOpenPort final : public CRdPort {
public:
    explicit CBlockingOpenPort(HANDLE release) : CRdPort(L""), release_(release) {}
    void SetEvents(EventHandle, EventHandle, EventHandle) override {}
    bool Open() override { return WaitForSingleObject(release_, 20000) == WAIT_OBJECT_0; }
    void Close() override {}
    bool IsOpen() override { return false; }
    bool IsBaudSupported(uint32_t) override { return true; }
    void SetParams(uint32_t, uint8_t, uint8_t) override {}
    void OnCommEvent() override {}
    void Write(const uint8_t*, size_t) override {}
    void OnWriteDone() override {}
    void Purge(bool, bool) override {}
    int InputCount() override { return 0; }
    bool Read() override { return false; }
    void OnReadDone() override {}

private:
    HANDLE release_;
};

// Opens run on pooled threads: more blocked opens than the machine has processors still hold up
// no open started after them.
TEST(PortOpener, OpensThatBlockHoldUpNoLaterOpen) {
    struct Shared {
        CHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        CHandle open{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
        CHandle quickDone{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<int> blockedDone{0};
    };
    auto shared = std::make_shared<Shared>();  // outlives the test should an open hang
    CThreadPortOpener opener;
    constexpr int kBlocked = 8;
    for (int i = 0; i < kBlocked; ++i)
        opener.OpenAsync(std::make_shared<CBlockingOpenPort>(shared->release.Get()),
                         [shared](OpenOutcome) { ++shared->blockedDone; });
    OpenOutcome quick;
    opener.OpenAsync(std::make_shared<CBlockingOpenPort>(shared->open.Get()), [shared, &quick](OpenOutcome outcome) {
        quick = outcome;
        SetEvent(shared->quickDone.Get());
    });
    ASSERT_EQ(WaitForSingleObject(shared->quickDone.Get(), 5000), WAIT_OBJECT_0) << "a blocked open held it up";
    EXPECT_EQ(quick.kind, OpenOutcome::Kind::Opened);
    EXPECT_EQ(shared->blockedDone, 0);
    SetEvent(shared->release.Get());
    for (int i = 0; i < 500 && shared->blockedDone < kBlocked; ++i) Sleep(10);
    EXPECT_EQ(shared->blockedDone, kBlocked);
}

// Emulated readers, one per port, with serials 1001, 1002, ... in the order of QC_SEARCH_READERS.
TEST(SearchThreadWithReaders, ProbesIdentifyEveryReaderAtTheSameTime) {
    const std::vector<std::wstring> names = EnvironmentList("QC_SEARCH_READERS");
    if (names.empty())
        GTEST_SKIP() << "no emulated readers (run through search_thread_wine_test.sh)";
    const int replyDelay =
        std::atoi(std::getenv("QC_SEARCH_REPLY_DELAY") ? std::getenv("QC_SEARCH_REPLY_DELAY") : "0");
    CFixedPorts devices;
    std::vector<ListedPort> listed;
    for (const std::wstring& name : names) listed.push_back({name, 0});
    devices.Set(listed);
    CSearchThread search(devices);
    const auto start = Clock::now();
    search.Start();
    ASSERT_TRUE(Eventually([&] { return Ports(search).size() == names.size(); }));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    const std::vector<PortEntry> ports = Ports(search);
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(std::string(names[i].begin(), names[i].end()));
        auto port =
            std::find_if(ports.begin(), ports.end(), [&](const PortEntry& p) { return p.name == names[i]; });
        ASSERT_NE(port, ports.end());
        EXPECT_EQ(port->state, static_cast<int32_t>(ProbeResult::Identified));
        EXPECT_EQ(port->model, 2);
        EXPECT_EQ(port->serial, 1001 + static_cast<int32_t>(i));
        EXPECT_EQ(port->firmware, 0x01080000u);
        EXPECT_NE(port->buildTime, 0);
    }
    // One after another they would take at least the sum of their answer times; side by side
    // they take about one answer time (two when a first request is lost and retried).
    if (names.size() > 1 && replyDelay > 0) {
        EXPECT_LT(elapsed, static_cast<long long>(names.size()) * replyDelay) << elapsed << " ms";
    }
}

TEST(SearchThreadWithReaders, StopIsAnsweredWhileEveryProbeWaitsOnASilentDevice) {
    const std::vector<std::wstring> names = EnvironmentList("QC_SEARCH_SILENT");
    if (names.empty())
        GTEST_SKIP() << "no silent devices (run through search_thread_wine_test.sh)";
    CFixedPorts devices;
    std::vector<ListedPort> listed;
    for (const std::wstring& name : names) listed.push_back({name, 0});
    devices.Set(listed);
    CSearchThread search(devices);
    search.Start();
    ASSERT_TRUE(Eventually([&] { return devices.Calls() == 1; }));
    Sleep(500);  // the probes have opened their ports and wait for answers that never come
    const auto start = Clock::now();
    search.Stop();
    const auto stopMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    // Waiting out the probes' reply time-out would take 4500 ms or more; closing the ports alone
    // is quick even on a busy machine.
    EXPECT_LT(stopMs, 3000) << "the reply time-out is 5000 ms";
    for (const PortEntry& port : Ports(search))  // no probe had ended
        ADD_FAILURE() << std::string(port.name.begin(), port.name.end()) << " ended with state "
                      << port.state;
}

}  // namespace
