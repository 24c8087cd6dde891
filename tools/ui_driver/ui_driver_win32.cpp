// ui_driver: drives a running Quill Check window from outside, by control id, for end-to-end
// tests under Wine. One command per run; the result goes to standard output (lines ending in LF
// alone, a text's CRs left out) and the exit code (0 success, 1 condition not met or time-out, 2 usage or window not
// found, 3 the window hangs). The scripts name the ids (tests/support/driven_program.sh).
//
//   ui_driver launch PROGRAM [ms]           start PROGRAM (a Windows path) and wait until its main
//                                           window is shown; print the milliseconds from the start
//                                           to the window made, to it shown (polled each ms) and to
//                                           its first answer to a message (painted, in its loop)
//   ui_driver time-starts N PROGRAM...      N rounds of launch, one of each PROGRAM in turn (every
//                                           other round backwards), each closed and ended before
//                                           the next; a line per start:
//                                           the PROGRAM's index (from 0), made, shown and answer ms
//   ui_driver wait-window [ms]              wait until the main window is shown
//   ui_driver wait-gone [ms]                wait until no main window exists
//   ui_driver text ID                       print the control's text
//   ui_driver wait-text ID TEXT [ms]        wait until the control's text contains TEXT
//   ui_driver set-text ID TEXT              set the control's text
//   ui_driver click ID                      press the button (WM_COMMAND to its parent)
//   ui_driver enabled ID                    print 1 or 0
//   ui_driver checked ID                    print 1 or 0
//   ui_driver check ID 0|1                  set a check box or radio button
//   ui_driver select ID INDEX               select a combo box item (notifies the parent)
//   ui_driver items ID                      print a combo box's items, one per line
//   ui_driver wait-items ID ITEMS [ms]      wait until a combo box's items, joined by '|', are ITEMS
//   ui_driver device-change KIND [PORT]     broadcast WM_DEVICECHANGE to the top-level windows:
//                                           nodes (DBT_DEVNODES_CHANGED), arrival or removal
//                                           (DBT_DEVTYP_PORT, for PORT); needs no main window
//   ui_driver selected ID                   print a combo box's selected index
//   ui_driver placement                     print left top width height of the normal position
//   ui_driver move L T W H                  move the main window
//   ui_driver syscommand CODE               post WM_SYSCOMMAND (e.g. IDM_ABOUT, or SC_CLOSE to close)
//   ui_driver count-windows                 print how many main windows exist
//   ui_driver type ID TEXT                  type TEXT into the control (a combo box's edit) as keys
//   ui_driver answer-box [ms]               wait for the program's message box, print its texts
//                                           (joined by |) and press its button
//   ui_driver hold FILE MS                  hold FILE open without sharing for MS milliseconds
//                                           (another program's lock); prints "held" once it is
//   ui_driver command ID COMMAND            post WM_COMMAND COMMAND (a menu item) to control ID's parent;
//                                           posted, since a command may open a modal dialog
//   ui_driver save-as PATH [ms]             type PATH into the program's Save As dialog and press Save
//   ui_driver dialog-text [ms]              print the texts of the program's dialog box and press OK
//   ui_driver tab ID INDEX                  select the tab control's tab INDEX (from 0) as the arrow
//                                           keys do, so its parent hears of the change
//   ui_driver tabs ID                       print the tab control's tab count and selected tab
//   ui_driver tab-text ID INDEX             print the text of the tab control's tab INDEX
//   ui_driver watch-block MS                for MS milliseconds (or until the main window is gone),
//                                           send it a message every 5 ms; print the longest it took
//                                           to answer, in milliseconds
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>
#include <dlgs.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/handle_win32.h"

namespace {

constexpr wchar_t kMainClass[] = L"Quillcheck";
constexpr DWORD kDefaultWaitMs = 10000;

void PrintLine(const std::wstring& text) {
    // UTF-8 on standard output, whatever the console code page.
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    // A multi-line control's lines end in CR LF: the scripts compare them as LF-ended lines.
    std::erase(utf8, '\r');
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

HWND MainWindow() {
    return FindWindowW(kMainClass, nullptr);
}

// A program that stopped answering must fail the test, not hang it.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    constexpr UINT kAnswerLimitMs = 15000;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerLimitMs, &result)) {
        std::fputs("the window did not answer\n", stderr);
        std::exit(3);
    }
    return static_cast<LRESULT>(result);
}

// A tab's text. The tab control writes it through a pointer into its own process, so the item
// and its buffer are lent from there.
std::wstring TabText(HWND control, int index) {
    DWORD owner = 0;
    GetWindowThreadProcessId(control, &owner);
    const CHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, owner));
    struct Item {
        TCITEMW item;
        wchar_t text[256];
    };
    const std::unique_ptr<void, std::function<void(void*)>> lent(
        process.IsValid() ? VirtualAllocEx(process.Get(), nullptr, sizeof(Item), MEM_COMMIT, PAGE_READWRITE) : nullptr,
        [&process](void* block) { VirtualFreeEx(process.Get(), block, 0, MEM_RELEASE); });
    if (!lent)
        return {};
    Item local{};
    local.item.mask = TCIF_TEXT;
    local.item.pszText = static_cast<Item*>(lent.get())->text;
    local.item.cchTextMax = static_cast<int>(std::size(local.text));
    if (!WriteProcessMemory(process.Get(), lent.get(), &local, sizeof local, nullptr) ||
        !Send(control, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(lent.get())) ||
        !ReadProcessMemory(process.Get(), lent.get(), &local, sizeof local, nullptr))
        return {};
    return std::wstring(local.text, wcsnlen(local.text, std::size(local.text)));
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindById(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (GetDlgCtrlID(window) == search->id) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindVisibleById(HWND window, LPARAM param) {
    return IsWindowVisible(window) ? FindById(window, param) : TRUE;
}

// A descendant of the main window with that id (the controls sit on the page, a child dialog):
// the one on the page in view when several readers' pages hold it, else any.
HWND Control(int id) {
    HWND main = MainWindow();
    if (!main)
        return nullptr;
    ControlSearch search{id, nullptr};
    EnumChildWindows(main, FindVisibleById, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        EnumChildWindows(main, FindById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TextOf(HWND window) {
    LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

struct BoxContents {
    std::wstring texts;  // every child's text, each followed by |
    HWND button = nullptr;
};

BOOL CALLBACK NoteBoxChild(HWND child, LPARAM param) {
    auto* contents = reinterpret_cast<BoxContents*>(param);
    contents->texts += TextOf(child) + L"|";
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (!contents->button && lstrcmpiW(className, L"Button") == 0)
        contents->button = child;
    return TRUE;
}

// A dialog box (the program's message box) of the process that owns the main window.
HWND ProgramMessageBox() {
    HWND main = MainWindow();
    if (!main)
        return nullptr;
    DWORD program = 0;
    GetWindowThreadProcessId(main, &program);
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == program && IsWindowVisible(w))
            return w;
    }
    return nullptr;
}

template <typename Condition>
bool WaitFor(DWORD ms, Condition condition) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(50);
    }
}

DWORD WaitArg(const std::vector<std::wstring>& args, size_t index) {
    return args.size() > index ? static_cast<DWORD>(std::wcstoul(args[index].c_str(), nullptr, 10))
                               : kDefaultWaitMs;
}

std::wstring ComboItems(HWND control, const wchar_t* separator) {
    std::wstring joined;
    int count = static_cast<int>(Send(control, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LRESULT length = Send(control, CB_GETLBTEXTLEN, i, 0);
        std::wstring item(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        LRESULT copied = Send(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        if (i > 0)
            joined += separator;
        joined += item;
    }
    return joined;
}

// What the system broadcasts when a device node or a port comes or goes.
int BroadcastDeviceChange(const std::vector<std::wstring>& args) {
    WPARAM event = 0;
    if (args.size() > 1 && args[1] == L"nodes")
        event = DBT_DEVNODES_CHANGED;
    else if (args.size() > 2 && args[1] == L"arrival")
        event = DBT_DEVICEARRIVAL;
    else if (args.size() > 2 && args[1] == L"removal")
        event = DBT_DEVICEREMOVECOMPLETE;
    else
        return 2;
    std::vector<BYTE> data;
    if (event != DBT_DEVNODES_CHANGED) {
        const std::wstring& port = args[2];
        data.resize(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + (port.size() + 1) * sizeof(wchar_t));
        auto* header = reinterpret_cast<DEV_BROADCAST_PORT_W*>(data.data());
        header->dbcp_size = static_cast<DWORD>(data.size());
        header->dbcp_devicetype = DBT_DEVTYP_PORT;
        std::copy(port.begin(), port.end(), header->dbcp_name);
        header->dbcp_name[port.size()] = L'\0';
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, event,
                        data.empty() ? 0 : reinterpret_cast<LPARAM>(data.data()), SMTO_ABORTIFHUNG, 5000,
                        &result);
    return 0;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// Raises the system timer's resolution while it lives, so that a wait of 1 ms lasts about that on
// Windows too (its default tick is 15.6 ms). winmm comes with Windows; without it the ticks stay.
class FineTimer {
public:
    FineTimer() : winmm_(LoadLibraryW(L"winmm.dll")) {
        if (winmm_) {
            begin_ = Resolve("timeBeginPeriod");
            end_ = Resolve("timeEndPeriod");
        }
        if (begin_ && end_)
            begin_(1);
    }
    ~FineTimer() {
        if (begin_ && end_)
            end_(1);
        if (winmm_)
            FreeLibrary(winmm_);
    }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;

private:
    using PeriodCall = UINT(WINAPI*)(UINT);
    PeriodCall Resolve(const char* name) const {
        return reinterpret_cast<PeriodCall>(reinterpret_cast<void (*)()>(GetProcAddress(winmm_, name)));
    }
    HMODULE winmm_;
    PeriodCall begin_ = nullptr;
    PeriodCall end_ = nullptr;
};

// The main window that process owns, or null (an earlier instance may still be closing).
HWND MainWindowOf(DWORD process) {
    for (HWND w = FindWindowExW(nullptr, nullptr, kMainClass, nullptr); w;
         w = FindWindowExW(nullptr, w, kMainClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == process)
            return w;
    }
    return nullptr;
}

// A started program and how long its window took.
struct TimedStart {
    OwnedHandle process;
    HWND window = nullptr;
    double madeMs = 0;
    double shownMs = 0;
    double answerMs = 0;
};

// Starts the program and waits until its main window is shown and then answers a message (which
// it can only once its start has returned to the message loop), timed here so that neither the
// driver's own start nor a coarse poll counts. False (with the reason on stderr) when it fails to
// start, ends first, or shows no window within the limit.
bool StartTimed(const std::wstring& program, double limitMs, TimedStart& start) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    LARGE_INTEGER frequency{}, begin{};
    QueryPerformanceFrequency(&frequency);
    auto elapsedMs = [&] {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    QueryPerformanceCounter(&begin);
    // Detached: the program must not hold the driver's standard output, which the caller reads
    // to its end.
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &started)) {
        std::fprintf(stderr, "cannot start the program, error %lu\n", GetLastError());
        return false;
    }
    start.process.reset(started.hProcess);
    const OwnedHandle thread(started.hThread);
    while (elapsedMs() < limitMs) {
        if (!start.window && (start.window = MainWindowOf(started.dwProcessId)) != nullptr)
            start.madeMs = elapsedMs();
        if (start.window && IsWindowVisible(start.window)) {
            start.shownMs = elapsedMs();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(start.window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(limitMs), &ignored);
            start.answerMs = elapsedMs();
            return true;
        }
        if (WaitForSingleObject(start.process.get(), 1) == WAIT_OBJECT_0) {
            std::fputs("the program ended before it showed its window\n", stderr);
            return false;
        }
    }
    std::fputs("the program showed no window in time\n", stderr);
    return false;
}

std::wstring Milliseconds(double ms) {
    return std::to_wstring(static_cast<long>(ms + 0.5));
}

int Launch(const std::vector<std::wstring>& args) {
    FineTimer fineTimer;
    TimedStart start;
    if (!StartTimed(args[1], WaitArg(args, 2), start))
        return 1;
    PrintLine(Milliseconds(start.madeMs) + L" " + Milliseconds(start.shownMs) + L" " + Milliseconds(start.answerMs));
    return 0;
}

// Rounds of starts, one of each program in turn, each closed and its process ended before the
// next start, since a second instance would only bring the first one's window forward. Every
// other round runs backwards, so that no program always starts right after the same other one.
int TimeStarts(const std::vector<std::wstring>& args) {
    FineTimer fineTimer;
    const int rounds = std::stoi(args[1]);
    constexpr DWORD kLimitMs = 30000;
    const size_t programs = args.size() - 2;
    for (int round = 0; round < rounds; ++round) {
        for (size_t turn = 0; turn < programs; ++turn) {
            const size_t program = round % 2 == 0 ? turn : programs - 1 - turn;
            TimedStart start;
            if (!StartTimed(args[2 + program], kLimitMs, start))
                return 1;
            PrintLine(std::to_wstring(program) + L" " + Milliseconds(start.madeMs) + L" " +
                      Milliseconds(start.shownMs) + L" " + Milliseconds(start.answerMs));
            PostMessageW(start.window, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (WaitForSingleObject(start.process.get(), kLimitMs) != WAIT_OBJECT_0) {
                std::fputs("the program did not end after its window was closed\n", stderr);
                return 1;
            }
        }
    }
    return 0;
}

int Usage() {
    std::fputs("usage: ui_driver COMMAND [ARGS] (see the source for the commands)\n", stderr);
    return 2;
}

int NeedControl(HWND control) {
    if (control)
        return 0;
    std::fputs("control not found\n", stderr);
    return 2;
}

// A dialog box (Save As, an error box) the main window owns, or null.
HWND OwnedDialog() {
    HWND main = MainWindow();
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w && main;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        HWND owner = GetWindow(w, GW_OWNER);
        if (owner && GetAncestor(owner, GA_ROOT) == main && IsWindowVisible(w))
            return w;
    }
    return nullptr;
}

BOOL CALLBACK CollectText(HWND child, LPARAM target) {
    std::wstring text = TextOf(child);
    if (!text.empty())
        *reinterpret_cast<std::wstring*>(target) += text + L"\n";
    return TRUE;
}

void PressOk(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

int DialogCommand(const std::vector<std::wstring>& args) {
    HWND dialog = nullptr;
    if (!WaitFor(WaitArg(args, args[0] == L"save-as" ? 2 : 1), [&] { return (dialog = OwnedDialog()) != nullptr; })) {
        std::fputs("no dialog box\n", stderr);
        return 1;
    }
    if (args[0] == L"dialog-text") {
        std::wstring texts;
        EnumChildWindows(dialog, &CollectText, reinterpret_cast<LPARAM>(&texts));
        PrintLine(texts);
        PressOk(dialog);
        return 0;
    }
    // The file name field: edt1 in some versions of the dialog, the combo box cmb13 in others.
    HWND name = nullptr;
    WaitFor(kDefaultWaitMs, [&] { return (name = GetDlgItem(dialog, edt1)) || (name = GetDlgItem(dialog, cmb13)); });
    if (int missing = NeedControl(name))
        return missing;
    PrintLine(TextOf(name));  // the name the program offered
    Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[1].c_str()));
    PressOk(dialog);
    return WaitFor(kDefaultWaitMs, [&] { return !IsWindow(dialog); }) ? 0 : 1;
}

int Run(const std::vector<std::wstring>& args) {
    if (args.empty())
        return Usage();
    const std::wstring& command = args[0];
    auto id = [&](size_t i) { return args.size() > i ? std::stoi(args[i]) : -1; };

    if (command == L"wait-window") {
        // Shown only once it is complete: while it builds its page and restores its position,
        // what the driver would read is not yet what the user sees.
        return WaitFor(WaitArg(args, 1),
                       [] {
                           HWND main = MainWindow();
                           return main != nullptr && IsWindowVisible(main);
                       })
                   ? 0
                   : 1;
    }
    if (command == L"launch" && args.size() > 1)
        return Launch(args);
    if (command == L"time-starts" && args.size() > 2)
        return TimeStarts(args);
    if (command == L"device-change")
        return BroadcastDeviceChange(args) == 0 ? 0 : Usage();
    if (command == L"wait-gone")
        return WaitFor(WaitArg(args, 1), [] { return MainWindow() == nullptr; }) ? 0 : 1;
    if (command == L"hold" && args.size() > 2) {
        HANDLE file = CreateFileW(args[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "cannot open the file, error %lu\n", GetLastError());
            return 1;
        }
        PrintLine(L"held");
        Sleep(static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)));
        CloseHandle(file);
        return 0;
    }
    if (command == L"answer-box") {
        HWND box = nullptr;
        if (!WaitFor(WaitArg(args, 1), [&] { return (box = ProgramMessageBox()) != nullptr; }))
            return 1;
        BoxContents contents;
        EnumChildWindows(box, NoteBoxChild, reinterpret_cast<LPARAM>(&contents));
        const HWND button = contents.button;
        PrintLine(contents.texts);
        if (button)
            PostMessageW(button, BM_CLICK, 0, 0);
        return button ? 0 : 1;
    }
    if (command == L"watch-block" && args.size() > 1) {
        // Round trips through the window's message queue: how long its thread was busy elsewhere.
        LARGE_INTEGER frequency{}, begin{}, end{};
        QueryPerformanceFrequency(&frequency);
        double longestMs = 0;
        const DWORD span = WaitArg(args, 1);
        const DWORD start = GetTickCount();
        HWND main = MainWindow();
        while (main && GetTickCount() - start < span) {
            DWORD_PTR result = 0;
            QueryPerformanceCounter(&begin);
            const bool answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
            QueryPerformanceCounter(&end);
            if (!answered && !IsWindow(main))
                break;
            longestMs = std::max(longestMs, 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                                                static_cast<double>(frequency.QuadPart));
            Sleep(5);
            if (!IsWindow(main))
                break;
        }
        PrintLine(std::to_wstring(static_cast<long>(longestMs + 0.5)));
        return 0;
    }
    if (command == L"count-windows") {
        int count = 0;
        for (HWND w = FindWindowExW(nullptr, nullptr, kMainClass, nullptr); w;
             w = FindWindowExW(nullptr, w, kMainClass, nullptr))
            ++count;
        PrintLine(std::to_wstring(count));
        return 0;
    }
    HWND main = MainWindow();
    if (!main) {
        std::fputs("main window not found\n", stderr);
        return 2;
    }
    if (command == L"dialog-text" || (command == L"save-as" && args.size() > 1))
        return DialogCommand(args);
    if (command == L"placement" || command == L"move" || command == L"syscommand") {
        if (command == L"syscommand" && args.size() > 1) {
            PostMessageW(main, WM_SYSCOMMAND, std::wcstoul(args[1].c_str(), nullptr, 10), 0);
            return 0;
        }
        if (command == L"move" && args.size() > 4) {
            return MoveWindow(main, std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]),
                              std::stoi(args[4]), TRUE)
                       ? 0
                       : 1;
        }
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(main, &placement))
            return 1;
        const RECT& r = placement.rcNormalPosition;
        PrintLine(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
                  std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
        return 0;
    }
    if (args.size() < 2)
        return Usage();
    // The main window is findable while it still builds its page: give the controls a moment.
    HWND control = nullptr;
    WaitFor(kDefaultWaitMs, [&] { return (control = Control(id(1))) != nullptr; });
    if (int missing = NeedControl(control))
        return missing;

    if (command == L"text") {
        PrintLine(TextOf(control));
        return 0;
    }
    if (command == L"wait-text" && args.size() > 2) {
        const std::wstring wanted = args[2];
        bool met =
            WaitFor(WaitArg(args, 3), [&] { return TextOf(control).find(wanted) != std::wstring::npos; });
        if (!met)
            PrintLine(TextOf(control));
        return met ? 0 : 1;
    }
    if (command == L"type" && args.size() > 2) {
        // Into a combo box's edit when it has one; every character as the keyboard sends it, so
        // the controls notify their parent as for a user's typing.
        HWND target = FindWindowExW(control, nullptr, L"Edit", nullptr);
        if (!target)
            target = control;
        Send(target, EM_SETSEL, 0, -1);
        for (wchar_t ch : args[2]) Send(target, WM_CHAR, ch, 1);
        return 0;
    }
    if (command == L"set-text" && args.size() > 2) {
        Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[2].c_str()));
        return 0;
    }
    if (command == L"command" && args.size() > 2) {
        PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id(2), 0), 0);
        return 0;
    }
    if (command == L"click") {
        Send(GetParent(control), WM_COMMAND, MAKEWPARAM(id(1), BN_CLICKED),
             reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (command == L"enabled") {
        PrintLine(IsWindowEnabled(control) ? L"1" : L"0");
        return 0;
    }
    if (command == L"checked") {
        PrintLine(Send(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"1" : L"0");
        return 0;
    }
    if (command == L"check" && args.size() > 2) {
        Send(control, BM_SETCHECK, args[2] == L"1" ? BST_CHECKED : BST_UNCHECKED, 0);
        return 0;
    }
    if (command == L"select" && args.size() > 2) {
        Send(control, CB_SETCURSEL, std::stoi(args[2]), 0);
        Send(GetParent(control), WM_COMMAND, MAKEWPARAM(id(1), CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (command == L"tab" && args.size() > 2) {
        const LRESULT wanted = std::stoi(args[2]);
        for (int step = 0; step < 64; ++step) {
            const LRESULT current = Send(control, TCM_GETCURSEL, 0, 0);
            if (current == wanted)
                return 0;
            Send(control, WM_KEYDOWN, current < wanted ? VK_RIGHT : VK_LEFT, 0);
        }
        return 1;
    }
    if (command == L"tab-text" && args.size() > 2) {
        PrintLine(TabText(control, std::stoi(args[2])));
        return 0;
    }
    if (command == L"tabs") {
        PrintLine(std::to_wstring(Send(control, TCM_GETITEMCOUNT, 0, 0)) + L" " +
                  std::to_wstring(Send(control, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    if (command == L"selected") {
        PrintLine(std::to_wstring(static_cast<int>(Send(control, CB_GETCURSEL, 0, 0))));
        return 0;
    }
    if (command == L"items") {
        const std::wstring items = ComboItems(control, L"\n");
        if (!items.empty() || Send(control, CB_GETCOUNT, 0, 0) > 0)
            PrintLine(items);
        return 0;
    }
    if (command == L"wait-items" && args.size() > 2) {
        const bool met = WaitFor(WaitArg(args, 3), [&] { return ComboItems(control, L"|") == args[2]; });
        if (!met)
            PrintLine(ComboItems(control, L"|"));
        return met ? 0 : 1;
    }
    return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // LF line ends, not the C library's CR LF: the scripts compare the lines as they come.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ui_driver: %s\n", e.what());
        return 2;
    }
}
