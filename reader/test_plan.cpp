#include "reader/test_plan.h"

#include <string>

namespace {

std::optional<uint64_t> WholeNumber(std::wstring_view text, uint64_t most) {
    while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    if (value == 0 || value > most)
        return std::nullopt;
    return value;
}

// "h:mm", "h:m" or "h" into minutes.
std::optional<uint64_t> Duration(std::wstring_view text) {
    const size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos) {
        const auto hours = WholeNumber(text, kMostPlanMinutes / 60);
        return hours ? std::optional<uint64_t>(*hours * 60) : std::nullopt;
    }
    std::wstring_view hourText = text.substr(0, colon);
    while (!hourText.empty() && hourText.front() == L' ') hourText.remove_prefix(1);
    const std::wstring_view minuteText = text.substr(colon + 1);
    uint64_t hours = 0;
    if (!hourText.empty() && hourText != L"0") {
        const auto parsed = WholeNumber(hourText, kMostPlanMinutes / 60);
        if (!parsed)
            return std::nullopt;
        hours = *parsed;
    }
    uint64_t minutes = 0;
    if (minuteText != L"0" && minuteText != L"00") {
        const auto parsed = WholeNumber(minuteText, 59);
        if (!parsed || minuteText.size() > 2)
            return std::nullopt;
        minutes = *parsed;
    }
    const uint64_t total = hours * 60 + minutes;
    if (total == 0 || total > kMostPlanMinutes)
        return std::nullopt;
    return total;
}

}  // namespace

std::optional<uint64_t> ParsePlanValue(PlanKind kind, std::wstring_view text) {
    switch (kind) {
        case PlanKind::kCycles: return WholeNumber(text, kMostPlanCycles);
        case PlanKind::kErrors: return WholeNumber(text, kMostPlanErrors);
        case PlanKind::kDuration: return Duration(text);
        default: return uint64_t{0};
    }
}

std::wstring PlanValueText(const TestPlan& plan) {
    switch (plan.kind) {
        case PlanKind::kCycles: return std::to_wstring(plan.cycles);
        case PlanKind::kErrors: return std::to_wstring(plan.errors);
        case PlanKind::kDuration: {
            const std::wstring minutes = std::to_wstring(plan.minutes % 60);
            return std::to_wstring(plan.minutes / 60) + L':' + (minutes.size() < 2 ? L"0" : L"") + minutes;
        }
        default: return {};
    }
}

void SetPlanValue(TestPlan& plan, uint64_t value) {
    switch (plan.kind) {
        case PlanKind::kCycles: plan.cycles = value; break;
        case PlanKind::kErrors: plan.errors = value; break;
        case PlanKind::kDuration: plan.minutes = static_cast<uint32_t>(value); break;
        default: break;
    }
}

PlanOutcome PlanReached(const TestPlan& plan, uint64_t verified, uint64_t errorEvents, uint64_t elapsedMs) {
    const PlanOutcome completed = errorEvents == 0 ? PlanOutcome::kPassed : PlanOutcome::kFailed;
    switch (plan.kind) {
        case PlanKind::kCycles: return verified >= plan.cycles ? completed : PlanOutcome::kNone;
        case PlanKind::kDuration:
            return elapsedMs >= uint64_t{plan.minutes} * 60000 ? completed : PlanOutcome::kNone;
        case PlanKind::kFirstError: return errorEvents >= 1 ? PlanOutcome::kFailed : PlanOutcome::kNone;
        case PlanKind::kErrors: return errorEvents >= plan.errors ? PlanOutcome::kFailed : PlanOutcome::kNone;
        default: return PlanOutcome::kNone;
    }
}
