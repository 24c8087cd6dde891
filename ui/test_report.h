// The saved test report as text: the record's figures as a header, then every kept log line
// with the local time of its moment in the given zone. CRLF line ends, so the file reads well in
// Notepad. Plain logic.
#pragma once

#include <string>

#include "foundation/local_time.h"
#include "reader/link_trouble.h"
#include "reader/test_record.h"

// What a report made from a journal says beyond the record: that the program never saw the test
// end, and what of the journal could not be read.
struct ReportNotes {
    bool interrupted = false;
    uint64_t interruptedAtMs = 0;  // since the start: the journal's last entry
    uint64_t unreadableLines = 0;
    uint64_t unreadBytes = 0;
};

std::wstring TestReportText(const CTestRecord& record, const LinkTroubleCounts& trouble, const ITimeZone& zone,
                            const ReportNotes& notes = {});

// "stop after 1000 verified cycles", "stop after 2:00:00", "until stopped".
std::wstring PlanText(const TestPlan& plan);
// The log's line when a plan has ended the test.
std::wstring PlanEndText(const CTestRecord& record);
// "Passed." or "Failed: Values do not match at 2026-12-08 16:40:05.201." for a test its plan ended.
std::wstring VerdictText(const CTestRecord& record, const ITimeZone& zone);

// "quillcheck-COM7-20261208-164005.txt". A port name may hold characters a file name cannot
// ("\\.\COM10"): they become '_'.
std::wstring DefaultReportName(const std::wstring& port, const LocalTime& time);
