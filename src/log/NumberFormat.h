#pragma once
// Numbers shown to the user with thousands grouping. The separators are those of
// the user's locale, read once at start-up (initNumberGrouping); later changes of
// the process locale (by Qt or anyone else) do not affect them.

#include <string>
#include <string_view>

// Reads the decimal point and thousands separator of `localeName` ("" = the
// user's locale from the environment) and keeps that locale for formatting.
// Returns false when the locale is not available; the "C" locale is used then.
// Called once at start-up; without a call, the first use reads the user's locale.
bool initNumberGrouping(const char* localeName = "");

struct NumberSeparators {
    std::string decimalPoint;
    std::string thousandsSeparator;
};

// The separators read by initNumberGrouping.
NumberSeparators numberSeparators();

// Inserts `separator` every three digits into the integer part of the number in
// `text`: the run of digits that starts at the first digit. Text around the
// number is kept; nothing is inserted without a digit on both sides.
std::string groupDigits(std::string text, std::string_view separator);

// Formats `value` with a printf format that takes exactly one double (text around
// the number is allowed, "%%" for a percent sign), with the locale's decimal point,
// and groups the integer part of the number with the locale's thousands separator.
// Text around the number is never grouped; NaN and infinity print ungrouped.
// A format without exactly one double conversion (a to g, no '*', no length other
// than "l") gives "".
std::string FormatNumberGrouped(const char* format, double value);
