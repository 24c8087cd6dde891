// The connection thread end to end under Wine: a real worker thread and serial port against the
// emulated reader on a pseudo-terminal (started by connect_wine_test.sh, which names the mapped
// port in QC_EMU_PORT): a model 2 reader with firmware 1.8.0 and a MIFARE Classic 1K card.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "foundation/handle_win32.h"
#include "reader/connect_platform_win32.h"
#include "reader/connect_thread.h"
#include "reader/exchange.h"
#include "reader/rd_com_port_win32.h"
#include "reader/wait_clock_win32.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::wstring EmulatorPort() {
    const char* value = std::getenv("QC_EMU_PORT");
    return value == nullptr ? std::wstring() : std::wstring(value, value + std::strlen(value));
}

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

// Reads a block of the card straight through the reader protocol at 9600 baud.
Bytes ReadCardBlock(const std::wstring& name, uint8_t block) {
    std::array<CHandle, 4> events;
    CWin32WaitClock clock;
    CRdComPort port;
    CRdExchange link(clock, kReaderLink);
    for (size_t i = 0; i < events.size(); ++i) {
        events[i].Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        link.events[i] = events[i].Get();
    }
    link.eventCount = events.size();
    link.port = &port;
    link.running = true;
    port.name = name;
    port.SetEvents(events[1].Get(), events[2].Get(), events[3].Get());
    port.SetParams(9600, kReaderLink.stopBits, 0);
    if (!port.Open())
        return {};
    const auto exchange = [&](uint8_t command, const Bytes& payload) {
        return link.Exchange(command, payload.data(), payload.size(), link.reply);
    };
    if (exchange(0x2F, {0x01, 0x80}) != 0x55 || exchange(0x23, {0x00, 0x0A, 0x00}) != 0x55 ||
        exchange(0x45, {0x00}) != 0x55)
        return {};
    Bytes select{0x81};
    select.insert(select.end(), link.reply.begin() + 3, link.reply.end());
    if (exchange(0x46, select) != 0x55 ||
        exchange(0x50, {0x02, block, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) != 0x55 ||
        exchange(0x51, {block}) != 0x55)
        return {};
    Bytes data = link.reply;
    exchange(0x2F, {0x00, 0x80});
    return data;
}

TEST(ConnectWineTest, ConnectsIdentifiesAndRunsBlockTestCycles) {
    const std::wstring name = EmulatorPort();
    if (name.empty())
        GTEST_SKIP() << "QC_EMU_PORT names no emulated reader";
    constexpr int kCycles = 200;
    constexpr uint8_t kBlock = 4;
    {
        CConnectThread thread(Win32ConnectPlatform());
        thread.Start(name);
        ASSERT_TRUE(WaitFor([&] { return thread.ReadState() == kConnected; }, 20000));
        const ReaderIdentity identity = thread.ReadIdentity();
        EXPECT_EQ(identity.model, 2);
        EXPECT_EQ(identity.firmware, 0x01080000u);
        ASSERT_TRUE(WaitFor([&] { return thread.ReadCard().type == kCardClassic1K; }, 5000));

        thread.StartTest(TestParameters{kBlock, kClassicTransportKey, false, false});
        ConnectStatus progress;
        const bool done = WaitFor(
            [&] {
                ConnectStatus now = thread.ReadStatus();
                progress.log.insert(progress.log.end(), now.log.begin(), now.log.end());
                progress.written = now.written;
                progress.errors = now.errors;
                progress.state = now.state;
                return now.written >= kCycles;
            },
            30000);
        if (!done) {
            std::string lines;
            for (const std::wstring& line : progress.log)
                lines += std::string(line.begin(), line.end()) + "; ";
            FAIL() << "written " << progress.written << ", errors " << progress.errors << ", state "
                   << progress.state << ", log: " << lines;
        }
        thread.StopTest();
        Sleep(300);  // lets the cycle under way finish: a cycle takes a few milliseconds
        thread.Stop();
        const ConnectStatus status = thread.ReadStatus();
        EXPECT_EQ(status.errors, 0);
        EXPECT_TRUE(status.log.empty() && progress.log.empty());
        EXPECT_EQ(status.state, kDisconnected);
        // The card's block started at zero: one counted write per increment.
        EXPECT_EQ(thread.CurrentCounter().low, static_cast<uint64_t>(status.written));
        const std::array<uint8_t, 16> expected = thread.CurrentCounter().ToBytes();
        const Bytes onCard = ReadCardBlock(name, kBlock);
        ASSERT_EQ(onCard.size(), 16u);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), onCard.begin()));
    }
}

}  // namespace
