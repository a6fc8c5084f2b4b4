#include "retrieval/DownloadManager.h"

#include "log/CrashReport.h"
#include "log/Log.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace {

std::atomic<std::uint32_t> g_lastWorkerId{0};
// Idle workers kept for later jobs; a worker whose job ends beyond them ends too.
constexpr std::size_t kMaxIdleWorkers = 64;
thread_local std::uint32_t t_workerId = 0;
// The manager and worker of a worker thread (null elsewhere).
thread_local DownloadManager* t_manager = nullptr;
thread_local void* t_worker = nullptr;

// The managers that live, for the abort's wake hook (a manager of a test may end before the
// program does; the hook outlives it).
std::mutex& liveManagersMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<DownloadManager*>& liveManagers() {
    static std::vector<DownloadManager*> managers;
    return managers;
}

// Whether a job has an item that an item of another job may wait for.
bool othersWaitFor(const DownloadJob& job) {
    return std::any_of(job.m_Items.begin(), job.m_Items.end(),
                       [](const auto& item) { return item && item->HasSignalEvents(); });
}

// Ends a job that gets no worker: every item still gets its first and its final report, so the
// receivers' counts balance.
void refuseJob(DownloadJob& job, std::uint32_t id, int status, int detail, std::string_view message) {
    if (!job.m_bStartReported)
        PostDownloadStatusAs(id, job, DOWNLOAD_INITIALIZED, DOWNLOAD_DETAIL_NONE, {}, 0, 0);
    PostDownloadStatusAs(id, job, status, detail, message, 0, 0);
    job.FreeItems();
}

} // namespace

std::uint32_t currentDownloadWorkerId() {
    return t_workerId;
}

DownloadManager::DownloadManager() {
    // What the workers use must outlive the program's manager, so it is made first.
    DownloadActivity::instance();
    MessageTarget::instance();
    downloadEventBoard();
    Log::Instance();
    std::lock_guard lock(liveManagersMutex());
    // An abort wakes the starters, which then end the jobs still queued.
    static const bool hooked = (DownloadActivity::instance().addWakeHook([] { wakeStarters(); }), true);
    (void)hooked;
    liveManagers().push_back(this);
}

DownloadManager::~DownloadManager() {
    {
        std::lock_guard lock(liveManagersMutex());
        std::erase(liveManagers(), this);
    }
    shutdown();
}

void DownloadManager::wakeStarters() {
    std::lock_guard registry(liveManagersMutex());
    for (DownloadManager* manager : liveManagers()) {
        // Under the manager's lock: the abort flag, set before, is seen by the starter's next check.
        std::lock_guard lock(manager->m_mutex);
        manager->m_queueChanged.notify_all();
    }
}

void downloadWorkerLeavesSlots() {
    DownloadManager* manager = t_manager;
    if (!manager)
        return;
    std::lock_guard lock(manager->m_mutex);
    manager->leaveSlotsLocked(static_cast<DownloadManager::Worker*>(t_worker));
}

void DownloadManager::leaveSlotsLocked(Worker* worker) {
    if (!worker->wantsSlot)
        return;
    worker->wantsSlot = false;
    const auto it = m_jobsBySlots.find(worker->downloadSlots);
    if (it != m_jobsBySlots.end() && --it->second <= 0)
        m_jobsBySlots.erase(it);
    m_queueChanged.notify_all(); // the starter may hand out the next job of these slots
}

DownloadManager& DownloadManager::instance() {
    static DownloadManager manager;
    return manager;
}

std::uint32_t DownloadManager::startQuotationDownload(std::unique_ptr<DownloadJob> job) {
    return start(std::move(job), &DownloadQuotationThread);
}

std::uint32_t DownloadManager::startSetupDownload(std::unique_ptr<DownloadJob> job) {
    return start(std::move(job), &DownloadSetupThread);
}

std::uint32_t DownloadManager::startWorker(std::unique_ptr<DownloadJob> job, Procedure procedure) {
    return start(std::move(job), procedure);
}

std::vector<std::uint32_t> DownloadManager::startQuotationDownloads(std::vector<std::unique_ptr<DownloadJob>> jobs) {
    std::vector<std::uint32_t> ids;
    ids.reserve(jobs.size());
    for (auto& job : jobs) {
        const std::uint32_t id = job ? ++g_lastWorkerId : 0;
        if (job) {
            PostDownloadStatusAs(id, *job, DOWNLOAD_INITIALIZED, DOWNLOAD_DETAIL_NONE, {}, 0, 0);
            job->m_bStartReported = 1;
        }
        ids.push_back(id);
    }
    std::unique_lock lock(m_mutex);
    if (m_shutDown) {
        lock.unlock();
        for (std::size_t i = 0; i < jobs.size(); ++i)
            if (jobs[i]) {
                refuseJob(*jobs[i], ids[i], DOWNLOAD_ABORTED, DOWNLOAD_DETAIL_NONE, {});
                ids[i] = 0;
            }
        return ids;
    }
    // The jobs whose items others wait for go first, so no job waits for an exchange-rate item
    // whose job is still queued behind it; the rest keep their order.
    const std::size_t firstQueued = m_queue.size();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i])
            continue;
        DownloadActivity::instance().workerStarted();
        ++m_alive;
        m_queue.push_back({ids[i], std::move(jobs[i])});
    }
    std::stable_partition(m_queue.begin() + static_cast<std::ptrdiff_t>(firstQueued), m_queue.end(),
                          [](const QueuedStart& queued) { return othersWaitFor(*queued.job); });
    if (m_queue.empty())
        return ids;
    if (!m_starter.joinable()) {
        try {
            m_starter = std::thread([this] { starterLoop(); });
        } catch (const std::system_error& e) {
            // Without a starter the jobs start here, as they would have without one.
            CVR_LOG(LOG_LEVEL_ERROR, "Could not start the download starter thread: %s", e.what());
            while (!m_queue.empty()) {
                QueuedStart next = std::move(m_queue.front());
                m_queue.pop_front();
                if (!launch(lock, next.job, &DownloadQuotationThread, next.id, true))
                    lock.lock();
            }
            return ids;
        }
    }
    m_queueChanged.notify_one();
    return ids;
}

void DownloadManager::starterLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_queueChanged.wait(lock, [this] { return m_shutDown || !m_queue.empty(); });
        if (m_shutDown)
            return; // shutdown() ends what is still queued
        joinExited(lock);
        if (m_shutDown || m_queue.empty())
            continue;
        if (g_bAbortDownloads.load() != 0) {
            refuseQueuedLocked(lock);
            continue;
        }
        if (holdBackLocked(m_queue.front())) {
            // Woken when a job ends or leaves its slots, when jobs are queued, and by an abort.
            m_queueChanged.wait(lock, [this] {
                return m_shutDown || m_queue.empty() || g_bAbortDownloads.load() != 0 ||
                       !holdBackLocked(m_queue.front());
            });
            continue;
        }
        QueuedStart next = std::move(m_queue.front());
        m_queue.pop_front();
        if (!launch(lock, next.job, &DownloadQuotationThread, next.id, true))
            lock.lock();
    }
}

void DownloadManager::refuseQueuedLocked(std::unique_lock<std::mutex>& lock) {
    std::deque<QueuedStart> queued;
    queued.swap(m_queue);
    lock.unlock();
    refuseQueued(queued);
    lock.lock();
}

void DownloadManager::refuseQueued(std::deque<QueuedStart>& queued) {
    // Each job as its worker would have ended it at its first look at the abort flag: every item
    // reported aborted (its first report went out when it was queued).
    for (QueuedStart& next : queued) {
        refuseJob(*next.job, next.id, DOWNLOAD_ABORTED, DOWNLOAD_DETAIL_NONE, {});
        next.job.reset();
        DownloadActivity::instance().workerEnded();
        std::lock_guard counted(m_mutex);
        --m_alive;
        m_changed.notify_all();
    }
}

bool DownloadManager::holdBackLocked(const QueuedStart& next) const {
    const CountingSemaphore* slots = next.job->m_pSemaphore.get();
    if (!slots)
        return false;
    const auto it = m_jobsBySlots.find(slots);
    return it != m_jobsBySlots.end() && it->second >= 2 * slots->maximum();
}

std::uint32_t DownloadManager::start(std::unique_ptr<DownloadJob> job, Procedure procedure, std::uint32_t id) {
    if (!job)
        return 0;
    std::unique_lock lock(m_mutex);
    if (m_shutDown) {
        lock.unlock();
        refuseJob(*job, id, DOWNLOAD_ABORTED, DOWNLOAD_DETAIL_NONE, {});
        return 0;
    }
    joinExited(lock);
    if (id == 0)
        id = ++g_lastWorkerId;
    return launch(lock, job, procedure, id, false) ? id : 0;
}

bool DownloadManager::launch(std::unique_lock<std::mutex>& lock, std::unique_ptr<DownloadJob>& job, Procedure procedure,
                             std::uint32_t id, bool counted) {
    Worker* worker = nullptr;
    if (!m_idle.empty()) {
        worker = m_idle.back();
        m_idle.pop_back();
    } else {
        // Recorded before its thread starts: a failure in between never destroys a joinable thread.
        Worker* made = nullptr;
        try {
            m_workers.push_back(std::make_unique<Worker>());
            made = m_workers.back().get();
            made->thread = std::thread([this, made] { workerLoop(made); });
            worker = made;
            ++m_threadsMade;
        } catch (const std::exception& e) {
            if (made)
                m_workers.pop_back();
            if (counted) {
                --m_alive;
                m_changed.notify_all();
            }
            lock.unlock();
            if (counted)
                DownloadActivity::instance().workerEnded();
            CVR_LOG(LOG_LEVEL_ERROR, "Could not start download thread for '%s': %s", job->m_szURL.c_str(), e.what());
            refuseJob(*job, id, DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE, "Could not start the download thread!");
            return false;
        }
    }
    if (!counted) {
        DownloadActivity::instance().workerStarted();
        ++m_alive;
    }
    worker->downloadSlots = job->m_pSemaphore.get();
    worker->wantsSlot = worker->downloadSlots != nullptr;
    if (worker->wantsSlot)
        ++m_jobsBySlots[worker->downloadSlots];
    worker->job = std::move(job);
    worker->procedure = procedure;
    worker->id = id;
    worker->busy = true;
    worker->wake.notify_one();
    return true;
}

void DownloadManager::workerLoop(Worker* worker) {
    prepareThreadForCrashReports();
    t_manager = this;
    t_worker = worker;
    std::unique_lock lock(m_mutex);
    for (;;) {
        worker->wake.wait(lock, [this, worker] { return worker->job || m_shutDown; });
        if (!worker->job)
            break; // shut down while idle
        std::unique_ptr<DownloadJob> job = std::move(worker->job);
        const Procedure procedure = worker->procedure;
        t_workerId = worker->id;
        lock.unlock();
        try {
            procedure(std::move(job));
        } catch (...) {
            // The procedures report their own failures; nothing may leave the thread.
        }
        // Before the job counts as ended here, so whoever waits for the workers finds the abort
        // flag already back at 0 when nothing else runs.
        DownloadActivity::instance().workerEnded();
        lock.lock();
        t_workerId = 0;
        leaveSlotsLocked(worker);
        worker->downloadSlots = nullptr;
        worker->busy = false;
        worker->id = 0;
        --m_alive;
        m_changed.notify_all();
        m_queueChanged.notify_all(); // the starter may hand out the next job
        if (m_shutDown || m_idle.size() >= kMaxIdleWorkers)
            break;
        m_idle.push_back(worker);
    }
    // Notified under the lock: once a shut-down sees this, the thread no longer touches the
    // manager, which may then be destroyed.
    worker->exited = true;
    m_changed.notify_all();
}

void DownloadManager::joinExited(std::unique_lock<std::mutex>& lock) {
    std::vector<std::thread> finished;
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if ((*it)->exited) {
            finished.push_back(std::move((*it)->thread));
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
    if (finished.empty())
        return;
    lock.unlock();
    for (auto& thread : finished)
        if (thread.joinable())
            thread.join();
    lock.lock();
}

void DownloadManager::abortAll() {
    AbortAllDownloads();
}

int DownloadManager::workersAlive() const {
    return m_alive;
}

int DownloadManager::threadsRunning() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_workers.begin(), m_workers.end(),
                                          [](const auto& worker) { return !worker->exited; }));
}

int DownloadManager::threadsMade() const {
    std::lock_guard lock(m_mutex);
    return m_threadsMade;
}

bool DownloadManager::waitForWorkers(std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return m_alive == 0; };
    if (!timeout) {
        m_changed.wait(lock, idle);
        return true;
    }
    return m_changed.wait_for(lock, *timeout, idle);
}

bool DownloadManager::shutdown(std::optional<std::chrono::milliseconds> bound) {
    std::deque<QueuedStart> queued;
    std::thread starter;
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown && m_workers.empty() && !m_starter.joinable())
            return true;
        m_shutDown = true;
        queued.swap(m_queue);
        starter = std::move(m_starter);
        m_queueChanged.notify_all();
        for (Worker* idle : m_idle)
            idle->wake.notify_one();
        m_idle.clear();
    }
    if (starter.joinable())
        starter.join();
    // Jobs that never got their thread end as aborted ones do.
    refuseQueued(queued);
    if (workersAlive() > 0)
        abortAll();
    std::vector<std::unique_ptr<Worker>> ending;
    bool allEnded = true;
    int leftBehind = 0;
    {
        std::unique_lock lock(m_mutex);
        const auto idle = [this] { return m_alive == 0; };
        if (bound)
            allEnded = m_changed.wait_for(lock, *bound, idle);
        else
            m_changed.wait(lock, idle);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            if (!(*it)->busy) {
                // Ends by itself now (idle, or its job over); joined below, then freed.
                ending.push_back(std::move(*it));
                it = m_workers.erase(it);
                continue;
            }
            // Stays listed until it ends, so the count stays right; its thread is let go.
            if ((*it)->thread.joinable())
                (*it)->thread.detach();
            ++leftBehind;
            ++it;
        }
    }
    for (auto& worker : ending)
        if (worker->thread.joinable())
            worker->thread.join();
    if (!allEnded)
        CVR_LOG(LOG_LEVEL_ERROR, "%i download workers did not end after the abort; they are left behind", leftBehind);
    return allEnded;
}
