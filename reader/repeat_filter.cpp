#include "reader/repeat_filter.h"

#include <algorithm>
#include <limits>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"

namespace {


}  // namespace

void CRepeatFilter::Add(const std::wstring& line, std::vector<std::wstring>& log) {
    if (!last_.empty() && line == last_) {
        ++repeats_;
        return;
    }
    Settle(log);
    last_ = line;
    log.push_back(line);
}

void CRepeatFilter::Settle(std::vector<std::wstring>& log) {
    if (repeats_ != 0) {
        std::wstring line;
        const uint64_t shown = std::min<uint64_t>(repeats_, std::numeric_limits<unsigned>::max());
        FormatResourceString(line, kTextRepeated, static_cast<unsigned>(shown));
        log.push_back(line + last_);
    }
    last_.clear();
    repeats_ = 0;
}
