// The reader worker through a real COM port (under Wine: the pty emulator pacing its output
// at the line speed): block-test cycles per second beside the line's limit at 115200 baud
// (60 bytes per cycle, 11 bit times per byte); the same with the test's journal written beside it
// (the page's refresh every 333 ms, with and without a reports folder, taking turns in one run:
// the journal's cost is what the worker loses to it, which a loaded machine hides in its noise);
// then the worker's CPU use while connected and idle.
// usage: bench_connect_line COMn [test seconds] [idle seconds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/local_time.h"
#include "reader/platform_win32.h"
#include "reader/reader_worker.h"
#include "ui/reader_panel.h"
#include "ui/report_folder_win32.h"

namespace {

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Verified writes per second of one test of `seconds`, refreshed as the page does.
double RefreshedRate(CReaderPanel& panel, double seconds) {
    panel.StartTest(TestParameters{4, kClassicTransportKey, false, false}, {});
    Sleep(300);
    const int writtenStart = panel.Refresh().written;
    const DWORD start = GetTickCount();
    int written = writtenStart;
    while (GetTickCount() - start < seconds * 1000) {
        Sleep(333);
        written = panel.Refresh().written;
    }
    const double rate = (written - writtenStart) / ((GetTickCount() - start) / 1000.0);
    panel.Worker().StopTest();
    panel.Refresh();  // the report, with the journal
    return rate;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_connect_line COMn [test seconds] [idle seconds]\n");
        return 2;
    }
    const double testSeconds = argc > 2 ? std::wcstod(argv[2], nullptr) : 5.0;
    const double idleSeconds = argc > 3 ? std::wcstod(argv[3], nullptr) : 60.0;
    CReaderWorker thread(Win32Platform());
    thread.Start(argv[1]);
    const DWORD connectStart = GetTickCount();
    while (thread.ReadState() != kConnected) {
        if (GetTickCount() - connectStart > 20000) {
            std::fprintf(stderr, "no connection\n");
            return 1;
        }
        Sleep(20);
    }
    Sleep(500);

    thread.StartTest(TestParameters{4, kClassicTransportKey, false, false});
    Sleep(300);  // past the first cycle's selection and authentication
    const int writtenStart = thread.ReadStatus().written;
    const DWORD testStart = GetTickCount();
    Sleep(static_cast<DWORD>(testSeconds * 1000));
    const ReaderSnapshot status = thread.ReadStatus();
    const double elapsed = (GetTickCount() - testStart) / 1000.0;
    thread.StopTest();
    const double rate = (status.written - writtenStart) / elapsed;
    const double limit = 115200.0 / (60 * 11);
    std::printf(
        "block test at 115200 baud: %.1f cycles/s, line limit %.1f cycles/s, ratio %.2f (errors %d)\n", rate,
        limit, rate / limit, status.errors);

    // The journal on against off, in turns, so a drift of the machine's load falls on both.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    CReportFolder folder;
    folder.folder = std::wstring(temp) + L"qc-bench-reports";
    const auto zone = MachineTimeZone();
    CReaderPanel withJournal(thread, &folder, zone.get());
    CReaderPanel without(thread);
    // Off, on, on, off, ...: a load that rises or falls through the run falls on both alike.
    constexpr int kTurns = 4;
    double on = 0, off = 0;
    for (int turn = 0; turn < kTurns; ++turn) {
        const bool offFirst = turn % 2 == 0;
        (offFirst ? off : on) += RefreshedRate(offFirst ? without : withJournal, testSeconds);
        (offFirst ? on : off) += RefreshedRate(offFirst ? withJournal : without, testSeconds);
    }
    std::printf("block test with the journal: %.1f cycles/s, without: %.1f cycles/s, ratio %.3f\n", on / kTurns,
                off / kTurns, on / off);

    Sleep(500);
    const double cpuStart = ProcessCpuSeconds();
    const DWORD idleStart = GetTickCount();
    Sleep(static_cast<DWORD>(idleSeconds * 1000));
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double idleElapsed = (GetTickCount() - idleStart) / 1000.0;
    std::printf("connected and idle: CPU %.3f s in %.1f s = %.2f%% of a core\n", cpu, idleElapsed,
                100.0 * cpu / idleElapsed);
    thread.Stop();
    return 0;
}
