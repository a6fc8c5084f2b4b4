#pragma once
// The log lines of the portfolio item: written through the program's logging call with the item's
// source name. Lines that carry formatted dates are built only when an output takes DEBUG lines,
// so list operations on large lists do not format lines nobody receives.

#include "log/Log.h"
#include "platform/OleDate.h"

#include <string>

// The source file name the item's lines carry, whichever of its files writes them.
inline constexpr const char* kItemLogSource = "WPapierItem.cpp";

#define ITEM_LOG(level, ...) LogMessage((level), kItemLogSource, __VA_ARGS__)

// Dates in the item's log lines: the locale's date, then the time.
inline std::string itemLogDate(const OleDate& date) {
    return date.Format("%x %H:%M:%S");
}
