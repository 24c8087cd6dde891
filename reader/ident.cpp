#include "reader/ident.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>

#include "foundation/errors.h"
#include "reader/exchange.h"

namespace {

// A number as the C library's strtol/strtoul read it on the target (32-bit long): leading
// white space, a sign, for base 16 an optional 0x, then digits. Parsed by hand so that both
// builds agree and no input can overflow.
struct ScannedNumber {
    uint64_t magnitude = 0;  // saturates just above 32 bits
    bool negative = false;
    const char* end;  // the text itself when no digit was read
};

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

ScannedNumber ScanNumber(const char* text, int base) {
    ScannedNumber result{0, false, text};
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '+' || *p == '-')
        result.negative = *p++ == '-';
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16)
        p += 2;
    const char* digits = p;
    constexpr uint64_t kSaturated = uint64_t{1} << 33;
    while (DigitValue(*p) < base) {
        result.magnitude = result.magnitude * base + DigitValue(*p);
        if (result.magnitude > kSaturated)
            result.magnitude = kSaturated;
        ++p;
    }
    if (p != digits)
        result.end = p;
    return result;
}

int32_t StrToLong(const char* text, const char** end) {
    const ScannedNumber n = ScanNumber(text, 10);
    *end = n.end;
    if (n.negative)
        return n.magnitude > 0x80000000u ? std::numeric_limits<int32_t>::min()
                                         : static_cast<int32_t>(-static_cast<int64_t>(n.magnitude));
    return n.magnitude > 0x7FFFFFFFu ? std::numeric_limits<int32_t>::max()
                                     : static_cast<int32_t>(n.magnitude);
}

uint32_t StrToULong(const char* text, const char** end, int base) {
    const ScannedNumber n = ScanNumber(text, base);
    *end = n.end;
    if (n.magnitude > 0xFFFFFFFFu)
        return 0xFFFFFFFFu;
    const uint32_t value = static_cast<uint32_t>(n.magnitude);
    return n.negative ? 0u - value : value;
}

const char* SkipOneSpace(const char* p) {
    return *p == ' ' ? p + 1 : p;
}

// The build date "Mmm d yyyy h:m:s", read as scanf("%3s %d %4d %d:%d:%d") would.
struct BuildDate {
    char month[4] = {};
    int32_t field[5] = {};  // day, year, hour, minute, second
    int matched = 0;        // fields read, the month name included
};

bool ScanInt(const char*& p, int width, int32_t& value) {
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* q = p;
    int used = 0;
    bool negative = false;
    if ((*q == '+' || *q == '-') && used < width) {
        negative = *q++ == '-';
        ++used;
    }
    int64_t magnitude = 0;
    const char* digits = q;
    while (used < width && *q >= '0' && *q <= '9') {
        magnitude = std::min<int64_t>(magnitude * 10 + (*q - '0'), int64_t{1} << 31);
        ++q;
        ++used;
    }
    if (q == digits)
        return false;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int32_t>(std::clamp<int64_t>(signedValue, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
    p = q;
    return true;
}

BuildDate ScanBuildDate(const char* p) {
    BuildDate date;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    int letters = 0;
    while (letters < 3 && *p != '\0' && !std::isspace(static_cast<unsigned char>(*p)))
        date.month[letters++] = *p++;
    if (letters == 0)
        return date;
    date.matched = 1;
    constexpr int kWidths[5] = {std::numeric_limits<int>::max(), 4, std::numeric_limits<int>::max(),
                                std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
    for (int i = 0; i < 5; ++i) {
        if (i >= 3) {  // minute and second follow a ':' without white space before it
            if (*p != ':')
                break;
            ++p;
        }
        if (!ScanInt(p, kWidths[i], date.field[i]))
            break;
        ++date.matched;
    }
    return date;
}

int MonthNumber(const char* name) {
    static constexpr std::string_view kMonths = "janfebmaraprmayjunjulaugsepoctnovdec";
    std::string lower;
    for (const char* p = name; *p != '\0'; ++p)
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(*p))));
    const size_t at = kMonths.find(lower);
    return at == std::string_view::npos ? 0 : static_cast<int>(at / 3 + 1);
}

int ClampToInt(int64_t value) {
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool Contains(const uint8_t* data, size_t length, size_t at, std::string_view word) {
    return at + word.size() <= length && std::memcmp(data + at, word.data(), word.size()) == 0;
}

// First position of word in data[0 .. length-1] that leaves at least one byte after it.
bool FindKeyword(const uint8_t* data, size_t length, std::string_view word, size_t& at) {
    if (length <= word.size())
        return false;
    for (size_t i = 0; i + word.size() < length; ++i) {
        if (Contains(data, length, i, word)) {
            at = i;
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t ModelFromCode(uint32_t code, bool clIVariant) {
    switch (code) {
        case 0x301: return 1;
        case 0x811: return clIVariant ? 3 : 2;
        case 0x20498: return 3;
        case 0x302: return 4;
        case 0x303: return 5;
        case 0x821: return 6;
        case 0x501: return 7;
        case 0x903: return 8;
        case 0xF11: return 9;
        case 0x802:
        case 0xFFFF: return 10;
        case 0x20496: return 11;
        default: return 0;
    }
}

bool IsIdentComplete(const uint8_t* data, size_t length) {
    size_t at = 0;
    if (!FindKeyword(data, length, "Software version:", at) && !FindKeyword(data, length, "Build", at))
        return false;
    for (size_t i = at + 5; i < length; ++i) {
        if (data[i] == 13)
            return true;
    }
    return false;
}

bool ParseIdent(const char* text, ReaderIdentity& identity) {
    identity.serial = -1;
    const char* p = std::strstr(text, "S/N:");
    if (p == nullptr)
        return false;
    p = SkipOneSpace(p + 4);
    const char* numberEnd = nullptr;
    const int32_t serial = StrToLong(p, &numberEnd);
    identity.serial = serial;
    const char* open = std::strchr(numberEnd, '[');
    if (open == nullptr)
        return false;
    const char* close = std::strchr(open + 1, ']');
    if (close == nullptr)
        return false;

    const char* codeEnd = nullptr;
    uint32_t code = StrToULong(open + 1, &codeEnd, 16);
    const bool clI = std::strstr(text, "CL-I") != nullptr;
    identity.model = ModelFromCode(code, clI);
    if (code == 0x811 && clI)
        code = 0x20498;

    identity.firmware = 0;
    const char* dateSearch = close;
    if (const char* version = std::strstr(close, "version:"); version != nullptr) {
        p = SkipOneSpace(version + 8);
        const char* end = nullptr;
        const uint32_t major = StrToULong(p, &end, 10);
        if (*end == '.') {
            identity.firmware = major << 24;
            p = end + 1;
            for (int shift = 16; shift >= 0; shift -= 8) {
                const uint32_t component = StrToULong(p, &end, 10);
                if (end == p)
                    break;
                identity.firmware |= (component & 0xFF) << shift;
                p = *end == '.' ? end + 1 : end;
            }
            dateSearch = p;
        } else {
            identity.firmware = major;
        }
    }

    const char* build = std::strstr(dateSearch, "ild");
    if (build == nullptr)
        return true;
    // Past "ild" and its separator; an answer that ends right after "ild" has no separator.
    p = build + 3;
    if (*p != '\0')
        ++p;
    p = SkipOneSpace(p);
    const BuildDate date = ScanBuildDate(p);
    if (date.matched == 0)
        return true;
    const int month = MonthNumber(date.month);
    // Without a year there is no date; the build time stays as it was.
    if (date.matched >= 3) {
        std::tm when{};
        when.tm_sec = date.matched >= 6 ? date.field[4] : 0;
        when.tm_min = date.matched >= 5 ? date.field[3] : 0;
        when.tm_hour = date.matched >= 4 ? date.field[2] : 0;
        when.tm_mday = date.field[0];
        when.tm_mon = month - 1;
        when.tm_year = ClampToInt(int64_t{date.field[1]} - 1900);
        when.tm_isdst = -1;
        identity.buildTime = static_cast<int64_t>(std::mktime(&when));
    }
    if (identity.firmware == 0 && (code == 0x802 || code == 0xFFFF)) {
        const bool special = date.matched >= 3 && date.field[1] == 2010 && month == 11 && date.field[0] == 16;
        identity.firmware = special ? 0x09630000u : 0x01000000u;
    }
    return true;
}

bool Identify(CRdExchange& link, ReaderIdentity& identity) {
    static constexpr uint8_t kQuery[] = {'i'};
    CRdPort& port = *link.port;
    for (int attempt = 0; attempt < link.link.attemptLimit; ++attempt) {
        link.SendRaw(kQuery, sizeof kQuery, link.link.replyTimeout);
        for (;;) {
            if (!link.running)
                throw CMyError(kErrStopped);
            port.Read();
            if (!port.Input().empty() && IsIdentComplete(port.Input().data(), port.Input().size())) {
                const std::string text(port.Input().begin(), port.Input().end());
                port.ClearInput();
                if (ParseIdent(text.c_str(), identity))
                    return true;
                break;
            }
            const uint32_t elapsed = link.SinceLastActivity();
            if (elapsed >= link.link.replyTimeout)
                break;
            link.ServiceWait(link.link.replyTimeout - elapsed);
        }
        port.Purge(true, true);
    }
    return false;
}
