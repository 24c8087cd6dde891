// The page's panel of one reader: which panel a worker's notice goes to, and what a refresh shows.
#include "ui/reader_panel.h"

#include <gtest/gtest.h>

#include <map>

#include "foundation/errors.h"
#include "reader/test_journal.h"
#include "tests/reader/scripted_reader.h"
#include "tests/support/catalogue_language.h"

namespace {

TEST(ReaderPanelTest, NoticeGoesToThePanelOfItsWorker) {
    ScriptedReader reader;
    CScriptedPlatform platform(reader);
    CReaderWorker first(platform, 1);
    CReaderWorker second(platform, 2);
    CReaderPanel firstPanel(first);
    CReaderPanel secondPanel(second);
    CReaderPanel* const panels[] = {&firstPanel, &secondPanel};
    const struct {
        uintptr_t source;
        CReaderPanel* panel;
    } rows[] = {{1, &firstPanel}, {2, &secondPanel}, {0, nullptr}, {3, nullptr}};
    for (const auto& row : rows) EXPECT_EQ(PanelOfWorker(panels, row.source), row.panel) << row.source;
}

TEST(ReaderPanelTest, RefreshOfAWorkerNotStartedInEnglish) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    ScriptedReader reader;
    CScriptedPlatform platform(reader);
    CReaderWorker worker(platform);
    CReaderPanel panel(worker);
    const CReaderPanel::View view = panel.Refresh();
    EXPECT_EQ(view.state, L"Disconnected");
    EXPECT_EQ(view.written, 0);
    EXPECT_TRUE(view.lines.empty());
    EXPECT_FALSE(view.figures.started);
}

// A reports folder in memory; from `failing` on, every write refuses as a full disk would.
class CMemoryStore : public IReportStore {
public:
    void OpenJournal(const std::wstring& baseName) override {
        Fail(baseName);
        journalName = baseName;
        journals[baseName].clear();
    }
    void AppendJournal(std::string_view bytes) override {
        Fail(journalName);
        journals[journalName] += bytes;
    }
    void FlushJournal() override { ++flushes; }
    void CloseJournal(bool remove) noexcept override {
        if (remove)
            journals.erase(journalName);
    }
    std::wstring SaveReport(const std::wstring& baseName, const std::wstring& report,
                            const std::wstring& summary) override {
        Fail(baseName);
        reports[baseName] = report;
        summaries[baseName] = summary;
        return L"R:\\" + baseName + L".txt";
    }
    std::vector<std::wstring> LeftoverJournals() override {
        std::vector<std::wstring> names;
        for (const auto& [name, text] : journals) names.push_back(name);
        return names;
    }
    JournalText ReadLeftover(const std::wstring& baseName) override { return {journals.at(baseName), 0}; }
    void RemoveLeftover(const std::wstring& baseName) noexcept override { journals.erase(baseName); }

    bool failing = false;
    std::wstring journalName;
    std::map<std::wstring, std::string> journals;
    std::map<std::wstring, std::wstring> reports, summaries;
    int flushes = 0;

private:
    void Fail(const std::wstring& name) const {
        if (failing)
            throw CFileException(static_cast<int>(FileErrorCause::DiskFull), name, 112);
    }
};

class CUtcZone : public ITimeZone {
public:
    LocalTime ToLocal(int64_t utcMs) const override { return CalendarTime(utcMs); }
} const kUtc;

class ReaderPanelStoreTest : public ::testing::Test {
protected:
    ReaderPanelStoreTest() { UseCatalogueLanguage(TestLanguage::English); }

    ScriptedReader reader;
    CScriptedPlatform platform{reader};
    CReaderWorker worker{platform};
    CMemoryStore store;
    CReaderPanel panel{worker, &store, &kUtc};
};

TEST_F(ReaderPanelStoreTest, JournalWhileTheTestRunsThenItsReportAndSummary) {
    EXPECT_TRUE(panel.StartTest(TestParameters{}, {}).empty());
    ASSERT_EQ(store.journals.size(), 1u);
    const std::wstring name = store.journalName;
    EXPECT_EQ(name.rfind(L"quillcheck--", 0), 0u);
    EXPECT_EQ(store.journals[name].rfind("QCJ1 ", 0), 0u);
    EXPECT_FALSE(panel.Refresh().testEnded);
    EXPECT_TRUE(ReadTestJournal(store.journals[name]).started);

    worker.StopTest();
    const CReaderPanel::View view = panel.Refresh();
    EXPECT_TRUE(view.testEnded);
    EXPECT_TRUE(view.verdict.empty());  // Stop, not a plan, ended it
    EXPECT_EQ(view.lines, (std::vector<std::wstring>{L"The test report was saved: R:\\" + name + L".txt"}));
    EXPECT_TRUE(store.journals.empty());  // the report holds all of it
    EXPECT_EQ(store.reports[name].rfind(L"Quill Check test report\r\n", 0), 0u);
    EXPECT_NE(store.summaries[name].find(L"\"result\": \"stopped\""), std::wstring::npos);
    EXPECT_GE(store.flushes, 2);
    EXPECT_FALSE(panel.Refresh().testEnded);  // once
}

TEST_F(ReaderPanelStoreTest, ATestEndedBeforeARefreshSawItGetsItsReportAtTheNextStart) {
    panel.StartTest(TestParameters{}, {});
    const std::wstring first = store.journalName;
    worker.StopTest();  // the page's refresh has not run yet when Start is pressed again
    const std::vector<std::wstring> lines = panel.StartTest(TestParameters{}, {});
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"The test report was saved: R:\\" + first + L".txt"}));
    EXPECT_EQ(store.reports.count(first), 1u);
    // Even within the same second: a name of its own, so the first report stays.
    EXPECT_NE(store.journalName, first);
}

TEST_F(ReaderPanelStoreTest, AFolderThatRefusesWritingIsSaidOnceAndTheTestGoesOn) {
    store.failing = true;
    const std::vector<std::wstring> lines = panel.StartTest(TestParameters{}, {});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(L"The test journal could not be written; the test goes on without it. "
                             L"Disk full while accessing quillcheck--",
                             0),
              0u);
    EXPECT_TRUE(worker.TestRunning());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(panel.Refresh().lines.empty());
    worker.StopTest();
    const CReaderPanel::View view = panel.Refresh();
    ASSERT_EQ(view.lines.size(), 1u);
    EXPECT_EQ(view.lines[0].rfind(L"The test report could not be saved in the reports folder. Disk full", 0), 0u);
    EXPECT_TRUE(store.reports.empty());
}

TEST_F(ReaderPanelStoreTest, LeftoverJournalsBecomeReportsMarkedInterrupted) {
    CTestRecord record;
    record.Begin(PortSetup(L"COM7"), CalendarMilliseconds({2026, 12, 8, 16, 40, 5, 0}), 0);
    store.journals[L"cut"] = JournalStartEntry(record) + JournalLineEntry({61000, ReaderEvent::Of(ReaderEventKind::kNoCard)}) + "L 62";
    store.journals[L"empty"] = "";
    const std::vector<std::wstring> lines = RecoverJournals(store, kUtc);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"A test the program did not see end (interrupted at 2026-12-08 "
                                                L"16:41:06) became the report R:\\cut.txt"}));
    EXPECT_NE(store.reports[L"cut"].find(L"\r\nResult: interrupted at 2026-12-08 16:41:06.000"), std::wstring::npos);
    EXPECT_NE(store.reports[L"cut"].find(L"(1 unreadable journal lines left out)"), std::wstring::npos);
    EXPECT_EQ(store.journals.count(L"cut"), 0u);
    EXPECT_EQ(store.journals.count(L"empty"), 1u);  // nothing of a test: left for the user
}

}  // namespace
