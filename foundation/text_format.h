// printf-style formatting of wide text (printf rules for wide text: "%s" takes a wide string in
// both builds) and the hexadecimal form of card identifiers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

// Writes the formatted text and its null into buffer; returns the characters written without
// the null, or -1 when formatting fails or the text does not fit.
int FormatToBuffer(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
int VFormatToBuffer(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);

// Appends the formatted text; on failure the target keeps its old text.
void AppendFormat(std::wstring& target, const wchar_t* format, ...);
void VAppendFormat(std::wstring& target, const wchar_t* format, va_list args);

// lengthPrefixed: one length byte n, then n bytes. Gives 2n upper-case hexadecimal digits,
// the last byte first.
std::wstring HexBytesReversed(const uint8_t* lengthPrefixed);
