// The plan's values as typed, and when a plan has ended a test.
#include <gtest/gtest.h>

#include "reader/test_plan.h"

namespace {

TEST(TestPlanTest, TypedValuesAreTakenOrRefused) {
    const struct {
        PlanKind kind;
        const wchar_t* text;
        std::optional<uint64_t> value;
    } rows[] = {
        {PlanKind::kCycles, L"1000", 1000},
        {PlanKind::kCycles, L" 25 ", 25},
        {PlanKind::kCycles, L"0", std::nullopt},
        {PlanKind::kCycles, L"-5", std::nullopt},
        {PlanKind::kCycles, L"1000000000", 1000000000},
        {PlanKind::kCycles, L"1000000000000", std::nullopt},  // 10^12
        {PlanKind::kCycles, L"99999999999999999999999", std::nullopt},
        {PlanKind::kCycles, L"", std::nullopt},
        {PlanKind::kCycles, L"1e3", std::nullopt},
        {PlanKind::kErrors, L"1", 1},
        {PlanKind::kErrors, L"1000001", std::nullopt},
        {PlanKind::kDuration, L"2:05", 125},
        {PlanKind::kDuration, L"0:01", 1},
        {PlanKind::kDuration, L"8", 480},
        {PlanKind::kDuration, L"999:59", 59999},
        {PlanKind::kDuration, L"0:00", std::nullopt},
        {PlanKind::kDuration, L"0", std::nullopt},
        {PlanKind::kDuration, L"10000:00", std::nullopt},
        {PlanKind::kDuration, L"10000", std::nullopt},
        {PlanKind::kDuration, L"1:60", std::nullopt},
        {PlanKind::kDuration, L"-1:00", std::nullopt},
        {PlanKind::kDuration, L"1:", std::nullopt},
        {PlanKind::kFirstError, L"anything", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParsePlanValue(row.kind, row.text), row.value) << static_cast<int>(row.kind) << " \"" << row.text << '"';
}

TEST(TestPlanTest, ShownValueReadsBackAsTheSameValue) {
    TestPlan plan;
    for (PlanKind kind : {PlanKind::kCycles, PlanKind::kDuration, PlanKind::kErrors}) {
        plan.kind = kind;
        for (uint64_t value : {uint64_t{1}, uint64_t{59}, uint64_t{61}, uint64_t{59999}}) {
            SetPlanValue(plan, value);
            EXPECT_EQ(ParsePlanValue(kind, PlanValueText(plan)), value);
        }
    }
}

TEST(TestPlanTest, WhenAPlanEndsATest) {
    TestPlan cycles{PlanKind::kCycles, 100, 60, 10};
    TestPlan duration{PlanKind::kDuration, 100, 2, 10};
    TestPlan firstError{PlanKind::kFirstError, 100, 60, 10};
    TestPlan errors{PlanKind::kErrors, 100, 60, 3};
    const TestPlan untilStopped;
    const struct {
        const TestPlan& plan;
        uint64_t verified, errorEvents, elapsedMs;
        PlanOutcome outcome;
    } rows[] = {
        {cycles, 99, 0, 1000, PlanOutcome::kNone},
        {cycles, 100, 0, 1000, PlanOutcome::kPassed},
        {cycles, 100, 1, 1000, PlanOutcome::kFailed},
        {duration, 5, 0, 119999, PlanOutcome::kNone},
        {duration, 5, 0, 120000, PlanOutcome::kPassed},
        {duration, 5, 2, 120000, PlanOutcome::kFailed},
        {firstError, 1000000, 0, 3600000, PlanOutcome::kNone},
        {firstError, 0, 1, 10, PlanOutcome::kFailed},
        {errors, 0, 2, 10, PlanOutcome::kNone},
        {errors, 0, 3, 10, PlanOutcome::kFailed},
        {untilStopped, 1u << 30, 1u << 20, 1ull << 40, PlanOutcome::kNone},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PlanReached(row.plan, row.verified, row.errorEvents, row.elapsedMs), row.outcome)
            << static_cast<int>(row.plan.kind) << ' ' << row.verified << ' ' << row.errorEvents << ' ' << row.elapsedMs;
}

}  // namespace
