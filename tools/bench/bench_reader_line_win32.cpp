// Round trips per second through a real COM port (under Wine: the pty emulator, pacing its
// output at the line speed) compared with what the line allows: baud / (bytes per exchange x 11
// bit times: start bit, 8 data bits, 2 stop bits).
// usage: bench_reader_line COMn [baud] [seconds]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "foundation/errors.h"
#include "tests/support/com_link_win32.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reader_line COMn [baud] [seconds]\n");
        return 2;
    }
    const uint32_t baud = argc > 2 ? static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 10)) : 9600;
    const double seconds = argc > 3 ? std::wcstod(argv[3], nullptr) : 3.0;
    CComLink line(argv[1], 0);
    try {
        if (!line.port.Open()) {
            std::fprintf(stderr, "port busy\n");
            return 1;
        }
        if (baud != 9600 && !line.SwitchLineSpeed(baud)) {
            std::fprintf(stderr, "the reader did not move to %u baud\n", baud);
            return 1;
        }
        long rounds = 0;
        const auto start = std::chrono::steady_clock::now();
        double elapsed = 0;
        while (elapsed < seconds) {
            if (line.Exchange(0x2F, {0x01, 0x80}) != 0x55)
                return 1;
            ++rounds;
            elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        const int bytesPerExchange = 8 + 7;
        const double limit = static_cast<double>(baud) / (bytesPerExchange * 11);
        const double rate = static_cast<double>(rounds) / elapsed;
        std::printf("%6u baud: %7.1f round trips/s, line limit %7.1f/s (%d bytes x 11 bits), ratio %.2f\n",
                    baud, rate, limit, bytesPerExchange, rate / limit);
        if (baud != 9600)
            line.Exchange(0x2F, {0x00, 0x80});  // the link ends: the reader goes back to 9600
    } catch (const CMyError& error) {
        std::fprintf(stderr, "reader error %d\n", error.code);
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
