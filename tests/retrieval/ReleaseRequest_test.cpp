// The release check's requests: the release date of "/release.txt" and the setup download job of
// a new release, against a real HTTPS server on 127.0.0.1.
#include "DownloadFixture.h"

#include "platform/Settings.h"
#include "portfolio/ZipWriter.h"
#include "retrieval/ReleaseCheck.h"

#include <sys/stat.h>

using namespace downloadtest;
using namespace std::chrono_literals;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

class ReleaseRequestTest : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        m_cert = testsupport::makeSelfSignedCertificate(dir());
        m_server = std::make_unique<LoopbackHttpServer>(m_cert);
        m_options.caFile = m_cert.certFile.string();
    }
    void TearDown() override {
        m_server.reset();
        DownloadTest::TearDown();
    }

    testsupport::TestCertificate m_cert;
    std::unique_ptr<LoopbackHttpServer> m_server;
    ReleaseRequestOptions m_options;
};

TEST_F(ReleaseRequestTest, TheAnswerGivesStatusLastModifiedAndTheNotes) {
    HttpReply reply = HttpReply::page("Release 4.78\nfaster\n");
    reply.headers.emplace_back("Last-Modified", "Sun, 12 Mar 2023 11:00:00 GMT");
    m_server->reply("/release.txt", reply);
    HttpReply undated = HttpReply::page("notes");
    undated.headers.emplace_back("Last-Modified", "yesterday");
    m_server->reply("/undated.txt", undated);

    ReleaseDateRequest request(m_options, nullptr);
    ASSERT_EQ(request.open(m_server->url("/release.txt")), ReleaseDateRequest::Result::Answered) << request.errorText();
    EXPECT_EQ(request.status(), 200);
    ASSERT_TRUE(request.lastModified());
    EXPECT_EQ(*request.lastModified(), 1678618800);
    std::string notes;
    EXPECT_EQ(request.readNotes(notes, 1 << 20), ReleaseDateRequest::Result::Answered);
    EXPECT_EQ(notes, "Release 4.78\nfaster\n");
    EXPECT_EQ(m_server->requests().back().headers.at("user-agent"), "Corvana");

    ASSERT_EQ(request.open(m_server->url("/undated.txt")), ReleaseDateRequest::Result::Answered);
    EXPECT_FALSE(request.lastModified());
    ASSERT_EQ(request.open(m_server->url("/missing.txt")), ReleaseDateRequest::Result::Answered);
    EXPECT_EQ(request.status(), 404);
    EXPECT_FALSE(request.lastModified());
}

TEST_F(ReleaseRequestTest, OnlyVerifiedHttpsWithinTheTimeLimit) {
    LoopbackHttpServer plain;
    plain.reply("/release.txt", HttpReply::page("notes"));
    ReleaseDateRequest request(m_options, nullptr);
    EXPECT_EQ(request.open(plain.url("/release.txt")), ReleaseDateRequest::Result::Failed);
    EXPECT_FALSE(request.errorText().empty());
    EXPECT_EQ(plain.requestCount(), 0u);

    // The notes of a server that sends slowly end at the limit, counted from the request.
    HttpReply slow = HttpReply::page(std::string(200 * 1024, 'n'));
    slow.pieceSize = 1024;
    slow.pieceDelay = 100ms;
    m_server->reply("/release.txt", slow);
    m_options.totalTimeout = 4s;
    ReleaseDateRequest limited(m_options, nullptr);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(limited.open(m_server->url("/release.txt")), ReleaseDateRequest::Result::Answered) << limited.errorText();
    std::string notes;
    EXPECT_EQ(limited.readNotes(notes, 1 << 20), ReleaseDateRequest::Result::Failed);
    EXPECT_EQ(limited.errorText(), "Timeout was reached");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 12s);

    // A proxy of the options is used when the standard proxy is off: one that is not there fails.
    m_options.totalTimeout = 30s;
    m_options.standardProxy = false;
    m_options.proxyAddress = "127.0.0.1";
    m_options.proxyPort = plain.port() == 1 ? 2 : 1;
    ReleaseDateRequest proxied(m_options, nullptr);
    EXPECT_EQ(proxied.open(m_server->url("/release.txt")), ReleaseDateRequest::Result::Failed);
}

TEST_F(ReleaseRequestTest, TheNotesAreCutAtTheirLimit) {
    m_server->reply("/release.txt", HttpReply::page(std::string(10000, 'n')));
    ReleaseDateRequest request(m_options, nullptr);
    ASSERT_EQ(request.open(m_server->url("/release.txt")), ReleaseDateRequest::Result::Answered);
    std::string notes;
    EXPECT_EQ(request.readNotes(notes, 4000), ReleaseDateRequest::Result::Answered);
    EXPECT_EQ(notes, std::string(4000, 'n'));
}

TEST_F(ReleaseRequestTest, TheServerIsTheSettingElseTheBuiltInOne) {
    SettingsStore store(dir() / "store.conf");
    EXPECT_EQ(releaseServer(store), defaultReleaseServer());
    EXPECT_TRUE(defaultReleaseServer().starts_with("https://"));
    store.writeString("GeneralOptions", "ReleaseServer", m_server->url("/"));
    EXPECT_EQ(releaseServer(store), m_server->url(""));
    EXPECT_EQ(setupArchiveUrl(releaseServer(store)), m_server->url("/CVR.zip"));
}

TEST_F(ReleaseRequestTest, TheSetupDownloadLandsInAPrivateFolderAndNothingIsRun) {
    // The "setup program" would leave a mark if anything ran it.
    const std::filesystem::path mark = dir() / "ran";
    const std::string script = "#!/bin/sh\ntouch '" + mark.string() + "'\n";
    const auto archive = dir() / "CVR.zip";
    ZipWriter::Handle zip;
    ASSERT_EQ(ZipWriter::CreateFile(zip, archive.c_str(), nullptr), ZIP_OK);
    ASSERT_EQ(ZipWriter::AddBuffer(zip, "CVRSetup.exe", script.data(), static_cast<unsigned>(script.size())), ZIP_OK);
    ASSERT_EQ(ZipWriter::Close(zip), ZIP_OK);
    m_server->reply("/CVR.zip", HttpReply::page(testsupport::readFile(archive)));

    DownloadOptions options;
    options.caFile = m_cert.certFile.string();
    auto job = makeSetupDownloadJob(m_server->url(""), receiver(), options);
    EXPECT_EQ(job->m_nJobId, 0);
    EXPECT_EQ(job->m_bDownloadOnly, 1);
    EXPECT_EQ(job->m_pSemaphore, nullptr);
    ASSERT_NE(m_manager.startSetupDownload(std::move(job)), 0u);
    ASSERT_TRUE(m_manager.waitForWorkers(20s));
    const auto reports = collect();

    ASSERT_FALSE(reports.empty());
    for (const auto& report : reports) {
        EXPECT_EQ(report.message, WMU_SETUP_DOWNLOAD_STATUS);
        EXPECT_EQ(report.status->m_nJobId, 0);
        EXPECT_EQ(report.status->m_posItem, 0u);
    }
    const DownloadStatus& done = *reports.back().status;
    ASSERT_EQ(done.m_nStatus, DOWNLOAD_FINISHED) << DownloadStatusText(done);
    EXPECT_EQ(done.m_szURL, m_server->url("/CVR.zip"));
    const std::filesystem::path program = done.m_szFile;
    EXPECT_EQ(testsupport::readFile(program), script);
    EXPECT_EQ(program.parent_path().parent_path(), tmp());
    struct stat info {};
    ASSERT_EQ(stat(program.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(program.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0111, 0u) << "the setup program is not made executable";
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(std::filesystem::exists(mark));
}
