#pragma once
// Portfolio files for the program's tests: items that read a page by a regular expression, and the
// reading back of a portfolio the program saved.

#include "portfolio/WPapierDoc.h"
#include "support/FakePortfolioHost.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// An item with downloads on that reads "<td>[&symbol]</td><td>[&quotation_close]</td>" from `url`.
inline std::unique_ptr<CWPapier> quotedItem(const std::string& name, const std::string& symbol, const std::string& url,
                                            int timeoutSeconds = 30) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = name;
    item->m_strSymbol = symbol;
    item->m_bDownloadEnabled = 1;
    item->m_Server.m_strURL = url;
    item->m_Server.m_nTimeout = timeoutSeconds;
    item->m_Server.m_strDecimal = ".";
    item->m_Server.m_strThousands = ",";
    item->m_Server.m_nFiltering = 1;
    item->m_Server.m_strRegExp = "<td>[&symbol]</td><td>[&quotation_close]</td>";
    return item;
}

// The page such an item reads.
inline std::string quotePage(const std::string& symbol, const std::string& close) {
    return "<html><body><table><tr><td>" + symbol + "</td><td>" + close + "</td></tr></table></body></html>\n";
}

// Saves the items as a new portfolio at `path`; false when that fails.
inline bool writePortfolio(const std::filesystem::path& path, std::vector<std::unique_ptr<CWPapier>> items) {
    CWPapierDoc doc(nullptr);
    doc.OnNewDocument();
    for (auto& item : items)
        doc.AddItem(std::move(item));
    return doc.OnSaveDocument(path);
}

// A portfolio read back from its file.
struct OpenedPortfolio {
    testsupport::FakePortfolioHost host;
    std::unique_ptr<CWPapierDoc> doc = std::make_unique<CWPapierDoc>(&host);
    bool ok = false;

    explicit OpenedPortfolio(const std::filesystem::path& path) { ok = doc->OnOpenDocument(path); }

    // The item named `name`; null when there is none.
    CWPapier* item(const std::string& name) const {
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
            CWPapier* found = doc->GetNextItem(pos);
            if (found && found->m_strName == name)
                return found;
        }
        return nullptr;
    }
};

} // namespace apptest
