// Bringing a reader back from a fast line speed, for the connection and the port probe alike. A
// reader left at a fast speed (a connect that failed after the switch, a program killed while
// connected) hears only noise at 9600 baud; the link end sent at its speed returns it to 9600.
// And line speeds themselves: a driver may claim a rate it refuses once it is set.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/rd_port.h"

// The link command (start, keep-alive, end) and its speed byte that keeps the line speed.
inline constexpr uint8_t kCommandLink = 0x2F;
inline constexpr uint8_t kSpeedUnchanged = 0x80;

// The fast speeds of the reader models, in the order the link end is tried at them.
inline constexpr uint32_t kRecoverySpeeds[] = {115200, 230400};
// How long the link end's write, and then its reply, may take.
inline constexpr uint32_t kLinkEndWait = 500;

// Sets the line to baud when the driver claims it and takes it; false, with the line as it was,
// when either fails. (The standard driver of a 16550-class port claims any rate and refuses
// everything above 115200 only when it is set.) A port that is lost throws as ever.
bool TrySetLineSpeed(CRdPort& port, uint32_t baud, uint8_t eventChar);

// Whether the port runs at baud, tried by setting it and going back to the rate it had.
bool PortTakesSpeed(CRdPort& port, uint32_t baud);

// The link end (command 0x2F, mode 0, speed unchanged) numbered seq.
void BuildLinkEnd(std::vector<uint8_t>& frame, uint8_t seq);
