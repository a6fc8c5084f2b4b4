// The list view's import of historical quotations without widgets: the items the wizard runs for,
// what the first page hands the second, the rules of a data format with a symbol, and the import
// of a local file through the page download into the portfolio, saved and opened again. Also the
// portfolio export's file question.
#include "views/wpapierlviewImport.h"

#include "dialogs/ImportBlocks.h"
#include "retrieval/ServerConfigStore.h"
#include "retrieval/UpdateFixture.h"
#include "retrieval/UpdateOrchestration.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace downloadtest;

namespace {

// A host that answers the import-interval question as the dialog would: through the dialog's
// values, narrowed to `chosen` when it is given, declined otherwise.
class IntervalHost : public testsupport::FakePortfolioHost {
public:
    std::optional<std::pair<OleDate, OleDate>> chosen;
    std::vector<ImportIntervalValues> shown;

    bool askImportInterval(ImportIntervalQuestion& question) override {
        ImportIntervalValues values = ImportIntervalValuesOf(question);
        shown.push_back(values);
        if (!chosen)
            return false;
        values.m_dtBegin = chosen->first;
        values.m_dtEnd = chosen->second;
        ApplyImportInterval(values, question);
        return true;
    }
};

struct Value {
    std::string date;
    double close;
    bool operator==(const Value&) const = default;
};

void PrintTo(const Value& v, std::ostream* os) {
    *os << v.date << " " << v.close;
}

class ListViewImportTest : public UpdateTest {
protected:
    void SetUp() override {
        UpdateTest::SetUp();
        doc = std::make_unique<CWPapierDoc>(&intervalHost);
        doc->OnNewDocument();
        cash = doc->FindCashAccountItem();
        history = doc->FindInvestmentHistoryItem();
        acme = addItem("Acme", "ACM");
        beta = addItem("Beta", "BET");
    }

    ItemPos addItem(const std::string& name, const std::string& symbol) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_strSymbol = symbol;
        return doc->AddItem(std::move(item));
    }

    std::vector<Value> values(CWPapierDoc& d, ItemPos pos) const {
        std::vector<Value> out;
        const std::vector<CKurs> list = d.GetQuotationListCopy(pos).value_or(std::vector<CKurs>{});
        for (const CKurs& k : list)
            out.push_back({k.m_dtDate.Format("%d.%m.%Y %H:%M"), k.m_dClose});
        return out;
    }

    // The second page's download of its URL, to the end.
    ImportDownloadStep download(ImportBlockDownload& chain, const ImportPageValues& page) {
        ImportDownloadStep last;
        EXPECT_TRUE(chain.start(page.m_strUrl, page.m_dtBegin, page.m_dtEnd));
        for (int round = 0; round < 20 && chain.running(); ++round)
            for (Report& r : finish())
                if (auto step = chain.onStatus(std::move(r.status)); step.kind != ImportDownloadStep::Kind::Ignored)
                    last = step;
        return last;
    }

    ImportBlockDownload makeChain() {
        return ImportBlockDownload(
            [this](const std::string& url) { return StartPageDownload(*doc, "", "", url, receiver()); });
    }

    IntervalHost intervalHost;
    ItemPos cash = kNoItemPos;
    ItemPos history = kNoItemPos;
    ItemPos acme = kNoItemPos;
    ItemPos beta = kNoItemPos;
};

} // namespace

TEST_F(ListViewImportTest, ItemsTheWizardRunsFor) {
    struct Case {
        const char* name;
        std::vector<ItemPos> selected;
        std::vector<ItemPos> items;
        bool enabled;
    };
    const ItemPos gone = addItem("Gone", "");
    doc->DeleteItem(gone);
    const Case cases[] = {
        {"the cash account and two securities", {cash, acme, beta}, {acme, beta}, true},
        {"the history and one security", {history, acme}, {history, acme}, true},
        {"the history and two securities", {history, acme, beta}, {acme, beta}, true},
        {"the cash account and the history", {cash, history}, {history}, true},
        {"the cash account alone", {cash}, {}, false},
        {"an item that is gone", {gone, acme}, {acme}, true},
        {"nothing", {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImportItems(*doc, c.selected), c.items);
        EXPECT_EQ(ImportCommandEnabled(*doc, c.selected), c.enabled);
    }
    EXPECT_EQ(ImportSourceTitle("Acme"), "Import historical quotations for \"Acme\"");
}

TEST_F(ListViewImportTest, FirstPageValuesReachTheSecondPage) {
    SettingsStore store(dir() / "settings.conf");
    ImportServerSettings stored;
    stored.m_strURL = "https://quotes.example/[&symbol]?s=[&day_begin][&chunk_60]";
    stored.m_nFormat = 1;
    stored.m_strDecimal = ",";
    stored.m_strThousands = ".";
    stored.m_bNoCaseSensitive = 0;
    stored.m_strRegExp = "[&day].[&month].[&year] [&quotation_close]";
    ASSERT_TRUE(SaveImportServerSettings("Quotes", &stored, store));

    ImportSourceValues source;
    PresetImportSource(source, OleDate(2024, 3, 15, 10, 0, 0));
    EXPECT_EQ(source.m_strTemplate, "Yahoo Finance");
    EXPECT_EQ(source.m_dtBegin.m_dt, OleDate(2024, 2, 14, 10, 0, 0).m_dt);
    EXPECT_EQ(source.m_dtEnd.m_dt, OleDate(2024, 3, 15, 10, 0, 0).m_dt);
    source.m_strTitle = ImportSourceTitle("Acme");
    source.m_strSymbol = "ACM";
    source.m_bFinish = true;

    // A stored template gives its rules.
    ImportPageValues page;
    source.m_strTemplate = "Quotes";
    PrepareImportPage(source, page, store);
    EXPECT_EQ(page.m_strUrl, stored.m_strURL);
    EXPECT_EQ(page.m_nConversion, 1);
    EXPECT_EQ(page.m_strDecimalSep, ",");
    EXPECT_EQ(page.m_strThousandsSep, ".");
    EXPECT_EQ(page.m_bCaseInsensitive, 0);
    EXPECT_EQ(page.m_strDataFormat, stored.m_strRegExp);
    EXPECT_EQ(page.m_strTemplateName, "Quotes");
    EXPECT_EQ(page.m_strTitle, "Import historical quotations for \"Acme\"");
    EXPECT_EQ(page.m_strSymbol, "ACM");
    EXPECT_EQ(page.m_dtBegin.m_dt, source.m_dtBegin.m_dt);
    EXPECT_EQ(page.m_dtEnd.m_dt, source.m_dtEnd.m_dt);
    EXPECT_TRUE(page.m_bFinish);

    // "-- New --" keeps what the page had.
    source.m_strTemplate = "-- New --";
    page.m_strUrl = "http://mine/q";
    PrepareImportPage(source, page, store);
    EXPECT_EQ(page.m_strUrl, "http://mine/q");
    EXPECT_EQ(page.m_strDataFormat, stored.m_strRegExp);
    EXPECT_EQ(page.m_strTemplateName, "-- New --");

    // A local file.
    source.m_nSource = 1;
    source.m_strFilePath = "/data/prices.txt";
    PrepareImportPage(source, page, store);
    EXPECT_EQ(page.m_strUrl, "file:///data/prices.txt");
    EXPECT_EQ(page.m_strTemplateName, "-- Local File --");
}

// The symbol goes into the data format as a literal before the place holders become groups:
// whatever it holds, the values come from the right groups and only its own lines match.
TEST_F(ListViewImportTest, SymbolInTheDataFormatIsALiteral) {
    struct Case {
        const char* symbol;
        const char* otherLine; // a line that must not match
    };
    const Case cases[] = {
        {"X|Y(^", "OTHER;02.01.2024;99"},
        {"[&day]", "07;02.01.2024;99"},
        {"A.B*", "AxBBB;02.01.2024;99"},
        {"Q\\d", "Q1;02.01.2024;99"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.symbol);
        const ItemPos pos = addItem("Item", c.symbol);
        const auto file = dir() / "symbol.csv";
        testsupport::writeFile(file, std::string(c.symbol) + ";01.01.2024;10.5\n" + c.otherLine + "\n" + c.symbol +
                                         ";03.01.2024;11.5\n");
        ImportPageValues page;
        page.m_strSymbol = c.symbol;
        page.m_strDataFormat = "[&symbol];[&day].[&month].[&year];[&quotation_close]";
        page.m_strImportFile = file.string();
        page.m_dtBegin = OleDate(2024, 1, 1, 0, 0, 0);
        page.m_dtEnd = OleDate(2024, 1, 31, 0, 0, 0);
        page.m_bFinish = true;
        const QuotationImportRules rules = ImportRulesOfPage(page);
        EXPECT_EQ(rules.indexes.m_nDayIndex, 1);
        EXPECT_EQ(rules.indexes.m_nCloseIndex, 4);
        ImportPageFiles files;
        EXPECT_TRUE(ImportFromImportPage(*doc, pos, page, files));
        EXPECT_EQ(values(*doc, pos), (std::vector<Value>{{"01.01.2024 20:00", 10.5}, {"03.01.2024 20:00", 11.5}}));
        doc->DeleteItem(pos);
    }
}

// The road of an import from a local file: the first page chooses the file, the second page
// downloads it, the question shows the first and the last quotation found and narrows the frame,
// the quotations within reach the item, the downloaded files are gone, and the saved portfolio
// holds them when it is opened again.
TEST_F(ListViewImportTest, LocalFileImportedSavedAndReopened) {
    const auto file = dir() / "acme prices.csv";
    testsupport::writeFile(file, "Date;Close\n2024-02-01;10.50\n2024-02-02;11.00\n2024-02-05;12.25\n");

    ImportSourceValues source;
    PresetImportSource(source, OleDate(2024, 3, 15, 10, 0, 0));
    source.m_dtBegin = OleDate(2024, 1, 1, 0, 0, 0);
    source.m_strTitle = ImportSourceTitle("Acme");
    source.m_strSymbol = "ACM";
    source.m_nSource = 1;
    source.m_strFilePath = file.string();
    ImportPageValues page;
    page.m_strDataFormat = "[&year]-[&month]-[&day];[&quotation_close]";
    PrepareImportPage(source, page);
    ASSERT_TRUE(IsUsableImportUrl(page.m_strUrl));

    ImportBlockDownload chain = makeChain();
    const ImportDownloadStep loaded = download(chain, page);
    ASSERT_EQ(loaded.kind, ImportDownloadStep::Kind::Loaded);
    page.m_strImportFile = chain.files().forConversion(page.m_nConversion);
    EXPECT_EQ(tmpFiles().size(), 3u);

    intervalHost.chosen = std::make_pair(OleDate(2024, 2, 2, 0, 0, 0), OleDate(2024, 2, 5, 23, 59, 59));
    ASSERT_TRUE(ImportFromImportPage(*doc, acme, page, chain.files()));
    ASSERT_EQ(intervalHost.shown.size(), 1u);
    const ImportIntervalValues& shown = intervalHost.shown[0];
    EXPECT_EQ(shown.m_strItemName, "Acme");
    EXPECT_EQ(shown.m_strQuotations, "02/01/24  10.5000\n...\n02/05/24  12.2500");
    EXPECT_EQ(shown.m_strFound, "3 quotations found:");
    EXPECT_EQ(shown.m_dtBegin.m_dt, OleDate(2024, 2, 1, 0, 0, 0).m_dt);
    EXPECT_EQ(shown.m_dtEnd.m_dt, OleDate(2024, 2, 5, 23, 59, 59).m_dt);
    const std::vector<Value> imported = {{"02.02.2024 20:00", 11.0}, {"05.02.2024 20:00", 12.25}};
    EXPECT_EQ(values(*doc, acme), imported);
    EXPECT_TRUE(values(*doc, beta).empty());
    EXPECT_TRUE(tmpFiles().empty());
    EXPECT_TRUE(chain.files().m_strRawFile.empty());

    const auto saved = dir() / "portfolio.cvr";
    ASSERT_TRUE(doc->OnSaveDocument(saved));
    CWPapierDoc reopened(&intervalHost);
    ASSERT_TRUE(reopened.OnOpenDocument(saved));
    ItemPos found = kNoItemPos;
    for (ItemPos pos = reopened.GetHeadPosition(); pos != kNoItemPos;) {
        const ItemPos at = pos;
        if (reopened.GetNextItem(pos)->m_strName == "Acme")
            found = at;
    }
    ASSERT_NE(found, kNoItemPos);
    EXPECT_EQ(values(reopened, found), imported);
}

// One quotation found shows the same line twice; declining imports nothing (the wizard then comes
// back), and the downloaded files are deleted all the same.
TEST_F(ListViewImportTest, OneQuotationFoundAndDeclined) {
    const auto file = dir() / "one.csv";
    testsupport::writeFile(file, "2024-02-01;10.50\n");
    ImportSourceValues source;
    PresetImportSource(source, OleDate(2024, 3, 15, 10, 0, 0));
    source.m_nSource = 1;
    source.m_strFilePath = file.string();
    ImportPageValues page;
    page.m_strDataFormat = "[&year]-[&month]-[&day];[&quotation_close]";
    PrepareImportPage(source, page);
    ImportBlockDownload chain = makeChain();
    ASSERT_EQ(download(chain, page).kind, ImportDownloadStep::Kind::Loaded);
    page.m_strImportFile = chain.files().forConversion(page.m_nConversion);

    EXPECT_FALSE(ImportFromImportPage(*doc, acme, page, chain.files()));
    ASSERT_EQ(intervalHost.shown.size(), 1u);
    EXPECT_EQ(intervalHost.shown[0].m_strQuotations, "02/01/24  10.5000\n...\n02/01/24  10.5000");
    EXPECT_EQ(intervalHost.shown[0].m_strFound, "1 quotations found:");
    EXPECT_TRUE(values(*doc, acme).empty());
    EXPECT_TRUE(tmpFiles().empty());
}

// A file that gives nothing is reported by the name the user chose, never by the temporary copy
// the page imports.
TEST_F(ListViewImportTest, NothingFoundNamesTheUsersFile) {
    const auto file = dir() / "acme prices.csv";
    testsupport::writeFile(file, "Date;Close\nyesterday;10.50\n");
    ImportSourceValues source;
    PresetImportSource(source, OleDate(2024, 3, 15, 10, 0, 0));
    source.m_nSource = 1;
    source.m_strFilePath = file.string();
    ImportPageValues page;
    page.m_strDataFormat = "[&year]-[&month]-[&day];[&quotation_close]";
    PrepareImportPage(source, page);
    ImportBlockDownload chain = makeChain();
    ASSERT_EQ(download(chain, page).kind, ImportDownloadStep::Kind::Loaded);
    page.m_strImportFile = chain.files().forConversion(page.m_nConversion);
    ASSERT_NE(page.m_strImportFile, file.string());

    EXPECT_FALSE(ImportFromImportPage(*doc, acme, page, chain.files()));
    const auto notices = intervalHost.notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, PortfolioNotice::Kind::Error);
    EXPECT_EQ(notices[0].text.rfind("Error importing quotations from file \"" + file.string() +
                                        "\":\nNo match found for specified data format!",
                                    0),
              0u)
        << notices[0].text;
    EXPECT_EQ(notices[0].text.find(page.m_strImportFile), std::string::npos) << notices[0].text;
    EXPECT_TRUE(intervalHost.shown.empty());

    // A downloaded page goes by its address, as the page shows it.
    const struct {
        const char* url;
        const char* shown;
    } cases[] = {
        {"file:///home/me/prices.csv", "/home/me/prices.csv"},
        {"  https://quotes.example/history?s=ACM  ", "https://quotes.example/history?s=ACM"},
        {"", "/tmp/CVRcopy.tmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        ImportPageValues named;
        named.m_strUrl = c.url;
        named.m_strImportFile = "/tmp/CVRcopy.tmp";
        EXPECT_EQ(ImportShownName(named), c.shown);
    }
}

TEST(PortfolioExport, ProposedNameAndFilters) {
    const std::pair<const char*, const char*> cases[] = {
        {"/p/mine.cvr", "/p/mine"}, {"/p/mine", "/p/mine"},   {"/p/mine.backup", "/p/mine.backup"},
        {"/p.d/x", "/p.d/x"},       {"/p/a./bc", "/p/a./bc"},
    };
    for (const auto& [path, proposed] : cases)
        EXPECT_EQ(PortfolioExportRequest(path, "unused").initial, proposed) << path;
    const FileDialogRequest untitled = PortfolioExportRequest({}, "Portfolio1");
    EXPECT_EQ(untitled.initial, "Portfolio1");
    ASSERT_EQ(untitled.filters.size(), 2u);
    EXPECT_EQ(untitled.filters[0].name, "Excel Files (*.xls)");
    EXPECT_EQ(untitled.filters[0].patterns, "*.xls");
    EXPECT_EQ(untitled.filters[1].name, "Text Files (*.txt)");
    EXPECT_EQ(untitled.filters[1].patterns, "*.txt");
    EXPECT_EQ(untitled.defaultExtension, "xls");
}
