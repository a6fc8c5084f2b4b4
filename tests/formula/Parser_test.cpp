// The formula text parser: values, tree shapes, texts that do not parse, locale independence
// and the bounds on length and nesting.

#include "FormulaTesting.h"

#include <cstring>
#include <functional>
#include <limits>

using namespace formula_testing;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct ValueCase {
    const char* text;
    double x;
    double expected;
};

const ValueCase kValueCases[] = {
    // syntax, precedence and associativity
    {"1,5*2", 0, 3},
    {"1.5*2", 0, 3},
    {"[x+1]*{2}", 1, 4},
    {"2^3^2", 0, 64},
    {"-x^2", 3, -9},
    {"-2^2", 0, -4},
    {"-2*x", 3, -6},
    {"-x+1", 3, -2},
    {"8/4/2", 0, 1},
    {"8/2*4", 0, 16},
    {"8-4-2", 0, 2},
    {"x-1-1", 5, 3},
    {"-5", 0, -5},
    {"-PI", 0, -3.141592653589793},
    {"2*pi", 0, 2 * 3.141592653589793},
    {"-(x)", 2, -2},
    {"((x)+(2))", 1, 3},
    {"X", 7, 7},
    {"x/x", 0, 1},
    {"x*x", -3, 9},
    {"x+x", 2.5, 5},
    // functions: name(argument) or name, a blank and a number or the variable
    {"SIN 2", 0, 0.9092974268256817},
    {"SIN(2)", 0, 0.9092974268256817},
    {"sin x", 1, 0.8414709848078965},
    {"sin(2*x)", 1, 0.9092974268256817},
    {"LN(1)", 0, 0},
    {"LG(100)", 0, 2},
    {"ln(x)^2", M_E, 1},
    {"COTH(2)", 0, std::cosh(2.0) / std::sinh(2.0)},
    {"coth 2", 0, std::cosh(2.0) / std::sinh(2.0)},
    {"exp(1)", 0, M_E},
    {"sqrt 16", 0, 4},
    {"GAMMA(5)", 0, 24},
    {"gamma(13)", 0, 479001600},
    {"gamma(x)", 0.5, 1.772453850905516},
    {"abs(x-3)", 1, 2},
    {"floor(x)+ceil(x)", 1.5, 3},
    {"sqr(x+1)", 2, 9},
    {"sign(x)", -2, -1},
    {"asin(1)+acos(1)+atan(0)", 0, M_PI / 2},
    {"tanh(0)+cosh(0)+sinh(0)+tan(0)+cot(1)", 0, 1 + 1 / std::tan(1.0)},
    // IEEE results
    {"1/0", 0, kInf},
    {"-1/0", 0, -kInf},
    {"0/0", 0, kNaN},
    {"ln(x)", -1, kNaN},
    {"0*x", 5, 0},
    {"x*0", 5, 0},
    {"0/x", 5, 0},
    // division by the number 0 follows IEEE, as 1/0 does
    {"x/0", 1, kInf},
    {"x/0", -1, -kInf},
    {"x/0", 0, kNaN},
    {"(x+1)/0", 1, kInf},
    // blanks around parenthesised operands (the user-defined value inserts "(%.6f)")
    {"(x+1) * 2", 1, 4},
    {"x * (2.000000)", 3, 6},
    {"x * (-3.000000)", 2, -6},
    {"(x+1) * (x-1)", 3, 8},
    {" ( ( x ) ) ", 5, 5},
    {"+ (x)", 5, 5},
    {"( +x ) - 1", 5, 4},
    {"x + x", 1.5, 3},
    // signs: unary after an operator or "(", part of the number after an exponent's "e"
    {"1e-3", 0, 0.001},
    {"1e-3*x", 1000, 1},
    {"2.5E+2", 0, 250},
    {"x^1e-1", 1e10, 10},
    {"2*-3", 0, -6},
    {"2* -3", 0, -6},
    {"x^-1", 2, 0.5},
    {"2^-2", 0, 0.25},
    {"x--3", 1, 4},
    {"x*-x", 3, -9},
    {"x/-x^2", 2, -0.5},
    {"-(x-1)*-(x+1)", 2, 3},
    {"M_LOG10E-1", 0, 0.4342944819032518 - 1},
    {"M_E-x", 1, M_E - 1},
    // every bracket becomes a parenthesis
    {"[[[[[[[[[[[[x]]]]]]]]]]]]", 4, 4},
    {"{1}+{2}+{3}+{4}+{5}+{6}+{7}+{8}+{9}+{10}+{11}+{12}", 0, 78},
    // a zero base: 0 only for a positive exponent
    {"0^0", 0, 1},
    {"0^x", 0, 1},
    {"0^x", 2, 0},
    {"0^x", -1, kInf},
    {"0^x*2", 0, 2},
    {"0^x+1", -1, kInf},
    {"(x-x)^0", 3, 1},
    {"(x-x)^x", 0, 1},
    {"(x-x)^2*x", 3, 0},
};

TEST(Parser, Values) {
    for (const auto& t : kValueCases) {
        SCOPED_TRACE(t.text);
        const Ptr f = parse(t.text);
        ASSERT_TRUE(f);
        EXPECT_TRUE(sameValue(f->Evaluate(t.x), t.expected, 1e-15)) << "at " << t.x;
    }
}

// The tree classes the parser builds.
TEST(Parser, Shapes) {
    EXPECT_TRUE(as<CSqr1Function<double>>(parse("X*X").get()));
    const Ptr xx = parse("x*x");
    ASSERT_TRUE(as<CSqrFunction<double>>(xx.get()));
    EXPECT_TRUE(as<CIdentityFunction<double>>(&as<CSqrFunction<double>>(xx.get())->Arg()));
    const Ptr sq = parse("(x+1)*(x+1)");
    ASSERT_TRUE(as<CSqrFunction<double>>(sq.get()));
    EXPECT_TRUE(as<CAdd0Function<double>>(&as<CSqrFunction<double>>(sq.get())->Arg()));

    const Ptr twice = parse("x+x");
    ASSERT_TRUE(as<CMul0Function<double>>(twice.get()));
    EXPECT_EQ(as<CMul0Function<double>>(twice.get())->Const(), 2);
    const Ptr scaled = parse("2*x");
    ASSERT_TRUE(as<CMul0Function<double>>(scaled.get()));
    EXPECT_TRUE(as<CIdentityFunction<double>>(&as<CMul0Function<double>>(scaled.get())->Arg()));

    const Ptr three = parse("3-3");
    ASSERT_TRUE(as<CConstFunction<double>>(three.get()));
    EXPECT_EQ(three->Evaluate(1), 0);
    EXPECT_TRUE(as<CNullFunction<double>>(parse("x-x").get()));
    EXPECT_TRUE(as<CConstFunction<double>>(parse("x/x").get()));
    EXPECT_TRUE(as<CConstFunction<double>>(parse("2*PI").get()));
    EXPECT_TRUE(as<CConstFunction<double>>(parse("-PI").get()));
    EXPECT_TRUE(as<CSin1Function<double>>(parse("SIN(X)").get()));
    EXPECT_TRUE(as<CSin1Function<double>>(parse("sin((x))").get()));
    const Ptr sin2x = parse("SIN(2*X)");
    ASSERT_TRUE(as<CSinFunction<double>>(sin2x.get()));
    EXPECT_TRUE(as<CMul0Function<double>>(&as<CSinFunction<double>>(sin2x.get())->Arg()));
    for (const char* zeroFunction : {"ln(1)", "LG(1)", "SIN(0)", "0*x", "x*0", "0/x", "x-x", "sqrt(0)"}) {
        SCOPED_TRACE(zeroFunction);
        EXPECT_TRUE(as<CNullFunction<double>>(parse(zeroFunction).get()));
    }
    const Ptr lnSquared = parse("ln(x)^2");
    ASSERT_TRUE(as<CPowerR0Function<double>>(lnSquared.get()));
    EXPECT_TRUE(as<CLog1Function<double>>(&as<CPowerR0Function<double>>(lnSquared.get())->Arg()));

    // "(2)" is no number, so the product keeps its operator node
    const Ptr braces = parse("[x+1]*{2}");
    ASSERT_TRUE(as<CMulFunction<double>>(braces.get()));
    EXPECT_TRUE(as<CConstFunction<double>>(&as<CMulFunction<double>>(braces.get())->Right()));

    EXPECT_TRUE(as<CPowerL0Function<double>>(parse("2^x").get()));
    EXPECT_TRUE(as<CPowerFunction<double>>(parse("x^x").get()));
    EXPECT_TRUE(as<CDivR0Function<double>>(parse("x/0").get()));
    EXPECT_TRUE(as<CNegFunction<double>>(parse("-x").get()));
    EXPECT_TRUE(as<CSubL0Function<double>>(parse("1-x").get()));
    EXPECT_TRUE(as<CDivL0Function<double>>(parse("1/x").get()));
    EXPECT_TRUE(as<CConstFunction<double>>(parse("COTH(2)").get()));
    EXPECT_TRUE(as<CGamma1Function<double>>(parse("Gamma x").get()));

    // The polygamma functions of Gamma's derivatives read as they are written.
    const Ptr digamma = parse("DIGAMMA(x)");
    ASSERT_TRUE(as<CPolygammaFunction<double>>(digamma.get()));
    EXPECT_EQ(as<CPolygammaFunction<double>>(digamma.get())->Order(), 0);
    const Ptr third = parse("polygamma_3(2*x)");
    ASSERT_TRUE(as<CPolygammaFunction<double>>(third.get()));
    EXPECT_EQ(as<CPolygammaFunction<double>>(third.get())->Order(), 3);
    EXPECT_TRUE(as<CMul0Function<double>>(&as<CPolygammaFunction<double>>(third.get())->Arg()));
    EXPECT_TRUE(as<CPolygammaFunction<double>>(parse("Polygamma_2 x").get()));
    const Ptr folded = parse("Polygamma_1(1)");
    ASSERT_TRUE(as<CConstFunction<double>>(folded.get()));
    EXPECT_TRUE(sameValue(folded->Evaluate(0), 1.6449340668482264, 1e-14));
    for (const char* refused : {"Polygamma_0(x)", "Polygamma_(x)", "Polygamma_1001(x)", "Polygamma_99999999999(x)",
                                "Polygamma_2x(x)", "Digammax"})
        EXPECT_FALSE(parse(refused)) << refused;
}

TEST(Parser, TheVariableIsTheCallersName) {
    const Ptr f = ParseFunction<double>("t*2+T", "T");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Evaluate(4), 12);
    EXPECT_FALSE(ParseFunction<double>("x*2", "T"));
}

// A typo must not silently become a number: the text does not parse at all.
TEST(Parser, TextsThatDoNotParse) {
    const std::string withNul("x+\0", 3);
    const char* texts[] = {
        "",
        "   ",
        "()",
        "y+1",
        "abc",
        "5*",
        "5+",
        "*5",
        "x+",
        "x-",
        "2(x+1)",
        "2x",
        "x2",
        "(x+1",
        "x+1)",
        ")(",
        "(x)(2)",
        "sin()",
        "sin",
        "sin x x",
        "x y",
        "1.2.3",
        "x$2",
        "x^",
        "^x",
        "x**2",
        "x//2",
        "0*y",
        "y*0",
        "y-y",
        "y/y",
        "y*y",
        "y+y",
        "sin(y)",
        "ln(x)(2)",
        "1e",
        "x-1e",
        "inf",
        "nan",
        "0x10",
        "x\xC2\xB7\x32", // x, a middle dot, 2
        "log(x)",
        "sin -x",
        "- -",
        "2 3",
        "x=1",
        "1;2",
        "sin(x",
        "e",
        "M_PIE",
        "x,5",
        ".",
        "-",
        "+",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parse(text));
    }
    EXPECT_FALSE(parse(withNul));
}

TEST(Parser, NumbersDoNotDependOnTheProcessLocale) {
    CommaLocale locale;
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    for (const char* text : {"1.5*2", "1,5*2", "(1,5)*2", "1.5e0*2", "3e-1*10"}) {
        SCOPED_TRACE(text);
        const Ptr f = parse(text);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->Evaluate(0), 3);
    }
    const Ptr f = parse("x*1,19");
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->Evaluate(100), 119);
    EXPECT_EQ(f->ToText(), "1.19*(x)");
}

std::string nested(const std::string& open, const std::string& inner, const std::string& close, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += open;
    text += inner;
    for (int i = 0; i < times; ++i)
        text += close;
    return text;
}

TEST(ParserLimits, Length) {
    const std::string longest = "x" + std::string(kMaxFormulaLength - 1, ' ');
    EXPECT_TRUE(parse(longest));
    EXPECT_FALSE(parse(longest + " "));
    // Parentheses alone do not nest the parser: they come off in one loop.
    const int pairs = static_cast<int>(kMaxFormulaLength / 2) - 1;
    const Ptr deepParentheses = parse(nested("(", "x", ")", pairs));
    ASSERT_TRUE(deepParentheses);
    EXPECT_TRUE(as<CIdentityFunction<double>>(deepParentheses.get()));
}

// A text as long as a formula may be: `first`, then `term` as often as fits.
std::string longest(const std::string& first, const std::string& term) {
    std::string text = first;
    while (text.size() + term.size() <= kMaxFormulaLength)
        text += term;
    return text;
}

TEST(ParserLimits, Nesting) {
    // One level for every parenthesis and function call.
    EXPECT_TRUE(parse(nested("sin(", "x", ")", kMaxFormulaDepth)));
    EXPECT_FALSE(parse(nested("sin(", "x", ")", kMaxFormulaDepth + 1)));
    EXPECT_TRUE(parse(nested("(1+", "x", ")", kMaxFormulaDepth - 1)));
    EXPECT_FALSE(parse(nested("(1+", "x", ")", kMaxFormulaDepth)));
    EXPECT_FALSE(parse(nested("-(", "x", ")", 1000)));
    EXPECT_FALSE(parse(nested("(x+", "1", ")", 1000)));
    EXPECT_FALSE(parse(nested("exp(", "x", ")", 1000).substr(0, kMaxFormulaLength)));
    EXPECT_FALSE(parse(nested("(", "x", ")", 10000)));

    // Operators between operands do not nest: flat sums, products and chains as long as a formula
    // may be parse. The value at 2 of `first` followed by n times `term`:
    const struct {
        const char* first;
        const char* term;
        std::function<double(double)> value;
    } flat[] = {
        {"x", "+x", [](double n) { return 2 * (n + 1); }},
        {"1", "+1-x", [](double n) { return 1 - n; }},
        {"x", "*1.001", [](double n) { return 2 * std::pow(1.001, n); }},
        {"x", "/x*x", [](double) { return 2.0; }},
    };
    for (const auto& f : flat) {
        SCOPED_TRACE(f.term);
        const std::string text = longest(f.first, f.term);
        const Ptr tree = parse(text);
        ASSERT_TRUE(tree);
        const double n = static_cast<double>(text.size() - std::strlen(f.first)) / std::strlen(f.term);
        EXPECT_TRUE(sameValue(tree->Evaluate(2), f.value(n), 1e-9));
    }
    const Ptr negations = parse(std::string(kMaxFormulaLength - 2, '-') + "x");
    ASSERT_TRUE(negations);
    EXPECT_EQ(negations->Evaluate(2), 2);
}

// The deepest trees the parser builds can be derived, copied, printed and destroyed.
TEST(ParserLimits, DeepTreesStayWithinTheStack) {
    for (const std::string& text :
         {nested("sin(", "x", ")", kMaxFormulaDepth), nested("-(2*", "x", ")", kMaxFormulaDepth / 3),
          nested("(1+", "x", ")^2", kMaxFormulaDepth / 2 - 1), nested("ln(x+", "x", ")/x", kMaxFormulaDepth / 3),
          longest("x", "+x"), longest("x", "--x"), std::string(kMaxFormulaLength - 2, '-') + "x"}) {
        const Ptr f = parse(text);
        ASSERT_TRUE(f) << text.substr(0, 40);
        const Ptr d = f->Derive();
        const Ptr folded = d->Clone(true);
        const Ptr copied = f->Clone(false);
        EXPECT_FALSE(f->ToText().empty());
        EXPECT_FALSE(f->ToLaTeX().empty());
        EXPECT_FALSE(folded->ToText().empty());
        EXPECT_TRUE(sameValue(copied->Evaluate(0.25), f->Evaluate(0.25), 0));
        EXPECT_TRUE(sameValue(folded->Evaluate(0.25), d->Evaluate(0.25), 1e-12));
    }
}

} // namespace
