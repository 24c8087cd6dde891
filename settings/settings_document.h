// The mapping between the settings file's JSON document and CAppSettings: which files are read,
// which are kept on save, and how each field is read and written. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/app_settings.h"
#include "settings/json_value.h"
#include "settings/mem_json.h"

inline constexpr std::wstring_view kSettingsProgramName = L"Quillcheck";
inline constexpr uint32_t kSettingsVersion = 1;

// Reads the fields from a loaded document and clears modified. Returns false, changing nothing,
// when the root holds no "info" object or the file is of a newer program generation (a version
// with any of its top 8 bits set). A foreign name or a missing version still lets it read.
bool ReadSettings(const JsonValue& root, CAppSettings& settings);

// Fills document (empty, or loaded from the old file) with the fields. The old contents are kept,
// unknown members included, only when the file is this program's own, of exactly version 1;
// anything else is replaced in full. New members go at the end of their object.
void WriteSettings(CMemJson& document, const CAppSettings& settings);

// True when writing the fields into this loaded document would lose something the program did
// not write: a file that is not this program's own of exactly version 1 is replaced in full, and
// in one that is, a member of the program's of another kind (or a window position holding other
// than four integers) is replaced. An empty document loses nothing.
bool SaveDropsForeignContents(const JsonValue& root);

// For a file that could not be read at start and can be now: the program ran on the defaults, so a
// field of current still at its default was not chosen by the user and takes the file's value;
// the fields the user changed stay.
void TakeUnchangedFromFile(const CAppSettings& file, CAppSettings& current);

// The key text as wcstoull with base 16 reads it (leading white space, a sign, a 0x prefix;
// stops at the first other character). False when no character was used, the number overflowed
// 64 bits or needs more than 48 bits; key is then untouched.
bool ParseAuthKeyText(std::wstring_view text, uint64_t& key);

// At least twelve lower-case hexadecimal digits, with leading zeros.
std::wstring FormatAuthKey(uint64_t key);
