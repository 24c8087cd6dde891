#include "settings/plan_settings.h"

namespace {

bool Within(const JsonValue* value, int64_t lowest, int64_t highest, int64_t& number) {
    if (!value)
        return false;
    number = value->AsInteger();
    return number >= lowest && number <= highest;
}

}  // namespace

void ReadTestPlan(const JsonValue& object, TestPlan& plan) {
    int64_t number = 0;
    if (Within(object.Find(kTestPlanMembers[0], JsonKind::Integer), 0, kPlanKindCount - 1, number))
        plan.kind = static_cast<PlanKind>(number);
    if (Within(object.Find(kTestPlanMembers[1], JsonKind::Integer), 1, kMostPlanCycles, number))
        plan.cycles = static_cast<uint64_t>(number);
    if (Within(object.Find(kTestPlanMembers[2], JsonKind::Integer), 1, kMostPlanMinutes, number))
        plan.minutes = static_cast<uint32_t>(number);
    if (Within(object.Find(kTestPlanMembers[3], JsonKind::Integer), 1, kMostPlanErrors, number))
        plan.errors = static_cast<uint64_t>(number);
}

void WriteTestPlan(JsonValue& object, const TestPlan& plan) {
    // A file that never had a plan stays as it was while the plan is the default one; one that
    // has its members gets them rewritten, so an old value never comes back.
    bool present = false;
    for (const wchar_t* member : kTestPlanMembers)
        present = present || (object.Kind() == JsonKind::Object && object.AsObject().Find(member));
    if (!present && plan == TestPlan{})
        return;
    object.Member(kTestPlanMembers[0], JsonKind::Integer).SetInteger(static_cast<int32_t>(plan.kind));
    object.Member(kTestPlanMembers[1], JsonKind::Integer).SetInteger(static_cast<int64_t>(plan.cycles));
    object.Member(kTestPlanMembers[2], JsonKind::Integer).SetInteger(plan.minutes);
    object.Member(kTestPlanMembers[3], JsonKind::Integer).SetInteger(static_cast<int64_t>(plan.errors));
}
