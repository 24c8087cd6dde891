#include <gtest/gtest.h>

#include <string>

#include "tests/support/catalogue_language.h"
#include "ui/log_trim.h"
#include "ui/page_texts.h"
#include "ui/reader_tab_label.h"
#include "ui/station_table.h"

namespace {

CardInfo Card(int32_t type, std::initializer_list<uint8_t> uid, uint8_t level = kNoSecurityLevel,
              uint8_t subtype = kSubtypeNone) {
    CardInfo card;
    card.type = type;
    card.uidLength = static_cast<uint8_t>(uid.size());
    std::copy(uid.begin(), uid.end(), card.uid.begin());
    card.securityLevel = level;
    card.subtype = subtype;
    return card;
}

TEST(CardLine, Texts) {
    struct Case {
        const char* what;
        CardInfo card;
        std::wstring line;
    };
    CardInfo typedWithoutUid = Card(kCardClassic1K, {});
    const Case cases[] = {
        {"no card", CardInfo{}, L""},
        {"a type but no UID", typedWithoutUid, L""},
        {"classic 1K, last stored byte first", Card(kCardClassic1K, {0xC3, 0xB2, 0xA1, 0x04}),
         L"Mifare Classic 1K 04A1B2C3"},
        {"plus with subtype and level", Card(kCardPlus4K, {0xC3, 0xB2, 0xA1, 0x04}, 3, kSubtypeX),
         L"Mifare Plus 4K 04A1B2C3 X SL3"},
        {"level 0 is shown", Card(kCardPlus2K, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}, 0),
         L"Mifare Plus 2K 07060504030201 SL0"},
        {"subtype alone",
         Card(kCardDesfire, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}, kNoSecurityLevel, kSubtypeEV1),
         L"Mifare DESFire 77665544332211 EV1"},
        {"level read as a signed byte", Card(kCardPlus, {0xAA, 0xBB, 0xCC, 0xDD}, 0x80),
         L"Mifare Plus DDCCBBAA SL-128"},
        {"unknown type code shows no name", Card(99, {0x01, 0x02, 0x03, 0x04}), L" 04030201"},
    };
    for (const Case& c : cases) EXPECT_EQ(CardLineText(c.card), c.line) << c.what;
}

TEST(CardLine, OverlongUidLengthReadsOnlyTheRecord) {
    CardInfo card = Card(kCardClassic4K, {});
    card.uid.fill(0xAB);
    card.uidLength = 200;
    std::wstring digits;
    for (size_t i = 0; i < kMaxUidLength; ++i) digits += L"AB";
    EXPECT_EQ(CardLineText(card), L"Mifare Classic 4K " + digits);
}

TEST(PortItemsEnglish, Texts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    struct Case {
        const char* what;
        PortEntry port;
        std::wstring item;
    };
    const Case cases[] = {
        {"plain port", {L"COM1"}, L"COM1   "},
        {"reader with everything", {L"COM3", 2, 12345, 0x01020000}, L"COM3   Tern USB CL s/n: 12345 fw: 1.2"},
        {"serial without firmware", {L"COM10", 9, 7}, L"COM10   Tern CP s/n: 7"},
        {"adapter model only", {L"COM4", 11}, L"COM4   Tern Panel VI NFC"},
        {"negative serial other than none", {L"COM5", 0, -5}, L"COM5    s/n: -5"},
        {"model outside the table", {L"COM6", 40}, L"COM6   "},
    };
    for (const Case& c : cases) EXPECT_EQ(PortItemText(c.port), c.item) << c.what;
}

TEST(PortItemsRussian, Texts) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    EXPECT_EQ(PortItemText({L"COM3", 2, 12345, 0x01020000}), L"COM3   Tern USB CL с/н: 12345 прошивка: 1.2");
}

TEST(ReaderTabsEnglish, LabelsShowTheStateByShape) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    struct Case {
        std::wstring port;
        size_t number;
        ReaderTabState state;
        bool trouble;
        std::wstring label;
    };
    const Case cases[] = {
        {L"COM7", 1, ReaderTabState::NotConnected, false, L"\u25CB COM7"},
        {L"COM8", 2, ReaderTabState::Connected, false, L"\u25CF COM8"},
        {L"COM9", 3, ReaderTabState::Testing, true, L"\u25BA COM9 !"},
        {L"", 4, ReaderTabState::NotConnected, true, L"\u25CB Reader 4 !"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReaderTabLabel(c.port, c.number, c.state, c.trouble), c.label) << c.number;
}

TEST(StationReportEnglish, TableOfEveryReaderThenTheirReports) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    StationRow testing{L"COM7", L"Tern USB CL s/n: 5", L"Mifare Classic 1K C3B2A104", L"Testing", 1200, 3,
                       {true, 61000, 12.5}};
    StationRow idle;
    idle.port = L"COM10";
    idle.state = L"Disconnected";
    EXPECT_EQ(StationReportText({testing, idle}, {L"first report\r\n"}),
              L"Quill Check station report\r\n\r\n"
              L"Port   Reader              Card                        State         Written  Errors  Rate    Elapsed\r\n"
              L"COM7   Tern USB CL s/n: 5  Mifare Classic 1K C3B2A104  Testing       1200     3       12.5/s  0:01:01\r\n"
              L"COM10                                                  Disconnected  0        0\r\n"
              L"\r\nfirst report\r\n");
}

// Russian titles are longer than most cells: the columns widen to them, counted in characters.
TEST(StationReportRussian, ColumnsWidenToTheLongerTitles) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    StationRow connected{L"COM7", L"Tern USB CL s/n: 5", L"Mifare Classic 1K C3B2A104", L"Подключен", 1200, 3,
                         {true, 61000, 12.5}};
    StationRow idle;
    idle.port = L"COM10";
    idle.state = L"Отключен";
    EXPECT_EQ(StationReportText({connected, idle}, {}),
              L"Отчёт стенда Квилл Чек\r\n\r\n"
              L"Порт   Считыватель         Карта                       Состояние  Записано  Ошибок  Скорость  Длительность\r\n"
              L"COM7   Tern USB CL s/n: 5  Mifare Classic 1K C3B2A104  Подключен  1200      3       12.5/с    0:01:01\r\n"
              L"COM10                                                  Отключен   0         0\r\n");
}

TEST(LogTrim, CutsWholeOldLinesOnlyWhenTheBoundIsPassed) {
    const std::wstring line = L"Write error 0x01\r\n";  // 18 units
    std::wstring text;
    for (int i = 0; i < 10; ++i) text += line;  // 180 units
    struct Case {
        const char* what;
        size_t incoming, limit, keep, cut;
    };
    const Case cases[] = {
        {"fits exactly", 20, 200, 100, 0},
        {"passes the bound: down to keep, at a line end", 21, 200, 100, 108},
        {"keep on a line boundary", 18, 197, 18, 180},
        {"more incoming than keep drops everything", 150, 200, 100, 180},
    };
    for (const Case& c : cases) {
        const size_t cut = LogTrimLength(text, c.incoming, c.limit, c.keep);
        EXPECT_EQ(cut, c.cut) << c.what;
        if (cut < text.size()) {
            EXPECT_TRUE(cut == 0 || text[cut - 1] == L'\n') << c.what;
            if (cut > 0) {
                EXPECT_LE(text.size() - cut + c.incoming, c.keep) << c.what;
            }
        }
    }
}

TEST(LogTrim, TextWithoutLineEndsIsDroppedWhole) {
    const std::wstring text(300, L'x');
    EXPECT_EQ(LogTrimLength(text, 10, 200, 100), 300u);
}

}  // namespace
