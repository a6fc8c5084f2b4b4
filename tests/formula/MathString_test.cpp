// Formula text helpers: numbers and named constants, number text, function-name matching,
// parentheses, the variable test and replacement.

#include "FormulaTesting.h"

#include <clocale>
#include <limits>

using namespace formula_testing;

namespace {

struct NumberCase {
    const char* text;
    bool isNumber;
    double value; // GetNumber
};

const NumberCase kNumberCases[] = {
    {"", true, 0},
    {"   ", false, 0},
    {" 2", true, 2},
    {"2 ", false, 2},
    {" pi ", true, 3.141592653589793},
    {"M_SQRT_2", true, 0.7071067811865476},
    {"m_ln10", true, 2.302585092994046},
    {"1.5e3", true, 1500},
    {"1,5e3", true, 1500},
    {"1,5", true, 1.5},
    {"-2.5", true, -2.5},
    {"+7", true, 7},
    {"1.", true, 1},
    {".5", true, 0.5},
    {"1e-3", true, 0.001},
    {"2E+2", true, 200},
    {"1e", false, 1},
    {"2x", false, 2},
    {"abc", false, 0},
    {".", false, 0},
    {"1.2.3", false, 1.2},
    {"0x10", false, 0},
    {"inf", false, 0},
    {"1e999", true, std::numeric_limits<double>::infinity()},
    {"-1e999", true, -std::numeric_limits<double>::infinity()},
    {"1e-999", true, 0},
    {"0.000000000000000000000000000000000000000000000000001e-300", true, 0},
    {"123456789012345678901234567890e300", true, std::numeric_limits<double>::infinity()},
};

TEST(MathStringNumbers, ReadsNumbersAndNamedConstants) {
    for (const auto& t : kNumberCases) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(CMathString::IsNumber(t.text), t.isNumber);
        EXPECT_TRUE(sameValue(CMathString::GetNumber(t.text), t.value));
    }
}

// The parser's own reading of a piece: blanks around it allowed, the whole piece one number.
TEST(MathStringNumbers, FormulaNumberNeedsTheWholeNonEmptyText) {
    double v = -1;
    EXPECT_TRUE(readFormulaNumber(" 2,25 ", v));
    EXPECT_EQ(v, 2.25);
    EXPECT_TRUE(readFormulaNumber("pi", v));
    EXPECT_EQ(v, 3.141592653589793);
    for (const char* text : {"", "  ", "2x", "1e", "- 5", "(2)"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(readFormulaNumber(text, v));
    }
}

struct NumberTextCase {
    double value;
    int precision;
    const char* text;
};

const NumberTextCase kNumberTextCases[] = {
    {0.1, 6, "0.1"},
    {1234567, 6, "1.23457E+06"},
    {-2.5, 6, "-2.5"},
    {0.5, 6, "0.5"},
    {1e-5, 6, "1E-05"},
    {100000, 6, "100000"},
    {0, 6, "0"},
    {-0.0, 6, "-0"},
    {1.0 / 3.0, 17, "0.33333333333333331"},
    {2.5, 0, "2"},
    {std::numeric_limits<double>::infinity(), 6, "INF"},
    {-std::numeric_limits<double>::infinity(), 6, "-INF"},
    {std::numeric_limits<double>::quiet_NaN(), 6, "NAN"},
};

TEST(MathStringNumbers, NumberTextIsPrintfGWithAPoint) {
    for (const auto& t : kNumberTextCases) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(CMathString(t.value, t.precision), t.text);
    }
}

TEST(MathStringNumbers, ReadingAndWritingIgnoreTheProcessLocale) {
    CommaLocale locale;
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(CMathString(0.5, 6), "0.5");
    EXPECT_EQ(CMathString(1234567.0, 6), "1.23457E+06");
    EXPECT_EQ(CMathString::GetNumber("1.5"), 1.5);
    EXPECT_EQ(CMathString::GetNumber("1,5"), 1.5);
    EXPECT_TRUE(CMathString::IsNumber("2.5e-1"));
}

struct MatchCase {
    const char* text;
    const char* name;
    bool matches;
    const char* after; // the text after the call
};

TEST(MathStringMatching, FunctionOfNumber) {
    const MatchCase cases[] = {
        {"SIN(2)", "SIN", true, "2"}, {"sin 2", "SIN", true, "2"},        {"SIN(PI)", "SIN", true, "PI"},
        {"COS(0)", "COS", true, "0"}, {"COS(X)", "COS", false, "COS(X)"}, {"SINH(2)", "SIN", false, "SINH(2)"},
        {"SIN", "SIN", false, "SIN"}, {"SIN(2", "SIN", false, "SIN(2"},   {"sin(1,5)", "SIN", true, "1,5"},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.text);
        std::string text = t.text;
        EXPECT_EQ(MatchFunctionOfNumber(text, t.name), t.matches);
        EXPECT_EQ(text, t.after);
    }
}

TEST(MathStringMatching, FunctionOfVariable) {
    EXPECT_TRUE(MatchFunctionOfVariable("SIN(X)", "SIN", "X"));
    EXPECT_TRUE(MatchFunctionOfVariable("sin((x))", "SIN", "X"));
    EXPECT_TRUE(MatchFunctionOfVariable("SIN X", "SIN", "X"));
    EXPECT_FALSE(MatchFunctionOfVariable("SIN(2*X)", "SIN", "X"));
    EXPECT_FALSE(MatchFunctionOfVariable("SINH(X)", "SIN", "X"));
}

TEST(MathStringMatching, FunctionNameWithParenthesisedArgument) {
    const MatchCase cases[] = {
        {"SQRT(x+1)", "SQRT", true, "(x+1)"},
        {"SIN((X))", "SIN", true, "((X))"},
        {"SIN(X)*COS(X)", "SIN", false, "SIN(X)*COS(X)"},
        {"SIN(X", "SIN", false, "SIN(X"},
        {"ASIN(X)", "SIN", false, "ASIN(X)"},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.text);
        std::string text = t.text;
        EXPECT_EQ(MatchFunctionName(text, t.name), t.matches);
        EXPECT_EQ(text, t.after);
    }
}

TEST(MathStringMatching, Variable) {
    EXPECT_TRUE(IsVariable("((x))", "X"));
    EXPECT_TRUE(IsVariable(" +x", "X"));
    EXPECT_FALSE(IsVariable("x ", "X"));
    EXPECT_FALSE(IsVariable("-x", "X"));
    EXPECT_FALSE(IsVariable("xx", "X"));
}

TEST(MathStringText, StripsOnlyParenthesesAroundTheWholeText) {
    const std::pair<const char*, const char*> cases[] = {
        {"((a)+(b))", "(a)+(b)"},
        {"(x)", "x"},
        {"(((x)))", "x"},
        {"(a)*(b)", "(a)*(b)"},
        {"(a)(b)", "(a)(b)"},
        {"()", ""},
        {"(x", "(x"},
        {"x)", "x)"},
        {"((x)", "((x)"},
        {"((x+1)*2)", "(x+1)*2"},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before);
        std::string text = before;
        StripEnclosingParentheses(text);
        EXPECT_EQ(text, after);
    }
}

TEST(MathStringText, ReplaceAllReplacesEveryOccurrenceOnce) {
    std::string points = "1.2.3.4.5.6.7.8.9.10.11.12.13";
    EXPECT_EQ(ReplaceAll(points, ".", ","), 12);
    EXPECT_EQ(points, "1,2,3,4,5,6,7,8,9,10,11,12,13");

    std::string grow = "aaa";
    EXPECT_EQ(ReplaceAll(grow, "a", "aa"), 3);
    EXPECT_EQ(grow, "aaaaaa");

    std::string text = "abc";
    EXPECT_EQ(ReplaceAll(text, "", "x"), 0);
    EXPECT_EQ(ReplaceAll(text, "z", "x"), 0);
    EXPECT_EQ(text, "abc");
}

TEST(MathStringText, ReplaceAtStaysInsideTheText) {
    std::string text = "sin(x)";
    ReplaceAt(text, 0, 3, "cos");
    EXPECT_EQ(text, "cos(x)");
    ReplaceAt(text, 4, 100, "y)");
    EXPECT_EQ(text, "cos(y)");
    ReplaceAt(text, 50, 2, "!");
    EXPECT_EQ(text, "cos(y)!");
    ReplaceAt(text, -3, 1, "a");
    EXPECT_EQ(text, "aos(y)!");
}

} // namespace
