// The about box from the program's own resources, run modally against a real owner window.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "tests/support/catalogue_language.h"
#include "tests/support/test_app_win32.h"
#include "ui/about_dialog_win32.h"
#include "ui/resource_ids.h"

namespace {

struct AboutRun {
    int result = 0;
    std::wstring title;
    std::wstring version;
    bool hasIcon = false;
    bool hasLink = false;
    bool ownerDisabled = false;
    std::vector<std::wstring> opened;
};

// Runs the box; while it waits for input, inspect it, send it the notifications given, then
// press the command.
AboutRun RunAbout(std::vector<UINT> notifications, WPARAM command, bool enterOnLink = false) {
    CTestApp app;
    CTestWnd owner;
    EXPECT_TRUE(owner.CreateTopLevel(L"owner"));  // hidden: showing windows is slow under Wine
    app.mainWindow = &owner;
    AboutRun run;
    CAboutDialog dialog;
    dialog.openAddress = [&](HWND, const wchar_t* address) { run.opened.push_back(address); };
    bool inspected = false;
    owner.onMessage = [&](UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_ENTERIDLE || inspected)
            return std::nullopt;
        inspected = true;
        HWND box = reinterpret_cast<HWND>(lParam);
        wchar_t text[128] = {};
        GetWindowTextW(box, text, 128);
        run.title = text;
        HWND icon = GetDlgItem(box, IDC_ICON_STATIC);
        run.hasIcon = icon && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
        HWND link = GetDlgItem(box, IDC_LINK);
        wchar_t className[32] = {};
        if (link)
            GetClassNameW(link, className, 32);
        run.hasLink = lstrcmpiW(className, WC_LINK) == 0;
        run.ownerDisabled = !IsWindowEnabled(owner.hwnd);
        for (UINT code : notifications) {
            NMLINK notify{};
            notify.hdr.hwndFrom = link;
            notify.hdr.idFrom = IDC_LINK;
            notify.hdr.code = code;
            SendMessageW(box, WM_NOTIFY, IDC_LINK, reinterpret_cast<LPARAM>(&notify));
        }
        if (enterOnLink) {  // the key as the user presses it, through the dialog's own loop
            SetFocus(link);
            PostMessageW(link, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(link, WM_KEYUP, VK_RETURN, 0xC0000001);
        }
        PostMessageW(box, WM_COMMAND, command, 0);
        return std::nullopt;
    };
    run.result = dialog.RunModal(IDD_ABOUT, owner.hwnd);
    EXPECT_TRUE(inspected);
    EXPECT_EQ(dialog.icon, nullptr);
    return run;
}

std::wstring WebAddress() {
    std::wstring address;
    LoadResourceString(kTextWebAddress, address);
    return address;
}

TEST(AboutBox, OkEndsWithOkAndTheOwnerComesBack) {
    AboutRun run = RunAbout({}, IDOK);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_TRUE(run.hasIcon);
    EXPECT_TRUE(run.hasLink);
    EXPECT_TRUE(run.ownerDisabled);
    EXPECT_TRUE(run.opened.empty());
}

TEST(AboutBox, EscapeAndCloseBoxEndWithCancel) {
    EXPECT_EQ(RunAbout({}, IDCANCEL).result, IDCANCEL);
}

TEST(AboutBox, LinkClickAndEnterOpenTheCataloguesAddressOnly) {
    AboutRun run = RunAbout({static_cast<UINT>(NM_RETURN), static_cast<UINT>(NM_CLICK),
                             static_cast<UINT>(NM_SETFOCUS)},
                            IDOK);
    ASSERT_EQ(run.opened.size(), 2u);
    EXPECT_EQ(run.opened[0], WebAddress());
    EXPECT_EQ(run.opened[1], WebAddress());
    EXPECT_FALSE(WebAddress().empty());
}

TEST(AboutBox, EnterOnTheFocusedLinkOpensItAndKeepsTheBox) {
    AboutRun run = RunAbout({}, IDCANCEL, true);
    ASSERT_EQ(run.opened.size(), 1u);
    EXPECT_EQ(run.opened[0], WebAddress());
    EXPECT_EQ(run.result, IDCANCEL);  // Enter did not press OK
}

TEST(AboutBoxEnglish, Texts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    AboutRun run = RunAbout({}, IDOK);
    EXPECT_EQ(run.title, L"About Quill Check");
    EXPECT_EQ(WebAddress(), L"https://www.example.com/quillcheck/");
}

TEST(AboutBoxRussian, Texts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    AboutRun run = RunAbout({}, IDOK);
    EXPECT_EQ(run.title,
              L"\x041E \x043F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x0435 \x041A\x0432\x0438\x043B\x043B "
              L"\x0427\x0435\x043A");
    EXPECT_EQ(WebAddress(), L"https://www.example.com/ru/quillcheck/");
}

}  // namespace
