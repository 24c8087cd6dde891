#include "tests/support/test_app_win32.h"

#include "foundation/modules_win32.h"

const wchar_t* TestWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &FrameworkWindowProc;
        windowClass.hInstance = ProgramModule();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = L"QcTestWindow";
        return RegisterClassExW(&windowClass);
    }();
    return atom ? L"QcTestWindow" : nullptr;
}

bool CTestWnd::CreateTopLevel(const wchar_t* title, DWORD style) {
    return Create(0, TestWindowClass(), title, style, 100, 100, 400, 300, nullptr, 0);
}

LRESULT CTestWnd::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (onMessage) {
        if (auto result = onMessage(message, wParam, lParam))
            return *result;
    }
    return CWnd::HandleMessage(window, message, wParam, lParam);
}

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
