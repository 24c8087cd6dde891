// Folds a log line that repeats: the first occurrence is logged, the repeats are only counted,
// and one line with their number follows when the situation changes (another line, a cycle that
// succeeds, the test stops). Not locked itself: its owner's lock covers it and the log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CRepeatFilter {
public:
    // Appends line to log unless it repeats the last line added (then it is only counted).
    void Add(const std::wstring& line, std::vector<std::wstring>& log);
    // The situation ended: appends the repeat count of the last line, if it repeated.
    void Settle(std::vector<std::wstring>& log);

private:
    std::wstring last_;
    uint64_t repeats_ = 0;
};
