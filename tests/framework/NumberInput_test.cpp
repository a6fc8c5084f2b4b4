#include "framework/NumberInput.h"
#include "log/NumberFormat.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace {

// Reads numbers as the user's locale writes them; the test switches the locale the program read.
class NumberInputTest : public testing::Test {
protected:
    void TearDown() override { initNumberGrouping(""); }
};

constexpr std::optional<double> kRefused = std::nullopt;

struct ParseCase {
    const char* text;
    std::optional<double> number; // ParseNumberGrouped
    double leading;               // LeadingNumberGrouped
};

void expectCases(std::initializer_list<ParseCase> cases) {
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        EXPECT_EQ(ParseNumberGrouped(c.text), c.number);
        EXPECT_DOUBLE_EQ(LeadingNumberGrouped(c.text), c.leading);
    }
}

TEST_F(NumberInputTest, GroupedNumbersOfTheUsersLocaleReadBack) {
    ASSERT_TRUE(initNumberGrouping("en_US.UTF-8"));
    expectCases({
        {"1234.5", 1234.5, 1234.5},
        {"1,234.5", 1234.5, 1234.5},
        {"  -1,234,567.25 ", -1234567.25, -1234567.25},
        {"+3", 3.0, 3.0},
        {".5", 0.5, 0.5},
        {"7.", 7.0, 7.0},
        {"1.5e3", 1500.0, 1500.0},
        {"12,34", kRefused, 12.0},      // a group of two is no grouping
        {"1,2345", kRefused, 1.0},      // nor one of four
        {"1234,567", kRefused, 1234.0}, // nor a first group of four
        {"12.5 EUR", kRefused, 12.5},
        {"EUR 12", kRefused, 0.0},
        {"", kRefused, 0.0},
        {"-", kRefused, 0.0},
        {".", kRefused, 0.0},
        {"1e999", kRefused, 0.0}, // out of range
    });
}

TEST_F(NumberInputTest, TheDecimalCommaOfAGermanLocaleIsNeverReadAsGrouping) {
    ASSERT_TRUE(initNumberGrouping("de_DE.UTF-8"));
    expectCases({
        {"1.234,5", 1234.5, 1234.5},
        {"1234,5", 1234.5, 1234.5},
        {"1,5", 1.5, 1.5},
        {"1.5", kRefused, 1.0}, // a point before one digit is no grouping: refused, not 15
        {"12.345.678", 12345678.0, 12345678.0},
    });
}

TEST_F(NumberInputTest, WholeNumbers) {
    ASSERT_TRUE(initNumberGrouping("en_US.UTF-8"));
    EXPECT_EQ(ParseIntegerGrouped("1,000"), 1000);
    EXPECT_EQ(ParseIntegerGrouped(" -7 "), -7);
    EXPECT_EQ(ParseIntegerGrouped("2147483647"), std::numeric_limits<int>::max());
    for (const char* refused : {"12.5", "1e3", "2147483648", "-2147483649", "7 days", "", "abc"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(ParseIntegerGrouped(refused), std::nullopt);
    }
}

TEST_F(NumberInputTest, WhatIsShownReadsBackAsTheSameNumber) {
    for (const char* locale : {"en_US.UTF-8", "de_DE.UTF-8", "C"}) {
        SCOPED_TRACE(locale);
        ASSERT_TRUE(initNumberGrouping(locale));
        for (const double value : {0.0, -0.001, 1234567.5, 123456789.123456, 1e15, -2.5e-7, 99999.99}) {
            const std::string shown = FormatNumberForInput(value);
            SCOPED_TRACE(shown);
            EXPECT_EQ(ParseNumberGrouped(shown), value);
        }
    }
    ASSERT_TRUE(initNumberGrouping("en_US.UTF-8"));
    EXPECT_EQ(FormatNumberForInput(1234567.5), "1,234,567.5");
    ASSERT_TRUE(initNumberGrouping("de_DE.UTF-8"));
    EXPECT_EQ(FormatNumberForInput(1234567.5), "1.234.567,5");
}

} // namespace
