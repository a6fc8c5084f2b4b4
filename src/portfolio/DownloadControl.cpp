// The abort flag of all downloads, the download slots and the account of running downloads.
#include "portfolio/DownloadControl.h"

#include <algorithm>

std::atomic<int> g_bAbortDownloads{0};

namespace {
constexpr int kMaxDownloadSlots = 500;
}

int clampNumberDownloads(int numberDownloads) {
    return std::clamp(numberDownloads, 1, kMaxDownloadSlots);
}

std::shared_ptr<CountingSemaphore> makeDownloadSemaphore(int numberDownloads) {
    auto slots = std::make_shared<CountingSemaphore>(clampNumberDownloads(numberDownloads));
    DownloadActivity::instance().addSlots(slots);
    return slots;
}

DownloadActivity& DownloadActivity::instance() {
    static DownloadActivity activity;
    return activity;
}

void DownloadActivity::abortAll() {
    std::vector<std::function<void()>> hooks;
    std::vector<std::shared_ptr<CountingSemaphore>> slots;
    {
        std::lock_guard lock(m_mutex);
        g_bAbortDownloads = 1;
        hooks = m_wakeHooks;
        for (const auto& weak : m_slots)
            if (auto live = weak.lock())
                slots.push_back(std::move(live));
    }
    // The flag is set before any waiter is woken, so a woken waiter sees it.
    for (const auto& semaphore : slots)
        semaphore->wakeAll();
    for (const auto& hook : hooks)
        hook();
    std::lock_guard lock(m_mutex);
    clearAbortWhenIdleLocked();
}

void DownloadActivity::addWakeHook(std::function<void()> hook) {
    if (!hook)
        return;
    std::lock_guard lock(m_mutex);
    m_wakeHooks.push_back(std::move(hook));
}

void DownloadActivity::addSlots(const std::shared_ptr<CountingSemaphore>& slots) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_slots, [](const auto& weak) { return weak.expired(); });
    m_slots.push_back(slots);
}

void DownloadActivity::workerStarted() {
    std::lock_guard lock(m_mutex);
    ++m_workersAlive;
}

void DownloadActivity::workerEnded() {
    std::lock_guard lock(m_mutex);
    if (m_workersAlive > 0)
        --m_workersAlive;
    clearAbortWhenIdleLocked();
}

void DownloadActivity::setItemsDownloading(const void* owner, bool downloading) {
    std::lock_guard lock(m_mutex);
    if (downloading) {
        m_downloadingOwners.insert(owner);
        return;
    }
    m_downloadingOwners.erase(owner);
    clearAbortWhenIdleLocked();
}

void DownloadActivity::clearAbortWhenIdleLocked() {
    // Under the lock, so a worker start or an abort cannot slip between the check and the reset.
    if (m_workersAlive == 0 && m_downloadingOwners.empty())
        g_bAbortDownloads = 0;
}

void AbortAllDownloads() {
    DownloadActivity::instance().abortAll();
}
