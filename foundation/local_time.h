// Local calendar time to the millisecond, and the arithmetic the test record needs to stamp a
// line as "start plus ticks since the start" (the tick clock is steady, the wall clock is not).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct LocalTime {
    int32_t year = 1970;
    int32_t month = 1;  // 1..12
    int32_t day = 1;    // 1..31
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t millisecond = 0;
    bool operator==(const LocalTime&) const = default;
};

// Milliseconds since 1970-01-01 00:00 of the same calendar (no time zone involved), and back.
int64_t CalendarMilliseconds(const LocalTime& time);
LocalTime CalendarTime(int64_t milliseconds);
LocalTime TimeAfter(const LocalTime& start, uint64_t milliseconds);

// A time zone: the local calendar time of a moment given in ms since 1970-01-01 00:00 UTC, by
// the zone's offset at that moment (daylight saving included).
class ITimeZone {
public:
    virtual ~ITimeZone() = default;
    virtual LocalTime ToLocal(int64_t utcMs) const = 0;
};

// The machine's time zone as it is set now, with its rules for every year.
std::unique_ptr<ITimeZone> MachineTimeZone();

// Now, in ms since 1970-01-01 00:00 UTC.
int64_t CurrentUtcMilliseconds();

// The machine's local time now.
LocalTime CurrentLocalTime();

// "2026-12-08 16:40:05" and, with milliseconds, "2026-12-08 16:40:05.123".
std::wstring DateTimeText(const LocalTime& time, bool milliseconds = false);
// "20261208-164005", for file names.
std::wstring CompactDateTime(const LocalTime& time);
// "1:02:03": hours (as many as it takes), minutes and seconds.
std::wstring DurationText(uint64_t milliseconds);
