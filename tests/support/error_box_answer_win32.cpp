#include "tests/support/error_box_answer_win32.h"

namespace {

ErrorBoxSeen* g_seen = nullptr;  // the test thread's; timers run on that thread
UINT_PTR g_timer = 0;

struct BoxSearch {
    ErrorBoxSeen* seen;
    HWND button;
};

BOOL CALLBACK NoteChild(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    search->seen->texts += text;
    search->seen->texts += L'|';
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (!search->button && lstrcmpiW(className, L"Button") == 0) {
        search->button = child;
        search->seen->buttonText = text;
    }
    return TRUE;
}

void CALLBACK AnswerErrorBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", L"Quill Check");
    if (!box || !g_seen)
        return;
    KillTimer(nullptr, timer);
    g_timer = 0;
    BoxSearch search{g_seen, nullptr};
    g_seen->shown = true;
    EnumChildWindows(box, &NoteChild, reinterpret_cast<LPARAM>(&search));
    if (search.button)
        PostMessageW(search.button, BM_CLICK, 0, 0);
}

}  // namespace

void AnswerNextErrorBox(ErrorBoxSeen& seen) {
    DisarmErrorBoxAnswer();
    seen = ErrorBoxSeen{};
    g_seen = &seen;
    g_timer = SetTimer(nullptr, 0, 50, &AnswerErrorBox);
}

void DisarmErrorBoxAnswer() {
    if (g_timer)
        KillTimer(nullptr, g_timer);
    g_timer = 0;
    g_seen = nullptr;
}
