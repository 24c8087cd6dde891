// Folds link trouble that comes back cycle after cycle: the first occurrence is logged, the
// repeats are only counted, and one event with their number follows when the situation changes
// (other trouble, a cycle that succeeds, the test stops). Not locked itself: its owner's lock
// covers it and the log it feeds.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/reader_event.h"

class CTroubleFolding {
public:
    // Appends event to log unless it repeats the last one added (then it is only counted).
    void Add(const ReaderEvent& event, std::vector<ReaderEvent>& log);
    // The situation ended: appends the last event with its repeat count, if it repeated.
    void Settle(std::vector<ReaderEvent>& log);

private:
    ReaderEvent last_;
    bool haveLast_ = false;
    uint64_t repeats_ = 0;
};
