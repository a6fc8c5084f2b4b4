#include "ItemTestSupport.h"
#include "portfolio/WPapierItem.h"

#include <gtest/gtest.h>

using itemtest::at;
using itemtest::plusSeconds;
using itemtest::transaction;

namespace {

CWPapier* withQuotations(CWPapier& item, const std::vector<std::pair<OleDate, double>>& quotations) {
    for (const auto& [date, close] : quotations)
        item.AddQuotation(CKurs(date, close), false);
    return &item;
}

} // namespace

// 8 January 2024 is a Monday.
TEST(ItemValues, ReferenceQuotationOfThePreviousDay) {
    CWPapier item;
    withQuotations(item, {{at(2024, 1, 8, 9), 100}, {at(2024, 1, 8, 17, 30), 104}, {at(2024, 1, 9, 10), 110}});
    struct Case {
        OleDate date;
        bool previousDay;
        bool found;
        double change;
        OleDate referenceDate;
    };
    const Case cases[] = {
        {at(2024, 1, 9, 12), true, true, 6, at(2024, 1, 8, 17, 30)}, // 16.5 hours older
        {at(2024, 1, 8, 18), true, false, 0, OleDate()},             // 9:00 is only 8.5 hours older
        {at(2024, 1, 9, 12), false, true, 6, at(2024, 1, 8, 17, 30)},
        {at(2024, 1, 8, 18), false, true, 4, at(2024, 1, 8, 9)},
        {at(2024, 1, 8, 12), false, false, 0, OleDate()}, // the oldest has no reference
        {at(2024, 1, 7), true, false, 0, OleDate()},      // nothing in force yet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date.Format("%c") + (c.previousDay ? " previous day" : ""));
        double change = -1;
        EXPECT_EQ(item.GetChange(c.date, change, c.previousDay), c.found);
        EXPECT_DOUBLE_EQ(change, c.change);
        OleDate reference = at(1999, 1, 1);
        EXPECT_EQ(item.GetReferenceQuotationDate(c.date, reference, c.previousDay), c.found);
        EXPECT_EQ(reference.m_dt, c.found ? c.referenceDate.m_dt : at(1999, 1, 1).m_dt);
    }
    double percent = 0;
    EXPECT_TRUE(item.GetChangePercent(at(2024, 1, 9, 12), percent, true));
    EXPECT_NEAR(percent, 110.0 * 100.0 / 104.0 - 100.0, 1e-12);
}

// Ten whole hours count with the half-second rounding: 9:59:59.5 is ten hours.
TEST(ItemValues, TenHoursWithRounding) {
    const OleDate start = at(2024, 1, 8, 0);
    for (const auto& [seconds, found] : {std::pair{35999.5, true}, std::pair{35999.4, false}}) {
        CWPapier item;
        withQuotations(item, {{start, 1}, {plusSeconds(start, seconds), 2}});
        double change = 0;
        EXPECT_EQ(item.GetChange(at(2024, 1, 9), change, true), found) << seconds;
    }
}

TEST(ItemValues, ChangePercentNeedsAReferenceValue) {
    CWPapier item;
    withQuotations(item, {{at(2024, 1, 8), 0}, {at(2024, 1, 9), 5}});
    double out = -1;
    EXPECT_TRUE(item.GetChange(at(2024, 1, 9), out, false));
    EXPECT_EQ(out, 5.0);
    EXPECT_FALSE(item.GetChangePercent(at(2024, 1, 9), out, false));
    EXPECT_EQ(out, 0.0);
}

TEST(ItemValues, TimeFrameChangeAndItsAge) {
    const OleDate current = at(2024, 3, 31, 12);
    struct Case {
        OleDate reference;
        std::int64_t days;
        bool found;
        std::int64_t age;
    };
    const Case cases[] = {
        {current - OleDateSpan(30, 11, 0, 0), 30, true, 31}, // 30 days 11 hours: one day more
        {current - OleDateSpan(30, 9, 0, 0), 30, true, 30},
        {current - OleDateSpan(29, 0, 0, 0), 30, false, 0},   // nothing 30 days back
        {current - OleDateSpan(400, 0, 0, 0), -1, true, 400}, // the whole history
        {current - OleDateSpan(400, 0, 0, 0), 0, true, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reference.Format("%c") + " days " + std::to_string(c.days));
        CWPapier item;
        withQuotations(item, {{c.reference, 50}, {current - OleDateSpan(5, 0, 0, 0), 70}, {current, 80}});
        double out = -1;
        std::int64_t age = -1;
        EXPECT_EQ(item.GetTimeFrameChange(at(2024, 4, 2), c.days, out, age), c.found);
        EXPECT_EQ(age, c.age);
        EXPECT_DOUBLE_EQ(out, c.found ? 30.0 : 0.0);
        EXPECT_EQ(item.GetTimeFrameChangePercent(at(2024, 4, 2), c.days, out, age), c.found);
        EXPECT_DOUBLE_EQ(out, c.found ? 60.0 : 0.0);
    }
}

// A reference close of 0 fails the percent variant for a time frame and for the whole history;
// a current close of 0 fails both variants.
TEST(ItemValues, TimeFrameWithZeroValues) {
    for (const std::int64_t days : {std::int64_t{30}, std::int64_t{-1}}) {
        CWPapier item;
        withQuotations(item, {{at(2024, 1, 1), 0}, {at(2024, 3, 1), 10}});
        double out = -1;
        std::int64_t age = -1;
        EXPECT_TRUE(item.GetTimeFrameChange(at(2024, 3, 1), days, out, age)) << days;
        EXPECT_EQ(out, 10.0);
        EXPECT_FALSE(item.GetTimeFrameChangePercent(at(2024, 3, 1), days, out, age)) << days;
        EXPECT_EQ(out, 0.0);
        EXPECT_EQ(age, 0);
    }
    CWPapier item;
    withQuotations(item, {{at(2024, 1, 1), 10}, {at(2024, 3, 1), 0}});
    double out = -1;
    std::int64_t age = -1;
    EXPECT_FALSE(item.GetTimeFrameChange(at(2024, 3, 1), -1, out, age));
}

TEST(ItemValues, QuotationsInForceAndAround) {
    CWPapier item;
    withQuotations(item, {{at(2024, 1, 1), 10}, {at(2024, 1, 2), 12}, {at(2024, 1, 3), 8}, {at(2024, 1, 4), 11}});
    CKurs out;
    EXPECT_TRUE(item.GetFirstQuotation(out));
    EXPECT_EQ(out.m_dClose, 10.0);
    EXPECT_TRUE(item.GetPreviousQuotation(out));
    EXPECT_EQ(out.m_dClose, 8.0);
    EXPECT_TRUE(item.GetLastQuotation(out));
    EXPECT_EQ(out.m_dClose, 11.0);
    OleDate date;
    EXPECT_TRUE(item.GetFirstQuotationDate(date));
    EXPECT_EQ(date.m_dt, at(2024, 1, 1).m_dt);
    EXPECT_TRUE(item.GetLastQuotationDate(date));
    EXPECT_EQ(date.m_dt, at(2024, 1, 4).m_dt);

    // On or before counts half a second later as equal.
    EXPECT_TRUE(item.GetQuotationOnOrBefore(plusSeconds(at(2024, 1, 3), -0.4), out));
    EXPECT_EQ(out.m_dClose, 8.0);
    EXPECT_TRUE(item.GetNextQuotationAfter(plusSeconds(at(2024, 1, 3), -0.4), out));
    EXPECT_EQ(out.m_dClose, 11.0);
    EXPECT_TRUE(item.GetNextQuotationAfter(at(2023, 1, 1), out));
    EXPECT_EQ(out.m_dClose, 10.0);
    EXPECT_FALSE(item.GetNextQuotationAfter(at(2024, 1, 4), out));
    EXPECT_EQ(out.m_dClose, 0.0);

    double min = 0, max = 0;
    EXPECT_TRUE(item.GetMinMaxUntil(at(2024, 1, 3), min, max));
    EXPECT_EQ(min, 8.0);
    EXPECT_EQ(max, 12.0);
    EXPECT_TRUE(item.GetMinMaxUntil(at(2024, 1, 1), min, max));
    EXPECT_EQ(min, 10.0);
    EXPECT_EQ(max, 10.0);
    EXPECT_FALSE(item.GetMinMaxUntil(at(2023, 12, 31), min, max));
}

TEST(ItemValues, UnitsOnDateAndLastTransactionDate) {
    CWPapier item;
    item.AddTransaction(transaction(CTransaction::kBuy, at(2024, 1, 10), 10, 5));
    item.AddTransaction(transaction(CTransaction::kDividend, at(2024, 2, 10), 10, 1));
    item.AddTransaction(transaction(CTransaction::kSell, at(2024, 3, 10), 4, 6));
    item.AddTransaction(transaction(CTransaction::kBuy, at(2024, 4, 10), 1, 6));
    struct Case {
        OleDate date;
        double units;
        OleDate last;
    };
    const Case cases[] = {
        {at(2024, 1, 9), 0, at(1975, 1, 23)},
        {plusSeconds(at(2024, 1, 10), -0.4), 10, at(2024, 1, 10)}, // half a second counts
        {at(2024, 2, 20), 10, at(2024, 2, 10)},
        {at(2024, 3, 10), 6, at(2024, 3, 10)},
        {at(2030, 1, 1), 7, at(2024, 4, 10)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(item.GetUnitsOnDate(c.date), c.units) << c.date.Format("%c");
        OleDate last;
        item.GetLastTransactionDate(c.date, last);
        EXPECT_EQ(last.m_dt, c.last.m_dt) << c.date.Format("%c");
    }

    CWPapier cash;
    cash.m_bCashAccount = 1;
    cash.AddTransaction(transaction(CTransaction::kSell, at(2024, 1, 10), 500));
    EXPECT_EQ(cash.GetUnitsOnDate(at(2024, 1, 9)), 0.0);
    EXPECT_EQ(cash.GetUnitsOnDate(at(2024, 1, 10)), 1.0);
}
