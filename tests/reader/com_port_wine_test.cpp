// CRdComPort against the emulated reader on a pseudo-terminal, through a COM port mapped in the
// Wine prefix. Run by com_port_wine_test.sh, which starts the emulators and names their ports
// in QC_EMU_PORT (a reader with a MIFARE Classic 1K card) and QC_EMU_UNPLUG_PORT (a reader that
// vanishes when its second framed command arrives).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "foundation/errors.h"
#include "reader/frame.h"
#include "reader/ident.h"
#include "tests/support/com_link_win32.h"
#include "tests/support/environment.h"

namespace {

using Bytes = std::vector<uint8_t>;

class ComPortWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        readerPort = EnvironmentText("QC_EMU_PORT");
        unplugPort = EnvironmentText("QC_EMU_UNPLUG_PORT");
        pacedPort = EnvironmentText("QC_EMU_PACED_PORT");
        if (readerPort.empty())
            GTEST_SKIP() << "no emulated reader (run through com_port_wine_test.sh)";
    }
    std::wstring readerPort, unplugPort, pacedPort;
};

TEST_F(ComPortWineTest, OpenIdentifyAndExchange) {
    CComLink wine(readerPort);
    ASSERT_TRUE(wine.port.Open());
    ASSERT_TRUE(wine.port.IsOpen());
    ReaderIdentity identity;
    ASSERT_TRUE(Identify(wine.link, identity));
    EXPECT_EQ(identity.model, 2);
    EXPECT_EQ(identity.serial, 12345);
    EXPECT_EQ(identity.firmware, 0x01080000u);
    EXPECT_NE(identity.buildTime, 0);

    wine.port.SetParams(wine.port.BaudRate(), wine.port.StopBits(), 0);
    EXPECT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55);
    EXPECT_EQ(wine.Exchange(0x23, {0x00, 0x0A, 0x00}), 0x55);
    ASSERT_EQ(wine.Exchange(0x45, {0x00}), 0x55);
    EXPECT_EQ(wine.link.reply, (Bytes{0x04, 0x00, 0x08, 0x04, 0xA1, 0xB2, 0xC3}));
    EXPECT_EQ(wine.Exchange(0x50, {0x02, 0x06, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 0x55);
    Bytes write(17, 0xA5);
    write[0] = 6;
    EXPECT_EQ(wine.Exchange(0x52, write), 0x55);
    ASSERT_EQ(wine.Exchange(0x51, {0x06}), 0x55);
    EXPECT_EQ(wine.link.reply, Bytes(16, 0xA5));
    EXPECT_EQ(wine.port.InputCount(), 0);
    // Wine's driver lets a read wait for the first byte: no fall-back to the comm event.
    EXPECT_TRUE(wine.port.ReadWaits());

    // The link moves to 115200 baud; the reader (checking the line speed) answers only there.
    ASSERT_TRUE(wine.port.IsBaudSupported(115200));
    ASSERT_TRUE(wine.SwitchLineSpeed(115200));
    EXPECT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55);
    EXPECT_EQ(wine.Exchange(0x2F, {0x00, 0x80}), 0x55);  // link end: back to 9600
    wine.port.SetParams(9600, wine.port.StopBits(), wine.port.EventChar());
    wine.port.Close();
    EXPECT_FALSE(wine.port.IsOpen());
}

TEST_F(ComPortWineTest, LongWriteGoesOutInChunksAndTheLinkStaysUsable) {
    CComLink wine(readerPort);
    wine.port.SetParams(9600, kReaderLink.stopBits, 0);
    ASSERT_TRUE(wine.port.Open());
    const Bytes noise(3000, 0x00);  // the reader ignores bytes between frames
    wine.link.SendRaw(noise.data(), noise.size(), kReaderLink.replyTimeout);
    EXPECT_FALSE(wine.port.WritePending());
    EXPECT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55);
    wine.port.Purge(true, true);
    EXPECT_TRUE(wine.port.Input().empty());
    EXPECT_EQ(wine.port.InputCount(), 0);
}

// Waits on one of the port's events as the owner would, without completing anything.
bool Signalled(const CEvent& event) {
    return WaitForSingleObject(event.Get(), 5000) == WAIT_OBJECT_0;
}

TEST_F(ComPortWineTest, AReplyWakesTheWaitingReadAndAPurgeDropsOnlyOldBytes) {
    CComLink wine(readerPort, 0);
    ASSERT_TRUE(wine.port.Open());
    Bytes request;
    const uint8_t keepAlive[] = {0x01, 0x80};

    // With nothing received, Read leaves a read waiting; the reply completes it through the
    // read event alone.
    EXPECT_FALSE(wine.port.Read());
    ASSERT_TRUE(wine.port.ReadPending());
    BuildFrame(request, 0x31, 0x2F, keepAlive, sizeof keepAlive);
    wine.port.Write(request.data(), request.size());
    ASSERT_TRUE(Signalled(wine.link.events[3])) << "the reply did not complete the waiting read";
    wine.port.OnReadDone();
    EXPECT_FALSE(wine.port.Input().empty());

    // A reply already taken in by the waiting read is stale once purged: it never reaches input.
    wine.port.ClearInput();
    EXPECT_FALSE(wine.port.Read());
    wine.port.Write(request.data(), request.size());
    ASSERT_TRUE(Signalled(wine.link.events[3]));
    wine.port.Purge(true, true);
    EXPECT_FALSE(wine.port.Read());
    EXPECT_TRUE(wine.port.Input().empty());

    // A read cancelled by a purge while still waiting is no lost device, and the next
    // exchange gets its whole reply.
    EXPECT_FALSE(wine.port.Read());
    wine.port.Purge(true, true);
    EXPECT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55);
    EXPECT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55);
    EXPECT_TRUE(wine.port.Input().empty());

    // An owner that fetches a reply on its own timer leaves no read waiting: Read only drains
    // what the driver holds, and the reply still arrives.
    wine.port.SetAwaitInput(false);
    wine.port.Purge(true, true);
    for (int i = 0; i < 500 && wine.port.ReadPending(); ++i) {
        wine.port.Read();
        Sleep(10);
    }
    ASSERT_FALSE(wine.port.ReadPending());
    wine.port.Write(request.data(), request.size());
    for (int i = 0; i < 500 && (wine.port.Input().empty() || wine.port.ReadPending()); ++i) {
        wine.port.OnWriteDone();
        wine.port.Read();  // a read of bytes already queued may still report back later
        Sleep(10);
    }
    EXPECT_FALSE(wine.port.Input().empty());
    wine.port.Read();
    EXPECT_FALSE(wine.port.ReadPending()) << "a read was left waiting with nothing queued";
}

TEST_F(ComPortWineTest, AReplyArrivingByteByByteWakesTheOwnerOnceItsLengthIsInAndOnceWhole) {
    if (pacedPort.empty())
        GTEST_SKIP() << "no paced reader";
    CComLink wine(pacedPort, 0);
    ASSERT_TRUE(wine.port.Open());
    ASSERT_EQ(wine.Exchange(0x23, {0x00, 0x0A, 0x00}), 0x55);
    EXPECT_FALSE(wine.port.ReadPending()) << "a whole reply leaves no read waiting";
    Bytes request;
    const uint8_t detect[] = {0x00};
    BuildFrame(request, 0x40, 0x45, detect, sizeof detect);
    wine.port.Write(request.data(), request.size());
    // Its 14 bytes take 16 ms at 9600 baud: a read waiting for one byte at a time woke 14 times.
    int wakes = 0;
    while (!wine.port.ScanInputForFrame(0x40) && wakes < 20) {
        wine.port.ExpectBytes(FrameBytesMissing(wine.port.Input()));
        if (wine.port.Read())
            continue;
        ASSERT_TRUE(Signalled(wine.link.events[3])) << "the reply did not complete the waiting read";
        wine.port.OnReadDone();
        ++wakes;
    }
    EXPECT_EQ(wine.port.Input().size(), 14u);
    EXPECT_LE(wakes, 4);
    EXPECT_FALSE(wine.port.ReadPending());
}

TEST_F(ComPortWineTest, MissingPortThrowsNotExists) {
    CComLink wine(L"COM42");
    try {
        wine.port.Open();
        FAIL() << "no exception";
    } catch (const CRdPortException& error) {
        EXPECT_EQ(error.code, 2);
        EXPECT_STREQ(error.what(), "Port COM42 not exists.");
    }
    EXPECT_FALSE(wine.port.IsOpen());
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST_F(ComPortWineTest, PortHeldElsewhereReportsBusy) {
    const std::wstring busyPort = EnvironmentText("QC_BUSY_PORT");
    if (busyPort.empty())
        GTEST_SKIP() << "no busy port";
    CComLink wine(busyPort);
    EXPECT_FALSE(wine.port.Open());
    EXPECT_FALSE(wine.port.IsOpen());
}

TEST_F(ComPortWineTest, SecondOpenReportsBusy) {
    // Wine lets a process open a serial device twice; Windows refuses the second open.
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine does not keep serial ports exclusive";
    CComLink first(readerPort);
    CComLink second(readerPort);
    ASSERT_TRUE(first.port.Open());
    EXPECT_FALSE(second.port.Open());
    EXPECT_FALSE(second.port.IsOpen());
    first.port.Close();
    EXPECT_TRUE(second.port.Open());
}

TEST_F(ComPortWineTest, UnplugMidExchangeLosesCommunication) {
    if (unplugPort.empty())
        GTEST_SKIP() << "no vanishing reader";
    CComLink wine(unplugPort);
    ASSERT_TRUE(wine.port.Open());
    ReaderIdentity identity;
    ASSERT_TRUE(Identify(wine.link, identity));
    wine.port.SetParams(wine.port.BaudRate(), wine.port.StopBits(), 0);
    EXPECT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55);
    const auto start = std::chrono::steady_clock::now();
    try {
        wine.Exchange(0x2F, {0x01, 0x80});  // the reader vanishes on this one
        FAIL() << "no exception";
    } catch (const CRdPortException& error) {
        EXPECT_EQ(error.code, 5);
        EXPECT_EQ(std::string(error.what()), "Lost communication through the port " +
                                                 std::string(unplugPort.begin(), unplugPort.end()) + ".");
    }
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("secondsUntilLost", std::to_string(seconds));
}

// Counts the waits that ran out although the driver already held received bytes: a wait that
// nothing woke for the reply that had come.
class CMissedReplyClock : public CWin32WaitClock {
public:
    int WaitAny(const EventHandle* events, size_t count, uint32_t timeoutMs) override {
        const int fired = CWin32WaitClock::WaitAny(events, count, timeoutMs);
        if (fired == kWaitTimedOut && port != nullptr &&
            port->InputCount() > static_cast<int>(port->Input().size()))
            ++missed;
        return fired;
    }
    CRdPort* port = nullptr;
    int missed = 0;
};

// Threads that keep every core busy while they live, so that the test's own thread is often
// preempted in the middle of a system call.
class CBusyThreads {
public:
    explicit CBusyThreads(unsigned count) {
        for (unsigned i = 0; i < count; ++i)
            threads_.emplace_back([this] {
                while (!stop_) {
                }
            });
    }
    ~CBusyThreads() {
        stop_ = true;
        for (std::thread& thread : threads_) thread.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// Wine can lose a comm wait that ends while WaitCommEvent is still returning (a preempted
// caller makes it likely): the wait then reads as pending for ever, its one signal spent. A
// port that took that signal for a stray one never saw received bytes again and found every
// reply only when the reply time-out ran out.
TEST_F(ComPortWineTest, ArrivingRepliesAlwaysEndTheWaitUnderLoad) {
    CMissedReplyClock clock;
    CComLink wine(readerPort, 0, kReaderLink, &clock);
    clock.port = &wine.port;
    ASSERT_TRUE(wine.port.Open());
    const CBusyThreads load(std::thread::hardware_concurrency() + 1);
    int exchanges = 0;
    for (; exchanges < 2000 && clock.missed == 0; ++exchanges)
        ASSERT_EQ(wine.Exchange(0x2F, {0x01, 0x80}), 0x55) << "exchange " << exchanges;
    EXPECT_EQ(clock.missed, 0) << "a reply came but its wait ran out, after " << exchanges << " exchanges";
    EXPECT_TRUE(wine.port.ReadWaits());  // the driver waited for the first byte every time
}

}  // namespace
