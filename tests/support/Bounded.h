#pragma once
// Bounded waits for tests: a test waits about 10 s (stretched under sanitizers) for anything that
// could hang, then fails by name instead of running until the test driver kills the program.

#include "support/Sanitizer.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace testsupport {

// How long a test waits for something that should happen at once.
inline constexpr std::chrono::milliseconds kWaitLimit = sanitizerScaled(std::chrono::milliseconds(10000));

// Runs `work` on a thread of its own and waits at most `limit` for it: true when it returned.
// Work that never returns is left running (the process ends it at exit), so everything it uses must
// be its own: captured by value or through a shared_ptr, never a reference to the test's locals.
template <class Work> bool returnsWithin(Work work, std::chrono::milliseconds limit = kWaitLimit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done, work = std::move(work)]() mutable {
        work();
        done->set_value();
    }).detach();
    return finished.wait_for(limit) == std::future_status::ready;
}

// Polls `condition` until it holds or `limit` passed; the condition's last value.
inline bool becomesTrue(const std::function<bool()>& condition, std::chrono::milliseconds limit = kWaitLimit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace testsupport
