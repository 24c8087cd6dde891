// The words for what a reader reports: its status bytes and the log events of the session.
#include "ui/reader_event_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/catalogue_language.h"

namespace {

// The texts of some codes in the catalogue's language; codes without a text have none in any.
void ExpectStatusTexts(std::initializer_list<std::pair<int, std::wstring>> rows) {
    for (const auto& [status, text] : rows) EXPECT_EQ(StatusText(status), text) << status;
    for (int status : {0, 10, 11, 12, 14, 15, 17, 0x55, 255}) EXPECT_EQ(StatusText(status), L"") << status;
}

TEST(ReaderEventTextTest, StatusTextsOfTheReaderInRussian) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    ExpectStatusTexts({{1, L"Ошибка FCS"},
                       {5, L"Аппаратная авария при исполнени"},
                       {9, L"Карта отказала в исполнении команды"},
                       {16, L"Предыдущая команда не завершена"}});
    UseCatalogueLanguage(TestLanguage::English);
}

TEST(ReaderEventTextTest, StatusTextsOfTheReaderInEnglish) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    ExpectStatusTexts({{1, L"Checksum error"},
                       {7, L"The card gave an unrecognised answer"},
                       {16, L"Previous command not finished"}});
}

TEST(ReaderEventTextTest, EventsInEnglish) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    using K = ReaderEventKind;
    ReaderEvent folded = ReaderEvent::OfCommand(K::kNoReply, 0x51);
    folded.repeats = 4;
    const std::pair<ReaderEvent, std::wstring> rows[] = {
        {ReaderEvent::Of(K::kNoCard), L"No card."},
        {ReaderEvent::Of(K::kTrailerRefused), L"Writing to the block print is not allowed."},
        {ReaderEvent::Of(K::kAuthError), L"MIFARE sector authorization error."},
        {ReaderEvent::Of(K::kMismatch), L"Values do not match"},
        {ReaderEvent::WithStatus(K::kWriteError, 1), L"Write error 0x01: Checksum error"},
        {ReaderEvent::WithStatus(K::kReadError, 0x0E), L"Read error 0x0E: "},
        {ReaderEvent::OfCommand(K::kCommandFailed, 0x46, 0x10),
         L"Command 0x46 failed with status 0x10: Previous command not finished"},
        {ReaderEvent::OfCommand(K::kBadReply, 0x50), L"Command 0x50: invalid reply from the reader."},
        {ReaderEvent::Failure("COM7: lost"), L"COM7: lost"},
        {folded, L"Repeated 4 more times: Command 0x51: no reply from the reader."},
    };
    for (const auto& [event, text] : rows) EXPECT_EQ(ReaderEventText(event), text);
}

}  // namespace
