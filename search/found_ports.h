// The list of found ports, kept sorted by name in ordinal order, and the one way a finished probe
// changes it. The caller holds the search's mutex around each call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/port_entry.h"

// Ordinal order: code units compared as unsigned 16-bit values, a prefix first (COM10 < COM2).
bool OrdinalLess(const std::wstring& a, const std::wstring& b);

// Index of the first entry whose name is not ordinally less than name.
size_t LowerBoundByName(const std::vector<PortEntry>& ports, const std::wstring& name);

struct ProbeValues {
    int32_t model = 0;
    int32_t serial = -1;
    uint32_t firmware = 0;
    int64_t buildTime = 0;
};

struct RecordOutcome {
    size_t index;  // where the entry of that name stands afterwards
    bool changed;  // the list differs from before
};

// A new name is inserted with the result whatever it is; an existing entry changes when an
// identification brings new reader values, or when a port that was busy or lost ends otherwise.
RecordOutcome RecordProbeResult(std::vector<PortEntry>& ports, const std::wstring& name, ProbeResult result,
                                const ProbeValues& values);
