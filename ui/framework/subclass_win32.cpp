// Subclassed controls: binding through the creation hook or by Attach, and undoing it.
#include "foundation/modules_win32.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/framework/win_app_win32.h"
#include "ui/framework/window_win32.h"

namespace {

// Process-wide, user-interface thread only: the object whose window is being created and the
// hook that catches that window's birth. Both exist only during one CSubclassedWnd::Create.
CSubclassedWnd* g_pendingCreation = nullptr;
HHOOK g_creationHook = nullptr;

}  // namespace

LRESULT CALLBACK CreationHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_pendingCreation) {
        CSubclassedWnd* object = g_pendingCreation;
        g_pendingCreation = nullptr;  // only the first window born belongs to the object
        HWND window = reinterpret_cast<HWND>(wParam);
        object->hwnd = window;
        auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProc)));
        if (previous != &FrameworkWindowProc)
            object->previousProc = previous;
    }
    return CallNextHookEx(g_creationHook, code, wParam, lParam);
}

CSubclassedWnd::~CSubclassedWnd() {
    CSubclassedWnd::Destroy();
}

bool CSubclassedWnd::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x,
                            int y, int width, int height, HWND parent, UINT controlId) {
    if (!g_pendingCreation) {
        // Not reported when it fails: the control is then made, only not bound.
        if (!g_creationHook)
            g_creationHook = SetWindowsHookExW(WH_CBT, &CreationHookProc, nullptr, GetCurrentThreadId());
        g_pendingCreation = this;
    }
    HWND made =
        CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)), ProgramModule(), this);
    hwnd = made;
    if (g_creationHook)
        UnhookWindowsHookEx(g_creationHook);
    g_creationHook = nullptr;
    g_pendingCreation = nullptr;
    return made != nullptr;
}

void CSubclassedWnd::Unsubclass() {
    if (!previousProc)
        return;
    if (hwnd && IsWindow(hwnd))
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    previousProc = nullptr;
    if (CWinApp* app = GetApp()) {
        auto entry = app->windowMap.find(hwnd);
        if (entry != app->windowMap.end() && entry->second == this)
            app->windowMap.erase(entry);
    }
}

void CSubclassedWnd::Destroy() {
    Unsubclass();
    if (IsRealWindowHandle(hwnd))
        DestroyWindow(hwnd);
    hwnd = nullptr;
}

LRESULT CSubclassedWnd::DefaultHandling() {
    const MSG& current = GetApp()->currentMessage;
    if (!previousProc)
        return DefWindowProcW(current.hwnd, current.message, current.wParam, current.lParam);
    return CallWindowProcW(previousProc, current.hwnd, current.message, current.wParam, current.lParam);
}

void CSubclassedWnd::Attach(HWND control) {
    if (previousProc)
        return;
    hwnd = control;
    GetApp()->windowMap[control] = this;
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProc)));
}
