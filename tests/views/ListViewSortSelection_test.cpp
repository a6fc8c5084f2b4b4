#include "ListViewDocFixture.h"
#include "support/LogCapture.h"
#include "views/wpapierlviewSelection.h"
#include "views/wpapierlviewSort.h"
#include "views/wpapierlviewUpdate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;

// ---------------------------------------------------------------- sorting

class ListSortTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        // a: last 30, lowest 10; b: last 25, lowest 20.
        a = addItem("A", {{OleDate(2024, 5, 13, 9, 0, 0), 10.0}, {OleDate(2024, 5, 15, 9, 0, 0), 30.0}});
        b = addItem("B", {{OleDate(2024, 5, 13, 9, 0, 0), 20.0}, {OleDate(2024, 5, 15, 9, 0, 0), 25.0}});
        source = {&mainWindow, &listView, doc.get()};
    }
    int mainWindow = 0;
    int listView = 0;
    ListSortSource source;
    ItemPos a = kNoItemPos;
    ItemPos b = kNoItemPos;
};

TEST_F(ListSortTest, HeaderClicksFlipTheOrderOfOneColumn) {
    ListViewOptions options; // sorted by column 0, reversed
    struct Step {
        int column;
        bool reverse;
        bool aFirst; // the order of a and b after the click
    };
    const Step steps[] = {
        {LIST_COLUMN_CLOSE, false, false}, // ascending: b (25) before a (30)
        {LIST_COLUMN_CLOSE, true, true},
        {LIST_COLUMN_CLOSE, false, false},
        {LIST_COLUMN_LOW, false, true}, // a new column sorts ascending: a (10) before b (20)
    };
    for (const Step& s : steps) {
        OnColumnClick(options, s.column);
        EXPECT_EQ(options.m_nSortColumn, s.column);
        EXPECT_EQ(options.m_bSortReverse, s.reverse);
        EXPECT_EQ(compareRows(a, b, options, source) < 0, s.aFirst);
        EXPECT_EQ(compareRows(b, a, options, source) < 0, !s.aFirst);
    }
}

TEST_F(ListSortTest, WithoutTheListViewNothingIsOrdered) {
    testsupport::LogCapture log;
    EXPECT_EQ(CompareFunc(a, b, LIST_COLUMN_CLOSE, {nullptr, &listView, doc.get()}), 0);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(CompareFunc(a, b, LIST_COLUMN_CLOSE, {&mainWindow, nullptr, doc.get()}), 0);
    EXPECT_EQ(CompareFuncReverse(a, b, LIST_COLUMN_CLOSE, {&mainWindow, nullptr, doc.get()}), 0);
    ASSERT_EQ(log.lines().size(), 2u); // once per comparison
    EXPECT_EQ(log.lines()[0].level, LOG_LEVEL_ERROR);
    EXPECT_EQ(log.lines()[0].message.rfind("CompareFunc pMainWnd.hWnd=", 0), 0u);
    EXPECT_EQ(CompareFunc(a, b, LIST_COLUMN_CLOSE, {&mainWindow, &listView, nullptr}), 0);
}

// A header click reads each row's value once and sorts the keys: the rows must come out exactly
// as a stable sort by the pairwise comparison puts them, ties, missing values, the special items
// and values that do not compare (NaN) included.
TEST_F(ListSortTest, KeyedSortKeepsTheOrderOfThePairwiseComparison) {
    const OleDate day1(2024, 5, 13, 9, 0, 0);
    const OleDate day3(2024, 5, 15, 9, 0, 0);
    const OleDate day3AndABit(day3.m_dt + 0.3 / 86400.0);            // equal to day3 within half a second
    const ItemPos twin = addItem("a", {{day1, 10.0}, {day3, 30.0}}); // A's values, its name in lower case
    addItem("Close", {{day1, 20.0}, {day3AndABit, 30.0}});
    const ItemPos empty = addItem("Empty", {});
    addItem("Single", {{OleDate(2024, 5, 14, 9, 0, 0), 30.0}});
    const ItemPos future = addItem("Future", {{day1, 5.0}, {OleDate(2024, 6, 1, 9, 0, 0), 99.0}});
    const ItemPos seller = addItem("Seller", {{day1, 40.0}, {day3, 20.0}});
    const ItemPos zero = addItem("Zero", {{day1, 0.0}, {day3, 0.0}});
    // Their last change and the year's order one way in amounts and the other in percent
    // (+2 = +20 % against +5 = +5 %).
    const OleDate yearAgo(2023, 5, 15, 9, 0, 0);
    addItem("Tenfold", {{yearAgo, 10.0}, {OleDate(2024, 5, 14, 9, 0, 0), 10.0}, {day3, 12.0}});
    addItem("Hundredfold", {{yearAgo, 100.0}, {OleDate(2024, 5, 14, 9, 0, 0), 100.0}, {day3, 105.0}});
    buy(a, 10.0, 20.0);
    buy(twin, 10.0, 20.0);
    buy(future, 3.0, 5.0);
    item(seller).AddTransaction(CTransaction(CTransaction::kSell, day1, 2.0, 40.0, 0.0, 0, false, day1, ""));
    buy(zero, 4.0, 1.0);
    const std::pair<ItemPos, const char*> formulas[] = {{a, "x*2"},     {twin, "X*2"},   {b, "x/10"},
                                                        {empty, "x*2"}, {seller, "0/0"}, {zero, "x+1"}};
    for (const auto& [pos, formula] : formulas) {
        item(pos).m_strFormula = formula;
        item(pos).m_pFormulaItemX = &item(pos);
    }
    double nan = 0.0;
    std::string text;
    ASSERT_TRUE(item(seller).GetUserDefinedValue(nan, text, ""));
    ASSERT_TRUE(std::isnan(nan));

    // The document's order, and the same rows turned round.
    std::vector<ItemPos> documentOrder;
    for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
        const ItemPos at = pos;
        doc->GetNextItem(pos);
        documentOrder.push_back(at);
    }
    ASSERT_EQ(documentOrder.size(), 13u);
    const std::vector<ItemPos> turned(documentOrder.rbegin(), documentOrder.rend());
    // An item that went away leaves its row with no key until the rows are rebuilt.
    std::vector<ItemPos> withGone = documentOrder;
    withGone.insert(withGone.begin() + 3, static_cast<ItemPos>(999999));
    const std::vector<ItemPos>* const starts[] = {&documentOrder, &turned, &withGone};

    for (const ListViewSettings settings :
         {ListViewSettings{true, 365}, ListViewSettings{false, 30}, ListViewSettings{true, -1}}) {
        host.listView = settings;
        for (int column = 0; column < kListColumnCount; ++column) {
            for (const bool reverse : {false, true}) {
                for (const std::vector<ItemPos>* start : starts) {
                    SCOPED_TRACE(testing::Message() << "column " << column << (reverse ? " reversed" : "")
                                                    << (settings.m_bProcentualValue ? " percent" : " amount")
                                                    << " days " << settings.m_nTimeFrameDays);
                    ListViewOptions options;
                    options.m_nSortColumn = column;
                    options.m_bSortReverse = reverse;
                    std::vector<ItemPos> expected = *start;
                    std::stable_sort(expected.begin(), expected.end(),
                                     [&](ItemPos x, ItemPos y) { return compareRows(x, y, options, source) < 0; });
                    std::vector<ItemPos> sorted = *start;
                    sortRows(sorted, options, source);
                    EXPECT_EQ(sorted, expected);
                }
            }
        }
    }
}

TEST_F(ListSortTest, KeyedSortWithoutTheListViewKeepsTheOrderAndLogsEachComparison) {
    ListViewOptions options;
    options.m_nSortColumn = LIST_COLUMN_CLOSE;
    options.m_bSortReverse = false;
    const std::vector<ItemPos> start = {a, b}; // b sorts first by its close
    for (const ListSortSource& lacking :
         {ListSortSource{nullptr, &listView, doc.get()}, ListSortSource{&mainWindow, nullptr, doc.get()},
          ListSortSource{&mainWindow, &listView, nullptr}}) {
        testsupport::LogCapture log;
        std::vector<ItemPos> sorted = start;
        sortRows(sorted, options, lacking);
        EXPECT_EQ(sorted, start);
        EXPECT_EQ(log.lines().size(), lacking.mainWindow && !lacking.listView ? 1u : 0u);
    }
}

// ---------------------------------------------------------------- selection

class ListSelectionTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        held = addItem("Held", {{OleDate(2024, 5, 14, 9, 0, 0), 100.0}, {OleDate(2024, 5, 15, 9, 0, 0), 110.0}});
        buy(held, 10.0, 100.0); // worth 1100 now
        bare = addItem("Bare", {{OleDate(2024, 5, 15, 9, 0, 0), 50.0}});
    }
    SelectionCheck check(ItemPos focused, std::vector<ItemPos> selected) {
        const bool focusedSelected = std::find(selected.begin(), selected.end(), focused) != selected.end();
        return OnSelectionChanged(selection, {focused, focusedSelected, std::move(selected)}, *doc, now);
    }
    ListSelection selection;
    ItemPos held = kNoItemPos;
    ItemPos bare = kNoItemPos;
};

TEST_F(ListSelectionTest, TextsFollowTheSelection) {
    // The history knows the holding: the selection is its whole total.
    doc->UpdateSumInvestValue();
    testsupport::LogCapture log;
    struct Step {
        ItemPos focused;
        std::vector<ItemPos> selected;
        bool changed;
        const char* text;
    };
    const Step steps[] = {
        {held, {held}, true, "Current selection's investment volume: 1100.00 (100.00% of total investment)"},
        {held, {held}, false, ""}, // a click on the focused, selected row changes nothing
        {bare, {bare}, true, "Ready"},
        {bare, {held, bare}, true, "Current selection's investment volume: 1100.00 (100.00% of total investment)"},
        {bare, {}, true, ""},
    };
    for (const Step& s : steps) {
        log.clear();
        const SelectionCheck c = check(s.focused, s.selected);
        EXPECT_EQ(c.changed, s.changed) << s.text;
        EXPECT_EQ(c.text, s.text);
        EXPECT_EQ(log.contains(LOG_LEVEL_DEBUG,
                               "Modified ListView selection: " + std::to_string(s.selected.size()) + " items selected"),
                  s.changed);
    }
}

TEST_F(ListSelectionTest, ShareOfTheTotal) {
    struct Case {
        double volume, total;
        const char* text;
    };
    const Case cases[] = {
        {550.0, 2200.0, "Current selection's investment volume: 550.00 (25.00% of total investment)"},
        {550.0, 0.0, "Current selection's investment volume: 550.00"}, // never "inf%"
        {550.0, -10.0, "Current selection's investment volume: 550.00"},
        {0.0, 2200.0, "Ready"},
        {-5.0, 2200.0, "Ready"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selectionSumText(c.volume, c.total), c.text) << c.volume << " " << c.total;
}

TEST_F(ListSelectionTest, WithoutHistoryValueTheVolumeStandsAlone) {
    // The holding was bought on the item itself: the history has no value, the total is 0.
    EXPECT_EQ(check(held, {held}).text, "Current selection's investment volume: 1100.00");
}

TEST_F(ListSelectionTest, ChartLeavesTheCashAccountOutOfSeveral) {
    check(held, {cashPos, held, bare});
    EXPECT_EQ(selection.m_SelectedItems, (std::vector<ItemPos>{cashPos, held, bare}));
    EXPECT_EQ(selection.m_ChartItems, (std::vector<ItemPos>{held, bare}));
    EXPECT_EQ(selection.m_posCurrentItem, held);
    EXPECT_TRUE(selection.m_bCurrentItemSelected);
    check(cashPos, {cashPos});
    EXPECT_EQ(selection.m_ChartItems, (std::vector<ItemPos>{cashPos}));
    // A row whose item is gone is not taken.
    check(kNoItemPos, {held + 1000, bare});
    EXPECT_EQ(selection.m_SelectedItems, (std::vector<ItemPos>{bare}));
    EXPECT_FALSE(selection.m_bCurrentItemSelected);

    EXPECT_EQ(newRowSelectionState(selection, bare).selected, true);
    EXPECT_EQ(newRowSelectionState(selection, bare).focused, false);
    EXPECT_EQ(newRowSelectionState(selection, held).selected, false);
    selection.m_posCurrentItem = held;
    EXPECT_EQ(newRowSelectionState(selection, held).focused, true);
    EXPECT_EQ(newRowSelectionState(selection, held).selected, true);
}

// ---------------------------------------------------------------- total investment

TEST(TotalInvestmentText, ByFiguresAndMode) {
    struct Case {
        InvestmentTotals totals;
        const char* percent;
        const char* amount;
    };
    const Case cases[] = {
        {{}, "Total investment: 0.00", "Total investment: 0.00"},
        {{1100.0, true, 100.0, 10.0, false, 0.0, 0.0}, "Total investment: 1100.00", "Total investment: 1100.00"},
        {{1100.0, true, 100.0, 10.0, true, -55.5, -4.8},
         "Total investment: 1100.00 (Last: -4.80%)",
         "Total investment: 1100.00 (Last: -55.50)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(totalInvestmentText(c.totals, true), c.percent);
        EXPECT_EQ(totalInvestmentText(c.totals, false), c.amount);
    }
}

TEST_F(ListSelectionTest, TotalsOfTheHistory) {
    CWPapier& history = item(historyPos);
    history.AddQuotation(CKurs(OleDate(2024, 5, 10, 9, 0, 0), 800.0), false);
    history.AddQuotation(CKurs(OleDate(2024, 5, 11, 9, 0, 0), 0.0), false);
    history.AddQuotation(CKurs(OleDate(2024, 5, 12, 9, 0, 0), 1000.0), false);
    // The holding's value (1100 at 15 May 09:00) is newer than the history's: it is brought up to
    // date first.
    testsupport::LogCapture log;
    const InvestmentTotals t = GetInvestmentTotals(*doc);
    EXPECT_TRUE(
        log.contains(LOG_LEVEL_DEBUG, "Total investment current: 05/15/24 1100.00, latest on list: 05/12/24 1000.00"));
    EXPECT_EQ(t, (InvestmentTotals{1100.0, true, 300.0, 37.5, true, 100.0, 10.0}));

    // A previous value of 0 gives no percentage against it.
    item(held).DeleteAllQuotations();
    history.DeleteQuotation(history.GetQuotationCount() - 1);
    const InvestmentTotals zero = GetInvestmentTotals(*doc);
    EXPECT_EQ(zero.total, 1000.0);
    EXPECT_TRUE(zero.havePrevious);
    EXPECT_EQ(zero.changeSincePrevious, 1000.0);
    EXPECT_EQ(zero.percentSincePrevious, 0.0);
}

TEST_F(ListSelectionTest, NoHistoryValueNoTotals) {
    EXPECT_EQ(GetInvestmentTotals(*doc), InvestmentTotals{});
}

// ---------------------------------------------------------------- update for a date

TEST(UpdateForDate, PresetSkipsTheWeekend) {
    struct Case {
        OleDate now;
        OleDate preset;
    };
    const Case cases[] = {
        {OleDate(2024, 5, 13, 10, 0, 0), OleDate(2024, 5, 10, 20, 0, 0)},  // Monday: the Friday before
        {OleDate(2024, 5, 11, 23, 59, 0), OleDate(2024, 5, 10, 20, 0, 0)}, // Saturday
        {OleDate(2024, 5, 12, 0, 0, 0), OleDate(2024, 5, 10, 20, 0, 0)},   // Sunday
        {OleDate(2024, 5, 14, 8, 0, 0), OleDate(2024, 5, 13, 20, 0, 0)},   // Tuesday: yesterday
        {OleDate(2024, 7, 1, 9, 0, 0), OleDate(2024, 6, 28, 20, 0, 0)},    // across a month
    };
    for (const Case& c : cases) {
        const OleDate preset = updateForDatePreset(c.now);
        EXPECT_TRUE(datesEqual(preset, c.preset)) << c.now.Format("%c") << " -> " << preset.Format("%c");
    }
}

TEST(UpdateForDate, MomentTakesDayAndTimeFromTheirFields) {
    testsupport::LogCapture log;
    OleDate time;
    time.SetTime(14, 35, 0);
    const OleDate moment = updateForDateMoment(OleDate(2024, 5, 10, 20, 0, 0), time);
    EXPECT_TRUE(datesEqual(moment, OleDate(2024, 5, 10, 14, 35, 0)));
    EXPECT_TRUE(log.contains(LOG_LEVEL_DEBUG, "Setting update time to: 05/10/24 14:35"));
}

} // namespace
