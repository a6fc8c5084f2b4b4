// Random formula texts: whatever the text, parsing and everything done with the tree afterwards
// (evaluation, derivation, copies, text forms) must not crash, and the plain text of a tree
// must parse again. Generated well-formed formulas must parse to their reference values.

#include "FormulaTesting.h"

#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace formula_testing;

namespace {

const double kPoints[] = {-1.5, 0, 0.5, 2, 1000};

// Reference value at a pole. The parser folds zeros by structure ("-(0)" is the zero function,
// not -0), so the sign of an infinity reached through a zero is not part of the reference.
const double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Everything the engine offers on a tree; returns false when a property fails. Counts the texts
// that parsed, so that a test can tell that it reached trees at all.
::testing::AssertionResult exercise(const std::string& text, int* parsed = nullptr) {
    const Ptr f = parse(text);
    if (!f)
        return ::testing::AssertionSuccess();
    if (parsed)
        ++*parsed;
    for (const double at : kPoints)
        (void)f->Evaluate(at);
    const Ptr d = f->Derive();
    const Ptr folded = d->Clone(true);
    const Ptr copied = f->Clone(false);
    for (const double at : kPoints) {
        (void)d->Evaluate(at);
        (void)folded->Evaluate(at);
        if (!sameValue(copied->Evaluate(at), f->Evaluate(at), 0))
            return ::testing::AssertionFailure() << "copy differs for \"" << text << "\"";
    }
    (void)f->ToLaTeX();
    (void)folded->ToLaTeX();
    for (const CMathString& printed : {f->ToText(), folded->ToText()}) {
        const bool readable = printed.find("INF") == std::string::npos && printed.find("NAN") == std::string::npos &&
                              printed.size() <= kMaxFormulaLength;
        if (readable && !parse(printed))
            return ::testing::AssertionFailure() << "\"" << printed << "\" (from \"" << text << "\") does not parse";
    }
    return ::testing::AssertionSuccess();
}

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(int percent) { return below(100) < percent; }
    template <class C> const auto& pick(const C& choices) {
        return choices[static_cast<std::size_t>(below(static_cast<int>(std::size(choices))))];
    }

    // Pieces that formulas are made of, glued together at random; now and then a stray one.
    std::string tokenSoup(int tokens) {
        static const char* const kOperands[] = {"x",  "X",   "1",     "2.5",    "0",   "1e-3", "1,5", "3E+2",
                                                "pi", "M_E", "1e308", "1e-320", "(x)", "[2]",  "{x}"};
        static const char* const kOperators[] = {"+", "-", "*", "/", "^", "*-", "^-", " - ", "+-"};
        static const char* const kPrefixes[] = {"-",    "(",    "sin(",  "SIN ", "ln(",   "lg(", "sqrt(", "gamma(",
                                                "exp ", "abs(", "coth ", "sqr(", "sign(", "[",   "{",     "+"};
        static const char* const kStrays[] = {"y",  ",",  ".",  "$", "e",   "E",  ")", "]",
                                              "()", "**", "\t", " ", "sin", "0^", "--"};
        std::string text;
        int open = 0;
        for (int i = 0; i < tokens; ++i) {
            if (chance(8)) {
                text += pick(kStrays);
            } else if (chance(30)) {
                const std::string prefix = pick(kPrefixes);
                open += prefix.back() == '(' || prefix.back() == '[' || prefix.back() == '{';
                text += prefix;
            } else {
                text += pick(kOperands);
                if (open > 0 && chance(40)) {
                    text += ")";
                    --open;
                }
                if (i + 1 < tokens)
                    text += pick(kOperators);
            }
        }
        for (; open > 0 && chance(90); --open)
            text += ")";
        return text;
    }

    std::string bytes(int length) {
        std::string text;
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(below(256));
        return text;
    }

    // A well-formed formula and the function it denotes.
    struct Formula {
        std::string text;
        std::function<double(double)> value;
    };

    Formula formula(int depth) {
        if (depth == 0 || chance(25))
            return leaf();
        switch (below(4)) {
        case 0: {
            Formula inner = formula(depth - 1);
            std::string text = "-";
            text += open() + inner.text + close();
            return {text, [f = inner.value](double v) { return -f(v); }};
        }
        case 1:
            return function(depth);
        default:
            return binary(depth);
        }
    }

    std::string mutate(std::string text) {
        static const char kAlphabet[] = "x1+-*/^()., eE";
        for (int edits = 1 + below(3); edits > 0 && !text.empty(); --edits) {
            const auto at = static_cast<std::size_t>(below(static_cast<int>(text.size())));
            switch (below(3)) {
            case 0:
                text.erase(at, 1);
                break;
            case 1:
                text.insert(at, 1, kAlphabet[below(static_cast<int>(sizeof(kAlphabet) - 1))]);
                break;
            default:
                text[at] = kAlphabet[below(static_cast<int>(sizeof(kAlphabet) - 1))];
                break;
            }
        }
        return text;
    }

private:
    std::string open() { return pick(std::vector<std::string>{"(", "[", "{", "( "}); }
    std::string close() { return pick(std::vector<std::string>{")", "]", "}", " )"}); }
    std::string blank() { return chance(30) ? " " : ""; }

    Formula leaf() {
        if (chance(50))
            return {chance(50) ? "x" : "X", [](double v) { return v; }};
        struct Number {
            const char* text;
            double value;
        };
        static const Number kNumbers[] = {{"2.5", 2.5},
                                          {"1,5", 1.5},
                                          {"1e-3", 1e-3},
                                          {"3E+2", 300},
                                          {"0", 0},
                                          {"0.5", 0.5},
                                          {"7", 7},
                                          {"pi", 3.141592653589793},
                                          {"M_E", 2.718281828459045},
                                          {"m_sqrt2", 1.4142135623730951}};
        const Number& n = pick(kNumbers);
        const double value = n.value;
        return {n.text, [value](double) { return value; }};
    }

    Formula function(int depth) {
        struct Name {
            const char* text;
            double (*apply)(double);
        };
        static const Name kNames[] = {
            {"exp", [](double v) { return std::exp(v); }},
            {"SIN", [](double v) { return std::sin(v); }},
            {"cos", [](double v) { return std::cos(v); }},
            {"Tanh", [](double v) { return std::tanh(v); }},
            {"abs", [](double v) { return std::fabs(v); }},
            {"floor", [](double v) { return std::floor(v); }},
            {"sqrt", [](double v) { return std::sqrt(v); }},
            {"atan", [](double v) { return std::atan(v); }},
            {"lg", [](double v) { return std::log10(v); }},
            {"LN", [](double v) { return std::log(v); }},
            {"sqr", [](double v) { return v * v; }},
            {"sign", [](double v) { return std::isnan(v) ? kUndefined
                                           : v > 0       ? 1.0
                                           : v < 0       ? -1.0
                                                         : 0.0; }},
            {"gamma", [](double v) { return v == 0 ? kUndefined : std::tgamma(v); }},
            {"cosh", [](double v) { return std::cosh(v); }},
        };
        const Name& name = pick(kNames);
        Formula inner = formula(depth - 1);
        const auto apply = name.apply;
        std::string text = std::string(name.text) + open() + inner.text + close();
        if (inner.text == "x" && chance(50))
            text = std::string(name.text) + " x";
        return {text, [apply, f = inner.value](double v) { return apply(f(v)); }};
    }

    Formula binary(int depth) {
        static const char kOperators[] = "+-*/^";
        const char op = kOperators[below(5)];
        Formula l = formula(depth - 1);
        Formula r = formula(depth - 1);
        std::string right = open() + r.text + close();
        // a negative number directly after the operator ("2*-3", "x^-1")
        if (chance(15)) {
            const double k = 0.5 + below(4);
            right = "-";
            right += CMathString(k, 6);
            r.value = [k](double) { return -k; };
        }
        std::string text = open() + l.text + close() + blank() + op + blank() + right;
        const auto fl = l.value, fr = r.value;
        std::function<double(double)> value;
        switch (op) {
        case '+':
            value = [fl, fr](double v) { return fl(v) + fr(v); };
            break;
        case '-':
            value = [fl, fr](double v) { return fl(v) - fr(v); };
            break;
        case '*':
            value = [fl, fr](double v) { return fl(v) * fr(v); };
            break;
        case '/':
            value = [fl, fr](double v) { return fr(v) == 0 ? kUndefined : fl(v) / fr(v); };
            break;
        default:
            value = [fl, fr](double v) {
                const double base = fl(v), exponent = fr(v);
                return base == 0 && exponent < 0 ? kUndefined : std::pow(base, exponent);
            };
            break;
        }
        return {text, value};
    }

    std::mt19937 m_rng;
};

TEST(FormulaFuzz, RandomTokensNeverCrash) {
    Generator gen(20240611);
    int parsed = 0;
    for (int i = 0; i < 6000; ++i) {
        const std::string text = gen.tokenSoup(1 + gen.below(40));
        ASSERT_TRUE(exercise(text, &parsed));
    }
    EXPECT_GT(parsed, 500) << parsed;
}

TEST(FormulaFuzz, RandomBytesNeverCrash) {
    Generator gen(7);
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(exercise(gen.bytes(gen.below(80))));
}

TEST(FormulaFuzz, LongTextsNeverCrash) {
    Generator gen(99);
    for (int i = 0; i < 30; ++i) {
        std::string text = gen.tokenSoup(2000);
        text.resize(std::min<std::size_t>(text.size(), kMaxFormulaLength - static_cast<std::size_t>(gen.below(3))));
        ASSERT_TRUE(exercise(text));
    }
}

TEST(FormulaFuzz, WellFormedFormulasParseToTheirValues) {
    Generator gen(42);
    for (int i = 0; i < 3000; ++i) {
        const auto formula = gen.formula(1 + gen.below(6));
        SCOPED_TRACE(formula.text);
        const Ptr f = parse(formula.text);
        ASSERT_TRUE(f);
        for (const double at : kPoints) {
            const double expected = formula.value(at);
            // Non-finite values may differ where the syntax folds by structure ("a-a" is 0).
            if (std::isfinite(expected) && std::fabs(expected) > 1e-9) {
                EXPECT_TRUE(sameValue(f->Evaluate(at), expected, 1e-9)) << "at " << at;
            }
        }
        ASSERT_TRUE(exercise(formula.text));
    }
}

TEST(FormulaFuzz, MutatedFormulasNeverCrash) {
    Generator gen(1234);
    int parsed = 0;
    for (int i = 0; i < 6000; ++i) {
        const std::string text = gen.mutate(gen.formula(1 + gen.below(5)).text);
        ASSERT_TRUE(exercise(text, &parsed));
    }
    EXPECT_GT(parsed, 300) << parsed;
}

} // namespace
