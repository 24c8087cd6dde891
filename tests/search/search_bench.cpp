// Prints how long the search takes to identify one emulated reader and many at once, and how
// much processor time its worker uses while the list is settled. Run by scripts/bench-search,
// which puts the readers on pseudo-terminals behind the COM ports named in QC_BENCH_PORTS.
// With QC_BENCH_PLANTED (a count of planted Ports-class device nodes, QC_BENCH_PLANTED_READERS of
// them with readers) it measures discovery through the machine's own SetupAPI in search-all mode.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "search/search_thread_win32.h"

namespace {

using Clock = std::chrono::steady_clock;

class CBenchPorts : public IPortEnumerator {
public:
    explicit CBenchPorts(std::vector<ListedPort> ports) : ports_(std::move(ports)) {}
    std::vector<ListedPort> Enumerate(bool) override { return ports_; }

private:
    std::vector<ListedPort> ports_;
};

size_t IdentifiedCount(const CSearchThread& search) {
    std::vector<PortEntry> ports;
    search.CopyPorts(ports);
    return static_cast<size_t>(std::count_if(ports.begin(), ports.end(), [](const PortEntry& p) {
        return p.state == static_cast<int32_t>(ProbeResult::Identified);
    }));
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Milliseconds from Start until every port is identified; negative when they were not within 30 s.
double TimeToIdentify(const std::vector<ListedPort>& listed, bool measureIdle) {
    CBenchPorts devices(listed);
    CSearchThread search(devices);
    HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    search.onPortsChanged = [changed] { SetEvent(changed); };
    const auto start = Clock::now();
    search.Start();
    double ms = -1;
    while (Clock::now() - start < std::chrono::seconds(30)) {
        if (IdentifiedCount(search) == listed.size()) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        WaitForSingleObject(changed, 1000);
    }
    if (measureIdle && ms >= 0) {
        const double cpuBefore = ProcessCpuMs();
        Sleep(3000);
        std::printf("idle worker, list settled: %.1f ms of processor time in 3000 ms\n",
                    ProcessCpuMs() - cpuBefore);
    }
    search.Stop();
    CloseHandle(changed);
    return ms;
}

double SinceMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Search-all over the planted nodes: time to the readers' identities, and the processor time
// while the probes run and once the list is settled.
int DiscoveryFigures(size_t planted, size_t readers) {
    CSearchThread search;
    search.SetSearchAll(true);
    const double cpuStart = ProcessCpuMs();
    const auto start = Clock::now();
    search.Start();
    double readersMs = -1;
    std::vector<PortEntry> ports;
    while (SinceMs(start) < 60000) {
        if (readersMs < 0 && IdentifiedCount(search) >= readers)
            readersMs = SinceMs(start);
        search.CopyPorts(ports);
        if (readersMs >= 0 && ports.size() >= planted)
            break;
        Sleep(20);
    }
    const double settledMs = SinceMs(start);
    const double probingCpu = ProcessCpuMs() - cpuStart;
    if (readersMs < 0 || ports.size() < planted) {
        std::printf("discovery: %zu of %zu ports listed within 60 s\n", ports.size(), planted);
        return 1;
    }
    const double cpuSettled = ProcessCpuMs();
    Sleep(5000);
    const double settledCpu = ProcessCpuMs() - cpuSettled;
    std::printf("discovery, %zu planted ports in search-all mode:\n", planted);
    std::printf("  %zu readers listed with their identity after %.1f ms\n", readers, readersMs);
    std::printf("  all ports listed after %.1f ms; processor while probing: %.1f%% of one core\n", settledMs,
                100.0 * probingCpu / settledMs);
    std::printf("  processor once settled: %.2f%% of one core (%.1f ms in 5000 ms)\n", 100.0 * settledCpu / 5000,
                settledCpu);
    search.Stop();
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    if (const char* planted = std::getenv("QC_BENCH_PLANTED")) {
        const char* readers = std::getenv("QC_BENCH_PLANTED_READERS");
        return DiscoveryFigures(std::strtoul(planted, nullptr, 10), readers ? std::strtoul(readers, nullptr, 10) : 0);
    }
    const char* names = std::getenv("QC_BENCH_PORTS");
    if (!names) {
        std::fprintf(stderr, "QC_BENCH_PORTS not set: run scripts/bench-search\n");
        return 2;
    }
    std::vector<ListedPort> all;
    std::stringstream list(names);
    for (std::string name; std::getline(list, name, ',');)
        all.push_back({std::wstring(name.begin(), name.end()), 0});
    const int rounds = 5;

    std::vector<double> one, many;
    for (int round = 0; round < rounds; ++round) {
        one.push_back(TimeToIdentify({all.front()}, false));
        many.push_back(TimeToIdentify(all, round == rounds - 1));
    }
    if (std::count(one.begin(), one.end(), -1.0) || std::count(many.begin(), many.end(), -1.0)) {
        std::printf("some readers were not identified within 30 s\n");
        return 1;
    }
    const double oneMs = Median(one), manyMs = Median(many);
    std::printf("identify 1 reader: %.1f ms (median of %d)\n", oneMs, rounds);
    std::printf("identify %zu readers at once: %.1f ms (median of %d)\n", all.size(), manyMs, rounds);
    std::printf("ratio: %.2f\n", manyMs / oneMs);
    return 0;
}
