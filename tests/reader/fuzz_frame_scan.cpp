// Any received bytes, in any pieces: the frame scan always makes progress, never grows the
// buffer, and a frame it reports passes to ParseReply without reading outside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "reader/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t seq = data[0];
    const size_t piece = data[1] % 16 + 1;  // the bytes arrive in pieces of this size
    std::vector<uint8_t> input;
    for (size_t at = 2; at < size; at += piece) {
        const size_t end = at + piece < size ? at + piece : size;
        input.insert(input.end(), data + at, data + end);
        if (input.size() > 4096)
            input.erase(input.begin(), input.end() - 4096);  // as the port keeps it
        const size_t before = input.size();
        const bool found = ScanForFrame(input, seq);
        if (input.size() > before)
            std::abort();
        if (found) {
            if (input.size() < 6 || input[0] != 0x02 || input[1] != seq || input.size() < input[2])
                std::abort();
            uint8_t replySeq = 0;
            int status = 0;
            std::vector<uint8_t> reply;
            const std::vector<uint8_t> exact(input);
            ParseReply(exact.data(), exact.size(), replySeq, status, reply);
            input.clear();  // the exchange empties the buffer after a reply
        } else if (const size_t missing = FrameBytesMissing(input); missing == 0 || missing > 255) {
            std::abort();  // a read for it would ask for nothing, or for more than any reply holds
        }
    }
    // Whatever is left either has no start byte or an incomplete frame at its front.
    return 0;
}
