// The intake of downloaded quotations, the test download of a server configuration and the page
// download of a dialog.
#include "UpdateFixture.h"

#include "support/LogCapture.h"

#include <functional>
#include <thread>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

CKurs quotation(const OleDate& date, double open, double close, double high, double low, double volume) {
    CKurs k(date, close);
    k.m_dOpen = open;
    k.m_dHigh = high;
    k.m_dLow = low;
    k.m_dVolume = volume;
    return k;
}

} // namespace

using IntakeTest = UpdateTest;

// What the intake makes of one quotation of an item converting by an exchange-rate item, in every
// situation it can meet; the item's download flag is cleared in all of them.
TEST_F(IntakeTest, IntakeConvertsAddsOrDrops) {
    const OleDate on(2024, 3, 15, 17, 30, 0);
    const std::string missingText =
        "Could not update quotation for 'Fund'.\n\nCurrency quotation on " + on.Format("%x at %X") + " is missing!";
    struct Case {
        const char* name;
        std::function<void(CWPapierDoc&, CWPapier& fund, CWPapier& rate)> arrange;
        bool withQuotation;
        int result;
        std::vector<CKurs> stored; // the fund's quotations afterwards
        bool missingNotice;
    };
    CWPapier outside; // an exchange-rate item that is not in the portfolio
    outside.AddQuotation(CKurs(OleDate(2024, 3, 14, 0, 0, 0), 0.5), false);
    const std::vector<Case> cases = {
        {"converted by the rate on or before its date",
         [](CWPapierDoc&, CWPapier&, CWPapier&) {},
         true,
         1,
         {quotation(on, 9.6, 10.0, 10.4, 8.8, 300)},
         false},
        {"the rate of that date is missing",
         [](CWPapierDoc&, CWPapier&, CWPapier& rate) { rate.DeleteQuotation(0); },
         true,
         0,
         {},
         true},
        {"the rate of that date is 0",
         [](CWPapierDoc&, CWPapier&, CWPapier& rate) {
             rate.DeleteQuotation(0);
             rate.AddQuotation(CKurs(OleDate(2024, 3, 14, 20, 0, 0), 0.0), false);
         },
         true,
         0,
         {},
         true},
        {"no conversion asked for",
         [](CWPapierDoc&, CWPapier& fund, CWPapier&) { fund.m_bConvertCurrency = false; },
         true,
         1,
         {quotation(on, 12.0, 12.5, 13.0, 11.0, 300)},
         false},
        {"the exchange-rate item is not in the portfolio",
         [&outside](CWPapierDoc&, CWPapier& fund, CWPapier&) { fund.m_pCurrencyItem = &outside; },
         true,
         1,
         {quotation(on, 12.0, 12.5, 13.0, 11.0, 300)},
         false},
        {"an abort is pending", [](CWPapierDoc& d, CWPapier&, CWPapier&) { d.AbortDownloads(); }, true, 1, {}, false},
        {"no quotation in the report", [](CWPapierDoc&, CWPapier&, CWPapier&) {}, false, 1, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::LogCapture log;
        host.clearRecord();
        doc->DeleteContents();
        CWPapier* fund = addItem("Fund", "http://127.0.0.1:1/", "Kurs:");
        CWPapier* rate = addItem("EUR / USD", "http://127.0.0.1:1/", "EURUSD:");
        rate->AddQuotation(CKurs(OleDate(2024, 3, 14, 20, 0, 0), 0.8), false); // on or before the quotation
        rate->AddQuotation(CKurs(OleDate(2024, 3, 16, 20, 0, 0), 0.9), false); // after it
        fund->m_bConvertCurrency = true;
        fund->m_pCurrencyItem = rate;
        doc->SetDownloadInProgress(pos(fund));
        c.arrange(*doc, *fund, *rate);
        std::vector<bool> lockFreeAtNotice;
        host.onNotice = [&](const PortfolioNotice&) {
            bool free = false;
            std::thread probe([&] {
                if (doc->m_MutexWPList.try_lock()) {
                    free = true;
                    doc->m_MutexWPList.unlock();
                }
            });
            probe.join();
            lockFreeAtNotice.push_back(free);
        };

        auto incoming = c.withQuotation ? std::make_unique<CKurs>(quotation(on, 12.0, 12.5, 13.0, 11.0, 300)) : nullptr;
        EXPECT_EQ(WPKursThreadUpdate(*doc, pos(fund), std::move(incoming)), c.result);

        const auto stored = quotations(fund);
        ASSERT_EQ(stored.size(), c.stored.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
            EXPECT_TRUE(datesEqual(stored[i].m_dtDate, c.stored[i].m_dtDate));
            EXPECT_DOUBLE_EQ(stored[i].m_dOpen, c.stored[i].m_dOpen);
            EXPECT_DOUBLE_EQ(stored[i].m_dClose, c.stored[i].m_dClose);
            EXPECT_DOUBLE_EQ(stored[i].m_dHigh, c.stored[i].m_dHigh);
            EXPECT_DOUBLE_EQ(stored[i].m_dLow, c.stored[i].m_dLow);
            EXPECT_DOUBLE_EQ(stored[i].m_dVolume, c.stored[i].m_dVolume);
        }
        EXPECT_FALSE(doc->IsDownloadInProgress(pos(fund)));
        EXPECT_EQ(g_bAbortDownloads.load(), 0) << "nothing is downloading any more";
        if (c.missingNotice) {
            EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning, missingText}}));
            EXPECT_EQ(lockFreeAtNotice, std::vector<bool>{true}) << "a notice never waits inside the operation";
            EXPECT_TRUE(log.contains(LOG_LEVEL_INFO, "WPKursThreadUpdate: Could not update quotation for 'Fund'. "
                                                     "Currency quotation on " +
                                                         on.Format("%x at %X") + " is missing!"));
        } else {
            EXPECT_TRUE(host.notices().empty());
        }
        host.onNotice = nullptr;
    }
}

// With DisableIntraday on, a downloaded quotation replaces the one of the same day.
TEST_F(IntakeTest, IntakeKeepsOneQuotationPerDayWhenIntradayIsDisabled) {
    for (const int disableIntraday : {0, 1}) {
        SCOPED_TRACE(disableIntraday);
        host.options.DisableIntraday = disableIntraday;
        doc->DeleteContents();
        CWPapier* item = addItem("Alpha", "http://127.0.0.1:1/", "Kurs:");
        item->AddQuotation(CKurs(OleDate(2024, 3, 15, 9, 0, 0), 1.0), false);
        doc->SetDownloadInProgress(pos(item));

        EXPECT_EQ(WPKursThreadUpdate(*doc, pos(item), std::make_unique<CKurs>(fixedNow(), 2.0)), 1);

        const auto stored = quotations(item);
        ASSERT_EQ(stored.size(), disableIntraday ? 1u : 2u);
        EXPECT_DOUBLE_EQ(stored.back().m_dClose, 2.0);
    }
}

// A result for an item deleted while its download ran is dropped; the other items of the update
// are taken in, and an abort is not kept pending by an item that is gone.
TEST_F(IntakeTest, ResultOfADeletedItemIsDropped) {
    LoopbackHttpServer server;
    server.reply("/p", HttpReply::page(page("A: 1,00 B: 2,00")));
    CWPapier* kept = addItem("A", server.url("/p"), "A:");
    const ItemPos deleted = pos(addItem("B", server.url("/p"), "B:"));

    EXPECT_EQ(UpdateAllItems(*doc), 2);
    auto reports = finish();
    ASSERT_TRUE(doc->DeleteItem(deleted));
    ASSERT_NE(finalFor(reports, deleted), nullptr);
    EXPECT_EQ(takeIn(reports), (std::vector<int>{1, 1}));
    EXPECT_EQ(quotations(kept).size(), 1u);
    EXPECT_EQ(doc->GetItem(deleted), nullptr);
    EXPECT_EQ(doc->GetItemCount(), 1);

    // The last downloading item is deleted and the user aborts: its report ends the abort.
    const ItemPos last = pos(kept);
    EXPECT_EQ(UpdateAllItems(*doc), 1);
    reports = finish();
    ASSERT_TRUE(doc->DeleteItem(last));
    doc->AbortDownloads();
    EXPECT_EQ(g_bAbortDownloads.load(), 1);
    EXPECT_EQ(takeIn(reports), std::vector<int>{1});
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
}

// A test download runs at once even while every download slot is taken, reports as a test job to
// the main window and never marks the item; an item outside the portfolio is reported with
// position 0.
TEST_F(IntakeTest, TestDownloadTakesNoSlotAndMarksNothing) {
    host.options.NumberDownloads = 1;
    doc = std::make_unique<CWPapierDoc>(&host);
    LoopbackHttpServer server;
    server.reply("/q/SYM", HttpReply::page(page("Alpha Inc: 42,50")));
    const ServerSettings settings = anchorRules(server.url("/q/[&symbol]"), "[&name]:");
    CWPapier* inPortfolio = addItem("Alpha Inc", "", "", "SYM");
    CWPapier outside;
    outside.m_strName = "Alpha Inc";
    outside.m_strSymbol = "SYM";
    ASSERT_TRUE(doc->m_SemaphoreDownloads->tryAcquire()); // an update holds the only slot

    EXPECT_EQ(StartTestDownload(*doc, nullptr, settings), 0u);
    for (const CWPapier* item : {static_cast<const CWPapier*>(inPortfolio), static_cast<const CWPapier*>(&outside)}) {
        const ItemPos expectedPos = item == inPortfolio ? pos(inPortfolio) : kNoItemPos;
        SCOPED_TRACE(expectedPos);
        const std::uint32_t worker = StartTestDownload(*doc, item, settings);
        EXPECT_NE(worker, 0u);
        EXPECT_FALSE(doc->IsDownloadInProgress(pos(inPortfolio)));
        const auto reports = finish();

        ASSERT_FALSE(reports.empty());
        for (const auto& r : reports) {
            EXPECT_EQ(r.message, WMU_DOWNLOAD_STATUS);
            EXPECT_EQ(r.status->m_nJobId, 1);
            EXPECT_EQ(r.status->m_posItem, expectedPos);
            EXPECT_EQ(r.status->m_dwThreadId, worker);
        }
        EXPECT_EQ(statuses(reports, expectedPos), (std::vector<int>{1, 2, 3, 4, 7, 6, 8}));
        ASSERT_NE(reports.back().status->m_pKurs, nullptr);
        EXPECT_DOUBLE_EQ(reports.back().status->m_pKurs->m_dClose, 42.5);
    }
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/q/SYM", "/q/SYM"}));
    EXPECT_TRUE(quotations(inPortfolio).empty());
    doc->m_SemaphoreDownloads->release();
}

// A page download hands the dialog the page and both conversions in one record, after stepping
// the date back over a missing page like an update; a local page is read without any request.
TEST_F(IntakeTest, PageDownloadHandsOverThreeFiles) {
    LoopbackHttpServer server;
    server.reply("/p/SYM/14.html", HttpReply::page(page("Kurs: <b>1,00</b>")));
    const std::filesystem::path local = dir() / "SYM.html";
    testsupport::writeFile(local, page("Kurs: <b>1,00</b>"));
    struct Case {
        const char* name;
        std::string url;
        std::vector<int> statuses;
        std::vector<std::string> targets;
    };
    const Case cases[] = {
        {"web page", server.url("/p/[&symbol]/[&d].html"), {1, 2, 3, 4, 8}, {"/p/SYM/15.html", "/p/SYM/14.html"}},
        {"local page", "file://" + (dir() / "[&symbol].html").string(), {1, 3, 4, 8}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t requestsBefore = server.requestCount();
        const std::uint32_t worker = StartPageDownload(*doc, "Alpha", "SYM", c.url, receiver());
        EXPECT_NE(worker, 0u);
        const auto reports = finish();

        std::vector<int> seen;
        for (const auto& r : reports) {
            EXPECT_EQ(r.message, WMU_PAGE_DOWNLOAD_STATUS);
            EXPECT_EQ(r.status->m_dwThreadId, worker);
            EXPECT_EQ(r.status->m_nJobId, 0);
            EXPECT_EQ(r.status->m_posItem, kNoItemPos);
            EXPECT_TRUE(r.status->m_szName.empty());
            seen.push_back(r.status->m_nStatus);
        }
        EXPECT_EQ(seen, c.statuses);
        const auto targets = server.targets();
        EXPECT_EQ(
            std::vector<std::string>(targets.begin() + static_cast<std::ptrdiff_t>(requestsBefore), targets.end()),
            c.targets);
        const DownloadStatus& done = *reports.back().status;
        for (const std::string& file : {done.m_szFile, done.m_szSemiHtmlFile, done.m_szTextFile}) {
            ASSERT_TRUE(std::filesystem::exists(file)) << file;
            EXPECT_EQ(std::filesystem::path(file).parent_path(), tmp());
        }
        EXPECT_NE(testsupport::readFile(done.m_szFile).find("<b>1,00</b>"), std::string::npos);
        EXPECT_EQ(testsupport::readFile(done.m_szTextFile).find('<'), std::string::npos);
        for (const std::string& file : {done.m_szFile, done.m_szSemiHtmlFile, done.m_szTextFile})
            std::filesystem::remove(file); // the receiver owns them
    }
    EXPECT_TRUE(tmpFiles().empty());
}
