// Conversions between the program's wide text (UTF-16 code units, in both builds: on Linux each
// wchar_t holds one UTF-16 unit, so a surrogate pair stays two units) and multibyte code pages.
// A failed conversion gives an empty result, never an exception.
#pragma once

#include <string>

// Code pages in use, numbered as the OS numbers them.
inline constexpr unsigned kCodePageAnsi = 0;     // the system's ANSI code page (exception texts)
inline constexpr unsigned kCodePageUtf8 = 65001; // files

// Replaces target with the converted text and returns its length. length -1: up to the null.
int ToWide(const char* text, int length, std::wstring& target, unsigned codePage);
// Replaces target with the converted text. length -1: up to the null.
void ToNarrow(std::string& target, const wchar_t* text, int length, unsigned codePage);
std::string ToNarrowAnsi(const std::wstring& text);
