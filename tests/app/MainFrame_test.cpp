#include "Portfolios.h"
#include "ProgramWindow.h"
#include "app/MainFrm.h"
#include "app/Resource.h"
#include "app/WPapier.h"
#include "controls/TextProgressCtrl.h"
#include "controls/WinGdi.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgConn.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "retrieval/download.h"
#include "support/FakeMessageBoxes.h"
#include "support/LogCapture.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include <climits>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(UpdateTimerTest, PeriodStaysWithinTheOptionsRangeWithoutOverflow) {
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(60), 3'600'000u);
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(5), 300'000u);
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(500), 30'000'000u);
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(4), 300'000u);
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(501), 30'000'000u);
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(40'000), 30'000'000u); // 40000 x 60000 overflows an int
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(INT_MAX), 30'000'000u);
    EXPECT_EQ(CMainFrame::updateTimerPeriodMs(-1), 300'000u);
}

TEST(UpdateTimerTest, TimedUpdatesOnlyInsideTheDailyWindow) {
    const auto at = [](int h, int m, int s, double fraction = 0.0) {
        OleDate d(2024, 5, 17, h, m, s);
        d.m_dt += fraction / 86400.0;
        return d;
    };
    struct Case {
        OleDate now;
        int h1, m1, h2, m2;
        bool inside;
    };
    const std::vector<Case> cases = {
        {at(9, 29, 59, 0.7), 9, 30, 18, 30, true}, // within half a second of the start
        {at(9, 29, 59, 0.0), 9, 30, 18, 30, false}, {at(12, 0, 0), 9, 30, 18, 30, true},
        {at(18, 30, 0, 0.4), 9, 30, 18, 30, true},  {at(18, 30, 1), 9, 30, 18, 30, false},
        {at(12, 0, 0), 18, 30, 9, 30, false}, // an end before the start never updates
        {at(12, 0, 0), 25, 0, 18, 30, false}, // a start that is no time of day
        {at(12, 0, 0), 9, 30, 18, 61, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.Format("%H:%M:%S") + " " + std::to_string(c.h1) + ":" + std::to_string(c.m1) + "-" +
                     std::to_string(c.h2) + ":" + std::to_string(c.m2));
        EXPECT_EQ(CMainFrame::isInUpdateWindow(c.now, c.h1, c.m1, c.h2, c.m2), c.inside);
    }
}

// The program started on a portfolio "P.cvr" of three items, in the normal mode on the offscreen
// platform, with message boxes the test answers. Reports are handed to the frame as the workers'
// messages would bring them.
class MainFrameTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        file = path("P.cvr");
        std::vector<std::unique_ptr<CWPapier>> items;
        for (const char* symbol : {"AAA", "BBB", "CCC"})
            items.push_back(apptest::quotedItem(std::string("Item ") + symbol, symbol, "file:///nowhere"));
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
        // The release question has tests of its own.
        settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 0);
    }
    void TearDown() override {
        app.reset();
        Log::Destroy();
        TempDirTest::TearDown();
    }

    void start() {
        app = std::make_unique<CWPapierApp>();
        app->setMessageBoxes(boxes);
        app->setArguments({file.string()});
        ASSERT_TRUE(app->InitInstance());
        frame = app->mainFrame();
        ASSERT_NE(frame, nullptr);
        doc = app->document();
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos here = pos;
            CWPapier* item = doc->GetNextItem(pos);
            if (item->m_bDownloadEnabled)
                positions.push_back(here);
        }
        ASSERT_EQ(positions.size(), 3u);
    }

    std::unique_ptr<DownloadStatus> report(ItemPos pos, int status, int jobId = 0) const {
        auto r = std::make_unique<DownloadStatus>();
        r->m_nJobId = jobId;
        r->m_posItem = pos;
        r->m_nStatus = status;
        r->m_szName = doc->GetItemName(pos);
        return r;
    }
    std::unique_ptr<DownloadStatus> found(ItemPos pos, double close, int jobId = 0) const {
        auto r = report(pos, DOWNLOAD_FINISHED, jobId);
        r->m_pKurs = std::make_unique<CKurs>(OleDate(2024, 5, 17, 18, 0, 0), close);
        return r;
    }
    void startAll() {
        for (const ItemPos pos : positions) {
            doc->SetDownloadInProgress(pos);
            frame->OnDownloadStatus(report(pos, DOWNLOAD_INITIALIZED), 0);
        }
    }

    std::filesystem::path file;
    std::shared_ptr<testsupport::FakeMessageBoxes> boxes = std::make_shared<testsupport::FakeMessageBoxes>();
    std::unique_ptr<CWPapierApp> app;
    CMainFrame* frame = nullptr;
    CWPapierDoc* doc = nullptr;
    std::vector<ItemPos> positions;
};

TEST_F(MainFrameTest, ReportsAreCountedAndShownInTheTipTheProgressAndTheDownloadsWindow) {
    start();
    startAll();
    EXPECT_EQ(frame->m_nDownloadsStarted, 3);
    EXPECT_EQ(frame->m_nActiveDownloads, 3);
    EXPECT_EQ(frame->progressText(), "Update: 0/3");
    EXPECT_EQ(app->m_TrayIconData.tip, "P.cvr (3 Downloads)");
    EXPECT_TRUE(frame->m_dlgConn->isVisible());
    EXPECT_EQ(frame->m_dlgConn->windowTitle(), "[P.cvr] - Downloads");
    EXPECT_TRUE(frame->m_dlgConn->abortButton()->isEnabled());
    EXPECT_EQ(frame->m_dlgConn->list()->topLevelItemCount(), 3);

    const std::vector<std::string> tips = {"P.cvr (2 Downloads)", "P.cvr (1 Download)", "P.cvr (Finished)"};
    const std::vector<std::string> progress = {"Update: 1/3", "Update: 2/3", ""};
    for (std::size_t i = 0; i < positions.size(); ++i) {
        frame->OnDownloadStatus(i == 1 ? report(positions[i], DOWNLOAD_NOT_FOUND) : found(positions[i], 10.0 + i), 0);
        EXPECT_EQ(app->m_TrayIconData.tip, tips[i]);
        EXPECT_EQ(frame->progressText(), progress[i]);
    }
    EXPECT_EQ(frame->m_nDownloadsStarted, 0);
    EXPECT_EQ(frame->m_nActiveDownloads, 0);
    EXPECT_EQ(frame->progressBar()->GetPos(), 0);
    EXPECT_FALSE(frame->m_dlgConn->abortButton()->isEnabled());
    // The failed row stays, so the window stays open.
    EXPECT_EQ(frame->m_dlgConn->list()->topLevelItemCount(), 1);
    EXPECT_EQ(frame->batchCounts().found, 2);
    EXPECT_EQ(frame->batchCounts().notFound, 1);

    // The quotations reached the items; every download flag is down.
    EXPECT_EQ(doc->GetItem(positions[0])->GetQuotationCount(), 1);
    EXPECT_EQ(doc->GetItem(positions[1])->GetQuotationCount(), 0);
    EXPECT_EQ(doc->GetItem(positions[2])->GetQuotationCount(), 1);
    for (const ItemPos pos : positions)
        EXPECT_FALSE(doc->IsDownloadInProgress(pos));
    EXPECT_FALSE(app->quitRequested()); // only the update mode ends with its update
}

using apptest::shownPixels;

// The colours of an image.
std::set<QRgb> coloursOf(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours;
}

TEST_F(MainFrameTest, TheProgressPaneShowsItsEmptyStateAfterEveryBatch) {
    start();
    const QRgb background = toQColor(GetSysColor(COLOR_MENU)).rgb();
    const auto lastReport = [this](int i) {
        return i == 2 ? report(positions[i], DOWNLOAD_ABORTED) : found(positions[i], 10.0 + i);
    };
    // Twice: a batch ending normally, then one whose last download was aborted.
    for (int batch = 0; batch < 2; ++batch) {
        SCOPED_TRACE(batch);
        startAll();
        for (int i = 0; i < 2; ++i)
            frame->OnDownloadStatus(found(positions[i], 10.0 + i), 0);
        QApplication::processEvents();
        CTextProgressCtrl* progress = frame->progressBar();
        ASSERT_NE(progress, nullptr);
        const QImage running = shownPixels(*progress);
        testsupport::saveRendering(running, "running-" + std::to_string(batch));
        EXPECT_GT(coloursOf(running).size(), 2u); // "Update: 2/3" over a bar two thirds long
        frame->OnDownloadStatus(lastReport(2), 0);
        QApplication::processEvents();
        ASSERT_EQ(frame->progressText(), "");
        const QImage ended = shownPixels(*progress);
        testsupport::saveRendering(ended, "ended-" + std::to_string(batch));
        EXPECT_EQ(coloursOf(ended), std::set<QRgb>{background}) << "the bar or the text of the batch stayed";
    }
}

TEST_F(MainFrameTest, TheDownloadsWindowIsNamedAfterTheOpenedPortfolio) {
    start();
    const auto other = path("Other.cvr");
    ASSERT_TRUE(apptest::writePortfolio(other, {}));
    ASSERT_NE(app->OpenDocumentFile(other), nullptr);
    EXPECT_EQ(frame->m_dlgConn->windowTitle(), "[Other.cvr] - Downloads");
}

TEST_F(MainFrameTest, TestReportsAreOnlyShown) {
    start();
    frame->OnDownloadStatus(report(positions[0], DOWNLOAD_INITIALIZED, 1), 0);
    frame->OnDownloadStatus(found(positions[0], 42.0, 1), 0);
    EXPECT_EQ(frame->m_nDownloadsStarted, 0);
    EXPECT_EQ(frame->m_nActiveDownloads, 0);
    EXPECT_FALSE(frame->m_dlgConn->isVisible());
    EXPECT_EQ(frame->m_dlgConn->list()->topLevelItemCount(), 0);
    EXPECT_TRUE(app->m_TrayIconData.tip.empty());
    EXPECT_EQ(doc->GetItem(positions[0])->GetQuotationCount(), 0);
    ASSERT_EQ(boxes->texts().size(), 1u);
    EXPECT_EQ(boxes->texts()[0].rfind("Quotation for 'Item AAA':\nValue: 42.0000\n", 0), 0u);
}

TEST_F(MainFrameTest, WithTheOptionThePortfolioIsSavedAfterEachUpdate) {
    settingsStore().writeInt("GeneralOptions", "AutoSaveAfterAutoUpdate", 1);
    start();
    testsupport::LogCapture log;
    startAll();
    for (const ItemPos pos : positions)
        frame->OnDownloadStatus(found(pos, 5.0), 0);
    EXPECT_TRUE(log.contains(LOG_LEVEL_INFO, "Auto-saving portfolio after auto-update..."));
    EXPECT_FALSE(doc->IsModified());
    apptest::OpenedPortfolio saved(file);
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ(saved.item("Item BBB")->GetQuotationCount(), 1);
}

// A box shown while the frame handles one report runs an event loop that brings the later reports:
// they wait until the handler is done, so the end of the update is seen, logged and saved once.
TEST_F(MainFrameTest, ReportsArrivingWhileABoxShowsAreHandledAfterItOnce) {
    settingsStore().writeInt("GeneralOptions", "AutoSaveAfterAutoUpdate", 1);
    start();
    boxes->runEventsWhileShown();
    // The first item converts by the third, which has no quotation: its result shows a box.
    CWPapier* first = doc->GetItem(positions[0]);
    first->m_bConvertCurrency = true;
    first->m_pCurrencyItem = doc->GetItem(positions[2]);
    startAll();
    testsupport::LogCapture log;
    for (const ItemPos pos : positions)
        MessageTarget::instance().post(frame->messageTargetId(), WMU_DOWNLOAD_STATUS, found(pos, 5.0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->m_nActiveDownloads == 0; }, 5000));
    QTest::qWait(20);

    int finished = 0, saves = 0;
    for (const auto& line : log.lines()) {
        finished += line.message.rfind("Update finished:", 0) == 0;
        saves += line.message == "Auto-saving portfolio after auto-update...";
    }
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(saves, 1);
    ASSERT_EQ(boxes->texts().size(), 1u);
    EXPECT_EQ(boxes->texts()[0].rfind("Could not update quotation for 'Item AAA'.", 0), 0u);
    EXPECT_EQ(frame->batchCounts().found, 3);
}

TEST_F(MainFrameTest, WithoutTheOptionTheDownloadsWindowNeverOpensByItself) {
    settingsStore().writeInt("GeneralOptions", "DownloadStatus", 0);
    start();
    startAll();
    EXPECT_FALSE(frame->m_dlgConn->isVisible());
    frame->OnConnectionStatus();
    EXPECT_TRUE(frame->m_dlgConn->isVisible());
    frame->OnConnectionStatus();
    EXPECT_FALSE(frame->m_dlgConn->isVisible());
}

TEST(TrayIconTest, TheTipIsCutTo127Characters) {
    CWPapierApp app;
    app.ModifyTrayIcon(std::string(200, 'x'));
    EXPECT_EQ(app.m_TrayIconData.tip, std::string(127, 'x'));
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xC3\xA4"; // a character of two bytes is never split
    app.ModifyTrayIcon(umlauts, IDI_TRAY_ABORT);
    EXPECT_EQ(app.m_TrayIconData.tip, umlauts.substr(0, 254));
    EXPECT_EQ(app.m_TrayIconData.iconId, IDI_TRAY_ABORT);
}

// The Downloads window's "Abort Downloads" and the toolbar's Abort agree in every state: nothing
// running (the window opened by View > Connection status), downloads running, an abort pending,
// and the batch ended.
TEST_F(MainFrameTest, TheDownloadsWindowsAbortAgreesWithTheToolbars) {
    start();
    QAction* toolbarAbort = frame->commandAction(ID_ABORT_DOWNLOADS);
    QPushButton* windowAbort = frame->m_dlgConn->abortButton();
    const auto expectBoth = [&](bool enabled, const char* state) {
        SCOPED_TRACE(state);
        frame->UpdateCommandUI();
        EXPECT_EQ(toolbarAbort->isEnabled(), enabled);
        EXPECT_EQ(windowAbort->isEnabled(), enabled);
    };
    frame->commandAction(ID_CONNECTION_STATUS)->trigger();
    ASSERT_TRUE(frame->m_dlgConn->isVisible());
    EXPECT_FALSE(windowAbort->isEnabled()); // before any idle update
    expectBoth(false, "idle");
    startAll();
    expectBoth(true, "running");
    toolbarAbort->trigger();
    expectBoth(false, "aborting");
    for (const ItemPos pos : positions) {
        doc->ResetDownloadFlagAt(pos);
        frame->OnDownloadStatus(report(pos, DOWNLOAD_ABORTED), 0);
    }
    expectBoth(false, "ended");
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
}

TEST_F(MainFrameTest, AbortWithoutActiveDownloadsChangesNothing) {
    start();
    frame->OnAbortDownloads();
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
    EXPECT_EQ(app->m_TrayIconData.iconId, 0u);
}

TEST_F(MainFrameTest, UpdateTimerFollowsTheOptionAndEveryUpdateOfAllItems) {
    settingsStore().writeInt("GeneralOptions", "Autoupdate", 1);
    settingsStore().writeInt("GeneralOptions", "UpdateIntervall", 40'000);
    start();
    EXPECT_EQ(frame->timerInterval(ID_TIMER_UPDATE), 30'000'000u);
    frame->SetUpdateTimer(0);
    EXPECT_FALSE(frame->timerInterval(ID_TIMER_UPDATE));
    frame->SetUpdateTimer(15);
    EXPECT_EQ(frame->timerInterval(ID_TIMER_UPDATE), 900'000u);
    // An update that schedules nothing still restarts the timer.
    for (const ItemPos pos : positions)
        doc->GetItem(pos)->m_bDownloadEnabled = 0;
    frame->OnUpdateAll();
    EXPECT_EQ(frame->lastUpdateScheduled(), 0);
    EXPECT_EQ(frame->timerInterval(ID_TIMER_UPDATE), 30'000'000u);
}

TEST(ReleaseQuestionTest, AskedWhenMoreThanFiftyWholeDaysHavePassed) {
    const OleDate now(2024, 5, 17, 12, 0, 0);
    const auto before = [&now](int days, int hours) { return now - OleDateSpan(days, hours, 0, 0); };
    EXPECT_FALSE(CWPapierApp::isReleaseCheckDue(before(50, 23), now, true));
    EXPECT_TRUE(CWPapierApp::isReleaseCheckDue(before(51, 0), now, true));
    EXPECT_TRUE(CWPapierApp::isReleaseCheckDue(OleDate(1975, 1, 23, 0, 0, 0), now, true));
    EXPECT_FALSE(CWPapierApp::isReleaseCheckDue(OleDate(1975, 1, 23, 0, 0, 0), now, false));
    OleDate invalid;
    invalid.SetStatus(OleDate::invalid);
    EXPECT_TRUE(CWPapierApp::isReleaseCheckDue(invalid, now, true));
}

TEST_F(MainFrameTest, ReleaseQuestionAnsweredNoStoresTodayAsTheLastCheck) {
    settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 1); // and no last check: 1975
    boxes->answer({IDNO});
    start();
    ASSERT_EQ(boxes->texts().size(), 1u);
    EXPECT_EQ(boxes->texts()[0], "Do you want to check if a new version of\nCorvana is available?");
    const auto stored = settingsStore().readBinary("GeneralOptions", "LastUpToDateCheck");
    ASSERT_TRUE(stored);
    const auto st = systemTimeFromBytes(*stored);
    ASSERT_TRUE(st);
    EXPECT_LT(std::abs((OleDate(*st) - OleDate::GetCurrentTime()).m_span), 1.0);
}

TEST_F(MainFrameTest, ReleaseQuestionAnsweredYesRunsTheCheck) {
    settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 1);
    boxes->answer({IDYES});
    app = std::make_unique<CWPapierApp>();
    int checks = 0;
    app->CheckForNewVersion = [&checks] { ++checks; };
    app->setMessageBoxes(boxes);
    app->setArguments({file.string()});
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(checks, 1);
    EXPECT_FALSE(settingsStore().readBinary("GeneralOptions", "LastUpToDateCheck"));
}

} // namespace
