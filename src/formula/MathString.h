#pragma once
// Formula text and the small text questions the formula parser asks about its pieces:
// numbers and named constants, function names applied to something, the variable,
// enclosing parentheses, replacement, and the text of a number.
//
// Numbers are read and written without regard to the process locale: "." and "," both
// serve as the decimal point, and numbers are always written with ".".

#include <cstddef>
#include <string>
#include <string_view>

// The formula text type: a std::string holding the formula (UTF-8), with no added data.
class CMathString : public std::string {
public:
    using std::string::string;
    CMathString() = default;
    CMathString(const std::string& text) : std::string(text) {}
    CMathString(std::string&& text) : std::string(std::move(text)) {}
    CMathString(std::string_view text) : std::string(text) {}

    // The formula text of a number: printf "%.*G" conversion (at most `precision` significant
    // digits, capital E in exponent form, trailing zeros dropped), always with "." as the
    // decimal point. Infinities and NaN read "INF", "-INF", "NAN".
    CMathString(double value, int precision);

    // True when the text is a named constant (blanks around it allowed, case ignored) or the
    // whole text, after leading white space, is one number. The empty text counts as a
    // number; a text of blanks only and a number followed by blanks do not.
    static bool IsNumber(std::string_view text);

    // The value of a named constant, else of the longest number at the start of the text
    // (after leading white space); 0 when there is none.
    static double GetNumber(std::string_view text);
};

// The named constants of formula text ("PI", "M_E", ...); nullptr-terminated lookup.
struct NamedConstant {
    const char* name;
    double value;
};
// Finds a named constant equal to `text` without regard to case (no trimming); nullptr if none.
const NamedConstant* findNamedConstant(std::string_view text);

// Reads a formula number: the whole text must be one number or named constant, with white
// space allowed around it. Used by the parser on its pieces; the empty text is no number.
bool readFormulaNumber(std::string_view text, double& value);

// The text is `name` (case ignored), then "(" or a blank, then a number argument (up to a ")"
// that ends the text, or after the blank). On success the text becomes the argument.
bool MatchFunctionOfNumber(std::string& text, std::string_view name);

// The text is `name` (case ignored), then "(" or a blank, and what follows (including that
// character) is the variable by `IsVariable`. The text is not changed.
bool MatchFunctionOfVariable(std::string_view text, std::string_view name, std::string_view variable);

// The text is `name` (case ignored) followed by one parenthesised argument that ends the text.
// On success the name is removed and the parenthesised argument remains.
bool MatchFunctionName(std::string& text, std::string_view name);

// The text, without enclosing parentheses and without leading "+" and blanks, is the variable
// (case ignored). Trailing blanks are not removed.
bool IsVariable(std::string_view text, std::string_view variable);

// Removes pairs of parentheses that enclose the whole text, as long as there are any:
// "((a)+(b))" becomes "(a)+(b)", "(x)" becomes "x", "(a)*(b)" stays.
void StripEnclosingParentheses(std::string& text);

// Replaces every occurrence of `find`, left to right; text inserted by a replacement is not
// searched again. Returns the number of replacements; an empty `find` replaces nothing.
int ReplaceAll(std::string& text, std::string_view find, std::string_view replacement);

// Replaces `length` characters at `position` by `replacement` (clamped to the text).
void ReplaceAt(std::string& text, int position, int length, std::string_view replacement);

// Low-level helpers shared with the parser (ASCII only; the process locale plays no part).
namespace formula_text {
bool isBlank(char c);
bool iequals(std::string_view a, std::string_view b);
std::string_view trim(std::string_view text);
// The view without pairs of parentheses enclosing all of it.
std::string_view stripEnclosing(std::string_view text);
// "name(" or "name " at the start of the text, the name compared without regard to case.
bool startsWithFunctionName(std::string_view text, std::string_view name);
// Length of the longest number literal at the start of `text` (optional sign, digits with
// "." or "," as decimal point, optional exponent); 0 when there is none.
std::size_t scanNumber(std::string_view text);
// The value of a literal accepted by scanNumber (the whole view).
double convertNumber(std::string_view literal);
} // namespace formula_text
