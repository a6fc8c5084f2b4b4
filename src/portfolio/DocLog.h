#pragma once
// The log lines of the portfolio document: written through the program's logging call with the
// document's source name, whichever of its files writes them.

#include "log/Log.h"
#include "platform/OleDate.h"

#include <string>

inline constexpr const char* kDocLogSource = "WPapierDoc.cpp";

#define DOC_LOG(level, ...) LogMessage((level), kDocLogSource, __VA_ARGS__)

// Dates in the document's log lines: the locale's date, then its time.
inline std::string docLogDate(const OleDate& date) {
    return date.Format("%x %X");
}
