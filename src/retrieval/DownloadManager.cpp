#include "retrieval/DownloadManager.h"

#include "log/CrashReport.h"
#include "log/Log.h"

#include <system_error>

namespace {

std::atomic<std::uint32_t> g_lastWorkerId{0};
thread_local std::uint32_t t_workerId = 0;

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
}

DownloadManager::~DownloadManager() {
    shutdown();
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
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i])
            continue;
        DownloadActivity::instance().workerStarted();
        ++m_alive;
        m_queue.push_back({ids[i], std::move(jobs[i])});
    }
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
        joinEnded(lock);
        if (m_shutDown || m_queue.empty())
            continue;
        QueuedStart next = std::move(m_queue.front());
        m_queue.pop_front();
        if (!launch(lock, next.job, &DownloadQuotationThread, next.id, true))
            lock.lock();
    }
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
    joinEnded(lock);
    if (id == 0)
        id = ++g_lastWorkerId;
    return launch(lock, job, procedure, id, false) ? id : 0;
}

bool DownloadManager::launch(std::unique_lock<std::mutex>& lock, std::unique_ptr<DownloadJob>& job, Procedure procedure,
                             std::uint32_t id, bool counted) {
    auto worker = std::make_unique<Worker>();
    worker->id = id;
    DownloadJob* handedOver = job.get();
    if (!counted)
        DownloadActivity::instance().workerStarted();
    try {
        worker->thread = std::thread([this, id, procedure, handedOver] {
            std::unique_ptr<DownloadJob> owned(handedOver);
            prepareThreadForCrashReports();
            t_workerId = id;
            try {
                procedure(std::move(owned));
            } catch (...) {
                // The procedures report their own failures; nothing may leave the thread.
            }
            workerEnded(id);
        });
    } catch (const std::system_error& e) {
        if (counted) {
            --m_alive;
            m_changed.notify_all();
        }
        lock.unlock();
        DownloadActivity::instance().workerEnded();
        CVR_LOG(LOG_LEVEL_ERROR, "Could not start download thread for '%s': %s", job->m_szURL.c_str(), e.what());
        refuseJob(*job, id, DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE, "Could not start the download thread!");
        return false;
    }
    job.release(); // the thread owns it now
    if (!counted)
        ++m_alive;
    m_workers.push_back(std::move(worker));
    return true;
}

void DownloadManager::workerEnded(std::uint32_t id) {
    // Before the worker counts as ended here, so whoever waits for the workers finds the abort
    // flag already back at 0 when nothing else runs.
    DownloadActivity::instance().workerEnded();
    // Notified under the lock: once a waiting shut-down sees the count fall, this thread no
    // longer touches the manager, which may then be destroyed.
    std::lock_guard lock(m_mutex);
    for (auto& worker : m_workers) {
        if (worker->id == id) {
            worker->ended = true;
            break;
        }
    }
    --m_alive;
    m_changed.notify_all();
}

void DownloadManager::joinEnded(std::unique_lock<std::mutex>& lock) {
    std::vector<std::thread> finished;
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if ((*it)->ended) {
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
    }
    if (starter.joinable())
        starter.join();
    // Jobs that never got their thread end as aborted ones do; their first report went out.
    for (QueuedStart& next : queued) {
        DownloadActivity::instance().workerEnded();
        refuseJob(*next.job, next.id, DOWNLOAD_ABORTED, DOWNLOAD_DETAIL_NONE, {});
        std::lock_guard lock(m_mutex);
        --m_alive;
        m_changed.notify_all();
    }
    if (workersAlive() > 0)
        abortAll();
    std::vector<std::thread> threads;
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
            Worker& worker = **it;
            if (allEnded || worker.ended) {
                threads.push_back(std::move(worker.thread));
                it = m_workers.erase(it);
                continue;
            }
            // Stays listed until it ends, so the count stays right; its thread is let go.
            if (worker.thread.joinable())
                worker.thread.detach();
            ++leftBehind;
            ++it;
        }
    }
    for (auto& thread : threads)
        if (thread.joinable())
            thread.join();
    if (!allEnded)
        CVR_LOG(LOG_LEVEL_ERROR, "%i download workers did not end after the abort; they are left behind", leftBehind);
    return allEnded;
}
