#include "ui/framework/error_box_win32.h"

#include <commctrl.h>

#include "foundation/catalogue.h"
#include "foundation/modules_win32.h"
#include "foundation/text_ids.h"
#include "ui/framework/win_app_win32.h"

int ShowErrorBox(const std::wstring& text, HWND owner) {
    std::wstring title;
    LoadResourceString(kTextTitle, title);
    std::wstring okCaption;
    LoadResourceString(kTextButtonBase + IDOK, okCaption);
    TASKDIALOG_BUTTON button{IDOK, okCaption.c_str()};

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner ? owner : GetApp()->MainWindowHandle();
    config.hInstance = ResourceModule();
    config.dwFlags = TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = TD_ERROR_ICON;
    config.pszContent = text.c_str();
    config.cButtons = 1;
    config.pButtons = &button;

    int pressed = 0;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)))
        return 0;
    return pressed;
}
