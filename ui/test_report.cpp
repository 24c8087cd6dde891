#include "ui/test_report.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <vector>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "foundation/text_format.h"
#include "ui/main_page_rules.h"
#include "ui/page_texts.h"
#include "ui/reader_event_text.h"
#include "ui/series_text.h"

namespace {

constexpr wchar_t kNewLine[] = L"\r\n";

std::wstring Text(unsigned id) {
    return ProgramCatalogue().Text(id);
}

void Row(std::wstring& report, unsigned label, const std::wstring& value) {
    report += Text(label);
    report += L' ';
    report += value;
    report += kNewLine;
}

std::wstring Count(uint64_t value) {
    return std::to_wstring(value);
}

std::wstring KeyText(const TestSetup& setup) {
    const wchar_t* key = setup.useKeyB ? L"B" : L"A";
    if (!setup.useReaderKeys)
        return key;
    std::wstring text;
    FormatResourceString(text, kTextReportReaderKeys, key);
    return text;
}

// A stamp in the local time of its own moment.
std::wstring StampText(const CTestRecord& record, uint64_t atMs, const ITimeZone& zone) {
    return DateTimeText(zone.ToLocal(record.startUtcMs + static_cast<int64_t>(atMs)), true);
}

std::wstring ErrorTime(const CTestRecord& record, uint64_t atMs, const ITimeZone& zone) {
    if (record.errorEvents == 0)
        return Text(kTextReportNone);
    return StampText(record, atMs, zone);
}

// One row per card the test ran on; a card laid on the reader during the test says when.
void CardRows(std::wstring& report, const CTestRecord& record, const ITimeZone& zone) {
    if (record.cards.empty())
        Row(report, kTextReportCard, std::wstring());
    for (const SeenCard& seen : record.cards) {
        std::wstring value = CardLineText(seen.card);
        if (!seen.atStart) {
            std::wstring line;
            FormatResourceString(line, kTextReportCardArrived, value.c_str(), StampText(record, seen.atMs, zone).c_str());
            value = line;
        }
        Row(report, kTextReportCard, value);
    }
}

// The series as a table in fixed columns, so it reads as a picture in Notepad too: one row per
// interval, its start in the local time of its own moment.
void SeriesTable(std::wstring& report, const CTestRecord& record, const ITimeZone& zone) {
    const uint64_t span = ReportIntervalMs(record.elapsedMs);
    const std::vector<SeriesInterval> intervals = record.series.Intervals(span, record.elapsedMs);
    if (intervals.empty())
        return;
    constexpr size_t kColumns = 3 + kSeriesErrorKinds;
    using Row = std::array<std::wstring, kColumns>;
    std::vector<Row> rows;
    rows.reserve(intervals.size() + 1);
    Row& head = rows.emplace_back();
    head[0] = Text(kTextSeriesFrom);
    head[1] = Text(kTextSeriesVerified);
    head[2] = Text(kTextSeriesRate);
    for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind)
        head[3 + kind] = Text(SeriesKindTextId(static_cast<SeriesError>(kind)));
    for (const SeriesInterval& interval : intervals) {
        Row& row = rows.emplace_back();
        row[0] = DateTimeText(zone.ToLocal(record.startUtcMs + static_cast<int64_t>(interval.startMs)));
        row[1] = Count(interval.counts.verified);
        FormatResourceString(row[2], kTextRateFormat, interval.Rate());
        for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) row[3 + kind] = Count(interval.counts.errors[kind]);
    }
    std::array<size_t, kColumns> widths{};
    for (const Row& row : rows)
        for (size_t column = 0; column < kColumns; ++column) widths[column] = std::max(widths[column], row[column].size());
    const unsigned title = span == 60000 ? kTextSeriesPerMinute : span == 600000 ? kTextSeriesPerTenMinutes : kTextSeriesPerHour;
    report += Text(title) + kNewLine;
    for (const Row& row : rows) {
        std::wstring line = row[0] + std::wstring(widths[0] - row[0].size(), L' ');
        for (size_t column = 1; column < kColumns; ++column) {
            line.append(widths[column] - row[column].size() + 2, L' ');  // figures to the right
            line += row[column];
        }
        report += line + kNewLine;
    }
    report += kNewLine;
}

std::wstring Formatted(unsigned id, const std::wstring& value) {
    std::wstring text;
    FormatResourceString(text, id, value.c_str());
    return text;
}

std::wstring ResultText(const CTestRecord& record, const ReportNotes& notes, const ITimeZone& zone) {
    if (notes.interrupted)
        return Formatted(kTextReportInterrupted, StampText(record, notes.interruptedAtMs, zone));
    return Text(record.outcome == PlanOutcome::kPassed ? kTextReportPassed : kTextReportFailed);
}

}  // namespace

std::wstring PlanText(const TestPlan& plan) {
    switch (plan.kind) {
        case PlanKind::kCycles: return Formatted(kTextPlanCyclesValue, Count(plan.cycles));
        case PlanKind::kDuration:
            return Formatted(kTextPlanDurationValue, DurationText(uint64_t{plan.minutes} * 60000));
        case PlanKind::kFirstError: return Text(kTextPlanFirstErrorValue);
        case PlanKind::kErrors: return Formatted(kTextPlanErrorsValue, Count(plan.errors));
        default: return Text(kTextPlanUntilStoppedValue);
    }
}

std::wstring PlanEndText(const CTestRecord& record) {
    switch (record.plan.kind) {
        case PlanKind::kCycles: return Formatted(kTextPlanEndCycles, Count(record.verified));
        case PlanKind::kDuration: return Formatted(kTextPlanEndDuration, DurationText(record.elapsedMs));
        case PlanKind::kFirstError: return Text(kTextPlanEndFirstError);
        case PlanKind::kErrors: return Formatted(kTextPlanEndErrors, Count(record.errorEvents));
        default: return {};
    }
}

std::wstring VerdictText(const CTestRecord& record, const ITimeZone& zone) {
    if (record.errorEvents == 0)
        return Text(kTextVerdictPassed);
    std::wstring text;
    FormatResourceString(text, kTextVerdictFailed, ReaderEventText(record.firstError).c_str(),
                         StampText(record, record.firstErrorMs, zone).c_str());
    return text;
}

std::wstring TestReportText(const CTestRecord& record, const LinkTroubleCounts& trouble, const ITimeZone& zone,
                            const ReportNotes& notes) {
    const TestSetup& setup = record.setup;
    std::wstring report = Text(kTextReportTitle) + kNewLine + kNewLine;
    Row(report, kTextReportStarted, DateTimeText(zone.ToLocal(record.startUtcMs)));
    Row(report, kTextReportElapsed, DurationText(record.elapsedMs) + L" (" + Text(record.running ? kTextReportRunning : kTextReportStopped) + L")");
    Row(report, kTextReportPort, setup.port);
    Row(report, kTextReportReader, ReaderIdentityText(setup.reader.model, setup.reader.serial, setup.reader.firmware));
    CardRows(report, record, zone);
    std::wstring block = BlockItemText(setup.block);
    block.erase(0, block.find_first_not_of(L' '));
    Row(report, kTextReportBlock, block);
    Row(report, kTextReportKey, KeyText(setup));
    if (record.plan.kind != PlanKind::kUntilStopped)
        Row(report, kTextReportPlan, PlanText(record.plan));
    if (record.outcome != PlanOutcome::kNone || notes.interrupted)
        Row(report, kTextReportResult, ResultText(record, notes, zone));
    report += kNewLine;
    Row(report, kTextReportVerified, Count(record.verified));
    std::wstring rate;
    FormatResourceString(rate, kTextRateFormat, record.AverageRate());
    Row(report, kTextReportAverageRate, rate);
    uint64_t cardErrors = 0;
    for (const auto& [status, count] : record.cardErrors) cardErrors += count;
    Row(report, kTextReportCardErrors, Count(cardErrors));
    for (const auto& [status, count] : record.cardErrors) {
        AppendFormat(report, L"    0x%.2X %s: ", static_cast<unsigned>(status), StatusText(status).c_str());
        report += Count(count) + kNewLine;
    }
    Row(report, kTextReportMismatches, Count(record.mismatches));
    Row(report, kTextReportNoCardEvents, Count(record.noCardEvents));
    Row(report, kTextReportAuthRefusals, Count(record.authRefusals));
    Row(report, kTextReportUnverified, Count(trouble.unverifiedCycles));
    Row(report, kTextReportTimeouts, Count(trouble.timeouts));
    Row(report, kTextReportResentFrames, Count(trouble.resentFrames));
    Row(report, kTextReportReconnects, Count(trouble.reconnects));
    Row(report, kTextReportLongestRun, Count(record.longestCleanRun) + L' ' + Text(kTextReportCycles));
    Row(report, kTextReportFirstError, ErrorTime(record, record.firstErrorMs, zone));
    Row(report, kTextReportLastError, ErrorTime(record, record.lastErrorMs, zone));
    report += kNewLine;
    SeriesTable(report, record, zone);
    std::wstring logTitle = Text(kTextReportLog);
    if (record.droppedLines != 0) {
        logTitle += L' ';
        AppendFormatResource(logTitle, kTextReportLinesLeftOut, Count(record.droppedLines).c_str());
    }
    if (notes.unreadableLines != 0) {
        logTitle += L' ';
        AppendFormatResource(logTitle, kTextReportUnreadable, Count(notes.unreadableLines).c_str());
    }
    if (notes.unreadBytes != 0) {
        logTitle += L' ';
        AppendFormatResource(logTitle, kTextReportUnreadBytes, Count(notes.unreadBytes).c_str());
    }
    report += logTitle + kNewLine;
    for (const StampedEvent& line : record.lines) {
        report += StampText(record, line.atMs, zone);
        report += L"  ";
        report += ReaderEventText(line.event);
        report += kNewLine;
    }
    return report;
}

std::wstring DefaultReportName(const std::wstring& port, const LocalTime& time) {
    std::wstring name = L"quillcheck-";
    for (wchar_t c : port) name += (c < 32 || std::wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
    return name + L'-' + CompactDateTime(time) + L".txt";
}
