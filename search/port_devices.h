// The machine's COM ports as one enumeration sees them, behind an interface so the search logic
// can be fed device lists in tests (the OS's device tree under Wine has no COM ports at all).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ListedPort {
    std::wstring name;      // e.g. COM3
    int32_t modelHint = 0;    // model implied by the adapter, 0 = none
    bool recognised = false;  // one of the maker's adapters (not merely listed by searchAll)
};

class IPortEnumerator {
public:
    virtual ~IPortEnumerator() = default;
    // The ports to list: recognised adapters, plus every other port while searchAll is set.
    // Throws std::system_error when the enumeration breaks off with an error.
    virtual std::vector<ListedPort> Enumerate(bool searchAll) = 0;
};
