#include "reader/exchange.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <utility>

#include "foundation/errors.h"
#include "reader/baud_flags.h"
#include "reader/frame.h"
#include "testing/emulator/emu_link.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kLinkStart[] = {0x01, 0x80};
const uint8_t kReset[] = {0x00, 0x0A, 0x00};

int ErrorCodeOf(CEmuLink& emu, uint8_t command = 0x2F) {
    try {
        emu.link.Exchange(command, kLinkStart, sizeof kLinkStart, emu.link.reply);
    } catch (const CMyError& error) {
        return error.code;
    }
    return -1;
}

TEST(ExchangeTest, FirstCommandCarriesSequenceOneAndTheNumberWraps) {
    CEmuLink emu;
    for (int i = 0; i < 257; ++i) {
        ASSERT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55);
    }
    ASSERT_EQ(emu.reader.commands.size(), 257u);
    EXPECT_EQ(emu.reader.commands[0].seq, 1);
    EXPECT_EQ(emu.reader.commands[254].seq, 255);
    EXPECT_EQ(emu.reader.commands[255].seq, 0);
    EXPECT_EQ(emu.reader.commands[256].seq, 1);
    EXPECT_EQ(emu.port.written[0], (Bytes{0x02, 0x01, 0x08, 0x2F, 0x01, 0x80, 0xBB, 0x00}));
    EXPECT_TRUE(emu.port.Input().empty());
}

TEST(ExchangeTest, ReplyDataAndStatusComeBack) {
    CEmuLink emu;
    emu.reader.PutCard(EmuCard::Classic(ClassicKind::K1, {0x04, 0xA1, 0xB2, 0xC3}));
    const uint8_t search[] = {0x00};
    ASSERT_EQ(emu.link.Exchange(0x45, search, 1, emu.link.reply), 0x55);
    EXPECT_EQ(emu.link.reply, (Bytes{0x04, 0x00, 0x08, 0x04, 0xA1, 0xB2, 0xC3}));
    emu.reader.RemoveCard();
    EXPECT_EQ(emu.link.Exchange(0x45, search, 1, emu.link.reply), 9);
    EXPECT_TRUE(emu.link.reply.empty());
}

// Faults the reader recovers from on the second attempt: the reply still arrives.
TEST(ExchangeTest, SingleFaultsAreOvercome) {
    struct Case {
        const char* name;
        int EmuFaults::*counter;
        size_t sends;  // frames the program had to send
    } cases[] = {
        {"checksum corrupted once", &EmuFaults::corruptChecksums, 2},
        {"reply dropped once", &EmuFaults::dropReplies, 2},
        {"wrong sequence number once", &EmuFaults::wrongSequence, 2},
        {"stale frame before the reply", &EmuFaults::staleFrameBefore, 1},
        {"garbage before the reply", &EmuFaults::garbageBefore, 1},
        {"reply split across reads", &EmuFaults::splitReplies, 1},
    };
    for (const Case& c : cases) {
        CEmuLink emu;
        size_t resent = 0;
        emu.link.onTrouble = [&resent](LinkTrouble kind) { resent += kind == LinkTrouble::kFrameResent ? 1 : 100; };
        emu.reader.faults.*c.counter = 1;
        EXPECT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55) << c.name;
        ASSERT_EQ(emu.port.written.size(), c.sends) << c.name;
        EXPECT_EQ(resent, c.sends - 1) << c.name;  // each resend told, and no failure
        // A retry repeats the very same frame, sequence number included.
        EXPECT_EQ(emu.port.written.front(), emu.port.written.back()) << c.name;
        EXPECT_TRUE(emu.port.Input().empty()) << c.name;
    }
}

TEST(ExchangeTest, TwoBadChecksumsGiveInvalidReply) {
    CEmuLink emu;
    emu.reader.faults.corruptChecksums = 2;
    EXPECT_EQ(ErrorCodeOf(emu), kErrBadReply);
    EXPECT_EQ(emu.reader.commands.size(), 2u);
    EXPECT_EQ(emu.reader.commands[0].seq, emu.reader.commands[1].seq);
    EXPECT_GE(emu.port.purgeCount, 2u);
    EXPECT_EQ(emu.link.lastError, kErrBadReply);
}

TEST(ExchangeTest, ResetReplyIsTakenDespiteItsChecksum) {
    CEmuLink emu;
    emu.reader.faults.corruptChecksums = 1;
    EXPECT_EQ(emu.link.Exchange(0x23, kReset, sizeof kReset, emu.link.reply), 0x55);
    EXPECT_EQ(emu.port.written.size(), 1u);
}

TEST(ExchangeTest, SilentReaderTimesOutAfterTwoFullWaits) {
    for (uint32_t start : {0u, 0xFFFFF000u}) {  // also across the tick counter's wrap
        CEmuLink emu(start);
        emu.reader.faults.silent = true;
        EXPECT_EQ(ErrorCodeOf(emu), kErrNoReply);
        EXPECT_EQ(emu.clock.Elapsed(), 10000u) << start;
        EXPECT_EQ(emu.port.written.size(), 2u);
        // Each attempt waits in one piece: no spinning.
        EXPECT_LE(emu.clock.waitCount, 4u);
    }
}

TEST(ExchangeTest, LateReplyWithinTheTimeOutIsTaken) {
    CEmuLink emu;
    emu.reader.faults.delayedReplies = 1;
    emu.reader.faults.delayMs = 4900;
    EXPECT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55);
    EXPECT_EQ(emu.port.written.size(), 1u);
    EXPECT_LT(emu.clock.Elapsed(), 5000u);
}

TEST(ExchangeTest, TooLateReplyIsDroppedAndTheRetryAnswered) {
    CEmuLink emu;
    emu.reader.faults.delayedReplies = 1;
    emu.reader.faults.delayMs = 5200;  // arrives during the second attempt, then purged or skipped
    EXPECT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55);
    EXPECT_EQ(emu.port.written.size(), 2u);
}

TEST(ExchangeTest, StopDuringTheReplyWaitEndsAtOnce) {
    CEmuLink emu;
    emu.reader.faults.silent = true;
    emu.StopAfter(1234);
    EXPECT_EQ(ErrorCodeOf(emu), kErrStopped);
    EXPECT_EQ(emu.clock.Elapsed(), 1234u);
}

TEST(ExchangeTest, UnfinishedWriteTimesOutOrStops) {
    CEmuLink emu;
    emu.port.writeLatencyMs = 6000;
    EXPECT_EQ(ErrorCodeOf(emu), kErrNoReply);
    EXPECT_EQ(emu.clock.Elapsed(), 5000u);

    CEmuLink stopped;
    stopped.port.writeLatencyMs = 6000;
    stopped.StopAfter(100);
    EXPECT_EQ(ErrorCodeOf(stopped), kErrStopped);
}

TEST(ExchangeTest, SlowWriteCompletesThroughItsEvent) {
    CEmuLink emu;
    emu.port.writeLatencyMs = 300;
    EXPECT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55);
    EXPECT_EQ(emu.link.waitTimeout, 0u);  // a served event asks the owner's loop to go on at once
}

TEST(ExchangeTest, UnpluggedDeviceRaisesLostCommunication) {
    CEmuLink emu;
    emu.reader.faults.unplugAfterCommands = 1;
    try {
        emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply);
        FAIL() << "no exception";
    } catch (const CRdPortException& error) {
        EXPECT_EQ(error.code, 5);
        EXPECT_STREQ(error.what(), "Lost communication through the port COM7.");
        EXPECT_TRUE(emu.port.Lost());
    }
}

TEST(ExchangeTest, PacedLineAtTheReadersSpeedStillAnswers) {
    // A driver that lets a read wait for the first byte, and one that completes it at once with
    // nothing (some USB-serial drivers): the port then waits on the comm event instead.
    for (const bool driverWaits : {true, false}) {
        CEmuLink emu;
        emu.port.pacing = true;
        emu.port.driverWaitsForFirstByte = driverWaits;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55);
        // 8 bytes out and 7 back at 11 bits per byte and 9600 baud, plus the reader's 2 ms: line
        // time, never a time-out.
        const uint64_t lineTime = 8u * 11 * 1000 / 9600 + 7u * 11 * 1000 / 9600 + 2;
        EXPECT_GE(emu.clock.Elapsed(), 3 * lineTime) << driverWaits;
        EXPECT_LE(emu.clock.Elapsed(), 3 * (lineTime + 3)) << driverWaits;
        EXPECT_EQ(emu.port.ReadWaits(), driverWaits);
    }
}

TEST(ExchangeTest, ExchangeThatGivesUpIsTold) {
    CEmuLink emu;
    std::vector<LinkTrouble> told;
    emu.link.onTrouble = [&told](LinkTrouble kind) { told.push_back(kind); };
    emu.reader.faults.silent = true;
    EXPECT_EQ(ErrorCodeOf(emu), kErrNoReply);
    EXPECT_EQ(told, (std::vector<LinkTrouble>{LinkTrouble::kFrameResent, LinkTrouble::kExchangeFailed}));
}

// A read the driver completes only after the port closed writes into memory the port must not
// have freed (the sanitizer build catches it).
TEST(ExchangeTest, ReadEndingAfterCloseWritesIntoKeptMemory) {
    CSimClock clock;
    CReaderEmulator reader;
    const CEvent comm = clock.NewEvent(), write = clock.NewEvent(), read = clock.NewEvent();
    auto port = std::make_unique<CEmuPort>(reader, clock);
    port->SetEvents(comm.Get(), write.Get(), read.Get());
    ASSERT_TRUE(port->Open());
    port->lateCancelMs = 50;
    port->Read();
    ASSERT_TRUE(port->ReadPending());
    port->Close();
    port.reset();
    clock.Advance(100);
    SUCCEED();
}

// A device reopened every 5 s whose driver ends each cancelled read 3 s late: a buffer whose read
// has ended serves the next port, so the memory kept does not grow with the reopenings.
TEST(ExchangeTest, ReadsEndingLateKeepAFewBuffersOverManyReopenings) {
    CSimClock clock;
    CReaderEmulator reader;
    const size_t before = CEmuPort::KeptBuffers();
    for (int reopening = 0; reopening < 100; ++reopening) {
        const CEvent comm = clock.NewEvent(), write = clock.NewEvent(), read = clock.NewEvent();
        CEmuPort port(reader, clock);
        port.SetEvents(comm.Get(), write.Get(), read.Get());
        ASSERT_TRUE(port.Open());
        port.lateCancelMs = 3000;
        port.Read();
        port.Close();
        clock.Advance(5000);
    }
    EXPECT_LE(CEmuPort::KeptBuffers(), before + 2);
}

TEST(ExchangeTest, ReaderSwitchesSpeedAfterItsReply) {
    CEmuLink emu;
    const uint8_t fast[] = {0x01, 0x04};
    ASSERT_EQ(emu.link.Exchange(0x2F, fast, sizeof fast, emu.link.reply), 0x55);
    EXPECT_EQ(emu.reader.Baud(), 115200u);
    // Still at 9600 the program hears nothing.
    EXPECT_EQ(ErrorCodeOf(emu), kErrNoReply);
    emu.port.SetParams(115200, 2, 0);
    EXPECT_EQ(emu.link.Exchange(0x2F, kLinkStart, sizeof kLinkStart, emu.link.reply), 0x55);
}

TEST(ExchangeTest, NoiseFloodsEndInTimeOutWithTheInputBounded) {
    struct Case {
        const char* name;
        uint8_t fill;
    } cases[] = {{"no start byte", 0xFF}, {"start bytes only", 0x02}, {"zeros", 0x00}};
    for (const Case& c : cases) {
        CEmuLink emu;
        emu.reader.faults.silent = true;
        for (uint32_t at = 0; at < 10000; at += 50)
            emu.port.InjectNoise(std::vector<uint8_t>(3000, c.fill), at);
        EXPECT_EQ(ErrorCodeOf(emu), kErrNoReply) << c.name;
        EXPECT_EQ(emu.clock.Elapsed(), 10000u) << c.name;
        EXPECT_LE(emu.clock.waitCount, 2u * 200 + 4) << c.name;  // one wait per burst, no spinning
    }
    CEmuLink emu;
    emu.reader.faults.silent = true;
    emu.port.InjectNoise(std::vector<uint8_t>(20000, 0xFF), 10);
    emu.clock.Advance(20);
    emu.port.Read();
    EXPECT_EQ(emu.port.Input().size(), CRdPort::kInputLimit);
}

TEST(SimClockTest, WaitsJumpToTheNextActionOrTheirTimeOut) {
    CSimClock clock(0xFFFFFFF0u);
    const CEvent a = clock.NewEvent();
    const CEvent b = clock.NewEvent();
    const EventHandle both[] = {a.Get(), b.Get()};
    std::vector<int> order;
    clock.After(30, [&] { order.push_back(2); });
    clock.After(10, [&] {
        order.push_back(1);
        b.Signal();
    });
    EXPECT_EQ(clock.WaitAny(both, 2, 1000), 1);
    EXPECT_EQ(clock.Elapsed(), 10u);
    EXPECT_FALSE(clock.IsSignalled(b.Get()));  // auto-reset
    EXPECT_EQ(clock.WaitAny(both, 2, 5), kWaitTimedOut);
    EXPECT_EQ(clock.Now(), 0xFFFFFFF0u + 15);
    clock.Advance(100);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(TicksSince(clock.Now(), 0xFFFFFFF0u), 115u);  // across the wrap
    EXPECT_THROW(clock.WaitAny(both, 2, kWaitForever), std::logic_error);
    int foreign = 0;
    const EventHandle stranger[] = {&foreign};
    EXPECT_THROW(clock.WaitAny(stranger, 1, 0), std::logic_error);
}

// An event closes through its maker once, whoever holds it last; a moved-from or released one
// closes nothing, and a closed simulated event is never waited on.
TEST(EventTest, ClosesOnceThroughItsMaker) {
    CSimClock clock;
    CEvent first = clock.NewEvent();
    const EventHandle handle = first.Get();
    CEvent second = std::move(first);
    EXPECT_FALSE(first);
    first.Close();  // nothing left to close
    {
        std::array<CEvent, 2> held;
        held[1] = std::move(second);
        held[1].Signal();
        EXPECT_TRUE(clock.IsSignalled(handle));
    }
    EXPECT_FALSE(clock.IsSignalled(handle));
    clock.Signal(handle);  // does nothing once closed
    EXPECT_THROW(clock.WaitAny(&handle, 1, 0), std::logic_error);
    EXPECT_THROW(clock.CloseEvent(handle), std::logic_error);  // a second close would be a fault
    CEvent released = clock.NewEvent();
    const EventHandle kept = released.Release();
    EXPECT_FALSE(released);
    clock.Signal(kept);
    EXPECT_EQ(clock.WaitAny(&kept, 1, 0), 0);  // still open: the caller closes it
    clock.CloseEvent(kept);
}

TEST(PortExceptionTest, MessagesNameThePort) {
    struct Case {
        int code;
        const char* message;
    } cases[] = {
        {0, "No error occurred."},
        {1, "An unknown error occurred while accessing COM12."},
        {2, "Port COM12 not exists."},
        {3, "Error opening port COM12."},
        {4, "COM12 port configuration error."},
        {5, "Lost communication through the port COM12."},
    };
    for (const Case& c : cases) {
        const CRdPortException error(c.code, L"COM12");
        const CRdPortException copy = error;
        EXPECT_STREQ(copy.what(), c.message);
        EXPECT_EQ(copy.code, c.code);
        EXPECT_EQ(copy.portName, "COM12");
    }
    const std::wstring longName(1000, L'X');
    EXPECT_EQ(std::string(CRdPortException(2, longName).what()).size(), 511u);
}

// COMMPROP reports line speeds as BAUD_* flags, not numbers.
TEST(BaudFlagsTest, DriverSpeedsAreDecoded) {
    struct Case {
        uint32_t maxBaud;
        uint32_t settable;
        uint32_t baud;
        bool supported;
    } cases[] = {
        {0x00040000, 0, 230400, false},          // BAUD_57600, numerically above 230400
        {0x00040000, 0, 57600, true},            // BAUD_57600
        {0x00040000, 0, 115200, false},          // BAUD_57600
        {0x00010000, 0, 115200, true},           // BAUD_128K, numerically below 115200
        {0x00020000, 0, 115200, true},           // BAUD_115200
        {0x00020000, 0, 230400, false},          // BAUD_115200
        {0x00000800, 0, 9600, true},             // BAUD_9600
        {0x00000800, 0, 19200, false},           // BAUD_9600
        {0x10000000, 0x10020800, 230400, true},  // BAUD_USER with BAUD_USER settable: any rate
        {0x10000000, 0x00020800, 115200, true},  // BAUD_USER, BAUD_115200 settable
        {0x10000000, 0x00020800, 230400, false}, // BAUD_USER, no 230400 in the list
        {230400, 0, 230400, true},               // a driver that reports the rate itself
        {230400, 0, 460800, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DriverSupportsBaud(c.maxBaud, c.settable, c.baud), c.supported)
            << std::hex << c.maxBaud << " " << c.settable << " " << std::dec << c.baud;
}

TEST(PortInputTest, InputKeepsOnlyTheNewestBytes) {
    CEmuLink emu;
    emu.reader.identity.answerOverride = std::string(3000, 'x') + "\r";
    const uint8_t query[] = {'i'};
    for (int i = 0; i < 3; ++i) {
        emu.port.Write(query, 1);
        emu.clock.Advance(10);
        emu.port.Read();
        EXPECT_LE(emu.port.Input().size(), CRdPort::kInputLimit);
    }
    EXPECT_EQ(emu.port.Input().size(), CRdPort::kInputLimit);
    EXPECT_EQ(emu.port.Input().back(), '\r');
}

}  // namespace
