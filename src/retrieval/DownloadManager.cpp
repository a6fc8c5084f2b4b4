#include "retrieval/DownloadManager.h"

#include "log/CrashReport.h"
#include "log/Log.h"

#include <algorithm>
#include <system_error>

namespace {

std::atomic<std::uint32_t> g_lastWorkerId{0};
thread_local std::uint32_t t_workerId = 0;

} // namespace

std::uint32_t currentDownloadWorkerId() {
    return t_workerId;
}

DownloadManager::DownloadManager() {
    // What the workers use must outlive the program's manager, so it is made first.
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

std::uint32_t DownloadManager::start(std::unique_ptr<DownloadJob> job, int (*procedure)(std::unique_ptr<DownloadJob>)) {
    if (!job)
        return 0;
    std::unique_lock lock(m_mutex);
    if (m_shutDown)
        return 0;
    joinEnded(lock);
    auto worker = std::make_unique<Worker>();
    worker->id = ++g_lastWorkerId;
    worker->semaphore = job->m_pSemaphore;
    const std::uint32_t id = worker->id;
    DownloadJob* handedOver = job.get();
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
        lock.unlock();
        CVR_LOG(LOG_LEVEL_ERROR, "Could not start download thread for '%s': %s", job->m_szURL.c_str(), e.what());
        PostDownloadStatus(*job, DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE, "Could not start the download thread!", 0, 0);
        job->FreeItems();
        return 0;
    }
    job.release(); // the thread owns it now
    ++m_alive;
    m_workers.push_back(std::move(worker));
    return id;
}

void DownloadManager::workerEnded(std::uint32_t id) {
    {
        std::lock_guard lock(m_mutex);
        for (auto& worker : m_workers) {
            if (worker->id == id) {
                worker->ended = true;
                break;
            }
        }
        --m_alive;
        if (m_alive == 0 && m_itemsDownloading == 0)
            g_bAbortDownloads = 0;
    }
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
    std::vector<std::shared_ptr<CountingSemaphore>> semaphores;
    {
        std::lock_guard lock(m_mutex);
        g_bAbortDownloads = 1;
        for (const auto& worker : m_workers)
            if (!worker->ended && worker->semaphore &&
                std::find(semaphores.begin(), semaphores.end(), worker->semaphore) == semaphores.end())
                semaphores.push_back(worker->semaphore);
    }
    for (const auto& semaphore : semaphores)
        semaphore->wakeAll();
    downloadEventBoard().wakeAll();
    clearAbortWhenIdle();
}

void DownloadManager::clearAbortWhenIdle() {
    // Under the mutex, so a start or an abort cannot slip between the check and the reset.
    std::lock_guard lock(m_mutex);
    if (m_alive == 0 && m_itemsDownloading == 0)
        g_bAbortDownloads = 0;
}

int DownloadManager::workersAlive() const {
    return m_alive;
}

void DownloadManager::noteItemDownloadStarted() {
    std::lock_guard lock(m_mutex);
    ++m_itemsDownloading;
}

void DownloadManager::noteItemDownloadEnded() {
    {
        std::lock_guard lock(m_mutex);
        if (m_itemsDownloading > 0)
            --m_itemsDownloading;
    }
    clearAbortWhenIdle();
}

void DownloadManager::noteAllItemDownloadsEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_itemsDownloading = 0;
    }
    clearAbortWhenIdle();
}

int DownloadManager::itemsDownloading() const {
    return m_itemsDownloading;
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

void DownloadManager::shutdown() {
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown && m_workers.empty())
            return;
        m_shutDown = true;
    }
    if (workersAlive() > 0)
        abortAll();
    std::vector<std::thread> threads;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_alive == 0; });
        for (auto& worker : m_workers)
            threads.push_back(std::move(worker->thread));
        m_workers.clear();
    }
    for (auto& thread : threads)
        if (thread.joinable())
            thread.join();
}
