#include "reader/link_recovery.h"

#include "reader/frame.h"

bool TrySetLineSpeed(CRdPort& port, uint32_t baud, uint8_t eventChar) {
    if (!port.IsBaudSupported(baud))
        return false;
    try {
        port.SetParams(baud, port.StopBits(), eventChar);
    } catch (const CRdPortException&) {
        if (port.Lost())
            throw;
        return false;  // refused: the driver kept the rate it had
    }
    return true;
}

bool PortTakesSpeed(CRdPort& port, uint32_t baud) {
    const uint32_t before = port.BaudRate();
    if (!TrySetLineSpeed(port, baud, port.EventChar()))
        return false;
    port.SetParams(before, port.StopBits(), port.EventChar());
    return true;
}

void BuildLinkEnd(std::vector<uint8_t>& frame, uint8_t seq) {
    const uint8_t payload[] = {0x00, kSpeedUnchanged};
    BuildFrame(frame, seq, kCommandLink, payload, sizeof payload);
}
