// Number conversions of the JSON reader and writer. Independent of the C locale: the decimal
// point is always '.'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The whole text as a signed 64-bit integer in radix 2, 8, 10 or 16 (an optional leading sign,
// then at least one digit). False when anything is left over or the value overflows.
bool IntegerFromText(std::string_view text, int radix, int64_t& value);

// The whole text as a decimal floating-point number. False when anything is left over or the
// magnitude is too large for a double (infinity has no JSON form to write back); a magnitude too
// small becomes zero.
bool RealFromText(std::string_view text, double& value);

// Integral values of magnitude below 2^53 without a decimal point ("%.f"), others with 17
// significant digits ("%.17g"); zero of either sign as 0. Infinity and NaN, which no parsed text produces,
// are written as null so the text stays readable.
void AppendReal(std::wstring& out, double value);
