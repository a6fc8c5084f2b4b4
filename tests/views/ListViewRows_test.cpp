#include "ListViewDocFixture.h"
#include "support/LogCapture.h"
#include "views/wpapierlviewRows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::ListViewDocTest;

class ListRowTest : public ListViewDocTest {
protected:
    ListRow rowOf(ItemPos pos, bool percent = true, int decimals = 2, int timeFrameDays = 365) {
        return buildListRow(item(pos), {now, decimals, percent, timeFrameDays});
    }
};

TEST_F(ListRowTest, AgeOfTheChange) {
    struct Case {
        const char* what;
        OleDate reference; // the quotation before the latest one, today 09:00
        const char* amount;
        const char* percent;
    };
    const Case cases[] = {
        {"45 days", OleDate(2024, 3, 31, 9, 0, 0), "+10.00 (45 Days)", "+10.00% (45 Days)"},
        {"120 days", OleDate(2024, 1, 16, 9, 0, 0), "+10.00 (3.9 Months)", "+10.00% (3.9 Months)"},
        {"1500 days", OleDate(2020, 4, 6, 9, 0, 0), "+10.00 (4.1 Years)", "+10.00% (4.1 Years)"},
        {"2 d 11 h", OleDate(2024, 5, 12, 22, 0, 0), "+10.00 (3 Days)", "+10.00% (3 Days)"},
        {"2 d 10 h", OleDate(2024, 5, 12, 23, 0, 0), "+10.00 (3 Days)", "+10.00% (3 Days)"},
        {"2 d 9 h 59 min 59 s", OleDate(2024, 5, 12, 23, 0, 1), "+10.00 (2 Days)", "+10.00% (2 Days)"},
        {"2 d 9 h", OleDate(2024, 5, 13, 0, 0, 0), "+10.00 (2 Days)", "+10.00% (2 Days)"},
    };
    for (const Case& c : cases) {
        const ItemPos pos = addItem(c.what, {{c.reference, 100.0}, {OleDate(2024, 5, 15, 9, 0, 0), 110.0}});
        // Both change columns measure against the same quotation here: it is also the previous day's.
        EXPECT_EQ(rowOf(pos, false).texts[LIST_COLUMN_LAST], c.amount) << c.what;
        EXPECT_EQ(rowOf(pos, true).texts[LIST_COLUMN_LAST], c.percent) << c.what;
        EXPECT_EQ(rowOf(pos, true).texts[LIST_COLUMN_LAST_DAY], c.percent) << c.what;
    }
}

TEST_F(ListRowTest, LastUpdateShowsTimeWeekdayOrDate) {
    struct Case {
        OleDate date;
        const char* text;
    };
    const Case cases[] = {
        {OleDate(2024, 5, 15, 7, 0, 0), "07:00"},               // today
        {OleDate(2024, 5, 14, 20, 0, 0), "Tuesday   20:00"},    // yesterday evening, seen this morning
        {OleDate(2024, 5, 9, 11, 0, 0), "Thursday   11:00"},    // 5 days and 23 hours: 6 calendar days
        {OleDate(2024, 5, 8, 9, 0, 0), "05/08/24   09:00"},     // 7 days
        {OleDate(2024, 5, 8, 11, 0, 0), "05/08/24   11:00"},    // 6 days and 23 hours: 7 calendar days
        {OleDate(2023, 12, 24, 18, 30, 0), "12/24/23   18:30"}, // long ago

        // To the second, at now's time of day (10:00:00): 7 days exactly is a date, 6 a weekday.
        {OleDate(2024, 5, 8, 10, 0, 0), "05/08/24   10:00"},
        {OleDate(2024, 5, 9, 10, 0, 0), "Thursday   10:00"},
        {OleDate(2024, 5, 15, 10, 0, 0), "10:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lastUpdateText(c.date, now), c.text) << c.date.Format("%c");
}

TEST_F(ListRowTest, HoldingRowInBothModesAndDecimals) {
    const ItemPos pos = addItem(
        "Northwind", {{OleDate(2024, 5, 14, 17, 30, 0), 100.0}, {OleDate(2024, 5, 15, 9, 0, 0), 110.0, 105.0, 112.75}});
    item(pos).m_strCategory = "Shares";
    buy(pos, 10.0, 100.0);

    const ListRow percent = rowOf(pos, true);
    const std::array<std::string, kListColumnCount> expectedPercent = {
        "Northwind", "Shares",  "09:00",   "110.00", "105.00", "112.75", "+10.00% (1 Days)", "+10.00% (1 Days)",
        "", // nothing a year old: no time-frame change
        "10.00",     "1100.00", "+10.00%", ""};
    EXPECT_EQ(percent.texts, expectedPercent);
    EXPECT_EQ(percent.icon, ICON_RISEN);

    const ListRow amount = rowOf(pos, false);
    EXPECT_EQ(amount.texts[LIST_COLUMN_LAST_DAY], "+10.00 (1 Days)");
    EXPECT_EQ(amount.texts[LIST_COLUMN_INVESTMENT_CHANGE], "+100.00");

    EXPECT_EQ(rowOf(pos, true, 0).texts[LIST_COLUMN_HIGH], "113");
    EXPECT_EQ(rowOf(pos, false, 4).texts[LIST_COLUMN_LAST], "+10.0000 (1 Days)");
    // The whole history as time frame.
    EXPECT_EQ(rowOf(pos, true, 2, -1).texts[LIST_COLUMN_TIME_FRAME], "+10.00% (1 Days)");
}

// Half a hundredth of a unit, either way, is a holding; less is none.
TEST_F(ListRowTest, AHoldingStartsAtHalfAHundredthOfAUnit) {
    const struct {
        double units;
        const char* investment;
        const char* change;
    } cases[] = {{0.005, "0.55", "+10.00%"}, {-0.005, "-0.55", "+10.00%"}, {0.0049, "", ""}, {-0.0049, "", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        const ItemPos pos = addItem("Fraction", {{OleDate(2024, 5, 15, 9, 0, 0), 110.0}});
        item(pos).m_dUnits = c.units;
        item(pos).m_dAveragePrice = 100.0;
        item(pos).m_dBreakEven = 100.0;
        const ListRow row = rowOf(pos);
        EXPECT_EQ(row.texts[LIST_COLUMN_INVESTMENT], c.investment);
        EXPECT_EQ(row.texts[LIST_COLUMN_INVESTMENT_CHANGE], c.change);
    }
}

TEST_F(ListRowTest, ItemWithoutQuotationShowsItsNameOnly) {
    const ItemPos pos = addItem("Empty", {});
    item(pos).m_strCategory = "Bonds";
    const ListRow row = rowOf(pos);
    EXPECT_EQ(row.texts[LIST_COLUMN_NAME], "Empty");
    for (int column = 1; column < kListColumnCount; ++column)
        EXPECT_EQ(row.texts[column], "") << column;
    EXPECT_EQ(row.icon, ICON_UNCHANGED);
    EXPECT_EQ(rowOf(cashPos).icon, ICON_CASH_ACCOUNT);
    // Only quotations after now: nothing to show either.
    const ItemPos future = addItem("Future", {{OleDate(2024, 5, 16, 9, 0, 0), 5.0}});
    EXPECT_EQ(rowOf(future).texts[LIST_COLUMN_CLOSE], "");
}

TEST_F(ListRowTest, CashAccountShowsItsBalanceAsInvestment) {
    const OleDate day(2024, 5, 2, 12, 0, 0);
    ASSERT_GE(doc->AddTransaction(cashPos, CTransaction(CTransaction::kBuy, day, 1500.0, 0.0, 0.0, 0, false, day, "")),
              0);
    const ListRow row = rowOf(cashPos);
    EXPECT_EQ(row.texts[LIST_COLUMN_CLOSE], "1500.00");
    EXPECT_EQ(row.texts[LIST_COLUMN_INVESTMENT], "1500.00");
    for (int column : {LIST_COLUMN_LAST_DAY, LIST_COLUMN_LAST, LIST_COLUMN_TIME_FRAME, LIST_COLUMN_UNITS,
                       LIST_COLUMN_INVESTMENT_CHANGE})
        EXPECT_EQ(row.texts[column], "") << column;
    EXPECT_EQ(row.icon, ICON_CASH_ACCOUNT);
    // The history (which the transaction brought up to date) shows no holding of its own.
    const ListRow history = rowOf(historyPos);
    EXPECT_FALSE(history.texts[LIST_COLUMN_CLOSE].empty());
    EXPECT_EQ(history.texts[LIST_COLUMN_INVESTMENT], "");
    EXPECT_EQ(history.texts[LIST_COLUMN_UNITS], "");
}

TEST_F(ListRowTest, IconsAndStatusColours) {
    const OleDate before(2024, 5, 14, 9, 0, 0);
    const OleDate latest(2024, 5, 15, 9, 0, 0);
    struct Case {
        const char* what;
        double close; // latest close; the one before is 100 (none: a single quotation)
        bool single;
        void (*alarm)(CWPapier&);
        int icon;
        std::optional<std::uint32_t> colour;
    };
    const Case cases[] = {
        {"fallen", 90.0, false, [](CWPapier&) {}, ICON_FALLEN, kFallenColor},
        {"risen", 110.0, false, [](CWPapier&) {}, ICON_RISEN, kRisenColor},
        {"unchanged", 100.0, false, [](CWPapier&) {}, ICON_UNCHANGED, std::nullopt},
        {"single", 100.0, true, [](CWPapier&) {}, ICON_UNCHANGED, std::nullopt},
        {"above", 110.0, false,
         [](CWPapier& i) {
             i.m_bAlarmAbove = 1;
             i.m_dAlarmAbove = 105.0;
         },
         ICON_ALARM_RISEN, kRisenColor},
        {"below", 90.0, false,
         [](CWPapier& i) {
             i.m_bAlarmBelow = 1;
             i.m_dAlarmBelow = 95.0;
         },
         ICON_ALARM_FALLEN, kFallenColor},
        {"single above", 100.0, true,
         [](CWPapier& i) {
             i.m_bAlarmAbove = 1;
             i.m_dAlarmAbove = 50.0;
         },
         ICON_ALARM, std::nullopt},
        {"break-even crossed", 110.0, false,
         [](CWPapier& i) {
             i.m_bAlarmBreakEven = 1;
             i.m_dBreakEven = 100.0;
             i.m_dAlarmBreakEvenPercent = 5.0;
         },
         ICON_ALARM_RISEN, kRisenColor},
        {"break-even within", 104.0, false,
         [](CWPapier& i) {
             i.m_bAlarmBreakEven = 1;
             i.m_dBreakEven = 100.0;
             i.m_dAlarmBreakEvenPercent = -5.0;
         },
         ICON_RISEN, kRisenColor},
        // A close exactly at a limit raises no alarm.
        {"at the upper limit", 110.0, false,
         [](CWPapier& i) {
             i.m_bAlarmAbove = 1;
             i.m_dAlarmAbove = 110.0;
         },
         ICON_RISEN, kRisenColor},
        {"at the lower limit", 90.0, false,
         [](CWPapier& i) {
             i.m_bAlarmBelow = 1;
             i.m_dAlarmBelow = 90.0;
         },
         ICON_FALLEN, kFallenColor},
        {"break-even at the limit", 125.0, false,
         [](CWPapier& i) {
             i.m_bAlarmBreakEven = 1;
             i.m_dBreakEven = 100.0;
             i.m_dAlarmBreakEvenPercent = 25.0;
         },
         ICON_RISEN, kRisenColor},
        // No break-even: no alarm (the quotient would be infinite).
        {"break-even 0", 110.0, false,
         [](CWPapier& i) {
             i.m_bAlarmBreakEven = 1;
             i.m_dBreakEven = 0.0;
             i.m_dAlarmBreakEvenPercent = 5.0;
         },
         ICON_RISEN, kRisenColor},
    };
    for (const Case& c : cases) {
        const ItemPos pos =
            c.single ? addItem(c.what, {{latest, c.close}}) : addItem(c.what, {{before, 100.0}, {latest, c.close}});
        c.alarm(item(pos));
        EXPECT_EQ(rowOf(pos).icon, c.icon) << c.what;
        EXPECT_EQ(GetItemStatusColor(doc.get(), pos, now), c.colour) << c.what;
    }
}

TEST_F(ListRowTest, DrawingQuestionsAndTheirErrors) {
    const ItemPos pos = addItem("Plain", {});
    item(pos).m_crColor = listRgb(1, 2, 3);
    EXPECT_EQ(GetItemColor(doc.get(), pos), listRgb(1, 2, 3));
    EXPECT_TRUE(IsItemTypeBold(doc.get(), historyPos));
    EXPECT_FALSE(IsItemTypeBold(doc.get(), cashPos));
    EXPECT_TRUE(IsItemTypeDarkBackground(doc.get(), historyPos));
    EXPECT_TRUE(IsItemTypeDarkBackground(doc.get(), cashPos));
    EXPECT_FALSE(IsItemTypeDarkBackground(doc.get(), pos));
    EXPECT_EQ(GetItemStatusColor(doc.get(), cashPos, now), std::nullopt);

    testsupport::LogCapture log;
    const ItemPos gone = pos + 1000;
    EXPECT_EQ(GetItemColor(doc.get(), kNoItemPos), kMissingItemColor);
    EXPECT_EQ(GetItemColor(doc.get(), gone), kMissingItemColor);
    EXPECT_FALSE(IsItemTypeBold(doc.get(), gone));
    EXPECT_FALSE(IsItemTypeDarkBackground(nullptr, pos));
    EXPECT_EQ(GetItemStatusColor(doc.get(), gone, now), std::nullopt);
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  "GetItemColor Error: either lParam == NULL or m_WPList.IsEmpty()",
                                  "GetItemColor Error: pWP == NULL",
                                  "IsItemTypeBold Error: pWP == NULL",
                                  "IsItemTypeDarkBackground Error: either lParam == NULL or m_WPList.IsEmpty()",
                                  "GetItemStatusColor Error: pWP == NULL",
                              }));
}

TEST_F(ListRowTest, TextsAreNotCutInsideACharacter) {
    // A long name is shown whole.
    std::string name;
    for (int i = 0; i < 300; ++i)
        name += "\xC3\xA9"; // é
    const ItemPos named = addItem(name, {{OleDate(2024, 5, 15, 9, 0, 0), 1e300}});
    const ListRow row = rowOf(named);
    EXPECT_EQ(row.texts[LIST_COLUMN_NAME], name);
    // A formatted text is cut at 254 bytes, and never inside a character.
    EXPECT_EQ(row.texts[LIST_COLUMN_CLOSE].size(), kMaxFormattedCellBytes);
    EXPECT_EQ(formattedCellText(std::string(253, 'x') + "\xE2\x82\xAC"), std::string(253, 'x'));
    EXPECT_EQ(formattedCellText(std::string(251, 'x') + "\xE2\x82\xAC!"), std::string(251, 'x') + "\xE2\x82\xAC");
}

TEST_F(ListRowTest, RefreshReportsChangesAndWhenToSort) {
    const ItemPos pos =
        addItem("Alpha", {{OleDate(2024, 5, 14, 9, 0, 0), 100.0}, {OleDate(2024, 5, 15, 9, 0, 0), 110.0}});
    const ListRowContext context{now, 2, true, 365};
    testsupport::LogCapture log;

    const ListRowUpdate added = UpdateItemRow(nullptr, item(pos), context, LIST_COLUMN_NAME);
    EXPECT_TRUE(added.resortDue);
    EXPECT_EQ(added.changedCells, (1u << kListColumnCount) - 1);
    EXPECT_TRUE(log.contains(LOG_LEVEL_DEBUG, "Adding 'Alpha' to ListView..."));

    const ListRowUpdate same = UpdateItemRow(&added.row, item(pos), context, LIST_COLUMN_CLOSE);
    EXPECT_FALSE(same.resortDue);
    EXPECT_EQ(same.changedCells, 0);
    EXPECT_FALSE(same.iconChanged);
    EXPECT_TRUE(log.contains(LOG_LEVEL_DEBUG, "Updating 'Alpha' in ListView..."));

    // A changed category sorts again only when the list is sorted by it.
    item(pos).m_strCategory = "Funds";
    for (int sortColumn : {LIST_COLUMN_NAME, LIST_COLUMN_CATEGORY}) {
        const ListRowUpdate u = UpdateItemRow(&added.row, item(pos), context, sortColumn);
        EXPECT_EQ(u.changedCells, 1u << LIST_COLUMN_CATEGORY);
        EXPECT_EQ(u.resortDue, sortColumn == LIST_COLUMN_CATEGORY);
    }
    // A new name always sorts again.
    item(pos).m_strName = "Beta";
    EXPECT_TRUE(UpdateItemRow(&added.row, item(pos), context, LIST_COLUMN_CLOSE).resortDue);
    // A fallen close changes the icon and sorts a list sorted by the close.
    item(pos).AddQuotation(CKurs(OleDate(2024, 5, 15, 9, 30, 0), 90.0), false);
    const ListRowUpdate fallen = UpdateItemRow(&same.row, item(pos), context, LIST_COLUMN_CLOSE);
    EXPECT_TRUE(fallen.iconChanged);
    EXPECT_EQ(fallen.row.icon, ICON_FALLEN);
    EXPECT_TRUE(fallen.changedCells & (1u << LIST_COLUMN_CLOSE));
    EXPECT_TRUE(fallen.resortDue);
}

} // namespace
