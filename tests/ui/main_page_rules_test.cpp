#include <gtest/gtest.h>

#include "foundation/classic_card.h"
#include "tests/support/catalogue_language.h"
#include "ui/main_page_rules.h"

namespace {

TEST(BlockGeometry, SectorsOfA4KCard) {
    struct Case {
        int block, sector, inSector;
        bool trailer;
    };
    const Case cases[] = {
        {0, 0, 0, false},     {3, 0, 3, true},      {4, 1, 0, false},    {127, 31, 3, true},
        {128, 32, 0, false},  {142, 32, 14, false}, {143, 32, 15, true}, {144, 33, 0, false},
        {254, 39, 14, false}, {255, 39, 15, true},
    };
    for (const Case& c : cases) {
        const BlockPlace place = PlaceOfBlock(static_cast<uint8_t>(c.block));
        EXPECT_EQ(place.sector, c.sector) << c.block;
        EXPECT_EQ(place.index, c.inSector) << c.block;
        EXPECT_EQ(place.trailer, c.trailer) << c.block;
    }
    int trailers = 0;
    for (int block = 0; block < kClassicBlockCount; ++block) trailers += PlaceOfBlock(static_cast<uint8_t>(block)).trailer;
    EXPECT_EQ(trailers, 40);  // one per sector
}

TEST(BlockGeometry, ShownBlockIsAlwaysAnItemOfTheBox) {
    const struct {
        int32_t stored;
        int shown;
    } cases[] = {{0, 0}, {1, 1}, {255, 255}, {256, 1}, {260, 1}, {-1, 1}, {INT32_MIN, 1}, {INT32_MAX, 1}};
    for (const auto& c : cases) EXPECT_EQ(ShownBlock(c.stored), c.shown) << c.stored;
}

TEST(BlockItemsEnglish, Texts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    EXPECT_EQ(BlockItemText(0), L"  0 (sector:  0, block:  0)");
    EXPECT_EQ(BlockItemText(3), L"  3 (sector:  0, block:  3) trailer");
    EXPECT_EQ(BlockItemText(128), L"128 (sector: 32, block:  0)");
    EXPECT_EQ(BlockItemText(255), L"255 (sector: 39, block: 15) trailer");
    for (int block = 0; block < kClassicBlockCount; ++block) {
        const std::wstring text = BlockItemText(block);
        const bool marked = text.size() > 8 && text.substr(text.size() - 8) == L" trailer";
        EXPECT_EQ(marked, PlaceOfBlock(static_cast<uint8_t>(block)).trailer) << block;
    }
}

TEST(BlockItemsRussian, Texts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    EXPECT_EQ(BlockItemText(7),
              L"  7 (\x0441\x0435\x043A\x0442\x043E\x0440:  1, \x0431\x043B\x043E\x043A:  3) "
              L"\x043F\x0440\x0438\x0446\x0435\x043F");
}

TEST(EnablesFor, StatesOfThePage) {
    struct Case {
        const char* what;
        PageState state;
        PageEnables enables;
    };
    //                                    connect port  disc  start  stop   settings
    const Case cases[] = {
        {"disconnected, free text", {false, false, false, 0}, {true, true, false, false, false, true}},
        {"disconnected, supported reader", {false, false, true, 2}, {true, true, false, false, false, true}},
        {"worker still ending after Disconnect", {false, false, true, 2, true},
         {false, false, false, false, false, true}},
        {"disconnected, model 3", {false, false, true, 3}, {true, true, false, false, false, true}},
        {"disconnected, model 8", {false, false, true, 8}, {true, true, false, false, false, true}},
        {"disconnected, model 9", {false, false, true, 9}, {true, true, false, false, false, true}},
        {"disconnected, model 11", {false, false, true, 11}, {true, true, false, false, false, true}},
        // Connect is refused, but the box stays open so that another port can be chosen.
        {"disconnected, plain serial port", {false, false, true, 0}, {false, true, false, false, false, true}},
        {"disconnected, unsupported model 5", {false, false, true, 5}, {false, true, false, false, false, true}},
        {"disconnected, model 12", {false, false, true, 12}, {false, true, false, false, false, true}},
        {"linked", {true, false, false, 0}, {false, false, true, true, false, true}},
        {"linked, unsupported selection", {true, false, true, 5}, {false, false, true, true, false, true}},
        {"testing", {true, true, false, 0}, {false, false, true, false, true, false}},
        {"test flag after disconnect", {false, true, false, 0}, {true, true, false, false, true, false}},
        // Another reader's page holds the port: the box stays open for another one.
        {"disconnected, port of another page", {false, false, true, 2, false, true},
         {false, true, false, false, false, true}},
        {"disconnected, typed port of another page", {false, false, false, 0, false, true},
         {false, true, false, false, false, true}},
    };
    for (const Case& c : cases) EXPECT_EQ(EnablesFor(c.state), c.enables) << c.what;
}

TEST(ParseKeyText, Table) {
    struct Case {
        const wchar_t* text;
        std::optional<uint64_t> key;
    };
    const Case cases[] = {
        {L"ffffffffffff", 0xFFFFFFFFFFFFull},
        {L"A0A1A2A3A4A5", 0xA0A1A2A3A4A5ull},
        {L"000000000001", 1},  // a stored key shown with its leading zeros stays valid
        {L"000000000000", 0},
        // Only a key typed in all twelve positions: partly typed or gapped keys were read as the
        // number of their leading digits (0xABCD, 0x12), a key the user never entered.
        {L"abcd________", std::nullopt},
        {L"12__5_______", std::nullopt},
        {L"12345678901_", std::nullopt},
        {L"_23456789012", std::nullopt},
        {L"____________", std::nullopt},
        {L"", std::nullopt},
        {L"1000000000000", std::nullopt},  // 13 digits
        {L"ffffffffffffffffffff", std::nullopt},
        {L"-00000000001", std::nullopt},
        {L"0x1234567890", std::nullopt},
        {L"  1234567890", std::nullopt},
        {L"12345678901g", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseKeyText(c.text), c.key) << c.text;
}

}  // namespace
