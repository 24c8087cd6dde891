// One port being probed by the search worker. Belongs to the worker thread alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "reader/rd_port.h"

struct ProbeEntry {
    std::wstring name;
    std::unique_ptr<CRdPort> port;  // null until the first probe step; its events are in the search's list
    uint32_t tick = 0;              // clock value at the last open or request
    int32_t modelHint = 0;          // model guessed from the adapter, 0 = none
    int32_t attempts = 0;           // failed attempts so far
    bool requestSent = false;       // the identification request was written, its write not yet confirmed
    bool awaitingReply = false;     // the write is complete; the reply is being collected
    bool unseen = false;            // enumeration mark: cleared for every port the enumeration still sees
};
