#pragma once
// The log lines of the portfolio document: written through the program's logging call with the
// document's source name, whichever of its files writes them.

#include "log/Log.h"

inline constexpr const char* kDocLogSource = "WPapierDoc.cpp";

#define DOC_LOG(level, ...) LogMessage((level), kDocLogSource, __VA_ARGS__)
