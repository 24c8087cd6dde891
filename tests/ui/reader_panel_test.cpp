// The page's panel of one reader: which panel a worker's notice goes to, and what a refresh shows.
#include "ui/reader_panel.h"

#include <gtest/gtest.h>

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

}  // namespace
