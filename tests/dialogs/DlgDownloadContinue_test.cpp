#include "ServerDialogsFixture.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgDownloadContinue.h"
#include "platform/Paths.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/UpdateOrchestration.h"
#include "support/LoopbackHttpServer.h"
#include "support/Renderings.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace serverdialogs;

std::string status(QDialog& d) {
    return idc<QPlainTextEdit>(d, IDC_DOWNLOAD_STATUS)->toPlainText().toStdString();
}

class DlgDownloadContinueTest : public ServerDialogsTest {
protected:
    std::unique_ptr<CDlgDownloadContinue> makeDialog(const std::string& url = "https://q.example/[&symbol]") {
        auto dialog = std::make_unique<CDlgDownloadContinue>(services->bundle(), document);
        dialog->m_strItemName = "Acme & Co";
        dialog->m_strItemSymbol = "AC 1";
        dialog->m_strUrl = url;
        return dialog;
    }
    static QPushButton* button(QDialog& d, unsigned id) { return idc<QPushButton>(d, id); }
};

TEST_F(DlgDownloadContinueTest, SuccessClosesWithTheThreePagesWhichTheCallerTakes) {
    const PageRecord page = pageFiles("page", "<b>1</b>", "<>1<>", " 1 ");
    const PageRecord stale = pageFiles("stale", "old", "old", "old");
    auto dialog = makeDialog();
    std::string shownProgress;
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& self = static_cast<CDlgDownloadContinue&>(d);
        EXPECT_FALSE(button(d, IDOK)->isEnabled());
        postPage(self.downloadTarget(), self.workerId(), progress(12, 40));
        // A record of another download is dropped and its files go.
        postPage(self.downloadTarget(), 4242, stale);
        EXPECT_TRUE(waitUntil([&] { return !status(d).empty(); }));
        shownProgress = status(d);
        postPage(self.downloadTarget(), self.workerId(), page);
        EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); }));
    });
    EXPECT_EQ(dialog->DoModal(), IDOK);
    EXPECT_EQ(shownProgress, "Download 12 KB / 40 KB");
    EXPECT_EQ(status(*dialog), "The file has been successfully loaded.\nPress \"Ok\" to continue.");
    EXPECT_EQ(dialog->m_strStatus, "The file has been successfully loaded.\r\nPress \"Ok\" to continue.");
    EXPECT_FALSE(fs::exists(stale.raw));
    EXPECT_FALSE(fs::exists(stale.text));
    // Name and symbol go into the address percent-encoded.
    EXPECT_EQ(document.calls, (std::vector<std::string>{"page https://q.example/AC%201"}));
    EXPECT_EQ(document.lastTarget, dialog->downloadTarget());
    EXPECT_EQ(dialog->m_strRawFile, page.raw);
    EXPECT_EQ(dialog->m_strSemiHtmlFile, page.semiHtml);
    EXPECT_EQ(dialog->m_strTextFile, page.text);
    {
        const PageFiles files = dialog->TakePageFiles();
        dialog.reset();
        EXPECT_TRUE(fs::exists(page.raw)) << "taken by the caller";
        EXPECT_EQ(files.paths().text, page.text);
    }
    EXPECT_FALSE(fs::exists(page.raw));
    EXPECT_FALSE(fs::exists(page.semiHtml));
}

TEST_F(DlgDownloadContinueTest, CancelAbortsOnceAndWaitsForTheWorker) {
    auto dialog = makeDialog();
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& self = static_cast<CDlgDownloadContinue&>(d);
        postPage(self.downloadTarget(), self.workerId(), record(DOWNLOAD_CONNECTING));
        settle();
        QTest::mouseClick(button(d, IDCANCEL), Qt::LeftButton);
        QTest::keyClick(&d, Qt::Key_Escape); // a further Cancel while the abort is pending
        settle();
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(button(d, IDOK)->isEnabled());
        EXPECT_EQ(status(d), "Connecting...");
        postPage(self.downloadTarget(), self.workerId(), record(DOWNLOAD_ABORTED));
        EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); }));
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(status(*dialog), "Download aborted!");
    EXPECT_EQ(document.calls, (std::vector<std::string>{"page https://q.example/AC%201", "abort", "reset 0"}));
    EXPECT_EQ(dialog->m_bAbortRequested, 1);
}

TEST_F(DlgDownloadContinueTest, AfterAnErrorOneCancelCloses) {
    auto dialog = makeDialog();
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& self = static_cast<CDlgDownloadContinue&>(d);
        postPage(self.downloadTarget(), self.workerId(), failure(DOWNLOAD_DETAIL_HOST_NOT_FOUND));
        EXPECT_TRUE(waitUntil([&] { return status(d) == "Error: Host not found!"; }));
        // An unknown detail leaves the text as it is.
        postPage(self.downloadTarget(), self.workerId(), failure(99));
        settle();
        EXPECT_EQ(status(d), "Error: Host not found!");
        EXPECT_TRUE(d.isVisible());
        QTest::mouseClick(button(d, IDCANCEL), Qt::LeftButton);
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(dialog->m_bError, 1);
    EXPECT_EQ(std::count(document.calls.begin(), document.calls.end(), "abort"), 0);
}

TEST_F(DlgDownloadContinueTest, SuccessAfterCancelClosesAsCancelledAndLeavesNoFlagNorFiles) {
    const PageRecord page = pageFiles("late", "a", "b", "c");
    auto dialog = makeDialog();
    // A worker is running, so the abort stays pending until it ends.
    DownloadActivity::instance().workerStarted();
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& self = static_cast<CDlgDownloadContinue&>(d);
        QTest::mouseClick(button(d, IDCANCEL), Qt::LeftButton);
        EXPECT_EQ(g_bAbortDownloads.load(), 1);
        postPage(self.downloadTarget(), self.workerId(), page); // it had finished before it saw the abort
        DownloadActivity::instance().workerEnded();
        EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); }));
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
    EXPECT_NE(status(*dialog), "The file has been successfully loaded.\nPress \"Ok\" to continue.");
    dialog.reset();
    EXPECT_FALSE(fs::exists(page.raw));
    EXPECT_FALSE(fs::exists(page.text));
}

TEST_F(DlgDownloadContinueTest, RendersItsStatus) {
    auto dialog = makeDialog();
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& self = static_cast<CDlgDownloadContinue&>(d);
        postPage(self.downloadTarget(), self.workerId(), progress(384, 0));
        EXPECT_TRUE(waitUntil([&] { return status(d) == "Download 384 KB"; }));
        testsupport::saveRendering(d, "downloading");
        postPage(self.downloadTarget(), self.workerId(),
                 failure(DOWNLOAD_DETAIL_MESSAGE, "Proxy refused\r\nthe request"));
        EXPECT_TRUE(waitUntil([&] { return status(d) == "Proxy refused\nthe request"; }));
        testsupport::saveRendering(d, "error");
        QTest::mouseClick(button(d, IDCANCEL), Qt::LeftButton);
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
}

// The real page download: a worker of the document's download manager and real pages.
class DlgDownloadContinueWorkerTest : public ServerDialogsTest {
protected:
    void SetUp() override {
        ServerDialogsTest::SetUp();
        fs::create_directories(path("tmp"));
        setenv("TMPDIR", path("tmp").c_str(), 1);
        SetDownloadRouting({0, &manager});
    }
    void TearDown() override {
        manager.shutdown();
        SetDownloadRouting({});
        unsetenv("TMPDIR");
        ServerDialogsTest::TearDown();
    }

    DownloadManager manager;
    CWPapierDoc doc;
    WPapierDocOperations operations{doc};
};

TEST_F(DlgDownloadContinueWorkerTest, FetchesALocalPageAndReportsAMissingWebPageByItsPath) {
    testsupport::writeFile(path("pages/quote.html"), "<td>Kurs</td><td>12,34</td>");
    CDlgDownloadContinue local(services->bundle(), operations);
    local.m_strUrl = "file://" + path("pages/quote.html").string();
    services->modal->on("dlg_192", [](QDialog& d) { EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); })); });
    ASSERT_EQ(local.DoModal(), IDOK);
    EXPECT_EQ(testsupport::readFile(local.m_strRawFile), "<td>Kurs</td><td>12,34</td>");
    EXPECT_EQ(testsupport::readFile(local.m_strSemiHtmlFile), "<>Kurs<><>12,34<>");
    EXPECT_EQ(testsupport::readFile(local.m_strTextFile), " Kurs  12,34 ");

    testsupport::LoopbackHttpServer server;
    CDlgDownloadContinue web(services->bundle(), operations);
    web.m_strUrl = server.url("/a/b.html");
    std::string shown;
    services->modal->on("dlg_192", [&](QDialog& d) {
        EXPECT_TRUE(waitUntil([&] { return status(d).starts_with("Error"); }));
        shown = status(d);
        QTest::mouseClick(idc<QPushButton>(d, IDCANCEL), Qt::LeftButton);
    });
    EXPECT_EQ(web.DoModal(), IDCANCEL);
    EXPECT_EQ(shown, "Error: File not found: /a/b.html");
}

} // namespace
