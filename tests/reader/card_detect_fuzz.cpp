// Random reader answers through connect, card poll, detection and a few test cycles: nothing may
// read outside a reply, loop without end or let an exception out of the worker.
#include <cstddef>
#include <cstdint>

#include "tests/reader/session_driver.h"
#include "tests/reader/scripted_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScriptedReader reader;
    reader.identAnswer = IdentLine("811", "1.9.0");
    size_t position = 0;
    reader.responder = [&](const SentCommand& sent) -> std::optional<ScriptedReply> {
        if (sent.command == 0x2F)
            return ScriptedReply{0x55};
        if (position >= size)
            return ScriptedReply{9};
        const uint8_t head = data[position++];
        if (head == 0xFF)
            return std::nullopt;  // silence
        // Success most of the time, else one of the low statuses the steps tell apart.
        const int status = head & 0x80 ? 0x55 : head & 0x0F;
        const size_t length = position < size ? data[position++] % 48 : 0;
        std::vector<uint8_t> reply(data + position, data + std::min(size, position + length));
        position += reply.size();
        return ScriptedReply{status, std::move(reply)};
    };
    CScriptedPlatform platform(reader);
    CSessionDriver thread(platform);
    platform.clock.After(400, [&] { thread.StartTest(TestParameters{}); });
    platform.clock.After(30000, [&] { thread.RequestStop(); });
    thread.Run(L"COM7");
    (void)thread.shared.ReadCard();
    return 0;
}
