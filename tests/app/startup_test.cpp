// The program started as its own processes: single instance, exit codes, settings file name.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/handle_win32.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

// The program under test, as built beside this test (a Linux path seen through Wine's Z: drive).
fs::path BuiltProgram() {
    std::wstring path = L"Z:" QC_PROGRAM_PATH;
    for (wchar_t& ch : path)
        if (ch == L'/')
            ch = L'\\';
    return fs::path(path);
}

// A folder of its own for every test, holding a copy of the program under the name given.
class ProgramCopy {
public:
    explicit ProgramCopy(const std::wstring& exeName) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"qc-startup-" + std::to_wstring(GetCurrentProcessId()) + L"-" + exeName);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        exe_ = folder_ / exeName;
        fs::copy_file(BuiltProgram(), exe_);
    }
    ~ProgramCopy() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    const fs::path& Folder() const { return folder_; }
    const fs::path& Exe() const { return exe_; }

private:
    fs::path folder_;
    fs::path exe_;
};

struct Process {
    CHandle handle;
    DWORD id = 0;
};

Process Start(const fs::path& exe, const std::wstring& arguments = L"", int showCommand = -1) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (showCommand != -1) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    PROCESS_INFORMATION info{};
    Process process;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        exe.parent_path().c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start the program, error " << GetLastError();
        return process;
    }
    CloseHandle(info.hThread);
    process.handle.Reset(info.hProcess);
    process.id = info.dwProcessId;
    return process;
}

std::vector<HWND> ProgramWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (lstrcmpW(className, L"Quillcheck") == 0)
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND WaitForWindowOf(DWORD processId) {
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += 50) {
        for (HWND window : ProgramWindows()) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId)
                return window;
        }
        Sleep(50);
    }
    return nullptr;
}

// The exit code, or STILL_ACTIVE when the process did not end in time.
DWORD WaitForExit(const Process& process, DWORD timeoutMs = kStartTimeoutMs) {
    if (WaitForSingleObject(process.handle.Get(), timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.handle.Get(), &code);
    return code;
}

DWORD Close(const Process& process, HWND window) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = WaitForExit(process);
    if (code == STILL_ACTIVE)
        TerminateProcess(process.handle.Get(), 99);
    return code;
}

struct BoxAnswer {
    std::wstring texts;  // every child's text, each followed by |
    HWND button = nullptr;
};

// Waits for a message box of the process, notes its texts and presses its button; false when
// none came in time.
bool AnswerBoxOf(DWORD processId, BoxAnswer& answer, DWORD timeoutMs = kStartTimeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box;
             box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(box, &owner);
            if (owner != processId || !IsWindowVisible(box))
                continue;
            EnumChildWindows(
                box,
                [](HWND child, LPARAM param) -> BOOL {
                    auto* found = reinterpret_cast<BoxAnswer*>(param);
                    wchar_t text[512] = {};
                    GetWindowTextW(child, text, 512);
                    found->texts += std::wstring(text) + L"|";
                    wchar_t className[32] = {};
                    GetClassNameW(child, className, 32);
                    if (!found->button && lstrcmpiW(className, L"Button") == 0)
                        found->button = child;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&answer));
            if (answer.button)
                PostMessageW(answer.button, BM_CLICK, 0, 0);
            return true;
        }
        Sleep(50);
    }
    return false;
}

TEST(Startup, ClosingTheWindowEndsWithExitCodeZero) {
    ProgramCopy copy(L"quillcheck.exe");
    Process first = Start(copy.Exe());
    HWND window = WaitForWindowOf(first.id);
    ASSERT_NE(window, nullptr);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_TRUE(lstrcmpW(title, L"Quill Check") == 0 || title[0] == 0x041A);  // English or Russian
    // A first start: the whole page at the screen's scale, never below 500 x 400 at 96 DPI.
    // The window is found while it still builds its page; it is shown once it is done.
    for (int wait = 0; wait < 500 && !IsWindowVisible(window); ++wait) Sleep(10);
    ASSERT_TRUE(IsWindowVisible(window));
    RECT rect{};
    GetWindowRect(window, &rect);
    HWND page = GetWindow(window, GW_CHILD);
    ASSERT_NE(page, nullptr);
    RECT client{}, pageRect{};
    GetClientRect(window, &client);
    GetWindowRect(page, &pageRect);
    const int dpi = static_cast<int>(GetDpiForWindow(window));
    EXPECT_GE(rect.right - rect.left, MulDiv(500, dpi, 96));
    EXPECT_GE(rect.bottom - rect.top, MulDiv(400, dpi, 96));
    EXPECT_EQ(pageRect.right - pageRect.left, client.right);
    EXPECT_EQ(pageRect.bottom - pageRect.top, client.bottom);
    HWND log = GetDlgItem(page, 1013);
    RECT logRect{};
    GetWindowRect(log, &logRect);
    EXPECT_LE(logRect.bottom, pageRect.bottom);
    EXPECT_GT(logRect.bottom - logRect.top, 6 * 13);
    EXPECT_EQ(Close(first, window), 0u);
    EXPECT_TRUE(ProgramWindows().empty());
}

TEST(Startup, SecondInstanceEndsAtOnceAndLeavesTheFirstAlone) {
    ProgramCopy copy(L"quillcheck.exe");
    Process first = Start(copy.Exe());
    HWND window = WaitForWindowOf(first.id);
    ASSERT_NE(window, nullptr);
    // Put the first window somewhere the second instance must not disturb.
    SetWindowPos(window, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_MINIMIZE);
    WINDOWPLACEMENT before{};
    before.length = sizeof(before);
    GetWindowPlacement(window, &before);

    Process second = Start(copy.Exe(), L"--second /x extra.json");
    EXPECT_EQ(WaitForExit(second), 0u);
    WINDOWPLACEMENT after{};
    after.length = sizeof(after);
    GetWindowPlacement(window, &after);
    EXPECT_EQ(after.showCmd, before.showCmd);
    EXPECT_TRUE(EqualRect(&after.rcNormalPosition, &before.rcNormalPosition));
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(WaitForExit(first, 0), STILL_ACTIVE);
    EXPECT_EQ(ProgramWindows().size(), 1u);
    EXPECT_EQ(Close(first, window), 0u);
}

TEST(Startup, TwoStartedTogetherEndWithOneWindow) {
    ProgramCopy copy(L"quillcheck.exe");
    Process a = Start(copy.Exe());
    Process b = Start(copy.Exe());
    // One of them ends with 0 on its own; the other keeps its window.
    HANDLE both[] = {a.handle.Get(), b.handle.Get()};
    DWORD ended = WaitForMultipleObjects(2, both, FALSE, kStartTimeoutMs);
    ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1);
    const Process& quitter = ended == WAIT_OBJECT_0 ? a : b;
    const Process& runner = ended == WAIT_OBJECT_0 ? b : a;
    EXPECT_EQ(WaitForExit(quitter), 0u);
    HWND window = WaitForWindowOf(runner.id);
    ASSERT_NE(window, nullptr);
    Sleep(200);
    EXPECT_EQ(ProgramWindows().size(), 1u);
    EXPECT_EQ(Close(runner, window), 0u);
}

TEST(Startup, CommandLineChangesNothing) {
    ProgramCopy copy(L"quillcheck.exe");
    Process first = Start(copy.Exe(), L"/settings other.json --minimized -1 \"C:\\nowhere\"");
    HWND window = WaitForWindowOf(first.id);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_FALSE(fs::exists(copy.Folder() / L"other.json"));
    EXPECT_EQ(Close(first, window), 0u);
}

TEST(Startup, StartsMinimisedWhenAskedByTheShowCommand) {
    ProgramCopy copy(L"quillcheck.exe");
    Process first = Start(copy.Exe(), L"", SW_SHOWMINIMIZED);
    HWND window = WaitForWindowOf(first.id);
    ASSERT_NE(window, nullptr);
    // The window exists from its creation on; it is shown once its set-up is done.
    for (int waited = 0; waited < 5000 && !IsIconic(window); waited += 50) Sleep(50);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(Close(first, window), 0u);
}

// A settings file that cannot be read or parsed: the program runs on its defaults. Closing it
// replaces a broken file with the settings it ran on, after keeping a copy of the broken one; a
// folder in the file's place stays, and the failed save is reported once (naming the file) and
// does not keep the program from ending.
TEST(Startup, UnreadableSettingsDoNotStopTheProgram) {
    struct Case {
        const wchar_t* name;
        bool folder;  // a folder where the file should be: reading it fails
    };
    for (const Case& c : {Case{L"broken", false}, Case{L"folder", true}}) {
        ProgramCopy copy(L"quillcheck.exe");
        const fs::path settings = copy.Folder() / L"quillcheck.json";
        const std::string garbage = "\xEF\xBB\xBF{ \"info\": [1, 2,, garbage";
        if (c.folder) {
            fs::create_directory(settings);
        } else {
            std::ofstream(settings, std::ios::binary) << garbage;
        }
        Process first = Start(copy.Exe());
        HWND window = WaitForWindowOf(first.id);
        ASSERT_NE(window, nullptr) << c.name;
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (c.folder) {
            BoxAnswer answer;
            EXPECT_TRUE(AnswerBoxOf(first.id, answer)) << c.name;
            EXPECT_NE(answer.texts.find(settings.wstring()), std::wstring::npos) << c.name;
        }
        EXPECT_EQ(Close(first, window), 0u) << c.name;
        if (c.folder) {
            EXPECT_TRUE(fs::is_directory(settings)) << c.name;
        } else {
            std::ifstream in(settings, std::ios::binary);
            std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_NE(kept.find("\"name\": \"Quillcheck\""), std::string::npos) << c.name;
            std::ifstream backup(copy.Folder() / L"quillcheck.json.bak", std::ios::binary);
            std::string copied((std::istreambuf_iterator<char>(backup)), std::istreambuf_iterator<char>());
            EXPECT_EQ(copied, garbage) << c.name;
        }
    }
}

// The renamed program runs the in-process start-up test under its new name, which checks that
// the settings path follows the executable's name.
TEST(Startup, RenamedProgramUsesItsOwnSettingsName) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ProgramCopy copy(L"placeholder.exe");
    const fs::path renamed = copy.Folder() / L"Other.exe";
    fs::copy_file(self, renamed);
    Process run = Start(renamed, L"--gtest_filter=StartInstance.*");
    EXPECT_EQ(WaitForExit(run, 60000), 0u);
}

}  // namespace
