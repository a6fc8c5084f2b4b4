// Jobs, items, events, reports and the download manager's abort rule, without a network.
#include "DownloadFixture.h"

#include "portfolio/WPapierDoc.h"
#include "retrieval/HttpTransfer.h"

#include <algorithm>
#include <future>
#include <thread>

using namespace downloadtest;

namespace {

std::unique_ptr<ExtractionItem> item(ItemPos pos, DownloadEventHandle wait = nullptr) {
    auto it = std::make_unique<ExtractionItem>();
    it->m_posItem = pos;
    it->m_szName = "item " + std::to_string(pos);
    it->SetWaitEvent(std::move(wait));
    return it;
}

} // namespace

TEST(DownloadJobTest, ItemsWithoutWaitEventsComeInOrderWithoutWaiting) {
    DownloadJob job;
    for (ItemPos pos : {3u, 1u, 2u})
        job.AddItem(item(pos));
    int index = 0;
    EXPECT_EQ(job.NextItem(index)->m_posItem, 3u);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(job.FindItem(2)->m_posItem, 2u);
    EXPECT_EQ(job.FindItem(9), nullptr);
    int past = 3;
    EXPECT_EQ(job.NextItem(past), nullptr);
    int negative = -1;
    EXPECT_EQ(job.NextItem(negative), nullptr);

    std::vector<ItemPos> order;
    while (auto next = job.WaitForAnyItem(std::chrono::hours(1)))
        order.push_back(next->m_posItem);
    EXPECT_EQ(order, (std::vector<ItemPos>{3, 1, 2}));
    EXPECT_TRUE(job.HasNoItems());
}

TEST(DownloadJobTest, WaitingItemsComeWhenTheirEventIsSetAndStayOtherwise) {
    auto first = CreateManualResetEvent();
    auto second = CreateManualResetEvent();
    DownloadJob job;
    job.AddItem(item(1, first));
    job.AddItem(item(2, second));

    EXPECT_EQ(job.WaitForAnyItem(std::chrono::milliseconds(30)), nullptr);
    EXPECT_EQ(job.m_Items.size(), 2u);

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        second->set();
    });
    auto next = job.WaitForAnyItem(std::chrono::seconds(10));
    setter.join();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->m_posItem, 2u);

    std::atomic<int> abort{1};
    EXPECT_EQ(job.WaitForAnyItem(std::chrono::seconds(10), &abort), nullptr);
    EXPECT_EQ(job.m_Items.size(), 1u);
}

TEST(DownloadJobTest, FreeingItemsSetsTheirEventsAndReleasesThemWithTheirLastHolder) {
    auto a = CreateManualResetEvent();
    auto b = CreateManualResetEvent();
    const std::uint32_t idA = a->id();
    DownloadJob job;
    auto rate = item(1);
    rate->AddSignalEvent(a);
    rate->AddSignalEvent(b);
    job.AddItem(std::move(rate));

    job.FreeItems();

    EXPECT_TRUE(job.HasNoItems());
    EXPECT_TRUE(a->isSet());
    EXPECT_TRUE(b->isSet());
    a.reset(); // the waiting side lets go as well
    EXPECT_FALSE(downloadEventBoard().isSignalled(idA));
}

TEST(DownloadNumbersTest, NumberDownloadsIsClampedWhereTheSemaphoreIsMade) {
    const std::pair<int, int> cases[] = {{-5, 1}, {0, 1}, {1, 1}, {5, 5}, {500, 500}, {501, 500}, {100000, 500}};
    for (const auto& [given, slots] : cases) {
        EXPECT_EQ(clampNumberDownloads(given), slots) << given;
        EXPECT_EQ(makeDownloadSemaphore(given)->maximum(), slots) << given;
    }
}

TEST(DownloadTextTest, ReceiversShowTheseTexts) {
    struct Case {
        int status;
        int detail;
        const char* url;
        const char* message;
        const char* preview;
        const char* text;
    };
    const Case cases[] = {
        {1, 0, "", "", "", "Initialized"},
        {2, 0, "", "", "", "Connecting..."},
        {3, 0, "", "", "", "Connected"},
        {5, 0, "", "", "", "Awaiting dependencies..."},
        {6, 0, "", "", "", "Extracting quotation..."},
        {7, 0, "", "", "", "Converting file..."},
        {8, 0, "", "", "", ""},
        {9, 0, "", "", "", "Error: Quotation not found!!"},
        {9, 0, "", "", "Kurs: n/a [...]", "Error: Quotation not found!! (Kurs: n/a [...])"},
        {10, 0, "", "", "", "Error: Invalid value!"},
        {11, 0, "", "", "", "Error: Text not found!"},
        {12, 5, "", "", "", "Error: Incorrect URL!"},
        {12, 6, "http://host/path/q?x=1", "", "", "Error: File not found: /path/q?x=1"},
        {12, 8, "", "", "", "Error: Timeout!"},
        {12, 9, "", "", "", "Error: Bad URL!"},
        {12, 10, "", "", "", "Error: Internal Server Error!"},
        {12, 11, "", "line one\r\nline two\n", "", "line one. line two. "},
        {12, -1, "", "", "", ""},
        {13, 0, "", "", "", "Download aborted!"},
    };
    for (const Case& c : cases) {
        DownloadStatus status;
        status.m_nStatus = c.status;
        status.m_nDetail = c.detail;
        status.m_szURL = c.url;
        status.m_szMessage = c.message;
        status.m_szPreview = c.preview;
        EXPECT_EQ(DownloadStatusText(status), c.text) << c.status << "/" << c.detail;
    }
}

// The list view's copy of a final report carries every field of it, each set to a value of its
// own, and takes the quotation over.
TEST(DownloadRecordTest, TheListViewCopyTakesTheQuotation) {
    DownloadStatus status;
    status.m_dwThreadId = 41;
    status.m_nJobId = 1;
    status.m_nStatus = DOWNLOAD_FINISHED;
    status.m_nDetail = DOWNLOAD_DETAIL_MESSAGE;
    status.m_nKBDone = 17;
    status.m_nKBTotal = 23;
    status.m_szName = "Alpha";
    status.m_szURL = "http://quotes.example/alpha";
    status.m_szFile = "/tmp/CVRpage.tmp";
    status.m_szSemiHtmlFile = "/tmp/CVRsemi.tmp";
    status.m_szTextFile = "/tmp/CVRtext.tmp";
    status.m_szMessage = "connection reset";
    status.m_szPreview = "Price: n/a";
    status.m_posItem = 4;
    status.m_pKurs = std::make_unique<CKurs>(OleDate(2024, 5, 17, 18, 0, 0), 2.5);
    status.m_pKurs->m_dOpen = 2.25;
    status.m_pKurs->m_dHigh = 2.75;
    status.m_pKurs->m_dLow = 2.125;
    status.m_pKurs->m_dVolume = 900;
    const CKurs* quotation = status.m_pKurs.get();

    const auto copy = status.copyTakingQuotation();

    EXPECT_EQ(copy->m_dwThreadId, 41u);
    EXPECT_EQ(copy->m_nJobId, 1);
    EXPECT_EQ(copy->m_nStatus, DOWNLOAD_FINISHED);
    EXPECT_EQ(copy->m_nDetail, DOWNLOAD_DETAIL_MESSAGE);
    EXPECT_EQ(copy->m_nKBDone, 17);
    EXPECT_EQ(copy->m_nKBTotal, 23);
    EXPECT_EQ(copy->m_szName, "Alpha");
    EXPECT_EQ(copy->m_szURL, "http://quotes.example/alpha");
    EXPECT_EQ(copy->m_szFile, "/tmp/CVRpage.tmp");
    EXPECT_EQ(copy->m_szSemiHtmlFile, "/tmp/CVRsemi.tmp");
    EXPECT_EQ(copy->m_szTextFile, "/tmp/CVRtext.tmp");
    EXPECT_EQ(copy->m_szMessage, "connection reset");
    EXPECT_EQ(copy->m_szPreview, "Price: n/a");
    EXPECT_EQ(copy->m_posItem, 4u);
    ASSERT_EQ(copy->m_pKurs.get(), quotation);
    EXPECT_TRUE(datesEqual(copy->m_pKurs->m_dtDate, OleDate(2024, 5, 17, 18, 0, 0)));
    EXPECT_EQ(copy->m_pKurs->m_dClose, 2.5);
    EXPECT_EQ(copy->m_pKurs->m_dOpen, 2.25);
    EXPECT_EQ(copy->m_pKurs->m_dHigh, 2.75);
    EXPECT_EQ(copy->m_pKurs->m_dLow, 2.125);
    EXPECT_EQ(copy->m_pKurs->m_dVolume, 900);
    EXPECT_EQ(status.m_pKurs, nullptr);
    // The record itself keeps its other fields for the Downloads window.
    EXPECT_EQ(status.m_szName, "Alpha");
    EXPECT_EQ(status.m_szPreview, "Price: n/a");
}

TEST(DownloadUrlTest, UrlsAreTakenApart) {
    using S = ParsedUrl::Service;
    struct Case {
        const char* url;
        S service;
        const char* server;
        const char* object;
        int port;
    };
    const Case cases[] = {
        {"http://example.com/q?s=1", S::Http, "example.com", "/q?s=1", 80},
        {"HTTPS://example.com", S::Https, "example.com", "/", 443},
        {"http://user@127.0.0.1:8080/a/b", S::Http, "127.0.0.1", "/a/b", 8080},
        {"http://[::1]:81/x", S::Http, "[::1]", "/x", 81},
        {"http://example.com?x", S::Http, "example.com", "/?x", 80},
        {"file:///tmp/page.html", S::File, "", "/tmp/page.html", 0},
        {"ftp://example.com/x", S::Other, "", "", 0},
        {"example.com/x", S::Invalid, "", "", 0},
        {"http:///x", S::Invalid, "", "", 0},
        {"http://example.com:0/", S::Invalid, "", "", 0},
        {"http://example.com:http/", S::Invalid, "", "", 0},
    };
    for (const Case& c : cases) {
        const ParsedUrl parsed = parseDownloadUrl(c.url);
        EXPECT_EQ(parsed.service, c.service) << c.url;
        EXPECT_EQ(parsed.server, c.server) << c.url;
        EXPECT_EQ(parsed.object, c.object) << c.url;
        EXPECT_EQ(parsed.port, c.port) << c.url;
    }
    EXPECT_EQ(encodeRequestUrl("http://h/q?n=Deutsche Bank&x=\xC3\xA4"), "http://h/q?n=Deutsche%20Bank&x=%C3%A4");
}

// Job-level reports reach every item still in the job (status 5 only those that wait); a page
// job posts one record without item.
TEST_F(DownloadTest, JobReportsFanOutToTheItemsStillInTheJob) {
    auto event = CreateManualResetEvent();
    auto job = makeJob("http://example.com/");
    job->AddItem(item(1));
    job->AddItem(item(2, event));
    job->AddItem(item(3));

    PostDownloadStatus(*job, DOWNLOAD_ERROR, DOWNLOAD_DETAIL_TIMEOUT, "", 0, 0);
    PostDownloadStatus(*job, DOWNLOAD_AWAITING, 0, "", 0, 0);
    auto reports = collect();

    ASSERT_EQ(reports.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(reports[i].status->m_nStatus, DOWNLOAD_ERROR);
        EXPECT_EQ(reports[i].status->m_nDetail, DOWNLOAD_DETAIL_TIMEOUT);
        EXPECT_EQ(reports[i].status->m_posItem, i + 1);
        EXPECT_EQ(reports[i].status->m_szName, "item " + std::to_string(i + 1));
    }
    EXPECT_EQ(reports[3].status->m_nStatus, DOWNLOAD_AWAITING);
    EXPECT_EQ(reports[3].status->m_posItem, 2u);

    auto page = makeJob("http://example.com/");
    page->m_bConvertAll = 1;
    page->m_nMessage = WMU_PAGE_DOWNLOAD_STATUS;
    PostDownloadStatus(*page, DOWNLOAD_PROGRESS, 0, "", 3, 7);
    reports = collect();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, WMU_PAGE_DOWNLOAD_STATUS);
    EXPECT_EQ(reports[0].status->m_posItem, 0u);
    EXPECT_EQ(reports[0].status->m_nKBDone, 3);
    EXPECT_EQ(reports[0].status->m_nKBTotal, 7);
}

// The abort flag falls back to 0 once no item is downloading and no worker is alive, whichever
// of the two ends last.
TEST_F(DownloadTest, TheAbortFlagCannotStaySet) {
    m_manager.abortAll();
    EXPECT_EQ(g_bAbortDownloads.load(), 0) << "an abort with nothing running is over at once";

    // The document's items marked as downloading keep it set, in any portfolio.
    CWPapierDoc doc;
    CWPapierDoc other;
    const ItemPos a = doc.AddItem(std::make_unique<CWPapier>());
    const ItemPos b = other.AddItem(std::make_unique<CWPapier>());
    doc.SetDownloadInProgress(a);
    other.SetDownloadInProgress(b);
    doc.AbortDownloads();
    EXPECT_EQ(g_bAbortDownloads.load(), 1);
    doc.ResetDownloadFlagAt(a);
    EXPECT_EQ(g_bAbortDownloads.load(), 1);
    other.ResetDownloadFlagAt(b);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);

    // A worker outlives the last item: the flag falls back when the worker ends.
    testsupport::LoopbackHttpServer server;
    server.reply("/silent", testsupport::HttpReply::silence());
    doc.SetDownloadInProgress(a);
    auto page = makeJob(server.url("/silent"), 60);
    page->m_bConvertAll = 1;
    m_manager.startQuotationDownload(std::move(page));
    for (int i = 0; i < 500 && server.requestCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_manager.abortAll();
    doc.ResetDownloadFlagAt(a);
    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
    EXPECT_EQ(m_manager.workersAlive(), 0);

    // A portfolio that goes away with items still marked does not keep an abort pending.
    {
        CWPapierDoc gone;
        gone.SetDownloadInProgress(gone.AddItem(std::make_unique<CWPapier>()));
        AbortAllDownloads();
        EXPECT_EQ(g_bAbortDownloads.load(), 1);
    }
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
}

// The first report of every item of an update is posted before any worker starts, so the count
// of active downloads cannot fall to 0 while later jobs are still starting.
TEST_F(DownloadTest, AnUpdateAnnouncesEveryItemBeforeAnyWorkerRuns) {
    std::vector<std::unique_ptr<DownloadJob>> jobs;
    for (ItemPos pos = 1; pos <= 6; pos += 2) {
        auto job = makeJob("ftp://127.0.0.1/fails-at-once");
        job->AddItem(item(pos));
        job->AddItem(item(pos + 1));
        jobs.push_back(std::move(job));
    }

    const auto ids = m_manager.startQuotationDownloads(std::move(jobs));
    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
    const auto reports = collect();

    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(allStatuses(reports), (std::vector<int>{1, 1, 1, 1, 1, 1, 12, 12, 12, 12, 12, 12}));
    for (const auto& r : reports) {
        const std::size_t job = (r.status->m_posItem - 1) / 2;
        EXPECT_EQ(r.status->m_dwThreadId, ids[job]) << "item " << r.status->m_posItem;
    }

    // After shut-down a job is refused, and its items still learn that it ended.
    m_manager.shutdown();
    auto late = makeJob("http://127.0.0.1/");
    late->AddItem(item(9));
    EXPECT_EQ(m_manager.startQuotationDownload(std::move(late)), 0u);
    EXPECT_EQ(statuses(collect(), 9), (std::vector<int>{1, 13}));
}

// A worker the abort cannot reach (here one that waits for the test, as a worker blocked in the
// open of a file on a hung mount waits for the system) does not hold up a shut-down with a bound:
// it is left behind and still counted; once it returns, it ends like any worker.
TEST_F(DownloadTest, AShutDownWithABoundLeavesAWorkerThatDoesNotEndBehind) {
    static std::promise<void> release;
    static std::shared_future<void> released;
    release = std::promise<void>();
    released = release.get_future().share();
    const auto blocked = [](std::unique_ptr<DownloadJob>) {
        released.wait();
        return 0;
    };
    ASSERT_NE(m_manager.startWorker(makeJob("file:///hung/mount/page.html"), blocked), 0u);
    auto quick = makeJob("ftp://127.0.0.1/fails-at-once");
    quick->AddItem(item(1));
    ASSERT_NE(m_manager.startQuotationDownload(std::move(quick)), 0u);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_manager.shutdown(std::chrono::milliseconds(300)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(m_manager.workersAlive(), 1);
    EXPECT_EQ(statuses(collect(), 1), (std::vector<int>{1, 12}));

    release.set_value();
    EXPECT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
    EXPECT_TRUE(m_manager.shutdown());
    EXPECT_EQ(m_manager.workersAlive(), 0);
}

// The workers of an update are started off the caller's thread. Jobs still waiting for their
// thread or for a slot are reached by an abort, and a shut-down ends the jobs still queued: every
// item gets its first report and exactly one final report, and no worker is left counted.
TEST_F(DownloadTest, AnAbortAndAShutDownReachEveryQueuedJob) {
    testsupport::LoopbackHttpServer server;
    server.reply("/page", testsupport::HttpReply::page("<p>Kurs: 1,5</p>"));
    constexpr ItemPos kJobs = 120;
    const auto update = [&](const std::shared_ptr<CountingSemaphore>& slots) {
        std::vector<std::unique_ptr<DownloadJob>> jobs;
        for (ItemPos pos = 1; pos <= kJobs; ++pos) {
            auto job = makeJob(server.url("/page"), 30);
            job->m_pSemaphore = slots;
            job->AddItem(anchorItem(pos, "item", "Kurs:"));
            jobs.push_back(std::move(job));
        }
        return m_manager.startQuotationDownloads(std::move(jobs));
    };
    const auto expectOneFirstAndOneFinalReport = [&](const std::vector<Report>& reports, int final) {
        for (ItemPos pos = 1; pos <= kJobs; ++pos) {
            const std::vector<int> got = statuses(reports, pos);
            ASSERT_FALSE(got.empty()) << "item " << pos;
            EXPECT_EQ(got.front(), DOWNLOAD_INITIALIZED) << "item " << pos;
            EXPECT_EQ(std::count(got.begin(), got.end(), DOWNLOAD_INITIALIZED), 1) << "item " << pos;
            EXPECT_EQ(std::count_if(got.begin(), got.end(), isFinalDownloadStatus), 1) << "item " << pos;
            EXPECT_EQ(got.back(), final) << "item " << pos;
        }
    };

    // Every slot is taken: the jobs wait, queued or for a slot, until the abort.
    const auto slots = makeDownloadSemaphore(1);
    ASSERT_TRUE(slots->tryAcquire());
    const auto ids = update(slots);
    ASSERT_EQ(ids.size(), static_cast<std::size_t>(kJobs));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0u), 0);
    EXPECT_EQ(m_manager.workersAlive(), static_cast<int>(kJobs));
    m_manager.abortAll();
    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(30))));
    expectOneFirstAndOneFinalReport(collect(), DOWNLOAD_ABORTED);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
    EXPECT_EQ(server.requestCount(), 0u);
    slots->release();

    // A shut-down right after the start: what did not run yet ends as aborted.
    update(makeDownloadSemaphore(2));
    EXPECT_TRUE(m_manager.shutdown(std::chrono::seconds(30)));
    EXPECT_EQ(m_manager.workersAlive(), 0);
    const auto reports = collect();
    for (ItemPos pos = 1; pos <= kJobs; ++pos) {
        const std::vector<int> got = statuses(reports, pos);
        ASSERT_FALSE(got.empty()) << "item " << pos;
        EXPECT_EQ(got.front(), DOWNLOAD_INITIALIZED) << "item " << pos;
        EXPECT_EQ(std::count_if(got.begin(), got.end(), isFinalDownloadStatus), 1) << "item " << pos;
    }
    const auto late = update(makeDownloadSemaphore(2));
    EXPECT_EQ(std::count(late.begin(), late.end(), 0u), static_cast<long>(kJobs));
    expectOneFirstAndOneFinalReport(collect(), DOWNLOAD_ABORTED);
}
