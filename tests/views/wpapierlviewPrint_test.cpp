#include "portfolio/WPapierItem.h"
#include "support/TestEnv.h"
#include "views/wpapierlviewPrint.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintPagination, PagesOfTheLegend) {
    // A 1000-unit page, "M" 40 high in the title font (header 100) and 30 in the legend font
    // (entries int(117) apart): 7 entries per page.
    EXPECT_EQ(legendEntriesPerPage(1000, 40, 30), 7);
    struct Case {
        int items, perPage, pages;
    };
    const Case cases[] = {{0, 4, 1}, {1, 4, 1}, {9, 4, 4}, {8, 4, 3}, {2, 7, 2}, {9, 1, 10}};
    for (const Case& c : cases)
        EXPECT_EQ(printPageCount(c.items, c.perPage), c.pages) << c.items << " / " << c.perPage;
    // A page too small for one entry, or a legend font of no height, still prints one per page.
    EXPECT_EQ(legendEntriesPerPage(50, 40, 30), 1);
    EXPECT_EQ(legendEntriesPerPage(1000, 40, 0), 1);
    EXPECT_EQ(printPageCount(3, 0), 4);
}

TEST(PrintPagination, EntriesOfEachLegendPage) {
    // 9 items, 4 per page: pages 2, 3 and 4 hold 4, 4 and 1 entries; page 5 only its header.
    const QSize page(2000, 600); // (600 - 100) / 117: room for 4 entries
    const int counts[] = {4, 4, 1, 0};
    for (int p = 2; p <= 5; ++p) {
        const LegendPageLayout layout = layoutLegendPage(p, 9, page, 40, 20, 30);
        EXPECT_EQ(layout.headerAt, QPoint(1000, 40));
        ASSERT_EQ(static_cast<int>(layout.entries.size()), counts[p - 2]) << p;
        if (!layout.entries.empty()) {
            EXPECT_EQ(layout.entries.front().item, 4 * (p - 2));
        }
    }
    const LegendPageLayout first = layoutLegendPage(2, 9, page, 40, 20, 30);
    const LegendEntryLayout& e0 = first.entries[0];
    EXPECT_EQ(e0.bullet, (ChartRect{20, 103, 40, 127})); // y = 100: 100 + int(3), int(27 + 100)
    EXPECT_EQ(e0.line1, QPoint(80, 100));
    EXPECT_EQ(e0.line2, QPoint(80, 136));
    EXPECT_EQ(e0.line3, QPoint(80, 172));
    EXPECT_EQ(first.entries[1].line1, QPoint(80, 217));
}

class LegendTextTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::setTimeZone("UTC"); }
    void TearDown() override { testsupport::setTimeZone("Europe/Berlin"); }
};

TEST_F(LegendTextTest, LinesOfAnEntry) {
    CWPapier item;
    item.m_strName = "Northwind";
    item.m_strSymbol = "NWC";
    item.AddQuotation(CKurs(OleDate(2023, 1, 1, 0, 0, 0), 100.0), false);
    item.AddQuotation(CKurs(OleDate(2023, 6, 1, 0, 0, 0), 90.0), false);
    item.AddQuotation(CKurs(OleDate(2023, 6, 2, 0, 0, 0), 99.0), false);
    item.m_dUnits = 10.0;
    item.m_dBreakEven = 80.0;
    const OleDate now(2023, 6, 3, 12, 0, 0);
    const LegendFigures f = legendFigures(item, now);
    EXPECT_EQ(legendHeader("depot.cvr", now), "depot.cvr - 06/03/23 12:00");
    EXPECT_EQ(legendLine1(f), "Northwind - NWC");
    EXPECT_EQ(legendLine2(f), "Last Update 06/02/23 00:00 : 99.0000      +- Time Frame: 990.00 (+23.75%)");
    EXPECT_EQ(legendLine3(f),
              "Low: 90.0000     High: 100.0000      +- Last Day: +10.00% (1 Days)     +- Last: -1.00% (152 Days)");

    CWPapier empty;
    empty.m_strName = "Empty";
    empty.m_dUnits = 5.0;
    const LegendFigures none = legendFigures(empty, now);
    EXPECT_EQ(legendLine2(none), "Last Update 01/23/75 00:00 : 0.0000      +- Time Frame: 0.00");
    EXPECT_EQ(legendLine3(none),
              "Low: 0.0000     High: 0.0000      +- Last Day: +0.00% (0 Days)     +- Last: +0.00% (0 Days)");
}

} // namespace
