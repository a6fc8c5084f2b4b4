// The quotation dialogs' rules: the time a chosen day proposes, the assembled date-time, the
// formula dialog's caption, range entries and range check, the items of the multiply dialog, and
// quotation dates in the user's short form.
#include "dialogs/QuotationDlgLogic.h"
#include "dialogs/WPKursPropPage.h"

#include "log/NumberFormat.h"
#include "portfolio/WPapierDoc.h"
#include "support/FakePortfolioHost.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

std::chrono::system_clock::time_point timePointOf(const OleDate& local) {
    return std::chrono::system_clock::from_time_t(*local.toTimeT());
}

OleDate invalidDate() {
    OleDate d;
    d.SetStatus(OleDate::invalid);
    return d;
}

} // namespace

TEST(QuotationDialog, TodayProposesTheCurrentFullHourAnyOtherDayEightPm) {
    struct Case {
        const char* name;
        OleDate now;
        OleDate chosen;
        int hour;
    };
    const Case cases[] = {
        {"today, morning", OleDate(2024, 5, 15, 10, 37, 12), OleDate(2024, 5, 15, 0, 0, 0), 10},
        {"today, chosen with another time", OleDate(2024, 5, 15, 10, 37, 12), OleDate(2024, 5, 15, 23, 59, 0), 10},
        {"today, just after midnight", OleDate(2024, 5, 15, 0, 5, 0), OleDate(2024, 5, 15, 12, 0, 0), 0},
        {"yesterday", OleDate(2024, 5, 15, 10, 37, 12), OleDate(2024, 5, 14, 10, 0, 0), 20},
        {"tomorrow", OleDate(2024, 5, 15, 10, 37, 12), OleDate(2024, 5, 16, 10, 0, 0), 20},
        {"the same day a year ago", OleDate(2024, 5, 15, 10, 37, 12), OleDate(2023, 5, 15, 10, 0, 0), 20},
        {"the same day of another month", OleDate(2024, 5, 15, 10, 37, 12), OleDate(2024, 4, 15, 10, 0, 0), 20},
        {"no valid date", OleDate(2024, 5, 15, 10, 37, 12), invalidDate(), 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FixedClock clock(timePointOf(c.now));
        const OleDate time = QuotationTimeForDate(c.chosen, clock);
        EXPECT_EQ(time.m_dt, OleDate(2000, 1, 1, c.hour, 0, 0).m_dt);
    }
    // Without a clock the program's clock is asked.
    FixedClock programClock(timePointOf(OleDate(2024, 5, 15, 7, 59, 59)));
    const ScopedClock scoped(programClock);
    EXPECT_EQ(QuotationTimeForDate(OleDate(2024, 5, 15, 0, 0, 0)).GetHour(), 7);
}

TEST(QuotationDialog, DateTimeTakesTheDayOfOneValueAndTheTimeOfTheOther) {
    const OleDate date(2024, 2, 29, 20, 0, 0);
    const OleDate time(2000, 1, 1, 9, 30, 15);
    EXPECT_EQ(QuotationDateTime(date, time).m_dt, OleDate(2024, 2, 29, 9, 30, 15).m_dt);
    EXPECT_EQ(QuotationDateTime(date, time).GetStatus(), OleDate::valid);
    EXPECT_EQ(QuotationDateTime(invalidDate(), time).GetStatus(), OleDate::invalid);
    EXPECT_EQ(QuotationDateTime(date, invalidDate()).GetStatus(), OleDate::invalid);
}

TEST(FormulaDialog, RangeEntryShowsDateTimeThreeBlanksAndGroupedClose) {
    ASSERT_TRUE(initNumberGrouping("en_US.UTF-8"));
    const std::string small = FormulaRangeEntry(CKurs(OleDate(2024, 3, 1, 9, 30, 0), 0.5));
    const std::string large = FormulaRangeEntry(CKurs(OleDate(2024, 3, 5, 20, 0, 0), 1234567.891));
    initNumberGrouping("C");
    EXPECT_EQ(small, "03/01/24 09:30:00   0.5000");
    EXPECT_EQ(large, "03/05/24 20:00:00   1,234,567.8910");
}

TEST(QuotationDates, ShownInTheUsersShortDateAndTime) {
    const OleDate now(2026, 12, 11, 12, 0, 0);
    const CKurs earlier(OleDate(2026, 12, 11, 5, 35, 53), 1.0);
    const CKurs later(OleDate(2026, 12, 12, 17, 0, 5), 1.0);
    struct Case {
        const char* locale;
        const char* earlier;
        const char* later;
    };
    for (const Case& c : {Case{"C.UTF-8", "12/11/26 05:35:53", "(12/12/26 17:00:05)"},
                          Case{"de_DE.UTF-8", "11.12.2026 05:35:53", "(12.12.2026 17:00:05)"},
                          Case{"en_US.UTF-8", "12/11/2026 05:35:53 AM", "(12/12/2026 05:00:05 PM)"}}) {
        SCOPED_TRACE(c.locale);
        const testsupport::ScopedLocale locale(c.locale);
        if (!locale.active)
            continue; // not installed here
        EXPECT_EQ(QuotationCellText(earlier, 0, now), c.earlier);
        EXPECT_EQ(QuotationCellText(later, 0, now), c.later);
        EXPECT_EQ(FormulaRangeEntry(earlier), std::string(c.earlier) + "   1.0000");
    }
}

TEST(FormulaDialog, CaptionAndRangeCheck) {
    EXPECT_EQ(FormulaCaption("Acme Corp."), "Apply formula to 'Acme Corp.'");
    EXPECT_EQ(std::string(kFormulaPresets.front()), "x/2");
    // OK only while the first quotation is not after the last.
    EXPECT_TRUE(FormulaRangeValid(0, 0));
    EXPECT_TRUE(FormulaRangeValid(2, 7));
    EXPECT_FALSE(FormulaRangeValid(3, 2));
}

TEST(MultiplyDialog, OffersEveryItemButTheHistoryAndItselfSortedByName) {
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc(&host);
    doc.OnNewDocument();
    const auto add = [&](const char* name) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        return doc.AddItem(std::move(item));
    };
    const ItemPos beta = add("beta");
    const ItemPos alpha = add("Alpha");
    const ItemPos gamma = add("gamma");
    const ItemPos cash = doc.FindCashAccountItem();
    const std::string cashName = doc.GetItemName(cash);

    // The cash account's name starts with a blank, so it comes first.
    EXPECT_EQ(MultiplyFactorItems(doc, alpha),
              (std::vector<FactorItemEntry>{{cashName, cash}, {"beta", beta}, {"gamma", gamma}}));
    EXPECT_EQ(MultiplyFactorItems(doc, cash),
              (std::vector<FactorItemEntry>{{"Alpha", alpha}, {"beta", beta}, {"gamma", gamma}}));
    // For the history item itself, and an empty portfolio offers nothing (OK stays disabled).
    EXPECT_EQ(MultiplyFactorItems(doc, doc.FindInvestmentHistoryItem()).size(), 4u);
    CWPapierDoc empty(&host);
    EXPECT_TRUE(MultiplyFactorItems(empty, kNoItemPos).empty());
}
