#include "HangWatch.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;
constexpr Clock::time_point kNever = Clock::time_point::max();

std::string runningTestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string("(no test)");
}

// One thread that sleeps until the deadline of the running test and, when the deadline passes
// with the test still running, reports it and ends the program.
class Watch {
public:
    struct Limit {
        Clock::time_point deadline = kNever;
        std::chrono::milliseconds length{0};
        std::string test;
        std::string what;
    };

    static Watch& instance() {
        static Watch watch;
        return watch;
    }

    // Puts `limit` in force; returns the one it replaces.
    Limit replace(Limit limit) {
        std::lock_guard lock(m_mutex);
        std::swap(limit, m_limit);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_changed.notify_all();
        return limit;
    }

    ~Watch() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_limit.deadline == kNever)
                m_changed.wait(lock);
            else if (Clock::now() < m_limit.deadline)
                m_changed.wait_until(lock, m_limit.deadline);
            else
                report(m_limit);
        }
    }

    [[noreturn]] static void report(const Limit& limit) {
        std::fprintf(stderr, "\n[  FAILED  ] %s: %s did not end within %lld ms (hangs); the test program stops here\n",
                     limit.test.c_str(), limit.what.c_str(), static_cast<long long>(limit.length.count()));
        std::fflush(stderr);
        std::_Exit(1);
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
    Limit m_limit;
    bool m_stop = false;
};

class EveryTest : public ::testing::EmptyTestEventListener {
public:
    explicit EveryTest(std::chrono::milliseconds limit) : m_limit(limit) {}

private:
    void OnTestStart(const ::testing::TestInfo& info) override {
        Watch::instance().replace(
            {Clock::now() + m_limit, m_limit, std::string(info.test_suite_name()) + "." + info.name(), "the test"});
    }
    void OnTestEnd(const ::testing::TestInfo&) override { Watch::instance().replace({}); }

    std::chrono::milliseconds m_limit;
};

} // namespace

void watchEveryTest(std::chrono::milliseconds limit) {
    ::testing::UnitTest::GetInstance()->listeners().Append(new EveryTest(limit));
}

HangLimit::HangLimit(std::chrono::milliseconds limit, std::string what) {
    Watch::Limit previous =
        Watch::instance().replace({Clock::now() + limit, limit, runningTestName(), std::move(what)});
    m_previousDeadline = previous.deadline;
    m_previousWhat = std::move(previous.what);
    m_previousLength = previous.length;
}

HangLimit::~HangLimit() {
    Watch::instance().replace({m_previousDeadline, m_previousLength, runningTestName(), std::move(m_previousWhat)});
}

} // namespace testsupport
