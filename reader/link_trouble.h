// Link trouble a reader session counts for the current test: what the written and error
// counters leave out on purpose, because a transport failure is not a card error. Reset at
// StartTest, published with the counters and shown by the test record.
#pragma once

#include <cstdint>

struct LinkTroubleCounts {
    uint64_t unverifiedCycles = 0;  // written, but the read-back timed out or came back short
    uint64_t timeouts = 0;          // exchanges that got no usable reply in time
    uint64_t resentFrames = 0;      // frames sent again after a lost or bad reply
    uint64_t reconnects = 0;        // connections made again after the link was lost
};
