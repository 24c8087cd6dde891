// The reader worker end to end under Wine: a real worker thread and serial port against the
// emulated reader on a pseudo-terminal (started by connect_wine_test.sh, which names the mapped
// port in QC_EMU_PORT): a model 2 reader with firmware 1.8.0 and a MIFARE Classic 1K card.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "reader/platform_win32.h"
#include "reader/reader_worker.h"
#include "ui/reader_event_text.h"
#include "reader/frame.h"
#include "tests/support/com_link_win32.h"
#include "tests/support/environment.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Waits in real time for a condition the worker brings about; false after the deadline.
bool WaitFor(const std::function<bool()>& condition, DWORD deadlineMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > deadlineMs)
            return false;
        Sleep(20);
    }
    return true;
}

// The system's platform whose ports count the field resets (0x23) they send: the first command
// of every card poll, so the test can see the worker back at polling after a test stopped.
class CCountingPlatform : public CWin32Platform {
public:
    std::unique_ptr<CRdPort> NewPort(const std::wstring& name) override {
        return std::make_unique<CCountingPort>(name, resets);
    }

    std::atomic<int> resets{0};

private:
    class CCountingPort : public CRdComPort {
    public:
        CCountingPort(const std::wstring& name, std::atomic<int>& resets)
            : CRdComPort(name), resets_(resets) {}
        void Write(const uint8_t* data, size_t size) override {
            if (size > 3 && data[0] == kFrameStart && data[3] == 0x23)
                ++resets_;
            CRdComPort::Write(data, size);
        }

    private:
        std::atomic<int>& resets_;
    };
};

// Reads a block of the card straight through the reader protocol at 9600 baud.
Bytes ReadCardBlock(const std::wstring& name, uint8_t block) {
    CComLink wine(name, 0);
    if (!wine.port.Open())
        return {};
    if (wine.Exchange(0x2F, {0x01, 0x80}) != 0x55 || wine.Exchange(0x23, {0x00, 0x0A, 0x00}) != 0x55 ||
        wine.Exchange(0x45, {0x00}) != 0x55)
        return {};
    const Bytes found = wine.link.reply;  // ATQA, SAK, UID
    if (found.size() < 4)
        return {};
    Bytes select(found.size() - 2);
    select[0] = 0x81;
    std::copy(found.begin() + 3, found.end(), select.begin() + 1);
    if (wine.Exchange(0x46, select) != 0x55 ||
        wine.Exchange(0x50, {0x02, block, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) != 0x55 ||
        wine.Exchange(0x51, {block}) != 0x55)
        return {};
    Bytes data = wine.link.reply;
    wine.Exchange(0x2F, {0x00, 0x80});
    return data;
}

TEST(ConnectWineTest, ConnectsIdentifiesAndRunsBlockTestCycles) {
    const std::wstring name = EnvironmentText("QC_EMU_PORT");
    if (name.empty())
        GTEST_SKIP() << "QC_EMU_PORT names no emulated reader";
    constexpr int kCycles = 200;
    constexpr uint8_t kBlock = 4;
    {
        CCountingPlatform platform;
        CReaderWorker thread(platform);
        thread.Start(name);
        ASSERT_TRUE(WaitFor([&] { return thread.ReadState() == kConnected; }, 20000));
        const ReaderIdentity identity = thread.ReadIdentity();
        EXPECT_EQ(identity.model, 2);
        EXPECT_EQ(identity.firmware, 0x01080000u);
        ASSERT_TRUE(WaitFor([&] { return thread.ReadCard().type == kCardClassic1K; }, 5000));

        thread.StartTest(TestParameters{kBlock, kClassicTransportKey, false, false});
        ReaderSnapshot progress;
        const bool done = WaitFor(
            [&] {
                ReaderSnapshot now = thread.ReadStatus();
                progress.events.insert(progress.events.end(), now.events.begin(), now.events.end());
                progress.written = now.written;
                progress.errors = now.errors;
                progress.state = now.state;
                return now.written >= kCycles;
            },
            30000);
        if (!done) {
            std::string lines;
            for (const ReaderEvent& event : progress.events) {
                const std::wstring line = ReaderEventText(event);
                lines += std::string(line.begin(), line.end()) + "; ";
            }
            FAIL() << "written " << progress.written << ", errors " << progress.errors << ", state "
                   << progress.state << ", log: " << lines;
        }
        // The cycle under way ends before the worker polls again; stopping it halfway would leave
        // a write unconfirmed.
        const int resetsBefore = platform.resets;
        thread.StopTest();
        ASSERT_TRUE(WaitFor([&] { return platform.resets > resetsBefore; }, 20000));
        thread.Stop();
        const ReaderSnapshot status = thread.ReadStatus();
        EXPECT_EQ(status.errors, 0);
        EXPECT_TRUE(status.events.empty() && progress.events.empty());
        EXPECT_EQ(status.state, kDisconnected);
        // The card's block started at zero: one counted write per increment.
        Counter128 counted;
        counted.low = static_cast<uint64_t>(status.written);
        const std::array<uint8_t, 16> expected = counted.ToBytes();
        const Bytes onCard = ReadCardBlock(name, kBlock);
        ASSERT_EQ(onCard.size(), 16u);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), onCard.begin()));
    }
}

}  // namespace
