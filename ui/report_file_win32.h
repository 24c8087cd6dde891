// Where a report goes and how it gets there: the Save As dialog in the user's documents and the
// whole-or-nothing write, with the message when it fails. Shared by a page's test report and
// the overview's station report.
#pragma once

#include <windows.h>

#include <string>

// The chosen file's full name, or "" when the user cancelled.
std::wstring AskReportPath(HWND owner, const std::wstring& defaultName);
// Writes text as the report file; on failure the user is told why and false comes back.
bool WriteReportFile(HWND owner, const std::wstring& path, const std::wstring& text);
