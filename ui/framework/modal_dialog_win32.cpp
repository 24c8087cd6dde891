// Modal dialogs: a dialog made modeless by CreateDialogParamW, run in a loop of our own that
// disables the owners, keeps idle processing going and hands WM_QUIT on to the outer loop.
#include "foundation/modules_win32.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/framework/win_app_win32.h"
#include "ui/framework/window_win32.h"

namespace {

constexpr UINT kKickIdle = 0x036A;  // asks the dialog for its idle work; 0 means "no more"

HINSTANCE DialogModule(UINT templateId) {
    HINSTANCE resources = ResourceModule();
    return FindResourceW(resources, MAKEINTRESOURCEW(templateId), RT_DIALOG) ? resources : ProgramModule();
}

// The windows a modal run disables, and enables again however the run ends.
struct DisabledOwners {
    HWND root = nullptr;   // the top of the owner chain, when it differs from the owner
    HWND owner = nullptr;  // the window that owns the dialog
    HWND main = nullptr;   // the main window, disabled with the owner
    HWND ownerToActivate = nullptr;

    void Disable(HWND dialog, HWND mainWindow) {
        HWND parent = GetParent(dialog);
        HWND start = parent ? parent : mainWindow;
        if (!start)
            return;
        HWND topLevel = start;
        while (topLevel && (GetWindowLongW(topLevel, GWL_STYLE) & WS_CHILD)) topLevel = GetParent(topLevel);
        HWND top = topLevel;
        while (top && GetParent(top)) top = GetParent(top);
        if (!parent && topLevel)
            topLevel = GetLastActivePopup(topLevel);
        ownerToActivate = topLevel;
        if (top && IsWindowEnabled(top) && top != topLevel) {
            EnableWindow(top, FALSE);
            root = top;
        }
        if (topLevel && topLevel != GetDesktopWindow() && IsWindowEnabled(topLevel)) {
            EnableWindow(topLevel, FALSE);
            owner = topLevel;
            if (mainWindow && IsWindowEnabled(mainWindow)) {
                EnableWindow(mainWindow, FALSE);
                main = mainWindow;
            }
        }
    }

    void Restore(HWND dialog) {
        if (main)
            EnableWindow(main, TRUE);
        if (owner)
            EnableWindow(owner, TRUE);
        if (ownerToActivate && GetActiveWindow() == dialog)
            SetActiveWindow(ownerToActivate);
        if (root && IsWindow(root))
            EnableWindow(root, TRUE);
    }
};

}  // namespace

int CModalDialog::RunModal(UINT templateId, HWND owner) {
    result = -1;
    HWND dialog = CreateDialogParamW(DialogModule(templateId), MAKEINTRESOURCEW(templateId), owner,
                                     &FrameworkDialogProc, reinterpret_cast<LPARAM>(this));
    if (dialog) {
        RunModalLoop(dialog);
        Destroy();
    }
    if (IsRealWindowHandle(hwnd))
        DestroyWindow(hwnd);
    hwnd = nullptr;
    return result;
}

void CModalDialog::EndModal(int dialogResult) {
    result = dialogResult;
    PostMessageW(hwnd, WM_NULL, 0, 0);
    EndDialog(hwnd, dialogResult);
}

void CModalDialog::RunModalLoop(HWND dialog) {
    CWinApp& app = *GetApp();
    result = -1;
    DisabledOwners disabled;
    disabled.Disable(dialog, app.MainWindowHandle());
    HWND parent = GetParent(dialog);

    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    const bool wasVisible = (style & WS_VISIBLE) != 0;
    bool shown = false;
    bool idle = true;
    long passCount = 0;
    MSG peeked;
    for (bool running = true; running;) {
        while (idle && !PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!wasVisible && !shown) {
                ShowWindow(dialog, SW_SHOWNORMAL);
                UpdateWindow(dialog);
                shown = true;
            }
            if (!(style & DS_NOIDLEMSG) && parent && passCount == 0)
                SendMessageW(parent, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
            if (SendMessageW(dialog, kKickIdle, 0, passCount++) == 0)
                idle = false;
        }
        do {
            if (!app.PumpOne()) {
                // The outer loop must see the quit too, with the code it was posted with.
                PostQuitMessage(static_cast<int>(app.queueMessage.wParam));
                result = -1;
                running = false;
                break;
            }
            if (result != -1) {
                EndDialog(dialog, result);
                running = false;
                break;
            }
            // A dialog destroyed under the loop (its owner went away) can never store a result.
            if (!IsWindow(dialog)) {
                running = false;
                break;
            }
            if (app.IsIdleTrigger(app.queueMessage)) {
                idle = true;
                passCount = 0;
            }
        } while (PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    }

    if (IsWindow(dialog))
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    disabled.Restore(dialog);
}
