#pragma once
// Synchronisation between the document and the download workers: the re-entrant document mutex,
// the counting semaphore that limits simultaneous downloads, and the board of "item has its
// result" events. Waits also end when an abort flag (non-zero = abort) is set; whoever sets the
// flag calls wakeAll() on the semaphore and the board afterwards so waiting threads see it at once.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <unordered_set>

// Re-entrant mutex for the thread that holds it.
using RecursiveMutex = std::recursive_mutex;

// A wait without time limit.
inline constexpr std::optional<std::chrono::milliseconds> kWaitForever = std::nullopt;

// A counting semaphore whose initial and maximum count are fixed at construction (at least 1).
// Slots go to the waiters in the order they asked, and a freed slot wakes only the waiter next in
// line (hundreds of download workers may wait for a handful of slots).
class CountingSemaphore {
public:
    explicit CountingSemaphore(int count);
    CountingSemaphore(const CountingSemaphore&) = delete;
    CountingSemaphore& operator=(const CountingSemaphore&) = delete;

    // Takes a slot, waiting until one is free. False (no slot taken) when `abort` is or becomes
    // non-zero, or when `timeout` passes first.
    bool acquire(const std::atomic<int>* abort = nullptr,
                 std::optional<std::chrono::milliseconds> timeout = kWaitForever);
    // Takes a slot when one is free at once and nobody waits for it.
    bool tryAcquire();
    // Gives a slot back; false (and nothing changes) when all slots are free already.
    bool release();
    // Wakes every waiter so it re-checks its abort flag.
    void wakeAll();

    int available() const;
    int maximum() const { return m_maximum; }
    // How many threads wait for a slot.
    int waiting() const;

private:
    struct Waiter {
        std::condition_variable wake;
    };
    // Wakes the first waiter when a slot is free for it.
    void wakeNextLocked();

    const int m_maximum;
    mutable std::mutex m_mutex;
    std::deque<Waiter*> m_waiters; // in the order they asked
    int m_available;
};

// One slot of a semaphore held for a scope; released early by release() or at the end.
// A null semaphore means no limit: acquire() succeeds at once.
class SemaphoreSlot {
public:
    explicit SemaphoreSlot(CountingSemaphore* semaphore) : m_semaphore(semaphore) {}
    ~SemaphoreSlot() { release(); }
    SemaphoreSlot(const SemaphoreSlot&) = delete;
    SemaphoreSlot& operator=(const SemaphoreSlot&) = delete;

    bool acquire(const std::atomic<int>* abort = nullptr,
                 std::optional<std::chrono::milliseconds> timeout = kWaitForever);
    void release();
    bool held() const { return m_held; }

private:
    CountingSemaphore* m_semaphore;
    bool m_held = false;
};

// Manual-reset events named by a 32-bit id (an item id): signal(id) marks "item id has its
// result" until reset(id). All waits share one condition variable.
class EventBoard {
public:
    enum class WaitResult { Signalled, Timeout, Aborted };
    struct AnyResult {
        WaitResult result;
        std::size_t index; // with Signalled: the lowest index in `ids` whose event is set
    };

    void signal(std::uint32_t id);
    void reset(std::uint32_t id);
    bool isSignalled(std::uint32_t id) const;

    // Waits until the event of `id` is set, `abort` is non-zero, or `timeout` passes. A set event
    // wins over a set abort flag.
    WaitResult wait(std::uint32_t id, std::optional<std::chrono::milliseconds> timeout = kWaitForever,
                    const std::atomic<int>* abort = nullptr);
    // The same for any one of `ids`.
    AnyResult waitAny(std::span<const std::uint32_t> ids,
                      std::optional<std::chrono::milliseconds> timeout = kWaitForever,
                      const std::atomic<int>* abort = nullptr);
    // Wakes every waiter so it re-checks its abort flag.
    void wakeAll();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unordered_set<std::uint32_t> m_signalled;
};
