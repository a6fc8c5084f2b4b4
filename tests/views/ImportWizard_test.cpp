// The import wizard for one item with its real pages, run by the scripted modal runner: a local
// file imported through both pages and the time-frame question into the portfolio, saved and
// opened again; a declined question and "< Back" bring the first page back in a loop; the items
// of a selection each run the wizard once.
#include "views/wpapierlviewImport.h"

#include "dialogs/DlgImportQuotationsInterval.h"
#include "dialogs/ImportDialogIds.h"
#include "retrieval/UpdateFixture.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace downloadtest;

namespace {

template <class W = QWidget> W* child(QDialog& d, unsigned id) {
    W* w = d.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

void click(QDialog& d, unsigned id) {
    QTest::mouseClick(child<QPushButton>(d, id), Qt::LeftButton);
}

// The program's question: the real dialog through the test's services.
class DialogHost : public testsupport::FakePortfolioHost {
public:
    Services services;
    bool askImportInterval(ImportIntervalQuestion& question) override {
        return AskImportIntervalWithDialog(question, services);
    }
};

class ImportWizardTest : public UpdateTest {
protected:
    void SetUp() override {
        UpdateTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        dialogHost.services = services->bundle();
        doc = std::make_unique<CWPapierDoc>(&dialogHost);
        doc->OnNewDocument();
        acme = addItem("Acme", "ACM");
        beta = addItem("Beta", "BET");
        PresetImportSource(pages.source, fixedNow());
        pages.source.m_dtBegin = OleDate(2024, 1, 1, 0, 0, 0);
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        UpdateTest::TearDown();
        services.reset();
    }

    ItemPos addItem(const std::string& name, const std::string& symbol) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_strSymbol = symbol;
        return doc->AddItem(std::move(item));
    }

    static std::vector<std::string> closes(const CWPapierDoc& d, ItemPos pos) {
        std::vector<std::string> out;
        for (const CKurs& k : d.GetQuotationListCopy(pos).value_or(std::vector<CKurs>{}))
            out.push_back(k.m_dtDate.Format("%Y-%m-%d %H:%M ") + std::to_string(k.m_dClose).substr(0, 5));
        return out;
    }

    // The first page's step: the local file `file`, then "Next >".
    void localFileOnFirstPage(const std::filesystem::path& file) {
        services->files->choose({file});
        services->modal->on("dlg_194", [](QDialog& d) {
            auto* radio = child<QRadioButton>(d, IDC_IMPORT_SOURCE_FILE);
            QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
            click(d, IDC_IMPORT_SELECT_FILE);
            click(d, IDC_IMPORT_SOURCE_NEXT);
        });
    }

    // The second page's step: `checks`, then `format` typed, "Next >" until the data is loaded,
    // "Next >" again.
    void downloadOnSecondPage(const std::string& format, std::function<void(QDialog&)> checks = {}) {
        services->modal->on("dlg_3207", [format, checks](QDialog& d) {
            if (checks)
                checks(d);
            auto* edit = child<QComboBox>(d, IDC_IMPORT_DATA_FORMAT)->lineEdit();
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromStdString(format));
            click(d, IDC_IMPORT_DOWNLOAD);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !child(d, IDOK)->isHidden(); }, 20000));
            click(d, IDOK);
        });
    }

    std::unique_ptr<testsupport::FakeServices> services;
    DialogHost dialogHost;
    ImportWizardPages pages;
    ItemPos acme = kNoItemPos;
    ItemPos beta = kNoItemPos;
};

} // namespace

// End to end: a local semicolon file, chosen on the first page and downloaded by the second, is
// narrowed by the question and imported; the files are gone; the saved portfolio holds the
// quotations when it is opened again.
TEST_F(ImportWizardTest, LocalFileImportedThroughBothPagesSavedAndReopened) {
    const auto file = path("acme prices.csv");
    testsupport::writeFile(file, "Date;Close\n2024-02-01;10.50\n2024-02-02;11.00\n2024-02-05;12.25\n");
    localFileOnFirstPage(file);
    downloadOnSecondPage("[&year]-[&month]-[&day];[&quotation_close]", [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Import historical quotations for \"Acme\"");
        EXPECT_EQ(child<QLineEdit>(d, IDC_IMPORT_URL)->text().toStdString(), "file://" + file.string());
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_TEMPLATE_NAME)->text(), "-- Local File --");
        EXPECT_FALSE(child(d, IDC_IMPORT_DELETE)->isEnabled());
        testsupport::saveRendering(d, "local file");
    });
    services->modal->on("dlg_3215", [](QDialog& d) {
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_FOUND)->text(), "3 quotations found:");
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_QUOTATIONS)->text(), "02/01/24  10.5000\n...\n02/05/24  12.2500");
        EXPECT_EQ(child<QDateEdit>(d, IDC_INTERVAL_FROM)->date(), QDate(2024, 2, 1));
        EXPECT_EQ(child<QDateEdit>(d, IDC_INTERVAL_TO)->date(), QDate(2024, 2, 5));
        child<QDateEdit>(d, IDC_INTERVAL_FROM)->setDate(QDate(2024, 2, 2));
        click(d, IDOK);
    });

    EXPECT_EQ(RunImportWizard(*doc, acme, pages, services->bundle()), ImportWizardOutcome::Imported);
    const std::vector<std::string> imported = {"2024-02-02 20:00 11.00", "2024-02-05 20:00 12.25"};
    EXPECT_EQ(closes(*doc, acme), imported);
    EXPECT_TRUE(closes(*doc, beta).empty());
    EXPECT_TRUE(tmpFiles().empty());
    // What the user chose is offered again next time.
    EXPECT_EQ(pages.source.m_nSource, 1);
    EXPECT_EQ(pages.source.m_strFilePath, file.string());
    EXPECT_EQ(pages.page.m_strDataFormat, "[&year]-[&month]-[&day];[&quotation_close]");

    const auto saved = path("portfolio.cvr");
    ASSERT_TRUE(doc->OnSaveDocument(saved));
    CWPapierDoc reopened(&dialogHost);
    ASSERT_TRUE(reopened.OnOpenDocument(saved));
    ItemPos found = kNoItemPos;
    for (ItemPos pos = reopened.GetHeadPosition(); pos != kNoItemPos;) {
        const ItemPos at = pos;
        if (reopened.GetNextItem(pos)->m_strName == "Acme")
            found = at;
    }
    ASSERT_NE(found, kNoItemPos);
    EXPECT_EQ(closes(reopened, found), imported);
}

// "Finish" on the first page downloads on the second, which closes by itself, and imports the
// whole frame without the question.
TEST_F(ImportWizardTest, FinishOnTheFirstPageImportsWithoutTheQuestion) {
    const auto file = path("prices.csv");
    testsupport::writeFile(file, "2024-02-01;10.50\n2024-02-02;11.00\n");
    pages.page.m_strDataFormat = "[&year]-[&month]-[&day];[&quotation_close]";
    services->files->choose({file});
    services->modal->on("dlg_194", [](QDialog& d) {
        auto* radio = child<QRadioButton>(d, IDC_IMPORT_SOURCE_FILE);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
        click(d, IDC_IMPORT_SELECT_FILE);
        click(d, IDC_IMPORT_FINISH);
    });
    services->modal->on("dlg_3207",
                        [](QDialog& d) { ASSERT_TRUE(QTest::qWaitFor([&] { return !d.isVisible(); }, 20000)); });
    EXPECT_EQ(RunImportWizard(*doc, acme, pages, services->bundle()), ImportWizardOutcome::Imported);
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_194", "dlg_3207"}));
    EXPECT_EQ(closes(*doc, acme), (std::vector<std::string>{"2024-02-01 20:00 10.50", "2024-02-02 20:00 11.00"}));
    EXPECT_TRUE(tmpFiles().empty());
}

// One quotation found shows the same line twice; Cancel imports nothing and the wizard comes
// back, as "< Back" brings the first page back -- one after the other, for the same item.
TEST_F(ImportWizardTest, CancelledQuestionAndBackBringTheFirstPageBack) {
    const auto file = path("one.csv");
    testsupport::writeFile(file, "2024-02-01;10.50\n");
    std::vector<std::string> titles;
    const auto recordTitle = [&](QDialog& d) { titles.push_back(d.windowTitle().toStdString()); };

    localFileOnFirstPage(file);
    downloadOnSecondPage("[&year]-[&month]-[&day];[&quotation_close]");
    services->modal->on("dlg_3215", [](QDialog& d) {
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_QUOTATIONS)->text(), "02/01/24  10.5000\n...\n02/01/24  10.5000");
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_FOUND)->text(), "1 quotations found:");
        click(d, IDCANCEL);
    });
    services->modal->on("dlg_194", [&](QDialog& d) {
        recordTitle(d);
        EXPECT_EQ(child<QLineEdit>(d, IDC_IMPORT_FILE_PATH)->text().toStdString(), file.string());
        click(d, IDC_IMPORT_SOURCE_NEXT);
    });
    services->modal->on("dlg_3207", [](QDialog& d) { click(d, IDC_IMPORT_BACK); });
    services->modal->on("dlg_194", [&](QDialog& d) {
        recordTitle(d);
        click(d, IDCANCEL);
    });

    EXPECT_EQ(RunImportWizard(*doc, acme, pages, services->bundle()), ImportWizardOutcome::Cancelled);
    EXPECT_EQ(services->modal->ran(),
              (std::vector<std::string>{"dlg_194", "dlg_3207", "dlg_3215", "dlg_194", "dlg_3207", "dlg_194"}));
    EXPECT_EQ(titles, std::vector<std::string>(2, "Import historical quotations for \"Acme\""));
    EXPECT_TRUE(closes(*doc, acme).empty());
    EXPECT_TRUE(tmpFiles().empty());
}

// The wizard runs once for each item the selection gives; Cancel on the second page goes on with
// the next item.
TEST_F(ImportWizardTest, EachItemOfTheSelectionRunsTheWizardOnce) {
    const ItemPos cash = doc->FindCashAccountItem();
    const ItemPos history = doc->FindInvestmentHistoryItem();
    struct Case {
        const char* name;
        std::vector<ItemPos> selected;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        {"the cash account and two securities",
         {cash, acme, beta},
         {"Import historical quotations for \"Acme\"", "Import historical quotations for \"Beta\""}},
        {"the history and one security",
         {history, acme},
         {"Import historical quotations for \"" + doc->GetItemName(history) + "\"",
          "Import historical quotations for \"Acme\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> titles;
        for (std::size_t i = 0; i < c.titles.size(); ++i) {
            services->modal->on("dlg_194", [&](QDialog& d) {
                titles.push_back(d.windowTitle().toStdString());
                click(d, IDC_IMPORT_SOURCE_NEXT);
            });
            services->modal->on("dlg_3207", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
        }
        for (const ItemPos pos : ImportItems(*doc, c.selected))
            EXPECT_EQ(RunImportWizard(*doc, pos, pages, services->bundle()), ImportWizardOutcome::Skipped);
        EXPECT_EQ(titles, c.titles);
    }
}
