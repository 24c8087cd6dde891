// What the scripts that start emulated readers tell a test through its environment: port names.
#pragma once

#include <string>
#include <vector>

// The variable's value as a wide string; empty when it is not set.
std::wstring EnvironmentText(const char* variable);
// "COM20,COM21" as a list; empty when the variable is not set.
std::vector<std::wstring> EnvironmentList(const char* variable);
