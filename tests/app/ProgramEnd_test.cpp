// The end of a run: closing the main window keeps the window's layout when the option asks for it;
// an unattended update ends once, however many of its ends arrive; the program's exit ends windows
// and document first, the downloads and the logging last.

#include "Portfolios.h"
#include "ProgramWindow.h"
#include "app/MainFrm.h"
#include "app/Resource.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/download.h"
#include "support/FakeMessageBoxes.h"
#include "support/FakePortfolioHost.h"
#include "support/FakeServices.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnv.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QSplitter>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using ProgramEndTest = apptest::ProgramWindowTest;

// What the user arranged -- place and size, the list's height, a column's width -- is there at the
// next start when "save window settings" is on, and the stored layout stays as it was when it is off.
TEST_F(ProgramEndTest, ClosingTheWindowKeepsItsLayoutWhenTheOptionSaysSo) {
    for (const bool autosave : {true, false}) {
        SCOPED_TRACE(autosave ? "saved" : "not saved");
        services->settings->writeInt("GeneralOptions", "AutosaveWindows", autosave ? 1 : 0);
        services->settings->writeString("MainWindow", "Dimensions", "1,2,3,4");
        services->settings->writeInt("ListView", "Dimensions", 99);
        services->settings->writeString("ListView", "ColumnsXWidth", "");
        start();
        frame->showNormal();
        frame->setGeometry(130, 150, 1000, 640);
        frame->splitter()->setSizes({200, 400});
        list->GetHeaderCtrl().resizeSection(1, 177);
        QApplication::processEvents();
        const QRect placed = frame->frameGeometry();
        const int listHeight = frame->splitter()->sizes().first();
        ASSERT_NE(listHeight, 99);

        frame->close();
        EXPECT_FALSE(frame->isVisible());
        const std::string dimensions = services->settings->readString("MainWindow", "Dimensions");
        const std::string widths = services->settings->readString("ListView", "ColumnsXWidth");
        if (autosave) {
            EXPECT_EQ(dimensions, std::to_string(placed.left()) + "," + std::to_string(placed.top()) + "," +
                                      std::to_string(placed.left() + placed.width()) + "," +
                                      std::to_string(placed.top() + placed.height()));
            EXPECT_EQ(services->settings->readInt("ListView", "Dimensions", 0), listHeight);
            EXPECT_NE(("," + widths + ",").find(",177,"), std::string::npos) << widths;
        } else {
            EXPECT_EQ(dimensions, "1,2,3,4");
            EXPECT_EQ(services->settings->readInt("ListView", "Dimensions", 0), 99);
            EXPECT_EQ(widths, "");
        }
        app.reset();
    }
}

// What the frame of an unattended update tells the program.
struct RecordingRun : RunFailureSink, TrayIconHost, GuiRegistry {
    void reportRunFailure(RunExitCode code, const std::string& reason) override {
        failures.push_back(std::to_string(code) + " " + reason);
    }
    std::string lastErrorNotice() const override { return {}; }
    void ModifyTrayIcon(const std::string&, unsigned) override {}
    std::string trayTip() const override { return {}; }
    void registerGui(const GuiParts&) override {}
    void unregisterGui() override {}
    std::vector<std::string> failures;
};

// The time limit's grace ends the run and saves what arrived; a download that reports its end only
// afterwards finds the portfolio closed and must neither save it again nor turn the run into a
// failure.
using UnattendedEndTest = testsupport::TempDirTest;

TEST_F(UnattendedEndTest, AReportAfterTheEndSavesNothingMore) {
    const auto file = path("P.cvr");
    {
        std::vector<std::unique_ptr<CWPapier>> items;
        items.push_back(apptest::quotedItem("Slow", "SLW", "file:///nowhere"));
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    }
    testsupport::FakeServices services(path("settings.conf"));
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc(&host);
    ASSERT_TRUE(doc.OnOpenDocument(file));
    doc.SetPathName(file);
    RecordingRun run;
    MainFrameContext context;
    context.options = [] {
        MainFrameOptions options;
        options.updateMode = true;
        options.downloadStatus = false;
        return options;
    };
    context.services = services.bundle();
    context.runFailures = &run;
    context.tray = &run;
    context.gui = &run;
    CMainFrame frame(std::move(context));
    CreateContext create{&doc, nullptr, [] { return std::make_unique<CWPapierLView>(); }, nullptr};
    ASSERT_TRUE(frame.LoadFrame(create));
    frame.InitialUpdateFrame(&doc, false);

    const ItemPos item = doc.GetHeadPosition();
    const auto report = [&](int status) {
        auto record = std::make_unique<DownloadStatus>();
        record->m_posItem = item;
        record->m_nStatus = status;
        record->m_szName = "Slow";
        frame.OnDownloadStatus(std::move(record), 0);
    };
    report(DOWNLOAD_INITIALIZED);
    doc.SetModifiedFlag(true);
    frame.finishUnattendedUpdate(true); // as the grace after the time limit does
    EXPECT_EQ(doc.GetItemCount(), 0);   // closed
    const std::string saved = testsupport::readFile(file);
    ASSERT_FALSE(saved.empty());

    report(DOWNLOAD_ABORTED); // the last download's end, late
    EXPECT_EQ(testsupport::readFile(file), saved);
    EXPECT_TRUE(run.failures.empty()) << run.failures.front();
    apptest::OpenedPortfolio back(file);
    ASSERT_TRUE(back.ok);
    EXPECT_NE(back.item("Slow"), nullptr);
}

// Notes, when the logging ends, whether the program's windows and document are gone by then and
// which line was the last.
class EndWatcher : public CLogAppender {
public:
    EndWatcher(const CWPapierApp& app, std::vector<std::string>& events)
        : CLogAppender(0, "%l"), m_app(app), m_events(events) {}
    ~EndWatcher() override {
        m_events.push_back(std::string("logging ended, document ") + (m_app.document() ? "open" : "gone") +
                           ", last line '" + m_last + "'");
    }
    bool Append(int, std::string_view, std::string_view message) override {
        m_last = message;
        return true;
    }

private:
    const CWPapierApp& m_app;
    std::vector<std::string>& m_events;
    std::string m_last;
};

// The program open on a portfolio with a download that hangs, ended by its exit. Runs in a process
// of its own (the exit stops the program's downloads for good, which no later test of this process
// could live with): writes what happened, in order, to the standard error stream, removes the
// process's folder and ends the process.
[[noreturn]] void exitWithAHangingDownload() {
    const char* home = std::getenv("HOME");
    if (!home)
        std::_Exit(2);
    const std::filesystem::path root = std::filesystem::path(home).parent_path();
    const std::filesystem::path file = root / "P.cvr";
    std::vector<std::string> events;
    {
        testsupport::LoopbackHttpServer server;
        server.reply("/slow", testsupport::HttpReply::silence());
        std::vector<std::unique_ptr<CWPapier>> items;
        items.push_back(apptest::quotedItem("Slow", "SLW", server.url("/slow")));
        if (!apptest::writePortfolio(file, std::move(items)))
            std::_Exit(3);
        settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 0);
        apptest::placeMimePackageUnderThreadSanitizer(
            paths::fromQString(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
        auto app = std::make_unique<CWPapierApp>();
        app->setMessageBoxes(std::make_shared<testsupport::FakeMessageBoxes>());
        app->setArguments({file.string()});
        if (!app->InitInstance() || !app->mainFrame()->SendCommand(ID_UPDATE_ALL) ||
            !QTest::qWaitFor([&] { return server.requestCount() > 0; }, 10000))
            std::_Exit(4);
        QObject::connect(app->mainFrame(), &QObject::destroyed, [&] { events.push_back("window gone"); });
        Log::Instance()->AddAppender(std::make_unique<EndWatcher>(*app, events));
        const int code = app->ExitInstance();
        events.push_back("exit code " + std::to_string(code));
        events.push_back("workers alive " + std::to_string(DownloadManager::instance().workersAlive()));
        const bool listed = settingsStore().readString("Recent File List", "File1") == file.string();
        events.push_back(std::string("portfolio ") + (listed ? "in" : "not in") + " the recent files");
        server.stop();
    }
    for (const std::string& event : events)
        std::fprintf(stderr, "%s;", event.c_str());
    std::fflush(stderr);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::_Exit(0);
}

TEST(ProgramExit, WindowsAndDocumentGoFirstThenTheDownloadsAndTheLoggingLast) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWithAHangingDownload(), ::testing::ExitedWithCode(0),
                "window gone;"
                "logging ended, document gone, last line 'Shutting down application and logging\\.\\.\\.';"
                "exit code 0;"
                "workers alive 0;"
                "portfolio in the recent files;");
}

} // namespace
