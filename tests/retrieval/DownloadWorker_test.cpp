// The quotation and page worker against a real HTTP server on 127.0.0.1 and local files.
#include "DownloadFixture.h"

#include "retrieval/filtering.h"

#include <fstream>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

const char* const kPage = "<html><body><p>Kurs: <b>12,34</b> EUR</p><p>Volumen: 1.500</p></body></html>";

// A fixed "now": 15 March 2024, 10:00 local time.
Clock::time_point referenceNow() {
    return std::chrono::system_clock::from_time_t(*OleDate(2024, 3, 15, 10, 0, 0).toTimeT());
}

std::unique_ptr<ExtractionItem> regExpItem(ItemPos pos, const std::string& name, std::string pattern) {
    auto item = std::make_unique<ExtractionItem>();
    item->m_posItem = pos;
    item->m_szName = name;
    item->m_szThousands = ".";
    item->m_szDecimal = ",";
    item->m_nFiltering = 1;
    RegExpExpandPlaceHolders(pattern, *item, item->m_szDecimal, item->m_szThousands);
    item->m_szRegExp = pattern;
    return item;
}

} // namespace

TEST_F(DownloadTest, OneItemReportsEveryStepAndItsQuotation) {
    FixedClock clock(referenceNow());
    ScopedClock useClock(clock);
    LoopbackHttpServer server;
    server.reply("/quote", HttpReply::page(kPage));
    auto job = makeJob(server.url("/quote"));
    job->AddItem(anchorItem(7, "Alpha", "Kurs:"));

    const auto reports = run(std::move(job));

    EXPECT_EQ(statuses(reports, 7), (std::vector<int>{1, 2, 3, 4, 7, 6, 8}));
    const DownloadStatus* done = finalFor(reports, 7);
    ASSERT_NE(done, nullptr);
    ASSERT_NE(done->m_pKurs, nullptr);
    EXPECT_DOUBLE_EQ(done->m_pKurs->m_dClose, 12.34);
    EXPECT_TRUE(datesEqual(done->m_pKurs->m_dtDate, OleDate(2024, 3, 15, 10, 0, 0)));
    EXPECT_EQ(done->m_szName, "Alpha");
    EXPECT_EQ(done->m_szURL, server.url("/quote"));
    EXPECT_EQ(reports.back().message, WMU_DOWNLOAD_STATUS);
    for (const auto& r : reports) {
        EXPECT_NE(r.status->m_dwThreadId, 0u);
        EXPECT_EQ(r.status->m_dwThreadId, reports.front().status->m_dwThreadId);
    }

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].headers.at("accept"), "text/*");
    EXPECT_EQ(requests[0].headers.at("user-agent"), "CVR");
    EXPECT_TRUE(tmpFiles().empty()) << "the worker left its files behind";
}

TEST_F(DownloadTest, ItemsOfOneJobShareThePageAndEachGetsItsOwnResult) {
    LoopbackHttpServer server;
    server.reply("/page", HttpReply::page(kPage));
    auto job = makeJob(server.url("/page"));
    auto semi = anchorItem(1, "semi", "Kurs:", 1);
    semi->m_nHtmlBeforeValue = 1;
    job->AddItem(std::move(semi));
    job->AddItem(anchorItem(2, "missing", "Dividende:", 1));
    job->AddItem(regExpItem(3, "pattern", "Volumen: [&quotation_close]"));
    job->AddItem(regExpItem(4, "no match", "Umsatz: [&quotation_close]"));
    job->AddItem(anchorItem(5, "semi again", "Volumen:", 1));

    const auto reports = run(std::move(job));

    EXPECT_EQ(server.requestCount(), 1u);
    // Job-level reports go to every item before any item is extracted; then item by item.
    const std::vector<int> expected{1, 1, 1, 1, 1, 2, 2, 2,  2, 2, 3, 3, 3, 3, 3, 4, 4, 4,
                                    4, 4, 7, 6, 8, 7, 6, 11, 7, 6, 8, 7, 6, 9, 7, 6, 8};
    EXPECT_EQ(allStatuses(reports), expected);
    EXPECT_DOUBLE_EQ(finalFor(reports, 1)->m_pKurs->m_dClose, 12.34);
    EXPECT_EQ(finalFor(reports, 2)->m_pKurs, nullptr);
    EXPECT_DOUBLE_EQ(finalFor(reports, 3)->m_pKurs->m_dClose, 1500.0);
    EXPECT_FALSE(finalFor(reports, 4)->m_szPreview.empty());
    EXPECT_DOUBLE_EQ(finalFor(reports, 5)->m_pKurs->m_dClose, 1500.0);
    // Both semi-html items read the one conversion made for the job.
    EXPECT_EQ(finalFor(reports, 1)->m_szTextFile, finalFor(reports, 5)->m_szTextFile);
    EXPECT_NE(finalFor(reports, 1)->m_szTextFile, finalFor(reports, 3)->m_szTextFile);
    EXPECT_TRUE(tmpFiles().empty());
}

// The attempts of one job: server errors are tried three times, 500 ms apart; a missing page of a
// URL with date place holders is tried for three earlier days.
TEST_F(DownloadTest, AttemptSequences) {
    FixedClock clock(referenceNow());
    ScopedClock useClock(clock);
    struct Case {
        const char* name;
        const char* urlPath;
        std::vector<std::pair<std::string, std::vector<int>>> answers; // path -> statuses in turn
        bool useGivenDate;
        std::vector<std::string> expectedTargets;
        int finalStatus;
        int detail;
        const char* urlAfter; // the job's URL in the final report
    };
    const std::vector<Case> cases = {
        {"a missing day steps back",
         "/d/[&d].html",
         {{"/d/13.html", {200}}},
         false,
         {"/d/15.html", "/d/14.html", "/d/13.html"},
         8,
         0,
         "/d/[&d].html"},
        {"four missing days",
         "/d/[&d].html",
         {},
         false,
         {"/d/15.html", "/d/14.html", "/d/13.html", "/d/12.html"},
         12,
         6,
         "/d/15.html"},
        {"a given date never steps back", "/d/[&d].html", {}, true, {"/d/15.html"}, 12, 6, "/d/15.html"},
        {"server errors are retried", "/e", {{"/e", {503, 503, 200}}}, false, {"/e", "/e", "/e"}, 8, 0, "/e"},
        {"three server errors", "/e", {{"/e", {500}}}, false, {"/e", "/e", "/e"}, 12, 10, "/e"},
        {"a missing page", "/m", {}, false, {"/m"}, 12, 6, "/m"},
        {"a refused request", "/r", {{"/r", {403}}}, false, {"/r"}, 12, 9, "/r"},
        {"a missing page after a server error",
         "/d/[&d].html",
         {{"/d/15.html", {503, 404}}},
         false,
         {"/d/15.html", "/d/15.html"},
         12,
         9,
         "/d/15.html"},
        {"an answer that is neither page nor error", "/n", {{"/n", {304}}}, false, {"/n"}, 12, 11, "/n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server;
        for (const auto& [path, statuses] : c.answers) {
            std::vector<HttpReply> replies;
            for (const int status : statuses)
                replies.push_back(status == 200 ? HttpReply::page(kPage) : HttpReply::error(status));
            server.replySequence(path, replies);
        }
        auto job = makeJob(server.url(c.urlPath));
        job->m_bUseGivenDate = c.useGivenDate ? 1 : 0;
        OleDate(2024, 3, 15, 10, 0, 0).GetAsSystemTime(job->m_stReferenceDate);
        job->AddItem(anchorItem(1, "item", "Kurs:"));

        const auto reports = run(std::move(job));

        EXPECT_EQ(server.targets(), c.expectedTargets);
        const DownloadStatus* done = finalFor(reports, 1);
        ASSERT_NE(done, nullptr);
        EXPECT_EQ(done->m_nStatus, c.finalStatus);
        EXPECT_EQ(done->m_nDetail, c.detail);
        EXPECT_EQ(done->m_szURL, server.url(c.urlAfter));
        if (c.finalStatus == 12 && c.detail == 11) {
            EXPECT_EQ(done->m_szMessage, "");
        }
        const auto requests = server.requests();
        for (std::size_t i = 1; i < requests.size(); ++i)
            if (requests[i].target == requests[i - 1].target) { // a retry, not a step back
                EXPECT_GE(requests[i].time - requests[i - 1].time, std::chrono::milliseconds(490));
            }
        EXPECT_TRUE(tmpFiles().empty());
    }
}

// A pattern with a date but no time dates an earlier day's quotation at 20:00 and today's at the
// time the reference gives; an anchor-text item read after a pattern item carries only its close.
TEST_F(DownloadTest, QuotationDatesAndValuesByMethod) {
    FixedClock clock(referenceNow());
    ScopedClock useClock(clock);
    LoopbackHttpServer server;
    server.reply("/history", HttpReply::page("<p>Datum: 14.03.2024 Open: 11,50 Kurs: 12,34</p>"
                                             "<p>Heute: 15.03.2024 Open: 12,00 Kurs: 12,50</p>"));
    auto job = makeJob(server.url("/history"));
    job->AddItem(regExpItem(1, "yesterday",
                            "Datum: [&day]\\.[&month]\\.[&year] Open: [&quotation_open] Kurs: [&quotation_close]"));
    job->AddItem(regExpItem(2, "today",
                            "Heute: [&day]\\.[&month]\\.[&year] Open: [&quotation_open] Kurs: "
                            "[&quotation_close]"));
    job->AddItem(anchorItem(3, "anchor", "Kurs:"));

    const auto reports = run(std::move(job));

    const CKurs* yesterday = finalFor(reports, 1)->m_pKurs.get();
    const CKurs* today = finalFor(reports, 2)->m_pKurs.get();
    const CKurs* anchor = finalFor(reports, 3)->m_pKurs.get();
    ASSERT_TRUE(yesterday && today && anchor);
    EXPECT_TRUE(datesEqual(yesterday->m_dtDate, OleDate(2024, 3, 14, 20, 0, 0))) << yesterday->m_dtDate.Format("%c");
    EXPECT_DOUBLE_EQ(yesterday->m_dOpen, 11.5);
    EXPECT_DOUBLE_EQ(yesterday->m_dClose, 12.34);
    EXPECT_TRUE(datesEqual(today->m_dtDate, OleDate(2024, 3, 15, 10, 0, 0))) << today->m_dtDate.Format("%c");
    EXPECT_DOUBLE_EQ(today->m_dClose, 12.5);
    EXPECT_DOUBLE_EQ(anchor->m_dClose, 12.34);
    EXPECT_DOUBLE_EQ(anchor->m_dOpen, 0.0);
}

TEST_F(DownloadTest, RedirectsAreFollowed) {
    LoopbackHttpServer server;
    server.reply("/old", HttpReply::redirect("/new"));
    server.reply("/new", HttpReply::page(kPage));
    auto job = makeJob(server.url("/old"));
    job->AddItem(anchorItem(1, "item", "Kurs:"));

    const auto reports = run(std::move(job));

    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/old", "/new"}));
    EXPECT_EQ(finalFor(reports, 1)->m_nStatus, DOWNLOAD_FINISHED);
}

TEST_F(DownloadTest, ProgressIsReportedEveryTenKilobytesWithAndWithoutLength) {
    const std::string body = std::string(25 * 1024, 'x');
    for (const bool withLength : {true, false}) {
        SCOPED_TRACE(withLength ? "Content-Length" : "chunked");
        LoopbackHttpServer server;
        HttpReply slow = HttpReply::page(body);
        slow.withLength = withLength;
        slow.pieceSize = 4096;
        slow.pieceDelay = std::chrono::milliseconds(5);
        server.reply("/big", slow);
        auto job = makeJob(server.url("/big"));
        job->AddItem(anchorItem(1, "item", "Kurs:"));

        const auto reports = run(std::move(job));

        std::vector<std::pair<int, int>> progress;
        const DownloadStatus* first = nullptr;
        for (const auto& r : reports)
            if (r.status->m_nStatus == DOWNLOAD_PROGRESS) {
                progress.emplace_back(r.status->m_nKBDone, r.status->m_nKBTotal);
                if (!first)
                    first = r.status.get();
            }
        const int total = withLength ? 25 : 0;
        EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{10, total}, {20, total}, {25, total}}));
        EXPECT_EQ(finalFor(reports, 1)->m_nStatus, DOWNLOAD_TEXT_NOT_FOUND);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(DownloadStatusText(*first), withLength ? "Download 10 KB / 25 KB" : "Download 10 KB");
    }
}

// The job's limit holds against a server that accepts and never answers, and against one that
// sends its page too slowly; a limit of 0 ends the transfer after its first read.
TEST_F(DownloadTest, TimeLimit) {
    LoopbackHttpServer server;
    server.reply("/silent", HttpReply::silence());
    HttpReply slow = HttpReply::page(std::string(64 * 1024, 'x'));
    slow.pieceSize = 1024;
    slow.pieceDelay = std::chrono::milliseconds(100);
    server.reply("/slow", slow);
    server.reply("/page", HttpReply::page(kPage));
    struct Case {
        const char* path;
        int timeout;
    };
    for (const Case c : {Case{"/silent", 1}, Case{"/slow", 1}, Case{"/page", 0}}) {
        SCOPED_TRACE(c.path);
        auto job = makeJob(server.url(c.path), c.timeout);
        job->AddItem(anchorItem(1, "item", "Kurs:"));
        job->AddItem(anchorItem(2, "other", "Kurs:"));

        const auto reports = run(std::move(job));

        for (const ItemPos pos : {1u, 2u}) {
            const DownloadStatus* done = finalFor(reports, pos);
            ASSERT_NE(done, nullptr);
            EXPECT_EQ(done->m_nStatus, DOWNLOAD_ERROR);
            EXPECT_EQ(done->m_nDetail, DOWNLOAD_DETAIL_TIMEOUT);
        }
        EXPECT_TRUE(tmpFiles().empty());
    }
}

TEST_F(DownloadTest, AbortEndsAWorkerWaitingForAnAnswerAndOneWaitingForASlot) {
    LoopbackHttpServer server;
    server.reply("/silent", HttpReply::silence());
    auto slots = makeDownloadSemaphore(1);
    auto first = makeJob(server.url("/silent"), 60);
    first->m_pSemaphore = slots;
    first->AddItem(anchorItem(1, "waits for the answer", "Kurs:"));
    auto second = makeJob(server.url("/silent"), 60);
    second->m_pSemaphore = slots;
    second->AddItem(anchorItem(2, "waits for a slot", "Kurs:"));
    m_manager.startQuotationDownload(std::move(first));
    for (int i = 0; i < 500 && server.requestCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server.requestCount(), 1u);
    m_manager.startQuotationDownload(std::move(second));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    m_manager.abortAll();

    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
    const auto reports = collect();
    EXPECT_EQ(statuses(reports, 1), (std::vector<int>{1, 2, 13}));
    EXPECT_EQ(statuses(reports, 2), (std::vector<int>{1, 13}));
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(slots->available(), 1);
    // Nothing is downloading any more: the flag is back at 0 for the next update.
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
}

TEST_F(DownloadTest, LocalFilesAreReadWithoutConnecting) {
    FixedClock clock(referenceNow());
    ScopedClock useClock(clock);
    testsupport::writeFile(path("pages/quote.html"), kPage);
    testsupport::writeFile(path("pages/day-14.html"), kPage);
    struct Case {
        std::string url;
        std::vector<int> expected;
        int detail;
    };
    const std::vector<Case> cases = {
        {"file://" + path("pages/quote.html").string(), {1, 3, 4, 7, 6, 8}, 0},
        {"file://" + path("pages/day-[&d].html").string(), {1, 3, 4, 7, 6, 8}, 0},
        {"file://" + path("pages/none.html").string(), {1, 12}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto job = makeJob(c.url);
        job->AddItem(anchorItem(1, "local", "Kurs:"));

        const auto reports = run(std::move(job));

        EXPECT_EQ(statuses(reports, 1), c.expected);
        const DownloadStatus* done = finalFor(reports, 1);
        ASSERT_NE(done, nullptr);
        EXPECT_EQ(done->m_nDetail, c.detail);
        if (done->m_nStatus == DOWNLOAD_FINISHED) {
            EXPECT_DOUBLE_EQ(done->m_pKurs->m_dClose, 12.34);
            EXPECT_EQ(reports[2].status->m_nKBTotal, 0);
        } else {
            EXPECT_NE(done->m_szMessage.find("none.html"), std::string::npos) << done->m_szMessage;
            EXPECT_EQ(DownloadStatusText(*done), "Error: File not found: " + path("pages/none.html").string());
        }
    }
    EXPECT_TRUE(tmpFiles().empty());
}

// Only regular files are read: a FIFO without a writer would block the worker in its open for
// good, a device may never end. Both are refused at once as files that cannot be opened.
TEST_F(DownloadTest, LocalPathsThatAreNoRegularFilesAreRefused) {
    const std::filesystem::path fifo = path("pages/fifo");
    std::filesystem::create_directories(fifo.parent_path());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& target : {fifo.string(), std::string("/dev/zero"), path("pages").string()}) {
        SCOPED_TRACE(target);
        auto job = makeJob("file://" + target, 60);
        job->AddItem(anchorItem(1, "local", "Kurs:"));
        ASSERT_NE(m_manager.startQuotationDownload(std::move(job)), 0u);
        const bool ended = m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10)));
        if (!ended) {
            m_manager.abortAll();
            // A worker blocked in the open of the FIFO goes on once a writer comes.
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10)));
        }
        ASSERT_TRUE(ended) << "the worker is still reading";
        const auto reports = collect();
        EXPECT_EQ(statuses(reports, 1), (std::vector<int>{1, 12}));
        EXPECT_EQ(finalFor(reports, 1)->m_nDetail, DOWNLOAD_DETAIL_FILE_NOT_FOUND);
    }
    EXPECT_TRUE(tmpFiles().empty());
}

// A page longer than the limit is refused with the job's error and the transfer stops there:
// announced by its length or by the size of a local file before a byte is read, else once the
// limit is passed. Nothing of it is left on disk.
TEST_F(DownloadTest, APageLongerThanTheLimitIsRefused) {
    const std::string body = std::string(static_cast<std::size_t>(kMaxPageBytes), ' ') + kPage;
    LoopbackHttpServer server;
    HttpReply withLength = HttpReply::page(body);
    server.reply("/announced", withLength);
    HttpReply endless = HttpReply::page(body);
    endless.withLength = false;
    endless.pieceSize = 1024 * 1024;
    server.reply("/streamed", endless);
    const std::filesystem::path sparse = path("pages/huge.html");
    std::filesystem::create_directories(sparse.parent_path());
    { std::ofstream(sparse) << kPage; }
    std::filesystem::resize_file(sparse, static_cast<std::uintmax_t>(kMaxPageBytes) + 1);
    testsupport::writeFile(path("pages/limit.html"), std::string(static_cast<std::size_t>(kMaxPageBytes) - 100, ' ') + kPage);

    struct Case {
        std::string url;
        int status;
    };
    const std::vector<Case> cases = {
        {server.url("/announced"), DOWNLOAD_ERROR},
        {server.url("/streamed"), DOWNLOAD_ERROR},
        {"file://" + sparse.string(), DOWNLOAD_ERROR},
        {"file://" + path("pages/limit.html").string(), DOWNLOAD_FINISHED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto job = makeJob(c.url, testsupport::sanitizerScaled(60));
        job->AddItem(anchorItem(1, "long", "Kurs:"));

        const auto reports = run(std::move(job));

        const DownloadStatus* done = finalFor(reports, 1);
        ASSERT_NE(done, nullptr);
        EXPECT_EQ(done->m_nStatus, c.status);
        if (c.status == DOWNLOAD_ERROR) {
            EXPECT_EQ(done->m_nDetail, DOWNLOAD_DETAIL_MESSAGE);
            EXPECT_EQ(done->m_szMessage, "The page is larger than 64 MB!");
        } else {
            EXPECT_DOUBLE_EQ(done->m_pKurs->m_dClose, 12.34);
        }
        for (const auto& r : reports)
            EXPECT_LE(static_cast<std::int64_t>(r.status->m_nKBDone) * 1024, kMaxPageBytes);
        EXPECT_TRUE(tmpFiles().empty());
    }
}

// An abort while the page still streams in ends the job as aborted: no quotation, and the part
// of the page received so far is gone.
TEST_F(DownloadTest, AnAbortWhileThePageStreamsEndsTheJob) {
    LoopbackHttpServer server;
    HttpReply slow = HttpReply::page(std::string(4 * 1024 * 1024, ' ') + kPage);
    slow.pieceSize = 4096;
    slow.pieceDelay = std::chrono::milliseconds(20);
    server.reply("/slow", slow);
    auto job = makeJob(server.url("/slow"), 120);
    job->AddItem(anchorItem(1, "streamed", "Kurs:"));
    ASSERT_NE(m_manager.startQuotationDownload(std::move(job)), 0u);

    // Wait for the first progress report: the page file exists and is being written.
    std::vector<Report> reports;
    const auto seenProgress = [&reports] {
        for (const auto& r : reports)
            if (r.status && r.status->m_nStatus == DOWNLOAD_PROGRESS)
                return true;
        return false;
    };
    for (int i = 0; i < 1000 && !seenProgress(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (auto& r : collect())
            reports.push_back(std::move(r));
    }
    ASSERT_TRUE(seenProgress());
    EXPECT_EQ(tmpFiles().size(), 1u);

    m_manager.abortAll();

    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
    for (auto& r : collect())
        reports.push_back(std::move(r));
    const DownloadStatus* done = finalFor(reports, 1);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->m_nStatus, DOWNLOAD_ABORTED);
    for (const auto& r : reports)
        EXPECT_EQ(r.status->m_pKurs, nullptr);
    EXPECT_TRUE(tmpFiles().empty());
}

TEST_F(DownloadTest, PageJobHandsOverThePageAndBothConversions) {
    FixedClock clock(referenceNow());
    ScopedClock useClock(clock);
    LoopbackHttpServer server;
    server.reply("/p/14", HttpReply::page(kPage));
    auto job = makeJob(server.url("/p/[&d]"), 300);
    job->m_bConvertAll = 1;
    job->m_nMessage = WMU_PAGE_DOWNLOAD_STATUS;

    const auto reports = run(std::move(job));

    ASSERT_EQ(allStatuses(reports), (std::vector<int>{1, 2, 3, 4, 8}));
    for (const auto& r : reports) {
        EXPECT_EQ(r.message, WMU_PAGE_DOWNLOAD_STATUS);
        EXPECT_EQ(r.status->m_szName, "");
        EXPECT_EQ(r.status->m_posItem, 0u);
    }
    const DownloadStatus& done = *reports.back().status;
    EXPECT_EQ(testsupport::readFile(done.m_szFile), kPage);
    EXPECT_EQ(testsupport::readFile(done.m_szSemiHtmlFile), ConvertPageText(1, kPage));
    EXPECT_EQ(testsupport::readFile(done.m_szTextFile), ConvertPageText(2, kPage));
    // The files belong to the receiver now: the worker left them.
    EXPECT_EQ(tmpFiles().size(), 3u);
}

// An item that converts by an exchange-rate item waits for that item's result; the exchange-rate
// item's final report always comes first, within one job and across two.
TEST_F(DownloadTest, AnItemWaitsForItsExchangeRateItem) {
    LoopbackHttpServer server;
    server.reply("/both", HttpReply::page(kPage));
    HttpReply slowRate = HttpReply::page(kPage);
    slowRate.delay = std::chrono::milliseconds(300);
    server.reply("/rate", slowRate);
    server.reply("/stock", HttpReply::page(kPage));

    {
        SCOPED_TRACE("one job");
        auto event = CreateManualResetEvent();
        auto job = makeJob(server.url("/both"));
        auto waiting = anchorItem(1, "stock", "Kurs:");
        waiting->SetWaitEvent(event);
        auto rate = anchorItem(2, "rate", "Kurs:");
        rate->AddSignalEvent(event);
        event.reset();
        job->AddItem(std::move(waiting));
        job->AddItem(std::move(rate));

        const auto reports = run(std::move(job));

        EXPECT_EQ(statuses(reports, 1), (std::vector<int>{1, 2, 3, 4, 5, 7, 6, 8}));
        EXPECT_EQ(statuses(reports, 2), (std::vector<int>{1, 2, 3, 4, 7, 6, 8}));
        EXPECT_EQ(allStatuses(reports).back(), 8);
        EXPECT_EQ(reports.back().status->m_posItem, 1u);
    }
    {
        SCOPED_TRACE("two jobs");
        auto event = CreateManualResetEvent();
        auto stockJob = makeJob(server.url("/stock"));
        auto waiting = anchorItem(1, "stock", "Kurs:");
        waiting->SetWaitEvent(event);
        stockJob->AddItem(std::move(waiting));
        auto rateJob = makeJob(server.url("/rate"));
        auto rate = anchorItem(2, "rate", "Kurs:");
        rate->AddSignalEvent(event);
        rateJob->AddItem(std::move(rate));
        event.reset();
        m_manager.startQuotationDownload(std::move(stockJob));
        m_manager.startQuotationDownload(std::move(rateJob));
        ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))));
        const auto reports = collect();

        std::vector<ItemPos> finals;
        for (const auto& r : reports)
            if (isFinalDownloadStatus(r.status->m_nStatus))
                finals.push_back(r.status->m_posItem);
        EXPECT_EQ(finals, (std::vector<ItemPos>{2, 1}));
        EXPECT_EQ(finalFor(reports, 1)->m_nStatus, DOWNLOAD_FINISHED);
    }
}

// One slot: the job whose item waits for an exchange-rate item of another job gives its slot up
// once its page is in, so the rate item's job (started after it) gets the slot, and both finish.
TEST_F(DownloadTest, AnItemWaitingForItsExchangeRateItemLeavesTheSlotToIt) {
    LoopbackHttpServer server;
    server.reply("/stock", HttpReply::page(kPage));
    server.reply("/rate", HttpReply::page(kPage));
    const auto slots = std::make_shared<CountingSemaphore>(1);
    auto event = CreateManualResetEvent();
    auto stockJob = makeJob(server.url("/stock"));
    stockJob->m_pSemaphore = slots;
    auto waiting = anchorItem(1, "stock", "Kurs:");
    waiting->SetWaitEvent(event);
    stockJob->AddItem(std::move(waiting));
    auto rateJob = makeJob(server.url("/rate"));
    rateJob->m_pSemaphore = slots;
    auto rate = anchorItem(2, "rate", "Kurs:");
    rate->AddSignalEvent(event);
    rateJob->AddItem(std::move(rate));
    event.reset();

    m_manager.startQuotationDownload(std::move(stockJob));
    std::vector<Report> reports;
    for (int i = 0; i < 1000 && statuses(reports, 1) != std::vector<int>{1, 2, 3, 4, 5}; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (auto& r : collect())
            reports.push_back(std::move(r));
    }
    ASSERT_EQ(statuses(reports, 1), (std::vector<int>{1, 2, 3, 4, 5})) << "the stock item is not waiting";
    m_manager.startQuotationDownload(std::move(rateJob));
    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))))
        << "the rate item's job never got the slot";
    for (auto& r : collect())
        reports.push_back(std::move(r));
    ASSERT_NE(finalFor(reports, 1), nullptr);
    ASSERT_NE(finalFor(reports, 2), nullptr);
    EXPECT_EQ(finalFor(reports, 2)->m_nStatus, DOWNLOAD_FINISHED);
    EXPECT_EQ(finalFor(reports, 1)->m_nStatus, DOWNLOAD_FINISHED);
    EXPECT_EQ(slots->available(), 1);
}

TEST_F(DownloadTest, AbortReachesAnItemWaitingForItsExchangeRateItem) {
    LoopbackHttpServer server;
    server.reply("/stock", HttpReply::page(kPage));
    auto event = CreateManualResetEvent(); // its exchange-rate item is never extracted
    auto job = makeJob(server.url("/stock"));
    auto first = anchorItem(1, "free", "Kurs:");
    auto waiting = anchorItem(2, "waiting", "Kurs:");
    waiting->SetWaitEvent(event);
    job->AddItem(std::move(waiting));
    job->AddItem(std::move(first));
    m_manager.startQuotationDownload(std::move(job));
    // Once the free item has its result, the worker waits for the other item's event.
    std::vector<Report> reports;
    for (int i = 0; i < 1000 && !finalFor(reports, 1); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (auto& r : collect())
            reports.push_back(std::move(r));
    }
    ASSERT_NE(finalFor(reports, 1), nullptr);

    m_manager.abortAll();

    ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(2))));
    for (auto& r : collect())
        reports.push_back(std::move(r));
    EXPECT_EQ(finalFor(reports, 1)->m_nStatus, DOWNLOAD_FINISHED);
    EXPECT_EQ(finalFor(reports, 2)->m_nStatus, DOWNLOAD_ABORTED);
    EXPECT_TRUE(tmpFiles().empty());
}

// With "ShowFileOnError" every failed item gets a copy of the page of its own; test jobs and
// unattended runs keep nothing.
TEST_F(DownloadTest, FilesOfFailedExtractionsAreCopiesOfTheirOwn) {
    LoopbackHttpServer server;
    server.reply("/page", HttpReply::page(kPage));
    struct Case {
        const char* name;
        int jobId;
        bool unattended;
        bool kept;
    };
    for (const Case c :
         {Case{"update", 0, false, true}, Case{"test", 1, false, false}, Case{"unattended", 0, true, false}}) {
        SCOPED_TRACE(c.name);
        auto job = makeJob(server.url("/page"));
        job->m_nJobId = c.jobId;
        job->m_Options.showFileOnError = true;
        job->m_Options.unattendedMode = c.unattended;
        job->AddItem(anchorItem(1, "one", "Dividende:", 2));
        job->AddItem(anchorItem(2, "two", "Rendite:", 2));
        job->AddItem(anchorItem(3, "fine", "Kurs:", 2));

        const auto reports = run(std::move(job));

        const DownloadStatus* one = finalFor(reports, 1);
        const DownloadStatus* two = finalFor(reports, 2);
        EXPECT_EQ(one->m_nStatus, DOWNLOAD_TEXT_NOT_FOUND);
        EXPECT_EQ(two->m_nStatus, DOWNLOAD_TEXT_NOT_FOUND);
        if (c.kept) {
            EXPECT_NE(one->m_szTextFile, two->m_szTextFile);
            EXPECT_EQ(testsupport::readFile(one->m_szTextFile), ConvertPageText(2, kPage));
            EXPECT_EQ(testsupport::readFile(two->m_szTextFile), ConvertPageText(2, kPage));
            EXPECT_EQ(tmpFiles().size(), 2u); // the two copies; the worker's own files are gone
            std::filesystem::remove(one->m_szTextFile);
            std::filesystem::remove(two->m_szTextFile);
        } else {
            EXPECT_TRUE(tmpFiles().empty());
        }
    }
}

// With the standard proxy the environment's proxy is used; otherwise the configured one, also
// when the environment names another.
TEST_F(DownloadTest, RequestsGoThroughTheChosenProxy) {
    LoopbackHttpServer proxy;
    proxy.replyWith([](const testsupport::RecordedRequest&) { return HttpReply::page(kPage); });
    LoopbackHttpServer unused;
    struct Case {
        const char* name;
        bool standardProxy;
        const LoopbackHttpServer* environment; // http_proxy, or none
        bool configured;                       // ProxyAddress:ProxyPort name the proxy
    };
    for (const Case c : {Case{"environment", true, &proxy, false}, Case{"configured", false, &unused, true}}) {
        SCOPED_TRACE(c.name);
        setenv("http_proxy", c.environment->url("").c_str(), 1);
        auto job = makeJob("http://quotes.invalid/q?s=ALPHA");
        job->m_Options.standardProxy = c.standardProxy;
        if (c.configured) {
            job->m_Options.proxyAddress = "127.0.0.1";
            job->m_Options.proxyPort = proxy.port();
        }
        job->AddItem(anchorItem(1, "item", "Kurs:"));

        const auto reports = run(std::move(job));

        EXPECT_EQ(finalFor(reports, 1)->m_nStatus, DOWNLOAD_FINISHED);
    }
    unsetenv("http_proxy");
    EXPECT_EQ(proxy.targets(), (std::vector<std::string>(2, "http://quotes.invalid/q?s=ALPHA")));
    EXPECT_EQ(unused.requestCount(), 0u);
}

TEST_F(DownloadTest, UnsupportedAddressesAreIncorrectUrls) {
    for (const char* url : {"ftp://127.0.0.1/quote", "no address at all", "http:///quote", "http://127.0.0.1:99999/"}) {
        SCOPED_TRACE(url);
        auto job = makeJob(url);
        job->AddItem(anchorItem(1, "item", "Kurs:"));

        const auto reports = run(std::move(job));

        EXPECT_EQ(statuses(reports, 1), (std::vector<int>{1, 12}));
        EXPECT_EQ(finalFor(reports, 1)->m_nDetail, DOWNLOAD_DETAIL_INCORRECT_URL);
    }
}

TEST_F(DownloadTest, AConnectionFailureReportsTheReason) {
    // A port nobody listens on, held bound (without listening) for the whole job so that no
    // server of another test can take it meanwhile: connecting is refused.
    const int held = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(held, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(held, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/quote";
    auto job = makeJob(url);
    job->AddItem(anchorItem(1, "item", "Kurs:"));

    const auto reports = run(std::move(job));

    const DownloadStatus* done = finalFor(reports, 1);
    EXPECT_EQ(done->m_nStatus, DOWNLOAD_ERROR);
    EXPECT_EQ(done->m_nDetail, DOWNLOAD_DETAIL_MESSAGE);
    EXPECT_FALSE(done->m_szMessage.empty());
    ::close(held);
}

// HTTPS with certificates verified: a self-signed server is refused unless its certificate is
// the one the job trusts.
TEST_F(DownloadTest, HttpsVerifiesTheServerCertificate) {
    const auto cert = testsupport::makeSelfSignedCertificate(dir());
    LoopbackHttpServer server(cert);
    server.reply("/quote", HttpReply::page(kPage));
    for (const bool trusted : {false, true}) {
        SCOPED_TRACE(trusted ? "trusted" : "system store");
        auto job = makeJob(server.url("/quote"));
        if (trusted)
            job->m_Options.caFile = cert.certFile.string();
        job->AddItem(anchorItem(1, "item", "Kurs:"));

        const auto reports = run(std::move(job));

        const DownloadStatus* done = finalFor(reports, 1);
        ASSERT_NE(done, nullptr);
        if (trusted) {
            EXPECT_EQ(done->m_nStatus, DOWNLOAD_FINISHED);
        } else {
            EXPECT_EQ(done->m_nStatus, DOWNLOAD_ERROR);
            EXPECT_EQ(done->m_nDetail, DOWNLOAD_DETAIL_MESSAGE);
            EXPECT_NE(done->m_szMessage.find("certificate"), std::string::npos) << done->m_szMessage;
        }
    }
    EXPECT_EQ(server.requestCount(), 1u);
}
