#include <gtest/gtest.h>

#include <string>

#include "search/port_classification.h"

namespace {

constexpr int kNoLookup = 0;     // the OS has no property call: no description lookup at all
constexpr int kLookupFails = 1;  // the lookup is possible but one of its calls fails
constexpr int kDescription = 2;  // the lookup yields the row's description

struct ClassifyCase {
    const wchar_t* instanceId;
    int lookupKind;
    const wchar_t* description;
    bool recognised;
    int32_t modelHint;
    bool lookupAsked;
};

const ClassifyCase kCases[] = {
    // The maker's own identifiers.
    {L"USB\\VID_2184&PID_0011\\5&1234", kNoLookup, nullptr, true, 5, false},
    {L"USB\\VID_3168&PID_0100\\A1", kNoLookup, nullptr, true, 1, false},
    {L"USB\\VID_3168&PID_0106\\A1", kNoLookup, nullptr, true, 3, false},
    {L"USB\\VID_3168&PID_0106\\A1", kDescription, L"USB Tern Desk Adapter", true, 3, false},  // not FTDI
    {L"USB\\VID_3168&PID_0101\\A1", kNoLookup, nullptr, false, 0, false},
    {L"USB\\VID_2184&PID_0012\\A1", kNoLookup, nullptr, false, 0, false},
    // FTDI products of the maker, with and without a matching description.
    {L"FTDIBUS\\VID_0403+PID_1234+A9\\0000", kNoLookup, nullptr, true, 0, false},
    {L"FTDIBUS\\VID_0403+PID_1237+A9\\0000", kNoLookup, nullptr, true, 0, false},
    {L"FTDIBUS\\VID_0403+PID_1234+A9\\0000", kLookupFails, nullptr, true, 0, true},
    {L"FTDIBUS\\VID_0403+PID_1234+A9\\0000", kDescription, L"USB Tern Mifare Adapter", true, 2, true},
    {L"FTDIBUS\\VID_0403+PID_1237+A9\\0000", kDescription, L"USB Tern RFID Adapter", true, 1, true},
    {L"FTDIBUS\\VID_0403+PID_1234+A9\\0000", kDescription, L"Some Other Device", false, 0,
     true},  // withdrawn
    {L"FTDIBUS\\VID_0403+PID_1234+A9\\0000", kDescription, L"usb tern mifare adapter", false, 0, true},
    {L"FTDIBUS\\VID_0403+PID_1234+A9\\0000", kDescription, L"USB Tern Mifare Adapter ", false, 0, true},
    // The generic FTDI product counts only with the maker's description.
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kNoLookup, nullptr, false, 0, false},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kLookupFails, nullptr, false, 0, true},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kDescription, L"USB Tern Desk Adapter", true, 6, true},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kDescription, L"USB Tern Adapter EH", true, 4, true},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kDescription, L"USB Adapter Tern-US", true, 0, true},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kDescription, L"Tern Guard Converter", true, 0, true},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kDescription, L"USB Tern RS-485 Converter", true, 0, true},
    {L"FTDIBUS\\VID_0403+PID_6001+A9\\0000", kDescription, L"FT232R USB UART", false, 0, true},
    {L"USB\\VID_0403&PID_6001\\A9", kDescription, L"USB Tern Desk Adapter", true, 6, true},
    {L"FTDIBUS\\VID_0403+PID_6015+A9\\0000", kDescription, L"USB Tern Desk Adapter", false, 0, false},
    // Identifiers in either case: the bus prefix is compared without case, hex digits either way.
    {L"usb\\VID_3168&PID_0106\\A1", kNoLookup, nullptr, true, 3, false},
    {L"Usb\\VID_3168&PID_0106", kNoLookup, nullptr, true, 3, false},
    {L"ftdibus\\VID_0403+PID_1234+X", kNoLookup, nullptr, true, 0, false},
    {L"USB\\VID_2184&PID_0011", kNoLookup, nullptr, true, 5, false},
    {L"FTDIBUS\\VID_0403+PID_123a+X", kNoLookup, nullptr, false, 0, false},
    // Malformed identifiers.
    {L"USB\\PID_0106", kNoLookup, nullptr, false, 0, false},
    {L"USB\\VID_3168", kNoLookup, nullptr, false, 0, false},
    {L"USB\\VID_3168&", kNoLookup, nullptr, false, 0, false},
    {L"USB\\VID_&PID_0106", kNoLookup, nullptr, false, 0, false},
    {L"USB\\vid_3168&pid_0106", kNoLookup, nullptr, false, 0, false},  // the field names are literal
    {L"USB\\VID_3168+PID_0106", kNoLookup, nullptr, false, 0, false},  // wrong separator for USB
    {L"FTDIBUS\\VID_0403&PID_1234", kNoLookup, nullptr, false, 0, false},
    {L"USB\\VID_3168&PID_0106&MI_00\\7&2A", kNoLookup, nullptr, true, 3, false},  // extra text is fine
    {L"USB\\VID_0x3168&PID_0x106", kNoLookup, nullptr, true, 3, false},           // scanf's 0x prefix
    {L"USB\\", kNoLookup, nullptr, false, 0, false},
    {L"USB", kNoLookup, nullptr, false, 0, false},
    {L"", kNoLookup, nullptr, false, 0, false},
    // Built-in and other buses.
    {L"ACPI\\PNP0501\\1", kNoLookup, nullptr, false, 0, false},
    {L"PCI\\VEN_8086&DEV_1234", kDescription, L"USB Tern Desk Adapter", false, 0, false},
    {L"BTHENUM\\{00001101}_VID&0001", kNoLookup, nullptr, false, 0, false},
};

TEST(ClassifyPort, Table) {
    for (const ClassifyCase& c : kCases) {
        bool asked = false;
        ParentDescriptionLookup lookup;
        if (c.lookupKind != kNoLookup) {
            lookup = [&]() -> std::optional<std::wstring> {
                asked = true;
                if (c.lookupKind == kLookupFails)
                    return std::nullopt;
                return std::wstring(c.description);
            };
        }
        PortClassification result = ClassifyPort(c.instanceId, lookup);
        EXPECT_EQ(result.recognised, c.recognised) << c.instanceId;
        EXPECT_EQ(result.modelHint, c.modelHint) << c.instanceId;
        EXPECT_EQ(asked, c.lookupAsked) << c.instanceId;
    }
}

TEST(ClassifyPort, BuiltInPortsAreListedOnlyWhenSearchingAll) {
    PortClassification builtIn = ClassifyPort(L"ACPI\\PNP0501\\1", {});
    EXPECT_FALSE(IsPortListed(builtIn, false));
    EXPECT_TRUE(IsPortListed(builtIn, true));
    EXPECT_EQ(builtIn.modelHint, 0);
    PortClassification adapter = ClassifyPort(L"USB\\VID_3168&PID_0106\\1", {});
    EXPECT_TRUE(IsPortListed(adapter, false));
}

TEST(IsComPortName, OnlySerialPortNames) {
    const struct {
        std::wstring name;
        bool com;
    } cases[] = {
        {L"COM1", true},
        {L"COM7", true},
        {L"com12", true},
        {L"COM9999", true},
        {L"LPT1", false},
        {L"ECP1", false},
        {L"COM", false},
        {L"COM0", false},
        {L"COM01", false},
        {L"COM10000", false},
        {L"COM1 ", false},
        {L"COM-1", false},
        {L"COM1\\..\\x", false},
        {L"\\\\.\\COM1", false},
        {std::wstring(L"COM1\0", 5), false},
        {L"COM\x0661", false},  // a digit of another script
        {L"", false},
        {std::wstring(200, L'C'), false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsComPortName(c.name), c.com) << c.name.size() << " units";
}

TEST(ScanUsbIds, ReadsBothNumbers) {
    auto ids = ScanUsbIds(L"USB\\VID_0403&PID_6001\\A");
    ASSERT_TRUE(ids.has_value());
    EXPECT_EQ(ids->vendor, 0x0403u);
    EXPECT_EQ(ids->product, 0x6001u);
    EXPECT_FALSE(ScanUsbIds(L"USB\\VID_0403").has_value());
    auto overlong = ScanUsbIds(L"USB\\VID_FFFFFFFFFFFF0403&PID_1");
    ASSERT_TRUE(overlong.has_value());  // wraps quietly, like the C library
}

}  // namespace
