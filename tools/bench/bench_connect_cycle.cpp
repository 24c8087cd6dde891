// CPU time of one block-test cycle of the reader session (write, read-back, counters) against
// the in-process reader emulator on the simulated clock: the worker's own cost, without a line.
// usage: bench_connect_cycle [cycles]
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "tests/reader/session_driver.h"
#include "testing/emulator/emu_platform.h"

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 100000;
    CEmuPlatform platform;
    platform.reader.replyDelayMs = 1;
    platform.reader.PutCard(EmuCard::Classic(ClassicKind::K1, {0x04, 0xA1, 0xB2, 0xC3}));
    CSessionDriver thread(platform);
    std::clock_t cpuStart = 0;
    long startWritten = 0;
    // Connects and starts the test at 1000 ms; from then on a check every 100 ms stops the run
    // once enough cycles were counted.
    platform.clock.After(1000, [&] {
        thread.StartTest(TestParameters{4, kClassicTransportKey, false, false});
        cpuStart = std::clock();
    });
    std::function<void()> check = [&] {
        if (thread.shared.Read().written - startWritten >= cycles) {
            thread.RequestStop();
            return;
        }
        platform.reader.commands.clear();
        platform.clock.After(100, check);
    };
    platform.clock.After(1100, check);
    thread.Run(L"COM7");
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const ReaderSnapshot status = thread.shared.Read();
    std::printf("block-test cycles: %d written, %d errors, CPU %.3f s, %.2f us per cycle\n", status.written,
                status.errors, cpu, cpu * 1e6 / status.written);
    return status.errors == 0 && status.written >= cycles ? 0 : 1;
}
