// Benchmark: the main window's log through a simulated long run with an error line every cycle.
// Feeds the page the lines one test cycle at a time, in the batches the 333 ms refresh moves
// (cycles per second x one third of a second), and prints the working set and the time per
// batch as the log fills and is trimmed.
// usage: main_window_log_bench [simulated hours, default 1] [cycles per second, default 180]
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "search/port_devices.h"
#include "tests/support/test_app_win32.h"
#include "ui/main_wnd_win32.h"
#include "ui/resource_ids.h"

namespace {

class CNoPorts : public IPortEnumerator {
public:
    std::vector<ListedPort> Enumerate(bool) override { return {}; }
};

double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int cyclesPerSecond = argc > 2 ? std::atoi(argv[2]) : 180;
    const int linesPerBatch = cyclesPerSecond / 3;
    const long batches = static_cast<long>(hours * 3600 * 3);

    CTestApp app;
    CAppSettings settings;
    CNoPorts ports;
    CMainWnd window(settings, ports);
    app.mainWindow = &window;
    if (!window.Create(WS_EX_APPWINDOW, TestWindowClass(), L"Quill Check", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                       CW_USEDEFAULT, CW_USEDEFAULT, 500, 400, nullptr, 0)) {
        std::puts("no window");
        return 1;
    }
    ShowWindow(window.hwnd, SW_SHOW);
    std::printf("simulated %.2f h at %d cycles/s, one error line per cycle: %ld refreshes of %d lines\n", hours,
                cyclesPerSecond, batches, linesPerBatch);
    std::printf("%10s %12s %14s %16s\n", "refreshes", "lines", "working set", "ms per refresh");
    const double startSet = WorkingSetMiB();
    std::printf("%10d %12d %10.1f MiB %16s\n", 0, 0, startSet, "-");
    std::vector<std::wstring> batch(static_cast<size_t>(linesPerBatch));
    long long lines = 0;
    auto reportStart = std::chrono::steady_clock::now();
    const long reportEvery = batches / 10 > 0 ? batches / 10 : 1;
    double worstMs = 0;
    for (long refresh = 1; refresh <= batches; ++refresh) {
        for (std::wstring& line : batch) line = L"Write error 0x" + std::to_wstring(++lines % 100);
        const auto before = std::chrono::steady_clock::now();
        window.page.AppendLogLines(batch);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
        worstMs = ms > worstMs ? ms : worstMs;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (refresh % reportEvery == 0) {
            const double elapsed =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - reportStart).count();
            std::printf("%10ld %12lld %10.1f MiB %16.2f\n", refresh, lines, WorkingSetMiB(), elapsed / reportEvery);
            reportStart = std::chrono::steady_clock::now();
        }
    }
    std::printf("log length %d units; slowest refresh %.1f ms\n", GetWindowTextLengthW(GetDlgItem(window.page.hwnd, IDC_LOG)),
                worstMs);
    window.Destroy();
    return 0;
}
