#include "portfolio/WPapierDoc.h"
#include "retrieval/download.h"
#include "support/FakePortfolioHost.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A portfolio of a security quoted in dollars, converting by its exchange-rate item, shown in the
// list view, whose message boxes and file dialogs the test answers.
class ListViewTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        boxes = services->boxes;
        dialogs = services->files;
        doc = std::make_unique<CWPapierDoc>(&host);
        auto rateItem = std::make_unique<CWPapier>();
        rateItem->m_strName = "USD/EUR";
        rateItem->m_strSymbol = "USDEUR";
        rate = rateItem.get();
        ratePos = doc->AddItem(std::move(rateItem));
        auto stockItem = std::make_unique<CWPapier>();
        stockItem->m_strName = "Northwind";
        stockItem->m_strSymbol = "NWC";
        stock = stockItem.get();
        stockPos = doc->AddItem(std::move(stockItem));
        view = std::make_unique<CWPapierLView>();
        view->setServices(services->bundle());
        view->attachDocument(doc.get());
        view->OnInitialUpdate();
        view->flush();
    }
    void TearDown() override {
        view.reset();
        doc.reset();
        services.reset();
        TempDirTest::TearDown();
    }

    static std::unique_ptr<DownloadStatus> finalReport(ItemPos pos, int status, int jobId = 0) {
        auto r = std::make_unique<DownloadStatus>();
        r->m_nJobId = jobId;
        r->m_posItem = pos;
        r->m_nStatus = status;
        r->m_szName = "Northwind";
        r->m_szURL = "http://quotes.example/nwc";
        r->m_szMessage = "connection reset";
        r->m_szPreview = "Price: n/a";
        return r;
    }
    static std::unique_ptr<CKurs> quotation(double close) {
        return std::make_unique<CKurs>(OleDate(2024, 5, 17, 18, 0, 0), close);
    }

    testsupport::FakePortfolioHost host;
    std::unique_ptr<testsupport::FakeServices> services;
    std::shared_ptr<testsupport::FakeMessageBoxes> boxes;
    std::shared_ptr<testsupport::FakeFileDialogs> dialogs;
    std::unique_ptr<CWPapierDoc> doc;
    std::unique_ptr<CWPapierLView> view;
    CWPapier* rate = nullptr;
    CWPapier* stock = nullptr;
    ItemPos ratePos = 0;
    ItemPos stockPos = 0;
};

TEST_F(ListViewTest, RowsShowTheItemsAndFollowAChangedItem) {
    ASSERT_EQ(view->model().rowCount(), 2);
    EXPECT_EQ(view->cellText(stockPos, LIST_COLUMN_NAME), "Northwind");
    EXPECT_TRUE(view->cellText(stockPos, LIST_COLUMN_CLOSE).isEmpty());
    stock->AddQuotation(CKurs(OleDate(2024, 5, 17, 18, 0, 0), 50.5), false);
    view->OnUpdate(nullptr, stockPos);
    EXPECT_TRUE(view->cellText(stockPos, LIST_COLUMN_CLOSE).isEmpty()); // shown at the flush
    view->flush();
    EXPECT_EQ(view->cellText(stockPos, LIST_COLUMN_CLOSE), "50.50");
}

TEST_F(ListViewTest, AFoundQuotationGoesToTheItemAndEndsItsDownload) {
    doc->SetDownloadInProgress(stockPos);
    auto r = finalReport(stockPos, DOWNLOAD_FINISHED);
    r->m_pKurs = quotation(50.5);
    view->OnDownloadStatus(std::move(r));
    EXPECT_FALSE(doc->IsDownloadInProgress(stockPos));
    ASSERT_EQ(stock->GetQuotationCount(), 1);
    EXPECT_DOUBLE_EQ(stock->GetQuotationAt(0)->m_dClose, 50.5);
    view->flush();
    EXPECT_EQ(view->cellText(stockPos, LIST_COLUMN_CLOSE), "50.50");
    EXPECT_TRUE(boxes->texts().empty());
}

TEST_F(ListViewTest, FailedDownloadsOnlyEndTheItemsDownload) {
    for (const int status :
         {DOWNLOAD_NOT_FOUND, DOWNLOAD_INVALID_VALUE, DOWNLOAD_TEXT_NOT_FOUND, DOWNLOAD_ERROR, DOWNLOAD_ABORTED}) {
        SCOPED_TRACE(status);
        doc->SetDownloadInProgress(stockPos);
        view->OnDownloadStatus(finalReport(stockPos, status));
        EXPECT_FALSE(doc->IsDownloadInProgress(stockPos));
    }
    EXPECT_EQ(stock->GetQuotationCount(), 0);
    EXPECT_TRUE(boxes->texts().empty());
}

TEST_F(ListViewTest, ReportsThatAreNotFinalChangeNothing) {
    doc->SetDownloadInProgress(stockPos);
    for (const int status : {int(DOWNLOAD_INITIALIZED), int(DOWNLOAD_AWAITING), 14}) {
        auto r = finalReport(stockPos, status);
        r->m_pKurs = quotation(1.0);
        view->OnDownloadStatus(std::move(r));
    }
    view->OnDownloadStatus(nullptr);
    EXPECT_TRUE(doc->IsDownloadInProgress(stockPos));
    EXPECT_EQ(stock->GetQuotationCount(), 0);
}

TEST_F(ListViewTest, TestResultsAreShownAndNeverChangeTheDocument) {
    stock->m_bConvertCurrency = true;
    stock->m_pCurrencyItem = rate;
    doc->SetDownloadInProgress(stockPos);

    // Without an exchange-rate quotation the factor is 0.
    auto r = finalReport(stockPos, DOWNLOAD_FINISHED, 1);
    r->m_pKurs = quotation(50.0);
    view->OnDownloadStatus(std::move(r));
    rate->AddQuotation(CKurs(OleDate(2024, 5, 16, 18, 0, 0), 0.92), false);
    r = finalReport(stockPos, DOWNLOAD_FINISHED, 1);
    r->m_pKurs = quotation(50.0);
    view->OnDownloadStatus(std::move(r));
    view->OnDownloadStatus(finalReport(stockPos, DOWNLOAD_NOT_FOUND, 1));
    view->OnDownloadStatus(finalReport(stockPos, DOWNLOAD_ERROR, 1));
    stock->m_bConvertCurrency = false;
    r = finalReport(stockPos, DOWNLOAD_FINISHED, 1);
    r->m_pKurs = quotation(50.0);
    view->OnDownloadStatus(std::move(r));

    const std::string when = "05/17/24 18:00:00"; // the user's short date and time (the C locale's)
    const auto texts = boxes->texts();
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "Quotation for 'Northwind':\nValue: 50.0000 x (Currency: 0.0000) = 0.0000\nDate/Time: " + when);
    EXPECT_EQ(texts[1],
              "Quotation for 'Northwind':\nValue: 50.0000 x (Currency: 0.9200) = 46.0000\nDate/Time: " + when);
    EXPECT_EQ(texts[2], "Quotation for 'Northwind' not found!\nPrice: n/a");
    EXPECT_EQ(texts[3], "Download error:\nItem: Northwind\nURL: http://quotes.example/nwc\nconnection reset");
    EXPECT_EQ(texts[4], "Quotation for 'Northwind':\nValue: 50.0000\nDate/Time: " + when);
    EXPECT_TRUE(doc->IsDownloadInProgress(stockPos));
    EXPECT_EQ(stock->GetQuotationCount(), 0);
}

TEST_F(ListViewTest, ExportModeWritesBesideThePortfolioWithoutAsking) {
    host.options.m_bExportMode = true;
    stock->AddQuotation(CKurs(OleDate(2024, 5, 17, 18, 0, 0), 50.5), false);
    doc->SetPathName(path("mine.cvr"));
    EXPECT_TRUE(view->ExportQuotations());
    EXPECT_TRUE(dialogs->asked().empty());
    const std::string csv = testsupport::readFile(path("mine.csv"));
    EXPECT_NE(csv.find("#Symbol; Date; Time; Close; Open; Low; High; Volume"), std::string::npos);
    EXPECT_NE(csv.find("NWC; 2024-05-17; 18:00; 50.5000"), std::string::npos);
}

TEST_F(ListViewTest, OutsideTheExportModeTheUserChoosesTheFile) {
    doc->SetPathName(path("mine.cvr"));
    EXPECT_FALSE(view->ExportQuotations()); // cancelled
    ASSERT_EQ(dialogs->asked().size(), 1u);
    EXPECT_TRUE(dialogs->asked()[0].save);
    EXPECT_EQ(dialogs->asked()[0].request.initial, path("mine.csv"));
    EXPECT_EQ(dialogs->asked()[0].request.defaultExtension, "csv");
    EXPECT_FALSE(std::filesystem::exists(path("mine.csv")));

    dialogs->choose({path("chosen.csv")});
    EXPECT_TRUE(view->ExportQuotations());
    EXPECT_TRUE(std::filesystem::exists(path("chosen.csv")));
}

} // namespace
