// Items the document creates: the special items of a new portfolio with their defaults, the repair
// of a legacy "Liquidity" item, new items with the server configuration of the user's country,
// exchange-rate items, no second special item, and aborting downloads.

#include "DocBehaviourSupport.h"
#include "portfolio/ItemDefaults.h"
#include "support/Bounded.h"
#include "support/LogCapture.h"

#include <atomic>
#include <chrono>
#include <future>

using doctest::closes;
using doctest::makeItem;
using doctest::RecordingView;
using doctest::transaction;
using itemtest::at;

namespace {

class DocSpecialTest : public doctest::PortfolioTest {};

const OleDate kNow = at(2024, 6, 15, 12, 0, 0);

// The defaults every item the document creates gets, whatever its kind.
void expectCreatedDefaults(const CWPapier& it) {
    const ServerSettings& s = it.m_Server;
    EXPECT_EQ(s.m_strURL, "http://");
    EXPECT_EQ(s.m_nTimeout, 180);
    EXPECT_EQ(s.m_nFormat, 0);
    EXPECT_EQ(s.m_strTextBeforeValue, "[&symbol]");
    EXPECT_EQ(s.m_nHtmlBeforeValue, 0);
    EXPECT_EQ(s.m_nNumbersBeforeValue, 0);
    EXPECT_EQ(s.m_bNoCaseSensitive, 1);
    EXPECT_EQ(s.m_nFiltering, 0);
    EXPECT_EQ(s.m_strRegExp, kDefaultItemRegExp);
    EXPECT_EQ(s.m_strRegExp.size(), 112u);
    EXPECT_EQ(
        (std::vector<int>{s.m_nRegExpQuotationIndex, s.m_bRegExpExtractDate, s.m_nRegExpDayIndex, s.m_nRegExpMonthIndex,
                          s.m_nRegExpYearIndex, s.m_bRegExpExtractTime, s.m_nRegExpHourIndex, s.m_nRegExpMinuteIndex}),
        (std::vector<int>{1, 0, 2, 3, 4, 0, 5, 6}));
    EXPECT_EQ((std::vector<int>{it.m_bChartEnabled, it.m_bGrid, it.m_nGraphValues, it.m_nAxisValues, it.m_bBegin,
                                it.m_bEnd, it.m_bBreakEvenLine, it.m_bTransactionMarks, it.m_bAlarmAbove,
                                it.m_bAlarmBelow, it.m_bAlarmBreakEven, it.m_bDownloadPending}),
              (std::vector<int>{1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(it.m_dtBegin.m_dt, kNow.m_dt);
    EXPECT_EQ(it.m_dtEnd.m_dt, (kNow + OleDateSpan(365, 0, 0, 0)).m_dt);
    EXPECT_EQ(it.m_dAlarmBreakEvenPercent, 20.0);
    EXPECT_EQ(it.m_dAlarmAbove, 0.0);
    EXPECT_EQ(it.m_dAlarmBelow, 0.0);
    EXPECT_FALSE(it.m_bConvertCurrency);
    EXPECT_EQ(it.m_pCurrencyItem, nullptr);
    EXPECT_TRUE(it.m_strFormula.empty());
    EXPECT_FALSE(it.m_bFormulaPercent);
    EXPECT_EQ(it.m_pFormulaItemX, &it);
    EXPECT_EQ(it.m_pFormulaItemY, &it);
    EXPECT_EQ(it.m_nFormulaValueX, 0);
    EXPECT_EQ(it.m_nFormulaValueY, 0);
    EXPECT_TRUE(it.m_strNote.empty());
}

} // namespace

TEST_F(DocSpecialTest, ANewPortfolioHoldsItsSpecialItems) {
    EXPECT_EQ(names(), (std::vector<std::string>{" Cash Account", " Investment History"}));
    EXPECT_FALSE(doc.IsModified());
    const CWPapier& c = item(cash);
    const CWPapier& h = item(history);
    EXPECT_EQ(std::make_tuple(c.m_bCashAccount, c.m_bInvestmentHistory, c.m_bDownloadEnabled),
              std::make_tuple(1, 0, 0));
    EXPECT_EQ(std::make_tuple(h.m_bCashAccount, h.m_bInvestmentHistory, h.m_bDownloadEnabled),
              std::make_tuple(0, 1, 0));
    EXPECT_EQ(c.m_crColor, 0xFF0000u);
    EXPECT_EQ(h.m_crColor, 0x000000u);
    for (const CWPapier* special : {&c, &h}) {
        SCOPED_TRACE(special->m_strName);
        EXPECT_EQ(special->m_Server.m_strName, "-- Local definition / Non-template --");
        EXPECT_TRUE(special->m_strSymbol.empty());
        expectCreatedDefaults(*special);
    }
    // Asked again, neither is created twice.
    doc.CheckCashAccount();
    EXPECT_EQ(doc.CreateInvestmentHistoryItem(), history);
    EXPECT_EQ(doc.GetItemCount(), 2);
    EXPECT_FALSE(doc.IsModified());
}

// A file written before the cash account had its flag: its "Liquidity..." item becomes the cash
// account with its category and transactions, its balance rebuilt; an empty cash account goes,
// after the links to it are repaired.
TEST_F(DocSpecialTest, RepairOfALegacyLiquidityItem) {
    CWPapierDoc legacy(&host);
    auto liquidity = makeItem("liquidity reserve");
    liquidity->m_strCategory = "Bank";
    liquidity->m_strNote = "old note";
    liquidity->m_Server.m_strName = "DE-Tradegate";
    liquidity->AddTransaction(transaction(0, at(2024, 1, 1), 1000, 0, 0));
    liquidity->AddTransaction(transaction(1, at(2024, 2, 1), 200, 0, 5));
    auto emptyCash = makeItem(" Cash Account");
    emptyCash->m_bCashAccount = 1;
    auto user = makeItem("Acme");
    user->m_pFormulaItemX = emptyCash.get();
    user->m_pCurrencyItem = emptyCash.get();
    user->m_bConvertCurrency = true;
    CWPapier* liquidityItem = liquidity.get();
    CWPapier* userItem = user.get();
    legacy.AddItem(std::move(emptyCash));
    legacy.AddItem(std::move(liquidity));
    legacy.AddItem(std::move(user));
    legacy.SetModifiedFlag(false);

    legacy.CheckCashAccount();
    ASSERT_EQ(legacy.GetItemCount(), 2);
    EXPECT_EQ(legacy.FindCashAccountItem(), legacy.GetItemPosition(liquidityItem));
    EXPECT_EQ(liquidityItem->m_strName, " Cash Account");
    EXPECT_EQ(liquidityItem->m_strCategory, "Bank");
    EXPECT_TRUE(liquidityItem->m_strNote.empty());
    EXPECT_EQ(liquidityItem->m_Server.m_strName, "-- Local definition / Non-template --");
    EXPECT_EQ(closes(*liquidityItem), (std::vector<double>{1000, 795}));
    EXPECT_EQ(liquidityItem->m_dUnits, 1.0);
    // The links to the removed item were repaired before it went.
    EXPECT_EQ(userItem->m_pFormulaItemX, userItem);
    EXPECT_EQ(userItem->m_pCurrencyItem, nullptr);
    EXPECT_FALSE(userItem->m_bConvertCurrency);
    EXPECT_FALSE(legacy.IsModified());
}

TEST_F(DocSpecialTest, WhichLegacyItemCounts) {
    struct Case {
        const char* what;
        std::vector<std::string> items; // "*" marks a cash account with a transaction
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"the last Liquidity item", {"Liquidity A", "LIQUIDITY B"}, {"Liquidity A", " Cash Account"}},
        {"a short name never matches", {"Liquidit"}, {"Liquidit", " Cash Account"}},
        {"a cash account with transactions keeps both", {"*", "Liquidity"}, {" Cash Account", "Liquidity"}},
        {"none: one is created", {"Acme"}, {"Acme", " Cash Account"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CWPapierDoc d(&host);
        for (const std::string& name : c.items) {
            auto it = makeItem(name == "*" ? " Cash Account" : name);
            if (name == "*") {
                it->m_bCashAccount = 1;
                it->AddTransaction(transaction(0, at(2024, 1, 1), 5, 0, 0));
            }
            d.AddItem(std::move(it));
        }
        d.CheckCashAccount();
        EXPECT_EQ(doctest::itemNames(d), c.after);
        EXPECT_NE(d.FindCashAccountItem(), kNoItemPos);
    }
}

TEST_F(DocSpecialTest, CountryTable) {
    const std::pair<const char*, const char*> cases[] = {
        {"DE", "DE-Tradegate"},
        {"de", "DE-Tradegate"},
        {"Deutschland", "DE-Tradegate"},
        {"Deutschland ", "US-Yahoo"},
        {"Germany", "DE-Tradegate"},
        {"AT", "AT-Wiener Boerse"},
        {"\xC3\x96sterreich", "AT-Wiener Boerse"},
        {"\xC3\xB6STERREICH", "AT-Wiener Boerse"},
        {"Schweiz", "CH-SWX"},
        {"Portugal", "PT-BVL"},
        {"PT", "PT-BVL"},
        {"Brasil", "BR-Yahoo"},
        {"United States", "US-Yahoo"},
        {"UK", "UK-Yahoo Finance"},
        {"GB", "UK-Yahoo Finance"},
        {"united kingdom", "UK-Yahoo Finance"},
        {"FR", "FR-Yahoo Finance"},
        {"Spain", "ES-Yahoo Finanzas"},
        {"Italia", "IT-Yahoo Finanza"},
        {"Italy", "IT-Yahoo Finanza"},
        {"JP", "US-Yahoo"},
        {"Japan", "US-Yahoo"},
        {"", "US-Yahoo"},
    };
    for (const auto& [country, server] : cases)
        EXPECT_EQ(CWPapierDoc::ServerConfigurationForCountry(country), server) << country;
}

// A new item takes the record and the server configuration of the user's country.
TEST_F(DocSpecialTest, NewItem) {
    const ItemPos other = addItem("Other");
    ItemProperties p;
    p.m_strName = "Acme";
    p.m_strSymbol = "ACM";
    p.m_strCategory = "Equity";
    p.m_strNote = "note";
    p.m_bDownloadEnabled = true;
    p.m_Server.m_strName = "ignored";
    p.m_Server.m_strURL = "https://quotes.example/[&symbol]";
    p.m_Server.m_nTimeout = 30;
    p.m_Server.m_strSymbolInfo = "not copied";
    p.m_crColor = 0x123456;
    p.m_dtBegin = at(2024, 1, 1);
    p.m_dUnits = 3;
    p.m_dAlarmBreakEvenPercent = 7;
    p.m_strFormula = "x*2";
    p.m_pFormulaItemX = doc.GetItem(other);
    p.m_pFormulaItemY = reinterpret_cast<CWPapier*>(&p); // not an item of the portfolio
    p.m_pCurrencyItem = doc.GetItem(other);
    p.m_bConvertCurrency = true;

    struct Case {
        std::optional<std::string> country;
        const char* server;
        bool logged;
    };
    const Case cases[] = {{"PT", "PT-BVL", true},
                          {"AT", "AT-Wiener Boerse", true},
                          {"JP", "US-Yahoo", true},
                          {"Italy", "IT-Yahoo Finanza", true},
                          {std::nullopt, "US-Yahoo", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        doc.setCountryProvider([&c] { return c.country; });
        clearRecord();
        testsupport::LogCapture log;
        const ItemPos pos = doc.AddNewItem(p);
        const CWPapier& it = item(pos);
        EXPECT_EQ(it.m_Server.m_strName, c.server);
        const auto lines = log.messages();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "** Local country: " + c.country.value_or("")),
                  c.logged ? 1 : 0);
        EXPECT_EQ(it.m_strName, "Acme");
        EXPECT_EQ(it.m_strSymbol, "ACM");
        EXPECT_EQ(it.m_strCategory, "Equity");
        EXPECT_EQ(it.m_strNote, "note");
        EXPECT_EQ(it.m_bDownloadEnabled, 1);
        EXPECT_EQ(std::make_tuple(it.m_bCashAccount, it.m_bInvestmentHistory, it.m_bDownloadPending),
                  std::make_tuple(0, 0, 0));
        EXPECT_EQ(it.m_Server.m_strURL, p.m_Server.m_strURL);
        EXPECT_EQ(it.m_Server.m_nTimeout, 30);
        EXPECT_TRUE(it.m_Server.m_strSymbolInfo.empty());
        EXPECT_EQ(it.m_crColor, 0x123456u);
        EXPECT_EQ(it.m_dtBegin.m_dt, at(2024, 1, 1).m_dt);
        EXPECT_EQ(it.m_dUnits, 3.0);
        EXPECT_EQ(it.m_dAlarmBreakEvenPercent, 7.0);
        EXPECT_EQ(it.m_strFormula, "x*2");
        EXPECT_EQ(it.m_pFormulaItemX, doc.GetItem(other));
        EXPECT_EQ(it.m_pFormulaItemY, &it);
        EXPECT_EQ(it.m_pCurrencyItem, doc.GetItem(other));
        EXPECT_TRUE(it.m_bConvertCurrency);
        EXPECT_EQ(names().back(), "Acme");
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, 0}}));
    }
}

TEST_F(DocSpecialTest, ExchangeRateItem) {
    const std::pair<const char*, const char*> codes[] = {
        {"Euro (EUR)", "EUR"}, {"US Dollar (USD)", "USD"}, {"X (Y)", "X (Y)"}, {"Yen", "Yen"}, {"CHF)", "CHF"},
        {") (", ") ("},        {"a (bc) (de)", "bc"},      {"(", "("},
    };
    for (const auto& [text, code] : codes)
        EXPECT_EQ(CWPapierDoc::CurrencyCode(text), code) << text;

    clearRecord();
    CWPapier* rate = doc.CreateExchangeRateItem("Euro (EUR)", "US Dollar (USD)");
    ASSERT_TRUE(doc.IsItemInList(rate));
    EXPECT_EQ(rate->m_strName, "Euro (EUR) / US Dollar (USD)");
    EXPECT_EQ(rate->m_strSymbol, "EURUSD");
    EXPECT_EQ(rate->m_bDownloadEnabled, 1);
    EXPECT_EQ(rate->m_Server.m_strName, "Yahoo Currencies");
    EXPECT_EQ(rate->m_crColor, 0x7F7F7Fu);
    EXPECT_EQ(std::make_tuple(rate->m_bCashAccount, rate->m_bInvestmentHistory), std::make_tuple(0, 0));
    expectCreatedDefaults(*rate);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, 0}}));
    EXPECT_EQ(doc.CreateExchangeRateItem("Yen", "X (Y)")->m_strSymbol, "YenX (Y)");
}

// A pasted or added item that claims to be a second cash account or history is an ordinary item.
TEST_F(DocSpecialTest, AddItemLeavesNoSecondSpecialItem) {
    auto second = makeItem("second cash");
    second->m_bCashAccount = 1;
    second->m_bInvestmentHistory = 1;
    const ItemPos pos = doc.AddItem(std::move(second));
    EXPECT_EQ(item(pos).m_bCashAccount, 0);
    EXPECT_EQ(item(pos).m_bInvestmentHistory, 0);
    EXPECT_EQ(doc.FindCashAccountItem(), cash);
    EXPECT_EQ(doc.FindInvestmentHistoryItem(), history);

    // Where there is none, an item may become it.
    CWPapierDoc empty(&host);
    auto first = makeItem("only cash");
    first->m_bCashAccount = 1;
    const ItemPos only = empty.AddItem(std::move(first));
    EXPECT_EQ(empty.FindCashAccountItem(), only);
}

// Appending many items at once: their order, nulls skipped, a notice naming each new item (so a
// list adds their rows alone), and still no second special item, neither beside the list's own
// nor among the appended.
TEST_F(DocSpecialTest, AddItemsAppendsInOrderWithANoticePerItemAndNoSecondSpecialItem) {
    clearRecord();
    std::vector<std::unique_ptr<CWPapier>> batch;
    batch.push_back(makeItem("a"));
    batch.push_back(nullptr);
    batch.push_back(makeItem("claims cash"));
    batch.back()->m_bCashAccount = 1;
    batch.back()->m_bDownloadPending = 1;
    batch.push_back(makeItem("b"));
    const std::vector<ItemPos> ids = {batch[0]->id(), batch[2]->id(), batch[3]->id()};
    const std::size_t before = names().size();
    EXPECT_EQ(doc.AddItems(std::move(batch)), ids);
    const std::vector<std::string> after = names();
    EXPECT_EQ(std::vector<std::string>(after.begin() + static_cast<std::ptrdiff_t>(before), after.end()),
              (std::vector<std::string>{"a", "claims cash", "b"}));
    EXPECT_EQ(item(ids[1]).m_bCashAccount, 0);
    EXPECT_EQ(item(ids[1]).m_bDownloadPending, 0);
    EXPECT_EQ(doc.FindCashAccountItem(), cash);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, static_cast<std::int64_t>(ids[0])},
                                                                {nullptr, static_cast<std::int64_t>(ids[1])},
                                                                {nullptr, static_cast<std::int64_t>(ids[2])}}));

    // Nothing to append: no notice, no change.
    clearRecord();
    EXPECT_TRUE(doc.AddItems({}).empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());

    // Where the list has none, the first appended claim wins and the later ones are ordinary.
    CWPapierDoc empty(&host);
    std::vector<std::unique_ptr<CWPapier>> claims;
    for (const char* name : {"cash 1", "history 1", "cash 2", "history 2"}) {
        claims.push_back(makeItem(name));
        (name[0] == 'c' ? claims.back()->m_bCashAccount : claims.back()->m_bInvestmentHistory) = 1;
    }
    const std::vector<ItemPos> added = empty.AddItems(std::move(claims));
    ASSERT_EQ(added.size(), 4u);
    EXPECT_EQ(empty.FindCashAccountItem(), added[0]);
    EXPECT_EQ(empty.FindInvestmentHistoryItem(), added[1]);
    EXPECT_EQ(empty.GetItem(added[2])->m_bCashAccount, 0);
    EXPECT_EQ(empty.GetItem(added[3])->m_bInvestmentHistory, 0);
}

// Aborting wakes whoever waits for a download slot; the flag stays until no item downloads.
TEST_F(DocSpecialTest, AbortingDownloads) {
    const ItemPos acme = addItem("Acme");
    doc.SetDownloadInProgress(acme);
    std::vector<std::unique_ptr<SemaphoreSlot>> taken;
    while (doc.m_SemaphoreDownloads->available() > 0) {
        taken.push_back(std::make_unique<SemaphoreSlot>(doc.m_SemaphoreDownloads.get()));
        ASSERT_TRUE(taken.back()->acquire());
    }
    auto waiter = std::async(std::launch::async, [this] {
        SemaphoreSlot slot(doc.m_SemaphoreDownloads.get());
        return slot.acquire(&g_bAbortDownloads);
    });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    doc.AbortDownloads();
    const bool woken = waiter.wait_for(testsupport::kWaitLimit) == std::future_status::ready;
    if (!woken)
        taken.clear(); // the free slots end the waiter: the test fails here instead of hanging
    ASSERT_TRUE(woken) << "aborting did not wake the waiter for a slot";
    EXPECT_FALSE(waiter.get());
    EXPECT_EQ(g_bAbortDownloads.load(), 1);

    doc.ResetDownloadFlagAt(kNoItemPos); // acme still downloads
    EXPECT_EQ(g_bAbortDownloads.load(), 1);
    doc.ResetDownloadFlagAt(acme);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
}
