// One port being probed by the search worker. Belongs to the worker thread alone, except that a
// port being opened is in the opener's hands until `opening` reports back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "reader/event.h"
#include "reader/rd_port.h"
#include "search/port_opener.h"

struct ProbeEntry {
    std::wstring name;
    std::shared_ptr<CRdPort> port;       // null until the first probe step; shared only while opening
    // write, read: made with the port and closed after it (ReleasePort), their handles also in
    // the search's wait list. A probe needs no comm event: a read left waiting reports the
    // reply's first byte, and each later one.
    std::array<CEvent, 2> events;
    std::shared_ptr<PendingOpen> opening;  // set while an open runs elsewhere: hands off the port
    uint32_t tick = 0;              // clock value at the last open or request (or the start of an open)
    int32_t modelHint = 0;          // model guessed from the adapter, 0 = none
    int32_t attempts = 0;           // failed attempts so far
    bool requestSent = false;       // the identification request was written, its write not yet confirmed
    bool awaitingReply = false;     // the write is complete; the reply is being collected
    // The line reset before a retry's request: it must be written, and have left the adapter,
    // before the request's purge of the input; nothing purges it from the output.
    enum class LineReset : uint8_t { None, Writing, Draining } lineReset = LineReset::None;
    // One of the maker's adapters: when its reader stays silent, the probe sends the link end at
    // the fast speeds (a reader left at one returns to 9600) and asks again.
    bool recognised = false;
    bool recoveryRan = false;    // the link end went out for this probe already
    size_t recoverySpeed = 0;    // index into kRecoverySpeeds while recovering
    bool recovering = false;
    bool linkEndSent = false;    // at recoverySpeed; its answer is awaited
    bool unseen = false;            // enumeration mark: cleared for every port the enumeration still sees
};
