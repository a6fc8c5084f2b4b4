#include "log/NumberFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

// Leaves the separators of the test's own locale behind.
class GroupingTest : public ::testing::Test {
protected:
    void TearDown() override {
        initNumberGrouping("C");
        std::setlocale(LC_ALL, "C");
    }
};

} // namespace

TEST_F(GroupingTest, GroupsTheIntegerPartWithTheLocalesSeparators) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* locale;
        const char* format;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"en_US.UTF-8", "%.2f", 1234567.891, "1,234,567.89"},
        {"en_US.UTF-8", "%.1f", 999.5, "999.5"},
        {"en_US.UTF-8", "%.0f", 1000, "1,000"},
        {"en_US.UTF-8", "%.1f", -1234.5, "-1,234.5"},
        {"en_US.UTF-8", "%.2f", -999.99, "-999.99"},
        {"en_US.UTF-8", "%.4f", 0.5, "0.5000"},
        {"en_US.UTF-8", "$%.2f", 1234.5, "$1,234.50"},
        {"en_US.UTF-8", "No. 5: %.2f%%", 12345.678, "No. 5: 12,345.68%"},
        // Text after the number is never grouped, with or without a decimal point in it.
        {"en_US.UTF-8", "%.0f USD", 1000, "1,000 USD"},
        {"en_US.UTF-8", "%.0f pcs.", 1234567, "1,234,567 pcs."},
        {"en_US.UTF-8", "%+.2f", 1234.5, "+1,234.50"},
        {"en_US.UTF-8", "%g", 1e6, "1e+06"},
        {"en_US.UTF-8", "%.2f", nan, "nan"},
        {"en_US.UTF-8", "%.2f", inf, "inf"},
        {"en_US.UTF-8", "%.2f", -inf, "-inf"},
        {"de_DE.UTF-8", "%.2f", 1234567.891, "1.234.567,89"},
        {"de_DE.UTF-8", "%.1f", -1234.5, "-1.234,5"},
        {"de_DE.UTF-8", "%.2f EUR", 1000, "1.000,00 EUR"},
        {"de_DE.UTF-8", "%.0f", -inf, "-inf"},
        // The length modifier "l" of the views' and dialogs' formats.
        {"en_US.UTF-8", "%.2lf", 1234567.891, "1,234,567.89"},
        {"en_US.UTF-8", "%+4.2lf", 1234.5, "+1,234.50"},
        {"en_US.UTF-8", "%3.4lf", 12345.5, "12,345.5000"},
        {"en_US.UTF-8", "%.2lf%%", 1234.5, "1,234.50%"},
        {"en_US.UTF-8", "%.0lf", -1234567, "-1,234,567"},
        {"de_DE.UTF-8", "%.2lf", 1234567.891, "1.234.567,89"},
        // The C locale has no thousands separator.
        {"C", "%.2f", 1234567.891, "1234567.89"},
        // A format that does not take exactly one double.
        {"en_US.UTF-8", "%d", 1, ""},
        {"en_US.UTF-8", "%.2f %.2f", 1, ""},
        {"en_US.UTF-8", "%*f", 1, ""},
        {"en_US.UTF-8", "no number", 1, ""},
        // Length modifiers for anything but a double.
        {"en_US.UTF-8", "%.2Lf", 1, ""},
        {"en_US.UTF-8", "%.2llf", 1, ""},
        {"en_US.UTF-8", "%.2hf", 1, ""},
        {"en_US.UTF-8", "%.2lLf", 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.format);
        ASSERT_TRUE(initNumberGrouping(c.locale));
        EXPECT_EQ(FormatNumberGrouped(c.format, c.value), c.expected);
    }
}

TEST_F(GroupingTest, SeparatorsAreReadOnceAndNotFromTheProcessLocale) {
    ASSERT_TRUE(initNumberGrouping("de_DE.UTF-8"));
    EXPECT_EQ(numberSeparators().decimalPoint, ",");
    EXPECT_EQ(numberSeparators().thousandsSeparator, ".");
    // Someone changes the process locale later (as a GUI library may).
    ASSERT_NE(std::setlocale(LC_ALL, "en_US.UTF-8"), nullptr);
    EXPECT_EQ(FormatNumberGrouped("%.2f", 1234567.891), "1.234.567,89");
    ASSERT_TRUE(initNumberGrouping("en_US.UTF-8"));
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    EXPECT_EQ(FormatNumberGrouped("%.2f", 1234567.891), "1,234,567.89");
}

TEST_F(GroupingTest, UnknownLocaleFallsBackToC) {
    EXPECT_FALSE(initNumberGrouping("xx_NOWHERE.UTF-8"));
    EXPECT_EQ(numberSeparators().decimalPoint, ".");
    EXPECT_EQ(numberSeparators().thousandsSeparator, "");
    EXPECT_EQ(FormatNumberGrouped("%.1f", 12345.5), "12345.5");
}

TEST(GroupDigits, InsertsOnlyBetweenDigitsOfTheFirstDigitRun) {
    struct Case {
        const char* text;
        const char* separator;
        const char* expected;
    };
    const Case cases[] = {
        {"1234567", ",", "1,234,567"},
        {"123", ",", "123"},
        {"1234", "", "1234"},
        {"-1234567,25", ".", "-1.234.567,25"},
        {"1234567", "\xE2\x80\xAF",
         "1\xE2\x80\xAF"
         "234\xE2\x80\xAF"
         "567"}, // narrow no-break space
        {"nan", ",", "nan"},
        {"-inf", ",", "-inf"},
        {"", ",", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(groupDigits(c.text, c.separator), c.expected) << c.text;
}
