// The main window and its page in real windows under Wine, with the search fed a fixed port list
// and the connection thread aimed at ports that do not exist (it stays "connecting"), so every
// state of the page can be reached without a reader.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/catalogue.h"
#include "search/port_devices.h"
#include "tests/support/catalogue_language.h"
#include "tests/support/error_box_answer_win32.h"
#include "tests/support/temp_folder_win32.h"
#include "tests/support/test_app_win32.h"
#include "ui/log_trim.h"
#include "ui/main_wnd_win32.h"
#include "ui/resource_ids.h"

namespace {

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
        EXPECT_EQ(Enables(), step.enables) << step.what;
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
    LoadResourceString(123, message);
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
    SendMessageW(window_->hwnd, WM_THREAD_NOTIFY, NOTIFY_STATE, 0);
    EXPECT_NE(Text(IDC_STATE), L"marker");
}

TEST_F(MainWindow, CloseStoresTheNormalRectangleAndSavesWhenChanged) {
    settings_.path = folder_.Path(L"quillcheck.json");
    Open();
    MoveWindow(window_->hwnd, 30, 40, 620, 450, TRUE);
    ShowWindow(window_->hwnd, SW_MINIMIZE);
    SendMessageW(window_->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(window_->hwnd, nullptr);
    EXPECT_EQ(settings_.formPos, (std::array<int32_t, 4>{30, 40, 620, 450}));
    EXPECT_FALSE(settings_.modified);
    EXPECT_NE(GetFileAttributesW(settings_.path.c_str()), INVALID_FILE_ATTRIBUTES);
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
            LoadResourceString(701, format);
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
    const RECT log = pageRect(IDC_LOG);
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
        {"size and position", {70, 80, 640, 480}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings_.formPos = c.stored;
        Open();
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        ASSERT_TRUE(GetWindowPlacement(window_->hwnd, &placement));
        const RECT& r = placement.rcNormalPosition;
        EXPECT_EQ(r.left, 70);
        EXPECT_EQ(r.top, 80);
        EXPECT_EQ(r.right - r.left, c.keepsSize ? 500 : 640);
        EXPECT_EQ(r.bottom - r.top, c.keepsSize ? 400 : 480);
        TearDown();
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
    };
    const Case cases[] = {
        {"a plain name", folder_.Path(L"report.txt"), true},
        {"over an existing file", folder_.Path(L"old.txt"), true},
        {"into a folder that does not exist", missingFolder, false},
        {"a name Windows refuses", folder_.Path(L"re*port?.txt"), false},
    };
    ASSERT_TRUE(WriteFileBytes(folder_.Path(L"old.txt"), "old report"));
    for (const Case& c : cases) {
        ErrorBoxSeen seen;
        if (!c.saved)
            AnswerNextErrorBox(seen);
        EXPECT_EQ(window_->page.SaveReportTo(c.path), c.saved) << c.what;
        const std::string bytes = ReadFileBytes(c.path);
        const std::string partial = ReadFileBytes(c.path + L".new");
        EXPECT_EQ(partial, "<missing>") << c.what;
        if (c.saved) {
            EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << c.what;
            EXPECT_NE(bytes.find("\r\n\r\n"), std::string::npos) << c.what;
            EXPECT_EQ(bytes.find("old report"), std::string::npos) << c.what;
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
        EXPECT_EQ(g_logMenu.items, (std::vector<std::wstring>{L"Copy", L"Select all", L"", L"Save test report…"}))
            << tested;
        EXPECT_EQ(g_logMenu.saveEnabled, tested);
    }
    Command(IDC_STOP);
}

}  // namespace
