#include "ui/test_summary.h"

#include <cstdio>
#include <iterator>

#include "foundation/local_time.h"
#include "reader/card_names.h"
#include "settings/mem_json.h"
#include "ui/series_text.h"

namespace {

constexpr const wchar_t* kPlanKinds[] = {L"untilStopped", L"cycles", L"duration", L"firstError", L"errors"};
constexpr const wchar_t* kEventKinds[] = {L"noCard",    L"trailerRefused", L"authError", L"writeError",
                                          L"readError", L"mismatch",       L"commandFailed", L"noReply",
                                          L"badReply",  L"failure"};

// UTC, to the millisecond: "2026-12-08T16:40:05.201Z".
std::wstring UtcText(int64_t utcMs) {
    const LocalTime t = CalendarTime(utcMs);
    wchar_t text[40];
    std::swprintf(text, 40, L"%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

void Integer(JsonValue& object, const wchar_t* key, uint64_t value) {
    object.Member(key, JsonKind::Integer).SetInteger(static_cast<int64_t>(value));
}

std::wstring Hex(const uint8_t* bytes, size_t length) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (size_t i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

void Setup(JsonValue& summary, const CTestRecord& record) {
    const TestSetup& setup = record.setup;
    summary.SetString(L"port", setup.port);
    JsonValue& reader = summary.Member(L"reader", JsonKind::Object);
    reader.SetString(L"model", ReaderModelName(setup.reader.model));
    reader.Member(L"serial", JsonKind::Integer).SetInteger(setup.reader.serial);
    const uint32_t fw = setup.reader.firmware;
    reader.SetString(L"firmware", std::to_wstring(fw >> 24) + L'.' + std::to_wstring((fw >> 16) & 0xFF) + L'.' +
                                      std::to_wstring((fw >> 8) & 0xFF) + L'.' + std::to_wstring(fw & 0xFF));
    JsonArray& cards = summary.Member(L"cards", JsonKind::Array).AsArray();
    for (const SeenCard& seen : record.cards) {
        JsonValue& card = cards.emplace_back();
        card.SetString(L"type", CardTypeName(seen.card.type));
        card.SetString(L"uid", Hex(seen.card.uid.data(), seen.card.uidLength));
        card.SetString(L"since", UtcText(record.startUtcMs + static_cast<int64_t>(seen.atMs)));
    }
    summary.Member(L"block", JsonKind::Integer).SetInteger(setup.block);
    summary.SetString(L"key", setup.useKeyB ? L"B" : L"A");
    summary.Member(L"readerKeys", JsonKind::Bool).SetBool(setup.useReaderKeys);
    JsonValue& plan = summary.Member(L"plan", JsonKind::Object);
    plan.SetString(L"kind", kPlanKinds[static_cast<int32_t>(record.plan.kind)]);
    if (record.plan.kind == PlanKind::kCycles)
        Integer(plan, L"cycles", record.plan.cycles);
    if (record.plan.kind == PlanKind::kDuration)
        Integer(plan, L"minutes", record.plan.minutes);
    if (record.plan.kind == PlanKind::kErrors)
        Integer(plan, L"errors", record.plan.errors);
}

const wchar_t* ResultWord(const CTestRecord& record, const ReportNotes& notes) {
    if (notes.interrupted)
        return L"interrupted";
    switch (record.outcome) {
        case PlanOutcome::kPassed: return L"passed";
        case PlanOutcome::kFailed: return L"failed";
        default: return record.running ? L"running" : L"stopped";
    }
}

void Figures(JsonValue& summary, const CTestRecord& record, const LinkTroubleCounts& trouble) {
    JsonValue& figures = summary.Member(L"figures", JsonKind::Object);
    Integer(figures, L"verifiedCycles", record.verified);
    figures.Member(L"averageRate", JsonKind::Real).SetReal(record.AverageRate());
    JsonValue& cardErrors = figures.Member(L"cardErrors", JsonKind::Object);
    for (const auto& [status, count] : record.cardErrors) {
        wchar_t key[8];
        std::swprintf(key, 8, L"0x%02X", static_cast<unsigned>(status) & 0xFF);
        Integer(cardErrors, key, count);
    }
    Integer(figures, L"mismatches", record.mismatches);
    Integer(figures, L"noCardEvents", record.noCardEvents);
    Integer(figures, L"authRefusals", record.authRefusals);
    Integer(figures, L"errors", record.errorEvents);
    Integer(figures, L"unverifiedReadBacks", trouble.unverifiedCycles);
    Integer(figures, L"timeouts", trouble.timeouts);
    Integer(figures, L"resentFrames", trouble.resentFrames);
    Integer(figures, L"reconnects", trouble.reconnects);
    Integer(figures, L"longestCleanRun", record.longestCleanRun);
    if (record.errorEvents != 0) {
        JsonValue& first = summary.Member(L"firstError", JsonKind::Object);
        first.SetString(L"at", UtcText(record.startUtcMs + static_cast<int64_t>(record.firstErrorMs)));
        const auto kind = static_cast<size_t>(record.firstError.kind);
        first.SetString(L"kind", kind < std::size(kEventKinds) ? kEventKinds[kind] : L"");
        first.Member(L"status", JsonKind::Integer).SetInteger(record.firstError.status);
        summary.SetString(L"lastErrorAt", UtcText(record.startUtcMs + static_cast<int64_t>(record.lastErrorMs)));
    }
}

// The same intervals as the report's table over time, so a database sees the picture the
// report shows.
void OverTime(JsonValue& summary, const CTestRecord& record) {
    static constexpr const wchar_t* kSeriesKinds[kSeriesErrorKinds] = {L"cardErrors", L"mismatches", L"noCard",
                                                                       L"authRefusals", L"linkTrouble"};
    const uint64_t span = ReportIntervalMs(record.elapsedMs);
    JsonValue& overTime = summary.Member(L"overTime", JsonKind::Object);
    Integer(overTime, L"intervalMs", span);
    JsonArray& intervals = overTime.Member(L"intervals", JsonKind::Array).AsArray();
    for (const SeriesInterval& interval : record.series.Intervals(span, record.elapsedMs)) {
        JsonValue& row = intervals.emplace_back();
        row.SetKind(JsonKind::Object);
        Integer(row, L"startMs", interval.startMs);
        Integer(row, L"verified", interval.counts.verified);
        for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) Integer(row, kSeriesKinds[kind], interval.counts.errors[kind]);
    }
}

}  // namespace

JsonValue TestSummary(const CTestRecord& record, const LinkTroubleCounts& trouble, const ReportNotes& notes) {
    JsonValue summary;
    summary.SetKind(JsonKind::Object);
    summary.SetString(L"program", L"Quill Check");
    summary.Member(L"format", JsonKind::Integer).SetInteger(kSummaryFormat);
    summary.SetString(L"started", UtcText(record.startUtcMs));
    Integer(summary, L"elapsedMs", record.elapsedMs);
    summary.SetString(L"result", ResultWord(record, notes));
    if (notes.interrupted)
        summary.SetString(L"interruptedAt", UtcText(record.startUtcMs + static_cast<int64_t>(notes.interruptedAtMs)));
    Setup(summary, record);
    Figures(summary, record, trouble);
    OverTime(summary, record);
    JsonValue& log = summary.Member(L"log", JsonKind::Object);
    Integer(log, L"lines", record.lines.size() + record.droppedLines);
    Integer(log, L"linesLeftOut", record.droppedLines);
    if (notes.unreadableLines != 0 || notes.unreadBytes != 0) {
        Integer(log, L"unreadableJournalLines", notes.unreadableLines);
        Integer(log, L"unreadJournalBytes", notes.unreadBytes);
    }
    return summary;
}

std::wstring TestSummaryText(const CTestRecord& record, const LinkTroubleCounts& trouble, const ReportNotes& notes) {
    CMemJson document;
    document.root = TestSummary(record, trouble, notes);
    return document.ToText();
}

std::wstring SummaryNameFor(const std::wstring& reportPath) {
    const size_t dot = reportPath.rfind(L'.');
    const size_t slash = reportPath.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return reportPath + L".json";
    return reportPath.substr(0, dot) + L".json";
}
