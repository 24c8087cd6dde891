// A reader's test plan in the settings: its members in the reader's object ("main" for the
// first reader), read and written in one place so every reader's object holds them alike.
#pragma once

#include "reader/test_plan.h"
#include "settings/json_value.h"

// Members of another kind, or values a plan cannot take (hand-edited), leave the field alone.
void ReadTestPlan(const JsonValue& object, TestPlan& plan);
// Writes nothing for the default plan into an object that has none of the members.
void WriteTestPlan(JsonValue& object, const TestPlan& plan);

// The members WriteTestPlan writes, all integers, in its order.
inline constexpr const wchar_t* kTestPlanMembers[] = {L"planKind", L"planCycles", L"planMinutes", L"planErrors"};
