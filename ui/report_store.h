// Where a reader's automatic reports and its test journal go: the reports folder, seen through
// a small interface so the journal and report logic stays plain and testable. The Windows one is
// report_folder_win32.h. Every failing call throws CFileException naming the file.
//
// Threads: user-interface thread only; each reader's panel has its own store object (the
// journal it keeps open is that reader's alone).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/local_time.h"

class IReportStore {
public:
    virtual ~IReportStore() = default;

    // The journal of a running test, named by the report's base name ("quillcheck-COM7-...").
    // Open makes the folder when it is missing; held so no other copy of the program takes it.
    virtual void OpenJournal(const std::wstring& baseName) = 0;
    virtual void AppendJournal(std::string_view bytes) = 0;
    virtual void FlushJournal() = 0;  // what was appended is on the disk when it returns
    virtual void CloseJournal(bool remove) noexcept = 0;

    // Writes the report (.txt) and its summary (.json) under the base name, the folder made when
    // missing; gives the report's full path.
    virtual std::wstring SaveReport(const std::wstring& baseName, const std::wstring& report,
                                    const std::wstring& summary) = 0;

    // Journals in the folder that no running copy holds: tests that did not end as they should.
    virtual std::vector<std::wstring> LeftoverJournals() = 0;  // base names
    // Its text, bounded: a journal too large to read whole gives its start and its end, joined
    // by a line break, and how many bytes between them were left out.
    struct JournalText {
        std::string text;
        uint64_t unreadBytes = 0;
    };
    virtual JournalText ReadLeftover(const std::wstring& baseName) = 0;
    virtual void RemoveLeftover(const std::wstring& baseName) noexcept = 0;
};

// Every journal left in the store becomes a report (and its summary), marked as interrupted at
// its last entry unless it had ended; the journal is then removed. Gives the log's lines: where
// each report went, or why a journal could not be turned into one (it then stays).
std::vector<std::wstring> RecoverJournals(IReportStore& store, const ITimeZone& zone);

// The base name of a test's files: the default report name without ".txt".
std::wstring ReportBaseName(const std::wstring& port, const LocalTime& start);
