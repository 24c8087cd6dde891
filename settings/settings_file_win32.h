// File operations of the settings: the existence test and a replacing write that never leaves a
// truncated file behind.
#pragma once

#include <string>

// True when something (a file or a folder) exists at path; false when it or its folder is
// missing. Any other failure of the test throws CFileException.
bool SomethingExistsAt(const std::wstring& path);

// Writes text as a whole file (UTF-8 with a byte-order mark) to a new temporary file beside path
// (a name no file holds, no longer than path's own), flushes it to the disk, then moves it over
// path. When anything fails, the temporary file is removed, the file at path is as it was, and
// CFileException names path. A folder that lets the program overwrite its file but not create
// one refuses the temporary file: the text is then written over the file itself, which a failed
// write leaves with its old text (a power cut during that write can still cut it off).
void ReplaceWholeFile(const std::wstring& path, const std::wstring& text);

// Copies the file at path to copyPath, replacing an older copy; CFileException naming copyPath
// when that fails.
void KeepCopy(const std::wstring& path, const std::wstring& copyPath);
