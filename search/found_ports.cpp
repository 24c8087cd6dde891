#include "search/found_ports.h"

#include <algorithm>

bool OrdinalLess(const std::wstring& a, const std::wstring& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return static_cast<uint16_t>(x) < static_cast<uint16_t>(y);
    });
}

namespace {

void Assign(PortEntry& entry, ProbeResult result, const ProbeValues& values) {
    entry.state = static_cast<int32_t>(result);
    entry.model = values.model;
    entry.serial = values.serial;
    entry.firmware = values.firmware;
    entry.buildTime = values.buildTime;
}

}  // namespace

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
        if (result != ProbeResult::Identified) {
            // A reader once found stays listed as it was; but a port that was busy or lost takes
            // the later outcome, so that one found free and without a reader is left alone.
            const auto state = static_cast<ProbeResult>(entry.state);
            const bool awaitedRetry = state == ProbeResult::PortBusy || state == ProbeResult::LinkLost;
            if (!awaitedRetry || entry.state == static_cast<int32_t>(result))
                return {index, false};
            Assign(entry, result, values);
            return {index, true};
        }
        const bool same = entry.state == static_cast<int32_t>(ProbeResult::Identified) &&
                          entry.model == values.model && entry.serial == values.serial &&
                          entry.firmware == values.firmware && entry.buildTime == values.buildTime;
        if (same)
            return {index, false};
        Assign(entry, ProbeResult::Identified, values);
        return {index, true};
    }
    PortEntry entry;
    entry.name = name;
    Assign(entry, result, values);
    ports.insert(ports.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
    return {index, true};
}
