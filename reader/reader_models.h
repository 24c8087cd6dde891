// The reader models this program can drive, and the line speed each one's link runs at.
#pragma once

#include <cstdint>

// Readers the session connects to; other found readers cannot be connected from the port list.
bool IsSupportedReaderModel(int32_t model);

// The line-speed index for the link start, or kSpeedUnchanged.
uint8_t ChooseLineSpeed(int32_t model, uint32_t firmware, bool supports230400);

// Line speeds by the index that command 0x2F carries.
inline constexpr uint32_t kLineSpeeds[] = {9600, 19200, 38400, 57600, 115200, 230400};
inline constexpr uint8_t kSpeed115200 = 4;
inline constexpr uint8_t kSpeed230400 = 5;
