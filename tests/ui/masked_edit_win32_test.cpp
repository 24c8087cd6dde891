// The key field on a real edit control, driven by the messages the keyboard and the clipboard send.
#include <gtest/gtest.h>

#include "tests/support/test_app_win32.h"
#include "ui/edit_win32.h"
#include "ui/key_field_style.h"

namespace {

class KeyFieldControl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.CreateTopLevel(L"key field"));
        field.model.mask = L"AAAAAAAAAAAA";
        field.model.inputTemplate = L"____________";
        field.model.value = L"____________";
        field.model.validChars = L"0123456789abcdefABCDEF";
        // The page's own styles: without ES_AUTOHSCROLL what a paste leaves would depend on how
        // many characters of the machine's font fit the width.
        ASSERT_TRUE(field.Create(0, L"EDIT", L"", KEY_FIELD_STYLE, 10, 10, 200, 24, parent.hwnd, 1001));
    }

    // What the control itself holds, past the field's own text handling.
    std::wstring ControlText() {
        wchar_t buffer[64] = {};
        CallWindowProcW(field.previousProc, field.hwnd, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    std::wstring FieldText() {
        std::wstring text;
        field.GetText(text);
        return text;
    }
    void Type(const std::wstring& text) {
        for (wchar_t ch : text) SendMessageW(field.hwnd, WM_CHAR, ch, 1);
    }
    void Select(int start, int end) { SendMessageW(field.hwnd, EM_SETSEL, start, end); }
    EditSelection Selection() {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(field.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {static_cast<int>(start), static_cast<int>(end)};
    }
    void KeyDown(WPARAM key) { SendMessageW(field.hwnd, WM_KEYDOWN, key, 1); }

    CTestApp app;
    CTestWnd parent;
    CMaskedEdit field;
};

TEST_F(KeyFieldControl, ShowsPlaceholdersFromItsCreation) {
    EXPECT_EQ(ControlText(), L"____________");
    EXPECT_EQ(GetWindowTextLengthW(field.hwnd), 12);
}

TEST_F(KeyFieldControl, TypingFillsTheControl) {
    Select(0, 0);
    Type(L"aB3f");
    EXPECT_EQ(ControlText(), L"aB3f________");
    EXPECT_EQ(FieldText(), L"aB3f________");
    EXPECT_EQ(Selection(), (EditSelection{4, 4}));
    Type(L"g");
    EXPECT_EQ(ControlText(), L"aB3f________");
}

TEST_F(KeyFieldControl, SetTextNormalisesOrRefuses) {
    EXPECT_TRUE(SetWindowTextW(field.hwnd, L"12"));
    EXPECT_EQ(ControlText(), L"12__________");
    EXPECT_EQ(SendMessageW(field.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0123456789ABC")), FALSE);
    EXPECT_EQ(ControlText(), L"12__________");
    EXPECT_TRUE(SetWindowTextW(field.hwnd, L"0123456789AB"));
    EXPECT_EQ(FieldText(), L"0123456789AB");
}

TEST_F(KeyFieldControl, DeleteBackspaceHomeEnd) {
    SetWindowTextW(field.hwnd, L"0123456789AB");
    Select(0, 0);
    KeyDown(VK_DELETE);
    EXPECT_EQ(ControlText(), L"123456789AB_");
    SetWindowTextW(field.hwnd, L"0123456789AB");
    KeyDown(VK_END);
    EXPECT_EQ(Selection(), (EditSelection{12, 12}));
    KeyDown(VK_BACK);
    SendMessageW(field.hwnd, WM_CHAR, VK_BACK, 1);  // the character after the key is dropped
    EXPECT_EQ(ControlText(), L"0123456789A_");
    EXPECT_EQ(Selection(), (EditSelection{11, 11}));
    KeyDown(VK_HOME);
    EXPECT_EQ(Selection(), (EditSelection{0, 0}));
    KeyDown(VK_INSERT);
    EXPECT_EQ(ControlText(), L"0123456789A_");
}

TEST_F(KeyFieldControl, CutAndPasteKeepTwelvePositions) {
    SetWindowTextW(field.hwnd, L"1234");
    Select(2, 4);
    SendMessageW(field.hwnd, WM_CUT, 0, 0);
    EXPECT_EQ(ControlText(), L"12__________");

    ASSERT_TRUE(OpenClipboard(parent.hwnd));
    EmptyClipboard();
    const wchar_t key[] = L"A1B2C3D4E5F6";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(key));
    memcpy(GlobalLock(memory), key, sizeof(key));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();

    Select(0, 12);
    SendMessageW(field.hwnd, WM_PASTE, 0, 0);
    EXPECT_EQ(ControlText(), L"A1B2C3D4E5F6");
    Select(3, 3);
    SendMessageW(field.hwnd, WM_PASTE, 0, 0);  // would make it longer than twelve
    EXPECT_EQ(ControlText(), L"A1B2C3D4E5F6");
}

TEST_F(KeyFieldControl, DestroyingTheObjectUnbindsAndDestroysTheControl) {
    HWND handle = field.hwnd;
    field.Destroy();
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(app.FindObject(handle), nullptr);
}

}  // namespace
