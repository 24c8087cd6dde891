// Enumerates the Ports device class through SetupAPI and classifies each port.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <optional>
#include <string>

#include "search/port_devices.h"

class CSetupApiPortEnumerator final : public IPortEnumerator {
public:
    // Looks up the device-property call in the already loaded SetupAPI; without it FTDI adapters
    // are classified by their identifiers alone. Looked up again by a later Refresh.
    CSetupApiPortEnumerator();

    void RefreshPropertyCall();
    bool HasPropertyCall() const { return getDeviceProperty_ != nullptr; }

    std::vector<ListedPort> Enumerate(bool searchAll) override;

private:
    using GetDevicePropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const void* propertyKey,
                                              ULONG* type, BYTE* buffer, DWORD size, DWORD* requiredSize,
                                              DWORD flags);

    std::optional<std::wstring> ParentBusDescription(HDEVINFO devices, SP_DEVINFO_DATA& device) const;

    GetDevicePropertyFn getDeviceProperty_ = nullptr;
};
