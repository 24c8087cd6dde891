#include "reader/frame.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>


uint16_t FrameChecksum(const uint8_t* data, size_t size) {
    uint16_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum = static_cast<uint16_t>(sum + data[i]);
    return sum;
}

void BuildFrame(std::vector<uint8_t>& frame, uint8_t seq, uint8_t command, const uint8_t* payload,
                size_t size) {
    if (size > kMaxFramePayload)
        throw std::length_error("reader frame payload too long");
    const size_t length = size + kFrameOverhead;
    frame.resize(length);
    frame[0] = kFrameStart;
    frame[1] = seq;
    frame[2] = static_cast<uint8_t>(length);
    frame[3] = command;
    if (size != 0)
        std::copy(payload, payload + size, frame.begin() + 4);
    const uint16_t sum = FrameChecksum(frame.data(), length - 2);
    frame[length - 2] = static_cast<uint8_t>(sum & 0xFF);
    frame[length - 1] = static_cast<uint8_t>(sum >> 8);
}

bool ScanForFrame(std::vector<uint8_t>& input, uint8_t seq) {
    // Dropped bytes are only counted while scanning and erased once, so a flood costs linear time.
    size_t offset = 0;
    bool found = false;
    for (;;) {
        const auto start =
            std::find(input.begin() + static_cast<std::ptrdiff_t>(offset), input.end(), kFrameStart);
        if (start == input.end())
            break;
        offset = static_cast<size_t>(start - input.begin());
        const size_t available = input.size() - offset;
        if (available < kFrameOverhead)
            break;
        const size_t length = input[offset + 2];
        if (available < length)
            break;
        if (input[offset + 1] == seq) {
            found = true;
            break;
        }
        // A foreign frame goes whole; a length byte of 0 would drop nothing, so at least the
        // start byte goes and the scan resumes after it.
        offset += std::max<size_t>(length, 1);
    }
    input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(std::min(offset, input.size())));
    return found;
}

size_t FrameBytesMissing(const std::vector<uint8_t>& input) {
    if (input.empty() || input[0] != kFrameStart)
        return kMinReplyLength;
    if (input.size() < 3)
        return kMinReplyLength - input.size();
    const size_t length = std::max<size_t>(input[2], kFrameOverhead);
    return input.size() < length ? length - input.size() : 1;
}

bool ParseReply(const uint8_t* buffer, size_t count, uint8_t& seq, int& status, std::vector<uint8_t>& data) {
    // The buffer must be exactly one frame: a length byte above the count would make the
    // checksum and data lie beyond the buffer, one below it leaves stray bytes.
    if (count < kMinReplyLength || buffer[0] != kFrameStart || buffer[2] != count)
        return false;
    const size_t length = buffer[2];
    seq = buffer[1];
    if (buffer[3] != kCommandReset) {
        const uint16_t expected = static_cast<uint16_t>(buffer[length - 2] | (buffer[length - 1] << 8));
        if (FrameChecksum(buffer, length - 2) != expected)
            return false;
    }
    status = buffer[4];
    data.assign(buffer + 5, buffer + (length - 2));
    return true;
}
