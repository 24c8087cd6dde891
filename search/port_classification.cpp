#include "search/port_classification.h"

#include <cwctype>

namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::towupper(static_cast<wint_t>(text[i])) != std::towupper(static_cast<wint_t>(prefix[i])))
            return false;
    return true;
}

// One %x conversion as the C library's scanf reads it: leading white space, an optional sign,
// an optional 0x prefix, then at least one hexadecimal digit.
bool ScanHex(std::wstring_view text, size_t& pos, uint32_t& value) {
    while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-'))
        negative = text[pos++] == L'-';
    if (pos + 1 < text.size() && text[pos] == L'0' && (text[pos + 1] == L'x' || text[pos + 1] == L'X') &&
        pos + 2 < text.size() && std::iswxdigit(static_cast<wint_t>(text[pos + 2])))
        pos += 2;
    size_t start = pos;
    uint32_t result = 0;
    for (; pos < text.size() && std::iswxdigit(static_cast<wint_t>(text[pos])); ++pos) {
        wchar_t c = text[pos];
        uint32_t digit = (c <= L'9') ? c - L'0' : (std::towlower(static_cast<wint_t>(c)) - L'a' + 10);
        result = result * 16 + digit;  // wraps on overflow; such a value matches no adapter anyway
    }
    if (pos == start)
        return false;
    value = negative ? 0u - result : result;
    return true;
}

bool ScanLiteral(std::wstring_view text, size_t& pos, std::wstring_view literal) {
    if (text.substr(pos, literal.size()) != literal)
        return false;
    pos += literal.size();
    return true;
}

// "VID_%x<separator>PID_%x": both numbers or nothing.
std::optional<UsbIds> ScanIds(std::wstring_view text, wchar_t separator) {
    UsbIds ids;
    size_t pos = 0;
    const wchar_t separatorText[] = {separator, L'P', L'I', L'D', L'_', L'\0'};
    if (!ScanLiteral(text, pos, L"VID_") || !ScanHex(text, pos, ids.vendor) ||
        !ScanLiteral(text, pos, separatorText) || !ScanHex(text, pos, ids.product))
        return std::nullopt;
    return ids;
}

constexpr uint32_t kVendorFtdi = 0x0403;
constexpr uint32_t kProductFtdiSerial = 0x6001;

PortClassification ClassifyByIds(const UsbIds& ids) {
    switch (ids.vendor) {
        case kVendorFtdi:
            if (ids.product == 0x1234 || ids.product == 0x1237)
                return {true, 0};
            break;
        case 0x2184:
            if (ids.product == 0x0011)
                return {true, 5};
            break;
        case 0x3168:
            if (ids.product == 0x0100)
                return {true, 1};
            if (ids.product == 0x0106)
                return {true, 3};
            break;
    }
    return {};
}

}  // namespace

std::optional<UsbIds> ScanUsbIds(std::wstring_view instanceId) {
    if (StartsWithNoCase(instanceId, L"USB\\"))
        return ScanIds(instanceId.substr(4), L'&');
    if (StartsWithNoCase(instanceId, L"FTDIBUS\\"))
        return ScanIds(instanceId.substr(8), L'+');
    return std::nullopt;
}

bool IsComPortName(std::wstring_view name) {
    if (!StartsWithNoCase(name, L"COM"))
        return false;
    const std::wstring_view number = name.substr(3);
    if (number.empty() || number.size() > 4 || number[0] == L'0')
        return false;
    for (wchar_t c : number)
        if (c < L'0' || c > L'9')
            return false;
    return true;
}

PortClassification ClassifyPort(std::wstring_view instanceId, const ParentDescriptionLookup& lookup) {
    std::optional<UsbIds> ids = ScanUsbIds(instanceId);
    if (!ids)
        return {};
    PortClassification result = ClassifyByIds(*ids);

    const bool mayBeAdapter = result.recognised || ids->product == kProductFtdiSerial;
    if (lookup && ids->vendor == kVendorFtdi && mayBeAdapter) {
        // The bus description decides: it can name the adapter, or withdraw a recognition that
        // the shared FTDI identifiers alone suggested.
        if (std::optional<std::wstring> description = lookup()) {
            result = {};
            for (const AdapterModel& adapter : kAdapterModels) {
                if (*description == adapter.description) {
                    result = {true, adapter.model};
                    break;
                }
            }
        }
    }
    return result;
}
