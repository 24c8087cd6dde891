#include "testing/emulator/control_command.h"

#include "testing/emulator/emu_iso_cards.h"

#include <algorithm>
#include <iterator>
#include <sstream>

namespace {

bool ReadCount(std::istringstream& in, int& value, int fallback = 1) {
    value = fallback;
    if (in >> value)
        return value >= 0;
    return in.eof();
}

}  // namespace

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char c = text[j];
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return true;
}

ControlAction ApplyControlCommand(CReaderEmulator& reader, const std::string& line, std::string& message) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    EmuFaults& faults = reader.faults;
    int count = 0;
    message = "ok";
    if (verb.empty())
        return ControlAction::Applied;
    if (verb == "card") {
        std::string kindText, uidText;
        in >> kindText >> uidText;
        ClassicKind kind;
        std::vector<uint8_t> uid;
        const bool plusX = kindText == "plus-x";
        if ((!plusX && !ParseClassicKind(kindText, kind)) || !ParseHexBytes(uidText, uid) ||
            (uid.size() != 4 && uid.size() != 7)) {
            message = "usage: card mini|1k|2k|4k|plus-x UID(4 or 7 bytes hex)";
            return ControlAction::Invalid;
        }
        // A MIFARE Plus X 2K in level 1: Classic memory, an ATS naming the product.
        reader.PutCard(plusX ? PlusCard(PlusKind::X, 1, 2048, uid) : EmuCard::Classic(kind, uid));
        return ControlAction::Applied;
    }
    if (verb == "remove") {
        reader.RemoveCard();
        return ControlAction::Applied;
    }
    if (verb == "silent") {
        std::string state;
        in >> state;
        faults.silent = state != "off";
        return ControlAction::Applied;
    }
    if (verb == "status") {
        // status CMD STATUS: replies to command CMD (hex) carry STATUS (hex); status off: no more.
        std::string commandText, statusText;
        in >> commandText >> statusText;
        std::vector<uint8_t> command, status;
        if (commandText == "off") {
            faults.forcedCommand = -1;
            return ControlAction::Applied;
        }
        if (!ParseHexBytes(commandText, command) || !ParseHexBytes(statusText, status) || command.size() != 1 ||
            status.size() != 1) {
            message = "usage: status CMD STATUS (hex bytes) | status off";
            return ControlAction::Invalid;
        }
        faults.forcedCommand = command[0];
        faults.forcedStatus = status[0];
        return ControlAction::Applied;
    }
    if (verb == "count") {
        // count CMD: how many framed commands with code CMD (hex) arrived so far.
        std::string commandText;
        in >> commandText;
        std::vector<uint8_t> command;
        if (!ParseHexBytes(commandText, command) || command.size() != 1) {
            message = "usage: count CMD (hex byte)";
            return ControlAction::Invalid;
        }
        message = std::to_string(std::count_if(reader.commands.begin(), reader.commands.end(),
                                               [&](const EmuCommand& c) { return c.command == command[0]; }));
        return ControlAction::Applied;
    }
    if (verb == "speed") {
        int baud = 0;
        if (!(in >> baud) || std::find(std::begin(CReaderEmulator::kLineSpeeds), std::end(CReaderEmulator::kLineSpeeds),
                                       static_cast<uint32_t>(baud)) == std::end(CReaderEmulator::kLineSpeeds)) {
            message = "usage: speed 9600|19200|38400|57600|115200|230400";
            return ControlAction::Invalid;
        }
        reader.SetBaud(static_cast<uint32_t>(baud));
        return ControlAction::Applied;
    }
    if (verb == "delay") {
        int ms = 0;
        if (!(in >> ms) || ms < 0 || !ReadCount(in, count)) {
            message = "usage: delay MS [REPLIES]";
            return ControlAction::Invalid;
        }
        faults.delayMs = static_cast<uint32_t>(ms);
        faults.delayedReplies = count;
        return ControlAction::Applied;
    }
    if (verb == "unplug") {
        if (!ReadCount(in, count, 0))
            return ControlAction::Invalid;
        if (count == 0)
            return ControlAction::Unplug;
        faults.unplugAfterCommands = count;  // when that many more commands have arrived
        return ControlAction::Applied;
    }
    if (verb == "replug")
        return ControlAction::Replug;
    if (verb == "quit")
        return ControlAction::Quit;
    int* counter = nullptr;
    if (verb == "drop")
        counter = &faults.dropReplies;
    else if (verb == "corrupt")
        counter = &faults.corruptChecksums;
    else if (verb == "wrongseq")
        counter = &faults.wrongSequence;
    else if (verb == "stale")
        counter = &faults.staleFrameBefore;
    else if (verb == "garbage")
        counter = &faults.garbageBefore;
    else if (verb == "split")
        counter = &faults.splitReplies;
    else if (verb == "dropfast")
        counter = &faults.dropFastReplies;
    if (counter != nullptr && ReadCount(in, count)) {
        *counter = count;
        return ControlAction::Applied;
    }
    message = "unknown or malformed command: " + line;
    return ControlAction::Invalid;
}
