// The machine's time zone on the host: the C library's, as TZ sets it.
#include <ctime>

#include "foundation/local_time.h"

namespace {

class CHostTimeZone : public ITimeZone {
public:
    LocalTime ToLocal(int64_t utcMs) const override {
        const int64_t ms = ((utcMs % 1000) + 1000) % 1000;
        const std::time_t seconds = static_cast<std::time_t>((utcMs - ms) / 1000);
        std::tm parts{};
        localtime_r(&seconds, &parts);
        return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                parts.tm_min,         parts.tm_sec,     static_cast<int32_t>(ms)};
    }
};

}  // namespace

std::unique_ptr<ITimeZone> MachineTimeZone() {
    return std::make_unique<CHostTimeZone>();
}
