// qc-reader-emulator: the emulated card reader on a pseudo-terminal, for the program under Wine
// (map a COM port to the --link path). Prints "ready <terminal>" once it listens.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "testing/emulator/control_command.h"
#include "tools/reader-emulator/pty_server.h"

namespace {

const char kUsage[] =
    "usage: qc-reader-emulator --link PATH [options]\n"
    "  --link PATH          symlink to the terminal (map the COM port to it)\n"
    "  --code HEX           hardware code in the identification (default 811)\n"
    "  --serial N           serial number (default 12345)\n"
    "  --firmware TEXT      firmware version, empty for none (default 1.8.0)\n"
    "  --build TEXT         build date, empty for none (default \"Nov 16 2010 10:20:30\")\n"
    "  --cli                the CL-I variant of the name\n"
    "  --answer TEXT        identification answer sent verbatim (a CR is appended)\n"
    "  --card KIND          card in the field: mini, 1k, 2k, 4k, plus-x (default none)\n"
    "  --uid HEX            its UID, 4 or 7 bytes (default 04A1B2C3)\n"
    "  --reply-delay MS     the reader's time per command (default 2)\n"
    "  --pace               send at the line speed (11 bit times per byte)\n"
    "  --strict-baud        ignore the line while its speed differs from the reader's\n"
    "  --unplug-after N     vanish when the Nth framed command arrives\n"
    "  --control PATH       control FIFO, one command per line (see README.md)\n"
    "  --stdin              read control commands from standard input too\n"
    "  --verbose            log traffic on standard error\n";

}  // namespace

int main(int argc, char** argv) {
    CReaderEmulator reader;
    PtyServerOptions options;
    std::string cardKind, uidText = "04A1B2C3";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n%s", arg.c_str(), kUsage);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--link")
            options.linkPath = value();
        else if (arg == "--code")
            reader.identity.hardwareCode = static_cast<uint32_t>(std::strtoul(value().c_str(), nullptr, 16));
        else if (arg == "--serial")
            reader.identity.serial = std::atoi(value().c_str());
        else if (arg == "--firmware")
            reader.identity.firmware = value();
        else if (arg == "--build")
            reader.identity.buildDate = value();
        else if (arg == "--cli")
            reader.identity.clI = true;
        else if (arg == "--answer")
            reader.identity.answerOverride = value() + "\r";
        else if (arg == "--card")
            cardKind = value();
        else if (arg == "--uid")
            uidText = value();
        else if (arg == "--reply-delay")
            reader.replyDelayMs = static_cast<uint32_t>(std::atoi(value().c_str()));
        else if (arg == "--pace")
            options.pacing = true;
        else if (arg == "--strict-baud")
            options.strictBaud = true;
        else if (arg == "--unplug-after")
            reader.faults.unplugAfterCommands = std::atoi(value().c_str());
        else if (arg == "--control")
            options.controlPath = value();
        else if (arg == "--stdin")
            options.controlOnStdin = true;
        else if (arg == "--verbose")
            options.verbose = true;
        else {
            std::fprintf(stderr, "%s", kUsage);
            return arg == "--help" ? 0 : 2;
        }
    }
    if (options.linkPath.empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (!cardKind.empty()) {
        std::string message;
        if (ApplyControlCommand(reader, "card " + cardKind + " " + uidText, message) !=
            ControlAction::Applied) {
            std::fprintf(stderr, "%s\n", message.c_str());
            return 2;
        }
    }
    try {
        CPtyServer server(reader, options);
        return server.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qc-reader-emulator: %s\n", error.what());
        return 1;
    }
}
