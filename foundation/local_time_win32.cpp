// The machine's time zone on Windows: the dynamic zone, whose daylight-saving rules can differ
// from year to year, so a stamp from last winter converts by last winter's rule.
#include <windows.h>

#include "foundation/local_time.h"

namespace {

constexpr int64_t kFileTimeEpochMs = 11644473600000;  // 1601-01-01 to 1970-01-01

class CWindowsTimeZone : public ITimeZone {
public:
    // The zone is read once: a report converts every stamp by the same settings.
    CWindowsTimeZone() { dynamic_ = GetDynamicTimeZoneInformation(&zone_) != TIME_ZONE_ID_INVALID; }

    LocalTime ToLocal(int64_t utcMs) const override {
        const uint64_t ticks = static_cast<uint64_t>(utcMs + kFileTimeEpochMs) * 10000;
        FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME utc{}, local{};
        if (!FileTimeToSystemTime(&file, &utc))
            return CalendarTime(utcMs);
        if (!(dynamic_ && SystemTimeToTzSpecificLocalTimeEx(&zone_, &utc, &local)) &&
            !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
            local = utc;
        return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                local.wMilliseconds};
    }

private:
    DYNAMIC_TIME_ZONE_INFORMATION zone_{};
    bool dynamic_ = false;
};

}  // namespace

std::unique_ptr<ITimeZone> MachineTimeZone() {
    return std::make_unique<CWindowsTimeZone>();
}
