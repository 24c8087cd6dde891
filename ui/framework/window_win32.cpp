#include "ui/framework/window_win32.h"

#include "foundation/modules_win32.h"
#include "ui/framework/center_rect.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/framework/win_app_win32.h"

bool IsRealWindowHandle(HWND window) {
    const auto value = reinterpret_cast<intptr_t>(window);
    return value != 0 && value != 1 && value != -1 && value != -2;
}

CWnd::~CWnd() {
    if (IsRealWindowHandle(hwnd))
        DestroyWindow(hwnd);
    hwnd = nullptr;
}

bool CWnd::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                  int width, int height, HWND parent, UINT controlId) {
    HWND made =
        CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)), ProgramModule(), this);
    hwnd = made;
    return made != nullptr;
}

void CWnd::Destroy() {
    if (hwnd)
        DestroyWindow(hwnd);
    hwnd = nullptr;
}

bool CWnd::PreTranslate(MSG&) {
    return false;
}

namespace {

bool IsTopLevel(HWND window) {
    return (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0;
}

// Owner-drawn item messages go back to the control they describe; the result is always 0.
LRESULT ReflectItemMessage(CWnd& self, HWND control) {
    if (!ReflectToObject(control, nullptr))
        self.DefaultHandling();
    return 0;
}

}  // namespace

LRESULT CWnd::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOLORCHANGE:
            if (IsTopLevel(window))
                ForwardToDescendants(window, message, 0, 0, false);
            return DefaultHandling();
        case WM_SETTINGCHANGE:
            if (IsTopLevel(window))
                ForwardToDescendants(window, message, wParam, lParam, true);
            return DefaultHandling();
        case WM_DEVMODECHANGE:
            if (IsTopLevel(window))
                ForwardToDescendants(window, message, wParam, lParam, true);
            return 0;
        case WM_DRAWITEM:
            return ReflectItemMessage(*this, reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem);
        case WM_DELETEITEM:
            return ReflectItemMessage(*this, reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem);
        case WM_MEASUREITEM: {
            const auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            CWnd* control = item->CtlType != ODT_MENU
                                ? FindChildObjectById(window, static_cast<int>(item->CtlID))
                                : nullptr;
            if (!control || !control->HandleReflected(message, wParam, lParam, nullptr))
                DefaultHandling();
            return 0;
        }
        case WM_COMPAREITEM: {
            LRESULT result = 0;
            if (ReflectToObject(reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem, &result))
                return result;
            return DefaultHandling();
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header && header->hwndFrom) {
                LRESULT result = 0;
                if (HandleNotify(wParam, header, &result))
                    return result;
            }
            return DefaultHandling();
        }
        case WM_COMMAND:
            if (HandleCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
                return 1;
            return DefaultHandling();
        case WM_PARENTNOTIFY: {
            const UINT event = LOWORD(wParam);
            if ((event == WM_CREATE || event == WM_DESTROY) && lParam != 0) {
                if (!ReflectToObject(reinterpret_cast<HWND>(lParam), nullptr))
                    DefaultHandling();
                return 0;
            }
            return DefaultHandling();
        }
        default: return DefaultHandling();
    }
}

bool CWnd::HandleCommand(UINT, UINT, HWND control) {
    return control && ReflectToObject(control, nullptr);
}

bool CWnd::HandleNotify(WPARAM, NMHDR* header, LRESULT* result) {
    return ReflectToObject(header->hwndFrom, result);
}

LRESULT CWnd::DefaultHandling() {
    const MSG& current = GetApp()->currentMessage;
    return DefWindowProcW(current.hwnd, current.message, current.wParam, current.lParam);
}

bool CWnd::HandleReflected(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

namespace {

ScreenRect ToScreenRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

ScreenRect WorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(monitor, &info);
    return ToScreenRect(info.rcWork);
}

ScreenRect ClientRectOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return ToScreenRect(client);
}

}  // namespace

void CWnd::CenterWindow() {
    RECT own{};
    GetWindowRect(hwnd, &own);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    ScreenRect reference;
    ScreenRect area;
    HWND parent = (style & WS_CHILD) ? GetParent(hwnd) : nullptr;
    if (parent) {
        reference = area = ClientRectOnScreen(parent);
    } else {
        HWND owner = GetWindow(hwnd, GW_OWNER);
        if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
            RECT ownerRect{};
            GetWindowRect(owner, &ownerRect);
            reference = ToScreenRect(ownerRect);
            area = WorkArea(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST));
        } else {
            reference = area =
                WorkArea(MonitorFromWindow(GetApp()->MainWindowHandle(), MONITOR_DEFAULTTOPRIMARY));
        }
    }
    ScreenPoint at = CenteredPosition(reference, area, own.right - own.left, own.bottom - own.top);
    if (parent) {
        // A child is positioned in its parent's client coordinates.
        POINT point{at.x, at.y};
        ScreenToClient(parent, &point);
        at = {point.x, point.y};
    }
    SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::GetText(std::wstring& target) const {
    target.resize(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1);
    int copied = GetWindowTextW(hwnd, target.data(), static_cast<int>(target.size()));
    target.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
}

bool OfferToDialogManager(HWND window, MSG& message) {
    const bool keyboard = message.message >= WM_KEYFIRST && message.message <= 0x0109;
    const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= 0x020E;
    if (!keyboard && !mouse)
        return false;
    return IsDialogMessageW(window, &message) != FALSE;
}

bool CDialog::PreTranslate(MSG& message) {
    return OfferToDialogManager(hwnd, message);
}

LRESULT CDialog::DefaultHandling() {
    return 0;
}

BOOL CDialog::InitDialog() {
    if (HICON icon = GetApp()->smallIcon)
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (helpContextId != 0)
        SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
    return TRUE;
}
