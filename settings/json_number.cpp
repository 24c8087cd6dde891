#include "settings/json_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// Decimal exponent of the leading significant digit (0 for 1.5, -3 for 0.00123, 2 for 4e2).
// Only tells an overflow from an underflow, so exponents are clamped far beyond any double.
long long LeadingDigitExponent(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    long long digitsBeforePoint = 0, digitIndex = 0, firstSignificant = -1;
    bool afterPoint = false;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (firstSignificant < 0 && text[i] != '0')
            firstSignificant = digitIndex;
        ++digitIndex;
        if (!afterPoint)
            ++digitsBeforePoint;
    }
    long long exponent = 0;
    if (i < text.size()) {
        ++i;
        bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        for (; i < text.size(); ++i)
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (text[i] - '0');
        if (negative)
            exponent = -exponent;
    }
    if (firstSignificant < 0)
        return 0;
    return digitsBeforePoint - firstSignificant - 1 + exponent;
}

}  // namespace

bool IntegerFromText(std::string_view text, int radix, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        int digit = DigitValue(text[i]);
        if (digit >= radix)
            return false;
        if (magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(radix))
            return false;
        magnitude = magnitude * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
    }
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool RealFromText(std::string_view text, double& value) {
    std::string_view digits = text;
    // from_chars takes a minus sign but no plus sign.
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+')
        digits.remove_prefix(1);
    if (digits.empty())
        return false;
    double parsed = 0;
    auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), parsed, std::chars_format::general);
    if (end != digits.data() + digits.size())
        return false;
    if (error == std::errc::result_out_of_range) {
        if (LeadingDigitExponent(digits) >= 0)
            return false;
        parsed = digits[0] == '-' ? -0.0 : 0.0;
    } else if (error != std::errc()) {
        return false;
    }
    if (!std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

void AppendReal(std::wstring& out, double value) {
    if (!std::isfinite(value)) {
        out += L"null";
        return;
    }
    if (value == 0) {
        // Also for -0: "-0" would read back as the integer 0 and be written "0" next time.
        out += L"0";
        return;
    }
    char buffer[64];
    std::to_chars_result result;
    if (std::fabs(value) < 9007199254740992.0 && value == std::trunc(value))
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0);
    else
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    out.append(buffer, result.ptr);
}
