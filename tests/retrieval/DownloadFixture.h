#pragma once
// Fixture of the download tests: a private temporary folder for the workers' files (TMPDIR), no
// proxy from the environment, a receiver for the reports on a queue the test drains, and a
// download manager of the test's own.

#include "platform/Clock.h"
#include "platform/MessageTarget.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/download.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingReceiver.h"
#include "support/Sanitizer.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace downloadtest {

// One report as the receiver got it.
struct Report {
    std::uint32_t message = 0;
    std::unique_ptr<DownloadStatus> status;
};

class DownloadTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        m_tmp = dir() / "tmp";
        std::filesystem::create_directories(m_tmp);
        setenv("TMPDIR", m_tmp.c_str(), 1);
        for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                                 "no_proxy", "NO_PROXY"})
            unsetenv(name);
        g_bAbortDownloads = 0;
        m_queue = std::make_shared<ManualMessageQueue>();
        m_registration = ReceiverRegistration(MessageTarget::instance(), m_receiver, m_queue);
    }

    void TearDown() override {
        m_manager.shutdown();
        m_registration.reset();
        m_queue->drain();
        g_bAbortDownloads = 0;
        unsetenv("TMPDIR");
        TempDirTest::TearDown();
    }

    ReceiverId receiver() const { return m_registration.id(); }
    const std::filesystem::path& tmp() const { return m_tmp; }

    // An update job for `url` reporting to the test's receiver.
    std::unique_ptr<DownloadJob> makeJob(const std::string& url, int timeout = 5) const {
        auto job = std::make_unique<DownloadJob>();
        job->m_szURL = url;
        job->m_nTimeout = timeout;
        job->m_hWnd = receiver();
        job->m_nMessage = WMU_DOWNLOAD_STATUS;
        return job;
    }

    // An item read by anchor text.
    static std::unique_ptr<ExtractionItem> anchorItem(ItemPos pos, const std::string& name, const std::string& anchor,
                                                      int format = 0) {
        auto item = std::make_unique<ExtractionItem>();
        item->m_posItem = pos;
        item->m_szName = name;
        item->m_szThousands = ".";
        item->m_szDecimal = ",";
        item->m_bNoCaseSensitive = 1;
        item->m_szTextBeforeValue = anchor;
        item->m_nFormat = format;
        return item;
    }

    // Starts the job, waits until its worker has ended and returns what the receiver got.
    std::vector<Report> run(std::unique_ptr<DownloadJob> job) {
        EXPECT_NE(m_manager.startQuotationDownload(std::move(job)), 0u);
        EXPECT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(20))));
        return collect();
    }

    // Delivers what is queued and takes it.
    std::vector<Report> collect() {
        m_queue->drain();
        std::vector<Report> reports;
        for (auto& message : m_receiver.take()) {
            Report report;
            report.message = message.message;
            if (message.recordAs<DownloadStatus>())
                report.status.reset(static_cast<DownloadStatus*>(message.record.release()));
            reports.push_back(std::move(report));
        }
        return reports;
    }

    static std::vector<int> statuses(const std::vector<Report>& reports, ItemPos pos) {
        std::vector<int> out;
        for (const auto& r : reports)
            if (r.status && r.status->m_posItem == pos)
                out.push_back(r.status->m_nStatus);
        return out;
    }

    static std::vector<int> allStatuses(const std::vector<Report>& reports) {
        std::vector<int> out;
        for (const auto& r : reports)
            out.push_back(r.status ? r.status->m_nStatus : -1);
        return out;
    }

    static const DownloadStatus* finalFor(const std::vector<Report>& reports, ItemPos pos) {
        const DownloadStatus* found = nullptr;
        for (const auto& r : reports)
            if (r.status && r.status->m_posItem == pos && isFinalDownloadStatus(r.status->m_nStatus)) {
                EXPECT_EQ(found, nullptr) << "two final reports for item " << pos;
                found = r.status.get();
            }
        return found;
    }

    std::vector<std::string> tmpFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_tmp))
            names.push_back(entry.path().filename().string());
        return names;
    }

    DownloadManager m_manager;

private:
    std::filesystem::path m_tmp;
    std::shared_ptr<ManualMessageQueue> m_queue;
    testsupport::RecordingReceiver m_receiver;
    ReceiverRegistration m_registration;
};

} // namespace downloadtest
