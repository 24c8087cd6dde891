#include "search/found_ports.h"

#include <algorithm>

bool OrdinalLess(const std::wstring& a, const std::wstring& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return static_cast<uint16_t>(x) < static_cast<uint16_t>(y);
    });
}

size_t LowerBoundByName(const std::vector<PortEntry>& ports, const std::wstring& name) {
    auto it = std::lower_bound(
        ports.begin(), ports.end(), name,
        [](const PortEntry& entry, const std::wstring& n) { return OrdinalLess(entry.name, n); });
    return static_cast<size_t>(it - ports.begin());
}

RecordOutcome RecordProbeResult(std::vector<PortEntry>& ports, const std::wstring& name, ProbeResult result,
                                const ProbeValues& values) {
    const size_t index = LowerBoundByName(ports, name);
    if (index < ports.size() && ports[index].name == name) {
        PortEntry& entry = ports[index];
        if (result != ProbeResult::Identified)
            return {index, false};
        const bool same = entry.state == static_cast<int32_t>(ProbeResult::Identified) &&
                          entry.model == values.model && entry.serial == values.serial &&
                          entry.firmware == values.firmware && entry.buildTime == values.buildTime;
        if (same)
            return {index, false};
        entry.state = static_cast<int32_t>(ProbeResult::Identified);
        entry.model = values.model;
        entry.serial = values.serial;
        entry.firmware = values.firmware;
        entry.buildTime = values.buildTime;
        return {index, true};
    }
    PortEntry entry;
    entry.name = name;
    entry.model = values.model;
    entry.serial = values.serial;
    entry.firmware = values.firmware;
    entry.buildTime = values.buildTime;
    entry.state = static_cast<int32_t>(result);
    ports.insert(ports.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
    return {index, true};
}
