#include "tests/reader/fake_classic_reader.h"

std::optional<ScriptedReply> FakeClassicReader::Respond(const SentCommand& command) {
    auto pending = overrides.find(command.command);
    if (pending != overrides.end() && !pending->second.empty()) {
        std::optional<ScriptedReply> reply = pending->second.front();
        pending->second.pop_front();
        return reply;
    }
    switch (command.command) {
        case 0x20: return ScriptedReply{0x55, {0x00}};
        case 0x45: {
            if (!cardPresent)
                return ScriptedReply{9, {}};
            std::vector<uint8_t> data{static_cast<uint8_t>(atqa & 0xFF), static_cast<uint8_t>(atqa >> 8),
                                      sak};
            data.insert(data.end(), uid.begin(), uid.end());
            return ScriptedReply{0x55, data};
        }
        case 0x46: return ScriptedReply{cardPresent ? 0x55 : 9, {}};
        case 0x50: return ScriptedReply{cardPresent ? authStatus : 5, {0x00}};
        case 0x51: {
            if (!cardPresent)
                return ScriptedReply{6, {}};
            const auto& stored = blocks[command.payload.at(0)];
            return ScriptedReply{0x55, std::vector<uint8_t>(stored.begin(), stored.end())};
        }
        case 0x52: {
            if (!cardPresent)
                return ScriptedReply{6, {}};
            auto& stored = blocks[command.payload.at(0)];
            std::copy(command.payload.begin() + 1, command.payload.begin() + 17, stored.begin());
            return ScriptedReply{0x55, {}};
        }
        default: return ScriptedReply{0x55, {}};  // 0x23, 0x24, 0x2F, 0x48 (no ATS)
    }
}
