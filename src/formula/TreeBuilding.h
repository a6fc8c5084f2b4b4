#pragma once
// Helpers shared by the node implementations: building nodes, copies and text pieces.
// Internal to the formula engine.

#include "formula/Function.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace formula_tree {

template <class Node, class... Args> auto make(Args&&... args) {
    return FunctionPtr<typename Node::Number>(std::make_unique<Node>(std::forward<Args>(args)...));
}

// A folded copy of a subtree, as derivatives place them.
template <class T> FunctionPtr<T> copy(const CFunction<T>& f) {
    return f.Clone(true);
}

// A number as formula text: six significant digits, "." as decimal point.
template <class T> CMathString number(T value) {
    return CMathString(static_cast<double>(value), 6);
}

// The pieces one after the other.
inline CMathString join(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (const auto piece : pieces)
        size += piece.size();
    CMathString text;
    text.reserve(size);
    for (const auto piece : pieces)
        text.append(piece);
    return text;
}

inline CMathString parenthesised(std::string_view text) {
    return join({"(", text, ")"});
}

inline CMathString parenthesisedLaTeX(std::string_view text) {
    return join({"\\left(", text, "\\right)"});
}

// The text of an operand, in parentheses when it binds less tightly than `needed`.
template <class T> CMathString operandText(const CFunction<T>& f, TextPrecedence needed) {
    return f.Precedence(false) < needed ? parenthesised(f.ToText()) : f.ToText();
}

template <class T> CMathString operandLaTeX(const CFunction<T>& f, TextPrecedence needed) {
    return f.Precedence(true) < needed ? parenthesisedLaTeX(f.ToLaTeX()) : f.ToLaTeX();
}

// The right operand of "+" or "-", and the argument of a negation: a sum or a negation
// there needs parentheses ("a-(b+c)", "-(x+1)").
inline constexpr TextPrecedence kAfterMinus = TextPrecedence::Product;

} // namespace formula_tree
