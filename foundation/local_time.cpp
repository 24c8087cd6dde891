#include "foundation/local_time.h"

#include <chrono>

#include "foundation/text_format.h"

namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int32_t& year, int32_t& month, int32_t& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int32_t>(yoe + era * 400 + (month <= 2));
}

}  // namespace

int64_t CalendarMilliseconds(const LocalTime& t) {
    const int64_t days = DaysFromCivil(t.year, t.month, t.day);
    return days * kMsPerDay + ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

LocalTime CalendarTime(int64_t ms) {
    int64_t days = ms / kMsPerDay;
    int64_t rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    LocalTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.millisecond = static_cast<int32_t>(rest % 1000);
    rest /= 1000;
    t.second = static_cast<int32_t>(rest % 60);
    rest /= 60;
    t.minute = static_cast<int32_t>(rest % 60);
    t.hour = static_cast<int32_t>(rest / 60);
    return t;
}

LocalTime TimeAfter(const LocalTime& start, uint64_t ms) {
    return CalendarTime(CalendarMilliseconds(start) + static_cast<int64_t>(ms));
}

int64_t CurrentUtcMilliseconds() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
}

LocalTime CurrentLocalTime() {
    return MachineTimeZone()->ToLocal(CurrentUtcMilliseconds());
}

std::wstring DateTimeText(const LocalTime& t, bool milliseconds) {
    std::wstring text;
    AppendFormat(text, L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    if (milliseconds)
        AppendFormat(text, L".%03d", t.millisecond);
    return text;
}

std::wstring CompactDateTime(const LocalTime& t) {
    std::wstring text;
    AppendFormat(text, L"%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::wstring DurationText(uint64_t ms) {
    const uint64_t seconds = ms / 1000;
    std::wstring text = std::to_wstring(seconds / 3600);
    AppendFormat(text, L":%02d:%02d", static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}
