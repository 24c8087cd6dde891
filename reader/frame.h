// The reader's framed messages: building requests, finding a reply in the received bytes,
// validating it. Pure functions over byte buffers.
//
// Frame: 0x02, sequence number, total length L, command, payload (request) or status + data
// (reply), then a 16-bit little-endian wrapping sum of bytes 0 .. L-3.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint8_t kFrameStart = 0x02;
inline constexpr size_t kFrameOverhead = 6;      // start, seq, length, command, checksum
inline constexpr size_t kMaxFramePayload = 249;  // the length byte limits a frame to 255 bytes
inline constexpr size_t kMinReplyLength = 7;     // a reply adds its status byte
inline constexpr uint8_t kStatusSuccess = 0x55;
// The reader's reset reply is taken without checking its checksum.
inline constexpr uint8_t kCommandReset = 0x23;

uint16_t FrameChecksum(const uint8_t* data, size_t size);

// Replaces frame with the request; throws std::length_error when size exceeds kMaxFramePayload.
void BuildFrame(std::vector<uint8_t>& frame, uint8_t seq, uint8_t command, const uint8_t* payload,
                size_t size);

// One scan of the received bytes for the reply numbered seq: drops bytes before the first start
// byte and whole frames with other sequence numbers. True when a complete frame with seq is at
// offset 0. Bytes without any start byte stay. Always makes progress, whatever the length bytes.
bool ScanForFrame(std::vector<uint8_t>& input, uint8_t seq);

// How many more bytes must arrive before the input can hold a whole reply: the rest of one
// begun at its start (where ScanForFrame leaves it), else a whole reply's least length.
size_t FrameBytesMissing(const std::vector<uint8_t>& input);

// Validates a buffer holding exactly one reply frame and extracts its parts.
bool ParseReply(const uint8_t* buffer, size_t count, uint8_t& seq, int& status, std::vector<uint8_t>& data);
