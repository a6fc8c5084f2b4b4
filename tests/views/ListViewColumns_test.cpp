#include "platform/Settings.h"
#include "support/TestEnv.h"
#include "views/wpapierlviewColumns.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using Widths = std::array<int, kListColumnCount>;
constexpr Widths kStandard{254, 75, 121, 83, 67, 70, 50, 129, 143, 113, 78, 75, 75};

class ListViewSettingsTest : public testsupport::TempDirTest {
protected:
    SettingsStore store() const { return SettingsStore(path("Corvana.conf")); }
};

TEST_F(ListViewSettingsTest, NothingStoredGivesTheDefaults) {
    const ListViewOptions o = loadListViewOptions(store());
    EXPECT_EQ(o, ListViewOptions{});
    EXPECT_EQ(joinColumnNumbers(o.m_nColumnWidth), "245,0,130,87,75,82,127,0,153,71,94,100,75");
    EXPECT_EQ(o.m_nSortColumn, 0);
    EXPECT_TRUE(o.m_bSortReverse);
    EXPECT_TRUE(o.m_bProcentualValue);
    EXPECT_EQ(o.m_nDecimalCases, 2);
    EXPECT_EQ(o.m_nTimeFrameDays, 365);
    EXPECT_FALSE(o.isShown(LIST_COLUMN_CATEGORY));
    EXPECT_FALSE(o.isShown(LIST_COLUMN_LAST));
}

TEST(ListColumnWidths, StoredTextsAreChecked) {
    struct Case {
        const char* text;
        Widths widths;
    };
    const Case cases[] = {
        {"", kStandard},
        {"10,20,30,40,50", {10, 20, 30, 40, 50, 70, 50, 129, 143, 113, 78, 75, 75}},
        {"abc,12px,,7", {0, 12, 0, 7, 67, 70, 50, 129, 143, 113, 78, 75, 75}},
        // Negative, too large and overflowing widths are damage: the standard width.
        {"-5,2001,2000,0,99999999999999999999", {254, 75, 2000, 0, 67, 70, 50, 129, 143, 113, 78, 75, 75}},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseColumnWidths(c.text), c.widths) << c.text;
}

TEST(ListColumnOrder, OnlyPermutationsAreTaken) {
    using Order = std::array<int, kListColumnCount>;
    const Order identity{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    struct Case {
        const char* text;
        Order order;
    };
    const Case cases[] = {
        {"12,11,10,9,8,7,6,5,4,3,2,1,0", {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {"2,0,1", {2, 0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}, // missing tokens take their place
        {"", identity},
        {"0,0,1,2,3,4,5,6,7,8,9,10,11", identity},
        {"13,1,2,3,4,5,6,7,8,9,10,11,0", identity},
        {"-1,1,2", identity},
        {"1,2", identity}, // 1 and 2 twice
        {"x,y", identity},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseColumnOrder(c.text), c.order) << c.text;
}

TEST_F(ListViewSettingsTest, StoredNumbersAreHeldInRange) {
    struct Case {
        int sortColumn, decimals;
        int wantSort, wantDecimals;
    };
    const Case cases[] = {{12, 6, 12, 6}, {13, 7, 0, 6}, {-1, -3, 0, 0}, {4, 0, 4, 0}};
    for (const Case& c : cases) {
        SettingsStore s = store();
        s.writeInt(kListViewSection, "SortColumn", c.sortColumn);
        s.writeInt(kListViewSection, "DecimalCases", c.decimals);
        s.writeInt(kListViewSection, "SortReverse", 0);
        s.writeInt(kListViewSection, "ProcentualValue", 5);
        s.writeInt(kListViewSection, "TimeFrameDays", 0);
        const ListViewOptions o = loadListViewOptions(s);
        EXPECT_EQ(o.m_nSortColumn, c.wantSort) << c.sortColumn;
        EXPECT_EQ(o.m_nDecimalCases, c.wantDecimals) << c.decimals;
        EXPECT_FALSE(o.m_bSortReverse);
        EXPECT_TRUE(o.m_bProcentualValue);
        EXPECT_EQ(o.m_nTimeFrameDays, 0); // taken as stored
    }
}

TEST_F(ListViewSettingsTest, EmptyWidthStringGivesStandardWidths) {
    SettingsStore s = store();
    s.writeString(kListViewSection, "ColumnsXWidth", "");
    EXPECT_EQ(loadListViewOptions(s).m_nColumnWidth, kStandard);
}

TEST_F(ListViewSettingsTest, SavedValuesReadBack) {
    ListViewOptions o;
    o.m_nColumnWidth = {300, 75, 0, 83, 67, 70, 50, 129, 143, 113, 78, 75, 0};
    o.m_nColumnOrder = {1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 12, 11, 10};
    o.m_nSortColumn = 8;
    o.m_bSortReverse = false;
    o.m_bProcentualValue = false;
    o.m_nDecimalCases = 4;
    o.m_nTimeFrameDays = -1;
    SettingsStore s = store();
    saveListViewOptions(s, o);
    EXPECT_EQ(s.readString(kListViewSection, "ColumnsXWidth"), "300,75,0,83,67,70,50,129,143,113,78,75,0");
    EXPECT_EQ(s.readString(kListViewSection, "ColumnsXOrder"), "1,0,2,3,4,5,6,7,8,9,12,11,10");
    EXPECT_EQ(s.readInt(kListViewSection, "SortReverse", 7), 0);
    EXPECT_EQ(loadListViewOptions(s), o);
}

TEST(ListColumnCommands, ShowingAgainUsesTheStandardWidth) {
    ListViewOptions o;
    OnToggleColumn(o, LIST_COLUMN_LAST); // hidden by default
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_LAST], 129);
    EXPECT_TRUE(isToggleColumnChecked(o, LIST_COLUMN_LAST));
    OnToggleColumn(o, LIST_COLUMN_USER_VALUE);
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_USER_VALUE], 0);
    EXPECT_FALSE(isToggleColumnChecked(o, LIST_COLUMN_USER_VALUE));
    OnToggleColumn(o, LIST_COLUMN_USER_VALUE);
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_USER_VALUE], 75);
    o.m_nColumnWidth[LIST_COLUMN_NAME] = 400;
    OnToggleColumn(o, LIST_COLUMN_NAME);
    OnToggleColumn(o, LIST_COLUMN_NAME);
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_NAME], 254);
    EXPECT_EQ(columnOfToggleCommand(ID_COLUMN_INVESTMENT_CHANGE), LIST_COLUMN_INVESTMENT_CHANGE);
    EXPECT_EQ(columnOfToggleCommand(0), std::nullopt);
}

TEST(ListColumnCommands, TimeFrames) {
    const auto twoYears = timeFrameOfCommand(32920);
    ASSERT_TRUE(twoYears);
    EXPECT_EQ(twoYears->days, 730);
    EXPECT_EQ(timeFrameOfCommand(ID_TIMEFRAME_LAST)->days, -1);
    EXPECT_FALSE(timeFrameOfCommand(ID_TIMEFRAME_LAST + 1));

    ListViewOptions o;
    o.m_nColumnWidth[LIST_COLUMN_TIME_FRAME] = 160;
    EXPECT_TRUE(OnTimeFrame(o, 730)); // another time frame: taken, rebuilt
    EXPECT_EQ(o.m_nTimeFrameDays, 730);
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_TIME_FRAME], 160);
    EXPECT_TRUE(isTimeFrameChecked(o, 730));
    EXPECT_FALSE(OnTimeFrame(o, 730)); // "2 Years" again hides the column
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_TIME_FRAME], 0);
    EXPECT_FALSE(isTimeFrameChecked(o, 730));
    EXPECT_TRUE(OnTimeFrame(o, 365)); // "1 Year" shows it again
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_TIME_FRAME], 143);
    EXPECT_EQ(o.m_nTimeFrameDays, 365);
    o.m_nColumnWidth[LIST_COLUMN_TIME_FRAME] = 0;
    EXPECT_TRUE(OnTimeFrame(o, 365)); // hidden: shown even for the same time frame
    EXPECT_EQ(o.m_nColumnWidth[LIST_COLUMN_TIME_FRAME], 143);
}

} // namespace
