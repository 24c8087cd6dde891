// The search worker's hidden window: it hears the device-change broadcasts (ports arriving and
// leaving, device nodes changing) and asks the search for an enumeration. Created, served and
// destroyed on the worker thread, whose pump delivers its messages.
#pragma once

#include <windows.h>

class CPortSearch;

inline constexpr wchar_t kSearchWindowClass[] = L"QuillcheckSearch";

class CDeviceNotifyWindow {
public:
    CDeviceNotifyWindow() = default;
    ~CDeviceNotifyWindow() { Remove(); }
    CDeviceNotifyWindow(const CDeviceNotifyWindow&) = delete;
    CDeviceNotifyWindow& operator=(const CDeviceNotifyWindow&) = delete;

    // True when the window stands and is registered for COM-port notifications; on failure
    // nothing is left behind (the search then rescans only when asked).
    bool Create(CPortSearch& search);
    void Remove();
    HWND Window() const { return window_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HDEVNOTIFY notifyHandle_ = nullptr;
    bool classRegistered_ = false;
};

// Whether a WM_DEVICECHANGE asks for a new enumeration of the ports.
bool IsPortDeviceChange(WPARAM event, LPARAM data);
