#include "search/port_devices_win32.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "search/port_classification.h"

namespace {

// Defined here rather than through the SDK's GUID headers, which need initguid tricks.
constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

struct PropertyKey {
    GUID category;
    ULONG id;
};
constexpr PropertyKey kDeviceParent = {
    {0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}}, 8};
constexpr PropertyKey kBusReportedDescription = {
    {0x540B947E, 0x8B40, 0x45BC, {0xA8, 0xA2, 0x6A, 0x0B, 0x89, 0x4C, 0xBD, 0xA2}}, 4};

constexpr ULONG kPropertyString = 0x12;  // DEVPROP_TYPE_STRING
constexpr DWORD kTextCapacity = 201;  // wide characters, as the registry and id buffers
constexpr DWORD kPropertyBytes = 402;

// Owns a device information list.
class CDeviceList {
public:
    explicit CDeviceList(HDEVINFO list) : list_(list) {}
    ~CDeviceList() {
        if (IsValid())
            SetupDiDestroyDeviceInfoList(list_);
    }
    CDeviceList(const CDeviceList&) = delete;
    CDeviceList& operator=(const CDeviceList&) = delete;
    bool IsValid() const { return list_ != INVALID_HANDLE_VALUE; }
    HDEVINFO Get() const { return list_; }

private:
    HDEVINFO list_;
};

std::wstring PortName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[kTextCapacity] = {};
    DWORD size = sizeof name - sizeof(wchar_t);  // keep room for a terminator the registry may omit
    DWORD type = 0;
    LONG status = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return std::wstring(name, wcsnlen(name, kTextCapacity - 1));
}

std::optional<std::wstring> InstanceId(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    wchar_t id[kTextCapacity] = {};
    if (!SetupDiGetDeviceInstanceIdW(devices, &device, id, kTextCapacity, nullptr))
        return std::nullopt;
    return std::wstring(id, wcsnlen(id, kTextCapacity));
}

}  // namespace

CSetupApiPortEnumerator::CSetupApiPortEnumerator() {
    RefreshPropertyCall();
}

void CSetupApiPortEnumerator::RefreshPropertyCall() {
    if (getDeviceProperty_)
        return;
    HMODULE setupApi = GetModuleHandleW(L"SetupApi.dll");
    if (!setupApi)
        return;
    getDeviceProperty_ = reinterpret_cast<GetDevicePropertyFn>(
        reinterpret_cast<void*>(GetProcAddress(setupApi, "SetupDiGetDevicePropertyW")));
}

std::optional<std::wstring> CSetupApiPortEnumerator::ParentBusDescription(HDEVINFO devices,
                                                                          SP_DEVINFO_DATA& device) const {
    BYTE buffer[kPropertyBytes + sizeof(wchar_t)] = {};
    ULONG type = 0;
    if (!getDeviceProperty_(devices, &device, &kDeviceParent, &type, buffer, kPropertyBytes, nullptr, 0) ||
        type != kPropertyString)
        return std::nullopt;
    const auto* parent = reinterpret_cast<const wchar_t*>(buffer);
    std::wstring parentId(parent, wcsnlen(parent, kPropertyBytes / sizeof(wchar_t)));

    CDeviceList usbDevices(SetupDiGetClassDevsW(&kUsbDeviceInterface, parentId.c_str(), nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!usbDevices.IsValid())
        return std::nullopt;
    SP_DEVINFO_DATA usbDevice{};
    usbDevice.cbSize = sizeof usbDevice;
    if (!SetupDiEnumDeviceInfo(usbDevices.Get(), 0, &usbDevice))
        return std::nullopt;
    std::fill(std::begin(buffer), std::end(buffer), BYTE{0});
    if (!getDeviceProperty_(usbDevices.Get(), &usbDevice, &kBusReportedDescription, &type, buffer,
                            kPropertyBytes, nullptr, 0) ||
        type != kPropertyString)
        return std::nullopt;
    const auto* description = reinterpret_cast<const wchar_t*>(buffer);
    return std::wstring(description, wcsnlen(description, kPropertyBytes / sizeof(wchar_t)));
}

std::vector<ListedPort> CSetupApiPortEnumerator::Enumerate(bool searchAll) {
    std::vector<ListedPort> listed;
    CDeviceList devices(SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT));
    if (!devices.IsValid())
        return listed;  // seen as no devices at all

    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(devices.Get(), index, &device)) {
            DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_ITEMS)
                throw std::system_error(static_cast<int>(error), std::system_category());
            break;
        }
        std::wstring name = PortName(devices.Get(), device);
        if (!IsComPortName(name))
            continue;
        std::optional<std::wstring> id = InstanceId(devices.Get(), device);
        if (!id)
            continue;

        ParentDescriptionLookup lookup;
        if (getDeviceProperty_)
            lookup = [&] { return ParentBusDescription(devices.Get(), device); };
        PortClassification classification = ClassifyPort(*id, lookup);
        if (!IsPortListed(classification, searchAll))
            continue;
        listed.push_back({std::move(name), classification.modelHint, classification.recognised});
    }
    return listed;
}
