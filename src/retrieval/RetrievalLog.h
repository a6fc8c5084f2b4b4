#pragma once
// The one place where the retrieval code reaches the logger. Every log line of this folder goes
// through RETRIEVAL_LOG(level, format, ...), printf style, with the calling source file, so the
// line names "filtering", "wizard", ... as its source.

#include <cstdarg>

inline constexpr int kRetrievalLogDebug = 100;
inline constexpr int kRetrievalLogInfo = 200;
inline constexpr int kRetrievalLogWarning = 300;
inline constexpr int kRetrievalLogError = 400;

#if __has_include("log/Log.h")
#include "log/Log.h"
#define RETRIEVAL_LOG(level, ...) LogMessage((level), __FILE__, __VA_ARGS__)
#else
// Without the logger the lines are checked like printf formats and dropped.
inline void retrievalLogDropped(int, const char*, const char*, ...) __attribute__((format(printf, 3, 4)));
inline void retrievalLogDropped(int, const char*, const char*, ...) {}
#define RETRIEVAL_LOG(level, ...) retrievalLogDropped((level), __FILE__, __VA_ARGS__)
#endif
