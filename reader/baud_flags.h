// The line speeds a serial driver reports in COMMPROP: dwMaxBaud is one BAUD_* flag (not a
// number), dwSettableBaud a set of them. Portable, so that the decoding is tested natively.
#pragma once

#include <cstdint>

// The flags' values as the system defines them.
inline constexpr uint32_t kBaudFlagUser = 0x10000000;  // BAUD_USER: programmable rates

// Whether a driver reporting maxBaud and settableBaud can run the line at baud. A maximum of
// BAUD_USER allows any rate the settable set lists, or any rate at all when the set holds
// BAUD_USER too. A maximum that is no known flag is taken as the rate itself, as a few drivers
// report it.
bool DriverSupportsBaud(uint32_t maxBaud, uint32_t settableBaud, uint32_t baud);
