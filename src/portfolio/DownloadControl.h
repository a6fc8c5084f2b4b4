#pragma once
// What the portfolio document and the download workers share: the process-wide abort flag of all
// downloads, the download slots, and the account of what still runs, which decides when an abort
// is over.
//
// The flag is set by AbortAllDownloads() (the document's AbortDownloads, the Downloads window,
// the main frame, the program's shut-down). Workers poll it at every step; whatever they may wait
// for (a free slot, the result of an exchange-rate item) is woken: the download slots made by
// makeDownloadSemaphore directly, anything else through the wake hooks that the download layer
// registers here. The flag returns to 0 by itself once no item of any document is
// downloading and no download worker is alive -- also after an abort that only hit a page, test
// or setup download -- so an abort never outlives the downloads it was meant for.

#include "platform/Sync.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

// Non-zero while an abort of all downloads is pending; 0 at start.
extern std::atomic<int> g_bAbortDownloads;

// The NumberDownloads option as a slot count: 1 to 500.
int clampNumberDownloads(int numberDownloads);
// The download slots for the NumberDownloads option (clamped). The document makes them once;
// update jobs share them with their workers, which hold a slot while they connect and download.
// An abort of all downloads wakes their waiters for as long as they live.
std::shared_ptr<CountingSemaphore> makeDownloadSemaphore(int numberDownloads);

// The program's account of running downloads. Thread-safe; its lock is never held while it calls
// out, so any other lock may be held by its callers.
class DownloadActivity {
public:
    static DownloadActivity& instance();

    // Sets the abort flag, wakes every waiting worker, and ends the abort at once when nothing runs.
    void abortAll();
    // Registers a way to wake waiting workers (kept for the program's lifetime).
    void addWakeHook(std::function<void()> hook);
    // Download slots whose waiters an abort wakes, kept while they live.
    void addSlots(const std::shared_ptr<CountingSemaphore>& slots);

    // A download worker thread starts or has ended (the download manager reports its threads).
    void workerStarted();
    void workerEnded();

    // Whether any item of `owner` (a document) is downloading.
    void setItemsDownloading(const void* owner, bool downloading);

private:
    void clearAbortWhenIdleLocked();

    std::mutex m_mutex;
    std::vector<std::function<void()>> m_wakeHooks;
    std::vector<std::weak_ptr<CountingSemaphore>> m_slots;
    int m_workersAlive = 0;
    std::unordered_set<const void*> m_downloadingOwners;
};

// Sets the abort flag of all downloads (DownloadActivity::abortAll).
void AbortAllDownloads();

// A document's share in the account: whether any of its items is downloading. Leaves the account
// when destroyed, so a document that goes away never keeps an abort pending.
class DownloadingItemsShare {
public:
    DownloadingItemsShare() = default;
    ~DownloadingItemsShare() { set(false); }
    DownloadingItemsShare(const DownloadingItemsShare&) = delete;
    DownloadingItemsShare& operator=(const DownloadingItemsShare&) = delete;

    void set(bool downloading) { DownloadActivity::instance().setItemsDownloading(this, downloading); }
};
