#include "reader/link_recovery.h"

#include "reader/frame.h"

bool TrySetLineSpeed(CRdPort& port, uint32_t baud, uint8_t eventChar) {
    if (!port.IsBaudSupported(baud))
        return false;
    try {
        port.SetParams(baud, port.stopBits, eventChar);
    } catch (const CRdPortException&) {
        if (port.lost)
            throw;
        return false;  // refused: the driver kept the rate it had
    }
    return true;
}

bool PortTakesSpeed(CRdPort& port, uint32_t baud) {
    const uint32_t before = port.baudRate;
    if (!TrySetLineSpeed(port, baud, port.eventChar))
        return false;
    port.SetParams(before, port.stopBits, port.eventChar);
    return true;
}

void BuildLinkEnd(std::vector<uint8_t>& frame, uint8_t seq) {
    const uint8_t payload[] = {0x00, kSpeedUnchanged};
    BuildFrame(frame, seq, kCommandLink, payload, sizeof payload);
}
