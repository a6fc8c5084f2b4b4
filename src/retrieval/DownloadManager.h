#pragma once
// The owner of the download workers. Each job runs on a worker thread of its own while it runs;
// a thread whose job has ended waits for the next job instead of ending, so an update of hundreds
// of items does not create (and tear down) hundreds of threads. The jobs of an update are handed
// to the workers by the manager's starter thread, the jobs whose items others wait for (exchange-
// rate items) first, the rest in their order, so the caller (the GUI thread) never waits for thread
// creations. The starter holds a job back while twice its slots' count of jobs of the same slots
// still want a slot (wait for one or hold one); a job whose page is in (one that only extracts, or
// waits for its exchange-rate item) no longer counts, so a job never waits for one that cannot
// start. The starter sleeps until a job ends or leaves its slot, an update is queued, or an abort
// is set; on an abort it ends every queued job with its abort report, without giving it a thread.
// At shut-down the manager aborts whatever still runs and joins every thread, so no
// worker outlives the program's objects. A worker that the abort cannot reach (blocked in a system
// call, such as the open of a file on a hung mount) can be left behind by a shut-down with a
// bound; the process then ends without running its static destructors.
//
// It reports its jobs to the program's account of running downloads (DownloadActivity), which
// returns the abort flag to 0 once no item is downloading (the documents report the items they
// mark and clear) and no worker is alive, so an abort never outlives the downloads it was meant
// for -- also when it hit only a page, test or setup download.

#include "retrieval/download.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

class DownloadManager {
public:
    DownloadManager();
    // shutdown(), without bound
    ~DownloadManager();
    DownloadManager(const DownloadManager&) = delete;
    DownloadManager& operator=(const DownloadManager&) = delete;

    // The program's manager: lives until the program ends.
    static DownloadManager& instance();

    // Starts DownloadQuotationThread (update, test and page jobs) or DownloadSetupThread on a
    // worker thread (an idle one, else a new one) that owns the job. Returns the worker's id, the m_dwThreadId of its
    // reports; 0 when no thread could be started (after shutdown(): the job's items are reported as started and
    // aborted; when the system refuses a thread: started and 12/11).
    std::uint32_t startQuotationDownload(std::unique_ptr<DownloadJob> job);
    std::uint32_t startSetupDownload(std::unique_ptr<DownloadJob> job);

    // The start of an update: posts the first report (status 1) of every item of every job, in
    // order, before any worker starts, so a receiver that counts the active downloads cannot see
    // the count fall to 0 while jobs are still starting. Then hands the jobs to the starter thread,
    // which gives each job a worker of its own (those whose items others wait for first, the rest
    // in their order), and returns at once. The queued jobs count as alive workers from here on,
    // so an abort stays set until the starter has ended them with their abort report. Returns the
    // worker ids; 0 for every job after shutdown() (each got its final report). A job whose thread
    // the system refuses later gets its final report (12/11) from the starter.
    std::vector<std::uint32_t> startQuotationDownloads(std::vector<std::unique_ptr<DownloadJob>> jobs);

    // What a worker runs: DownloadQuotationThread or DownloadSetupThread.
    using Procedure = int (*)(std::unique_ptr<DownloadJob>);
    // Runs `procedure` on a worker thread that owns `job`, as the starts above do.
    std::uint32_t startWorker(std::unique_ptr<DownloadJob> job, Procedure procedure);

    // Sets the abort flag and wakes every worker that waits for a slot or for another item
    // (AbortAllDownloads).
    void abortAll();

    // Workers of this manager that have started, or are queued to start, and have not yet ended.
    int workersAlive() const;
    // Threads of this manager that have not ended (busy or idle), and the threads it has made so far.
    int threadsRunning() const;
    int threadsMade() const;

    // Waits until no worker is alive; false when `timeout` passed first.
    bool waitForWorkers(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

    // Aborts the running workers, ends the jobs still queued to start with status 13 and joins
    // every thread; later starts are refused. With a
    // `bound`, waits at most that long: workers still running then are left behind (their threads
    // detached; workersAlive() counts them) and the result is false. True when every worker ended.
    bool shutdown(std::optional<std::chrono::milliseconds> bound = std::nullopt);

private:
    // A worker thread: runs one job at a time and waits for the next in between.
    struct Worker {
        std::thread thread;
        std::condition_variable wake;
        std::unique_ptr<DownloadJob> job; // handed over, not yet taken by the thread
        Procedure procedure = nullptr;
        std::uint32_t id = 0;                             // the id of the job it runs
        const CountingSemaphore* downloadSlots = nullptr; // the job's download slots
        bool busy = false;                                // a job is handed over or runs
        bool wantsSlot = false; // counted in m_jobsBySlots: its page is not in yet
        bool exited = false;                              // the thread left its loop
    };

    // A job of an update waiting for the starter thread; counted in m_alive already.
    struct QueuedStart {
        std::uint32_t id = 0;
        std::unique_ptr<DownloadJob> job;
    };

    std::uint32_t start(std::unique_ptr<DownloadJob> job, Procedure procedure, std::uint32_t id = 0);
    // Hands the job to an idle worker or a new one (under the lock). On failure the lock is
    // released, the job gets its final report and false is returned. With `counted`, the job is
    // in m_alive and the activity account already.
    bool launch(std::unique_lock<std::mutex>& lock, std::unique_ptr<DownloadJob>& job, Procedure procedure,
                std::uint32_t id, bool counted);
    void starterLoop();
    // Ends the queued jobs with their abort report (unlocks while it reports).
    void refuseQueuedLocked(std::unique_lock<std::mutex>& lock);
    // Ends `queued`, taken from the queue, with their abort report (unlocked).
    void refuseQueued(std::deque<QueuedStart>& queued);
    // The worker no longer counts against its slots (under the lock).
    void leaveSlotsLocked(Worker* worker);
    // The manager's side of downloadWorkerLeavesSlots().
    friend void downloadWorkerLeavesSlots();
    // Wakes the starters of the live managers (the abort's wake hook).
    static void wakeStarters();
    // Whether the next queued job is held back: its slots have twice as many jobs as slots.
    bool holdBackLocked(const QueuedStart& next) const;
    void workerLoop(Worker* worker);
    // Joins the threads that left their loop (unlocks while joining).
    void joinExited(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::condition_variable m_queueChanged;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<Worker*> m_idle;                                     // waiting for a job
    std::deque<QueuedStart> m_queue;                                 // in the order of their jobs
    std::unordered_map<const CountingSemaphore*, int> m_jobsBySlots; // handed-out jobs that want a slot
    std::thread m_starter;                                           // made at the first update
    std::atomic<int> m_alive{0};
    int m_threadsMade = 0;
    bool m_shutDown = false;
};
