#pragma once
// Numbers the user types, read as they are shown: the twin of FormatNumberGrouped (log/
// NumberFormat.h). Both follow the user's locale as read at start-up: its decimal point, and its
// thousands separator, which may stand between the digits of the whole part (in groups of three
// after the first) and is dropped. Blanks around the number are allowed; an exponent is read.
// Everything else -- numbers in pages, files and formulas -- never depends on the locale.

#include <optional>
#include <string>
#include <string_view>

// The number the whole text holds; nothing when it holds anything else (or nothing).
std::optional<double> ParseNumberGrouped(std::string_view text);

// A whole number the whole text holds (no decimal point, no exponent); nothing otherwise or when
// it does not fit an int.
std::optional<int> ParseIntegerGrouped(std::string_view text);

// The number at the start of the text (after blanks), as far as it goes: "12.5 EUR" reads 12.5.
// A text that does not start with a number reads 0.
double LeadingNumberGrouped(std::string_view text);

// A double as the user's locale writes it, as the dialogs show it: FormatNumberGrouped with
// `format` ("%.15g" by default: fifteen significant digits).
std::string FormatNumberForInput(double value, const char* format = "%.15g");
