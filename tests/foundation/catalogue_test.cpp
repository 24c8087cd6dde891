#include <gtest/gtest.h>

#include <map>

#include "foundation/catalogue.h"
#include "tests/support/catalogue_language.h"

namespace {

std::wstring Text(unsigned id) {
    std::wstring text;
    LoadResourceString(id, text);
    return text;
}

// Texts a user sees, checked against the words they must read (a second, independent copy).
const std::map<unsigned, std::wstring> kEnglish = {
    {103, L"Quill Check"},
    {104, L" s/n: %d"},
    {111, L"OK"},
    {118, L"Disconnected"},
    {119, L"Connected"},
    {120, L"Connecting..."},
    {121, L"%3u (sector: %2u, block: %2u)"},
    {122, L" trailer"},
    {124, L"Write error 0x%.2X"},
    {125, L"Read error 0x%.2X"},
    {126, L"Values do not match"},
    {127, L"Writing to the block print is not allowed."},
    {128, L"No card."},
    {602, L"%s was not found."},
};

const std::map<unsigned, std::wstring> kRussian = {
    {103, L"\x041A\x0432\x0438\x043B\x043B \x0427\x0435\x043A"},                   // Квилл Чек
    {104, L" \x0441/\x043D: %d"},                                                   //  с/н: %d
    {118, L"\x041E\x0442\x043A\x043B\x044E\x0447\x0451\x043D"},                    // Отключён
    {119, L"\x041F\x043E\x0434\x043A\x043B\x044E\x0447\x0451\x043D"},              // Подключён
    {121, L"%3u (\x0441\x0435\x043A\x0442\x043E\x0440: %2u, \x0431\x043B\x043E\x043A: %2u)"},
    {122, L" \x043F\x0440\x0438\x0446\x0435\x043F"},                               //  прицеп
    {128, L"\x041D\x0435\x0442 \x043A\x0430\x0440\x0442\x044B."},                  // Нет карты.
};

bool IsCatalogueId(unsigned id) {
    return (id >= 103 && id <= 128) || (id >= 600 && id <= 613) ||
           (id >= 700 && id <= 702) ||                            // settings read, save, not taken
           (id >= 720 && id <= 723) ||                            // the reader link's trouble log
           (id >= 731 && id <= 739) || id == 743 || id == 746 ||  // the reader's status texts
           (id >= 762 && id <= 767) || (id >= 770 && id <= 798);  // the test record
}

TEST(CatalogueEnglish, KnownTexts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    for (const auto& [id, text] : kEnglish) EXPECT_EQ(Text(id), text) << "id " << id;
}

TEST(CatalogueRussian, KnownTexts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    for (const auto& [id, text] : kRussian) EXPECT_EQ(Text(id), text) << "id " << id;
    EXPECT_EQ(Text(109), L"QUILLCHECK");
}

TEST(CatalogueRussian, EveryTextIsPresentAndTranslated) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    const std::wstring same[] = {L"QUILLCHECK", L"OK"};
    for (unsigned id = 100; id < 800; ++id) {
        std::wstring text = Text(id);
        if (!IsCatalogueId(id)) {
            EXPECT_TRUE(text.empty()) << "unexpected id " << id;
            continue;
        }
        ASSERT_FALSE(text.empty()) << "missing Russian id " << id;
        bool hasCyrillic = false;
        for (wchar_t c : text) hasCyrillic |= (c >= 0x0400 && c <= 0x04FF);
        bool allowedLatin = id == 108 || text == same[0] || text == same[1];
        EXPECT_TRUE(hasCyrillic || allowedLatin) << "untranslated id " << id;
    }
}

TEST(CatalogueEnglish, EveryIdPresentAndNoOthers) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    for (unsigned id = 0; id < 1000; ++id)
        EXPECT_EQ(!Text(id).empty(), IsCatalogueId(id)) << "id " << id;
}

TEST(CatalogueEnglish, MissingIdGivesEmptyAndZero) {
    std::wstring text = L"old";
    EXPECT_EQ(LoadResourceString(129, text), 0u);
    EXPECT_TRUE(text.empty());
    text = L"old";
    FormatResourceString(text, 129, 1);
    EXPECT_TRUE(text.empty());
    text = L"keep";
    AppendFormatResource(text, 129, 1);
    EXPECT_EQ(text, L"keep");
}

TEST(CatalogueEnglish, BlockEntryWidths) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    std::wstring text;
    FormatResourceString(text, 121, 4u, 1u, 0u);
    EXPECT_EQ(text, L"  4 (sector:  1, block:  0)");
    FormatResourceString(text, 121, 255u, 39u, 15u);
    EXPECT_EQ(text, L"255 (sector: 39, block: 15)");
}

TEST(CatalogueRussian, BlockEntryWidths) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    std::wstring text;
    FormatResourceString(text, 121, 4u, 1u, 0u);
    EXPECT_EQ(text, L"  4 (\x0441\x0435\x043A\x0442\x043E\x0440:  1, \x0431\x043B\x043E\x043A:  0)");
}

TEST(CatalogueEnglish, AppendSerialAndFirmware) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    std::wstring text;
    AppendFormatResource(text, 104, 12345);
    EXPECT_EQ(text, L" s/n: 12345");
    AppendFormatResource(text, 105, L"1.8");
    EXPECT_EQ(text, L" s/n: 12345 fw: 1.8");
    FormatResourceString(text, 124, 0x0C);
    EXPECT_EQ(text, L"Write error 0x0C");
}

TEST(CatalogueEnglish, CatalogueObjectServesTheSameTexts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    EXPECT_EQ(ProgramCatalogue().Text(128), L"No card.");
    EXPECT_EQ(ProgramCatalogue().Text(5), L"");
}

}  // namespace
