// The JSON summary beside a report, read back with the program's own JSON reader.
#include <gtest/gtest.h>

#include "foundation/local_time.h"
#include "settings/mem_json.h"
#include "ui/test_summary.h"

namespace {

const JsonValue& At(const JsonValue& object, const wchar_t* key, JsonKind kind) {
    const JsonValue* value = object.Find(key, kind);
    EXPECT_NE(value, nullptr) << "no " << static_cast<int>(kind) << " member";
    static const JsonValue none;
    return value ? *value : none;
}

TEST(TestSummaryTest, ReadBackCarriesSetupFiguresAndResult) {
    TestSetup setup;
    setup.port = L"COM7 \"α\"";
    setup.reader = {3, 811, 0x01080000, 0};
    setup.card.type = 12;
    setup.card.uidLength = 4;
    setup.card.uid = {0x04, 0xA1, 0xB2, 0xC3};
    setup.block = 5;
    CTestRecord record;
    record.Begin(setup, CalendarMilliseconds({2026, 12, 8, 16, 40, 5, 0}), 0);
    record.plan = {PlanKind::kCycles, 40, 60, 10};
    for (uint32_t now = 5; now <= 200; now += 5) record.Verified(now);
    record.CardError(9, 201);
    record.firstError = ReaderEvent::WithStatus(ReaderEventKind::kWriteError, 9);
    record.End(400);
    record.outcome = PlanOutcome::kFailed;
    const struct {
        const char* name;
        ReportNotes notes;
        const wchar_t* result;
    } rows[] = {{"ended by its plan", {}, L"failed"}, {"from a journal", {true, 300, 1, 0}, L"interrupted"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CMemJson document;
        ASSERT_TRUE(document.LoadText(TestSummaryText(record, {1, 2, 3, 4}, row.notes)));
        const JsonValue& root = document.root;
        EXPECT_EQ(At(root, L"result", JsonKind::String).AsString(), row.result);
        EXPECT_EQ(At(root, L"port", JsonKind::String).AsString(), setup.port);
        EXPECT_EQ(At(root, L"started", JsonKind::String).AsString(), L"2026-12-08T16:40:05.000Z");
        EXPECT_EQ(At(root, L"elapsedMs", JsonKind::Integer).AsInteger(), 400);
        EXPECT_EQ(At(At(root, L"reader", JsonKind::Object), L"firmware", JsonKind::String).AsString(), L"1.8.0.0");
        const JsonValue& cards = At(root, L"cards", JsonKind::Array);
        ASSERT_EQ(cards.AsArray().size(), 1u);
        EXPECT_EQ(At(cards.AsArray()[0], L"uid", JsonKind::String).AsString(), L"04A1B2C3");
        EXPECT_EQ(At(At(root, L"plan", JsonKind::Object), L"cycles", JsonKind::Integer).AsInteger(), 40);
        const JsonValue& figures = At(root, L"figures", JsonKind::Object);
        EXPECT_EQ(At(figures, L"verifiedCycles", JsonKind::Integer).AsInteger(), 40);
        EXPECT_EQ(At(At(figures, L"cardErrors", JsonKind::Object), L"0x09", JsonKind::Integer).AsInteger(), 1);
        EXPECT_EQ(At(figures, L"timeouts", JsonKind::Integer).AsInteger(), 2);
        // A whole rate is written as a whole number.
        EXPECT_EQ(At(figures, L"averageRate", JsonKind::Integer).AsInteger(), 100);
        const JsonValue& first = At(root, L"firstError", JsonKind::Object);
        EXPECT_EQ(At(first, L"kind", JsonKind::String).AsString(), L"writeError");
        EXPECT_EQ(At(first, L"at", JsonKind::String).AsString(), L"2026-12-08T16:40:05.201Z");
        EXPECT_EQ(root.Find(L"interruptedAt", JsonKind::String) != nullptr, row.notes.interrupted);
        // The series as the report's table has it: one minute, its 40 cycles and the card error.
        const JsonValue& overTime = At(root, L"overTime", JsonKind::Object);
        EXPECT_EQ(At(overTime, L"intervalMs", JsonKind::Integer).AsInteger(), 60000);
        const JsonValue& intervals = At(overTime, L"intervals", JsonKind::Array);
        ASSERT_EQ(intervals.AsArray().size(), 1u);
        EXPECT_EQ(At(intervals.AsArray()[0], L"verified", JsonKind::Integer).AsInteger(), 40);
        EXPECT_EQ(At(intervals.AsArray()[0], L"cardErrors", JsonKind::Integer).AsInteger(), 1);
    }
    EXPECT_EQ(SummaryNameFor(L"C:\\r.d\\quillcheck-COM7-1.txt"), L"C:\\r.d\\quillcheck-COM7-1.json");
    EXPECT_EQ(SummaryNameFor(L"C:\\r.d\\report"), L"C:\\r.d\\report.json");
}

}  // namespace
