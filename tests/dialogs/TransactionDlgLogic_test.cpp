// The transaction dialogs without their widgets: amounts read in the user's locale, totals and
// their texts, the formulas of the number fields and of the formula dialog, the type defaults,
// the recurrence list, the date rule with a fixed clock, and the values the openers hand over.

#include "TransactionTestSupport.h"
#include "dialogs/TransactionDlgLogic.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

namespace {

const NumberSeparators kEnglish{".", ","};
const NumberSeparators kGerman{",", "."};

TEST(TransactionNumberReading, WholeAmountsInTheUsersLocale) {
    struct Case {
        const char* text;
        const NumberSeparators* separators;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"1,234,567.5", &kEnglish, 1234567.5},
        {"1234567", &kEnglish, 1234567.0},
        {" -1,234.50 ", &kEnglish, -1234.5},
        {"+3", &kEnglish, 3.0},
        {".5", &kEnglish, 0.5},
        {"5.", &kEnglish, 5.0},
        {"1.5e3", &kEnglish, 1500.0},
        {"1.234,5", &kGerman, 1234.5},
        {"12,5", &kGerman, 12.5},
        // Groups after a separator have three digits; the first has one to three.
        {"1,23", &kEnglish, std::nullopt},
        {"12,345,67", &kEnglish, std::nullopt},
        {"1234,567", &kEnglish, std::nullopt},
        {"1.5", &kGerman, std::nullopt},
        {"12.5.", &kEnglish, std::nullopt},
        {"2*3", &kEnglish, std::nullopt},
        {"abc", &kEnglish, std::nullopt},
        {"", &kEnglish, std::nullopt},
        {"-", &kEnglish, std::nullopt},
        {"1e999", &kEnglish, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(readGroupedNumber(c.text, *c.separators), c.expected);
    }
}

// The number fields' own rule: the leading amount, 0 without one.
TEST(TransactionNumberReading, LeadingAmount) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {{"12abc", 12.0},      {"1,234xyz", 1234.0}, {"1,23", 1.0}, {"2*q", 2.0},
                          {"-7.25 EUR", -7.25}, {"abc", 0.0},         {"", 0.0},     {"1e", 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(leadingGroupedNumber(c.text, kEnglish), c.expected);
    }
}

TEST(TransactionTotals, SignsByType) {
    struct Case {
        int type;
        double expected;
    };
    // Units 10, quotation 5, taxes 1.
    for (const Case& c : {Case{0, -51.0}, Case{1, 49.0}, Case{2, 49.0}, Case{3, 0.0}}) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(investmentTransactionTotal(c.type, 10, 5, 1), c.expected);
    }
    // Amount 100, taxes 2: credit and interests add, debit takes away.
    for (const Case& c : {Case{0, 98.0}, Case{1, -102.0}, Case{2, 98.0}, Case{5, 0.0}}) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(accountTransactionTotal(c.type, 100, 2), c.expected);
    }
}

TEST(TransactionTotals, TextsGroupedInEnglish) {
    transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    EXPECT_EQ(transactionTotalText(investmentTransactionTotal(0, 10, 5, 1)), "-51.00");
    EXPECT_EQ(transactionTotalText(investmentTransactionTotal(1, 10, 5, 1)), "+49.00");
    EXPECT_EQ(transactionTotalText(investmentTransactionTotal(0, 1234567, 1, 0)), "-1,234,567.00");
    EXPECT_EQ(transactionTotalText(accountTransactionTotal(0, 100, 2)), "+98.00");
    EXPECT_EQ(transactionTotalText(accountTransactionTotal(1, 100, 2)), "-102.00");
    EXPECT_EQ(transactionFieldText(1234.5), "1,234.5000");
}

TEST(TransactionFormulas, OnlyFreeStandingLettersAreReplaced) {
    const FormulaVariables values{10.0, 25.0, 0.5};
    struct Case {
        const char* formula;
        const char* expected;
    };
    const Case cases[] = {
        {"u*q*0.005 + 10", "10*25*0.005 + 10"},
        {"U*Q + T", "10*25 + 0.5"},
        {"sqrt(q)+tan(t)-atan(u)*cot(t)", "sqrt(25)+tan(0.5)-atan(10)*cot(0.5)"},
        {"u2 + _t + tu", "u2 + _t + tu"},
        {"2u", "2u"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formula);
        EXPECT_EQ(substituteFormulaVariables(c.formula, values), c.expected);
    }
    // Negative values keep their meaning next to any operator; a letter without a value stays.
    EXPECT_EQ(substituteFormulaVariables("u^2", FormulaVariables{-3.0, std::nullopt, 1.0}), "(-3)^2");
    EXPECT_EQ(substituteFormulaVariables("q*t", FormulaVariables{-3.0, std::nullopt, 1.0}), "q*1");
}

TEST(TransactionFormulas, NumbersAndFormulasEvaluate) {
    struct Case {
        const char* text;
        FormulaVariables values;
        std::optional<double> expected;
    };
    const FormulaVariables dialog{10.0, 25.0, 0.0};
    const Case cases[] = {
        {"u*q*0.005 + 10", dialog, 11.25},
        {"U*Q*0.005 + 10", dialog, 11.25},
        {"12", dialog, 12.0},
        {"2*3", dialog, 6.0}, // a formula without letters
        {"sqrt(q)", {0.0, 16.0, 0.0}, 4.0},
        {"tan(t)", dialog, 0.0},
        {"atan(1)*4", dialog, std::numbers::pi},
        {"u^2", {-3.0, 0.0, 0.0}, 9.0},
        {"q-u", {-3.0, 5.0, 0.0}, 8.0},
        {"1,234.5", dialog, 1234.5}, // an amount in the user's locale, not the engine's 1.234
        {"abc", dialog, std::nullopt},
        {"2*", dialog, std::nullopt},
        {"  ", dialog, std::nullopt},
        {"1/0", dialog, std::nullopt},
        {"sqrt(0-4)", dialog, std::nullopt},
        {"q*2", {10.0, std::nullopt, 1.0}, std::nullopt}, // no q in the cash-account dialog
    };
    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto value = evaluateNumberOrFormula(c.text, c.values);
        if (!c.expected)
            EXPECT_EQ(value, std::nullopt);
        else
            EXPECT_NEAR(value.value_or(NAN), *c.expected, 1e-12);
    }
}

// A field that loses the focus evaluates its formula with the other fields' current texts; an
// amount or a formula that does not parse changes nothing.
TEST(TransactionFormulas, FieldOnFocusOut) {
    struct Case {
        const char* field;
        const char* units;
        const char* quotation;
        const char* taxes;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"2*q", "2*q", "12.5", "0", 25.0},        {"U*2", "3", "0", "U*2", 6.0},
        {"sqrt(q)", "1", "16", "0", 4.0},         {"2*3", "2*3", "0", "0", 6.0},
        {"u*q", "1,000", "2.5", "0", 2500.0}, // the fields read in the user's locale
        {"12.5", "12.5", "0", "0", std::nullopt}, {"1,234.5", "1,234.5", "0", "0", std::nullopt},
        {"q*", "q*", "3", "0", std::nullopt},     {"", "", "0", "0", std::nullopt},
    };
    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(evaluateFieldOnFocusOut(c.field, formulaVariablesFromFields(c.units, c.quotation, c.taxes)),
                  c.expected);
    }
    // The cash-account dialog: u the amount, t the taxes; q means nothing there.
    EXPECT_EQ(evaluateFieldOnFocusOut("t*10", formulaVariablesFromFields("t*10", "1.5")), 15.0);
    EXPECT_EQ(evaluateFieldOnFocusOut("u-t", formulaVariablesFromFields("100", "2")), 98.0);
    EXPECT_EQ(evaluateFieldOnFocusOut("q*2", formulaVariablesFromFields("q*2", "1.5")), std::nullopt);
}

TEST(TransactionFormulas, FormulaDialogResultText) {
    // No result for an empty or broken formula, so "Apply" gives the opener 0.
    EXPECT_EQ(mathExprResultText("", "10.0000", "25.0000", "0.0000"), "");
    EXPECT_EQ(mathExprResultText("u*", "10.0000", "25.0000", "0.0000"), "");
    EXPECT_EQ(leadingGroupedNumber(""), 0.0);

    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    EXPECT_EQ(mathExprResultText("u*q*0.005 + 10", "10.0000", "25.0000", "0.0000"), "11.2500");
    EXPECT_EQ(mathExprResultText("U*Q*0.005 + 10", "10.0000", "25.0000", "0.0000"), "11.2500");
    EXPECT_EQ(mathExprResultText("12", "10.0000", "25.0000", "0.0000"), "12.0000");
    EXPECT_EQ(mathExprResultText("u*100", "1,234.5000", "0", "0.0000"), "123,450.0000");
}

TEST(TransactionTypeChange, InvestmentDefaults) {
    // Buy: units "0" and the quotation; Sell: held units and quotation; Dividends: held units, "0".
    const TypeDefaults buy = investmentTypeDefaults(0, 40, 12.5);
    EXPECT_EQ(buy.units, "0");
    EXPECT_TRUE(buy.quotation.has_value());
    EXPECT_STREQ(buy.quotationLabel, "Quotation:");
    const TypeDefaults sell = investmentTypeDefaults(1, 40, 12.5);
    EXPECT_TRUE(sell.units && sell.quotation);
    EXPECT_STREQ(sell.quotationLabel, "Quotation:");
    const TypeDefaults dividends = investmentTypeDefaults(2, 40, 12.5);
    EXPECT_EQ(dividends.quotation, "0");
    EXPECT_STREQ(dividends.quotationLabel, "Dividends/Interests:");
    EXPECT_EQ(accountTypeDefaultAmount(0, 300), "0");

    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    EXPECT_EQ(buy.quotation, "12.5000");
    EXPECT_EQ(sell.units, "40.0000");
    EXPECT_EQ(sell.quotation, "12.5000");
    EXPECT_EQ(dividends.units, "40.0000");
    EXPECT_EQ(accountTypeDefaultAmount(1, 1234.5), "1,234.5000");
}

TEST(TransactionTypeChange, ListEntriesAndTitle) {
    EXPECT_EQ(investmentTypeIndex(2), 2);
    EXPECT_EQ(investmentTypeIndex(3), -1);
    // Interests show as Credit in the cash-account dialog.
    EXPECT_EQ(accountTypeIndex(0), 0);
    EXPECT_EQ(accountTypeIndex(1), 1);
    EXPECT_EQ(accountTypeIndex(2), 0);
    EXPECT_EQ(transactionDlgTitle("Acme 100% Fund"), "Transaction [Acme 100% Fund]");
}

TEST(TransactionRecurrence, MonthsAndEntries) {
    struct Case {
        int months;
        int index;
    };
    for (const Case& c : {Case{1, 0}, Case{3, 1}, Case{6, 2}, Case{12, 3}, Case{0, 3}, Case{7, 3}}) {
        SCOPED_TRACE(c.months);
        EXPECT_EQ(recurrenceIndexForMonths(c.months), c.index);
    }
    for (const Case& c : {Case{1, 0}, Case{3, 1}, Case{6, 2}, Case{12, 3}, Case{12, -1}, Case{12, 9}}) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(recurrenceMonthsForIndex(c.index), c.months);
    }
    EXPECT_STREQ(kRecurrenceNames[static_cast<std::size_t>(recurrenceIndexForMonths(0))], "Yearly");
}

class TransactionDates : public ::testing::Test {
protected:
    TransactionDates() {
        clock.set(std::chrono::system_clock::from_time_t(*OleDate(2024, 5, 15, 10, 37, 12).toTimeT()));
    }
    FixedClock clock;
    ScopedClock scoped{clock};
};

TEST_F(TransactionDates, TimeAndEndDateFollowTheChosenDay) {
    const OleDate now = OleDate::GetCurrentTime();
    struct Case {
        OleDate chosen;
        OleDate time;
        std::optional<OleDate> until;
    };
    const Case cases[] = {
        {OleDate(2024, 5, 10, 9, 0, 0), OleDate(2024, 5, 10, 20, 0, 0), OleDate(2029, 5, 10, 23, 59, 59)},
        {OleDate(2024, 5, 14, 23, 59, 59), OleDate(2024, 5, 14, 20, 0, 0), OleDate(2029, 5, 14, 23, 59, 59)},
        {OleDate(2024, 5, 15, 23, 0, 0), OleDate(2024, 5, 15, 10, 0, 0), OleDate(2029, 5, 15, 23, 59, 59)},
        {OleDate(2024, 5, 16, 0, 0, 0), OleDate(2024, 5, 16, 20, 0, 0), OleDate(2029, 5, 16, 23, 59, 59)},
        // 29 February has no day five years on: the end date keeps its value.
        {OleDate(2024, 2, 29, 12, 0, 0), OleDate(2024, 2, 29, 20, 0, 0), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.Format("%Y-%m-%d %H:%M:%S"));
        const OleDate time = timeForChosenDate(c.chosen, now);
        EXPECT_EQ(time.Format("%Y-%m-%d %H:%M:%S"), c.time.Format("%Y-%m-%d %H:%M:%S"));
        const auto until = untilForChosenDate(c.chosen);
        ASSERT_EQ(until.has_value(), c.until.has_value());
        if (until) {
            EXPECT_TRUE(datesEqual(*until, *c.until));
        }
    }
}

TEST_F(TransactionDates, NewAndEditedValues) {
    const OleDate now = OleDate::GetCurrentTime();
    const TransactionDlgValues fresh = newTransactionValues(now, 87.5);
    EXPECT_EQ(fresh.type, 0);
    EXPECT_TRUE(datesEqual(fresh.date, now) && datesEqual(fresh.time, now));
    EXPECT_EQ(fresh.units, 0.0);
    EXPECT_EQ(fresh.quotation, 87.5);
    EXPECT_FALSE(fresh.recurrence);
    EXPECT_EQ(fresh.recurrenceMonths, 12);
    EXPECT_FALSE(fresh.until);
    EXPECT_TRUE(datesEqual(fresh.untilDate, OleDate(2029, 5, 15, 23, 59, 59)));
    // On 29 February a new transaction's end date is the 28th five years on.
    EXPECT_TRUE(datesEqual(newTransactionUntil(OleDate(2024, 2, 29, 9, 0, 0)), OleDate(2029, 2, 28, 23, 59, 59)));

    // A transaction without recurrence opens "Yearly", unticked; ticking it stores 12 months. The
    // date joins the date field's day with the time field's time.
    const CTransaction stored(1, OleDate(2024, 3, 1, 14, 30, 5), 10, 20, 1, 0, true, OleDate(2025, 1, 1, 0, 0, 0),
                              "note");
    TransactionDlgValues edited = transactionDlgValues(stored);
    EXPECT_FALSE(edited.recurrence);
    EXPECT_EQ(recurrenceIndexForMonths(edited.recurrenceMonths), 3);
    edited.recurrence = true;
    edited.date = OleDate(2024, 3, 2, 0, 0, 0);
    edited.time = OleDate(2024, 5, 15, 8, 15, 30);
    const CTransaction back = transactionFromDlgValues(edited, false);
    EXPECT_EQ(back.m_nRecurrence, 12);
    EXPECT_TRUE(datesEqual(back.m_dtDate, OleDate(2024, 3, 2, 8, 15, 30)));
    EXPECT_EQ(back.m_nType, 1);
    EXPECT_EQ(back.m_dQuotation, 20.0);
    EXPECT_TRUE(back.m_bUntil);
    EXPECT_EQ(back.m_strNote, "note");
    edited.recurrence = false;
    EXPECT_EQ(transactionFromDlgValues(edited, true).m_nRecurrence, 0);
    EXPECT_EQ(transactionFromDlgValues(edited, true).m_dQuotation, 0.0);
}

} // namespace
