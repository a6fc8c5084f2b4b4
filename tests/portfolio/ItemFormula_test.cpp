// The user-defined value, the sort order of items by every list column, and the transformations
// of an item's quotations: a formula with the split presets, and the multiplication by an
// exchange-rate item.

#include "DocumentTestSupport.h"
#include "portfolio/WPapierDoc.h"
#include "support/FakePortfolioHost.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

using doctest::makeItem;
using doctest::RecordingView;
using itemtest::at;
using itemtest::plusSeconds;
using itemtest::quotation;
using testsupport::FakePortfolioHost;
using testsupport::LogCapture;
using testsupport::ScopedLocale;

namespace {

// "Now" of every test here: Wednesday 10 July 2024, 12:00 local time.
const OleDate kNow = at(2024, 7, 10, 12);

CTransaction buy(const OleDate& date, double units, double price) {
    return CTransaction(CTransaction::kBuy, date, units, price, 0.0, 0, false, OleDate(), "");
}

CTransaction sell(const OleDate& date, double units, double price) {
    return CTransaction(CTransaction::kSell, date, units, price, 0.0, 0, false, OleDate(), "");
}

void addCloses(CWPapier& item, const std::vector<std::pair<OleDate, double>>& closes) {
    for (const auto& [date, close] : closes)
        item.AddQuotation(CKurs(date, close), false);
}

// Everything a transformation may change, for "nothing changed" checks.
struct Snapshot {
    std::vector<std::vector<double>> quotations;
    std::vector<std::vector<double>> transactions;
    std::vector<double> figures;

    explicit Snapshot(const CWPapier& item) {
        for (const CKurs& q : item.GetQuotationListCopy())
            quotations.push_back({q.m_dtDate.m_dt, q.m_dClose, q.m_dOpen, q.m_dHigh, q.m_dLow, q.m_dVolume});
        for (const CTransaction& t : item.GetTransactionListCopy())
            transactions.push_back({t.m_dtDate.m_dt, t.m_dUnits, t.m_dQuotation, t.m_dTaxes});
        figures = {item.m_dUnits, item.m_dBreakEven, item.m_dAveragePrice, item.m_dAlarmAbove, item.m_dAlarmBelow};
    }
    bool operator==(const Snapshot&) const = default;
};

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

// ================================================================ user-defined value

class UserDefinedValueTest : public ::testing::Test {
protected:
    UserDefinedValueTest() {
        owner.m_strName = "Owner";
        owner.m_pFormulaItemX = &owner;
        owner.m_pFormulaItemY = &owner;
        // Held: 4 bought, 1 sold; a buy next month does not count yet. The newest close is 110.
        source.m_strName = "Source";
        addCloses(source, {{at(2024, 1, 5, 10), 90}, {at(2024, 7, 9, 17), 110}});
        source.AddTransaction(buy(at(2024, 1, 10), 4, 90));
        source.AddTransaction(sell(at(2024, 3, 1), 1, 95));
        source.AddTransaction(buy(at(2024, 8, 1), 100, 120));
    }

    // The value of `formula` with x taken from `x` as `kind` (y from the source as units held).
    std::optional<double> valueOf(const std::string& formula, CWPapier* x, int kind, std::string* text = nullptr) {
        owner.m_strFormula = formula;
        owner.m_pFormulaItemX = x;
        owner.m_nFormulaValueX = kind;
        owner.m_pFormulaItemY = &source;
        owner.m_nFormulaValueY = 2;
        double value = -1;
        std::string shown = "unchanged";
        const bool found = owner.GetUserDefinedValue(value, shown, "%.2f");
        if (text)
            *text = shown;
        if (!found) {
            EXPECT_EQ(value, 0.0);
            EXPECT_EQ(shown, "");
            return std::nullopt;
        }
        return value;
    }

    itemtest::FixedNow now{kNow};
    CWPapier owner;
    CWPapier source;
};

TEST_F(UserDefinedValueTest, FourKindsOfXAndY) {
    CWPapier cash; // its balance, without transactions: units 0
    cash.m_bCashAccount = 1;
    addCloses(cash, {{at(2024, 7, 1), 5000}});
    CWPapier history;
    history.m_bInvestmentHistory = 1;
    addCloses(history, {{at(2024, 7, 1), 7000}});
    CWPapier empty;

    struct Case {
        const char* name;
        CWPapier* item;
        int kind;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"last quotation", &source, 0, 110.0},
        {"investment: units now x newest close", &source, 1, 330.0},
        {"units held now", &source, 2, 3.0},
        {"any other kind reads as the last quotation", &source, 7, 110.0},
        {"investment of the cash account is its balance", &cash, 1, 5000.0},
        {"investment of the history is its value", &history, 1, 7000.0},
        {"no quotation: no last quotation", &empty, 0, std::nullopt},
        {"no quotation: no investment", &empty, 1, std::nullopt},
        {"no quotation: units are still known", &empty, 2, 0.0},
        {"no item", nullptr, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(valueOf("x", c.item, c.kind), c.expected);
        // The same values reach y.
        owner.m_strFormula = "y";
        owner.m_pFormulaItemY = c.item;
        owner.m_nFormulaValueY = c.kind;
        double value = -1;
        std::string text;
        EXPECT_EQ(owner.GetUserDefinedValue(value, text, "%.2f"), c.expected.has_value());
        if (c.expected) {
            EXPECT_NEAR(value, *c.expected, 1e-6); // y travels as text with six decimals
        }
    }
}

// The annualised change of the current year: from the quotation in force on 1 January (or the
// first one after it) to the one in force now.
TEST_F(UserDefinedValueTest, AnnualisedChangeOfTheCurrentYear) {
    struct Case {
        const char* name;
        std::vector<std::pair<OleDate, double>> closes;
        std::optional<double> expected;
    };
    // 182 days and 12 hours apart, so the exponent is 365 / 182.5 = 2: (1.1^2 - 1) * 100 = 21.
    const Case cases[] = {
        {"in force on 1 January: 208.5 days",
         {{at(2023, 12, 14, 22), 100}, {at(2024, 7, 10, 10), 500}},
         (std::pow(5.0, 365.0 / 208.5) - 1.0) * 100.0},
        {"from last year", {{at(2023, 6, 1), 70}, {at(2023, 12, 14, 22), 100}, {at(2024, 6, 14, 10), 110}}, 21.0},
        {"first after 1 January, future ignored",
         {{at(2024, 1, 2), 100}, {at(2024, 7, 2, 12), 110}, {at(2024, 7, 20), 500}},
         21.0},
        {"a day or less apart", {{at(2023, 12, 31, 12), 100}, {at(2024, 1, 1, 6), 110}}, std::nullopt},
        {"zero at the start", {{at(2023, 12, 14, 22), 0}, {at(2024, 6, 14, 10), 110}}, std::nullopt},
        {"too large", {{at(2023, 12, 14, 22), 1}, {at(2024, 6, 14, 10), 1000}}, std::nullopt},
        {"only quotations after now", {{at(2024, 7, 11), 100}, {at(2024, 7, 12), 110}}, std::nullopt},
        {"no quotation", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWPapier item;
        addCloses(item, c.closes);
        const auto value = valueOf("x", &item, 3);
        ASSERT_EQ(value.has_value(), c.expected.has_value());
        if (value) {
            EXPECT_NEAR(*value, *c.expected, 1e-9);
        }
    }
}

TEST_F(UserDefinedValueTest, UnavailableVariablesAndFormulasThatDoNotParse) {
    CWPapier empty;
    // x and y are the last quotations of the items given.
    struct Case {
        const char* formula;
        CWPapier* x;
        CWPapier* y;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"x*y", &source, &empty, std::nullopt},    // y unavailable
        {"2*X", &empty, &source, std::nullopt},    // x unavailable
        {"exp(1)", &empty, &source, std::nullopt}, // the letter x is searched for, not the variable
        {"2+3", &empty, &empty, 5.0},              // needs neither
        {"foo", &empty, &empty, 0.0},              // does not parse: true, 0, no text
        {"", &source, &source, std::nullopt},      // empty formula
        {"x*y-Y", &source, &source, 110.0 * 110.0 - 110.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formula);
        owner.m_strFormula = c.formula;
        owner.m_pFormulaItemX = c.x;
        owner.m_nFormulaValueX = 0;
        owner.m_pFormulaItemY = c.y;
        owner.m_nFormulaValueY = 0;
        double value = -1;
        std::string text;
        EXPECT_EQ(owner.GetUserDefinedValue(value, text, "%.2f"), c.expected.has_value());
        EXPECT_NEAR(value, c.expected.value_or(0.0), 1e-6);
        if (std::string(c.formula) == "foo") {
            EXPECT_EQ(text, "");
        }
    }
}

TEST_F(UserDefinedValueTest, DisplayText) {
    std::string text;
    EXPECT_EQ(valueOf("x*y", &source, 0, &text), 330.0);
    EXPECT_EQ(text, "330.00");
    owner.m_bFormulaPercent = true;
    EXPECT_EQ(valueOf("x/1000-y", &source, 0, &text), 0.11 - 3.0);
    EXPECT_EQ(text, "-2.89%");
    EXPECT_EQ(valueOf("x/100000", &source, 0, &text), 0.0011);
    EXPECT_EQ(text, "0.00%");
}

// The y value goes into the formula text in the "C" form whatever the process locale says.
TEST_F(UserDefinedValueTest, InsertedYIsPrintedWithoutTheLocale) {
    ScopedLocale german("de_DE.UTF-8");
    ASSERT_TRUE(german.active);
    EXPECT_EQ(CWPapier::FormulaWithY("x*y+Y", 2.5), "x*(2.500000)+(2.500000)");
    EXPECT_EQ(CWPapier::FormulaWithY("y", -1234567.125), "(-1234567.125000)");
    EXPECT_EQ(CWPapier::FormulaWithY("sqr(x)", 1), "sqr(x)");
    source.AddTransaction(sell(at(2024, 5, 1), 0.5, 100)); // 2.5 units held
    std::string text;
    EXPECT_EQ(valueOf("x*y", &source, 0, &text), 275.0);
    EXPECT_EQ(text, "275.00");
}

// ================================================================ comparison

class CompareItemsTest : public ::testing::Test {
protected:
    CompareItemsTest() {
        // alpha: +10 % on the day, a spike in December, 10 units bought at 90.
        alpha.m_strName = "alpha";
        alpha.m_strCategory = "Fund";
        addCloses(alpha, {{at(2023, 7, 1, 10), 50},
                          {at(2023, 12, 1, 10), 2000},
                          {at(2024, 7, 9, 12), 100},
                          {at(2024, 7, 10, 10), 110}});
        alpha.AddTransaction(buy(at(2024, 1, 10), 10, 90));
        alpha.m_strFormula = "x*2";
        alpha.m_pFormulaItemX = &alpha;
        // Beta: +5 % on the day, 20 units bought at 1000.
        beta.m_strName = "Beta";
        beta.m_strCategory = "bond";
        addCloses(beta, {{at(2023, 7, 1, 10), 500}, {at(2024, 7, 9, 12), 1000}, {at(2024, 7, 10, 11), 1050}});
        beta.AddTransaction(buy(at(2024, 1, 10), 20, 1000));
        beta.m_strFormula = "x/10";
        beta.m_pFormulaItemX = &beta;
    }

    itemtest::FixedNow now{kNow};
    CWPapier alpha;
    CWPapier beta;
};

// Each column orders alpha and Beta by its own value; the change columns follow the percent
// display and the time frame.
TEST_F(CompareItemsTest, EveryColumn) {
    struct Case {
        int column;
        bool percent;
        int days;
        int expected; // alpha compared with Beta
        const char* why;
    };
    const Case cases[] = {
        {0, true, 365, -1, "alpha before Beta without regard to case"},
        {1, true, 365, 1, "Fund after bond without regard to case"},
        {2, true, 365, -1, "10:00 before 11:00"},
        {3, true, 365, -1, "110 < 1050"},
        {4, true, 365, -1, "low 50 < 500"},
        {5, true, 365, 1, "high 2000 > 1050"},
        {6, false, 365, 1, "+10 % > +5 % on the day, in either display"},
        {7, true, 365, 1, "+10 % > +5 %"},
        {7, false, 365, -1, "+10 < +50"},
        {8, true, 365, 1, "+120 % > +110 % over a year"},
        {8, false, 365, -1, "+60 < +550 over a year"},
        {8, true, 30, -1, "-94.5 % < +110 % over 30 days"},
        {8, true, -1, 1, "whole history: +120 % > +110 %"},
        {9, true, 365, -1, "10 < 20 units"},
        {10, true, 365, -1, "1100 < 21000 invested"},
        {11, true, 365, 1, "(90 + 110 - 90) / 90 > (1000 + 1050 - 1000) / 1000"},
        {11, false, 365, -1, "200 < 1000"},
        {12, true, 365, 1, "220 > 105"},
        {13, true, 365, -1, "unknown column: by name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + ": " + c.why);
        EXPECT_EQ(alpha.CompareItems(&beta, c.column, c.percent, c.days), c.expected);
        EXPECT_EQ(beta.CompareItems(&alpha, c.column, c.percent, c.days), -c.expected);
    }
}

TEST_F(CompareItemsTest, EqualValuesSortByNameWithoutCase) {
    CWPapier twin;
    twin.m_strName = "ALPHA2";
    twin.m_strCategory = "FUND";
    addCloses(
        twin,
        {{at(2023, 7, 1, 10), 50}, {at(2023, 12, 1, 10), 2000}, {at(2024, 7, 9, 12), 100}, {at(2024, 7, 10, 10), 110}});
    twin.AddTransaction(buy(at(2024, 1, 10), 10, 90));
    twin.m_strFormula = "X*2";
    twin.m_pFormulaItemX = &twin;
    for (int column = 2; column <= 12; ++column) {
        for (const bool percent : {true, false}) {
            SCOPED_TRACE(std::to_string(column) + (percent ? " percent" : " amount"));
            EXPECT_EQ(alpha.CompareItems(&twin, column, percent, 365), -1);
            EXPECT_EQ(twin.CompareItems(&alpha, column, percent, 365), 1);
        }
    }
    EXPECT_EQ(alpha.CompareItems(&twin, 1, true, 365), 0); // equal categories are equal
    EXPECT_EQ(alpha.CompareItems(&alpha, 0, true, 365), 0);
    EXPECT_EQ(alpha.CompareItems(nullptr, 3, true, 365), 1);

    // Letters beyond ASCII too, by the locale's character classes.
    ScopedLocale utf8("C.UTF-8");
    ASSERT_TRUE(utf8.active);
    CWPapier upper;
    upper.m_strName = "ÄRGER";
    CWPapier lower;
    lower.m_strName = "ärger";
    EXPECT_EQ(upper.CompareItems(&lower, 0, true, 365), 0);
}

TEST_F(CompareItemsTest, SpecialItemsAndMissingValues) {
    // The cash account sorts after the investment history whatever the names.
    CWPapier cash;
    cash.m_strName = "A cash";
    cash.m_bCashAccount = 1;
    CWPapier history;
    history.m_strName = "Z history";
    history.m_bInvestmentHistory = 1;
    for (const int column : {0, 1}) {
        EXPECT_EQ(cash.CompareItems(&history, column, true, 365), 1);
        EXPECT_EQ(history.CompareItems(&cash, column, true, 365), -1);
    }

    // A missing time-frame change sorts below a loss of 99 %.
    CWPapier single;
    single.m_strName = "a single";
    addCloses(single, {{at(2024, 7, 1), 100}});
    CWPapier loser;
    loser.m_strName = "b loser";
    addCloses(loser, {{at(2023, 7, 1), 100}, {at(2024, 7, 1), 1}});
    EXPECT_EQ(single.CompareItems(&loser, 8, true, 365), -1);
    EXPECT_EQ(single.CompareItems(&loser, 8, false, 365), -1);

    // No investment sorts below a negative one; no units below a loss.
    loser.AddTransaction(sell(at(2024, 2, 1), 1, 50)); // -1 unit: investment -1
    EXPECT_LT(loser.GetUnitsOnDate(kNow), 0);
    EXPECT_EQ(single.CompareItems(&loser, 10, true, 365), -1);
    EXPECT_EQ(loser.CompareItems(&single, 10, true, 365), 1);
    EXPECT_EQ(single.CompareItems(&loser, 11, false, 365), -1);
    EXPECT_EQ(loser.CompareItems(&single, 11, false, 365), 1);
    CWPapier none;
    none.m_strName = "C none";
    EXPECT_EQ(single.CompareItems(&none, 10, true, 365), -1); // both 0: by name
    EXPECT_EQ(single.CompareItems(&none, 11, true, 365), -1);
    EXPECT_EQ(none.CompareItems(&single, 11, true, 365), 1);

    // A user-defined value that cannot be computed sorts below -5000.
    single.m_strFormula = "x*y";
    single.m_pFormulaItemX = &single;
    single.m_pFormulaItemY = &none; // no quotation
    loser.m_strFormula = "-5000";
    EXPECT_EQ(single.CompareItems(&loser, 12, true, 365), -1);
    EXPECT_EQ(loser.CompareItems(&single, 12, true, 365), 1);
}

// The document reads the list view's settings at every comparison.
TEST(DocumentCompareItems, ReadsTheListViewSettingsAtEachCall) {
    itemtest::FixedNow now{kNow};
    FakePortfolioHost host;
    CWPapierDoc doc{&host};
    auto up = makeItem("up");
    addCloses(*up, {{at(2024, 7, 9), 10}, {at(2024, 7, 10), 20}}); // +100 %, +10
    auto down = makeItem("down");
    addCloses(*down, {{at(2024, 7, 9), 1000}, {at(2024, 7, 10), 1050}}); // +5 %, +50
    const ItemPos a = doc.AddItem(std::move(up));
    const ItemPos b = doc.AddItem(std::move(down));

    host.listView.m_bProcentualValue = true;
    EXPECT_EQ(doc.CompareItems(a, b, 7), 1);
    host.listView.m_bProcentualValue = false;
    EXPECT_EQ(doc.CompareItems(a, b, 7), -1);
    EXPECT_EQ(doc.CompareItems(b, a, 7), 1);

    EXPECT_EQ(doc.CompareItems(a, kNoItemPos, 0), 0);
    EXPECT_EQ(doc.CompareItems(kNoItemPos, b, 0), 0);
    const ItemPos stale = doc.AddItem(makeItem("gone"));
    doc.DeleteItem(stale);
    EXPECT_EQ(doc.CompareItems(stale, b, 0), 0);

    CWPapierDoc hostless;
    const ItemPos c = hostless.AddItem(makeItem("c"));
    const ItemPos d = hostless.AddItem(makeItem("D"));
    EXPECT_EQ(hostless.CompareItems(c, d, 0), -1);
}

// ================================================================ applying a formula

// Five daily quotations at 10:00 (the second has no open and no low), three buys, two alarms.
void fillSplitItem(CWPapier& item) {
    item.m_strName = "Split";
    for (int day = 1; day <= 5; ++day) {
        const double close = 98.0 + 2 * day;
        const bool gaps = day == 2;
        item.AddQuotation(
            quotation(at(2024, 3, day, 10), close, gaps ? 0 : close - 1, close + 2, gaps ? 0 : close - 3, 1000.0 * day),
            false);
    }
    item.AddTransaction(buy(at(2024, 3, 1, 10), 10, 100)); // on the first quotation's date
    item.AddTransaction(buy(at(2024, 3, 3, 15), 5, 104));
    item.AddTransaction(buy(at(2024, 3, 6), 2, 108)); // after the last quotation
    item.m_dAlarmAbove = 150;
    item.m_dAlarmBelow = 80;
}

class ApplyFunctionTest : public ::testing::Test {
protected:
    ApplyFunctionTest() { fillSplitItem(item); }

    itemtest::FixedNow now{kNow};
    CWPapier item;
};

TEST_F(ApplyFunctionTest, PresetsAndFormulas) {
    struct Case {
        const char* formula;
        int first;
        int last;
        std::function<double(double)> f;
        bool split;
        bool reciprocal;
        std::vector<int> adjustedTransactions;
    };
    const auto half = [](double v) { return v / 2; };
    const auto triple = [](double v) { return v * 3; };
    const Case cases[] = {
        {"x/2", 0, 4, half, true, false, {0, 1}},
        {"X*3", 1, 3, triple, true, false, {1}},                           // capital X is a preset too
        {"x*10", 4, 99, [](double v) { return v * 10; }, true, false, {}}, // stops at the end
        {"x/2", 0, 0, half, true, false, {0}},                             // one quotation: its date is the range
        {"1/x", 0, 4, [](double v) { return 1 / v; }, false, true, {}},
        {"x+1", 3, 4, [](double v) { return v + 1; }, false, false, {}},
        {"x / 2", 0, 4, half, false, false, {}}, // not a preset: prices only
        {"x/11", -3, 1, [](double v) { return v / 11; }, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.formula) + " " + std::to_string(c.first) + ".." + std::to_string(c.last));
        CWPapier it;
        fillSplitItem(it);
        const std::vector<CKurs> before = it.GetQuotationListCopy();
        const std::vector<CTransaction> transactionsBefore = it.GetTransactionListCopy();
        const Snapshot figuresBefore(it);
        ASSERT_TRUE(it.ApplyFunction(c.first, c.last, c.formula));

        const double perUnit = c.split ? c.f(1.0) : 1.0;
        const auto mapped = [&](double v) { return c.reciprocal && v == 0.0 ? 0.0 : c.f(v); };
        const std::vector<CKurs> after = it.GetQuotationListCopy();
        ASSERT_EQ(after.size(), before.size());
        for (int i = 0; i < static_cast<int>(after.size()); ++i) {
            SCOPED_TRACE(i);
            const CKurs& o = before[i];
            const CKurs& n = after[i];
            const bool inRange = i >= c.first && i <= c.last;
            EXPECT_EQ(n.m_dtDate.m_dt, o.m_dtDate.m_dt);
            EXPECT_DOUBLE_EQ(n.m_dClose, inRange ? mapped(o.m_dClose) : o.m_dClose);
            EXPECT_DOUBLE_EQ(n.m_dOpen, inRange ? mapped(o.m_dOpen) : o.m_dOpen);
            EXPECT_DOUBLE_EQ(n.m_dHigh, inRange ? mapped(o.m_dHigh) : o.m_dHigh);
            EXPECT_DOUBLE_EQ(n.m_dLow, inRange ? mapped(o.m_dLow) : o.m_dLow);
            EXPECT_DOUBLE_EQ(n.m_dVolume, inRange ? o.m_dVolume / perUnit : o.m_dVolume);
        }
        const std::vector<CTransaction> transactions = it.GetTransactionListCopy();
        for (int k = 0; k < static_cast<int>(transactions.size()); ++k) {
            SCOPED_TRACE("transaction " + std::to_string(k));
            const bool adjusted = std::count(c.adjustedTransactions.begin(), c.adjustedTransactions.end(), k) > 0;
            EXPECT_DOUBLE_EQ(transactions[k].m_dQuotation,
                             adjusted ? c.f(transactionsBefore[k].m_dQuotation) : transactionsBefore[k].m_dQuotation);
            EXPECT_DOUBLE_EQ(transactions[k].m_dUnits,
                             adjusted ? transactionsBefore[k].m_dUnits / perUnit : transactionsBefore[k].m_dUnits);
        }
        const std::vector<double>& old = figuresBefore.figures;
        if (c.split) {
            EXPECT_DOUBLE_EQ(it.m_dUnits, old[0] / perUnit);
            EXPECT_DOUBLE_EQ(it.m_dBreakEven, c.f(old[1]));
            EXPECT_DOUBLE_EQ(it.m_dAveragePrice, c.f(old[2]));
            EXPECT_DOUBLE_EQ(it.m_dAlarmAbove, c.f(old[3]));
            EXPECT_DOUBLE_EQ(it.m_dAlarmBelow, c.f(old[4]));
        } else {
            EXPECT_EQ(Snapshot(it).figures, old);
        }
    }
}

// A two-for-one split on the whole list doubles units and halves prices; the investment value
// stays what it was.
TEST_F(ApplyFunctionTest, TwoForOneSplitKeepsTheInvestment) {
    const double units = item.m_dUnits;
    const double value = units * item.GetLastQuotationPtr()->m_dClose;
    LogCapture log;
    ASSERT_TRUE(item.ApplyFunction(0, 4, "x/2"));
    EXPECT_DOUBLE_EQ(item.m_dUnits, 2 * units);
    EXPECT_DOUBLE_EQ(item.m_dUnits * item.GetLastQuotationPtr()->m_dClose, value);
    const auto lines = log.messages();
    EXPECT_TRUE(contains(lines, "Applied function f(x)=x/2 to quotation -> f(100.0000)=50.0000"));
    EXPECT_TRUE(contains(lines, "Applying function to transaction 10.0000x100.0000 -> 20.0000x50.0000"));
    EXPECT_FALSE(contains(lines, "Applying function to transaction 2.0000x108.0000 -> 4.0000x54.0000"));
}

// Whatever is refused leaves quotations, transactions, investment figures and alarms untouched.
TEST_F(ApplyFunctionTest, RefusedFormulasChangeNothing) {
    struct Case {
        const char* formula;
        int first;
        int last;
        const char* why;
    };
    const Case cases[] = {
        {"", 0, 4, "empty"},
        {"x+", 0, 4, "does not parse"},
        {"foo*x", 0, 4, "unknown name"},
        {"x/2", 5, 9, "range after the end"},
        {"x/2", 3, 1, "empty range"},
        {"x/2", -5, -1, "range before the start"},
        {"ln(x)", 0, 4, "ln(0) of a missing open"},
        {"2/x", 1, 1, "division by a missing low"},
        {"x/0", 0, 4, "no finite value anywhere"},
        {"x*10", 0, 4, "overflow of a transaction price"},
    };
    item.ReplaceTransactionList({buy(at(2024, 3, 2), 1, std::numeric_limits<double>::max())});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Snapshot before(item);
        EXPECT_FALSE(item.ApplyFunction(c.first, c.last, c.formula));
        EXPECT_TRUE(Snapshot(item) == before);
    }
    CWPapier empty;
    empty.m_dUnits = 10;
    empty.m_dAlarmAbove = 100;
    EXPECT_FALSE(empty.ApplyFunction(0, 0, "x/2"));
    EXPECT_EQ(empty.m_dUnits, 10);
    EXPECT_EQ(empty.m_dAlarmAbove, 100);
}

TEST(DocumentApplyFunction, ModifiedAndViewsOnlyOnSuccess) {
    itemtest::FixedNow now{kNow};
    CWPapierDoc doc;
    auto owned = makeItem("Split");
    addCloses(*owned, {{at(2024, 3, 1), 100}, {at(2024, 3, 2), 104}});
    CWPapier* item = owned.get();
    const ItemPos pos = doc.AddItem(std::move(owned));
    RecordingView view;
    doc.AddView(view);
    doc.SetModifiedFlag(false);

    EXPECT_FALSE(doc.ApplyFunction(pos, 0, 1, "x+"));
    EXPECT_FALSE(doc.ApplyFunction(kNoItemPos, 0, 1, "x/2"));
    EXPECT_FALSE(doc.ApplyFunction(pos, 2, 3, "x/2"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());

    EXPECT_TRUE(doc.ApplyFunction(pos, 1, 1, "x/2"));
    EXPECT_EQ(item->GetQuotationAt(0)->m_dClose, 100);
    EXPECT_EQ(item->GetQuotationAt(1)->m_dClose, 52);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, 0}}));
}

// ================================================================ multiplying by another item

class MultiplyTest : public ::testing::Test {
protected:
    MultiplyTest() {
        fund.m_strName = "Fund USD";
        for (int day = 1; day <= 5; ++day) {
            const double v = 10.0 * day;
            fund.AddQuotation(quotation(at(2024, 3, day, 12), v, v + 1, v + 2, v - 1, 7), false);
        }
        rate.m_strName = "USD/EUR";
        addCloses(rate, {{at(2024, 3, 3, 12), 0.5},                     // the same moment as day 3
                         {at(2024, 3, 5, 8), 0.8},                      // earlier on day 5
                         {plusSeconds(at(2024, 3, 5, 12), 0.3), 9.0}}); // 0.3 s after day 5: later
        fund.m_pCurrencyItem = &rate;
        fund.m_bConvertCurrency = true;
    }

    CWPapier fund;
    CWPapier rate;
};

TEST_F(MultiplyTest, EachQuotationByTheRateInForce) {
    LogCapture log;
    ASSERT_TRUE(fund.MultiplyByItem(&rate));
    const double factors[] = {1, 1, 0.5, 0.5, 0.8}; // no rate yet on days 1 and 2
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const CKurs& q = *fund.GetQuotationAt(i);
        const double v = 10.0 * (i + 1);
        EXPECT_DOUBLE_EQ(q.m_dClose, v * factors[i]);
        EXPECT_DOUBLE_EQ(q.m_dOpen, (v + 1) * factors[i]);
        EXPECT_DOUBLE_EQ(q.m_dHigh, (v + 2) * factors[i]);
        EXPECT_DOUBLE_EQ(q.m_dLow, (v - 1) * factors[i]);
        EXPECT_EQ(q.m_dVolume, 7);
    }
    EXPECT_EQ(rate.GetQuotationAt(0)->m_dClose, 0.5); // the factor item is left alone
    const auto lines = log.messages();
    EXPECT_TRUE(contains(lines, "Searching for factor for 10.0000 " + at(2024, 3, 1, 12).Format("%x %H:%M")));
    EXPECT_TRUE(contains(lines, "Using factor 0.8000 " + at(2024, 3, 5, 8).Format("%x %H:%M")));
}

TEST_F(MultiplyTest, Refusals) {
    CWPapier empty;
    const Snapshot before(fund);
    EXPECT_FALSE(fund.MultiplyByItem(nullptr));
    EXPECT_FALSE(fund.MultiplyByItem(&fund)); // never squares its own quotations
    EXPECT_FALSE(fund.MultiplyByItem(&empty));
    EXPECT_FALSE(empty.MultiplyByItem(&fund));
    rate.AddQuotation(CKurs(at(2024, 3, 1, 12), std::numeric_limits<double>::max()), false);
    EXPECT_FALSE(fund.MultiplyByItem(&rate)); // 10 * max overflows
    EXPECT_TRUE(Snapshot(fund) == before);
}

// The cursor over the factor's quotations gives what a walk from the factor's oldest quotation
// gives, for each quotation, on random lists with equal and nearly equal dates.
TEST(MultiplyByItem, SameResultAsAWalkPerQuotation) {
    std::mt19937 random(20240710);
    for (int round = 0; round < 300; ++round) {
        CWPapier item;
        CWPapier factor;
        std::uniform_int_distribution<int> count(1, 12);
        std::uniform_int_distribution<int> step(0, 16);
        std::uniform_int_distribution<int> jitter(0, 2);
        const auto fill = [&](CWPapier& target, double base) {
            const int n = count(random);
            for (int i = 0; i < n; ++i) {
                const double seconds = step(random) * 1800.0 + (jitter(random) == 0 ? 0.3 : 0.0);
                target.AddQuotation(CKurs(plusSeconds(at(2024, 1, 1), seconds), base + i), false);
            }
        };
        fill(item, 100);
        fill(factor, 2);
        const std::vector<CKurs> qs = item.GetQuotationListCopy();
        const std::vector<CKurs> fs = factor.GetQuotationListCopy();
        std::vector<double> expected;
        for (const CKurs& q : qs) {
            std::size_t j = 0;
            while (j < fs.size() && !dateLater(fs[j].m_dtDate, q.m_dtDate))
                ++j;
            if (j == 0 || dateLater(fs[j - 1].m_dtDate, q.m_dtDate))
                expected.push_back(q.m_dClose);
            else
                expected.push_back(q.m_dClose * fs[j - 1].m_dClose);
        }
        ASSERT_TRUE(item.MultiplyByItem(&factor));
        const std::vector<CKurs> result = item.GetQuotationListCopy();
        ASSERT_EQ(result.size(), expected.size());
        for (std::size_t i = 0; i < result.size(); ++i)
            ASSERT_EQ(result[i].m_dClose, expected[i]) << "round " << round << " index " << i;
    }
}

TEST(DocumentMultiplyItems, ModifiedAndViewsOnlyOnSuccess) {
    CWPapierDoc doc;
    auto owned = makeItem("Fund USD");
    addCloses(*owned, {{at(2024, 3, 1), 100}});
    CWPapier* fund = owned.get();
    const ItemPos pos = doc.AddItem(std::move(owned));
    auto rate = makeItem("USD/EUR");
    addCloses(*rate, {{at(2024, 2, 1), 0.9}});
    const ItemPos ratePos = doc.AddItem(std::move(rate));
    const ItemPos emptyPos = doc.AddItem(makeItem("empty"));
    RecordingView view;
    doc.AddView(view);
    doc.SetModifiedFlag(false);

    EXPECT_FALSE(doc.MultiplyItems(pos, pos));
    EXPECT_FALSE(doc.MultiplyItems(pos, kNoItemPos));
    EXPECT_FALSE(doc.MultiplyItems(kNoItemPos, ratePos));
    EXPECT_FALSE(doc.MultiplyItems(pos, emptyPos));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());

    EXPECT_TRUE(doc.MultiplyItems(pos, ratePos));
    EXPECT_DOUBLE_EQ(fund->GetQuotationAt(0)->m_dClose, 90);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, 0}}));
}
