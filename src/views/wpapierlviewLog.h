#pragma once
// The list view's log lines: written through the program's logging call with the view's source
// name, whichever of its files writes them.

#include "log/Log.h"

inline constexpr const char* kListViewLogSource = "wpapierlview.cpp";

#define LV_LOG(level, ...) LogMessage((level), kListViewLogSource, __VA_ARGS__)
