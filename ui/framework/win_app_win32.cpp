#include "ui/framework/win_app_win32.h"

namespace {

CWinApp* g_app = nullptr;  // written once at start-up, before any window exists

}  // namespace

CWinApp* GetApp() {
    return g_app;
}
void SetApp(CWinApp* app) {
    g_app = app;
}

CWinApp::CWinApp() : cursor(LoadCursorW(nullptr, IDC_ARROW)) {}

CWinApp::~CWinApp() {
    if (smallIcon)
        DestroyIcon(smallIcon);
    smallIcon = nullptr;
}

bool CWinApp::PumpOne() {
    if (GetMessageW(&queueMessage, nullptr, 0, 0) <= 0)
        return false;
    if (!PreTranslate(queueMessage)) {
        TranslateMessage(&queueMessage);
        DispatchMessageW(&queueMessage);
    }
    return true;
}

bool CWinApp::PreTranslate(MSG&) {
    return false;
}

bool CWinApp::IsIdleTrigger(const MSG& message) {
    return message.message != WM_PAINT;
}

bool CWinApp::Idle(long passCount) {
    return passCount < 1;
}

int CWinApp::ExitCode() {
    return static_cast<int>(static_cast<uint32_t>(queueMessage.wParam));
}

LRESULT CWinApp::OnHandlerException(const std::exception&, const MSG& current) {
    if (current.message == WM_CREATE)
        return -1;
    if (current.message == WM_PAINT)
        ValidateRect(current.hwnd, nullptr);
    return 0;
}

void CWinApp::OnMenuPopup(HMENU, UINT, bool) {}

CWnd* CWinApp::FindObject(HWND window) const {
    auto entry = windowMap.find(window);
    return entry == windowMap.end() ? nullptr : entry->second;
}

HWND CWinApp::MainWindowHandle() {
    CWnd* main = MainWindow();
    return main ? main->hwnd : nullptr;
}

int RunMessageLoop(CWinApp& app) {
    bool idle = true;
    long passCount = 0;
    MSG peeked;
    for (;;) {
        while (idle && !PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!app.Idle(passCount++))
                idle = false;
        }
        do {
            if (!app.PumpOne())
                return app.ExitCode();
            if (app.IsIdleTrigger(app.queueMessage)) {
                idle = true;
                passCount = 0;
            }
        } while (PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    }
}
