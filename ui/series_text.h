// The words for the test's series, shared by the saved report's table and the chart's line under
// the mouse: each error kind's name, the report's interval for a test's length and the values
// of one interval. Plain logic.
#pragma once

#include <cstdint>
#include <string>

#include "reader/test_series.h"

// The text id of an error kind's name ("Card errors", ...).
unsigned SeriesKindTextId(SeriesError kind);

// The report's interval: a minute under two hours, ten minutes up to a day, an hour beyond.
uint64_t ReportIntervalMs(uint64_t elapsedMs);

// "0:12:00–0:13:00  158.2/s  Mismatches 2, Link trouble 1": the stretch as times since the
// start, the rate and the kinds of error that came in it ("no errors" when none did).
std::wstring IntervalValuesText(const SeriesInterval& interval);
