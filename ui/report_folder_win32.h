// The reports folder on the disk: the journal of one reader's running test, its reports and
// summaries, and the journals left over by tests that did not end. One object per reader panel;
// user-interface thread only.
#pragma once

#include <windows.h>

#include "foundation/handle_win32.h"
#include "ui/report_store.h"

// "Quill Check reports" in the user's Documents; "" when the system names no Documents folder.
std::wstring DefaultReportsFolder();

class CReportFolder : public IReportStore {
public:
    // Journals up to this size are read whole; a larger one by its start and its end.
    static constexpr uint64_t kWholeJournal = 32ull << 20;
    static constexpr uint64_t kJournalHead = 1ull << 20;

    std::wstring folder;  // set from the settings before a test starts

    void OpenJournal(const std::wstring& baseName) override;
    void AppendJournal(std::string_view bytes) override;
    void FlushJournal() override;
    void CloseJournal(bool remove) noexcept override;
    std::wstring SaveReport(const std::wstring& baseName, const std::wstring& report,
                            const std::wstring& summary) override;
    std::vector<std::wstring> LeftoverJournals() override;
    JournalText ReadLeftover(const std::wstring& baseName) override;
    void RemoveLeftover(const std::wstring& baseName) noexcept override;

private:
    std::wstring PathOf(const std::wstring& baseName, const wchar_t* extension) const;
    void MakeFolder() const;

    CHandle journal_;  // open from OpenJournal to CloseJournal; shared for reading only
    std::wstring journalPath_;
};
