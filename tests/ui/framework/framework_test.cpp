// The framework with real windows and a real message loop (under Wine in this build).
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "tests/support/error_box_answer_win32.h"
#include "tests/support/test_app_win32.h"
#include "ui/framework/center_rect.h"
#include "ui/framework/error_box_win32.h"

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kInner = WM_APP + 2;

class Framework : public ::testing::Test {
protected:
    CTestApp app;
};

TEST_F(Framework, HandlerThrowingOnCreateFailsTheCreation) {
    CTestWnd window;
    bool ncDestroyed = false;
    window.onMessage = [&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CREATE)
            throw std::runtime_error("no");
        if (message == WM_NCDESTROY)
            ncDestroyed = true;
        return std::nullopt;
    };
    EXPECT_FALSE(window.CreateTopLevel());
    EXPECT_EQ(window.hwnd, nullptr);
    EXPECT_TRUE(ncDestroyed);
    EXPECT_TRUE(app.windowMap.empty());
}

TEST_F(Framework, HandlerThrowingOnPaintLeavesTheWindowValidated) {
    CTestWnd window;
    int paints = 0;
    window.onMessage = [&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_PAINT) {
            ++paints;
            throw std::runtime_error("paint");
        }
        return std::nullopt;
    };
    ASSERT_TRUE(window.CreateTopLevel(L"paint", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    InvalidateRect(window.hwnd, nullptr, TRUE);
    UpdateWindow(window.hwnd);
    PumpPending();
    EXPECT_GE(paints, 1);
    EXPECT_FALSE(GetUpdateRect(window.hwnd, nullptr, FALSE));
    const int afterFirst = paints;
    PumpPending();
    EXPECT_EQ(paints, afterFirst);  // no endless repainting
}

TEST_F(Framework, HandlerThrowingOnOtherMessagesYieldsZero) {
    CTestWnd window;
    window.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kPing && wParam == 1)
            throw std::logic_error("ping");
        if (message == kPing)
            return 42;
        return std::nullopt;
    };
    ASSERT_TRUE(window.CreateTopLevel());
    EXPECT_EQ(SendMessageW(window.hwnd, kPing, 0, 0), 42);
    EXPECT_EQ(SendMessageW(window.hwnd, kPing, 1, 0), 0);
    EXPECT_EQ(app.currentMessage.message, 0u);  // restored after the dispatch
}

TEST_F(Framework, NestedSendsSeeTheirOwnCurrentMessage) {
    CTestWnd outer;
    CTestWnd inner;
    std::vector<UINT> seen;
    inner.onMessage = [&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != kInner)
            return std::nullopt;
        seen.push_back(app.currentMessage.message);
        return 5;
    };
    outer.onMessage = [&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != kPing)
            return std::nullopt;
        seen.push_back(app.currentMessage.message);
        LRESULT innerResult = SendMessageW(inner.hwnd, kInner, 0, 0);
        seen.push_back(app.currentMessage.message);
        EXPECT_EQ(app.currentMessage.hwnd, outer.hwnd);
        return innerResult;
    };
    ASSERT_TRUE(outer.CreateTopLevel());
    ASSERT_TRUE(inner.CreateTopLevel());
    EXPECT_EQ(SendMessageW(outer.hwnd, kPing, 0, 0), 5);
    EXPECT_EQ(seen, (std::vector<UINT>{kPing, kInner, kPing}));
}

TEST_F(Framework, NcDestroyArrivesAfterTheWindowLeftTheMap) {
    CTestWnd window;
    bool called = false;
    bool inMap = true;
    window.onMessage = [&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_NCDESTROY) {
            called = true;
            inMap = app.FindObject(app.currentMessage.hwnd) != nullptr;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(window.CreateTopLevel());
    HWND handle = window.hwnd;
    EXPECT_EQ(app.FindObject(handle), &window);
    DestroyWindow(handle);
    EXPECT_TRUE(called);
    EXPECT_FALSE(inMap);
    EXPECT_EQ(window.hwnd, nullptr);  // the dead handle is not kept
}

// A child control object that takes its own notifications back.
class CReflectingButton : public CSubclassedWnd {
public:
    bool HandleReflected(UINT message, WPARAM wParam, LPARAM, LRESULT*) override {
        reflected = message;
        code = HIWORD(wParam);
        return handles;
    }
    bool handles = true;
    UINT reflected = 0;
    UINT code = 0;
};

TEST_F(Framework, ReflectedCommandReturnsOne) {
    CTestWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CReflectingButton button;
    ASSERT_TRUE(button.Create(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, parent.hwnd, 77));
    EXPECT_EQ(app.FindObject(button.hwnd), &button);
    EXPECT_NE(button.previousProc, nullptr);

    const LPARAM from = reinterpret_cast<LPARAM>(button.hwnd);
    EXPECT_EQ(SendMessageW(parent.hwnd, WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), from), 1);
    EXPECT_EQ(button.reflected, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(button.code, static_cast<UINT>(BN_CLICKED));
    button.handles = false;
    EXPECT_EQ(SendMessageW(parent.hwnd, WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), from), 0);
}

// Notifications about a control reach the control's own object, whatever message carries them.
TEST_F(Framework, NotificationsAreReflectedToTheControlsObject) {
    CTestWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CReflectingButton button;
    ASSERT_TRUE(button.Create(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 50, 20, parent.hwnd, 12));
    NMHDR notify{button.hwnd, 12, 0};
    DRAWITEMSTRUCT draw{};
    draw.hwndItem = button.hwnd;
    struct Row {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Row rows[] = {
        {WM_NOTIFY, 12, reinterpret_cast<LPARAM>(&notify)},
        {WM_DRAWITEM, 12, reinterpret_cast<LPARAM>(&draw)},
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 12), reinterpret_cast<LPARAM>(button.hwnd)},
    };
    for (const Row& row : rows) {
        button.reflected = 0;
        SendMessageW(parent.hwnd, row.message, row.wParam, row.lParam);
        EXPECT_EQ(button.reflected, row.message) << "message " << row.message;
    }
}

TEST_F(Framework, SubclassedControlKeepsItsOwnBehaviourAndLetsGo) {
    CTestWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CSubclassedWnd edit;
    ASSERT_TRUE(edit.Create(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent.hwnd, 5));
    SetWindowTextW(edit.hwnd, L"hello");
    std::wstring text;
    edit.GetText(text);
    EXPECT_EQ(text, L"hello");
    EXPECT_EQ(FindChildObjectById(parent.hwnd, 5), &edit);

    HWND handle = edit.hwnd;
    edit.Unsubclass();
    EXPECT_EQ(app.FindObject(handle), nullptr);
    EXPECT_NE(GetWindowLongPtrW(handle, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&FrameworkWindowProc));
    edit.Destroy();
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(Framework, AttachBindsAnExistingControl) {
    CTestWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    HWND control = CreateWindowExW(0, L"EDIT", L"x", WS_CHILD, 0, 0, 10, 10, parent.hwnd,
                                   reinterpret_cast<HMENU>(9), nullptr, nullptr);
    CReflectingButton object;
    object.Attach(control);
    EXPECT_EQ(app.FindObject(control), &object);
    EXPECT_EQ(
        SendMessageW(parent.hwnd, WM_COMMAND, MAKEWPARAM(9, EN_CHANGE), reinterpret_cast<LPARAM>(control)),
        1);
    object.Destroy();
    EXPECT_FALSE(IsWindow(control));
    EXPECT_TRUE(app.windowMap.count(control) == 0);
}

TEST_F(Framework, SettingChangeGoesStraightToTheDescendantsObjects) {
    CTestWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CReflectingButton child;
    ASSERT_TRUE(child.Create(0, L"BUTTON", L"c", WS_CHILD, 0, 0, 10, 10, parent.hwnd, 3));
    class CListening : public CReflectingButton {
    public:
        LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_SETTINGCHANGE)
                ++settingChanges;
            return CReflectingButton::HandleMessage(window, message, wParam, lParam);
        }
        int settingChanges = 0;
    } grandchild;
    ASSERT_TRUE(grandchild.Create(0, L"BUTTON", L"g", WS_CHILD, 0, 0, 10, 10, child.hwnd, 4));
    SendMessageW(parent.hwnd, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(grandchild.settingChanges, 1);
    EXPECT_EQ(FindChildObjectById(parent.hwnd, 4), &grandchild);
}

// A dialog made from a template in memory, to look at what the dialog procedure stores.
class CResultDialog : public CDialog {
public:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_INITDIALOG)
            return InitDialog();
        if (message == kPing)
            return static_cast<LRESULT>(wParam);
        if (message == WM_CTLCOLORSTATIC)
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return CDialog::HandleMessage(window, message, wParam, lParam);
    }
};

HWND CreateMemoryDialog(CDialog& dialog) {
    struct alignas(4) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } layout{};
    layout.header.style = WS_POPUP | WS_CAPTION;
    layout.header.cx = 100;
    layout.header.cy = 50;
    return CreateDialogIndirectParamW(nullptr, &layout.header, nullptr, &FrameworkDialogProc,
                                      reinterpret_cast<LPARAM>(&dialog));
}

TEST_F(Framework, DialogResultsAreStoredOnlyWhereTheyMeanHandled) {
    CResultDialog dialog;
    HWND handle = CreateMemoryDialog(dialog);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(dialog.hwnd, handle);

    // Through the dialog manager: a stored result is what the sender gets.
    EXPECT_EQ(SendMessageW(handle, kPing, 7, 0), 7);
    HDC dc = GetDC(handle);
    EXPECT_EQ(SendMessageW(handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));

    // The dialog procedure itself (the dialog manager clears the slot before each call).
    SetWindowLongPtrW(handle, DWLP_MSGRESULT, 99);
    EXPECT_EQ(FrameworkDialogProc(handle, kPing, 0, 0), 0);  // 0: not handled, nothing stored
    EXPECT_EQ(GetWindowLongPtrW(handle, DWLP_MSGRESULT), 99);
    EXPECT_EQ(FrameworkDialogProc(handle, kPing, 7, 0), 7);
    EXPECT_EQ(GetWindowLongPtrW(handle, DWLP_MSGRESULT), 7);
    SetWindowLongPtrW(handle, DWLP_MSGRESULT, 99);
    EXPECT_EQ(FrameworkDialogProc(handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetWindowLongPtrW(handle, DWLP_MSGRESULT), 99);  // a brush is the answer itself
    ReleaseDC(handle, dc);
    DestroyWindow(handle);
    EXPECT_EQ(dialog.hwnd, nullptr);
}

TEST_F(Framework, HelpContextAddsTheHelpButtonStyle) {
    CResultDialog dialog;
    dialog.helpContextId = 5;
    HWND handle = CreateMemoryDialog(dialog);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    DestroyWindow(handle);
}

class CTestModal : public CModalDialog {
public:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_INITDIALOG) {
            if (onInit)
                onInit(*this);
            return InitDialog();
        }
        return CModalDialog::HandleMessage(window, message, wParam, lParam);
    }
    bool HandleCommand(UINT id, UINT, HWND) override {
        if (id != IDOK && id != IDCANCEL)
            return false;
        EndModal(static_cast<int>(id));
        return true;
    }
    std::function<void(CTestModal&)> onInit;
};

TEST_F(Framework, ModalDialogEndedByQuitPassesTheQuitOnAndReturnsMinusOne) {
    CTestWnd owner;
    ASSERT_TRUE(owner.CreateTopLevel(L"owner", WS_OVERLAPPEDWINDOW));
    app.mainWindow = &owner;
    CTestModal dialog;
    dialog.onInit = [&](CTestModal&) { PostQuitMessage(6); };
    EXPECT_EQ(dialog.RunModal(900, owner.hwnd), -1);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 6u);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
    EXPECT_EQ(dialog.hwnd, nullptr);
}

TEST_F(Framework, ModalDialogDisablesItsOwnerUntilItEnds) {
    CTestWnd owner;
    ASSERT_TRUE(owner.CreateTopLevel(L"owner", WS_OVERLAPPEDWINDOW));
    app.mainWindow = &owner;
    CTestModal dialog;
    bool ownerDisabled = false;
    bool visible = false;
    int idlePasses = 0;
    owner.onMessage = [&](UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
            ++idlePasses;
            ownerDisabled = !IsWindowEnabled(owner.hwnd);
            visible = IsWindowVisible(reinterpret_cast<HWND>(lParam)) != FALSE;
            PostMessageW(reinterpret_cast<HWND>(lParam), WM_COMMAND, IDOK, 0);
        }
        return std::nullopt;
    };
    EXPECT_EQ(dialog.RunModal(900, owner.hwnd), IDOK);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(visible);  // shown once the queue ran empty
    EXPECT_GE(idlePasses, 1);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
    EXPECT_EQ(dialog.hwnd, nullptr);
}

TEST_F(Framework, MissingDialogTemplateReturnsMinusOneAtOnce) {
    CTestModal dialog;
    EXPECT_EQ(dialog.RunModal(4321, nullptr), -1);
}

class CIdleCountingApp : public CTestApp {
public:
    bool Idle(long passCount) override {
        passes.push_back(passCount);
        if (passCount == 1)
            PostQuitMessage(3);
        return CTestApp::Idle(passCount);
    }
    std::vector<long> passes;
};

TEST(MessageLoop, RunsTwoIdlePassesAndReturnsTheQuitCode) {
    CIdleCountingApp app;
    EXPECT_EQ(RunMessageLoop(app), 3);
    EXPECT_EQ(app.passes, (std::vector<long>{0, 1}));
}

TEST_F(Framework, CentringOnAMinimisedOwnerUsesTheMainWindowsWorkArea) {
    CTestWnd owner;
    ASSERT_TRUE(owner.CreateTopLevel(L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    app.mainWindow = &owner;
    ShowWindow(owner.hwnd, SW_MINIMIZE);
    CTestWnd popup;
    ASSERT_TRUE(popup.Create(0, TestWindowClass(), L"popup", WS_POPUP, 0, 0, 200, 100, owner.hwnd, 0));
    popup.CenterWindow();
    RECT rect{};
    GetWindowRect(popup.hwnd, &rect);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(owner.hwnd, MONITOR_DEFAULTTOPRIMARY), &info);
    const ScreenRect work{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    ScreenPoint expected = CenteredPosition(work, work, 200, 100);
    EXPECT_EQ(rect.left, expected.x);
    EXPECT_EQ(rect.top, expected.y);
}

TEST_F(Framework, CentringOnAVisibleOwner) {
    CTestWnd owner;
    ASSERT_TRUE(owner.CreateTopLevel(L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    CTestWnd popup;
    ASSERT_TRUE(popup.Create(0, TestWindowClass(), L"popup", WS_POPUP, 0, 0, 200, 100, owner.hwnd, 0));
    popup.CenterWindow();
    RECT ownerRect{};
    RECT rect{};
    GetWindowRect(owner.hwnd, &ownerRect);
    GetWindowRect(popup.hwnd, &rect);
    EXPECT_EQ(rect.left, (ownerRect.left + ownerRect.right) / 2 - 100);
    EXPECT_EQ(rect.top, (ownerRect.top + ownerRect.bottom) / 2 - 50);
}

TEST_F(Framework, ErrorBoxShowsOneOkButtonAndReturnsItsId) {
    CTestWnd owner;
    ASSERT_TRUE(owner.CreateTopLevel(L"owner", WS_OVERLAPPEDWINDOW));
    app.mainWindow = &owner;
    ErrorBoxSeen seen;
    AnswerNextErrorBox(seen);
    EXPECT_EQ(ShowErrorBox(L"Something failed.", nullptr), IDOK);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.buttonText, L"OK");
}

}  // namespace
