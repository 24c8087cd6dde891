// CPU cost of one Exchange round trip (frame, send, wait, scan, parse) against the in-process
// reader emulator on the simulated clock: the protocol's own cost, without any line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "testing/emulator/emu_link.h"

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::atol(argv[1]) : 200000;
    CEmuLink emu;
    emu.reader.PutCard(EmuCard::Classic(ClassicKind::K1, {0x04, 0xA1, 0xB2, 0xC3}));
    emu.reader.commands.reserve(static_cast<size_t>(rounds) + 16);
    const uint8_t select[] = {0x81, 0x04, 0xA1, 0xB2, 0xC3};
    const uint8_t auth[] = {0x02, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    emu.link.Exchange(0x46, select, sizeof select, emu.link.reply);
    emu.link.Exchange(0x50, auth, sizeof auth, emu.link.reply);
    const uint8_t read[] = {0x04};
    const uint8_t keepAlive[] = {0x01, 0x80};
    struct Kind {
        const char* name;
        uint8_t command;
        const uint8_t* payload;
        size_t size;
    } kinds[] = {{"keep-alive 0x2F (8 bytes out, 7 back)", 0x2F, keepAlive, sizeof keepAlive},
                 {"block read 0x51 (7 bytes out, 23 back)", 0x51, read, sizeof read}};
    for (const Kind& kind : kinds) {
        emu.reader.commands.clear();
        emu.port.written.clear();
        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        for (long i = 0; i < rounds; ++i) {
            if (emu.link.Exchange(kind.command, kind.payload, kind.size, emu.link.reply) != 0x55)
                return 1;
            if ((i & 1023) == 0) {
                emu.reader.commands.clear();
                emu.port.written.clear();
            }
        }
        const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        std::printf("%-40s %ld rounds: %.2f us CPU per exchange (%.2f us wall), emulator included\n",
                    kind.name, rounds, cpu * 1e6 / static_cast<double>(rounds),
                    wall * 1e6 / static_cast<double>(rounds));
    }
    return 0;
}
