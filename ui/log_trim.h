// The log keeps only its newest lines: a test may run for days, and an edit control holding
// every line would grow without end and slow down with its text.
#pragma once

#include <cstddef>
#include <string_view>

// The log's bound in UTF-16 units, and what is left after a trim: trimming well below the bound
// means the costly removal at the front happens once per many thousand lines, not every line.
inline constexpr size_t kLogLimit = 200'000;
inline constexpr size_t kLogKeep = 150'000;

// How many leading units of text to remove, at a line boundary, before `incoming` more units are
// appended: 0 while the result stays within limit, else enough that at most `keep` remain.
size_t LogTrimLength(std::wstring_view text, size_t incoming, size_t limit = kLogLimit,
                     size_t keep = kLogKeep);
