#include "platform/Sync.h"

#include <algorithm>

namespace {

bool aborted(const std::atomic<int>* abort) {
    return abort && abort->load() != 0;
}

// Waits on `cv` until `done()` holds or the timeout passes; returns done().
template <class Done>
bool waitUntilDone(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   std::optional<std::chrono::milliseconds> timeout, Done done) {
    if (!timeout) {
        cv.wait(lock, done);
        return true;
    }
    return cv.wait_until(lock, std::chrono::steady_clock::now() + *timeout, done);
}

} // namespace

// --- CountingSemaphore ---

CountingSemaphore::CountingSemaphore(int count) : m_maximum(std::max(count, 1)), m_available(m_maximum) {}

bool CountingSemaphore::acquire(const std::atomic<int>* abort, std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(m_mutex);
    const bool done = waitUntilDone(m_cv, lock, timeout, [&] { return m_available > 0 || aborted(abort); });
    if (!done || aborted(abort))
        return false;
    --m_available;
    return true;
}

bool CountingSemaphore::tryAcquire() {
    std::lock_guard lock(m_mutex);
    if (m_available == 0)
        return false;
    --m_available;
    return true;
}

bool CountingSemaphore::release() {
    {
        std::lock_guard lock(m_mutex);
        if (m_available >= m_maximum)
            return false;
        ++m_available;
    }
    // Every waiter re-checks; waiters differ in their abort flags, so one notify is not enough.
    m_cv.notify_all();
    return true;
}

void CountingSemaphore::wakeAll() {
    // Taking the mutex orders the caller's flag store before the waiters' next check.
    { std::lock_guard lock(m_mutex); }
    m_cv.notify_all();
}

int CountingSemaphore::available() const {
    std::lock_guard lock(m_mutex);
    return m_available;
}

// --- SemaphoreSlot ---

bool SemaphoreSlot::acquire(const std::atomic<int>* abort, std::optional<std::chrono::milliseconds> timeout) {
    if (m_held)
        return true;
    if (!m_semaphore)
        return !aborted(abort);
    m_held = m_semaphore->acquire(abort, timeout);
    return m_held;
}

void SemaphoreSlot::release() {
    if (m_held && m_semaphore)
        m_semaphore->release();
    m_held = false;
}

// --- EventBoard ---

void EventBoard::signal(std::uint32_t id) {
    {
        std::lock_guard lock(m_mutex);
        m_signalled.insert(id);
    }
    m_cv.notify_all();
}

void EventBoard::reset(std::uint32_t id) {
    std::lock_guard lock(m_mutex);
    m_signalled.erase(id);
}

bool EventBoard::isSignalled(std::uint32_t id) const {
    std::lock_guard lock(m_mutex);
    return m_signalled.contains(id);
}

EventBoard::WaitResult EventBoard::wait(std::uint32_t id, std::optional<std::chrono::milliseconds> timeout,
                                        const std::atomic<int>* abort) {
    return waitAny(std::span<const std::uint32_t>(&id, 1), timeout, abort).result;
}

EventBoard::AnyResult EventBoard::waitAny(std::span<const std::uint32_t> ids,
                                          std::optional<std::chrono::milliseconds> timeout,
                                          const std::atomic<int>* abort) {
    std::size_t found = ids.size();
    const auto firstSignalled = [&] {
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (m_signalled.contains(ids[i]))
                return i;
        return ids.size();
    };
    std::unique_lock lock(m_mutex);
    waitUntilDone(m_cv, lock, timeout, [&] {
        found = firstSignalled();
        return found < ids.size() || aborted(abort);
    });
    if (found < ids.size())
        return {WaitResult::Signalled, found};
    return {aborted(abort) ? WaitResult::Aborted : WaitResult::Timeout, 0};
}

void EventBoard::wakeAll() {
    { std::lock_guard lock(m_mutex); }
    m_cv.notify_all();
}
