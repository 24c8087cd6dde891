#include "ui/station_table.h"

#include <algorithm>

#include "foundation/catalogue.h"
#include "foundation/local_time.h"
#include "foundation/text_ids.h"

std::array<std::wstring, kStationColumns> StationColumnTitles() {
    constexpr unsigned kTitles[kStationColumns] = {kTextColumnPort,    kTextColumnReader, kTextColumnCard,
                                                   kTextColumnState,   kTextColumnWritten, kTextColumnErrors,
                                                   kTextColumnRate,    kTextColumnElapsed};
    std::array<std::wstring, kStationColumns> titles;
    for (size_t column = 0; column < kStationColumns; ++column) LoadResourceString(kTitles[column], titles[column]);
    return titles;
}

std::array<std::wstring, kStationColumns> StationRowCells(const StationRow& row) {
    std::array<std::wstring, kStationColumns> cells{row.port, row.reader, row.card, row.state,
                                                    std::to_wstring(row.written), std::to_wstring(row.errors)};
    if (row.figures.started) {
        FormatResourceString(cells[6], kTextRateFormat, row.figures.rate);
        cells[7] = DurationText(row.figures.elapsedMs);
    }
    return cells;
}

std::wstring StationReportText(const std::vector<StationRow>& rows, const std::vector<std::wstring>& readerReports) {
    std::vector<std::array<std::wstring, kStationColumns>> table{StationColumnTitles()};
    for (const StationRow& row : rows) table.push_back(StationRowCells(row));
    std::array<size_t, kStationColumns> widths{};
    for (const auto& cells : table)
        for (size_t column = 0; column < kStationColumns; ++column)
            widths[column] = std::max(widths[column], cells[column].size());

    std::wstring text;
    LoadResourceString(kTextStationReportTitle, text);
    text += L"\r\n\r\n";
    for (const auto& cells : table) {
        std::wstring line;
        for (size_t column = 0; column < kStationColumns; ++column) {
            line += cells[column];
            line.append(widths[column] - cells[column].size() + 2, L' ');
        }
        line.erase(line.find_last_not_of(L' ') + 1);
        text += line + L"\r\n";
    }
    for (const std::wstring& report : readerReports) text += L"\r\n" + report;
    return text;
}
