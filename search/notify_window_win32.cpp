#include "search/notify_window_win32.h"

#include <dbt.h>

#include "search/port_search.h"

namespace {

constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

}  // namespace

bool IsPortDeviceChange(WPARAM event, LPARAM data) {
    if (event == DBT_DEVNODES_CHANGED)
        return true;
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || data == 0)
        return false;
    const DWORD type = reinterpret_cast<const DEV_BROADCAST_HDR*>(data)->dbch_devicetype;
    // Port broadcasts reach every top-level window; the COM-port interface arrivals come from
    // our own registration.
    return type == DBT_DEVTYP_PORT || type == DBT_DEVTYP_DEVICEINTERFACE;
}

bool CDeviceNotifyWindow::Create(CPortSearch& search) {
    if (window_)
        return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ProgramInstance();
    windowClass.lpszClassName = kSearchWindowClass;
    if (RegisterClassExW(&windowClass))
        classRegistered_ = true;
    else if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)  // another search in this process has it
        return false;

    // A top-level window, never shown: message-only windows get no broadcasts.
    window_ = CreateWindowExW(WS_EX_APPWINDOW, kSearchWindowClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                              ProgramInstance(), &search);
    if (!window_) {
        Remove();
        return false;
    }

    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    notifyHandle_ = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!notifyHandle_) {
        Remove();
        return false;
    }
    return true;
}

void CDeviceNotifyWindow::Remove() {
    if (notifyHandle_)
        UnregisterDeviceNotification(notifyHandle_);
    notifyHandle_ = nullptr;
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
    if (classRegistered_)
        UnregisterClassW(kSearchWindowClass, ProgramInstance());
    classRegistered_ = false;
}

LRESULT CALLBACK CDeviceNotifyWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_DEVICECHANGE: {
            auto* search = reinterpret_cast<CPortSearch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (search && IsPortDeviceChange(wParam, lParam))
                search->RequestRescan();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
