#include "reader/baud_flags.h"

namespace {

struct BaudFlag {
    uint32_t flag;
    uint32_t rate;
};

// BAUD_075 .. BAUD_128K; BAUD_134_5 stands for 134.5 baud, rounded down here.
constexpr BaudFlag kBaudFlags[] = {
    {0x00000001, 75},    {0x00000002, 110},   {0x00000004, 134},   {0x00000008, 150},
    {0x00000010, 300},   {0x00000020, 600},   {0x00000040, 1200},  {0x00000080, 1800},
    {0x00000100, 2400},  {0x00000200, 4800},  {0x00000400, 7200},  {0x00000800, 9600},
    {0x00001000, 14400}, {0x00002000, 19200}, {0x00004000, 38400}, {0x00008000, 56000},
    {0x00040000, 57600}, {0x00020000, 115200}, {0x00010000, 128000},
};

bool RateOfFlag(uint32_t flag, uint32_t& rate) {
    for (const BaudFlag& entry : kBaudFlags) {
        if (entry.flag == flag) {
            rate = entry.rate;
            return true;
        }
    }
    return false;
}

bool SetListsRate(uint32_t settable, uint32_t baud) {
    for (const BaudFlag& entry : kBaudFlags) {
        if ((settable & entry.flag) != 0 && entry.rate == baud)
            return true;
    }
    return false;
}

}  // namespace

bool DriverSupportsBaud(uint32_t maxBaud, uint32_t settableBaud, uint32_t baud) {
    if (maxBaud == kBaudFlagUser)
        return (settableBaud & kBaudFlagUser) != 0 || SetListsRate(settableBaud, baud);
    uint32_t maxRate = 0;
    if (!RateOfFlag(maxBaud, maxRate))
        maxRate = maxBaud;
    return baud <= maxRate;
}
