#include "ui/log_trim.h"

size_t LogTrimLength(std::wstring_view text, size_t incoming, size_t limit, size_t keep) {
    if (text.size() + incoming <= limit)
        return 0;
    const size_t target = text.size() + incoming > keep ? text.size() + incoming - keep : 0;
    if (target >= text.size())
        return text.size();
    // Cut after the line end at or past the target, so no line is left half.
    const size_t lineEnd = text.find(L'\n', target == 0 ? 0 : target - 1);
    return lineEnd == std::wstring_view::npos ? text.size() : lineEnd + 1;
}
