#pragma once
// Text helpers of the portfolio model: names compared the way the lists sort them, and numbers in
// fixed notation that never depend on the process locale (files and formulas are read by programs).

#include <string>
#include <string_view>

// Compares two texts character by character without regard to case (by the current locale's
// character classes): -1, 0 or 1. Characters compare by their code, so the special items' names,
// which start with a blank, stay in front. A byte that starts no well-formed UTF-8 character
// stands for itself (as 0xDC00 + byte), so that two different texts never read alike.
int compareNoCase(std::string_view a, std::string_view b);
// The characters compareNoCase compares, each in lower case: two folded texts compare (as
// sequences of codes) as compareNoCase compares the texts. For a text compared many times.
std::u32string foldedText(std::string_view s);

// printf's "%<width>.<decimals>f" with '.' as the decimal point whatever the locale.
std::string fixedText(double value, int decimals, int width = 0);
// The same appended to `out`.
void appendFixed(std::string& out, double value, int decimals, int width = 0);
// The same written at `out`, which has room for `width` + kMaxFixedChars characters; returns the
// end of the text.
inline constexpr std::size_t kMaxFixedChars = 400;
char* writeFixed(char* out, double value, int decimals, int width = 0);
