// The window classes of the framework: every window, dialog and subclassed control the program
// handles is one of these objects. Objects own their windows; a window never owns its object.
// User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

class CObject {
public:
    virtual ~CObject() = default;
};

// Offers a keyboard or mouse message taken from the queue to the dialog manager of window
// (Tab, arrow and mnemonic navigation); true when it consumed the message.
bool OfferToDialogManager(HWND window, MSG& message);

// 0, 1, -1 and -2 are placeholders some APIs use in handle positions, never windows of ours.
bool IsRealWindowHandle(HWND window);

class CWnd : public CObject {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    virtual bool Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x,
                        int y, int width, int height, HWND parent, UINT controlId);
    virtual void Destroy();
    // Offered every message taken from the queue before it is translated; true consumes it.
    virtual bool PreTranslate(MSG& message);
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual bool HandleCommand(UINT commandId, UINT notifyCode, HWND control);
    virtual bool HandleNotify(WPARAM controlId, NMHDR* header, LRESULT* result);
    // The system's processing of the message being dispatched now.
    virtual LRESULT DefaultHandling();
    // A parent's notification about this control, handed back to it; true when handled.
    virtual bool HandleReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    void CenterWindow();
    void GetText(std::wstring& target) const;

    HWND hwnd = nullptr;  // null while no window exists
};

class CSubclassedWnd : public CWnd {
public:
    ~CSubclassedWnd() override;

    // Creates a control of any class bound to this object from its first message on.
    bool Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                int width, int height, HWND parent, UINT controlId) override;
    void Destroy() override;
    LRESULT DefaultHandling() override;

    // Binds an existing control (one made by a dialog template) to this object.
    void Attach(HWND control);
    // Gives the control its own window procedure back and takes it out of the window map.
    void Unsubclass();

    WNDPROC previousProc = nullptr;  // null while the window is not subclassed

private:
    friend LRESULT CALLBACK CreationHookProc(int code, WPARAM wParam, LPARAM lParam);
};

class CDialog : public CWnd {
public:
    bool PreTranslate(MSG& message) override;
    LRESULT DefaultHandling() override;

    // The common part of every dialog's WM_INITDIALOG; returns TRUE.
    BOOL InitDialog();

    int helpContextId = 0;  // 0: no context help
};

class CModalDialog : public CDialog {
public:
    // Runs the dialog template modally and returns the stored result (-1 when it ended otherwise).
    int RunModal(UINT templateId, HWND owner);

    // A modal dialog ends itself with this (any value but -1).
    void EndModal(int dialogResult);

    int result = -1;  // -1 while the dialog runs

private:
    void RunModalLoop(HWND dialog);
};
