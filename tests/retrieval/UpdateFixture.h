#pragma once
// Fixture of the update tests: the download fixture plus a portfolio document on a fake host, the
// document's download operations routed to the test's receiver and manager, items built for a
// loopback server or a local page, and the list view's part of the road of one update (final
// reports of update jobs taken in by the document).

#include "DownloadFixture.h"

#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadIntake.h"
#include "retrieval/UpdateOrchestration.h"
#include "support/FakePortfolioHost.h"

#include <memory>
#include <string>
#include <vector>

namespace downloadtest {

// A small page whose one paragraph is `text`.
inline std::string page(const std::string& text) {
    return "<html><body><p>" + text + "</p></body></html>";
}

// A fixed "now": 15 March 2024, 10:00 local time.
inline OleDate fixedNow() {
    return OleDate(2024, 3, 15, 10, 0, 0);
}

class UpdateTest : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        m_clock = std::make_unique<FixedClock>(std::chrono::system_clock::from_time_t(*fixedNow().toTimeT()));
        setCurrentClock(m_clock.get());
        doc = std::make_unique<CWPapierDoc>(&host);
        SetDownloadRouting({receiver(), &m_manager});
    }

    void TearDown() override {
        DownloadTest::TearDown(); // ends every worker
        SetDownloadRouting({});
        doc.reset();
        setCurrentClock(nullptr);
    }

    // Rules that read a page at `url` by anchor text with "." and "," as separators.
    static ServerSettings anchorRules(const std::string& url, const std::string& anchor, int timeout = 10) {
        ServerSettings rules;
        rules.m_strURL = url;
        rules.m_strTextBeforeValue = anchor;
        rules.m_strThousands = ".";
        rules.m_strDecimal = ",";
        rules.m_nTimeout = timeout;
        return rules;
    }

    // An ordinary item, downloads enabled, read by its anchorRules without regard to case;
    // appended to the portfolio.
    CWPapier* addItem(const std::string& name, const std::string& url, const std::string& anchor,
                      const std::string& symbol = "", int timeout = 10) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_strSymbol = symbol;
        item->m_bDownloadEnabled = 1;
        item->m_Server = anchorRules(url, anchor, timeout);
        item->m_Server.m_bNoCaseSensitive = 1;
        CWPapier* raw = item.get();
        doc->AddItem(std::move(item));
        return raw;
    }

    ItemPos pos(const CWPapier* item) const { return doc->GetItemPosition(item); }

    // Waits for every worker and returns the reports, in the order they were posted.
    std::vector<Report> finish() {
        EXPECT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(30))));
        return collect();
    }

    // The list view's handling of the final reports of update jobs: a quotation is taken in, any
    // other final report clears the item's download flag. Returns what each intake returned.
    std::vector<int> takeIn(std::vector<Report>& reports) {
        std::vector<int> results;
        for (auto& r : reports) {
            if (!r.status || r.status->m_nJobId != 0 || !isFinalDownloadStatus(r.status->m_nStatus))
                continue;
            if (r.status->m_nStatus == DOWNLOAD_FINISHED)
                results.push_back(WPKursThreadUpdate(*doc, r.status->m_posItem, std::move(r.status->m_pKurs)));
            else
                doc->ResetDownloadFlagAt(r.status->m_posItem);
        }
        return results;
    }

    // The item's quotations, oldest first.
    std::vector<CKurs> quotations(const CWPapier* item) const { return *doc->GetQuotationListCopy(pos(item)); }

    testsupport::FakePortfolioHost host;
    std::unique_ptr<CWPapierDoc> doc;

private:
    std::unique_ptr<FixedClock> m_clock;
};

} // namespace downloadtest
