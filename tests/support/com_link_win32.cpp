#include "tests/support/com_link_win32.h"

#include <iterator>
#include <system_error>

#include "reader/frame.h"

namespace {

CHandle NewEvent() {
    CHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!event.IsValid())
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    return event;
}

}  // namespace

CComLink::CComLink(const std::wstring& portName, uint8_t eventChar, const RdLinkConstants& constants,
                   IWaitClock* clock)
    : events{NewEvent(), NewEvent(), NewEvent(), NewEvent()}, link(clock ? *clock : systemClock, constants) {
    for (size_t i = 0; i < events.size(); ++i) link.events[i] = events[i].Get();
    link.eventCount = events.size();
    port.name = portName;
    port.SetEvents(events[1].Get(), events[2].Get(), events[3].Get());
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
    port.SetParams(baud, port.stopBits, port.eventChar);
    return true;
}
