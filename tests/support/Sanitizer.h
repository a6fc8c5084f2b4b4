#pragma once
// Time limits of tests built with ThreadSanitizer. Instrumented code runs many times slower, so a
// limit a test sets for itself (how long it waits for a worker, the time limit it gives a job) is
// stretched there; what the test checks stays the same.

#include <chrono>

#if defined(__SANITIZE_THREAD__)
#define CORVANA_SANITIZER_THREAD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define CORVANA_SANITIZER_THREAD 1
#endif
#endif

namespace testsupport {

#ifdef CORVANA_SANITIZER_THREAD
inline constexpr int kSanitizerSlowdown = 10;
#else
inline constexpr int kSanitizerSlowdown = 1;
#endif

// `limit`, stretched in a sanitized build.
template <class Rep, class Period>
constexpr std::chrono::duration<Rep, Period> sanitizerScaled(std::chrono::duration<Rep, Period> limit) {
    return limit * kSanitizerSlowdown;
}
constexpr int sanitizerScaled(int seconds) {
    return seconds * kSanitizerSlowdown;
}

} // namespace testsupport
