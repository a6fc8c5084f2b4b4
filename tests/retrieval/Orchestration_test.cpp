// The update of portfolio items end to end: items become jobs, workers fetch pages from a real
// HTTP server on 127.0.0.1 or from local files, and the results are taken in by the document.
#include "UpdateFixture.h"

#include "retrieval/ServerConfigStore.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <thread>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

// The first index of `status` among the item's reports, or -1.
int indexOf(const std::vector<Report>& reports, ItemPos pos, int status) {
    for (std::size_t i = 0; i < reports.size(); ++i)
        if (reports[i].status && reports[i].status->m_posItem == pos && reports[i].status->m_nStatus == status)
            return static_cast<int>(i);
    return -1;
}

} // namespace

// One item through the whole road: the worker steps the date back over a missing page, retries a
// server error, and the quotation lands in the item, whose download flag is cleared again.
TEST_F(UpdateTest, OneItemFromStepBacksAndRetriesToItsQuotation) {
    LoopbackHttpServer server;
    server.reply("/q/ABC/15.html", HttpReply::error(404));
    server.replySequence("/q/ABC/14.html",
                         {HttpReply::error(503), HttpReply::error(502), HttpReply::page(page("Kurs: 12,34"))});
    doc->OnNewDocument(); // with the cash account and the investment history
    CWPapier* item = addItem("Alpha", server.url("/q/[&symbol]/[&d].html"), "Kurs:", "ABC");
    CTransaction buy;
    buy.m_dtDate = OleDate(2024, 3, 1, 12, 0, 0);
    buy.m_dUnits = 10.0;
    buy.m_dQuotation = 10.0;
    item->AddTransaction(buy);
    doc->SetModifiedFlag(false);

    EXPECT_EQ(UpdateAllItems(*doc), 1);
    EXPECT_TRUE(doc->IsDownloadInProgress(pos(item)));
    auto reports = finish();

    EXPECT_EQ(server.targets(),
              (std::vector<std::string>{"/q/ABC/15.html", "/q/ABC/14.html", "/q/ABC/14.html", "/q/ABC/14.html"}));
    // Status 1 comes from the starter, before the worker runs; the worker does not repeat it.
    EXPECT_EQ(statuses(reports, pos(item)), (std::vector<int>{1, 2, 3, 4, 7, 6, 8}));
    const DownloadStatus* done = finalFor(reports, pos(item));
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->m_szName, "Alpha");
    EXPECT_EQ(done->m_szURL, server.url("/q/ABC/[&d].html")) << "name and symbol are put in by the starter";

    EXPECT_EQ(takeIn(reports), std::vector<int>{1});
    const auto stored = quotations(item);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_DOUBLE_EQ(stored[0].m_dClose, 12.34);
    EXPECT_TRUE(datesEqual(stored[0].m_dtDate, fixedNow()));
    EXPECT_FALSE(doc->IsDownloadInProgress(pos(item)));
    EXPECT_TRUE(doc->IsModified());
    // The newest quotation of an item holding units moves the investment history.
    const auto history = *doc->GetQuotationListCopy(doc->FindInvestmentHistoryItem());
    ASSERT_EQ(history.size(), 1u);
    EXPECT_DOUBLE_EQ(history[0].m_dClose, 123.4);
    EXPECT_TRUE(tmpFiles().empty());
}

// An update asked for the investment-history item alone recomputes the history and downloads
// nothing.
TEST_F(UpdateTest, UpdateOfTheInvestmentHistoryAloneRecomputesIt) {
    struct Views : DocumentObserver {
        std::vector<std::int64_t> hints;
        void OnUpdate(DocumentObserver*, std::int64_t hint) override { hints.push_back(hint); }
    } views;
    doc->OnNewDocument();
    doc->AddView(views);
    CWPapier* item = addItem("Alpha", "http://127.0.0.1:1/", "Kurs:");
    CTransaction buy;
    buy.m_dtDate = OleDate(2024, 3, 1, 12, 0, 0);
    buy.m_dUnits = 4.0;
    buy.m_dQuotation = 10.0;
    item->AddTransaction(buy);
    item->AddQuotation(CKurs(OleDate(2024, 3, 14, 18, 0, 0), 12.5), false);
    CWPapier* history = doc->GetItem(doc->FindInvestmentHistoryItem());
    doc->SetModifiedFlag(false);
    views.hints.clear();

    EXPECT_EQ(UpdateItemsNow(*doc, {history}), 0);

    EXPECT_EQ(m_manager.workersAlive(), 0);
    EXPECT_TRUE(collect().empty());
    EXPECT_FALSE(doc->IsDownloadInProgress(pos(item)));
    const auto values = quotations(history);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_DOUBLE_EQ(values[0].m_dClose, 50.0);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_FALSE(views.hints.empty());
    EXPECT_EQ(views.hints.back(), 0);
    doc->RemoveView(views);
}

// Items whose expanded URLs are equal share one job: the page is fetched once, the job takes the
// largest time limit of its items, and its items are extracted in list order. Every item is
// announced before any worker starts.
TEST_F(UpdateTest, ItemsOfOneUrlShareAJob) {
    LoopbackHttpServer server;
    HttpReply slow = HttpReply::page(page("A: 1,50 B: 2,50"));
    slow.delay = std::chrono::milliseconds(1500);
    server.reply("/shared", slow);
    server.reply("/t/X.html", HttpReply::page(page("C: 3,00 D: 4,00")));
    server.reply("/t/Y.html", HttpReply::page(page("E: 5,00")));
    const ServerSettings exchange = anchorRules(server.url("/t/[&symbol].html"), "[&name]:");
    ASSERT_TRUE(SaveServerSettings("Exchange", &exchange));

    // A alone would run out of time waiting for the answer; B's limit holds for both.
    CWPapier* a = addItem("A", server.url("/shared"), "A:", "", 1);
    CWPapier* b = addItem("B", server.url("/shared"), "B:", "", 10);
    std::vector<CWPapier*> templated;
    for (const auto& [name, symbol] : {std::pair{"C", "X"}, {"D", "X"}, {"E", "Y"}}) {
        CWPapier* item = addItem(name, "", "", symbol);
        item->m_Server.m_strName = "Exchange"; // the template's rules, not the item's own
        templated.push_back(item);
    }

    EXPECT_EQ(UpdateAllItems(*doc), 5);
    auto reports = finish();

    EXPECT_EQ(server.requestCount(), 3u);
    const auto targets = server.targets();
    for (const char* path : {"/shared", "/t/X.html", "/t/Y.html"})
        EXPECT_EQ(std::count(targets.begin(), targets.end(), path), 1) << path;
    const std::vector<CWPapier*> all{a, b, templated[0], templated[1], templated[2]};
    ASSERT_GE(reports.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(reports[i].status->m_nStatus, DOWNLOAD_INITIALIZED);
        EXPECT_EQ(reports[i].status->m_posItem, pos(all[i]));
    }
    for (const CWPapier* item : {a, b})
        EXPECT_EQ(statuses(reports, pos(item)), (std::vector<int>{1, 2, 3, 4, 7, 6, 8})) << item->m_strName;
    EXPECT_GT(indexOf(reports, pos(b), DOWNLOAD_CONVERTING), indexOf(reports, pos(a), DOWNLOAD_FINISHED));
    EXPECT_EQ(reports[static_cast<std::size_t>(indexOf(reports, pos(a), DOWNLOAD_FINISHED))].status->m_dwThreadId,
              reports[static_cast<std::size_t>(indexOf(reports, pos(b), DOWNLOAD_FINISHED))].status->m_dwThreadId);

    takeIn(reports);
    const std::vector<double> expected{1.5, 2.5, 3.0, 4.0, 5.0};
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto stored = quotations(all[i]);
        ASSERT_EQ(stored.size(), 1u) << all[i]->m_strName;
        EXPECT_DOUBLE_EQ(stored[0].m_dClose, expected[i]) << all[i]->m_strName;
        EXPECT_FALSE(doc->IsDownloadInProgress(pos(all[i])));
    }
}

// Items that may not be downloaded get no job and no report; an update of nothing but such items
// says that nothing was scheduled. An item still downloading is left out of the next update.
TEST_F(UpdateTest, ItemsThatMayNotBeDownloadedAreLeftOut) {
    LoopbackHttpServer server;
    HttpReply slow = HttpReply::page(page("V: 1,00"));
    slow.delay = std::chrono::milliseconds(300);
    server.reply("/v", slow);
    CWPapier* good = addItem("good", server.url("/v"), "V:");
    std::vector<CWPapier*> skipped;
    skipped.push_back(addItem("disabled", server.url("/v"), "V:"));
    skipped.back()->m_bDownloadEnabled = 0;
    skipped.push_back(addItem("history", server.url("/v"), "V:"));
    skipped.back()->m_bInvestmentHistory = 1;
    skipped.push_back(addItem("cash", server.url("/v"), "V:"));
    skipped.back()->m_bCashAccount = 1;
    skipped.push_back(addItem("no rules", "", "V:"));
    CWPapier outside; // not an item of the portfolio
    outside.m_bDownloadEnabled = 1;
    outside.m_Server.m_strURL = server.url("/v");
    skipped.push_back(&outside);

    EXPECT_EQ(UpdateItemsNow(*doc, skipped), 0);
    EXPECT_EQ(m_manager.workersAlive(), 0);
    EXPECT_TRUE(collect().empty());
    // Without a window for the reports nothing could take the results in: nothing is scheduled.
    SetDownloadRouting({0, &m_manager});
    EXPECT_EQ(UpdateItemsNow(*doc, {good}), 0);
    EXPECT_FALSE(doc->IsDownloadInProgress(pos(good)));
    SetDownloadRouting({receiver(), &m_manager});

    std::vector<CWPapier*> all = skipped;
    all.insert(all.begin() + 2, good);
    EXPECT_EQ(UpdateItemsNow(*doc, all), 1);
    // The same item again while its download runs: nothing to do.
    EXPECT_EQ(UpdateItemsNow(*doc, all), 0);
    auto reports = finish();

    for (const auto& r : reports)
        EXPECT_EQ(r.status->m_posItem, pos(good));
    EXPECT_EQ(server.requestCount(), 1u);
    for (const CWPapier* item : skipped) {
        if (item != &outside) {
            EXPECT_FALSE(doc->IsDownloadInProgress(pos(item))) << item->m_strName;
        }
    }
    takeIn(reports);
    EXPECT_EQ(quotations(good).size(), 1u);
    // Once taken in, the item is updated again.
    EXPECT_EQ(UpdateItemsNow(*doc, {good}), 1);
    finish();
}

// A template name without a stored key gives the store's defaults: items naming it share the job
// of the empty URL, which ends as an incorrect URL for each of them, and their flags are cleared.
TEST_F(UpdateTest, ATemplateThatIsNotStoredEndsAsAnIncorrectUrl) {
    std::vector<CWPapier*> items;
    for (const char* name : {"first", "second"}) {
        items.push_back(addItem(name, "", "", name));
        items.back()->m_Server.m_strName = "No such template";
    }

    EXPECT_EQ(UpdateItemsNow(*doc, items), 2);
    auto reports = finish();

    for (const CWPapier* item : items) {
        const DownloadStatus* done = finalFor(reports, pos(item));
        ASSERT_NE(done, nullptr) << item->m_strName;
        EXPECT_EQ(done->m_nStatus, DOWNLOAD_ERROR);
        EXPECT_EQ(done->m_nDetail, DOWNLOAD_DETAIL_INCORRECT_URL);
        EXPECT_EQ(done->m_dwThreadId, finalFor(reports, pos(items[0]))->m_dwThreadId) << "one job for both";
    }
    takeIn(reports);
    for (const CWPapier* item : items)
        EXPECT_FALSE(doc->IsDownloadInProgress(pos(item)));
}

// An update for a chosen date expands the date place holders with that date, never steps back,
// and dates quotations without a date of their own with it.
TEST_F(UpdateTest, UpdateForAGivenDate) {
    struct Case {
        const char* name;
        bool pageThere;
        int finalStatus;
        std::size_t quotationsAfter;
    };
    const Case cases[] = {{"page of that day", true, DOWNLOAD_FINISHED, 1}, {"no page that day", false, 12, 0}};
    const OleDate given(2024, 3, 10, 12, 30, 0);
    SystemTime reference;
    ASSERT_TRUE(given.GetAsSystemTime(reference));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server;
        if (c.pageThere)
            server.reply("/d/10.html", HttpReply::page(page("Kurs: 7,25")));
        doc->DeleteContents();
        CWPapier* item = addItem("dated", server.url("/d/[&d].html"), "Kurs:");

        EXPECT_EQ(WPListUpdate(*doc, {item}, reference, true), 1);
        auto reports = finish();

        EXPECT_EQ(server.targets(), std::vector<std::string>{"/d/10.html"});
        ASSERT_NE(finalFor(reports, pos(item)), nullptr);
        EXPECT_EQ(finalFor(reports, pos(item))->m_nStatus, c.finalStatus);
        takeIn(reports);
        const auto stored = quotations(item);
        ASSERT_EQ(stored.size(), c.quotationsAfter);
        if (!stored.empty()) {
            EXPECT_TRUE(datesEqual(stored[0].m_dtDate, given));
            EXPECT_DOUBLE_EQ(stored[0].m_dClose, 7.25);
        }
        EXPECT_FALSE(doc->IsDownloadInProgress(pos(item)));
    }
}

// An item converting by an exchange-rate item of the same update is extracted after it, whether
// both are read from one page or from two, so its quotation is converted by the new rate; with
// the rate item not in the update nothing waits and the rate item's last quotation is used.
TEST_F(UpdateTest, ConversionByAnExchangeRateOfTheSameUpdate) {
    struct Case {
        const char* name;
        const char* fundPath;
        const char* ratePath;
        bool rateInUpdate;
        double expectedClose;
    };
    const Case cases[] = {
        {"one job, a local page", "file", "file", true, 10.0},
        {"two jobs, the rate's page slower", "/fund", "/fx", true, 10.0},
        {"rate item not updated", "/fund", "/fx", false, 6.25},
    };
    const std::filesystem::path local = dir() / "fx.html";
    testsupport::writeFile(local, page("EURUSD: 0,80 Fund: 12,50"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server;
        HttpReply rates = HttpReply::page(page("EURUSD: 0,80"));
        rates.delay = std::chrono::milliseconds(700);
        server.reply("/fx", rates);
        server.reply("/fund", HttpReply::page(page("Fund: 12,50")));
        const auto urlOf = [&](const std::string& path) {
            return path == "file" ? "file://" + local.string() : server.url(path);
        };
        doc->DeleteContents();
        // The converting item comes first in the list: only the link makes it wait.
        CWPapier* fund = addItem("Fund", urlOf(c.fundPath), "Fund:");
        CWPapier* rate = addItem("EUR / USD", urlOf(c.ratePath), "EURUSD:");
        fund->m_bConvertCurrency = true;
        fund->m_pCurrencyItem = rate;
        rate->AddQuotation(CKurs(OleDate(2024, 3, 14, 18, 0, 0), 0.5), false);

        std::vector<CWPapier*> list{fund};
        if (c.rateInUpdate)
            list.push_back(rate);
        EXPECT_EQ(UpdateItemsNow(*doc, list), static_cast<int>(list.size()));
        auto reports = finish();

        EXPECT_EQ(indexOf(reports, pos(fund), DOWNLOAD_AWAITING) >= 0, c.rateInUpdate);
        EXPECT_EQ(indexOf(reports, pos(rate), DOWNLOAD_AWAITING), -1);
        if (c.rateInUpdate) {
            EXPECT_LT(indexOf(reports, pos(rate), DOWNLOAD_FINISHED), indexOf(reports, pos(fund), DOWNLOAD_FINISHED));
        }
        EXPECT_EQ(takeIn(reports), std::vector<int>(list.size(), 1));
        const auto stored = quotations(fund);
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_DOUBLE_EQ(stored[0].m_dClose, c.expectedClose);
        EXPECT_TRUE(host.notices().empty());
    }
}

// Items that convert by an exchange-rate item listed after them all finish, whatever the number of
// slots: a job waiting for the rate item neither keeps its slot nor keeps the rate item's job from
// starting. With one slot and one converting item a slot kept while waiting hangs the update; with
// twice the slots of converting jobs ahead of the rate item, jobs counted until they end do when
// the rate item's job is not started first as well (the manager's own tests check each alone).
TEST_F(UpdateTest, ItemsConvertingByARateItemListedLastAllFinishWhateverTheSlots) {
    struct Case {
        int slots;
        int converting;
    };
    const Case cases[] = {{1, 1}, {1, 3}, {2, 5}, {5, 10}, {5, 11}, {5, 30}};
    LoopbackHttpServer server;
    server.reply("/fx", HttpReply::page(page("EURUSD: 0,80")));
    server.replyWith([](const testsupport::RecordedRequest&) { return HttpReply::page(page("Fund: 12,50")); });
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.converting) + " converting items, " + std::to_string(c.slots) + " slots");
        host.options.NumberDownloads = c.slots;
        doc = std::make_unique<CWPapierDoc>(&host);
        std::vector<CWPapier*> funds;
        for (int i = 0; i < c.converting; ++i)
            funds.push_back(addItem("Fund " + std::to_string(i), server.url("/fund" + std::to_string(i)), "Fund:"));
        CWPapier* rate = addItem("EUR / USD", server.url("/fx"), "EURUSD:");
        for (CWPapier* fund : funds) {
            fund->m_bConvertCurrency = true;
            fund->m_pCurrencyItem = rate;
        }

        EXPECT_EQ(UpdateAllItems(*doc), c.converting + 1);
        ASSERT_TRUE(m_manager.waitForWorkers(testsupport::sanitizerScaled(std::chrono::seconds(10))))
            << "the update hangs: " << m_manager.workersAlive() << " jobs still alive";
        auto reports = collect();
        std::vector<const CWPapier*> updated(funds.begin(), funds.end());
        updated.push_back(rate);
        for (const CWPapier* item : updated) {
            const DownloadStatus* done = finalFor(reports, pos(item));
            ASSERT_NE(done, nullptr) << item->m_strName;
            EXPECT_EQ(done->m_nStatus, DOWNLOAD_FINISHED) << item->m_strName;
        }
        EXPECT_EQ(takeIn(reports), std::vector<int>(funds.size() + 1, 1));
        for (const CWPapier* fund : funds) {
            ASSERT_EQ(quotations(fund).size(), 1u) << fund->m_strName;
            EXPECT_DOUBLE_EQ(quotations(fund)[0].m_dClose, 10.0) << fund->m_strName;
        }
    }
}

// Exchange-rate links never make items wait for each other in a circle: two items converting by
// each other are not linked, and the link that would close a longer cycle is not made, with a
// warning. Everything is extracted without an abort.
TEST_F(UpdateTest, ExchangeRateLinksNeverFormACycle) {
    testsupport::LogCapture log;
    LoopbackHttpServer server;
    for (const char* path : {"/a", "/b", "/c", "/d", "/e"})
        server.reply(path, HttpReply::page(page("V: 2,00")));
    std::vector<CWPapier*> items;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        items.push_back(addItem(name, server.url(std::string("/") + name), "V:"));
        items.back()->AddQuotation(CKurs(OleDate(2024, 3, 14, 18, 0, 0), 1.0), false);
        items.back()->m_bConvertCurrency = true;
    }
    CWPapier *a = items[0], *b = items[1], *c = items[2], *d = items[3], *e = items[4];
    a->m_pCurrencyItem = b; // a waits for b
    b->m_pCurrencyItem = c; // b waits for c
    c->m_pCurrencyItem = a; // would close the circle
    d->m_pCurrencyItem = e; // d and e convert by each other
    e->m_pCurrencyItem = d;

    EXPECT_EQ(UpdateAllItems(*doc), 5);
    auto reports = finish();

    EXPECT_GE(indexOf(reports, pos(a), DOWNLOAD_AWAITING), 0);
    EXPECT_GE(indexOf(reports, pos(b), DOWNLOAD_AWAITING), 0);
    for (const CWPapier* item : {c, d, e})
        EXPECT_EQ(indexOf(reports, pos(item), DOWNLOAD_AWAITING), -1) << item->m_strName;
    for (const CWPapier* item : items) {
        const DownloadStatus* done = finalFor(reports, pos(item));
        ASSERT_NE(done, nullptr) << item->m_strName << " still waits";
        EXPECT_EQ(done->m_nStatus, DOWNLOAD_FINISHED) << item->m_strName;
    }
    int warnings = 0;
    for (const auto& line : log.lines())
        if (line.level == LOG_LEVEL_WARNING && line.message.find("cycle") != std::string::npos) {
            ++warnings;
            EXPECT_NE(line.message.find("'c'"), std::string::npos) << line.message;
        }
    EXPECT_EQ(warnings, 1);

    // c is taken in first and converts by a's old rate, b by c's new value, a by b's.
    EXPECT_EQ(takeIn(reports), std::vector<int>(5, 1));
    EXPECT_DOUBLE_EQ(quotations(c).back().m_dClose, 2.0);
    EXPECT_DOUBLE_EQ(quotations(b).back().m_dClose, 4.0);
    EXPECT_DOUBLE_EQ(quotations(a).back().m_dClose, 8.0);
}

// An abort ends every job at once, also those waiting for a download slot; the abort stays
// pending until the last final report has been taken in, and the next update runs normally.
TEST_F(UpdateTest, AbortEndsTheUpdateAndThenTheFlagReturnsToZero) {
    host.options.NumberDownloads = 1;
    doc = std::make_unique<CWPapierDoc>(&host);
    LoopbackHttpServer server;
    std::vector<CWPapier*> items;
    for (const char* path : {"/s1", "/s2", "/s3"}) {
        server.reply(path, HttpReply::silence());
        items.push_back(addItem(path, server.url(path), "V:", "", 60));
    }

    EXPECT_EQ(UpdateAllItems(*doc), 3);
    for (int i = 0; i < 500 && server.requestCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server.requestCount(), 1u) << "one slot: one connection";
    doc->AbortDownloads();
    auto reports = finish(); // well before the 60 s limit

    EXPECT_EQ(server.requestCount(), 1u) << "the jobs waiting for the slot never connected";
    for (const CWPapier* item : items) {
        const DownloadStatus* done = finalFor(reports, pos(item));
        ASSERT_NE(done, nullptr) << item->m_strName;
        EXPECT_EQ(done->m_nStatus, DOWNLOAD_ABORTED);
    }
    EXPECT_EQ(g_bAbortDownloads.load(), 1) << "the items are still marked";
    takeIn(reports);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);

    server.stop();
    LoopbackHttpServer again;
    for (CWPapier* item : items) {
        again.reply(item->m_strName, HttpReply::page(page("V: 3,00")));
        item->m_Server.m_strURL = again.url(item->m_strName);
    }
    EXPECT_EQ(UpdateAllItems(*doc), 3);
    reports = finish();
    takeIn(reports);
    for (const CWPapier* item : items)
        EXPECT_EQ(quotations(item).size(), 1u) << item->m_strName;
}
