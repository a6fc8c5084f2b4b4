#pragma once
// The source of "now". Code that needs the current time asks currentClock(), so
// tests can fix the time with a FixedClock.

#include <chrono>
#include <mutex>

class Clock {
public:
    using time_point = std::chrono::system_clock::time_point;
    virtual ~Clock() = default;
    virtual time_point now() const = 0;
};

// The system's real-time clock.
class SystemClock final : public Clock {
public:
    time_point now() const override { return std::chrono::system_clock::now(); }
};

// A clock that stands still until the test sets or advances it. Thread-safe.
class FixedClock final : public Clock {
public:
    explicit FixedClock(time_point t = {}) : m_now(t) {}
    time_point now() const override;
    void set(time_point t);
    void advance(std::chrono::system_clock::duration d);

private:
    mutable std::mutex m_mutex;
    time_point m_now;
};

// The clock the program uses; the system clock unless one was installed.
Clock& currentClock();

// Installs `clock` (not owned) as the current clock; nullptr restores the system clock.
void setCurrentClock(Clock* clock);

// Installs a clock for the lifetime of the guard (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { setCurrentClock(&clock); }
    ~ScopedClock() { setCurrentClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};
