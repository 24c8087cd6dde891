// Value of one hexadecimal digit in wide text, shared by the JSON reader and the key text rule.
#pragma once

// 0 to 15, or -1 for a character that is no hexadecimal digit.
inline int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}
