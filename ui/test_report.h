// The saved test report as text: the record's figures as a header, then every kept log line
// with the local time of its moment in the given zone. CRLF line ends, so the file reads well in
// Notepad. Plain logic.
#pragma once

#include <string>

#include "foundation/local_time.h"
#include "reader/link_trouble.h"
#include "reader/test_record.h"

std::wstring TestReportText(const CTestRecord& record, const LinkTroubleCounts& trouble, const ITimeZone& zone);

// "quillcheck-COM7-20261208-164005.txt". A port name may hold characters a file name cannot
// ("\\.\COM10"): they become '_'.
std::wstring DefaultReportName(const std::wstring& port, const LocalTime& time);
