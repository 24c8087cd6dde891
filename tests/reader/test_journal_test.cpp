// The journal of a test read back: what a running test wrote becomes the same record, and a
// journal cut off, garbled or not a journal at all is read as far as it can be, never more.
#include <gtest/gtest.h>

#include "foundation/local_time.h"
#include "reader/test_journal.h"

namespace {

const int64_t kStart = CalendarMilliseconds({2026, 12, 8, 16, 40, 5, 0});

// A test of an hour's first minute with every kind of entry, and its journal as written.
struct WrittenTest {
    CTestRecord record;
    LinkTroubleCounts trouble{1, 2, 3, 4};
    std::string journal;
};

WrittenTest SampleTest() {
    WrittenTest test;
    CTestRecord& record = test.record;
    TestSetup setup;
    setup.port = L"\\\\.\\COM10 ü";
    setup.reader = {3, 811, 0x01080000, 1290000000};
    setup.card.type = 12;
    setup.card.uidLength = 4;
    setup.card.uid = {0x04, 0xA1, 0xB2, 0xC3};
    setup.block = 5;
    setup.useKeyB = true;
    record.Begin(setup, kStart, 100);
    record.plan = {PlanKind::kErrors, 1000, 60, 7};
    test.journal = JournalStartEntry(record);
    uint32_t now = 100;
    for (int i = 0; i < 50; ++i) record.Verified(now += 10);
    record.Line(ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9), now += 3);
    record.CardError(9, now);
    record.firstError = ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9);
    record.Line(ReaderEvent::Failure("Port COM10: 100% gone\nreally"), now += 5);
    CardInfo other = setup.card;
    other.uid[0] = 0x08;
    record.SeeCard(other, now += 7);
    record.Mismatch(now += 1);
    record.Line(ReaderEvent::Of(ReaderEventKind::kMismatch), now);
    for (const StampedEvent& line : record.lines) test.journal += JournalLineEntry(line);
    test.journal += JournalCardEntry(record.cards.back());
    record.Figures(now += 10);
    test.journal += JournalFiguresEntry(record, test.trouble);
    record.End(now += 2);
    record.outcome = PlanOutcome::kFailed;
    test.journal += JournalEndEntry(record);
    return test;
}

void ExpectSameRecord(const CTestRecord& read, const CTestRecord& written) {
    EXPECT_EQ(read.startUtcMs, written.startUtcMs);
    EXPECT_EQ(read.setup.port, written.setup.port);
    EXPECT_EQ(read.setup.reader.serial, written.setup.reader.serial);
    EXPECT_EQ(read.setup.reader.firmware, written.setup.reader.firmware);
    EXPECT_EQ(read.setup.block, written.setup.block);
    EXPECT_EQ(read.setup.useKeyB, written.setup.useKeyB);
    EXPECT_EQ(read.plan, written.plan);
    ASSERT_EQ(read.cards.size(), written.cards.size());
    for (size_t i = 0; i < read.cards.size(); ++i) {
        EXPECT_EQ(read.cards[i].card, written.cards[i].card);
        EXPECT_EQ(read.cards[i].atMs, written.cards[i].atMs);
    }
    EXPECT_EQ(read.verified, written.verified);
    EXPECT_EQ(read.cardErrors, written.cardErrors);
    EXPECT_EQ(read.mismatches, written.mismatches);
    EXPECT_EQ(read.errorEvents, written.errorEvents);
    EXPECT_EQ(read.firstErrorMs, written.firstErrorMs);
    EXPECT_EQ(read.lastErrorMs, written.lastErrorMs);
    EXPECT_EQ(read.firstError, written.firstError);
    EXPECT_EQ(read.longestCleanRun, written.longestCleanRun);
    ASSERT_EQ(read.lines.size(), written.lines.size());
    for (size_t i = 0; i < read.lines.size(); ++i) {
        EXPECT_EQ(read.lines[i].atMs, written.lines[i].atMs);
        EXPECT_EQ(read.lines[i].event, written.lines[i].event);
    }
}

TEST(TestJournalTest, AnEndedTestReadsBackWhole) {
    const WrittenTest test = SampleTest();
    const RecoveredTest read = ReadTestJournal(test.journal);
    EXPECT_TRUE(read.started);
    EXPECT_TRUE(read.ended);
    EXPECT_EQ(read.unreadableLines, 0u);
    ExpectSameRecord(read.record, test.record);
    EXPECT_EQ(read.record.elapsedMs, test.record.elapsedMs);
    EXPECT_EQ(read.record.outcome, PlanOutcome::kFailed);
    EXPECT_EQ(read.trouble.timeouts, 2u);
    EXPECT_EQ(read.trouble.reconnects, 4u);
    EXPECT_FALSE(read.record.running);
}

TEST(TestJournalTest, BadJournalsAreReadAsFarAsTheyGo) {
    const std::string whole = SampleTest().journal;
    const size_t end = whole.rfind("E ");
    const std::string unended = whole.substr(0, end);
    const struct {
        const char* name;
        std::string text;
        bool started;
        bool ended;
        uint64_t unreadable;
    } rows[] = {
        {"empty", "", false, false, 0},
        {"not a journal", "hello\nworld\n", false, false, 2},
        {"cut in its last line", unended + "L 99", true, false, 1},
        {"ended", whole, true, true, 0},
        {"bytes that are not UTF-8", unended + "L \xff\xfe 1\n\xc3\x28 x\n", true, false, 2},
        {"a line of garbage numbers", unended + "F 1 2 x\nL 18446744073709551616 0 0 0 0 m\n", true, false, 2},
        {"a second start", unended + whole, true, true, 1},
        {"a byte-order mark and CRLF", "\xEF\xBB\xBF" + whole.substr(0, whole.find('\n')) + "\r\n", true, false, 0},
        {"lines before the start", "L 1 0 0 0 0 x\n" + whole, true, true, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RecoveredTest read = ReadTestJournal(row.text);
        EXPECT_EQ(read.started, row.started);
        EXPECT_EQ(read.ended, row.ended);
        EXPECT_EQ(read.unreadableLines, row.unreadable);
    }
}

TEST(TestJournalTest, AnInterruptedTestEndsAtItsLastEntry) {
    const WrittenTest test = SampleTest();
    std::string journal = test.journal.substr(0, test.journal.rfind("E "));
    StampedEvent late{900000, ReaderEvent::Of(ReaderEventKind::kNoCard)};
    journal += JournalLineEntry(late);
    const RecoveredTest read = ReadTestJournal(journal, 12345);
    EXPECT_FALSE(read.ended);
    EXPECT_EQ(read.lastEntryMs, 900000u);
    EXPECT_EQ(read.record.elapsedMs, 900000u);
    EXPECT_EQ(read.record.lines.back().event, late.event);
    EXPECT_EQ(read.unreadBytes, 12345u);
    EXPECT_EQ(read.record.outcome, PlanOutcome::kNone);
}

TEST(TestJournalTest, ReadingKeepsTheRecordsBoundOnLines) {
    std::string journal = SampleTest().journal;
    journal.resize(journal.find('\n') + 1);
    const size_t lines = CTestRecord::kKeptLines + 10;
    for (size_t i = 0; i < lines; ++i) journal += JournalLineEntry({i, ReaderEvent::Of(ReaderEventKind::kNoCard)});
    const RecoveredTest read = ReadTestJournal(journal);
    EXPECT_EQ(read.record.lines.size(), CTestRecord::kKeptLines);
    EXPECT_EQ(read.record.droppedLines, 10u);
    EXPECT_EQ(read.record.lines.front().atMs, 10u);
}

}  // namespace
