// The main frame and the program host without the rest of the program: the frame knows the
// program only through its context, the host reaches the windows only through what the frame
// registered, and the program's end destroys windows and document before the services they use.

#include "MimePackage.h"
#include "Portfolios.h"
#include "app/MainFrm.h"
#include "app/ProgramHost.h"
#include "app/Resource.h"
#include "app/WPapier.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgConn.h"
#include "framework/DocTemplate.h"
#include "log/Log.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/download.h"
#include "support/FakePortfolioHost.h"
#include "support/FakeServices.h"
#include "support/LogCapture.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnv.h"
#include "views/GraphView.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records what the frame tells the program.
struct RecordingProgram : RunFailureSink, TrayIconHost, GuiRegistry {
    void reportRunFailure(RunExitCode code, const std::string& reason) override {
        failures.push_back(std::to_string(code) + " " + reason);
    }
    std::string lastErrorNotice() const override { return {}; }
    void ModifyTrayIcon(const std::string& text, unsigned iconId) override {
        tip = text;
        if (iconId)
            icon = iconId;
    }
    std::string trayTip() const override { return tip; }
    void registerGui(const GuiParts& registered) override { parts = registered; }
    void unregisterGui() override { parts = GuiParts{}; }

    std::vector<std::string> failures;
    std::string tip;
    unsigned icon = 0;
    GuiParts parts;
};

class FrameContextTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        doc = std::make_unique<CWPapierDoc>(&host);
        doc->OnNewDocument();
    }
    void TearDown() override {
        frame.reset();
        doc.reset();
        TempDirTest::TearDown();
    }
    // A frame made without any application object.
    void create() {
        MainFrameContext context;
        context.options = [this] { return options; };
        context.services = services->bundle();
        context.runFailures = &program;
        context.tray = &program;
        context.gui = &program;
        frame = std::make_unique<CMainFrame>(std::move(context));
        CreateContext create{doc.get(), nullptr, [] { return std::make_unique<CWPapierLView>(); }, nullptr};
        ASSERT_TRUE(frame->LoadFrame(create));
    }

    testsupport::FakePortfolioHost host;
    std::unique_ptr<testsupport::FakeServices> services;
    std::unique_ptr<CWPapierDoc> doc;
    MainFrameOptions options;
    RecordingProgram program;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameContextTest, TheFrameKnowsTheProgramOnlyThroughItsContext) {
    services->settings->writeString("MainWindow", "Dimensions", "20,30,620,480");
    options.downloadStatus = false;
    options.exportMode = true;
    create();
    EXPECT_EQ(frame->size(), QSize(600, 450)); // the window's place from the bundle's settings

    // Its parts are registered, and withdrawn when it goes.
    EXPECT_EQ(program.parts.downloads, static_cast<DownloadsWindowSink*>(frame.get()));
    EXPECT_EQ(program.parts.updateTimer, static_cast<UpdateTimerSink*>(frame.get()));
    EXPECT_EQ(program.parts.listView, static_cast<ListViewSettingsSource*>(frame->m_pWPapierLView));
    EXPECT_EQ(program.parts.chart, static_cast<ChartOracle*>(frame->graphView()));

    auto r = std::make_unique<DownloadStatus>();
    r->m_nStatus = DOWNLOAD_INITIALIZED;
    r->m_posItem = doc->GetHeadPosition();
    frame->OnDownloadStatus(std::move(r), 0);
    EXPECT_EQ(program.tip, "Untitled (1 Download)");
    EXPECT_FALSE(frame->m_dlgConn->isVisible()); // the option is off
    frame->OnAbortDownloads();
    EXPECT_EQ(program.icon, IDI_TRAY_ABORT);
    EXPECT_EQ(g_bAbortDownloads.load(), 0); // nothing ran: the abort is over at once

    frame->OnExportQuotations(); // cancelled by the file dialog's fake: a failure of the export mode
    ASSERT_EQ(program.failures.size(), 1u);
    EXPECT_EQ(program.failures[0].rfind("4 cannot export the quotations", 0), 0u);

    frame.reset();
    EXPECT_EQ(program.parts.downloads, nullptr);
    EXPECT_EQ(program.parts.listView, nullptr);
    EXPECT_EQ(program.parts.chart, nullptr);
}

// The document's change columns read the list view's own settings through the program host.
TEST_F(FrameContextTest, TheHostAnswersWithTheListViewsSettingsAndTheFramesDownloadsWindow) {
    services->settings->writeInt("ListView", "ProcentualValue", 0);
    services->settings->writeInt("ListView", "TimeFrameDays", 90);
    create();
    frame->InitialUpdateFrame(doc.get(), false);
    CWPapierApp app; // only for the host's owner; the frame knows nothing of it
    ProgramHost& programHost = app.programHost();
    EXPECT_EQ(programHost.listViewSettings().m_nTimeFrameDays, 365); // nothing registered yet
    EXPECT_EQ(programHost.chartView(), nullptr);
    programHost.registerGui(program.parts);
    EXPECT_EQ(programHost.chartView(), static_cast<DocumentObserver*>(frame->graphView()));
    frame->m_pWPapierLView->OnInitialUpdate();
    EXPECT_FALSE(programHost.listViewSettings().m_bProcentualValue);
    EXPECT_EQ(programHost.listViewSettings().m_nTimeFrameDays, 90);
    frame->m_pWPapierLView->options().m_nTimeFrameDays = -1;
    EXPECT_EQ(programHost.listViewSettings().m_nTimeFrameDays, -1);

    programHost.setDownloadsTitle("P.cvr");
    EXPECT_EQ(frame->m_dlgConn->windowTitle(), "[P.cvr] - Downloads");
    programHost.setUpdateTimer(15);
    EXPECT_EQ(frame->timerInterval(ID_TIMER_UPDATE), 900'000u);
    programHost.unregisterGui();
}

// The program's end with a portfolio open and a download running: the frame, its views and the
// document go first, while the program host, the downloads and the logging still work.
class ShutDownTest : public testsupport::TempDirTest {};

TEST_F(ShutDownTest, WindowsAndDocumentGoBeforeTheServicesTheyUse) {
    apptest::placeMimePackageUnderThreadSanitizer(
        paths::fromQString(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
    testsupport::LoopbackHttpServer server;
    server.reply("/slow", testsupport::HttpReply::silence());
    const auto file = path("P.cvr");
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(apptest::quotedItem("Slow", "SLW", server.url("/slow")));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 0);

    auto boxes = std::make_shared<testsupport::FakeMessageBoxes>();
    auto app = std::make_unique<CWPapierApp>();
    app->setMessageBoxes(boxes);
    app->setArguments({file.string()});
    ASSERT_TRUE(app->InitInstance());
    ASSERT_TRUE(app->mainFrame()->SendCommand(ID_UPDATE_ALL));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount() > 0; }, 10000));
    QTest::qWait(50); // the start reports reach the frame
    EXPECT_EQ(app->mainFrame()->m_nActiveDownloads, 1);
    EXPECT_NE(app->programHost().gui().downloads, nullptr);

    app->destroyDocuments();
    EXPECT_EQ(app->mainFrame(), nullptr);
    EXPECT_EQ(app->document(), nullptr);
    EXPECT_EQ(app->programHost().gui().downloads, nullptr); // withdrawn while the host was there
    EXPECT_EQ(app->programHost().gui().listView, nullptr);

    // The running download ends; its reports find no window and are destroyed.
    AbortAllDownloads();
    server.stop();
    EXPECT_TRUE(DownloadManager::instance().waitForWorkers(std::chrono::seconds(20)));
    QTest::qWait(50);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
    EXPECT_TRUE(boxes->texts().empty());
    app.reset();
    Log::Destroy();
}

} // namespace
