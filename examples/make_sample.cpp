// Writes the sample portfolio of the README's run command. Its items read the pages in a folder
// of local pages (examples/pages) by file:// URLs with absolute paths, so the file is made for the
// folder it is given:
//
//   corvana_make_sample <pages folder> <portfolio.cvr>
//
// - "Acme Industries": a regular expression with the date of the quotation on the page;
// - "Greenfield Balanced Fund": the number after an anchor text;
// - "USD/EUR": an exchange rate, read by a regular expression;
// - "Northwind Corp.": a price in dollars, converted to euros by the USD/EUR item of the same run;
// - "Old Savings Bond": downloads disabled; its quotation stays as it is.

#include "portfolio/WPapierDoc.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

std::unique_ptr<CWPapier> makeItem(const std::string& name, const std::string& symbol, const std::string& url) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = name;
    item->m_strSymbol = symbol;
    item->m_strCategory = "Sample";
    item->m_bDownloadEnabled = 1;
    item->m_Server.m_strURL = url;
    item->m_Server.m_nTimeout = 30;
    item->m_Server.m_strThousands = ",";
    item->m_Server.m_strDecimal = ".";
    item->m_Server.m_nFormat = 0;
    return item;
}

void byRegExp(CWPapier& item, const std::string& pattern) {
    item.m_Server.m_nFiltering = 1;
    item.m_Server.m_strRegExp = pattern;
}

void byAnchor(CWPapier& item, const std::string& anchor, int tags, int numbers) {
    item.m_Server.m_nFiltering = 0;
    item.m_Server.m_nFormat = 1; // anchor texts are searched in the semi-html form
    item.m_Server.m_strTextBeforeValue = anchor;
    item.m_Server.m_nHtmlBeforeValue = tags;
    item.m_Server.m_nNumbersBeforeValue = numbers;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: corvana_make_sample <pages folder> <portfolio.cvr>\n", stderr);
        return 2;
    }
    std::error_code ec;
    const std::filesystem::path pages = std::filesystem::absolute(argv[1], ec).lexically_normal();
    const std::filesystem::path target = argv[2];
    for (const char* page : {"acme.html", "greenfield-fund.html", "usd-eur.html", "northwind.html"}) {
        if (!std::filesystem::is_regular_file(pages / page, ec)) {
            std::fprintf(stderr, "corvana_make_sample: %s is missing\n", (pages / page).c_str());
            return 1;
        }
    }
    const auto url = [&pages](const char* page) { return "file://" + (pages / page).string(); };

    CWPapierDoc doc(nullptr);
    doc.OnNewDocument();

    auto acme = makeItem("Acme Industries", "ACME", url("acme.html"));
    byRegExp(*acme, "<td>[&symbol]</td><td>[&day]\\.[&month]\\.[&year]</td><td>[&quotation_close]</td>"
                    "<td>[&volume]</td>");
    doc.AddItem(std::move(acme));

    auto fund = makeItem("Greenfield Balanced Fund", "GBF", url("greenfield-fund.html"));
    byAnchor(*fund, "Net asset value per share:", 1, 0);
    doc.AddItem(std::move(fund));

    auto rate = makeItem("USD/EUR", "USDEUR", url("usd-eur.html"));
    byRegExp(*rate, "<td>USD/EUR</td><td>[&quotation_close]</td>");
    CWPapier* rateItem = rate.get();
    doc.AddItem(std::move(rate));

    auto northwind = makeItem("Northwind Corp.", "NWC", url("northwind.html"));
    byAnchor(*northwind, "Last price (USD):", 1, 0);
    northwind->m_bConvertCurrency = true;
    northwind->m_pCurrencyItem = rateItem;
    doc.AddItem(std::move(northwind));

    auto bond = makeItem("Old Savings Bond", "OSB", url("old-savings-bond.html"));
    bond->m_bDownloadEnabled = 0;
    bond->AddQuotation(CKurs(OleDate(2021, 6, 30, 17, 30, 0), 101.25), false);
    doc.AddItem(std::move(bond));

    if (!doc.OnSaveDocument(target)) {
        std::fprintf(stderr, "corvana_make_sample: cannot write %s\n", target.c_str());
        return 1;
    }
    return 0;
}
