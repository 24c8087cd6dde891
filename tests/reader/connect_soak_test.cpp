// A long run of the block test against the reader emulator in simulated time, with random
// faults on the line, card removal and return, and unplug and replug of the adapter.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/reader/session_driver.h"
#include "reader/frame.h"
#include "testing/emulator/emu_port.h"
#include "testing/emulator/reader_emulator.h"
#include "testing/emulator/sim_clock.h"

namespace {

// The emulator behind ports that can be unplugged and plugged in again as a whole.
class CSoakPlatform : public IPlatform {
public:
    class CSoakPort : public CEmuPort {
    public:
        CSoakPort(CSoakPlatform& platform, const std::wstring& name)
            : CEmuPort(platform.reader, platform.clock, name), platform_(platform) {}
        bool Open() override {
            if (platform_.unplugged)
                throw CRdPortException(CRdPortException::kNotExists, Name());
            return CEmuPort::Open();
        }
        // Writes going out and their confirmations coming in are noted, so the test knows the
        // last value the program was told it wrote.
        void Write(const uint8_t* data, size_t size) override {
            ThrowIfUnplugged();
            if (size == 23 && data[3] == 0x52)
                platform_.sentWrites[data[1]].assign(data + 5, data + 21);
            if (size == 23 && data[3] == 0x52)
                platform_.lastSent = platform_.sentWrites[data[1]];
            if (size == 23 && data[3] == 0x52 && !platform_.reader.Card())
                ++platform_.writesWithoutCard;
            CEmuPort::Write(data, size);
        }
        bool Read() override {
            ThrowIfUnplugged();
            const bool arrived = CEmuPort::Read();
            const std::vector<uint8_t>& input = Input();
            for (size_t i = 0; i + 7 <= input.size(); ++i) {
                const size_t length = input[i + 2];
                if (input[i] != 0x02 || length != 7 || i + length > input.size() || input[i + 3] != 0x52 ||
                    input[i + 4] != 0x55)
                    continue;
                const uint16_t sum = FrameChecksum(&input[i], 5);
                if (input[i + 5] == (sum & 0xFF) && input[i + 6] == (sum >> 8))
                    platform_.lastConfirmed = platform_.sentWrites[input[i + 1]];
            }
            return arrived;
        }

    private:
        void ThrowIfUnplugged() {
            if (platform_.unplugged)
                throw CRdPortException(CRdPortException::kLostCommunication, Name());
        }
        CSoakPlatform& platform_;
    };

    IWaitClock& Clock() override { return clock; }
    CEvent NewEvent() override { return clock.NewEvent(); }
    std::unique_ptr<CRdPort> NewPort(const std::wstring& name) override {
        return std::make_unique<CSoakPort>(*this, name);
    }

    CSimClock clock{0xFFFF0000u};  // the tick counter wraps during the run
    CReaderEmulator reader;
    bool unplugged = false;
    std::vector<uint8_t> sentWrites[256];  // block value of the write with that sequence number
    std::vector<uint8_t> lastSent;
    std::vector<uint8_t> lastConfirmed;
    int64_t writesWithoutCard = 0;
};

uint8_t kBlock = 6;

class ConnectSoakTest : public ::testing::Test {
protected:
    ConnectSoakTest() : thread(platform) {
        platform.reader.PutCard(EmuCard::Classic(ClassicKind::K1, {0x04, 0xA1, 0xB2, 0xC3}));
        thread.onStateChanged = [this] {
            if (thread.shared.ReadState() == kConnected)
                connectedAt.push_back(platform.clock.Elapsed());
        };
    }

    // Counts the write commands the emulator received (each sequence number once) and checks
    // that the card's block holds the program's counter, or the value before it while the
    // write of the current cycle has not reached the card.
    void Check() {
        CReaderEmulator& reader = platform.reader;
        for (const EmuCommand& command : reader.commands) {
            if (command.command != 0x52)
                continue;
            if (command.seq == lastWriteSeq && command.payload == lastWritePayload)
                continue;  // a resend
            lastWriteSeq = command.seq;
            lastWritePayload = command.payload;
            ++emulatorWrites;
        }
        reader.commands.clear();
        // The card holds the last value confirmed to the program, or a newer one whose
        // confirmation is still on its way or was lost.
        const EmuCard* card = cardOut ? &savedCard : reader.Card();
        const std::vector<uint8_t> onCard(card->blocks[kBlock].begin(), card->blocks[kBlock].end());
        if (!platform.lastConfirmed.empty() && onCard != platform.lastConfirmed &&
            onCard != platform.lastSent)
            ++blockMismatches;
    }

    // A reader that lost power starts again at 9600 baud: the link end does the same to it.
    void PowerUp() {
        std::vector<uint8_t> frame;
        const uint8_t linkEnd[] = {0x00, 0x80};
        BuildFrame(frame, 0, 0x2F, linkEnd, sizeof linkEnd);
        platform.reader.Receive(platform.clock.Now(), frame.data(), frame.size());
        platform.reader.commands.clear();
    }

    void InjectFault(std::mt19937& random) {
        CReaderEmulator& reader = platform.reader;
        switch (random() % 9) {
            case 0: reader.faults.dropReplies = 1; break;
            case 1: reader.faults.corruptChecksums = 1; break;
            case 2: reader.faults.wrongSequence = 1; break;
            case 3: reader.faults.staleFrameBefore = 1; break;
            case 4: reader.faults.garbageBefore = 1; break;
            case 5: reader.faults.splitReplies = 1; break;
            case 6: reader.faults.dropReplies = 2; break;  // both attempts: a time-out
            case 7:
                if (!cardOut && !platform.unplugged) {
                    const ReaderSnapshot status = thread.shared.Read();
                    countedBeforeChanges += status.written + status.errors;
                    savedCard = *reader.Card();
                    reader.RemoveCard();
                    cardOut = true;
                    platform.clock.After(700, [this] {
                        const ReaderSnapshot status = thread.shared.Read();
                        countedBeforeChanges += status.written + status.errors;  // the removal reset them
                        platform.reader.PutCard(savedCard);
                        cardOut = false;
                    });
                }
                break;
            case 8:
                if (!platform.unplugged && ++unplugs % 8 == 0) {
                    platform.unplugged = true;
                    platform.clock.After(3000, [this] {
                        platform.unplugged = false;
                        PowerUp();
                        replugAt.push_back(platform.clock.Elapsed());
                        quietUntil = platform.clock.Elapsed() + 12000;
                    });
                }
                break;
        }
        ++faults;
    }

    CSoakPlatform platform;
    CSessionDriver thread;
    std::vector<uint64_t> connectedAt;
    std::vector<uint64_t> replugAt;
    uint64_t quietUntil = 0;
    EmuCard savedCard;
    bool cardOut = false;
    int unplugs = 0;
    int faults = 0;
    int blockMismatches = 0;
    int64_t emulatorWrites = 0;
    int64_t countedBeforeChanges = 0;
    uint8_t lastWriteSeq = 0;
    std::vector<uint8_t> lastWritePayload;
};

TEST_F(ConnectSoakTest, HundredThousandCyclesWithFaults) {
    constexpr int64_t kCycles = 100000;
    std::mt19937 random(20261208);
    int64_t nextFaultAt = 0;
    std::function<void()> tick = [&] {
        Check();
        if (emulatorWrites >= kCycles) {
            thread.RequestStop();
            return;
        }
        // A fault every 20 to 120 cycles, none while a replugged reader reconnects.
        if (platform.clock.Elapsed() >= quietUntil && emulatorWrites >= nextFaultAt) {
            InjectFault(random);
            nextFaultAt = emulatorWrites + 20 + random() % 100;
        }
        platform.clock.After(50 + random() % 100, tick);
    };
    platform.clock.After(1000, [&] {
        thread.StartTest(TestParameters{kBlock, kClassicTransportKey, false, false});
    });
    platform.clock.After(1100, tick);
    thread.Run(L"COM7");  // returns only when stopped: no hang, nothing escaped

    Check();
    const ReaderSnapshot status = thread.shared.Read();
    const int64_t counted = countedBeforeChanges + status.written + status.errors;
    EXPECT_GE(emulatorWrites, kCycles);
    EXPECT_EQ(blockMismatches, 0);
    // Every counted cycle wrote once; an uncounted one met a fault or found no card.
    EXPECT_LE(counted, emulatorWrites);
    EXPECT_LE(emulatorWrites - counted, faults + platform.writesWithoutCard);
    EXPECT_GT(faults, 500);
    // Every replug led back to Connected within the reconnect period and one identification.
    ASSERT_GT(replugAt.size(), 5u);
    for (uint64_t replug : replugAt) {
        const auto next = std::lower_bound(connectedAt.begin(), connectedAt.end(), replug);
        ASSERT_NE(next, connectedAt.end());
        EXPECT_LE(*next - replug, 11000u);
    }
    std::printf("soak: %lld writes, %lld counted, %d faults, %zu replugs, %.0f s simulated\n",
                static_cast<long long>(emulatorWrites), static_cast<long long>(counted), faults,
                replugAt.size(), platform.clock.Elapsed() / 1000.0);
}

}  // namespace
