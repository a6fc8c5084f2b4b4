#pragma once
// Bounded waits for tests: a test waits about 10 s (stretched under sanitizers) for anything that
// could hang, then fails by name instead of running until the test driver kills the program. Code
// that may never return on the test's own thread is bounded with a HangLimit (HangWatch.h).

#include "support/Sanitizer.h"

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// How long a test waits for something that should happen at once.
inline constexpr std::chrono::milliseconds kWaitLimit = sanitizerScaled(std::chrono::milliseconds(10000));

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
