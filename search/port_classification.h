// Which COM ports the search lists and probes: the maker's USB adapters are recognised by their
// USB identifiers and, for FTDI-based ones, by the description their USB parent reports on the
// bus. Plain logic over the values the device-installation calls return.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct AdapterModel {
    const wchar_t* description;  // as reported on the bus, matched whole and case-sensitive
    int32_t model;               // the reader model it implies (0 = none)
};

// In the order they are tried; the first match wins.
inline constexpr AdapterModel kAdapterModels[] = {
    {L"USB Tern RFID Adapter", 1},     {L"USB Tern Mifare Adapter", 2}, {L"USB Tern Adapter EH", 4},
    {L"USB Tern Desk Adapter", 6},     {L"USB Adapter Tern-US", 0},     {L"Tern Guard Converter", 0},
    {L"USB Tern RS-485 Converter", 0},
};

struct UsbIds {
    uint32_t vendor = 0;
    uint32_t product = 0;
};

// Vendor and product from an instance identifier ("USB\VID_xxxx&PID_xxxx..." or
// "FTDIBUS\VID_xxxx+PID_xxxx+..."); nothing when the identifier is of neither form.
std::optional<UsbIds> ScanUsbIds(std::wstring_view instanceId);

struct PortClassification {
    bool recognised = false;
    int32_t modelHint = 0;
};

// Reads the bus-reported description of the port's USB parent; nothing when any step of the
// lookup fails.
using ParentDescriptionLookup = std::function<std::optional<std::wstring>()>;

// Classifies one port by its instance identifier. lookup may be empty (the OS lacks the
// property call); it is asked only for FTDI devices that can be one of the maker's adapters.
PortClassification ClassifyPort(std::wstring_view instanceId, const ParentDescriptionLookup& lookup);

// True for a serial port's name, "COM" and a number from 1 to 9999 without leading zeros (any
// case). The Ports class also holds printer ports (LPT1, ECP1) and whatever a driver writes
// there: none of those is opened, and a name with a path in it never reaches CreateFileW.
bool IsComPortName(std::wstring_view name);

// A recognised adapter is always listed; any other port only while the user lists every port.
inline bool IsPortListed(const PortClassification& classification, bool searchAll) {
    return classification.recognised || searchAll;
}
