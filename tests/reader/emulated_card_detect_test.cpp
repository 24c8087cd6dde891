// Card detection against the reader emulator's cards of every family: the whole poll of a
// connect, as the reader would answer it.
#include <gtest/gtest.h>

#include <functional>

#include "tests/reader/session_driver.h"
#include "testing/emulator/emu_platform.h"
#include "testing/emulator/emu_iso_cards.h"

namespace {

const std::vector<uint8_t> kUid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};

struct EmulatedCase {
    const char* name;
    std::function<EmuCard()> card;
    bool atsUnsupported;
    int32_t type;
    int32_t size;
    uint8_t level;
    uint8_t subtype;
};

class EmulatedCardDetectTest : public ::testing::TestWithParam<EmulatedCase> {};

TEST_P(EmulatedCardDetectTest, DetectsFamilySizeLevelAndSubtype) {
    const EmulatedCase& c = GetParam();
    CEmuPlatform platform;
    platform.reader.PutCard(c.card());
    platform.reader.atsUnsupported = c.atsUnsupported;
    CSessionDriver thread(platform);
    platform.clock.After(2000, [&thread] { thread.RequestStop(); });
    thread.Run(L"COM7");
    const CardInfo card = thread.shared.ReadCard();
    EXPECT_EQ(card.type, c.type);
    EXPECT_EQ(card.size, c.size);
    EXPECT_EQ(card.securityLevel, c.level);
    EXPECT_EQ(card.subtype, c.subtype);
    EXPECT_EQ(card.uidLength, kUid.size());
    // Detected once at the connect; the polls after it leave the card alone.
    EXPECT_EQ(platform.reader.indications, (std::vector<uint8_t>{0xAE}));
}

// The page shows no card once the user disconnected; connecting again to the same card must
// bring it back with a notification, as a first connect does.
TEST(EmulatedCardDetect, CardStillOnTheReaderIsNewsToTheNextConnection) {
    CEmuPlatform platform;
    platform.reader.PutCard(PlusCard(PlusKind::X, 1, 2048, kUid));
    CSessionDriver thread(platform);
    int cardChanges = 0;
    thread.onCardChanged = [&cardChanges] { ++cardChanges; };
    for (int connection = 1; connection <= 2; ++connection) {
        SCOPED_TRACE(connection);
        platform.clock.After(2000, [&thread] { thread.RequestStop(); });
        thread.Run(L"COM7");
        EXPECT_EQ(cardChanges, connection);
        EXPECT_EQ(thread.shared.ReadCard().type, 17);
        EXPECT_EQ(platform.reader.indications, std::vector<uint8_t>(connection, 0xAE));
    }
}

constexpr uint8_t kNone = kNoSecurityLevel;

INSTANTIATE_TEST_SUITE_P(
    Families, EmulatedCardDetectTest,
    ::testing::Values(
        EmulatedCase{"Classic1K", [] { return EmuCard::Classic(ClassicKind::K1, kUid); }, false, 12, 1024,
                     kNone, 0},
        EmulatedCase{"Classic4K", [] { return EmuCard::Classic(ClassicKind::K4, kUid); }, false, 14, 4096,
                     kNone, 0},
        EmulatedCase{"PlusEV1Level3", [] { return PlusCard(PlusKind::EV1, 3, 4096, kUid); }, false, 18, 4096,
                     3, 4},
        EmulatedCase{"PlusEV2Level3", [] { return PlusCard(PlusKind::EV2, 3, 2048, kUid); }, false, 17, 2048,
                     3, 5},
        EmulatedCase{"PlusSLevel3", [] { return PlusCard(PlusKind::S, 3, 4096, kUid); }, false, 18, 4096, 3,
                     1},
        EmulatedCase{"PlusXLevel3", [] { return PlusCard(PlusKind::X, 3, 2048, kUid); }, false, 17, 2048, 3,
                     2},
        EmulatedCase{"PlusSELevel1", [] { return PlusCard(PlusKind::SE, 1, 1024, kUid); }, false, 16, 1024, 1,
                     3},
        EmulatedCase{"PlusSLevel1", [] { return PlusCard(PlusKind::S, 1, 2048, kUid); }, false, 17, 2048, 1,
                     1},
        EmulatedCase{"PlusXLevel1FourK", [] { return PlusCard(PlusKind::X, 1, 4096, kUid); }, false, 18, 4096,
                     1, 2},
        EmulatedCase{"PlusEV1Level1", [] { return PlusCard(PlusKind::EV1, 1, 2048, kUid); }, false, 17, 2048,
                     1, 4},
        EmulatedCase{"PlusLevel2", [] { return PlusCard(PlusKind::S, 2, 2048, kUid); }, false, 17, 2048, 2,
                     0},
        EmulatedCase{"PlusLevel2FourK", [] { return PlusCard(PlusKind::X, 2, 4096, kUid); }, false, 18, 4096,
                     2, 0},
        EmulatedCase{"SmartMx1K", [] { return SmartMxCard(false, kUid); }, false, 19, 1024, 1, 0},
        EmulatedCase{"SmartMx4K", [] { return SmartMxCard(true, kUid); }, false, 20, 4096, 1, 0},
        EmulatedCase{"Desfire", [] { return DesfireCard(kUid); }, false, 21, 0, kNone, 0},
        EmulatedCase{"UltraLightEV1", [] { return UltraLightCard(true, kUid); }, false, 9, 64, kNone, 0},
        EmulatedCase{"UltraLight", [] { return UltraLightCard(false, kUid); }, false, 9, 64, kNone, 0},
        EmulatedCase{"DesfireOnReaderWithoutAts", [] { return DesfireCard(kUid); }, true, 21, 0, kNone, 0},
        EmulatedCase{"PlusOnReaderWithoutAts", [] { return PlusCard(PlusKind::EV1, 3, 4096, kUid); }, true,
                     18, 4096, kNone, 0}),
    [](const ::testing::TestParamInfo<EmulatedCase>& info) { return std::string(info.param.name); });

}  // namespace
