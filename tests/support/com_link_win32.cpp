#include "tests/support/com_link_win32.h"

#include <iterator>

#include "reader/frame.h"
#include "reader/platform_win32.h"

CComLink::CComLink(const std::wstring& portName, uint8_t eventChar, const RdLinkConstants& constants,
                   IWaitClock* clock)
    : link(clock ? *clock : systemClock, constants), port(portName) {
    for (CEvent& event : link.events) event = Win32Platform().NewEvent();
    link.eventCount = link.events.size();
    port.SetEvents(link.events[1].Get(), link.events[2].Get(), link.events[3].Get());
    port.SetParams(kIdentBaud, constants.stopBits, eventChar);
    link.port = &port;
    link.running = true;
}

int CComLink::Exchange(uint8_t command, const std::vector<uint8_t>& payload) {
    return link.Exchange(command, payload.data(), payload.size(), link.reply);
}

bool CComLink::SwitchLineSpeed(uint32_t baud) {
    // The reader's speed indexes of command 0x2F.
    constexpr uint32_t kSpeeds[] = {9600, 19200, 38400, 57600, 115200, 230400};
    uint8_t index = 0;
    while (index < std::size(kSpeeds) && kSpeeds[index] != baud) ++index;
    if (index == std::size(kSpeeds) || Exchange(0x2F, {0x01, index}) != kStatusSuccess)
        return false;
    port.SetParams(baud, port.StopBits(), port.EventChar());
    return true;
}
