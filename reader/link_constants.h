// The fixed values of the reader link, held once by the application object and handed to the
// exchange, the reader session and the port probing.
#pragma once

#include <cstdint>

struct RdLinkConstants {
    uint32_t replyTimeout = 5000;  // ms to wait for a reply or for a write to finish
    int attemptLimit = 2;          // tries per request
    uint8_t stopBits = 2;          // DCB stop-bits code: two stop bits
};

inline constexpr RdLinkConstants kReaderLink{};

// Line speed the reader answers its identification query at.
inline constexpr uint32_t kIdentBaud = 9600;
// Carriage return ends the identification answer; as event character it signals its arrival.
inline constexpr uint8_t kIdentEventChar = 13;
