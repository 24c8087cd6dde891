#include "app/quillcheck_app_win32.h"

#include <filesystem>
#include <string>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/errors.h"
#include "foundation/file_error_text.h"
#include "foundation/files.h"
#include "foundation/handle_win32.h"
#include "foundation/modules_win32.h"
#include "ui/framework/dispatch_win32.h"
#include "ui/resource_ids.h"

CQuillcheckApp::~CQuillcheckApp() {
    mainWindow.Destroy();
    if (smallIcon)
        DestroyIcon(smallIcon);
    smallIcon = nullptr;
    if (classAtom)
        UnregisterClassW(kClassName, ProgramModule());
    classAtom = 0;
}

void CQuillcheckApp::LoadSettings() {
    try {
        if (!settings.Load())
            AppendFormatResource(startNotice, kTextSettingsIgnored, settings.path.c_str());
    } catch (const std::exception& e) {
        // An unreadable file (held open by a backup or sync program for a moment, no access)
        // must not keep the program from starting: run on the defaults, tell the user, and never
        // save those defaults over the file (the save reads it again first).
        const auto* fileError = dynamic_cast<const CFileException*>(&e);
        const CFileException failure =
            fileError ? *fileError
                      : CFileException(static_cast<int>(FileErrorCause::Generic), settings.path, -1);
        const std::wstring path = settings.path;
        settings = CAppSettings();
        settings.path = path;
        settings.fileUnread = true;
        AppendFormatResource(startNotice, kTextSettingsUnread, FileErrorText(failure).c_str());
    }
}

bool CQuillcheckApp::StartInstance(int showCommand, int& exitCode) {
    exitCode = -1;
    settingsFolder =
        std::filesystem::path(GetModulePath()).replace_extension(L".json").parent_path().wstring();
    if (GetFileAttributesW(settingsFolder.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryTree(settingsFolder);
    settings.path = SettingsFilePath(settingsFolder);
    LoadSettings();  // before the single-instance test: a second instance reads the file too

    CHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));
    if (!mutex.IsValid())
        return false;
    // Held from here to the main window's birth, so two instances started together serialise
    // and the later one finds the earlier one's window.
    WaitForSingleObjectEx(mutex.Get(), INFINITE, FALSE);
    if (FindWindowW(kClassName, nullptr)) {
        exitCode = 0;
        ReleaseMutex(mutex.Get());
        return false;
    }
    const bool created = CreateMainWindow(showCommand);
    ReleaseMutex(mutex.Get());
    if (!created)
        return false;
    if (!startNotice.empty())
        mainWindow.page.AppendLogLines({startNotice});
    exitCode = 0;
    return true;
}

bool CQuillcheckApp::RegisterMainClass() {
    HINSTANCE resources = ResourceModule();
    if (!smallIcon) {
        smallIcon = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_QUILLCHECK), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &FrameworkWindowProc;
    windowClass.hInstance = ProgramModule();
    windowClass.hIcon = LoadIconW(resources, MAKEINTRESOURCEW(IDI_QUILLCHECK));
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    windowClass.hIconSm = smallIcon;
    classAtom = RegisterClassExW(&windowClass);
    return classAtom != 0;
}

bool CQuillcheckApp::CreateMainWindow(int showCommand) {
    if (!classAtom)
        RegisterMainClass();
    std::wstring title;
    LoadResourceString(kTextTitle, title);
    if (!mainWindow.Create(WS_EX_APPWINDOW, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, kInitialWidth, kInitialHeight, nullptr, 0))
        return false;
    if (showCommand != -1) {
        ShowWindow(mainWindow.hwnd, showCommand);
        UpdateWindow(mainWindow.hwnd);
    }
    return true;
}

bool CQuillcheckApp::PreTranslate(MSG& message) {
    HWND main = mainWindow.hwnd;
    for (HWND window = message.hwnd; window; window = GetParent(window)) {
        CWnd* object = FindObject(window);
        if (object && object->PreTranslate(message))
            return true;
        if (window == main)
            break;
    }
    if (!message.hwnd)
        return false;
    HWND top = message.hwnd;
    while (HWND parent = GetParent(top)) top = parent;
    if (top != main && main)
        return mainWindow.PreTranslate(message);
    return false;
}
