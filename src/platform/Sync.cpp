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
    if (aborted(abort))
        return false;
    if (m_waiters.empty() && m_available > 0) {
        --m_available;
        return true;
    }
    Waiter me;
    m_waiters.push_back(&me);
    const auto deadline =
        timeout ? std::chrono::steady_clock::now() + *timeout : std::chrono::steady_clock::time_point{};
    // The first m_available waiters in line may each take a slot, without waiting for the ones
    // before them to run.
    const auto eligible = [&] {
        const auto place = std::find(m_waiters.begin(), m_waiters.end(), &me) - m_waiters.begin();
        return place < m_available;
    };
    bool taken = false;
    for (;;) {
        if (aborted(abort))
            break;
        if (eligible()) {
            --m_available;
            taken = true;
            break;
        }
        if (!timeout)
            me.wake.wait(lock);
        else if (me.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
            if (!aborted(abort) && eligible()) {
                --m_available;
                taken = true;
            }
            break;
        }
    }
    m_waiters.erase(std::find(m_waiters.begin(), m_waiters.end(), &me));
    if (!taken)
        wakeNextLocked(); // the one after it in line may find a slot now
    return taken;
}

bool CountingSemaphore::tryAcquire() {
    std::lock_guard lock(m_mutex);
    if (m_available == 0 || !m_waiters.empty())
        return false;
    --m_available;
    return true;
}

bool CountingSemaphore::release() {
    std::lock_guard lock(m_mutex);
    if (m_available >= m_maximum)
        return false;
    ++m_available;
    wakeNextLocked();
    return true;
}

void CountingSemaphore::wakeAll() {
    // Under the mutex: the caller's flag store comes before the waiters' next check, and no
    // waiter leaves the queue while it is notified.
    std::lock_guard lock(m_mutex);
    for (Waiter* waiter : m_waiters)
        waiter->wake.notify_one();
}

void CountingSemaphore::wakeNextLocked() {
    // The first m_available waiters in line may take a slot. Each one that became so was woken
    // then, so only the last of them can be new here. When many slots come free at once (a round
    // of downloads ending together), every waiter takes its own at once instead of each waking the
    // next in a chain of thread switches. Notified under the mutex: a waiter's condition variable
    // lives only while it is queued.
    if (m_available > 0 && static_cast<std::size_t>(m_available) <= m_waiters.size())
        m_waiters[static_cast<std::size_t>(m_available) - 1]->wake.notify_one();
}

int CountingSemaphore::available() const {
    std::lock_guard lock(m_mutex);
    return m_available;
}

int CountingSemaphore::waiting() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_waiters.size());
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
