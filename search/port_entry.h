// What the port search publishes: one entry per found port, sorted by name, and the outcome of
// the probe that created or last updated it. Shared with the user interface under the search's
// mutex; plain data.
#pragma once

#include <cstdint>
#include <string>

enum class ProbeResult : int32_t {
    Identified = 0,  // a complete reply arrived and was parsed
    Failed = 1,      // an unexpected error (not a port error) ended the probe
    Probing = 2,     // still in progress; never stored
    PortError = 4,   // missing, not openable or not configurable
    PortBusy = 5,    // in use by someone else
    LinkLost = 6,    // an I/O call on the open port failed
    NoReply = 7,     // no complete reply within the reply time-out
    BadReply = 8,    // a complete reply that does not parse
};

struct PortEntry {
    std::wstring name;      // as read from the registry, e.g. COM3
    int32_t model = 0;      // reader model number; 0 = none known
    int32_t serial = -1;    // -1 = none read
    uint32_t firmware = 0;  // packed version, most significant component first; 0 = none read
    int64_t buildTime = 0;  // 0 = none read
    uint32_t tick = 0;      // tick count when the last probe of this port ended
    int32_t state = static_cast<int32_t>(ProbeResult::Identified);  // a ProbeResult
    bool stale = false;                                             // enumeration mark

    bool operator==(const PortEntry&) const = default;
};
