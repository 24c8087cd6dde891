// The machine-readable summary saved beside every test report: the same setup and figures as
// JSON, in words that do not depend on the user's language, for quality databases. Plain logic.
// Every member the summary carries is added in TestSummary, one place.
#pragma once

#include <string>

#include "reader/link_trouble.h"
#include "reader/test_record.h"
#include "settings/json_value.h"
#include "ui/test_report.h"

inline constexpr int64_t kSummaryFormat = 1;

// The summary as a JSON object.
JsonValue TestSummary(const CTestRecord& record, const LinkTroubleCounts& trouble, const ReportNotes& notes = {});
// The same as the text of a file (pretty form).
std::wstring TestSummaryText(const CTestRecord& record, const LinkTroubleCounts& trouble,
                             const ReportNotes& notes = {});
// "quillcheck-COM7-20261208-164005.json" for "quillcheck-COM7-20261208-164005.txt".
std::wstring SummaryNameFor(const std::wstring& reportPath);
