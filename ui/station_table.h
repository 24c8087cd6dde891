// The overview's view of every reader, one row each: the list's cells and the station report
// (the table of every reader's figures, then each reader's own report). Plain logic.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/test_record.h"

struct StationRow {
    std::wstring port;
    std::wstring reader;  // model, serial number and firmware, as far as known
    std::wstring card;
    std::wstring state;
    int32_t written = 0;
    int32_t errors = 0;
    TestFigures figures;
};

inline constexpr size_t kStationColumns = 8;
// The column titles, in the catalogue's language: port, reader, card, state, written, errors,
// rate, elapsed time.
std::array<std::wstring, kStationColumns> StationColumnTitles();
// A row's cells in the columns' order; rate and elapsed time stay empty until a test ran.
std::array<std::wstring, kStationColumns> StationRowCells(const StationRow& row);

// The title, the table with its columns padded to their widest cell, then each reader report
// given (those of readers that ran a test), a blank line between. CRLF line ends.
std::wstring StationReportText(const std::vector<StationRow>& rows, const std::vector<std::wstring>& readerReports);
