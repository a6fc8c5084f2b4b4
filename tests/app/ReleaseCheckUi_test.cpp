// The release check as the user meets it, against a real HTTPS server on 127.0.0.1 with a
// certificate the test made: the boxes, the new-version dialog, the setup download and when the
// date of the check is stored.
#include "ReleaseServer.h"
#include "app/NewVersionDlg.h"
#include "app/ReleaseCheckRunner.h"
#include "framework/Dialog.h"
#include "portfolio/ZipWriter.h"
#include "retrieval/DownloadManager.h"
#include "support/FakeServices.h"
#include "support/LoopbackHttpServer.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;
using namespace std::chrono_literals;
using namespace newversionids;

namespace {

using namespace releasetest;

namespace fs = std::filesystem;

class ReleaseCheckUiTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        unsetProxies();
        cert = testsupport::makeSelfSignedCertificate(dir());
        server = std::make_unique<LoopbackHttpServer>(cert);
        fakes = std::make_unique<testsupport::FakeServices>(path("settings.conf"));

        fs::create_directories(path("program"));
        testsupport::writeFile(path("program") / "release.txt", "installed release\n");
        setModificationTime(path("program") / "release.txt", installedMoment());
        settings.server = server->url("");
        settings.request.caFile = cert.certFile.string();
        settings.dataFolder = path("program");
        settings.programFile = path("program") / "corvana";
    }
    void TearDown() override {
        runner.reset();
        downloads.shutdown();
        server.reset();
        fakes.reset();
        TempDirTest::TearDown();
    }

    ReleaseCheckRunner& makeRunner() {
        ReleaseCheckHost host;
        host.settings = [this] { return settings; };
        host.storeLastCheck = [this](const OleDate& when) { storedDates.push_back(when); };
        host.services = fakes->bundle();
        host.downloads = &downloads;
        runner = std::make_unique<ReleaseCheckRunner>(std::move(host));
        return *runner;
    }

    // Starts a check and waits until its answer has been handled.
    void check() {
        if (!runner)
            makeRunner();
        ASSERT_TRUE(runner->start());
        EXPECT_TRUE(QTest::qWaitFor([this] { return !runner->checking(); }, 30000));
    }

    // A zip archive holding the setup program.
    std::string setupArchive(const std::string& content) {
        const auto file = path("archive.zip");
        ZipWriter::Handle zip;
        EXPECT_EQ(ZipWriter::CreateFile(zip, file.c_str(), nullptr), ZIP_OK);
        EXPECT_EQ(ZipWriter::AddBuffer(zip, "CVRSetup.exe", content.data(), static_cast<unsigned>(content.size())),
                  ZIP_OK);
        EXPECT_EQ(ZipWriter::Close(zip), ZIP_OK);
        HttpReply reply = HttpReply::page(testsupport::readFile(file));
        reply.contentType = "application/zip";
        server->reply("/CVR.zip", reply);
        return content;
    }

    // 17 May 2024 12:00, the fake clock's now.
    static OleDate today() { return OleDate(2024, 5, 17, 12, 0, 0); }

    testsupport::TestCertificate cert;
    std::unique_ptr<LoopbackHttpServer> server;
    std::unique_ptr<testsupport::FakeServices> fakes;
    UpToDateCheckSettings settings;
    DownloadManager downloads;
    std::unique_ptr<ReleaseCheckRunner> runner;
    std::vector<OleDate> storedDates;
};

TEST_F(ReleaseCheckUiTest, EachAnswerShowsItsBoxAndOnlyUpToDateStoresTheDate) {
    const std::time_t installed = installedMoment();
    HttpReply slow = releaseNotes("notes\n", installed);
    slow.silent = true;
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string text; // the start of the box's text
        unsigned icon;
        bool stored;
    };
    const Case cases[] = {
        {"one day 23 hours newer", [&] { server->reply("/release.txt", releaseNotes("n\n", installed + 47 * 3600)); },
         "Corvana is up-to-date!  ", MB_ICONINFORMATION, true},
        {"not found", [&] { server->reply("/release.txt", HttpReply::error(404)); },
         "Up-to-date check error:\nfile not found on server!", MB_ICONEXCLAMATION, false},
        {"no Last-Modified", [&] { server->reply("/release.txt", releaseNotes("n\n", std::nullopt)); },
         "Up-to-date check error:\nCould not retrieve current release date!", MB_ICONEXCLAMATION, false},
        {"a silent server",
         [&] {
             server->reply("/release.txt", slow);
             settings.request.totalTimeout = 1500ms;
         },
         "Up-to-date check error:\n", MB_ICONEXCLAMATION, false},
        {"plain http",
         [&] {
             settings.request.totalTimeout = 30s;
             settings.server = "http://127.0.0.1:" + std::to_string(server->port());
         },
         "Up-to-date check error:\n", MB_ICONEXCLAMATION, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const std::size_t requestsBefore = server->requestCount();
        const std::size_t boxesBefore = fakes->boxes->shown().size();
        storedDates.clear();
        const auto started = std::chrono::steady_clock::now();
        check();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
        const auto shown = fakes->boxes->shown();
        ASSERT_EQ(shown.size(), boxesBefore + 1);
        EXPECT_EQ(shown.back().text.substr(0, c.text.size()), c.text);
        if (!c.stored) { // an error box says what went wrong
            EXPECT_GT(shown.back().text.size(), std::string("Up-to-date check error:\n").size());
        }
        EXPECT_EQ(shown.back().type & 0xF0, c.icon);
        ASSERT_EQ(storedDates.size(), c.stored ? 1u : 0u);
        if (c.stored) {
            EXPECT_TRUE(datesEqual(storedDates[0], today()));
        }
        if (std::string(c.name) == "plain http") {
            EXPECT_EQ(server->requestCount(), requestsBefore); // nothing was sent
        }
        EXPECT_FALSE(QApplication::overrideCursor());
    }
}

TEST_F(ReleaseCheckUiTest, ANewerReleaseShowsItsNotesAndCancelStillStoresTheDate) {
    server->reply("/release.txt", releaseNotes("Release 4.78\n- faster\n- safer\n", installedMoment() + 2 * 86400));
    fakes->modal->on("dlg_189", [](QDialog& dialog) {
        auto* d = static_cast<DialogNewVersionInfo*>(&dialog);
        EXPECT_EQ(d->m_strReleaseNotes, "Release 4.78\r\n- faster\r\n- safer\r\n");
        auto* notes = d->control<QPlainTextEdit>(IDC_RELEASE_NOTES);
        EXPECT_EQ(notes->document()->blockCount(), 4); // three lines and the empty one after them
        EXPECT_EQ(notes->document()->findBlockByNumber(1).text(), "- faster");
        EXPECT_EQ(d->control<QLabel>(IDC_AVAILABLE_TEXT)->text(), "A new version of Corvana is available for download.");
        EXPECT_EQ(d->control<QPushButton>(IDOK)->text(), "Download it now");
        EXPECT_EQ(d->control<QPushButton>(IDCANCEL)->text(), "Cancel");
        EXPECT_FALSE(testsupport::saveRendering(dialog, "new-version").empty());
        QTest::mouseClick(d->control<QPushButton>(IDCANCEL), Qt::LeftButton);
    });
    check();
    EXPECT_EQ(fakes->modal->ran(), std::vector<std::string>{"dlg_189"});
    EXPECT_TRUE(fakes->boxes->texts().empty());
    ASSERT_EQ(storedDates.size(), 1u);
    EXPECT_TRUE(datesEqual(storedDates[0], today()));
}

TEST_F(ReleaseCheckUiTest, AnAnswerArrivingWhileAModalWindowIsOpenIsHandledOnceAfterIt) {
    HttpReply reply = releaseNotes("n\n", installedMoment());
    reply.delay = 200ms;
    server->reply("/release.txt", reply);
    ReleaseCheckRunner& r = makeRunner();
    ASSERT_TRUE(r.start());
    EXPECT_FALSE(r.start()); // one check at a time
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);

    // A dialog is open when the answer arrives, as is a box of the desktop.
    Dialog other(4242, fakes->bundle());
    fakes->modal->on("dlg_4242", [&](QDialog& dialog) {
        ASSERT_TRUE(r.waitForWorker(20s));
        QTest::qWait(300); // the answer is delivered meanwhile
        EXPECT_TRUE(fakes->boxes->texts().empty());
        EXPECT_TRUE(r.checking());
        dialog.accept();
    });
    other.DoModal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !r.checking(); }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(fakes->boxes->texts(), std::vector<std::string>{"Corvana is up-to-date!  "});
    EXPECT_EQ(storedDates.size(), 1u);

    // A runner that goes while its check runs shows nothing.
    server->reply("/release.txt", releaseNotes("n\n", installedMoment()));
    ASSERT_TRUE(r.start());
    runner.reset();
    QTest::qWait(300);
    EXPECT_EQ(fakes->boxes->texts().size(), 1u);
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(ReleaseCheckUiTest, TheSetupIsDownloadedToAPrivateFolderShownButNeverRun) {
    server->reply("/release.txt", releaseNotes("Release 4.78\n", installedMoment() + 30 * 86400));
    // The first try fails; the button comes back for a second one.
    server->reply("/CVR.zip", HttpReply::error(404));
    fakes->modal->on("dlg_189", [this](QDialog& dialog) {
        auto* d = static_cast<DialogNewVersionInfo*>(&dialog);
        QPushButton* download = d->control<QPushButton>(IDOK);
        QTest::mouseClick(download, Qt::LeftButton);
        EXPECT_FALSE(download->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([&] { return download->isEnabled(); }, 20000));
        EXPECT_EQ(d->control<QLineEdit>(IDC_STATUS)->text().toStdString(),
                  "Error: File not found: " + server->url("/CVR.zip"));
        setupArchive("#!/bin/sh\necho installed\n");
        QTest::mouseClick(download, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 20000));
        EXPECT_EQ(d->control<QLineEdit>(IDC_STATUS)->text().toStdString(),
                  "Finished downloading '" + server->url("/CVR.zip") + "'.");
    });
    check();
    EXPECT_EQ(server->targets(), (std::vector<std::string>{"/release.txt", "/CVR.zip", "/CVR.zip"}));
    ASSERT_EQ(fakes->boxes->shown().size(), 1u);
    const auto box = fakes->boxes->shown()[0];
    const std::string prefix = "A new version of Corvana has been downloaded to:\n";
    ASSERT_EQ(box.text.substr(0, prefix.size()), prefix);
    EXPECT_EQ(box.type & 0xF0, MB_ICONINFORMATION);
    const fs::path setup = box.text.substr(prefix.size());
    EXPECT_EQ(setup.filename(), "CVRSetup.exe");
    EXPECT_EQ(testsupport::readFile(setup), "#!/bin/sh\necho installed\n");
    struct stat info {};
    ASSERT_EQ(stat(setup.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0111, 0u); // nothing made it a program
    ASSERT_EQ(stat(setup.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The folder is shown; nothing else is opened.
    EXPECT_EQ(fakes->shell->opened(),
              std::vector<std::string>{QUrl::fromLocalFile(QString::fromStdString(setup.parent_path().string()))
                                           .toString()
                                           .toStdString()});
    ASSERT_EQ(storedDates.size(), 1u);
    fs::remove_all(setup.parent_path());
}

TEST_F(ReleaseCheckUiTest, ARetryThatFinishesDeletesTheEarlierSetupProgram) {
    setupArchive("setup");
    DialogNewVersionInfo dialog(fakes->bundle(), settings.server, [&] {
        DownloadOptions options;
        options.caFile = cert.certFile.string();
        return options;
    }(), nullptr, &downloads);
    std::vector<fs::path> files;
    for (int run = 0; run < 2; ++run) {
        dialog.m_btnDownload->setEnabled(true);
        dialog.OnDownload();
        ASSERT_TRUE(downloads.waitForWorkers(20s));
        ASSERT_TRUE(QTest::qWaitFor([&] { return fakes->boxes->shown().size() == static_cast<std::size_t>(run + 1); },
                                    5000));
        files.push_back(dialog.m_strSetupFile);
    }
    ASSERT_NE(files[0], files[1]);
    EXPECT_FALSE(fs::exists(files[0]));
    EXPECT_TRUE(fs::exists(files[1]));
    for (const auto& file : files)
        fs::remove_all(file.parent_path());
}

} // namespace
