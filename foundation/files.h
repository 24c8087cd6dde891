// Whole-file text access (UTF-8 with a byte-order mark) and the program's paths. Windows only;
// every failure of file access is a CFileException.
#pragma once

#include <cstddef>
#include <string>

// Replaces target with the file's text (a leading byte-order mark is dropped).
void ReadWholeFile(const std::wstring& path, std::wstring& target);

// Creates or truncates the file and writes the text as UTF-8 behind a byte-order mark; an empty
// text leaves an empty file. With flushToDisk the data is on the disk before the call returns
// (a rename that replaces another file with it must not come first).
void WriteWholeFile(const std::wstring& path, const wchar_t* text, size_t length, bool flushToDisk = false);

// Writes the text as a new file, flushed to the disk. Never touches anything already at path: the
// open fails then (ERROR_FILE_EXISTS for a file). A file it made and could not fill is removed.
void WriteNewWholeFile(const std::wstring& path, const wchar_t* text, size_t length);

// Writes the text over the existing file's contents without emptying it first (for a folder
// that lets the program change its file but not make a new one): the room the new text needs is
// taken before the old text is overwritten, and when a write fails the old bytes are put back,
// so a failure leaves the old file. Only a power cut during the write can leave it cut.
void OverwriteWholeFile(const std::wstring& path, const wchar_t* text, size_t length);

// Creates the folder and its missing parents; true when it exists afterwards. Throws nothing.
bool CreateDirectoryTree(const std::wstring& path);

// The executable's full path, or "" when it cannot be had.
std::wstring GetModulePath();

// The folder holding the executable.
std::wstring SettingsFolder();

// settingsFolder joined with the executable's name, its extension replaced by ".json".
std::wstring SettingsFilePath(const std::wstring& settingsFolder);
