// The main window and its page in real windows under Wine, with the search fed a fixed port list
// and the reader worker aimed at ports that do not exist (it stays "connecting"), so every
// state of the page can be reached without a reader.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/modules_win32.h"
#include "search/port_devices.h"
#include "tests/support/catalogue_language.h"
#include "tests/support/environment.h"
#include "tests/support/error_box_answer_win32.h"
#include "tests/support/temp_folder_win32.h"
#include "tests/support/test_app_win32.h"
#include "tests/ui/layout_check_win32.h"
#include "ui/log_trim.h"
#include "ui/main_wnd_win32.h"
#include "ui/resource_ids.h"

namespace {

ReaderSettings ReaderOn(const std::wstring& port) {
    ReaderSettings reader;
    reader.port = port;
    return reader;
}

class CListedPorts : public IPortEnumerator {
public:
    explicit CListedPorts(std::vector<ListedPort> ports) : ports_(std::move(ports)) {}
    std::vector<ListedPort> Enumerate(bool) override {
        std::lock_guard lock(mutex_);
        return ports_;
    }

private:
    std::mutex mutex_;
    std::vector<ListedPort> ports_;
};

// Dispatches messages until done() holds; a quit message left by a closed window is dropped.
bool PumpUntil(const std::function<bool()>& done, int limitMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

class MainWindow : public ::testing::Test {
protected:
    void Open(std::vector<ListedPort> listed = {}) {
        ports_ = std::make_unique<CListedPorts>(std::move(listed));
        window_ = std::make_unique<CMainWnd>(settings_, *ports_);
        app_.mainWindow = window_.get();
        ASSERT_TRUE(window_->Create(WS_EX_APPWINDOW, TestWindowClass(), L"Quill Check",
                                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 500,
                                    400, nullptr, 0));
        ASSERT_NE(window_->page.hwnd, nullptr);
    }
    void TearDown() override {
        window_.reset();
        app_.mainWindow = nullptr;
        PumpUntil([] { return true; });
    }
    HWND Item(int id) const { return GetDlgItem(window_->page.hwnd, id); }
    void Command(int id) {
        SendMessageW(window_->page.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(id)));
    }
    // Enabled flags of Connect, port box, Disconnect, Start, Stop, block, key, key A, key B.
    std::string Enables() const {
        std::string flags;
        for (int id : {IDC_CONNECT, IDC_PORT, IDC_DISCONNECT, IDC_START, IDC_STOP, IDC_BLOCK, IDC_KEY,
                       IDC_KEY_A, IDC_KEY_B})
            flags += IsWindowEnabled(Item(id)) ? '1' : '0';
        return flags;
    }
    std::wstring Text(int id) const {
        wchar_t text[512] = {};
        GetWindowTextW(Item(id), text, 512);
        return text;
    }
    void PortNotify(WORD code) {
        SendMessageW(window_->page.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PORT, code),
                     reinterpret_cast<LPARAM>(Item(IDC_PORT)));
    }
    LRESULT PortItems() const { return SendMessageW(Item(IDC_PORT), CB_GETCOUNT, 0, 0); }

    CTestApp app_;
    CTempFolder folder_{L"qc-main-window"};
    CAppSettings settings_;
    std::unique_ptr<CListedPorts> ports_;
    std::unique_ptr<CMainWnd> window_;
};

TEST_F(MainWindow, EveryStateOfThePageEnablesItsControls) {
    settings_.port = L"COM249";  // nothing answers there: the connection stays "connecting"
    Open();
    const char* disconnected = "110001111";
    const char* linked = "001101111";
    const char* testing = "001010000";
    EXPECT_EQ(Enables(), disconnected);
    struct Step {
        const char* what;
        int command;
        const char* enables;
    };
    const Step steps[] = {
        {"Connect", IDC_CONNECT, linked},
        {"Start", IDC_START, testing},
        {"Stop", IDC_STOP, linked},
        {"Start again", IDC_START, testing},
        {"Disconnect while testing", IDC_DISCONNECT, disconnected},
        {"Connect again", IDC_CONNECT, linked},
        {"Disconnect while linked", IDC_DISCONNECT, disconnected},
    };
    for (const Step& step : steps) {
        Command(step.command);
        // After Disconnect the worker ends on its own: Connect comes back once it has.
        EXPECT_TRUE(PumpUntil([&] { return Enables() == step.enables; })) << step.what << ": " << Enables();
    }
    EXPECT_FALSE(window_->connection.IsRunning());
}

TEST_F(MainWindow, StartWithAnIncompleteKeyShowsTheMessageAndStartsNothing) {
    settings_.port = L"COM249";
    settings_.authKey = 0x123456789ABCull;
    Open();
    EXPECT_EQ(Text(IDC_KEY), L"123456789abc");
    Command(IDC_CONNECT);
    SetWindowTextW(Item(IDC_KEY), L"");  // every position empty again
    ErrorBoxSeen seen;
    AnswerNextErrorBox(seen);
    Command(IDC_START);
    std::wstring message;
    LoadResourceString(kTextInvalidKey, message);
    EXPECT_NE(seen.texts.find(message), std::wstring::npos);
    EXPECT_FALSE(window_->connection.TestRunning());
    EXPECT_EQ(Enables(), "001101111");
    EXPECT_EQ(settings_.authKey, 0x123456789ABCull);
    Command(IDC_DISCONNECT);
}

TEST_F(MainWindow, EmptyPortNameConnectsNothing) {
    Open();
    Command(IDC_CONNECT);
    EXPECT_FALSE(window_->connection.IsRunning());
    EXPECT_EQ(Enables(), "110001111");
}

TEST_F(MainWindow, FoundPortOfAnUnsupportedReaderCannotBeConnected) {
    struct Case {
        int32_t model;
        const wchar_t* item;
        bool connectable;
    };
    const Case cases[] = {
        {0, L"COM251   ", false},
        {2, L"COM251   Tern USB CL", true},
        {4, L"COM251   Tern EH", false},
        {11, L"COM251   Tern Panel VI NFC", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        settings_.port = L"COM251";
        Open({{L"COM251", c.model}});  // no such port: the probe keeps the adapter's model
        ASSERT_TRUE(PumpUntil([&] { return PortItems() == 1; }));
        wchar_t item[128] = {};
        SendMessageW(Item(IDC_PORT), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
        EXPECT_EQ(std::wstring(item), c.item);
        EXPECT_EQ(SendMessageW(Item(IDC_PORT), CB_GETCURSEL, 0, 0), 0);
        // The rule applies as soon as the list arrives, and again after every command; the box
        // itself stays open, so another port can always be chosen.
        EXPECT_EQ(IsWindowEnabled(Item(IDC_CONNECT)) != 0, c.connectable);
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_PORT)));
        Command(IDC_DISCONNECT);
        EXPECT_EQ(IsWindowEnabled(Item(IDC_CONNECT)) != 0, c.connectable);
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_PORT)));
        // Text typed instead of the entry: Connect follows it at once.
        SendMessageW(Item(IDC_PORT), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextW(Item(IDC_PORT), L"COM9");
        PortNotify(CBN_EDITCHANGE);
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_CONNECT)));
        // The entry chosen again.
        SendMessageW(Item(IDC_PORT), CB_SETCURSEL, 0, 0);
        PortNotify(CBN_SELCHANGE);
        EXPECT_EQ(IsWindowEnabled(Item(IDC_CONNECT)) != 0, c.connectable);
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_PORT)));
        TearDown();
    }
}

TEST_F(MainWindow, StoredPortMissingFromTheListStaysFreeText) {
    settings_.port = L"COM252";
    Open({{L"COM251", 4}});
    ASSERT_TRUE(PumpUntil([&] { return PortItems() == 1; }));
    EXPECT_EQ(SendMessageW(Item(IDC_PORT), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(IDC_PORT), L"COM252");
    Command(IDC_DISCONNECT);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_CONNECT)));
}

TEST_F(MainWindow, LogKeepsTakingLinesAndStaysBounded) {
    Open();
    const std::wstring filler(60, L'x');
    const int lineCount = 2 * static_cast<int>(kLogLimit / (filler.size() + 8));
    std::vector<std::wstring> batch;
    for (int line = 0; line < lineCount; ++line) {
        batch.push_back(std::to_wstring(line) + L" " + filler);
        if (batch.size() == 500) {
            window_->page.AppendLogLines(batch);
            batch.clear();
        }
    }
    window_->page.AppendLogLines(batch);
    const int length = GetWindowTextLengthW(Item(IDC_LOG));
    EXPECT_LE(static_cast<size_t>(length), kLogLimit);
    EXPECT_GE(static_cast<size_t>(length), kLogKeep / 2);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(Item(IDC_LOG), text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    const std::wstring newest = std::to_wstring(lineCount - 1) + L" " + filler + L"\r\n";
    ASSERT_GE(text.size(), newest.size());
    EXPECT_EQ(text.substr(text.size() - newest.size()), newest);
    // Whole lines only: the oldest kept line starts with its number.
    EXPECT_NE(text.find(L' '), std::wstring::npos);
    EXPECT_EQ(text.substr(text.find(L' '), 61), L" " + filler);
}

TEST_F(MainWindow, NotificationsOutsideTheThreeChangeNothing) {
    Open();
    SetWindowTextW(Item(IDC_STATE), L"marker");
    for (WPARAM what : {WPARAM{0}, WPARAM{4}}) {
        EXPECT_EQ(SendMessageW(window_->hwnd, WM_THREAD_NOTIFY, what, 0), 0);
        EXPECT_EQ(Text(IDC_STATE), L"marker");
    }
    // A notice goes to the page of the worker its lParam names: none other refreshes it.
    for (LPARAM source : {LPARAM{0}, static_cast<LPARAM>(window_->connection.Id() + 1)}) {
        SendMessageW(window_->hwnd, WM_THREAD_NOTIFY, NOTIFY_STATE, source);
        EXPECT_EQ(Text(IDC_STATE), L"marker") << source;
    }
    SendMessageW(window_->hwnd, WM_THREAD_NOTIFY, NOTIFY_STATE, static_cast<LPARAM>(window_->connection.Id()));
    EXPECT_NE(Text(IDC_STATE), L"marker");
}

TEST_F(MainWindow, FurtherReadersComeAsPagesUpToTheLimitEachOnItsOwnPort) {
    settings_.port = L"COM240";  // nothing answers on these ports: a connection stays "connecting"
    for (int i = 1; i < 15; ++i) settings_.moreReaders.push_back(ReaderOn(L"COM" + std::to_wstring(240 + i)));
    settings_.readersLeftOut = 985;
    Open();
    ASSERT_EQ(window_->moreReaders.size(), 14u);
    EXPECT_EQ(window_->ShownTab(), 0u);  // the first reader's page, not connected
    EXPECT_NE(Text(IDC_LOG).find(L"985 readers of the settings file were left out"), std::wstring::npos);
    EXPECT_TRUE(window_->AddReaderPage(ReaderOn(L"COM255"), false));
    EXPECT_FALSE(window_->AddReaderPage(ReaderOn(L"COM256"), false)) << "a seventeenth reader";
    EXPECT_EQ(window_->moreReaders.size(), 15u);

    // The first page's port, typed on another page: marked as in use and refused there.
    Command(IDC_CONNECT);
    CMainPage& second = window_->moreReaders[0]->page;
    SetDlgItemTextW(second.hwnd, IDC_PORT, L"com240");
    SendMessageW(second.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PORT, CBN_EDITCHANGE), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(second.hwnd, IDC_CONNECT)));
    ErrorBoxSeen seen;
    AnswerNextErrorBox(seen);
    SendMessageW(second.hwnd, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED), 0);
    EXPECT_NE(seen.texts.find(L"com240 is in use by another reader's page."), std::wstring::npos);
    EXPECT_FALSE(window_->moreReaders[0]->worker.IsRunning());

    // A page closed while its reader is connected and testing switches it off first.
    window_->ShowTab(2);
    CMainPage& third = window_->moreReaders[1]->page;
    SendMessageW(third.hwnd, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED), 0);
    SendMessageW(third.hwnd, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
    ASSERT_TRUE(window_->moreReaders[1]->worker.IsRunning());
    window_->CloseReaderPage(2);
    EXPECT_EQ(window_->moreReaders.size(), 14u);
    EXPECT_EQ(window_->ShownTab(), 2u);
    EXPECT_TRUE(PumpUntil([&] { return window_->closingReaders.empty(); }));
    window_->CloseReaderPage(0);  // the first reader's page stays
    EXPECT_EQ(window_->moreReaders.size(), 14u);
    while (!window_->moreReaders.empty()) window_->CloseReaderPage(1);
    // One reader again: the window as ever (the test's window itself is never shown).
    EXPECT_FALSE(GetWindowLongW(window_->tabs, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(window_->page.hwnd, GWL_STYLE) & WS_VISIBLE);
    Command(IDC_DISCONNECT);
}

TEST_F(MainWindow, CloseStoresTheNormalRectangleAndSavesWhenChanged) {
    settings_.path = folder_.Path(L"quillcheck.json");
    Open();
    MoveWindow(window_->hwnd, 30, 40, 640, 530, TRUE);  // above the least size the page needs
    ShowWindow(window_->hwnd, SW_MINIMIZE);
    SendMessageW(window_->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    // The window goes once the workers have ended, which it does not wait for.
    EXPECT_TRUE(PumpUntil([&] { return window_->hwnd == nullptr; }));
    EXPECT_EQ(settings_.formPos, (std::array<int32_t, 4>{30, 40, 640, 530}));
    EXPECT_FALSE(settings_.modified);
    EXPECT_NE(GetFileAttributesW(settings_.path.c_str()), INVALID_FILE_ATTRIBUTES);
}

RECT NormalRect(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(window, &placement);
    return placement.rcNormalPosition;
}

RECT PrimaryWorkArea() {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

// A save that fails at close is not swallowed: one message names the file and the reason, then
// the window closes. A log-off or shut-down closes like the user would, but without the message.
TEST_F(MainWindow, CloseAndSessionEndSaveTheSettingsAndReportAFailure) {
    struct Case {
        const char* what;
        bool sessionEnd;
        bool failing;  // a folder stands where the file should be
    };
    const Case cases[] = {
        {"close, save fails", false, true},
        {"session end", true, false},
        {"session end, save fails", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings_ = CAppSettings();
        settings_.path = folder_.Path(L"settings" + std::to_wstring(&c - cases) + L".json");
        if (c.failing) {
            ASSERT_TRUE(CreateDirectoryW(settings_.path.c_str(), nullptr));
        }
        settings_.port = L"COM249";
        Open();
        Command(IDC_CONNECT);
        ASSERT_TRUE(window_->connection.IsRunning());
        ErrorBoxSeen seen;
        AnswerNextErrorBox(seen);
        if (c.sessionEnd) {
            EXPECT_TRUE(SendMessageW(window_->hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
            SendMessageW(window_->hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        } else {
            SendMessageW(window_->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        EXPECT_FALSE(window_->connection.IsRunning());  // the reader's link is switched off
        const DWORD attributes = GetFileAttributesW(settings_.path.c_str());
        if (c.failing) {
            EXPECT_TRUE(settings_.modified);
            EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
        } else {
            EXPECT_FALSE(settings_.modified);
            EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
        }
        EXPECT_EQ(seen.shown, c.failing && !c.sessionEnd);
        DisarmErrorBoxAnswer();
        if (seen.shown) {
            std::wstring format;
            LoadResourceString(kTextSettingsNotSaved, format);
            const std::wstring lead = format.substr(0, format.find(L"%s"));
            EXPECT_NE(seen.texts.find(lead), std::wstring::npos) << testing::PrintToString(seen.texts);
            EXPECT_NE(seen.texts.find(settings_.path), std::wstring::npos);
        }
        TearDown();
        RemoveDirectoryW(settings_.path.c_str());
    }
}

// A resize repaints the page under the group boxes (drawn through, their old edges would stay)
// but not under the rest: erasing the whole page on every step made it flicker.
TEST_F(MainWindow, ResizeRepaintsThePageOnlyUnderTheGroupBoxes) {
    Open();
    ShowWindow(window_->hwnd, SW_SHOWNOACTIVATE);  // a hidden window has nothing to repaint
    UpdateWindow(window_->hwnd);
    HWND page = window_->page.hwnd;
    RECT client{};
    GetClientRect(page, &client);
    ValidateRect(page, nullptr);
    SendMessageW(page, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right + 60, client.bottom + 40));
    auto pageRect = [&](int id) {
        RECT r{};
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(page, update, FALSE);
    // The figures under the log move down and bare their old place, which the log now covers:
    // only the log's upper part is sure to stay out of the repaint.
    RECT log = pageRect(IDC_LOG);
    log.bottom = log.top + (log.bottom - log.top) / 2;
    const RECT testGroup = pageRect(IDC_TEST_GROUP);
    const RECT cardGroup = pageRect(IDC_CARD_GROUP);
    EXPECT_FALSE(RectInRegion(update, &log));
    EXPECT_TRUE(RectInRegion(update, &testGroup));
    EXPECT_TRUE(RectInRegion(update, &cardGroup));
    DeleteObject(update);
}

TEST_F(MainWindow, StoredPositionOrSizeAloneIsApplied) {
    struct Case {
        const char* what;
        std::array<int32_t, 4> stored;
        bool keepsSize;
    };
    const Case cases[] = {
        {"position only", {70, 80, CAppSettings::kNotSet, CAppSettings::kNotSet}, true},
        {"size and position", {70, 80, 740, 620}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings_.formPos = c.stored;
        Open();
        const RECT r = NormalRect(window_->hwnd);
        const LayoutSize first = window_->FirstStartWindowSize();
        EXPECT_EQ(r.left, 70);
        EXPECT_EQ(r.top, 80);
        EXPECT_EQ(r.right - r.left, c.keepsSize ? first.width : 740);
        EXPECT_EQ(r.bottom - r.top, c.keepsSize ? first.height : 620);
        TearDown();
    }
}

// Placed onto a monitor of another scale, Windows moves the window to that scale on the way and
// suggests the stored size scaled once more. Wine has one scale: the hook sends the message, as
// 150%, the first time the placement moves the window.
HHOOK g_dpiMoveHook = nullptr;
bool g_dpiMoveSent = false;
LRESULT CALLBACK SendDpiChangeOnMove(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    wchar_t className[64] = {};
    GetClassNameW(call->hwnd, className, 64);
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(call->lParam);
    if (code == HC_ACTION && !g_dpiMoveSent && call->message == WM_WINDOWPOSCHANGED &&
        wcscmp(className, TestWindowClass()) == 0 && !(pos->flags & SWP_NOMOVE) && pos->x == 70) {
        g_dpiMoveSent = true;
        RECT suggested{pos->x, pos->y, pos->x + MulDiv(pos->cx, 3, 2), pos->y + MulDiv(pos->cy, 3, 2)};
        SendMessageW(call->hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    }
    return CallNextHookEx(g_dpiMoveHook, code, wParam, lParam);
}

TEST_F(MainWindow, StoredPlaceOnAMonitorOfAnotherScaleKeepsItsSize) {
    HDC screen = GetDC(nullptr);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (screenDpi == 144)
        GTEST_SKIP() << "the scale the message plays must differ from the screen's";
    struct Case {
        const char* what;
        std::array<int32_t, 4> stored;
    };
    const Case cases[] = {
        {"the stored size", {70, 80, 1000, 800}},
        {"a stored size below the least at 150%", {70, 80, 520, 420}},
        {"a position only", {70, 80, CAppSettings::kNotSet, CAppSettings::kNotSet}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings_.formPos = c.stored;
        g_dpiMoveSent = false;
        g_dpiMoveHook = SetWindowsHookExW(WH_CALLWNDPROCRET, &SendDpiChangeOnMove, nullptr, GetCurrentThreadId());
        Open();
        UnhookWindowsHookEx(g_dpiMoveHook);
        ASSERT_TRUE(g_dpiMoveSent);
        EXPECT_EQ(window_->Dpi(), 144u);
        const RECT r = NormalRect(window_->hwnd);
        const LayoutSize least = window_->MinimumWindowSize();
        const LayoutSize wanted = c.stored[2] == CAppSettings::kNotSet ? window_->FirstStartWindowSize()
                                                                      : LayoutSize{c.stored[2], c.stored[3]};
        EXPECT_EQ(r.left, 70);
        EXPECT_EQ(r.top, 80);
        EXPECT_EQ(r.right - r.left, std::max(wanted.width, least.width));
        EXPECT_EQ(r.bottom - r.top, std::max(wanted.height, least.height));
        MINMAXINFO limits{};
        SendMessageW(window_->hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_EQ(limits.ptMinTrackSize.x, least.width);
        TearDown();
    }
}

// A settings file may hold any numbers: the window still opens where the user can reach it, at a
// size that shows the whole page.
TEST_F(MainWindow, StoredGeometryOffEveryScreenOrUnusableOpensOnTheScreen) {
    const RECT work = PrimaryWorkArea();
    struct Case {
        const char* what;
        std::array<int32_t, 4> stored;
    };
    const Case cases[] = {
        {"position on no monitor", {-30000, -30000, 700, 560}},
        {"position far right and below", {work.right + 500, work.bottom + 500, 700, 560}},
        {"size 0 x 0", {70, 80, 0, 0}},
        {"negative size", {70, 80, -640, -480}},
        {"size 100000", {70, 80, 100000, 100000}},
        {"size 100000 off screen", {-100000, 40, 100000, 100000}},
        {"only a size of 0 x 0", {CAppSettings::kNotSet, CAppSettings::kNotSet, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings_.formPos = c.stored;
        Open();
        const RECT r = NormalRect(window_->hwnd);
        const LayoutSize minimum = window_->MinimumWindowSize();
        EXPECT_GE(r.right - r.left, minimum.width);
        EXPECT_GE(r.bottom - r.top, minimum.height);
        // The caption lies on the screen, and the window is no larger than the screen allows.
        EXPECT_GE(r.left, work.left);
        EXPECT_GE(r.top, work.top);
        EXPECT_LE(r.right - r.left, std::max<LONG>(minimum.width, work.right - work.left));
        EXPECT_LE(r.bottom - r.top, std::max<LONG>(minimum.height, work.bottom - work.top));
        EXPECT_LT(r.left, work.right - 64);
        EXPECT_LT(r.top, work.bottom - 24);
        EXPECT_TRUE(LayoutFaults(window_->page.hwnd).empty()) << Describe(ChildPlaces(window_->page.hwnd));
        TearDown();
    }
}

// ---- The page at the screen scale the process runs at. tests/ui/main_window_layout.sh runs these
// at 96, 120, 144 and 192 DPI, in English and Russian, with QC_LAYOUT_DIR naming a folder where
// each scale leaves its first-start layout for the DPI change test at 96.

struct SavedLayout {
    LayoutSize window;
    LayoutSize client;
    std::vector<RECT> controls;
};

std::wstring LayoutFile(UINT dpi) {
    const std::wstring folder = EnvironmentText("QC_LAYOUT_DIR");
    return folder.empty() ? std::wstring() : folder + L"\\layout-" + std::to_wstring(dpi) + L".txt";
}

SavedLayout CurrentLayout(const CMainWnd& window) {
    SavedLayout saved;
    RECT r{};
    GetWindowRect(window.hwnd, &r);
    saved.window = {r.right - r.left, r.bottom - r.top};
    GetClientRect(window.hwnd, &r);
    saved.client = {r.right, r.bottom};
    for (const ControlPlace& place : ChildPlaces(window.page.hwnd)) saved.controls.push_back(place.rect);
    return saved;
}

void WriteLayout(const std::wstring& path, const SavedLayout& saved) {
    FILE* file = _wfopen(path.c_str(), L"w");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "%d %d %d %d\n", saved.window.width, saved.window.height, saved.client.width,
                 saved.client.height);
    for (const RECT& r : saved.controls) std::fprintf(file, "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    std::fclose(file);
}

std::optional<SavedLayout> ReadLayout(const std::wstring& path) {
    FILE* file = path.empty() ? nullptr : _wfopen(path.c_str(), L"r");
    if (!file)
        return std::nullopt;
    SavedLayout saved;
    RECT r{};
    if (std::fscanf(file, "%d %d %d %d", &saved.window.width, &saved.window.height, &saved.client.width,
                    &saved.client.height) == 4) {
        while (std::fscanf(file, "%ld %ld %ld %ld", &r.left, &r.top, &r.right, &r.bottom) == 4)
            saved.controls.push_back(r);
    }
    std::fclose(file);
    return saved;
}

// The same layout within two pixels on every edge.
std::string LayoutDifference(const SavedLayout& expected, const SavedLayout& actual) {
    if (expected.controls.size() != actual.controls.size())
        return "control count differs";
    std::string text;
    for (size_t i = 0; i < expected.controls.size(); ++i) {
        const RECT& e = expected.controls[i];
        const RECT& a = actual.controls[i];
        if (std::abs(e.left - a.left) > 2 || std::abs(e.top - a.top) > 2 || std::abs(e.right - a.right) > 2 ||
            std::abs(e.bottom - a.bottom) > 2) {
            char line[120];
            std::snprintf(line, sizeof(line), "control %zu: (%ld,%ld)-(%ld,%ld) instead of (%ld,%ld)-(%ld,%ld)\n", i,
                          a.left, a.top, a.right, a.bottom, e.left, e.top, e.right, e.bottom);
            text += line;
        }
    }
    return text;
}

std::wstring LogText(HWND log) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(log)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(log, text.data(), static_cast<int>(text.size()))));
    return text;
}

class MainWindowLayout : public MainWindow {
protected:
    HWND Log() const { return Item(IDC_LOG); }
    int LogHeight() const {
        RECT r{};
        GetWindowRect(Log(), &r);
        return r.bottom - r.top;
    }
    void ExpectSoundLayout(const char* where) {
        SCOPED_TRACE(where);
        PumpPending();
        const std::vector<std::string> faults = LayoutFaults(window_->page.hwnd);
        std::string all;
        for (const std::string& fault : faults) all += fault + "\n";
        EXPECT_TRUE(faults.empty()) << all << Describe(ChildPlaces(window_->page.hwnd));
        EXPECT_GE(VisibleLines(Log()), kLogMinimumLines);
        RECT client{}, page{};
        GetClientRect(window_->hwnd, &client);
        GetWindowRect(window_->page.hwnd, &page);
        EXPECT_EQ(page.right - page.left, client.right);
        EXPECT_EQ(page.bottom - page.top, client.bottom);
    }
    // The longest texts the status line shows: each state, and counts of seven digits.
    void ExpectStatusTextsFit() {
        SetDlgItemTextW(window_->page.hwnd, IDC_WRITTEN, L"9999999");
        SetDlgItemTextW(window_->page.hwnd, IDC_ERRORS, L"9999999");
        for (unsigned state : {118u, 119u, 120u}) {
            std::wstring text;
            LoadResourceString(state, text);
            SetDlgItemTextW(window_->page.hwnd, IDC_STATE, text.c_str());
            EXPECT_EQ(TextFault(Item(IDC_STATE)), "");
        }
        EXPECT_EQ(TextFault(Item(IDC_WRITTEN)), "");
        EXPECT_EQ(TextFault(Item(IDC_ERRORS)), "");
    }
};

TEST_F(MainWindowLayout, WholePageFitsAtFirstStartAndMinimumSize) {
    Open();
    const UINT dpi = window_->Dpi();
    const SavedLayout first = CurrentLayout(*window_);
    EXPECT_GE(first.controls.size(), 23u);
    // The page's full size, cut down to the screen when that is smaller (200% on 1280 x 1024).
    const LayoutSize full = window_->FirstStartWindowSize();
    const LayoutSize least = window_->MinimumWindowSize();
    const RECT work = PrimaryWorkArea();
    const LayoutSize expected{std::min<int32_t>(full.width, std::max<int32_t>(least.width, work.right - work.left)),
                              std::min<int32_t>(full.height, std::max<int32_t>(least.height, work.bottom - work.top))};
    EXPECT_EQ(first.window, expected);
    EXPECT_GE(first.window.width, MulDiv(500, static_cast<int>(dpi), 96));
    EXPECT_GE(first.window.height, MulDiv(400, static_cast<int>(dpi), 96));
    ExpectSoundLayout("first start");
    ExpectStatusTextsFit();
    std::printf("[ layout ] %u DPI: first start %dx%d, log %d px (%d lines)", dpi, first.window.width,
                first.window.height, LogHeight(), VisibleLines(Log()));

    const LayoutSize minimum = window_->MinimumWindowSize();
    MINMAXINFO limits{};
    SendMessageW(window_->hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, minimum.width);
    EXPECT_EQ(limits.ptMinTrackSize.y, minimum.height);
    SetWindowPos(window_->hwnd, nullptr, 0, 0, minimum.width, minimum.height, SWP_NOMOVE | SWP_NOZORDER);
    ExpectSoundLayout("minimum size");
    ExpectStatusTextsFit();
    std::printf("; minimum %dx%d, log %d px (%d lines)\n", minimum.width, minimum.height, LogHeight(),
                VisibleLines(Log()));

    // The about box, made by the dialog manager at the same scale.
    HWND about = CreateDialogParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_ABOUT), window_->hwnd,
                                    [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(about, nullptr);
    const std::vector<std::string> aboutFaults = LayoutFaults(about);
    EXPECT_TRUE(aboutFaults.empty()) << aboutFaults.front() << "\n" << Describe(ChildPlaces(about));
    DestroyWindow(about);

    if (const std::wstring path = LayoutFile(dpi); !path.empty()) {
        SetWindowPos(window_->hwnd, nullptr, 0, 0, first.window.width, first.window.height, SWP_NOMOVE | SWP_NOZORDER);
        PumpPending();
        EXPECT_EQ(LayoutDifference(first, CurrentLayout(*window_)), "");
        WriteLayout(path, first);
    }
}

// Moved to a monitor of another scale, the window lays its page out as a start on that monitor
// would, and the log keeps its lines and where it was scrolled to.
TEST_F(MainWindowLayout, DpiChangeLaysOutAsAStartAtThatDpi) {
    Open();
    const std::optional<SavedLayout> at144 = ReadLayout(LayoutFile(144));
    if (window_->Dpi() != 96 || !at144)
        GTEST_SKIP() << "needs a start at 96 DPI and the layout of a start at 144 DPI";
    const SavedLayout at96 = CurrentLayout(*window_);
    std::vector<std::wstring> lines;
    for (int line = 0; line < 40; ++line) lines.push_back(L"line " + std::to_wstring(line));
    window_->page.AppendLogLines(lines);
    SendMessageW(Log(), EM_LINESCROLL, 0, -25);
    const LRESULT firstLine = SendMessageW(Log(), EM_GETFIRSTVISIBLELINE, 0, 0);
    const std::wstring text = LogText(Log());
    ASSERT_GT(firstLine, 0);

    RECT place{};
    GetWindowRect(window_->hwnd, &place);
    struct Step {
        UINT dpi;
        const SavedLayout& expected;
    };
    for (const Step& step : {Step{144, *at144}, Step{96, at96}}) {
        SCOPED_TRACE(step.dpi);
        // The client area of that start: Wine keeps its frame at the prefix's scale.
        RECT frame{}, client{};
        GetWindowRect(window_->hwnd, &frame);
        GetClientRect(window_->hwnd, &client);
        RECT suggested{place.left, place.top,
                       place.left + step.expected.client.width + (frame.right - frame.left) - client.right,
                       place.top + step.expected.client.height + (frame.bottom - frame.top) - client.bottom};
        SendMessageW(window_->hwnd, WM_DPICHANGED, MAKEWPARAM(step.dpi, step.dpi), reinterpret_cast<LPARAM>(&suggested));
        PumpPending();
        EXPECT_EQ(window_->Dpi(), step.dpi);
        // The key field's fixed-pitch font is made anew for the scale.
        LOGFONTW keyFont{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(IDC_KEY), WM_GETFONT, 0, 0)), sizeof(keyFont), &keyFont);
        EXPECT_EQ(keyFont.lfHeight, -MulDiv(10, static_cast<int>(step.dpi), 72));
        EXPECT_STREQ(keyFont.lfFaceName, L"System");
        EXPECT_EQ(LayoutDifference(step.expected, CurrentLayout(*window_)), "");
        ExpectSoundLayout("after the change");
        EXPECT_EQ(LogText(Log()), text);
        EXPECT_EQ(SendMessageW(Log(), EM_GETFIRSTVISIBLELINE, 0, 0), firstLine);
    }
}

}  // namespace

namespace {

TEST_F(MainWindow, TestReportIsSavedWholeOrNotAtAll) {
    Open();
    const std::wstring missingFolder = folder_.Path(L"missing\\report.txt");
    EXPECT_FALSE(window_->page.SaveReportTo(folder_.Path(L"before.txt")));  // no test yet: no report
    EXPECT_EQ(ReadFileBytes(folder_.Path(L"before.txt")), "<missing>");

    window_->connection.StartTest({});
    struct Case {
        const char* what;
        std::wstring path;
        bool saved;
        std::string besideNew = "<missing>";  // what stays at the name with .new added
    };
    const Case cases[] = {
        {"a plain name", folder_.Path(L"report.txt"), true},
        {"over an existing file, beside the user's own .new", folder_.Path(L"old.txt"), true, "the user's own"},
        {"into a folder that does not exist", missingFolder, false},
        {"a name Windows refuses", folder_.Path(L"re*port?.txt"), false},
    };
    ASSERT_TRUE(WriteFileBytes(folder_.Path(L"old.txt"), "old report"));
    ASSERT_TRUE(WriteFileBytes(folder_.Path(L"old.txt.new"), "the user's own"));
    for (const Case& c : cases) {
        ErrorBoxSeen seen;
        if (!c.saved)
            AnswerNextErrorBox(seen);
        EXPECT_EQ(window_->page.SaveReportTo(c.path), c.saved) << c.what;
        const std::string bytes = ReadFileBytes(c.path);
        const std::string partial = ReadFileBytes(c.path + L".new");
        EXPECT_EQ(partial, c.besideNew) << c.what;
        if (c.saved) {
            EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << c.what;
            EXPECT_NE(bytes.find("\r\n\r\n"), std::string::npos) << c.what;
            EXPECT_EQ(bytes.find("old report"), std::string::npos) << c.what;
            // Its summary beside it, by hand as by a plan.
            const std::wstring summary = c.path.substr(0, c.path.size() - 4) + L".json";
            EXPECT_NE(ReadFileBytes(summary).find("\"program\": \"Quill Check\""), std::string::npos) << c.what;
        } else {
            EXPECT_EQ(bytes, "<missing>") << c.what;
            EXPECT_TRUE(seen.shown) << c.what;
            EXPECT_NE(seen.texts.find(c.path), std::wstring::npos) << c.what << ": " << seen.texts;
        }
    }
    // The strip under the log shows the running test's figures at the next refresh.
    window_->page.RefreshStatus();
    EXPECT_EQ(Text(IDC_ELAPSED).substr(0, 5), L"0:00:");
    EXPECT_FALSE(Text(IDC_RATE).empty());
    window_->connection.StopTest();
}

}  // namespace

namespace {

// What the log's context menu offered, read from inside its own modal loop by a timer.
struct LogMenuSeen {
    std::vector<std::wstring> items;
    bool saveEnabled = false;
};
LogMenuSeen g_logMenu;

void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    auto menu = menuWindow ? reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0)) : nullptr;
    if (!menu)
        return;
    KillTimer(nullptr, timer);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        g_logMenu.items.push_back(text);
    }
    g_logMenu.saveEnabled = (GetMenuState(menu, ID_SAVE_REPORT, MF_BYCOMMAND) & MF_GRAYED) == 0;
    EndMenu();
}

TEST_F(MainWindow, LogMenuOffersTheReportOnceATestRan) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    Open();
    for (const bool tested : {false, true}) {
        if (tested)
            Command(IDC_START);  // connecting: the test is ordered and its record begun
        g_logMenu = {};
        SetTimer(nullptr, 0, 50, &ReadOpenMenu);
        RECT r{};
        GetWindowRect(Item(IDC_LOG), &r);
        // As a right click in the log sends it: the edit hands it to the page.
        SendMessageW(Item(IDC_LOG), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Item(IDC_LOG)),
                     MAKELPARAM(r.left + 5, r.top + 5));
        EXPECT_EQ(g_logMenu.items, (std::vector<std::wstring>{L"Copy", L"Select all", L"", L"Save test report…", L"Reports folder…"}))
            << tested;
        EXPECT_EQ(g_logMenu.saveEnabled, tested);
    }
    Command(IDC_STOP);
}

}  // namespace
