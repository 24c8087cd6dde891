// The saved report's text and its default file name.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <vector>

#include "tests/support/catalogue_language.h"
#include "ui/test_report.h"

namespace {

const LocalTime kStart{2026, 12, 8, 16, 40, 5, 0};

// UTC in winter, an hour ahead from 2026-03-29 01:00 to 2026-10-25 01:00 UTC.
class CSummerTimeZone : public ITimeZone {
public:
    LocalTime ToLocal(int64_t utcMs) const override {
        const bool summer =
            utcMs >= CalendarMilliseconds({2026, 3, 29, 1}) && utcMs < CalendarMilliseconds({2026, 10, 25, 1});
        return CalendarTime(utcMs + (summer ? 3600000 : 0));
    }
} const kZone;

CTestRecord SampleRecord() {
    TestSetup setup;
    setup.port = L"COM7";
    setup.reader = {0, 811, 0x01080000, 0};
    setup.card.type = kCardClassic1K;
    setup.card.uidLength = 4;
    setup.card.uid = {0xC3, 0xB2, 0xA1, 0x04};
    setup.block = 5;
    setup.useKeyB = true;
    setup.useReaderKeys = true;
    CTestRecord record;
    record.Begin(setup, CalendarMilliseconds(kStart), 0xFFFFFF00u);
    uint32_t now = 0xFFFFFF00u;
    for (int i = 0; i < 40; ++i) record.Verified(now += 5);
    record.Line(ReaderEvent::Failure("Write error 0x09: x"), now += 1);
    record.CardError(9, now);
    record.Verified(now += 5);
    record.Line(ReaderEvent::Of(ReaderEventKind::kNoCard), now += 1000);
    record.NoCard(now);
    record.End(now + 3599);
    return record;
}

TEST(TestReportTest, EnglishReport) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    const LinkTroubleCounts trouble{1, 2, 3, 4};
    const std::wstring expected =
        L"Quill Check test report\r\n"
        L"\r\n"
        L"Started: 2026-12-08 16:40:05\r\n"
        L"Elapsed: 0:00:04 (stopped)\r\n"
        L"Port: COM7\r\n"
        L"Reader:  s/n: 811 fw: 1.8\r\n"
        L"Card: Mifare Classic 1K 04A1B2C3\r\n"
        L"Block: 5 (sector:  1, block:  1)\r\n"
        L"Key: reader keys, key B\r\n"
        L"\r\n"
        L"Verified cycles: 41\r\n"
        L"Average rate: 8.5/s\r\n"
        L"Card errors: 1\r\n"
        L"    0x09 The card refused the command: 1\r\n"
        L"Value mismatches: 0\r\n"
        L"\"No card.\" events: 1\r\n"
        L"Authentication refusals: 0\r\n"
        L"Unverified read-backs: 1\r\n"
        L"Time-outs: 2\r\n"
        L"Resent frames: 3\r\n"
        L"Reconnects: 4\r\n"
        L"Longest run without an error: 40 cycles\r\n"
        L"First error: 2026-12-08 16:40:05.201\r\n"
        L"Last error: 2026-12-08 16:40:06.206\r\n"
        L"\r\n"
        L"Over time, per minute:\r\n"
        L"From                 Verified   Rate  Card errors  Mismatches  No card  Auth. refused  Link trouble\r\n"
        L"2026-12-08 16:40:05        41  8.5/s            1           0        1              0             0\r\n"
        L"\r\n"
        L"Log:\r\n"
        L"2026-12-08 16:40:05.201  Write error 0x09: x\r\n"
        L"2026-12-08 16:40:06.206  No card.\r\n";
    EXPECT_EQ(TestReportText(SampleRecord(), trouble, kZone), expected);
}

TEST(TestReportTest, LinesLeftOutAreSaidAndNoErrorIsNone) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    CTestRecord record;
    record.Begin(PortSetup(L"COM1"), CalendarMilliseconds(kStart), 0);
    for (size_t i = 0; i < CTestRecord::kKeptLines + 3; ++i) record.Line(ReaderEvent::Failure("line"), 0);
    const std::wstring text = TestReportText(record, {}, kZone);
    EXPECT_NE(text.find(L"\r\nLog: (3 earlier lines left out)\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nFirst error: none\r\nLast error: none\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nKey: A\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"(running)"), std::wstring::npos);
    // Every line ends in CRLF, never a bare LF.
    for (size_t at = text.find(L'\n'); at != std::wstring::npos; at = text.find(L'\n', at + 1))
        ASSERT_EQ(text[at - 1], L'\r') << at;
}

TEST(TestReportTest, RussianHeader) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    const std::wstring text = TestReportText(SampleRecord(), {}, kZone);
    UseCatalogueLanguage(TestLanguage::English);
    EXPECT_EQ(text.rfind(L"Отчёт о тесте Квилл Чек\r\n", 0), 0u);
    EXPECT_NE(text.find(L"\r\nКлюч: ключи считывателя, ключ B\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nСобытий «Нет карты.»: 1\r\n"), std::wstring::npos);
}

// A test across the change to summer time: each stamp in the local time of its own moment, the
// log in its order.
TEST(TestReportTest, StampsAcrossADaylightSavingChangeAndCardsLaidOnMeanwhile) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    CTestRecord record = SampleRecord();
    record.Begin(record.setup, CalendarMilliseconds({2026, 3, 29, 0, 59, 59, 0}), 0);
    record.Line(ReaderEvent::Failure("before"), 500);
    CardInfo second = record.setup.card;
    second.uid[0] = 0x77;
    record.SeeCard(second, 1200);
    record.Line(ReaderEvent::Failure("after"), 1500);
    record.End(2000);
    const std::wstring text = TestReportText(record, {}, kZone);
    EXPECT_NE(text.find(L"\r\nStarted: 2026-03-29 00:59:59\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nCard: Mifare Classic 1K 04A1B2C3\r\n"
                        L"Card: Mifare Classic 1K 04A1B277 (from 2026-03-29 02:00:00.200)\r\n"),
              std::wstring::npos);
    EXPECT_NE(text.find(L"\r\n2026-03-29 00:59:59.500  before\r\n2026-03-29 02:00:00.500  after\r\n"),
              std::wstring::npos);
}

// The table's interval grows with the test; its rows stay in the test's order across the change
// to summer time, each start in the local time of its own moment.
TEST(TestReportTest, SeriesTableIntervalsGrowWithTheTestAndKeepTheirOrder) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    constexpr uint64_t kMinute = 60000;
    const struct {
        uint64_t lengthMs;
        const wchar_t* title;
        size_t rows;
        const wchar_t* rowsInOrder;  // consecutive rows' starts
    } cases[] = {
        {90 * kMinute, L"Over time, per minute:", 90, L"2026-03-29 00:59:00 |2026-03-29 02:00:00 "},
        {3 * 60 * kMinute, L"Over time, per 10 minutes:", 18, L"2026-03-29 00:50:00 |2026-03-29 02:00:00 "},
        {25 * 60 * kMinute, L"Over time, per hour:", 25, L"2026-03-29 00:30:00 |2026-03-29 02:30:00 "},
    };
    for (const auto& test : cases) {
        CTestRecord record;
        record.Begin(PortSetup(L"COM1"), CalendarMilliseconds({2026, 3, 29, 0, 30, 0, 0}), 0xFFFF0000u);
        for (uint64_t at = 500; at < test.lengthMs; at += 1000) record.Verified(0xFFFF0000u + static_cast<uint32_t>(at));
        record.Mismatch(0xFFFF0000u + static_cast<uint32_t>(test.lengthMs - 1));
        record.End(0xFFFF0000u + static_cast<uint32_t>(test.lengthMs));
        const std::wstring text = TestReportText(record, {}, kZone);
        const size_t table = text.find(std::wstring(L"\r\n") + test.title + L"\r\nFrom ");
        ASSERT_NE(table, std::wstring::npos) << test.title;
        const size_t end = text.find(L"\r\n\r\n", table);
        const std::wstring rows = text.substr(table, end - table);
        size_t count = 0;
        for (size_t at = rows.find(L"\r\n2026-"); at != std::wstring::npos; at = rows.find(L"\r\n2026-", at + 1)) ++count;
        EXPECT_EQ(count, test.rows) << test.title;
        std::wstring pair = test.rowsInOrder;
        const size_t bar = pair.find(L'|');
        const size_t first = rows.find(pair.substr(0, bar)), second = rows.find(pair.substr(bar + 1));
        ASSERT_NE(first, std::wstring::npos) << test.title;
        EXPECT_NE(second, std::wstring::npos) << test.title;
        EXPECT_EQ(rows.find(L"\r\n", first), second - 2) << test.title;
        // The last row holds the mismatch at the test's end.
        std::wistringstream last(rows.substr(rows.rfind(L"\r\n") + 2));
        std::vector<std::wstring> fields{std::istream_iterator<std::wstring, wchar_t>(last), {}};
        ASSERT_EQ(fields.size(), 9u);  // date, time, verified, rate and the five kinds
        EXPECT_EQ(fields[5], L"1") << test.title;
    }
}

// What a plan and a journal add to the header: the plan, the result and what was not read.
TEST(TestReportTest, PlanResultAndJournalNotes) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    CTestRecord record = SampleRecord();
    record.plan = {PlanKind::kDuration, 1, 125, 1};
    record.outcome = PlanOutcome::kFailed;
    record.firstError = ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9);
    const struct {
        const char* name;
        ReportNotes notes;
        std::wstring expected;
    } rows[] = {
        {"ended", {}, L"\r\nKey: reader keys, key B\r\nPlan: stop after 2:05:00\r\nResult: failed\r\n\r\n"},
        {"interrupted",
         {true, 61000, 0, 0},
         L"\r\nResult: interrupted at 2026-12-08 16:41:06.000: the program ended without stopping the test\r\n"},
        {"unread", {true, 0, 2, 4096}, L"\r\nLog: (2 unreadable journal lines left out) (4096 bytes in the middle of the journal were not read)\r\n"},
    };
    for (const auto& row : rows)
        EXPECT_NE(TestReportText(record, {}, kZone, row.notes).find(row.expected), std::wstring::npos) << row.name;
    EXPECT_EQ(VerdictText(record, kZone), L"Failed: Write error 0x09: The card refused the command at 2026-12-08 16:40:05.201.");
    record.errorEvents = 0;
    EXPECT_EQ(VerdictText(record, kZone), L"Passed.");
}

TEST(TestReportTest, DefaultNames) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"COM7", L"quillcheck-COM7-20261208-164005.txt"},
        {L"\\\\.\\COM10", L"quillcheck-__._COM10-20261208-164005.txt"},
        {L"a:b*c?d\"e<f>g|h/i", L"quillcheck-a_b_c_d_e_f_g_h_i-20261208-164005.txt"},
        {L"", L"quillcheck--20261208-164005.txt"},
    };
    for (const auto& [port, name] : cases) EXPECT_EQ(DefaultReportName(port, kStart), name);
}

}  // namespace
