// Benchmark: the main window's log through a simulated long run with an error line every cycle.
// Feeds the page the lines one test cycle at a time, in the batches the 333 ms refresh moves
// (cycles per second x one third of a second), and prints the working set and the time per
// batch as the log fills and is trimmed.
// usage: main_window_log_bench [simulated hours, default 1] [cycles per second, default 180]
//
// With --record, the test record through a simulated long test instead: every cycle fed to a
// record as the reader worker feeds it, an error (with its log line) every N cycles, the
// page refreshed every simulated 333 ms with the log's new lines, the figures and the chart (its
// series copied, laid out and painted into a bitmap, as a paint of the window does). Prints the
// working set, the cost of the figures and of the chart beside the rest of the refresh, the
// series' memory (and a week's), and checks the saved report of the run for every error line
// with its time; prints the report's size. With --chart, the same test fed without the page's
// refreshes (fast), then the chart's refresh timed at the test's end: what each refresh of a
// test that long costs.
// usage: main_window_log_bench --record|--chart [hours, 24] [cycles per second, 160] [cycles per error, 1000]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "reader/test_record.h"
#include "search/port_devices.h"
#include "settings/settings_file_win32.h"
#include "tests/support/test_app_win32.h"
#include "ui/main_wnd_win32.h"
#include "ui/resource_ids.h"
#include "ui/gdi_objects_win32.h"
#include "ui/test_report.h"

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

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The chart's refresh as the page makes it: the series copied in, laid out and painted.
double ChartRefreshMs(CTestChart& chart, const CTestRecord& record, HDC dc) {
    const auto before = std::chrono::steady_clock::now();
    chart.Show({true, record.elapsedMs, record.series});
    chart.PaintInto(dc);
    return MsSince(before);
}

int RecordSoak(CMainWnd& window, double hours, int cyclesPerSecond, int cyclesPerError, bool refreshPage) {
    const uint64_t cycles = static_cast<uint64_t>(hours * 3600 * cyclesPerSecond);
    const uint64_t refreshEvery = static_cast<uint64_t>(cyclesPerSecond) / 3;  // cycles per 333 ms
    std::printf("simulated %.2f h at %d cycles/s (%llu cycles), an error every %d cycles\n", hours,
                cyclesPerSecond, static_cast<unsigned long long>(cycles), cyclesPerError);
    const double startSet = WorkingSetMiB();
    if (refreshPage) {
        std::printf("%12s %10s %14s %20s %18s %20s\n", "cycles", "errors", "working set", "ms/refresh: figures",
                    "ms/refresh: chart", "ms/refresh: the rest");
        std::printf("%12d %10d %10.1f MiB %20s %18s %20s\n", 0, 0, startSet, "-", "-", "-");
    }
    // The chart paints into a bitmap of the screen's format, as into the window.
    RECT chartArea{};
    GetClientRect(window.page.chart.hwnd, &chartArea);
    HDC screen = GetDC(nullptr);
    CMemoryDc chartDc(screen);
    CGdiObject<HBITMAP> chartBitmap(
        CreateCompatibleBitmap(screen, std::max<LONG>(1, chartArea.right), std::max<LONG>(1, chartArea.bottom)));
    ReleaseDC(nullptr, screen);
    CSelection chartSelection(chartDc.Get(), chartBitmap.Get());
    double chartMs = 0, worstChartMs = 0;
    CTestRecord record;
    const uint32_t startTick = 0xFFFF0000u;  // the tick counter wraps early in the run
    record.Begin(PortSetup(L"COM45"), CurrentUtcMilliseconds(), startTick);
    std::vector<std::wstring> batch;
    double figuresMs = 0, restMs = 0, worstFiguresMs = 0;
    uint64_t refreshes = 0, errors = 0;
    const uint64_t reportEvery = cycles / 10 > 0 ? cycles / 10 : 1;
    for (uint64_t cycle = 1; cycle <= cycles; ++cycle) {
        const uint32_t now = startTick + static_cast<uint32_t>(cycle * 1000 / static_cast<uint64_t>(cyclesPerSecond));
        if (cycle % static_cast<uint64_t>(cyclesPerError) == 0) {
            std::wstring line = L"Write error 0x09: " + std::to_wstring(++errors);
            record.Line(ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9), now);
            record.CardError(9, now);
            batch.push_back(std::move(line));
        } else {
            record.Verified(now);
        }
        if (refreshPage && cycle % refreshEvery == 0) {
            auto before = std::chrono::steady_clock::now();
            window.page.RefreshStatus();  // state and counters, as before
            window.page.AppendLogLines(batch);
            restMs += MsSince(before);
            batch.clear();
            before = std::chrono::steady_clock::now();
            window.page.ShowFigures(record.Figures(now));
            const double ms = MsSince(before);
            figuresMs += ms;
            worstFiguresMs = ms > worstFiguresMs ? ms : worstFiguresMs;
            const double chart = ChartRefreshMs(window.page.chart, record, chartDc.Get());
            chartMs += chart;
            worstChartMs = chart > worstChartMs ? chart : worstChartMs;
            ++refreshes;
            Pump();
        }
        if (refreshPage && cycle % reportEvery == 0)
            std::printf("%12llu %10llu %10.1f MiB %20.4f %18.4f %20.4f\n", static_cast<unsigned long long>(cycle),
                        static_cast<unsigned long long>(errors), WorkingSetMiB(), figuresMs / refreshes,
                        chartMs / refreshes, restMs / refreshes);
    }
    record.End(startTick + static_cast<uint32_t>(cycles * 1000 / static_cast<uint64_t>(cyclesPerSecond)));
    if (refreshPage) {
        std::printf("working set %.1f MiB at the start, %.1f MiB at the end; slowest figures refresh %.2f ms\n",
                    startSet, WorkingSetMiB(), worstFiguresMs);
        std::printf("chart (%ldx%ld px): %.3f ms per refresh on average, %.2f ms at the slowest\n", chartArea.right,
                    chartArea.bottom, chartMs / static_cast<double>(refreshes ? refreshes : 1), worstChartMs);
    } else {
        constexpr int kRefreshes = 300;
        double total = 0, worst = 0;
        for (int refresh = 0; refresh < kRefreshes; ++refresh) {
            const double ms = ChartRefreshMs(window.page.chart, record, chartDc.Get());
            total += ms;
            worst = ms > worst ? ms : worst;
        }
        std::printf("chart (%ldx%ld px) at the test's end: %.3f ms per refresh on average over %d, %.2f ms at the "
                    "slowest\n",
                    chartArea.right, chartArea.bottom, total / kRefreshes, kRefreshes, worst);
    }
    CTestSeries week;
    for (uint64_t second = 1; second <= 7 * 24 * 3600; ++second) week.Verified(second * 1000);
    std::printf("series: %zu bytes after this test; %zu bytes after a simulated week (the buckets do not depend on "
                "the rate)\n",
                record.series.MemoryBytes(), week.MemoryBytes());

    const auto before = std::chrono::steady_clock::now();
    const std::wstring text = TestReportText(record, {}, *MachineTimeZone());
    const std::wstring path = L"record_soak_report.txt";
    try {
        ReplaceWholeFile(path, text);
    } catch (const CFileException&) {
        std::puts("the report could not be written");
        return 1;
    }
    const double saveMs = MsSince(before);
    WIN32_FILE_ATTRIBUTE_DATA saved{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &saved);
    const size_t tableAt = text.find(L"\r\nOver time, "), logAt = text.find(L"\r\nLog:");
    std::printf("report: %llu bytes on disk, of which the table over time %zu characters\n",
                static_cast<unsigned long long>(saved.nFileSizeLow) | (static_cast<unsigned long long>(saved.nFileSizeHigh) << 32),
                tableAt == std::wstring::npos || logAt == std::wstring::npos ? 0 : logAt - tableAt);
    // Every error line must stand in the report with its time stamp ("yyyy-mm-dd hh:mm:ss.mmm  ").
    uint64_t stamped = 0;
    for (size_t at = text.find(L"  Write error 0x09: "); at != std::wstring::npos;
         at = text.find(L"  Write error 0x09: ", at + 1))
        stamped += at >= 23 && text[at - 4] == L'.' && text[at - 23 + 4] == L'-' ? 1 : 0;
    std::printf("report: %zu characters built and saved in %.0f ms; %llu of %llu error lines with their time, "
                "%llu left out; card errors counted %llu\n",
                text.size(), saveMs, static_cast<unsigned long long>(stamped),
                static_cast<unsigned long long>(errors), static_cast<unsigned long long>(record.droppedLines),
                static_cast<unsigned long long>(record.cardErrors[9]));
    DeleteFileW(path.c_str());
    return stamped + record.droppedLines == errors && record.cardErrors[9] == errors ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool chartOnly = argc > 1 && std::string(argv[1]) == "--chart";
    const bool recordSoak = chartOnly || (argc > 1 && std::string(argv[1]) == "--record");
    if (recordSoak) {
        --argc;
        ++argv;
    }
    const double hours = argc > 1 ? std::atof(argv[1]) : (recordSoak ? 24.0 : 1.0);
    const int cyclesPerSecond = argc > 2 ? std::atoi(argv[2]) : (recordSoak ? 160 : 180);
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
    if (recordSoak) {
        const int result =
            RecordSoak(window, hours, cyclesPerSecond, argc > 3 ? std::atoi(argv[3]) : 1000, !chartOnly);
        window.Destroy();
        return result;
    }
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
