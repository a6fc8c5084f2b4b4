#include "platform/Clock.h"

#include <atomic>

namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_clock{&g_systemClock};
} // namespace

Clock::time_point FixedClock::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void FixedClock::set(time_point t) {
    std::lock_guard lock(m_mutex);
    m_now = t;
}

void FixedClock::advance(std::chrono::system_clock::duration d) {
    std::lock_guard lock(m_mutex);
    m_now += d;
}

Clock& currentClock() { return *g_clock.load(std::memory_order_acquire); }

void setCurrentClock(Clock* clock) { g_clock.store(clock ? clock : &g_systemClock, std::memory_order_release); }
