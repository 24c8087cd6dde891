// A responder for ScriptedReader that behaves like a reader with one MIFARE Classic card: it
// keeps the card's block memory, and single replies can be overridden per command code to inject
// statuses, short replies or silence.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "tests/reader/scripted_reader.h"

struct FakeClassicReader {
    bool cardPresent = true;
    uint16_t atqa = 0x0004;
    uint8_t sak = 0x08;
    std::vector<uint8_t> uid{0x04, 0xA1, 0xB2, 0xC3};
    std::map<uint8_t, std::array<uint8_t, 16>> blocks;  // blocks not present read as zeros
    int authStatus = 0x55;
    // Next replies for a command code, used before the normal behaviour; nullopt = silence.
    std::map<uint8_t, std::deque<std::optional<ScriptedReply>>> overrides;

    std::optional<ScriptedReply> Respond(const SentCommand& command);
    Responder AsResponder() {
        return [this](const SentCommand& command) { return Respond(command); };
    }
    void Override(uint8_t command, std::optional<ScriptedReply> reply) {
        overrides[command].push_back(std::move(reply));
    }
};
