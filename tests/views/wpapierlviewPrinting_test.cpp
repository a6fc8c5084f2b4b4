#include "controls/WinGdi.h"
#include "support/FakeServices.h"
#include "support/PdfTools.h"
#include "support/Renderings.h"
#include "views/ListViewDocFixture.h"
#include "views/wpapierlviewPrint.h"
#include "views/wpapierlviewPrinting.h"

#include <QImage>
#include <QPainter>
#include <QPageLayout>
#include <QPrinter>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;

using testsupport::pdfInfo;
using testsupport::pdfText;
using testsupport::PdfInfo;

class PrintingTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.ini"));
        doc->SetTitle("depot.cvr");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf().string()));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setResolution(600);
    }
    void TearDown() override {
        services.reset();
        ListViewDocTest::TearDown();
    }

    std::filesystem::path pdf() const { return path("report.pdf"); }

    ItemPos daily(const std::string& name, const std::string& symbol, int count) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_strSymbol = symbol;
        item->m_crColor = RGB(20 * static_cast<int>(name.size()), 90, 160);
        item->m_bGrid = 1;
        for (int i = 0; i < count; ++i)
            item->AddQuotation(CKurs(OleDate(OleDate(2023, 11, 1, 0, 0, 0).m_dt + i), 40.0 + (i % 5) - (i % 4)), false);
        return doc->AddItem(std::move(item));
    }

    PrintSelection selection(std::vector<ItemPos> items) const {
        PrintSelection s;
        s.doc = doc.get();
        s.items = std::move(items);
        return s;
    }

    std::unique_ptr<testsupport::FakeServices> services;
    QPrinter printer{QPrinter::HighResolution};
};

TEST_F(PrintingTest, OneItemPrintsItsChartOnOneLandscapePage) {
    services->printing->answer({true});
    ASSERT_TRUE(runPrintCommand(PrintCommand::Print, selection({daily("Alpha", "ALP", 120)}), services->bundle(), printer));
    EXPECT_EQ(services->printing->asked(), std::vector<PrintDialogKind>{PrintDialogKind::Print});
    ASSERT_TRUE(std::filesystem::exists(pdf()));
    EXPECT_GT(std::filesystem::file_size(pdf()), 1000u);
    const PdfInfo info = pdfInfo(pdf());
    EXPECT_EQ(info.pages, 1);
    EXPECT_GT(info.width, info.height); // landscape
    const QString text = pdfText(pdf());
    EXPECT_TRUE(text.contains(QString::fromStdString("Alpha (" + OleDate(2023, 11, 1, 0, 0, 0).Format("%x"))))
        << text.toStdString();
}

TEST_F(PrintingTest, SeveralItemsPrintTheComparisonAndTheLegendPages) {
    const int perPage = reportEntriesPerPage(printer);
    ASSERT_GE(perPage, 2);
    // Two full legend pages and one more entry: chart + 3 legend pages.
    std::vector<ItemPos> items;
    for (int i = 0; i < 2 * perPage + 1; ++i)
        items.push_back(daily("Item " + std::to_string(i), "S" + std::to_string(i), 30 + i));
    EXPECT_EQ(reportPageCount(printer, items.size()), 4);
    ASSERT_TRUE(runPrintCommand(PrintCommand::PrintDirect, selection(items), services->bundle(), printer));
    EXPECT_TRUE(services->printing->asked().empty()); // no dialog
    EXPECT_EQ(pdfInfo(pdf()).pages, 4);
    const QString text = pdfText(pdf());
    EXPECT_TRUE(text.contains("depot.cvr (")) << text.toStdString(); // the comparison's title
    // The legend's header carries the time of the print job by the services' clock (the fakes'
    // 17 May 2024 12:00), not the time the document's own clock gives.
    EXPECT_TRUE(text.contains("depot.cvr - 05/17/24 12:00")) << text.toStdString();
    EXPECT_TRUE(text.contains("Item 0 - S0"));
    EXPECT_TRUE(text.contains(QString::fromStdString("Item " + std::to_string(2 * perPage) + " - S")));
    EXPECT_TRUE(text.contains("Last Update"));
    EXPECT_EQ(text.count("Last Update"), 2 * perPage + 1);
}

// A selected item of one quotation leaves the printed comparison as the other items make it: the
// title with its dates, and the curves on page 1.
TEST_F(PrintingTest, AnItemOfOneQuotationLeavesTheComparisonOfTheOthers) {
    // A new item after its first update, dated after the others end.
    auto fresh = std::make_unique<CWPapier>();
    fresh->m_strName = "New Item";
    fresh->AddQuotation(CKurs(OleDate(2024, 3, 1, 0, 0, 0), 7.0), false);
    const std::vector<ItemPos> items = {daily("Alpha", "ALP", 90), daily("Beta plc", "BET", 60),
                                        doc->AddItem(std::move(fresh))};
    ASSERT_TRUE(runPrintCommand(PrintCommand::PrintDirect, selection(items), services->bundle(), printer));
    ASSERT_EQ(pdfInfo(pdf()).pages, 2);
    const QString text = pdfText(pdf());
    const std::string range = "depot.cvr (" + OleDate(2023, 11, 1, 0, 0, 0).Format("%x") + "-" +
                              OleDate(OleDate(2023, 11, 1, 0, 0, 0).m_dt + 89).Format("%x") + ")";
    EXPECT_TRUE(text.contains(QString::fromStdString(range))) << text.toStdString();
    // The curves: ink in the middle of the page, where the chart's data area lies.
    const testsupport::PdfPageImage page = testsupport::pdfPage(pdf(), 1);
    ASSERT_GT(page.width, 0);
    EXPECT_GT(page.inked(0.3, 0.3, 0.7, 0.7), 200);
}

TEST_F(PrintingTest, AnItemWithFewerThanTwoQuotationsPrintsItsNameOnly) {
    const ItemPos lone = daily("Lonely", "LON", 1);
    ASSERT_TRUE(runPrintCommand(PrintCommand::PrintDirect, selection({lone}), services->bundle(), printer));
    const QString text = pdfText(pdf()).trimmed();
    EXPECT_EQ(text, "Lonely");
}

TEST_F(PrintingTest, CancelPreviewAndNoSelection) {
    const ItemPos a = daily("Alpha", "ALP", 50);
    // Cancelled: nothing is written.
    services->printing->answer({false});
    EXPECT_FALSE(runPrintCommand(PrintCommand::Print, selection({a}), services->bundle(), printer));
    EXPECT_FALSE(std::filesystem::exists(pdf()));
    // No selection: no dialog and no page.
    EXPECT_FALSE(runPrintCommand(PrintCommand::Print, selection({}), services->bundle(), printer));
    EXPECT_EQ(services->printing->asked().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(pdf()));
    // The preview paints the same pages.
    services->printing->answer({true});
    EXPECT_TRUE(runPrintCommand(PrintCommand::PrintPreview, selection({a, daily("Beta", "BET", 40)}),
                                services->bundle(), printer));
    EXPECT_EQ(services->printing->asked().back(), PrintDialogKind::Preview);
    EXPECT_EQ(pdfInfo(pdf()).pages, 2);
}

TEST_F(PrintingTest, APageTooSmallForOneEntryStillPrintsOnePerPageAndAChartThatDoesNotFitIsLeftOut) {
    QImage page(400, 120, QImage::Format_RGB32);
    page.setDotsPerMeterX(23622); // 600 dpi
    page.setDotsPerMeterY(23622);
    EXPECT_EQ(reportEntriesPerPage(page), 1);
    EXPECT_EQ(reportPageCount(page, 3), 4);
    const PrintSelection s = selection({daily("Alpha", "ALP", 50), daily("Beta", "BET", 40)});
    for (int p = 1; p <= 4; ++p) {
        page.fill(Qt::white);
        QPainter painter(&page);
        printReportPage(painter, s, p);
    }
    // The chart does not fit: the page stays white.
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        printReportPage(painter, s, 1);
    }
    EXPECT_EQ(page.pixelColor(200, 60), QColor(Qt::white));
}

TEST_F(PrintingTest, RenderedChartAndLegendPages) {
    // A small page at screen resolution, to look at.
    QImage page(1100, 780, QImage::Format_RGB32);
    page.setDotsPerMeterX(3780);
    page.setDotsPerMeterY(3780);
    const PrintSelection s = selection({daily("Alpha", "ALP", 90), daily("Beta plc", "BET", 60)});
    for (int p = 1; p <= 2; ++p) {
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            printReportPage(painter, s, p);
        }
        testsupport::saveRendering(page, "page" + std::to_string(p));
        // The title or the header is written at the top.
        int ink = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < page.width(); ++x)
                ink += page.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_GT(ink, 50) << p;
    }
}

} // namespace
