// The setup download: the release archive over verified https into a private folder.
#include "DownloadFixture.h"

#include "portfolio/ZipWriter.h"

#include <sys/stat.h>

#include <random>
#include <thread>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

std::string randomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

} // namespace

class SetupDownloadTest : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        m_cert = testsupport::makeSelfSignedCertificate(dir());
        m_server = std::make_unique<LoopbackHttpServer>(m_cert);
    }
    void TearDown() override {
        m_server.reset();
        DownloadTest::TearDown();
    }

    // A zip archive holding `entry` with `content`.
    std::string archive(const char* entry, const std::string& content) {
        const auto file = dir() / "archive.zip";
        ZipWriter::Handle zip;
        EXPECT_EQ(ZipWriter::CreateFile(zip, file.c_str(), nullptr), ZIP_OK);
        EXPECT_EQ(ZipWriter::AddBuffer(zip, entry, content.data(), static_cast<unsigned>(content.size())), ZIP_OK);
        EXPECT_EQ(ZipWriter::Close(zip), ZIP_OK);
        return testsupport::readFile(file);
    }

    std::vector<Report> runSetup(const std::string& url) {
        auto job = std::make_unique<DownloadJob>();
        job->m_szURL = url;
        job->m_nJobId = 1;
        job->m_bDownloadOnly = 1;
        job->m_hWnd = receiver();
        job->m_nMessage = WMU_SETUP_DOWNLOAD_STATUS;
        job->m_Options.caFile = m_cert.certFile.string();
        EXPECT_NE(m_manager.startSetupDownload(std::move(job)), 0u);
        EXPECT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(20))));
        return collect();
    }

    testsupport::TestCertificate m_cert;
    std::unique_ptr<LoopbackHttpServer> m_server;
};

TEST_F(SetupDownloadTest, TheSetupProgramIsUnpackedIntoAPrivateFolder) {
    const std::string setup = randomBytes(250 * 1024);
    const std::string zip = archive("CVRSetup.exe", setup);
    ASSERT_GE(zip.size(), 250u * 1024);
    ASSERT_LT(zip.size(), 251u * 1024);
    HttpReply reply = HttpReply::page(zip);
    reply.contentType = "application/zip";
    m_server->reply("/CVR.zip", reply);

    const auto reports = runSetup(m_server->url("/CVR.zip"));

    std::vector<int> codes;
    std::vector<std::pair<int, int>> progress;
    for (const auto& r : reports) {
        EXPECT_EQ(r.message, WMU_SETUP_DOWNLOAD_STATUS);
        EXPECT_EQ(r.status->m_nJobId, 1);
        codes.push_back(r.status->m_nStatus);
        if (r.status->m_nStatus == DOWNLOAD_PROGRESS)
            progress.emplace_back(r.status->m_nKBDone, r.status->m_nKBTotal);
    }
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3, 4, 4, 4, 8}));
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{100, 250}, {200, 250}, {250, 250}}));
    const DownloadStatus& done = *reports.back().status;
    const std::filesystem::path program = done.m_szFile;
    EXPECT_EQ(program.filename(), "CVRSetup.exe");
    EXPECT_EQ(program.parent_path().parent_path(), tmp());
    EXPECT_EQ(testsupport::readFile(program), setup);
    struct stat info {};
    ASSERT_EQ(stat(program.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Only the folder with the setup program is left; the archive is gone.
    const auto left = tmpFiles();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(SetupDownloadTest, FailuresLeaveNothingBehind) {
    m_server->reply("/other.zip", HttpReply::page(archive("README.txt", "no setup here")));
    m_server->reply("/broken.zip", HttpReply::page("this is not a zip archive"));
    m_server->reply("/busy.zip", HttpReply::error(503));
    m_server->reply("/refused.zip", HttpReply::error(403));
    m_server->reply("/unchanged.zip", HttpReply::error(304));
    struct Case {
        std::string url;
        int detail;
        const char* message;
    };
    const std::vector<Case> cases = {
        {m_server->url("/other.zip"), 11, "Error: Could not unzip downloaded file!"},
        {m_server->url("/broken.zip"), 11, "Error: Could not unzip downloaded file!"},
        {m_server->url("/missing.zip"), 6, ""},
        {m_server->url("/busy.zip"), 10, ""},
        {m_server->url("/refused.zip"), 9, ""},
        {m_server->url("/unchanged.zip"), 11, ""},
        // Only https is taken for a program the user is about to run.
        {"http://127.0.0.1:" + std::to_string(m_server->port()) + "/CVR.zip", 5, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const auto reports = runSetup(c.url);
        ASSERT_FALSE(reports.empty());
        const DownloadStatus& last = *reports.back().status;
        EXPECT_EQ(last.m_nStatus, DOWNLOAD_ERROR);
        EXPECT_EQ(last.m_nDetail, c.detail);
        EXPECT_EQ(last.m_szMessage, c.message);
        EXPECT_TRUE(tmpFiles().empty());
    }
    EXPECT_EQ(m_server->requestCount(), 6u) << "the http address was never asked";
}

TEST_F(SetupDownloadTest, AnAbortDuringTheTransferDeletesTheArchive) {
    HttpReply slow = HttpReply::page(randomBytes(400 * 1024));
    slow.pieceSize = 8 * 1024;
    slow.pieceDelay = std::chrono::milliseconds(50);
    m_server->reply("/CVR.zip", slow);
    auto job = std::make_unique<DownloadJob>();
    job->m_szURL = m_server->url("/CVR.zip");
    job->m_bDownloadOnly = 1;
    job->m_hWnd = receiver();
    job->m_nMessage = WMU_SETUP_DOWNLOAD_STATUS;
    job->m_Options.caFile = m_cert.certFile.string();
    m_manager.startSetupDownload(std::move(job));
    // Abort once the first progress report (100 KB) is in.
    std::vector<Report> reports;
    const auto sawProgress = [&] {
        for (const auto& r : reports)
            if (r.status->m_nStatus == DOWNLOAD_PROGRESS)
                return true;
        return false;
    };
    for (int i = 0; i < 1000 && !sawProgress(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (auto& r : collect())
            reports.push_back(std::move(r));
    }
    ASSERT_TRUE(sawProgress());

    m_manager.abortAll();

    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
    for (auto& r : collect())
        reports.push_back(std::move(r));
    EXPECT_EQ(reports.back().status->m_nStatus, DOWNLOAD_ABORTED);
    EXPECT_TRUE(tmpFiles().empty());
}
