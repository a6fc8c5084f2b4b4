#pragma once
// A watch over tests that hang. A wait a test can bound itself is bounded where it waits (see
// Bounded.h); code that hangs on the test's own thread (a loop in a widget's layout, a modal loop
// nobody ends) cannot be given up on, so the watch reports the test by name and ends the program
// with a failure instead of leaving it to the test driver's time-out.

#include "support/Sanitizer.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace testsupport {

// How long one test may run before the watch reports it: well above the slowest test, below the
// test driver's time-out, stretched under sanitizers up to that time-out.
inline constexpr std::chrono::milliseconds kTestLimit = std::min<std::chrono::milliseconds>(
    sanitizerScaled(std::chrono::milliseconds(60000)), std::chrono::milliseconds(270000));

// Watches every test of the program from now on: one that has not ended `limit` after it began is
// reported and the program ends. The test mains install it.
void watchEveryTest(std::chrono::milliseconds limit);

// For as long as it lives, the running test must get past this scope within `limit` (stretched
// under sanitizers by the caller where it needs it); `what` names what it waits for in the report.
class HangLimit {
public:
    HangLimit(std::chrono::milliseconds limit, std::string what);
    ~HangLimit();
    HangLimit(const HangLimit&) = delete;
    HangLimit& operator=(const HangLimit&) = delete;

private:
    std::chrono::steady_clock::time_point m_previousDeadline;
    std::chrono::milliseconds m_previousLength{0};
    std::string m_previousWhat;
};

} // namespace testsupport
