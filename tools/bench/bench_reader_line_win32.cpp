// Round trips per second through a real COM port (under Wine: the pty emulator, pacing its
// output at the line speed) compared with what the line allows: baud / (bytes per exchange x 11
// bit times: start bit, 8 data bits, 2 stop bits).
// usage: bench_reader_line COMn [baud] [seconds]
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/errors.h"
#include "foundation/handle_win32.h"
#include "reader/exchange.h"
#include "reader/ident.h"
#include "reader/rd_com_port_win32.h"
#include "reader/wait_clock_win32.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reader_line COMn [baud] [seconds]\n");
        return 2;
    }
    const uint32_t baud = argc > 2 ? static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 10)) : 9600;
    const double seconds = argc > 3 ? std::wcstod(argv[3], nullptr) : 3.0;
    std::array<CHandle, 4> events;
    CWin32WaitClock clock;
    CRdComPort port;
    CRdExchange link(clock, kReaderLink);
    for (size_t i = 0; i < events.size(); ++i) {
        events[i].Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        link.events[i] = events[i].Get();
    }
    link.eventCount = events.size();
    link.port = &port;
    link.running = true;
    port.name = argv[1];
    port.SetEvents(events[1].Get(), events[2].Get(), events[3].Get());
    port.SetParams(kIdentBaud, kReaderLink.stopBits, 0);
    try {
        if (!port.Open()) {
            std::fprintf(stderr, "port busy\n");
            return 1;
        }
        const uint8_t keepAlive[] = {0x01, 0x80};
        if (baud != 9600) {
            uint8_t index = 0;
            const uint32_t speeds[] = {9600, 19200, 38400, 57600, 115200, 230400};
            while (index < 6 && speeds[index] != baud) ++index;
            if (index == 6) {
                std::fprintf(stderr, "unsupported baud rate\n");
                return 2;
            }
            const uint8_t linkStart[] = {0x01, index};
            if (link.Exchange(0x2F, linkStart, sizeof linkStart, link.reply) != 0x55)
                return 1;
            port.SetParams(baud, port.stopBits, port.eventChar);
        }
        long rounds = 0;
        const auto start = std::chrono::steady_clock::now();
        double elapsed = 0;
        while (elapsed < seconds) {
            if (link.Exchange(0x2F, keepAlive, sizeof keepAlive, link.reply) != 0x55)
                return 1;
            ++rounds;
            elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        const int bytesPerExchange = 8 + 7;
        const double limit = static_cast<double>(baud) / (bytesPerExchange * 11);
        const double rate = static_cast<double>(rounds) / elapsed;
        std::printf("%6u baud: %7.1f round trips/s, line limit %7.1f/s (%d bytes x 11 bits), ratio %.2f\n",
                    baud, rate, limit, bytesPerExchange, rate / limit);
        if (baud != 9600) {
            const uint8_t linkEnd[] = {0x00, 0x80};
            link.Exchange(0x2F, linkEnd, sizeof linkEnd, link.reply);
        }
    } catch (const CMyError& error) {
        std::fprintf(stderr, "reader error %d\n", error.code);
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
