// When a test ends by itself: the test plan of one reader, the limits its values must keep and
// the decision, made on the record's figures, that the plan has ended the test. Plain logic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class PlanKind : int32_t {
    kUntilStopped = 0,  // as before plans: only Stop ends the test
    kCycles = 1,        // after a number of verified cycles
    kDuration = 2,      // after hours and minutes of testing
    kFirstError = 3,    // at the first error the record counts
    kErrors = 4,        // after a number of such errors
};
inline constexpr int32_t kPlanKindCount = 5;

// Each kind keeps its own value, so switching kinds back and forth loses nothing the user typed.
struct TestPlan {
    PlanKind kind = PlanKind::kUntilStopped;
    uint64_t cycles = 1000;
    uint32_t minutes = 60;
    uint64_t errors = 10;

    bool operator==(const TestPlan&) const = default;
};

// The largest values a plan takes: a month and more at the reader's best rate, and about six
// weeks of testing. A larger value is refused rather than silently cut.
inline constexpr uint64_t kMostPlanCycles = 1000000000;
inline constexpr uint32_t kMostPlanMinutes = 999 * 60 + 59;
inline constexpr uint64_t kMostPlanErrors = 1000000;

// The value typed for a kind: a whole number for cycles and errors, hours:minutes (or whole
// hours) for a duration. Nothing for text that is not such a value or lies outside 1..the kind's
// most; the kinds without a value take any text.
std::optional<uint64_t> ParsePlanValue(PlanKind kind, std::wstring_view text);
// The value as the field shows it ("1000", "2:05"); empty for the kinds without one.
std::wstring PlanValueText(const TestPlan& plan);
// Stores a parsed value into the plan's field for its kind.
void SetPlanValue(TestPlan& plan, uint64_t value);

enum class PlanOutcome : int32_t { kNone = 0, kPassed = 1, kFailed = 2 };

// Whether the plan has ended a test with these figures, and how: a plan that completes without
// an error passes; one that ends on errors, or completes after one, fails.
PlanOutcome PlanReached(const TestPlan& plan, uint64_t verified, uint64_t errorEvents, uint64_t elapsedMs);
