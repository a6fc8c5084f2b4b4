// The General page's server tools with a recording document: the wizard's rounds (each round's
// page files are gone before Back starts the next one, and after the last), the test download
// with the page's name, symbol and own definition, and the template deletion without a question.
#include "ServerDialogsFixture.h"

#include "dialogs/DialogIds.h"
#include "dialogs/DlgWizardUrl.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/WPPropPage.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/ServerConfigStore.h"
#include "support/FakePortfolioHost.h"

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

namespace {

using namespace serverdialogs;
namespace fs = std::filesystem;

class GeneralPageToolsTest : public ServerDialogsTest {
protected:
    std::unique_ptr<CWPPropPage> makePage() {
        auto page = std::make_unique<CWPPropPage>(services->bundle(), &document);
        page->EnsureControls(); // on its own, not in a sheet
        page->m_strName = "Acme";
        page->m_strSymbol = "ACM";
        page->m_strTemplateName = LoadString(IDS_LOCAL_DEFINITION);
        page->m_strUrl = "https://q.example/[&symbol]";
        page->UpdateData(false);
        return page;
    }
    // The URL page downloads and goes on with the files of `r`.
    void downloadRound(const PageRecord& r) {
        services->modal->on("dlg_3210", [r](QDialog& d) {
            auto& self = static_cast<CDlgWizardUrl&>(d);
            idc<QPushButton>(d, IDC_WIZARD_DOWNLOAD)->click();
            postPage(self.downloadTarget(), self.workerId(), r);
            ASSERT_TRUE(waitUntil([&] { return idc<QPushButton>(d, IDOK)->isVisible(); }));
            idc<QPushButton>(d, IDOK)->click();
        });
    }
    static std::vector<fs::path> filesOf(const PageRecord& r) {
        return {fs::path(r.raw).replace_extension(".html"), r.semiHtml, r.text};
    }
};

TEST_F(GeneralPageToolsTest, WizardDeletesEachRoundsFilesBeforeItStartsAgain) {
    const PageRecord first = pageFiles("round1", "<p>1</p>", "<>1<>", " 1 ");
    const PageRecord second = pageFiles("round2", "<p>2</p>", "<>2<>", " 2 ");
    downloadRound(first);
    services->modal->on("dlg_173", [](QDialog& d) { idc<QPushButton>(d, IDC_WIZARD_BACK)->click(); });
    downloadRound(second);
    services->modal->on("dlg_173", [&](QDialog& d) {
        for (const fs::path& file : filesOf(first))
            EXPECT_FALSE(fs::exists(file)) << file;
        for (const fs::path& file : filesOf(second))
            EXPECT_TRUE(fs::exists(file)) << file;
        idc<QPushButton>(d, IDCANCEL)->click();
    });
    auto page = makePage();
    page->OnWizard();
    for (const fs::path& file : filesOf(second))
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_3210", "dlg_173", "dlg_3210", "dlg_173"}));
    // The URL page got the item's own address, name and symbol.
    EXPECT_EQ(document.calls,
              (std::vector<std::string>{"page https://q.example/ACM", "page https://q.example/ACM"}));
}

// Test writes name and symbol into the item first and tests the page's own definition (named by
// string 40035); Delete removes a template at once and does nothing for the own definition.
TEST_F(GeneralPageToolsTest, TestUsesThePageValuesAndDeleteNeedsNoQuestion) {
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc(&host);
    doc.OnNewDocument();
    auto item = std::make_unique<CWPapier>();
    item->m_strName = "Old";
    const ItemPos pos = doc.AddItem(std::move(item));

    auto page = makePage();
    page->m_pDoc = &doc;
    page->m_posItem = pos;
    page->m_nTimeout = 42;
    page->UpdateData(false);
    idc<QLineEdit>(*page, IDC_GEN_SYMBOL)->setText(" NEW ");
    page->OnTestQuotationUpdate();
    ASSERT_EQ(document.tested.size(), 1u);
    EXPECT_EQ(document.calls.back(), "test " + std::to_string(pos));
    EXPECT_EQ(document.tested[0].m_strName, LoadString(IDS_LOCAL_DEFINITION));
    EXPECT_EQ(document.tested[0].m_nTimeout, 42);
    EXPECT_EQ(doc.GetItem(pos)->m_strName, "Acme");
    EXPECT_EQ(doc.GetItem(pos)->m_strSymbol, "NEW");

    ServerSettings stored;
    stored.m_strURL = "https://t.example/";
    ASSERT_TRUE(SaveServerSettings("Doomed", &stored, *services->settings));
    page->OnDeleteServer(); // the own definition: nothing to delete
    std::vector<std::string> names;
    EnumServerNames(names, *services->settings);
    EXPECT_EQ(names, (std::vector<std::string>{"Doomed"}));
    page->m_strTemplateName = "Doomed";
    page->UpdateData(false);
    page->OnDeleteServer();
    names.clear();
    EnumServerNames(names, *services->settings);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(services->boxes->texts().empty());
}

} // namespace
