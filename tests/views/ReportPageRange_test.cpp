// The pages of the printed report that a page range chooses: never more than the report has, so a
// range past its end prints no blank pages.
#include "support/PdfTools.h"
#include "views/ListViewDocFixture.h"
#include "views/wpapierlviewPrinting.h"

#include <QPageLayout>
#include <QPrinter>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class ReportPageRangeTest : public testsupport::ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        doc->SetTitle("depot.cvr");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setResolution(300);
    }
    QPrinter printer{QPrinter::HighResolution};
};

TEST_F(ReportPageRangeTest, ARangeBeyondTheReportPrintsOnlyThePagesItHas) {
    // The chart and two legend pages: one full, one with a single entry.
    const int perPage = reportEntriesPerPage(printer);
    ASSERT_GE(perPage, 1);
    PrintSelection selection;
    selection.doc = doc.get();
    for (int i = 0; i < perPage + 1; ++i)
        selection.items.push_back(addItem("Item " + std::to_string(i), {{OleDate(2024, 5, 1, 12, 0, 0), 10.0 + i},
                                                                        {OleDate(2024, 5, 14, 12, 0, 0), 11.0 + i}}));
    ASSERT_EQ(reportPageCount(printer, selection.items.size()), 3);

    const struct {
        int from;
        int to;
        int pages;         // in the PDF; 0: nothing printed
        bool chartPrinted; // page 1 among them
    } cases[] = {{1, 9, 3, true}, {2, 9, 2, false}, {3, 3, 1, false}, {1, 2, 2, true}, {4, 9, 0, false}};
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "pages " << c.from << " to " << c.to);
        const std::filesystem::path pdf = path("report" + std::to_string(run++) + ".pdf");
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(c.from, c.to);
        EXPECT_EQ(printReport(printer, selection), c.pages > 0);
        if (c.pages == 0) {
            EXPECT_FALSE(std::filesystem::exists(pdf));
            continue;
        }
        EXPECT_EQ(testsupport::pdfInfo(pdf).pages, c.pages);
        const QString text = testsupport::pdfText(pdf);
        EXPECT_EQ(text.contains("depot.cvr ("), c.chartPrinted) << text.toStdString();
        // Every page printed has something on it.
        EXPECT_EQ(text.split(QChar('\f'), Qt::SkipEmptyParts).size(), c.pages) << text.toStdString();
    }
}

} // namespace
