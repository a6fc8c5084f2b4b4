// The formula text parser: a recursive splitter working directly on the text. At each level it
// trims the piece, takes off enclosing parentheses, looks for the operator of lowest precedence
// outside parentheses (the rightmost one, as all operators are left-associative), cuts the text
// there and parses both pieces, folding what is constant while it builds.

#include "formula/Parser.h"
#include "formula/TreeBuilding.h"

#include <new>
#include <string>

using namespace formula_text;
using namespace formula_tree;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isNameChar(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The "e" at `e` ends the mantissa of a number literal: digits (and a decimal point) that
// start a token.
bool isExponentMarker(std::string_view s, std::size_t e) {
    std::size_t k = e;
    bool digit = false;
    while (k > 0 && (isDigit(s[k - 1]) || s[k - 1] == '.' || s[k - 1] == ',')) {
        digit = digit || isDigit(s[k - 1]);
        --k;
    }
    return digit && (k == 0 || !isNameChar(s[k - 1]));
}

// A "+" or "-" at i that is no operator between two operands: the sign of an exponent
// ("1e-3"), or a sign at the start, after an operator or after "(".
bool isSign(std::string_view s, std::size_t i) {
    if (i > 0 && (s[i - 1] == 'e' || s[i - 1] == 'E') && isExponentMarker(s, i - 1))
        return true;
    std::size_t j = i;
    while (j > 0 && isBlank(s[j - 1]))
        --j;
    if (j == 0)
        return true;
    const char p = s[j - 1];
    return p == '+' || p == '-' || p == '*' || p == '/' || p == '^' || p == '(';
}

// Leading "+" and blanks, trailing blanks and enclosing parentheses come off, repeatedly.
// `enclosed` tells whether parentheses came off.
std::string_view normalise(std::string_view s, bool& enclosed) {
    enclosed = false;
    for (;;) {
        const std::size_t before = s.size();
        while (!s.empty() && (s.front() == '+' || isBlank(s.front())))
            s.remove_prefix(1);
        while (!s.empty() && isBlank(s.back()))
            s.remove_suffix(1);
        const std::size_t open = s.size();
        s = stripEnclosing(s);
        enclosed = enclosed || s.size() != open;
        if (s.size() == before)
            return s;
    }
}

// The polygamma name at the start of `s` ("Digamma", or "Polygamma_" and the order's digits),
// followed by "(" or a blank: its order, and the name's length in `length`; -1 when there is none.
int polygammaName(std::string_view s, std::size_t& length) {
    if (startsWithFunctionName(s, "DIGAMMA")) {
        length = 7;
        return 0;
    }
    constexpr std::string_view kPrefix = "POLYGAMMA_";
    if (s.size() <= kPrefix.size() || !iequals(s.substr(0, kPrefix.size()), kPrefix))
        return -1;
    int order = 0;
    std::size_t i = kPrefix.size();
    for (; i < s.size() && isDigit(s[i]) && order <= kMaxPolygammaOrder; ++i)
        order = order * 10 + (s[i] - '0');
    if (i == kPrefix.size() || order < 1 || order > kMaxPolygammaOrder || !startsWithFunctionName(s, s.substr(0, i)))
        return -1;
    length = i;
    return order;
}

// One function name of the syntax: the node classes it builds, its value for a number
// argument and the argument for which it is the zero function.
template <class T> struct FunctionName {
    std::string_view name;
    FunctionPtr<T> (*ofVariable)();
    FunctionPtr<T> (*ofArgument)(FunctionPtr<T>);
    T (*apply)(T);
    bool hasZero;
    T zero;
};

template <class T, class Op> constexpr FunctionName<T> entry(std::string_view name) {
    return {name,
            []() -> FunctionPtr<T> { return make<FunctionOfX<T, Op>>(); },
            [](FunctionPtr<T> arg) -> FunctionPtr<T> { return make<FunctionOfArg<T, Op>>(std::move(arg)); },
            &Op::template apply<T>,
            Op::kZeroRule != ZeroRule::Never,
            Op::kZeroRule == ZeroRule::ArgConstantOne ? T(1) : T(0)};
}

// In the order they are tried; no name is tried on a text where a longer one fits, because
// the name must be followed by "(" or a blank. SQR and SIGN come last: they name the square
// and sign nodes, so that the plain text of every tree reads back.
template <class T>
const FunctionName<T> kFunctionNames[] = {
    entry<T, ExpOp>("EXP"),   entry<T, SinOp>("SIN"),   entry<T, CosOp>("COS"),     entry<T, TanOp>("TAN"),
    entry<T, CotOp>("COT"),   entry<T, SinhOp>("SINH"), entry<T, CoshOp>("COSH"),   entry<T, TanhOp>("TANH"),
    entry<T, CothOp>("COTH"), entry<T, AbsOp>("ABS"),   entry<T, CeilOp>("CEIL"),   entry<T, FloorOp>("FLOOR"),
    entry<T, Log10Op>("LG"),  entry<T, LogOp>("LN"),    entry<T, SqrtOp>("SQRT"),   entry<T, AsinOp>("ASIN"),
    entry<T, AcosOp>("ACOS"), entry<T, AtanOp>("ATAN"), entry<T, GammaOp>("GAMMA"), entry<T, SqrOp>("SQR"),
    entry<T, SignOp>("SIGN"),
};

template <class T> class Parser {
public:
    explicit Parser(std::string_view variable) : m_variable(variable) {}

    // `depth` counts the parentheses and function calls around `s`; operators between operands
    // do not nest (the text's length bounds how many there are).
    FunctionPtr<T> parse(std::string_view s, int depth) const {
        bool enclosed = false;
        s = normalise(s, enclosed);
        if (enclosed)
            ++depth;
        if (depth > kMaxFormulaDepth || s.empty())
            return nullptr;

        // Sums and differences: the rightmost "+" or "-" between two operands.
        int level = 0;
        for (std::size_t i = s.size(); i-- > 0;) {
            const char c = s[i];
            if (c == ')')
                ++level;
            else if (c == '(')
                --level;
            else if (level == 0 && (c == '+' || c == '-') && !isSign(s, i))
                return sum(c, trim(s.substr(0, i)), trim(s.substr(i + 1)), depth);
        }
        // A leading "-" negates the rest of the piece.
        if (s[0] == '-')
            return negation(s.substr(1), depth);

        // Products and quotients, then powers: the rightmost operator outside parentheses.
        if (const std::size_t i = rightmostOperator(s, "*/"); i != 0)
            return product(s[i], trim(s.substr(0, i)), trim(s.substr(i + 1)), depth);
        if (const std::size_t i = rightmostOperator(s, "^"); i != 0)
            return power(trim(s.substr(0, i)), trim(s.substr(i + 1)), depth);

        if (auto f = function(s, depth))
            return f;
        if (iequals(s, m_variable))
            return make<CIdentityFunction<T>>();
        double value = 0;
        if (readFormulaNumber(s, value))
            return constant(value);
        return nullptr;
    }

private:
    static FunctionPtr<T> null() { return make<CNullFunction<T>>(); }
    static FunctionPtr<T> constant(double value) { return make<CConstFunction<T>>(static_cast<T>(value)); }

    // A new node is replaced by the zero function or by its constant value where it has one.
    static FunctionPtr<T> fold(FunctionPtr<T> f) {
        if (f->IsZero())
            return null();
        if (f->IsConstant())
            return make<CConstFunction<T>>(f->Evaluate(T(0)));
        return f;
    }

    static FunctionPtr<T> negate(FunctionPtr<T> g) {
        if (g->IsZero())
            return null();
        if (g->IsConstant())
            return make<CConstFunction<T>>(-g->Evaluate(T(0)));
        return make<CNegFunction<T>>(std::move(g));
    }

    // Position of the rightmost of `operators` outside parentheses, not at the start; 0 if none.
    static std::size_t rightmostOperator(std::string_view s, std::string_view operators) {
        int level = 0;
        for (std::size_t i = s.size(); i-- > 1;) {
            const char c = s[i];
            if (c == ')')
                ++level;
            else if (c == '(')
                --level;
            else if (level == 0 && operators.find(c) != std::string_view::npos)
                return i;
        }
        return 0;
    }

    // The constant form Node over the parsed `operand` with the constant k, folded.
    template <class Node> FunctionPtr<T> withConstant(std::string_view operand, double k, int depth) const {
        auto g = parse(operand, depth);
        return g ? fold(make<Node>(std::move(g), static_cast<T>(k))) : nullptr;
    }

    FunctionPtr<T> sum(char op, std::string_view l, std::string_view r, int depth) const {
        if (l.empty() || r.empty())
            return nullptr;
        double a = 0, b = 0;
        const bool leftNumber = readFormulaNumber(l, a);
        const bool rightNumber = readFormulaNumber(r, b);
        if (leftNumber && rightNumber)
            return constant(op == '+' ? a + b : a - b);
        if (leftNumber)
            return op == '+' ? withConstant<CAdd0Function<T>>(r, a, depth)
                             : withConstant<CSubL0Function<T>>(r, a, depth);
        if (rightNumber)
            return op == '+' ? withConstant<CAdd0Function<T>>(l, b, depth)
                             : withConstant<CSubR0Function<T>>(l, b, depth);
        auto g = parse(l, depth);
        if (!g)
            return nullptr;
        if (l == r)
            return op == '+' ? make<CMul0Function<T>>(std::move(g), T(2)) : null();
        auto h = parse(r, depth);
        if (!h)
            return nullptr;
        if (op == '+')
            return fold(make<CAddFunction<T>>(std::move(g), std::move(h)));
        return fold(make<CSubFunction<T>>(std::move(g), std::move(h)));
    }

    FunctionPtr<T> negation(std::string_view rest, int depth) const {
        double value = 0;
        if (readFormulaNumber(rest, value))
            return constant(-value);
        auto g = parse(rest, depth);
        return g ? negate(std::move(g)) : nullptr;
    }

    FunctionPtr<T> product(char op, std::string_view l, std::string_view r, int depth) const {
        if (l.empty() || r.empty())
            return nullptr;
        double a = 0, b = 0;
        const bool leftNumber = readFormulaNumber(l, a);
        const bool rightNumber = readFormulaNumber(r, b);
        if (leftNumber && rightNumber) {
            if (op == '/')
                return constant(a / b); // IEEE: a zero divisor gives an infinity or NaN
            return a * b == 0 ? null() : constant(a * b);
        }
        // A factor or dividend of 0 folds to the zero function; division by the number 0 follows
        // IEEE like any other division.
        if (leftNumber)
            return op == '*' ? withConstant<CMul0Function<T>>(r, a, depth)
                             : withConstant<CDivL0Function<T>>(r, a, depth);
        if (rightNumber)
            return op == '*' ? withConstant<CMul0Function<T>>(l, b, depth)
                             : withConstant<CDivR0Function<T>>(l, b, depth);
        if (op == '*' && l == r && l == m_variable)
            return make<CSqr1Function<T>>();
        auto g = parse(l, depth);
        if (!g)
            return nullptr;
        if (l == r)
            return op == '*' ? make<CSqrFunction<T>>(std::move(g)) : constant(1);
        auto h = parse(r, depth);
        if (!h)
            return nullptr;
        if (op == '*')
            return fold(make<CMulFunction<T>>(std::move(g), std::move(h)));
        return fold(make<CDivFunction<T>>(std::move(g), std::move(h)));
    }

    // Powers are not folded.
    FunctionPtr<T> power(std::string_view l, std::string_view r, int depth) const {
        if (l.empty() || r.empty())
            return nullptr;
        double a = 0, b = 0;
        const bool leftNumber = readFormulaNumber(l, a);
        const bool rightNumber = readFormulaNumber(r, b);
        if (leftNumber && rightNumber)
            return constant(std::pow(a, b));
        if (leftNumber) {
            auto g = parse(r, depth);
            return g ? make<CPowerL0Function<T>>(std::move(g), static_cast<T>(a)) : nullptr;
        }
        if (rightNumber) {
            auto g = parse(l, depth);
            return g ? make<CPowerR0Function<T>>(std::move(g), static_cast<T>(b)) : nullptr;
        }
        auto g = parse(l, depth);
        if (!g)
            return nullptr;
        auto h = parse(r, depth);
        return h ? make<CPowerFunction<T>>(std::move(g), std::move(h)) : nullptr;
    }

    // A function name applied to a number, to the variable, or to a parenthesised argument.
    FunctionPtr<T> function(std::string_view s, int depth) const {
        for (const auto& f : kFunctionNames<T>) {
            if (!startsWithFunctionName(s, f.name))
                continue;
            std::string_view arg = s.substr(f.name.size() + 1);
            if (s[f.name.size()] == '(') {
                if (s.back() != ')')
                    continue;
                arg.remove_suffix(1);
            }
            double value = 0;
            if (readFormulaNumber(arg, value)) {
                const T v = static_cast<T>(value);
                return f.hasZero && v == f.zero ? null() : make<CConstFunction<T>>(f.apply(v));
            }
        }
        for (const auto& f : kFunctionNames<T>)
            if (MatchFunctionOfVariable(s, f.name, m_variable))
                return f.ofVariable();
        for (const auto& f : kFunctionNames<T>) {
            if (!startsWithFunctionName(s, f.name) || s[f.name.size()] != '(')
                continue;
            const std::string_view arg = s.substr(f.name.size());
            if (stripEnclosing(arg).size() == arg.size())
                continue; // the "(" after the name does not close at the end
            auto g = parse(arg, depth);
            return g ? f.ofArgument(std::move(g)) : nullptr;
        }
        return polygamma(s, depth);
    }

    // "Digamma" or "Polygamma_n" applied to a number, to the variable, or to a parenthesised
    // argument.
    FunctionPtr<T> polygamma(std::string_view s, int depth) const {
        std::size_t length = 0;
        const int order = polygammaName(s, length);
        if (order < 0)
            return nullptr;
        const std::string_view arg = s.substr(length);
        std::string_view number = arg.substr(1);
        if (arg.front() == '(' && number.ends_with(')'))
            number.remove_suffix(1);
        double value = 0;
        if (readFormulaNumber(number, value))
            return constant(Polygamma(order, value));
        if (IsVariable(arg, m_variable))
            return make<CPolygammaFunction<T>>(order, make<CIdentityFunction<T>>());
        if (arg.front() != '(' || stripEnclosing(arg).size() == arg.size())
            return nullptr;
        auto g = parse(arg, depth);
        return g ? make<CPolygammaFunction<T>>(order, std::move(g)) : nullptr;
    }

    std::string_view m_variable;
};

} // namespace

template <class T> FunctionPtr<T> ParseFunction(std::string_view text, std::string_view variable) {
    if (text.size() > kMaxFormulaLength)
        return nullptr;
    std::string brackets;
    if (text.find_first_of("[]{}") != std::string_view::npos) {
        brackets.assign(text);
        for (char& c : brackets) {
            if (c == '[' || c == '{')
                c = '(';
            else if (c == ']' || c == '}')
                c = ')';
        }
        text = brackets;
    }
    int level = 0;
    for (const char c : text) {
        if (c == '(')
            ++level;
        else if (c == ')' && --level < 0)
            return nullptr;
    }
    if (level != 0)
        return nullptr;
    try {
        return Parser<T>(variable).parse(text, 1);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

template FunctionPtr<double> ParseFunction<double>(std::string_view, std::string_view);
