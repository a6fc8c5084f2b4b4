#pragma once
// The formula text parser: turns a formula in one variable into an expression tree.
//
// Syntax: numbers ("1.5", "1,5", "1.5e3"; "." and "," are both decimal points in every
// locale), the named constants ("PI", "M_E", ...), the variable, the operators + - * / ^
// (all left-associative; ^ binds tightest, then * and /, then + and -), a sign at the start
// or after an operator or "(" (so "2*-3" and "x^-1" read as expected), parentheses (brackets
// and braces read as parentheses) and the functions EXP SIN COS TAN COT SINH COSH TANH COTH ABS
// CEIL FLOOR LG LN SQRT ASIN ACOS ATAN GAMMA SQR SIGN, and DIGAMMA and POLYGAMMA_n (n from 1 to
// kMaxPolygammaOrder) of Gamma's derivatives, written NAME(argument) or NAME, a blank and a
// number or the variable. Names, the variable and constants are read without regard to case.
// A leading "-" negates the whole term: "-x^2" is -(x^2). Constant parts are folded.
//
// A text that does not follow the syntax gives no tree (nullptr): a name that is neither the
// variable, a function nor a named constant, a stray character, an empty operand ("5*"),
// text left over after a number ("2x", "2(x+1)"), unbalanced parentheses, the empty text.
// Texts longer than kMaxFormulaLength bytes or nested deeper than kMaxFormulaDepth levels do
// not parse either, so no formula read from a file can exhaust the stack, also when its tree
// is derived, copied, printed or destroyed. Operators between operands do not nest, so a flat
// sum or product may have as many terms as the length allows; their trees are as deep as that.

#include "formula/Function.h"

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kMaxFormulaLength = 4096;
// Levels of nesting: every pair of parentheses and every function call takes one level.
inline constexpr int kMaxFormulaDepth = 256;

// Parses `text` as a formula in `variable` (callers pass "X"); the caller owns the tree.
template <class T> FunctionPtr<T> ParseFunction(std::string_view text, std::string_view variable);

// The same; the parser's name for parsing a piece of text.
template <class T> FunctionPtr<T> ParseFunctionFromText(std::string_view text, std::string_view variable) {
    return ParseFunction<T>(text, variable);
}

extern template FunctionPtr<double> ParseFunction<double>(std::string_view, std::string_view);
