// The download manager's starter and workers: jobs of one set of slots get threads only as far as
// the slots can serve them, threads are reused, and an abort ends the queued jobs without a thread
// each.
#include "DownloadFixture.h"
#include "support/Bounded.h"

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

const auto kBound = testsupport::kWaitLimit;

// Holds every answer of the server until opened (at the latest when the bound passes, so a
// failing test never hangs the server).
class Gate {
public:
    void open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    void close() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void pass() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kBound, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

class DownloadManagerTest : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        m_server.replyWith([this](const testsupport::RecordedRequest&) {
            m_gate.pass();
            return HttpReply::page("<html><body><p>V: 1,50</p></body></html>");
        });
    }
    void TearDown() override {
        m_gate.open();
        DownloadTest::TearDown();
        m_server.stop();
    }

    // `count` update jobs of one item each, on `slots`, each on a page of its own.
    std::vector<std::unique_ptr<DownloadJob>> jobs(int count, const std::shared_ptr<CountingSemaphore>& slots) {
        std::vector<std::unique_ptr<DownloadJob>> made;
        for (int i = 0; i < count; ++i) {
            auto job = makeJob(m_server.url("/p" + std::to_string(m_nextPage)));
            job->m_pSemaphore = slots;
            job->AddItem(anchorItem(static_cast<ItemPos>(++m_nextPage), "item", "V:"));
            made.push_back(std::move(job));
        }
        return made;
    }

    // An update job of one item on a page of its own, on `slots`: the item waits for `waitFor`
    // (when given) before it is extracted, as an item converting by an exchange-rate item does,
    // and signals `signal` (when given) once it has its result, as that rate item does.
    std::unique_ptr<DownloadJob> linkedJob(const std::shared_ptr<CountingSemaphore>& slots,
                                           const DownloadEventHandle& waitFor, const DownloadEventHandle& signal) {
        auto made = jobs(1, slots);
        ExtractionItem& item = *made.front()->m_Items.front();
        if (waitFor)
            item.SetWaitEvent(waitFor);
        if (signal)
            item.AddSignalEvent(signal);
        return std::move(made.front());
    }

    // Waits until the server holds `count` requests.
    void awaitRequests(std::size_t count) {
        testsupport::becomesTrue([&] { return m_server.requestCount() >= count; });
        ASSERT_EQ(m_server.requestCount(), count) << "the held requests did not arrive";
    }

    // Waits until `count` workers wait for a slot.
    static void awaitSlotWaiters(const CountingSemaphore& slots, int count) {
        testsupport::becomesTrue([&] { return slots.waiting() >= count; });
        ASSERT_EQ(slots.waiting(), count) << "the workers did not queue for the slots";
    }

    // The most threads seen while the manager works until its workers end; fails by name when
    // they do not end within the bound.
    int watchThreadsUntilIdle(const char* what) {
        int most = 0;
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (m_manager.workersAlive() > 0 && std::chrono::steady_clock::now() < deadline) {
            most = std::max(most, m_manager.threadsRunning());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        EXPECT_EQ(m_manager.workersAlive(), 0) << what << ": the workers did not end";
        return std::max(most, m_manager.threadsRunning());
    }

    // How many items got `status` as their final report.
    static int finals(const std::vector<Report>& reports, int status) {
        int count = 0;
        for (const auto& r : reports)
            if (r.status && r.status->m_posItem != 0 && isFinalDownloadStatus(r.status->m_nStatus))
                count += r.status->m_nStatus == status ? 1 : 0;
        return count;
    }

    Gate m_gate;
    LoopbackHttpServer m_server;
    ItemPos m_nextPage = 0;
};

// 40 jobs on 2 slots whose server holds its answers: only twice the slots get a thread (2 hold a
// slot, 2 wait for one); the rest wait in the starter's queue. When the server answers, they all
// finish with a bounded number of threads, and a second round runs on the first round's threads.
TEST_F(DownloadManagerTest, JobsGetThreadsOnlyAsFarAsTheirSlotsServeThemAndThreadsAreReused) {
    const auto slots = std::make_shared<CountingSemaphore>(2);
    int threadsOfFirstRound = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 1));
        m_gate.close();
        const std::size_t requestsBefore = m_server.requestCount();
        m_manager.startQuotationDownloads(jobs(40, slots));
        awaitRequests(requestsBefore + 2);
        awaitSlotWaiters(*slots, 2);
        // Held: whatever the starter might still hand out, it would do so now.
        for (int i = 0; i < 50; ++i) {
            EXPECT_LE(m_manager.threadsRunning(), 2 * 2 + (round == 0 ? 0 : threadsOfFirstRound));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(slots->waiting(), 2);
        EXPECT_EQ(m_manager.workersAlive(), 40);
        if (round == 0)
            EXPECT_EQ(m_manager.threadsMade(), 4);
        else
            EXPECT_EQ(m_manager.threadsMade(), threadsOfFirstRound) << "a held job got a new thread";

        m_gate.open();
        EXPECT_LE(watchThreadsUntilIdle("all jobs"), 2 * 2 + 64);
        const auto reports = collect();
        EXPECT_EQ(finals(reports, DOWNLOAD_FINISHED), 40);
        if (round == 0)
            threadsOfFirstRound = m_manager.threadsMade();
    }
    EXPECT_LE(threadsOfFirstRound, 2 * 2 + 64);
}

// An abort ends the jobs still queued at once with their abort report, without a thread each;
// the jobs running see it too, and nothing is left alive.
TEST_F(DownloadManagerTest, AnAbortEndsTheQueuedJobsWithoutAThreadEach) {
    const auto slots = std::make_shared<CountingSemaphore>(2);
    DownloadActivity::instance().addSlots(slots); // as the document's slots: the abort wakes their waiters
    m_manager.startQuotationDownloads(jobs(40, slots));
    awaitRequests(2);
    awaitSlotWaiters(*slots, 2);

    m_manager.abortAll();
    EXPECT_LE(watchThreadsUntilIdle("after the abort"), 4);
    EXPECT_EQ(m_manager.threadsMade(), 4);
    const auto reports = collect();
    EXPECT_EQ(finals(reports, DOWNLOAD_ABORTED), 40);
    EXPECT_EQ(m_server.requestCount(), 2u);
    EXPECT_EQ(g_bAbortDownloads.load(), 0) << "nothing runs any more";
}

// One slot, the server holding its answers: the job of the exchange-rate item, listed after the
// items converting by it, is among the first two handed out, so its page is one of the first two
// asked for (the third job gets a thread only once one of those has its page).
TEST_F(DownloadManagerTest, TheJobOfAnExchangeRateItemStartsBeforeTheItemsWaitingForIt) {
    const auto slots = std::make_shared<CountingSemaphore>(1);
    auto rateResult = CreateManualResetEvent();
    std::vector<std::unique_ptr<DownloadJob>> update;
    for (int i = 0; i < 4; ++i)
        update.push_back(linkedJob(slots, rateResult, nullptr));
    update.push_back(linkedJob(slots, nullptr, rateResult));
    const std::string ratePage = "/p4";
    rateResult.reset();

    m_manager.startQuotationDownloads(std::move(update));
    awaitRequests(1);
    awaitSlotWaiters(*slots, 1);
    m_gate.open();
    ASSERT_TRUE(m_manager.waitForWorkers(kBound)) << "the update hangs";
    const auto targets = m_server.targets();
    ASSERT_GE(targets.size(), 2u);
    EXPECT_TRUE(targets[0] == ratePage || targets[1] == ratePage) << targets[0] << ", " << targets[1];
    EXPECT_EQ(finals(collect(), DOWNLOAD_FINISHED), 5);
}

// One slot and a chain of exchange-rate items, each listed before the one it waits for (B waits
// for C, C for D; A converts by B): B and C are handed out, D is held back while they want the
// slot. Once their pages are in they only wait, so they no longer count: the starter, woken by
// that, hands out D, and the whole chain finishes. A job counted until it ends, or a starter not
// woken when a job leaves its slot, hangs the update.
TEST_F(DownloadManagerTest, JobsWaitingForAnotherJobsResultNoLongerHoldItBack) {
    const auto slots = std::make_shared<CountingSemaphore>(1);
    auto resultOfB = CreateManualResetEvent();
    auto resultOfC = CreateManualResetEvent();
    auto resultOfD = CreateManualResetEvent();
    std::vector<std::unique_ptr<DownloadJob>> update;
    update.push_back(linkedJob(slots, resultOfB, nullptr));   // A
    update.push_back(linkedJob(slots, resultOfC, resultOfB)); // B
    update.push_back(linkedJob(slots, resultOfD, resultOfC)); // C
    update.push_back(linkedJob(slots, nullptr, resultOfD));   // D
    for (auto* event : {&resultOfB, &resultOfC, &resultOfD})
        event->reset();

    m_manager.startQuotationDownloads(std::move(update));
    awaitRequests(1);
    awaitSlotWaiters(*slots, 1);
    EXPECT_EQ(m_manager.threadsMade(), 2) << "D was not held back";
    m_gate.open();
    ASSERT_TRUE(m_manager.waitForWorkers(kBound))
        << "the chain hangs: " << m_manager.workersAlive() << " jobs still alive";
    EXPECT_EQ(finals(collect(), DOWNLOAD_FINISHED), 4);
    EXPECT_EQ(slots->available(), 1);
}

} // namespace
