#include "tests/support/environment.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

std::wstring EnvironmentText(const char* variable) {
    const char* value = std::getenv(variable);
    return value == nullptr ? std::wstring() : std::wstring(value, value + std::strlen(value));
}

std::vector<std::wstring> EnvironmentList(const char* variable) {
    std::vector<std::wstring> items;
    std::wstringstream list(EnvironmentText(variable));
    for (std::wstring item; std::getline(list, item, L',');)
        if (!item.empty())
            items.push_back(item);
    return items;
}
