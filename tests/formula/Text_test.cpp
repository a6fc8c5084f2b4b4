// Plain and LaTeX text of trees: the forms themselves, parentheses where precedence needs
// them, valid LaTeX, and plain texts that parse back to the same values.

#include "FormulaTesting.h"

#include <functional>

using namespace formula_testing;

namespace {

struct TextCase {
    const char* name;
    std::function<Ptr()> build;
    const char* text;
    const char* latex;
};

Ptr xPlus1() {
    return node<CAdd0Function<double>>(x(), 1.0);
}

const TextCase kTextCases[] = {
    {"polynomial with a negative term", [] { return lin(2, -3); }, "2*x+-3", "2x+-3"},
    {"polynomial 0 + 1x", [] { return lin(1, 0); }, "1*x+0", "1x+0"},
    {"quadratic", [] { return node<CPolynom2Function<double>>(1.0, 2.0, 3.0); }, "3*x^2+2*x+1", "3x^2+2x+1"},
    {"large constant", [] { return c(1234567); }, "1.23457E+06", "1.23457E+06"},
    {"difference of sums", [] { return node<CSubFunction<double>>(x(), xPlus1()); }, "(x)-(x+1)",
     "x-\\left(x+1\\right)"},
    {"negated sum", [] { return node<CNegFunction<double>>(node<CAddFunction<double>>(x(), x())); }, "-(x+x)",
     "-\\left(x+x\\right)"},
    {"negated product", [] { return node<CNegFunction<double>>(node<CMul0Function<double>>(x(), 2.0)); }, "-2*(x)",
     "-2\\left(x\\right)"},
    {"negated negative number", [] { return node<CNegFunction<double>>(c(-3)); }, "-(-3)", "-\\left(-3\\right)"},
    {"power of a sum", [] { return node<CPowerR0Function<double>>(xPlus1(), 2.0); }, "(x+1)^2",
     "\\left(x+1\\right)^{2}"},
    {"power of a power", [] { return node<CPowerR0Function<double>>(node<CPowerR0Function<double>>(x(), 2.0), 3.0); },
     "x^2^3", "\\left(x^{2}\\right)^{3}"},
    {"negative exponent", [] { return node<CPowerR0Function<double>>(x(), -1.0); }, "x^-1", "x^{-1}"},
    {"fractional exponent", [] { return node<CPowerR0Function<double>>(x(), 1.5); }, "x^1.5", "x^{1.5}"},
    {"product", [] { return node<CMulFunction<double>>(x(), x()); }, "(x)*(x)", "\\left(x\\right)\\left(x\\right)"},
    {"constant to a root", [] { return node<CPowerL0Function<double>>(node<CSqrt1Function<double>>(), 2.0); },
     "2^(sqrt(x))", "2^{sqrt(x)}"},
    {"negative base", [] { return node<CPowerL0Function<double>>(x(), -2.0); }, "(-2)^(x)", "\\left(-2\\right)^{x}"},
    {"power of sums", [] { return node<CPowerFunction<double>>(xPlus1(), x()); }, "(x+1)^(x)",
     "{\\left(x+1\\right)}^{x}"},
    {"constant minus a sum", [] { return node<CSubL0Function<double>>(xPlus1(), 3.0); }, "3-(x+1)",
     "3-\\left(x+1\\right)"},
    {"constant minus x", [] { return node<CSubL0Function<double>>(x(), 3.0); }, "3-x", "3-x"},
    {"sum with a difference", [] { return node<CAddFunction<double>>(x(), node<CSubR0Function<double>>(x(), 1.0)); },
     "x+(x-1)", "x+\\left(x-1\\right)"},
    {"sum with a negative constant", [] { return node<CAdd0Function<double>>(x(), -3.0); }, "x+-3", "x+-3"},
    {"quotients", [] { return node<CDivR0Function<double>>(node<CDivL0Function<double>>(x(), 1.0), -3.0); },
     "(1/(x))/-3", "\\frac{\\frac{1}{x}}{-3}"},
    {"root of a sum", [] { return node<CSqrtFunction<double>>(xPlus1()); }, "sqrt(x+1)", "\\sqrt{x+1}"},
    {"root of x", [] { return node<CSqrt1Function<double>>(); }, "sqrt(x)", "\\sqrt{x}"},
    {"square of a sum", [] { return node<CSqrFunction<double>>(xPlus1()); }, "sqr(x+1)", "\\left(x+1\\right)^{2}"},
    {"square of x", [] { return node<CSqr1Function<double>>(); }, "x^2", "x^2"},
    {"absolute value", [] { return node<CAbsFunction<double>>(xPlus1()); }, "abs(x+1)", "\\left|x+1\\right|"},
    {"natural logarithm", [] { return node<CLogFunction<double>>(xPlus1()); }, "ln(x+1)", "\\ln\\left(x+1\\right)"},
    {"decimal logarithm", [] { return node<CLog101Function<double>>(); }, "lg(x)", "\\lg\\left(x\\right)"},
    {"exponential squared", [] { return node<CPowerR0Function<double>>(node<CExp1Function<double>>(), 2.0); },
     "exp(x)^2", "\\left(e^x\\right)^{2}"},
    {"exponential of a sum", [] { return node<CExpFunction<double>>(xPlus1()); }, "exp(x+1)", "e^{x+1}"},
    {"sign", [] { return node<CSign1Function<double>>(); }, "sign(x)", "\\mathop{\\rm sign}(x)"},
    {"arc cosine", [] { return node<CAcosFunction<double>>(x()); }, "Acos(x)", "\\arccos\\left(x\\right)"},
    {"Gamma", [] { return node<CGamma1Function<double>>(); }, "Gamma(x)", "\\Gamma\\left(x\\right)"},
};

TEST(TextForms, PlainAndLaTeX) {
    for (const auto& t : kTextCases) {
        SCOPED_TRACE(t.name);
        const Ptr f = t.build();
        EXPECT_EQ(f->ToText(), t.text);
        EXPECT_EQ(f->ToLaTeX(), t.latex);
    }
}

TEST(TextForms, NumbersAreWrittenWithAPointInEveryLocale) {
    CommaLocale locale;
    EXPECT_EQ(c(0.5)->ToText(), "0.5");
    EXPECT_EQ(node<CMul0Function<double>>(x(), 1.25)->ToText(), "1.25*(x)");
    EXPECT_EQ(node<CMul0Function<double>>(x(), 1.25)->ToLaTeX(), "1.25\\left(x\\right)");
}

// Braces and \left/\right pairs balance, and no superscript follows another directly.
::testing::AssertionResult wellFormedLaTeX(const std::string& latex) {
    int braces = 0;
    for (const char ch : latex) {
        braces += ch == '{' ? 1 : (ch == '}' ? -1 : 0);
        if (braces < 0)
            return ::testing::AssertionFailure() << "unbalanced braces in " << latex;
    }
    const auto count = [&](const std::string& what) {
        int n = 0;
        for (auto at = latex.find(what); at != std::string::npos; at = latex.find(what, at + 1))
            ++n;
        return n;
    };
    if (braces != 0 || count("\\left") != count("\\right"))
        return ::testing::AssertionFailure() << "unbalanced " << latex;
    for (const char* bad : {"\\sqr\\", "\\sqrt\\left", "}^{x}^", "^2^", "}^{2}^"})
        if (latex.find(bad) != std::string::npos)
            return ::testing::AssertionFailure() << bad << " in " << latex;
    return ::testing::AssertionSuccess();
}

TEST(TextForms, LaTeXOfEveryClassIsWellFormed) {
    for (const auto& t : nodeCases()) {
        SCOPED_TRACE(t.name);
        const Ptr f = t.build();
        EXPECT_TRUE(wellFormedLaTeX(f->ToLaTeX()));
        EXPECT_TRUE(wellFormedLaTeX(f->Derive()->ToLaTeX()));
        EXPECT_TRUE(wellFormedLaTeX(node<CPowerR0Function<double>>(f->Clone(false), 2.0)->ToLaTeX()));
    }
}

// The plain text of a tree parses to a tree of the same values (numbers carry six digits).
::testing::AssertionResult readsBack(const F& f, const std::vector<double>& points) {
    const CMathString text = f.ToText();
    const Ptr back = parse(text);
    if (!back)
        return ::testing::AssertionFailure() << "\"" << text << "\" does not parse";
    for (const double at : points) {
        auto same = sameValue(back->Evaluate(at), f.Evaluate(at), 2e-5);
        if (!same)
            return same << " at " << at << " for \"" << text << "\"";
    }
    return ::testing::AssertionSuccess();
}

TEST(TextForms, EveryClassAndItsDerivativeReadBack) {
    for (const auto& t : nodeCases()) {
        SCOPED_TRACE(t.name);
        const Ptr f = t.build();
        EXPECT_TRUE(readsBack(*f, t.at));
        EXPECT_TRUE(readsBack(*f->Derive(), t.at));
        EXPECT_TRUE(readsBack(*f->Derive()->Clone(true), t.at));
        // as operands of every operator, on both sides
        EXPECT_TRUE(readsBack(*node<CNegFunction<double>>(t.build()), t.at));
        EXPECT_TRUE(readsBack(*node<CSubL0Function<double>>(t.build(), 2.0), t.at));
        EXPECT_TRUE(readsBack(*node<CPowerR0Function<double>>(t.build(), 2.0), t.at));
        EXPECT_TRUE(readsBack(*node<CPowerR0Function<double>>(t.build(), -1.0), t.at));
        EXPECT_TRUE(readsBack(*node<CPowerL0Function<double>>(t.build(), -2.0), t.at));
        EXPECT_TRUE(readsBack(*node<CAddFunction<double>>(t.build(), t.build()), t.at));
        EXPECT_TRUE(readsBack(*node<CSubFunction<double>>(t.build(), t.build()), t.at));
        EXPECT_TRUE(readsBack(*node<CMulFunction<double>>(t.build(), t.build()), t.at));
        EXPECT_TRUE(readsBack(*node<CMul0Function<double>>(t.build(), -3.0), t.at));
        EXPECT_TRUE(readsBack(*node<CDivFunction<double>>(t.build(), c(-4)), t.at));
        EXPECT_TRUE(readsBack(*node<CPowerFunction<double>>(lin(0.1, 2), t.build()), t.at));
    }
}

TEST(TextForms, ParsedFormulasReadBack) {
    const char* formulas[] = {
        "x*1.19",
        "(x-100)/100*100",
        "sqrt(x)*ln(x)+2^x",
        "-x^2+3*x-1",
        "1/(1+exp(-x))",
        "x^-1+x^0.5",
        "2^3^x",
        "-(x-1)*-(x+1)",
        "abs(x-3)/(x+1)",
        "gamma(x/2+1)",
        "M_PI*x*x",
        "(x+1)*(x+1)-(x-1)/(x+2)",
        "sin(x)^2+cos(x)^2",
        "lg(x)+ln(x)/M_LN10",
    };
    for (const char* formula : formulas) {
        SCOPED_TRACE(formula);
        const Ptr f = parse(formula);
        ASSERT_TRUE(f);
        EXPECT_TRUE(readsBack(*f, {0.7, 1.3, 4.5}));
        EXPECT_TRUE(readsBack(*f->Derive(), {0.7, 1.3, 4.5}));
    }
}

} // namespace
