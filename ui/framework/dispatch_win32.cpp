#include "ui/framework/dispatch_win32.h"

#include "ui/framework/win_app_win32.h"

namespace {

// Puts the application's current message back however the dispatch is left.
class CCurrentMessageScope {
public:
    CCurrentMessageScope(CWinApp& app, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
        : app_(app), saved_(app.currentMessage) {
        app.currentMessage.hwnd = window;
        app.currentMessage.message = message;
        app.currentMessage.wParam = wParam;
        app.currentMessage.lParam = lParam;
    }
    ~CCurrentMessageScope() { app_.currentMessage = saved_; }
    CCurrentMessageScope(const CCurrentMessageScope&) = delete;
    CCurrentMessageScope& operator=(const CCurrentMessageScope&) = delete;

private:
    CWinApp& app_;
    MSG saved_;
};

// After WM_NCDESTROY the handle is dead and may be reused by another window: the object must
// not keep it, or a later Destroy would hit a stranger.
void ForgetDeadWindow(CWnd* object, HWND window) {
    if (object->hwnd == window)
        object->hwnd = nullptr;
}

}  // namespace

LRESULT DispatchToObject(CWnd* object, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWinApp* app = GetApp();
    CCurrentMessageScope scope(*app, window, message, wParam, lParam);
    try {
        if (message == WM_NCCREATE || message == WM_INITDIALOG) {
            app->windowMap[window] = object;
        } else if (message == WM_NCDESTROY) {
            auto entry = app->windowMap.find(window);
            if (entry != app->windowMap.end() && entry->second == object)
                app->windowMap.erase(entry);
        }
        return object->HandleMessage(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        return app->OnHandlerException(error, app->currentMessage);
    }
}

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = nullptr;
    if (message == WM_NCCREATE) {
        object = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (object) {
            object->hwnd = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        }
    } else {
        object = reinterpret_cast<CWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!object)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = DispatchToObject(object, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        ForgetDeadWindow(object, window);
    }
    return result;
}

namespace {

// Messages whose dialog-procedure result is the answer itself, not a "handled" flag.
bool ReturnsResultDirectly(UINT message) {
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
           message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON ||
           message == WM_INITDIALOG;
}

}  // namespace

INT_PTR CALLBACK FrameworkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = nullptr;
    if (message == WM_INITDIALOG) {
        object = reinterpret_cast<CWnd*>(lParam);
        if (object) {
            object->hwnd = dialog;
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        }
    } else {
        object = reinterpret_cast<CWnd*>(GetWindowLongPtrW(dialog, DWLP_USER));
    }
    if (!object)
        return FALSE;
    LRESULT result = DispatchToObject(object, dialog, message, wParam, lParam);
    if (result != 0 && !ReturnsResultDirectly(message))
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        ForgetDeadWindow(object, dialog);
    }
    return result;
}

void ForwardToDescendants(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool direct) {
    CWinApp* app = GetApp();
    for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!direct) {
            SendMessageW(child, message, wParam, lParam);
        } else if (CWnd* object = app->FindObject(child)) {
            DispatchToObject(object, child, message, wParam, lParam);
        }
        ForwardToDescendants(child, message, wParam, lParam, direct);
    }
}

CWnd* FindChildObjectById(HWND window, int controlId) {
    CWinApp* app = GetApp();
    if (HWND item = GetDlgItem(window, controlId)) {
        if (CWnd* found = FindChildObjectById(item, controlId))
            return found;
        if (CWnd* object = app->FindObject(item))
            return object;
    }
    for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == controlId) {
            if (CWnd* object = app->FindObject(child))
                return object;
        }
        if (CWnd* found = FindChildObjectById(child, controlId))
            return found;
    }
    return nullptr;
}

bool ReflectToObject(HWND control, LRESULT* result) {
    CWinApp* app = GetApp();
    CWnd* object = app->FindObject(control);
    if (!object)
        return false;
    const MSG& current = app->currentMessage;
    return object->HandleReflected(current.message, current.wParam, current.lParam, result);
}
