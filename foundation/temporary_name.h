// Names for temporary files written beside the file they are to replace. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// path with its file name replaced by "~" and hexadecimal digits of seed: the same folder, and a
// name no longer than path's own (at most nine characters), so the temporary file's path fits
// wherever path fits. A one-character name gives one digit. Different seeds give different
// names as far as the length allows; the caller creates the file only where none stands.
std::wstring TemporaryPathBeside(std::wstring_view path, uint32_t seed);
