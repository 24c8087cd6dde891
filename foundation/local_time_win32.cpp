// The machine's time zone on Windows: the dynamic zone, whose daylight-saving rules can differ
// from year to year, so a stamp from last winter converts by last winter's rule.
#include <windows.h>

#include <map>

#include "foundation/local_time.h"

namespace {

constexpr int64_t kFileTimeEpochMs = 11644473600000;  // 1601-01-01 to 1970-01-01

// One object per conversion run, on one thread (its cache is not locked).
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
        // The year's own rules, the way SystemTimeToTzSpecificLocalTimeEx takes them (which Wine
        // lacks): the current zone's rules otherwise.
        const TIME_ZONE_INFORMATION* rules = RulesOfYear(utc.wYear);
        if (!SystemTimeToTzSpecificLocalTime(rules, &utc, &local))
            local = utc;
        return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                local.wMilliseconds};
    }

private:
    const TIME_ZONE_INFORMATION* RulesOfYear(USHORT year) const {
        if (!dynamic_)
            return nullptr;
        auto found = years_.find(year);
        if (found == years_.end()) {
            TIME_ZONE_INFORMATION rules{};
            if (!GetTimeZoneInformationForYear(year, &zone_, &rules))
                return nullptr;
            found = years_.emplace(year, rules).first;
        }
        return &found->second;
    }

    mutable DYNAMIC_TIME_ZONE_INFORMATION zone_{};
    mutable std::map<USHORT, TIME_ZONE_INFORMATION> years_;
    bool dynamic_ = false;
};

}  // namespace

std::unique_ptr<ITimeZone> MachineTimeZone() {
    return std::make_unique<CWindowsTimeZone>();
}
