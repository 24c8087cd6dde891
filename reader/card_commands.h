// Reader command codes, statuses and the fixed payload pieces of the card commands.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "foundation/classic_card.h"

inline constexpr uint8_t kCmdIndicate = 0x20;
inline constexpr uint8_t kCmdReset = 0x23;
inline constexpr uint8_t kCmdEndPoll = 0x24;
inline constexpr uint8_t kCmdLink = 0x2F;
inline constexpr uint8_t kCmdSearch = 0x45;
inline constexpr uint8_t kCmdSelect = 0x46;
inline constexpr uint8_t kCmdRequestAts = 0x48;
inline constexpr uint8_t kCmdAuthenticate = 0x50;
inline constexpr uint8_t kCmdReadBlock = 0x51;
inline constexpr uint8_t kCmdWriteBlock = 0x52;
inline constexpr uint8_t kCmdAesAuthenticate = 0x60;
inline constexpr uint8_t kCmdPassThrough = 0x6E;

// Statuses the card steps tell apart (0x55, success, is kStatusSuccess of frame.h).
inline constexpr int kStatusInvalidCommand = 2;
inline constexpr int kStatusHardwareFailure = 5;
inline constexpr int kStatusNoCard = 6;
inline constexpr int kStatusAuthFailed = 8;
inline constexpr int kStatusCardRefused = 9;
inline constexpr int kStatusWrongAddress = 13;

// Indication codes of command 0x20: a card arrived while connected (two commands), a card was
// found while connecting, the card left.
inline constexpr uint8_t kIndicateArrival = 0xBE;
inline constexpr uint8_t kIndicateArrivalDone = 0x20;
inline constexpr uint8_t kIndicateFoundAtConnect = 0xAE;
inline constexpr uint8_t kIndicateLeft = 0xAB;

// Published transport keys the cards leave the factory with: MIFARE Classic (key A and B) and
// MIFARE Plus (AES).
inline constexpr std::array<uint8_t, 6> kClassicTransportKeyBytes = [] {
    std::array<uint8_t, 6> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(kClassicTransportKey >> (8 * i));
    return bytes;
}();
inline constexpr std::array<uint8_t, 16> kPlusAesTransportKey = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// A payload of fixed leading bytes followed by a run of data bytes.
inline std::vector<uint8_t> PayloadOf(std::initializer_list<uint8_t> head, const uint8_t* tail,
                                      size_t tailSize) {
    std::vector<uint8_t> payload(head.size() + tailSize);
    std::copy(head.begin(), head.end(), payload.begin());
    std::copy_n(tail, tailSize, payload.begin() + static_cast<std::ptrdiff_t>(head.size()));
    return payload;
}
