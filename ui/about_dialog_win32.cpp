#include "ui/about_dialog_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/modules_win32.h"
#include "ui/dpi_win32.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/framework/win_app_win32.h"
#include "ui/resource_ids.h"

namespace {

constexpr int kIconSize = 32;

HINSTANCE IconModule() {
    HINSTANCE resources = ResourceModule();
    return FindResourceW(resources, MAKEINTRESOURCEW(IDI_QUILLCHECK), RT_GROUP_ICON) ? resources
                                                                                     : ProgramModule();
}

}  // namespace

void OpenWebAddress(HWND owner, const wchar_t* address) {
    ShellExecuteW(owner, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

CAboutDialog::~CAboutDialog() {
    DestroyOwnIcon();
}

void CAboutDialog::DestroyOwnIcon() {
    if (icon)
        DestroyIcon(icon);
    icon = nullptr;
}

void CAboutDialog::Show(HWND owner) {
    CAboutDialog dialog;
    dialog.RunModal(IDD_ABOUT, owner);
}

LRESULT CAboutDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            InitDialog();
            HWND iconControl = GetDlgItem(hwnd, IDC_ICON_STATIC);
            if (iconControl && !SendMessageW(iconControl, STM_GETICON, 0, 0)) {
                const int size = ScaleForDpi(kIconSize, WindowDpi(hwnd));  // sharp at every scale
                icon = static_cast<HICON>(LoadImageW(IconModule(), MAKEINTRESOURCEW(IDI_QUILLCHECK),
                                                     IMAGE_ICON, size, size, 0));
                if (icon)
                    SendMessageW(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            }
            CenterWindow();
            return 1;
        }
        case WM_DESTROY:
            DestroyOwnIcon();
            hwnd = nullptr;
            return 0;
        case WM_INITMENUPOPUP:
            GetApp()->OnMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam) != 0);
            return 0;
        default: return CModalDialog::HandleMessage(window, message, wParam, lParam);
    }
}

bool CAboutDialog::HandleCommand(UINT commandId, UINT, HWND) {
    if (commandId != IDOK && commandId != IDCANCEL)
        return false;
    EndModal(static_cast<int>(commandId));
    return true;
}

bool CAboutDialog::HandleNotify(WPARAM, NMHDR* header, LRESULT* result) {
    // Enter on the focused link opens it like a click: the keyboard must reach it too.
    if ((header->code == NM_CLICK || header->code == NM_RETURN) && header->idFrom == IDC_LINK) {
        const auto* link = reinterpret_cast<const NMLINK*>(header);
        if (link->item.szUrl[0] != L'\0') {
            openAddress(hwnd, link->item.szUrl);
        } else {
            std::wstring address;
            LoadResourceString(kTextWebAddress, address);
            openAddress(hwnd, address.c_str());
        }
        return true;
    }
    return ReflectToObject(header->hwndFrom, result);
}
