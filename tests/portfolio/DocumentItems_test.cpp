// Item access and the operations on items: positions (stale ones find nothing), the locked
// accessors, download flags, the combined transaction list, adding, deleting and changing items
// with their link repairs, the view-hint rule and notices kept out of locked operations.

#include "DocumentTestSupport.h"
#include "support/FakePortfolioHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using doctest::makeItem;
using doctest::RecordingView;
using itemtest::at;
using testsupport::FakePortfolioHost;

namespace {

class DocumentItemsTest : public ::testing::Test {
protected:
    void SetUp() override {
        cash = add(" Cash Account");
        doc.GetItem(cash)->m_bCashAccount = 1;
        history = add(" Investment History");
        doc.GetItem(history)->m_bInvestmentHistory = 1;
        a = add("Alpha");
        b = add("Beta");
        c = add("Gamma");
        doc.AddView(view);
        doc.SetModifiedFlag(false);
    }

    ItemPos add(const std::string& name) { return doc.AddItem(makeItem(name)); }
    CWPapier& item(ItemPos pos) { return *doc.GetItem(pos); }

    std::vector<std::string> names() const { return doctest::itemNames(doc); }

    FakePortfolioHost host;
    CWPapierDoc doc{&host};
    RecordingView view;
    ItemPos cash = kNoItemPos, history = kNoItemPos, a = kNoItemPos, b = kNoItemPos, c = kNoItemPos;
};

const RecordingView::Update kAllViews{nullptr, 0};

} // namespace

TEST_F(DocumentItemsTest, PositionsWalkTheListAndStalePositionsFindNothing) {
    EXPECT_EQ(names(), (std::vector<std::string>{" Cash Account", " Investment History", "Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(doc.GetItemCount(), 5);
    EXPECT_FALSE(doc.IsWPListEmpty());
    EXPECT_EQ(doc.GetItem(kNoItemPos), nullptr);
    EXPECT_EQ(doc.GetItemAt(b), doc.GetItem(b));
    EXPECT_EQ(doc.GetItemPosition(doc.GetItem(b)), b);
    EXPECT_EQ(doc.FindCashAccountItem(), cash);
    EXPECT_EQ(doc.FindInvestmentHistoryItem(), history);

    // The last position moves on to none.
    ItemPos pos = c;
    EXPECT_EQ(doc.GetNextItem(pos), doc.GetItem(c));
    EXPECT_EQ(pos, kNoItemPos);
    EXPECT_EQ(doc.GetNextItem(pos), nullptr);

    // A deleted item's position, and a position of another portfolio, hold nothing.
    const CWPapier* gone = doc.GetItem(b);
    ASSERT_TRUE(doc.DeleteItem(b));
    CWPapierDoc other;
    const ItemPos foreign = other.AddItem(makeItem("elsewhere"));
    for (ItemPos stale : {b, foreign}) {
        EXPECT_EQ(doc.GetItem(stale), nullptr);
        ItemPos walk = stale;
        EXPECT_EQ(doc.GetNextItem(walk), nullptr);
        EXPECT_EQ(walk, kNoItemPos);
        EXPECT_EQ(doc.GetItemName(stale), "");
        EXPECT_TRUE(doc.IsDownloadInProgress(stale));
        EXPECT_FALSE(doc.GetQuotationListCopy(stale).has_value());
    }
    EXPECT_FALSE(doc.IsItemInList(gone)); // compared, never read
    EXPECT_EQ(names(), (std::vector<std::string>{" Cash Account", " Investment History", "Alpha", "Gamma"}));

    // Positions of the remaining items still work after the list changed.
    pos = a;
    EXPECT_EQ(doc.GetNextItem(pos)->m_strName, "Alpha");
    EXPECT_EQ(pos, c);
}

TEST_F(DocumentItemsTest, CashBalanceAndQuotationCopies) {
    EXPECT_EQ(doc.GetCashAccountBalance(), 0.0);
    item(cash).AddQuotation(CKurs(at(2024, 1, 1), 100.0), false);
    item(cash).AddQuotation(CKurs(at(2024, 2, 1), 250.5), false);
    EXPECT_EQ(doc.GetCashAccountBalance(), 250.5);

    const auto copy = doc.GetQuotationListCopy(cash);
    ASSERT_TRUE(copy.has_value());
    ASSERT_EQ(copy->size(), 2u);
    EXPECT_EQ((*copy)[0].m_dClose, 100.0);
    EXPECT_EQ(doc.GetQuotationListCopy(a)->size(), 0u);

    ASSERT_TRUE(doc.DeleteItems({doc.GetItem(a)}) == 1);
    item(cash).m_bCashAccount = 0;
    EXPECT_EQ(doc.FindCashAccountItem(), kNoItemPos);
    EXPECT_EQ(doc.GetCashAccountBalance(), 0.0);
}

// Copies of all transactions in date order, each with its item and its index in the item's list;
// transactions without units and taxes are left out but counted.
TEST_F(DocumentItemsTest, CombinedTransactionList) {
    const auto t = [](int day, double units, double taxes = 0.0) {
        return CTransaction(0, at(2024, 1, day), units, 10.0, taxes, 0, false, OleDate(), "");
    };
    item(a).AddTransaction(t(1, 5.0));      // ends at index 1: the next one, dated alike, goes before it
    item(a).AddTransaction(t(1, 0.0));      // index 0: neither units nor taxes
    item(a).AddTransaction(t(3, 6.0));      // index 2
    item(b).AddTransaction(t(1, 0.0, 2.0)); // taxes only: kept
    item(b).AddTransaction(t(2, 7.0));
    item(b).AddTransaction(t(3, 8.0)); // dated like the last entry so far: goes before it

    const std::vector<CTransaction> all = doc.GetAllTransactionsSorted();
    struct Expected {
        ItemPos item;
        int index;
        int day;
    };
    const std::vector<Expected> expected = {{a, 1, 1}, {b, 0, 1}, {b, 1, 2}, {b, 2, 3}, {a, 2, 3}};
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(all[i].m_posOriginItem, expected[i].item);
        EXPECT_EQ(all[i].m_nOriginIndex, expected[i].index);
        EXPECT_TRUE(datesEqual(all[i].m_dtDate, at(2024, 1, expected[i].day)));
    }
}

TEST_F(DocumentItemsTest, DownloadFlagsAndTheAbortFlag) {
    EXPECT_FALSE(doc.IsDownloadInProgress(a));
    doc.SetDownloadInProgress(a);
    doc.SetDownloadInProgress(b);
    EXPECT_TRUE(doc.IsDownloadInProgress(a));
    doc.AbortDownloads();

    // The abort stays pending while any item is downloading.
    doc.ResetDownloadFlag(doc.GetItem(a));
    EXPECT_FALSE(doc.IsDownloadInProgress(a));
    EXPECT_EQ(g_bAbortDownloads.load(), 1);
    doc.ResetDownloadFlagAt(kNoItemPos);
    EXPECT_EQ(g_bAbortDownloads.load(), 1);
    doc.ResetDownloadFlagAt(b);
    EXPECT_EQ(g_bAbortDownloads.load(), 0);

    // An item that is not in the list is not touched.
    CWPapier outside;
    outside.m_bDownloadPending = 1;
    doc.ResetDownloadFlag(&outside);
    EXPECT_EQ(outside.m_bDownloadPending, 1);

    // Adding an item clears its flag.
    auto pending = makeItem("pending");
    pending->m_bDownloadPending = 1;
    EXPECT_FALSE(doc.IsDownloadInProgress(doc.AddItem(std::move(pending))));
}

// Every change tells all views once (no sender, hint 0) and sets the modified flag; an operation
// that finds no item changes nothing and tells nobody.
TEST_F(DocumentItemsTest, ViewHintRuleOfTheOperations) {
    struct Case {
        const char* what;
        std::function<bool(CWPapierDoc&, ItemPos stale)> run;
        bool changes;
    };
    const Case cases[] = {
        {"AddItem", [](CWPapierDoc& d, ItemPos) { return d.AddItem(makeItem("new")) != kNoItemPos; }, true},
        {"AddItem without an item", [](CWPapierDoc& d, ItemPos) { return d.AddItem(nullptr) == kNoItemPos; }, false},
        {"DeleteItem", [this](CWPapierDoc& d, ItemPos) { return d.DeleteItem(a); }, true},
        {"DeleteItem, stale", [](CWPapierDoc& d, ItemPos s) { return !d.DeleteItem(s); }, false},
        {"DeleteItems", [this](CWPapierDoc& d, ItemPos) { return d.DeleteItems({d.GetItem(a)}) == 1; }, true},
        {"DeleteItems deleting nothing",
         [this](CWPapierDoc& d, ItemPos) { return d.DeleteItems({d.GetItem(cash)}) == 0; }, true},
        {"SetItemProperties", [this](CWPapierDoc& d, ItemPos) { return d.SetItemProperties(a, ItemProperties{}); },
         true},
        {"SetItemProperties, stale",
         [](CWPapierDoc& d, ItemPos s) { return !d.SetItemProperties(s, ItemProperties{}); }, false},
        {"SetItemServerSettings",
         [this](CWPapierDoc& d, ItemPos) { return d.SetItemServerSettings(a, ServerSettings{}); }, true},
        {"SetItemServerSettings, stale",
         [](CWPapierDoc& d, ItemPos s) { return !d.SetItemServerSettings(s, ServerSettings{}); }, false},
        {"RepairItemLinks",
         [](CWPapierDoc& d, ItemPos) {
             d.RepairItemLinks();
             return true;
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc.DeleteContents();
        SetUp(); // a fresh portfolio
        g_bAbortDownloads = 0;
        const ItemPos stale = add("stale");
        doc.DeleteItem(stale);
        doc.SetModifiedFlag(false);
        view.updates.clear();
        EXPECT_TRUE(c.run(doc, stale));
        EXPECT_EQ(doc.IsModified(), c.changes);
        if (c.changes)
            EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});
        else
            EXPECT_TRUE(view.updates.empty());
    }
}

// Deleting an item that others use: their conversion by it is switched off and their formula items
// fall back to themselves.
TEST_F(DocumentItemsTest, DeletingAnItemRepairsTheLinksToIt) {
    CWPapier& gamma = item(c);
    CWPapier* beta = doc.GetItem(b);
    gamma.m_bConvertCurrency = true;
    gamma.m_pCurrencyItem = beta;
    gamma.m_pFormulaItemX = beta;
    gamma.m_pFormulaItemY = beta;
    item(a).m_pFormulaItemX = &gamma;
    ASSERT_TRUE(doc.DeleteItem(b));
    EXPECT_FALSE(gamma.m_bConvertCurrency);
    EXPECT_EQ(gamma.m_pCurrencyItem, nullptr);
    EXPECT_EQ(gamma.m_pFormulaItemX, &gamma);
    EXPECT_EQ(gamma.m_pFormulaItemY, &gamma);
    EXPECT_EQ(item(a).m_pFormulaItemX, &gamma); // links to remaining items stay
}

TEST_F(DocumentItemsTest, DeleteItemsKeepsSpecialAndDownloadingItems) {
    item(b).m_bDownloadPending = 1;
    CWPapier* alpha = doc.GetItem(a);
    CWPapier* gone = doc.GetItem(c);
    ASSERT_TRUE(doc.DeleteItem(c)); // `gone` now names freed memory; it must never be read
    item(b).m_pCurrencyItem = alpha;
    item(b).m_bConvertCurrency = true;

    const int deleted = doc.DeleteItems({doc.GetItem(cash), doc.GetItem(history), doc.GetItem(b), gone, alpha, alpha});
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(names(), (std::vector<std::string>{" Cash Account", " Investment History", "Beta"}));
    EXPECT_EQ(item(b).m_pCurrencyItem, nullptr);
    EXPECT_FALSE(item(b).m_bConvertCurrency);
}

TEST_F(DocumentItemsTest, SetItemPropertiesAppliesTheRecord) {
    CWPapier& alpha = item(a);
    alpha.m_Server.m_strSymbolInfo = "six letters";
    alpha.m_Server.m_strSymbolSearchUrl = "https://lookup.example";
    alpha.m_Server.m_nReserved[2] = 77;
    alpha.AddTransaction(CTransaction(0, at(2024, 1, 2), 4.0, 25.0, 0.0, 0, false, OleDate(), ""));

    ItemProperties p;
    p.m_strName = "Alpha AG";
    p.m_strSymbol = "ALP";
    p.m_strCategory = "Equity";
    p.m_strNote = "note";
    p.m_bDownloadEnabled = true;
    p.m_Server.m_strName = "DE-Tradegate";
    p.m_Server.m_strURL = "https://x.example/[&symbol]";
    p.m_Server.m_nTimeout = 90;
    p.m_Server.m_nRegExpMinuteIndex = 9;
    p.m_Server.m_strSymbolInfo = "not taken";
    p.m_crColor = 0x00ABCDEF;
    p.m_dtBegin = at(2023, 1, 1);
    p.m_bAlarmAbove = 1;
    p.m_dAlarmAbove = 30.0;
    p.m_dUnits = 999.0; // replaced by the units of the transactions
    p.m_dBreakEven = 999.0;
    p.m_dAveragePrice = 999.0;
    p.m_bConvertCurrency = true;
    p.m_pCurrencyItem = doc.GetItem(b);
    p.m_nCurrencyItemId = 12345; // not applied
    p.m_strFormula = "x/y";
    p.m_bFormulaPercent = true;
    p.m_pFormulaItemX = doc.GetItem(c);
    p.m_nFormulaValueX = 3;
    p.m_pFormulaItemY = nullptr; // none: the item itself
    p.m_nFormulaValueY = 1;
    ASSERT_TRUE(doc.SetItemProperties(a, p));

    EXPECT_EQ(alpha.m_strName, "Alpha AG");
    EXPECT_EQ(alpha.m_strSymbol, "ALP");
    EXPECT_EQ(alpha.m_strCategory, "Equity");
    EXPECT_EQ(alpha.m_strNote, "note");
    EXPECT_EQ(alpha.m_bDownloadEnabled, 1);
    EXPECT_EQ(alpha.m_Server.m_strName, "DE-Tradegate");
    EXPECT_EQ(alpha.m_Server.m_strURL, "https://x.example/[&symbol]");
    EXPECT_EQ(alpha.m_Server.m_nTimeout, 90);
    EXPECT_EQ(alpha.m_Server.m_nRegExpMinuteIndex, 9);
    EXPECT_EQ(alpha.m_Server.m_strSymbolInfo, "six letters");
    EXPECT_EQ(alpha.m_Server.m_strSymbolSearchUrl, "https://lookup.example");
    EXPECT_EQ(alpha.m_Server.m_nReserved[2], 77);
    EXPECT_EQ(alpha.m_crColor, 0x00ABCDEFu);
    EXPECT_TRUE(datesEqual(alpha.m_dtBegin, at(2023, 1, 1)));
    EXPECT_EQ(alpha.m_bAlarmAbove, 1);
    EXPECT_EQ(alpha.m_dAlarmAbove, 30.0);
    EXPECT_EQ(alpha.m_dUnits, 4.0);
    EXPECT_EQ(alpha.m_dBreakEven, 25.0);
    EXPECT_EQ(alpha.m_dAveragePrice, 25.0);
    EXPECT_TRUE(alpha.m_bConvertCurrency);
    EXPECT_EQ(alpha.m_pCurrencyItem, doc.GetItem(b));
    EXPECT_EQ(alpha.m_nCurrencyItemId, 0u);
    EXPECT_EQ(alpha.m_strFormula, "x/y");
    EXPECT_TRUE(alpha.m_bFormulaPercent);
    EXPECT_EQ(alpha.m_pFormulaItemX, doc.GetItem(c));
    EXPECT_EQ(alpha.m_nFormulaValueX, 3);
    EXPECT_EQ(alpha.m_pFormulaItemY, &alpha);
    EXPECT_EQ(alpha.m_nFormulaValueY, 1);

    // Links to items that are not in the portfolio are not taken.
    CWPapier outside;
    p.m_pCurrencyItem = &outside;
    p.m_pFormulaItemX = &outside;
    p.m_pFormulaItemY = &outside;
    ASSERT_TRUE(doc.SetItemProperties(a, p));
    EXPECT_FALSE(alpha.m_bConvertCurrency);
    EXPECT_EQ(alpha.m_pCurrencyItem, nullptr);
    EXPECT_EQ(alpha.m_pFormulaItemX, &alpha);
    EXPECT_EQ(alpha.m_pFormulaItemY, &alpha);
}

TEST_F(DocumentItemsTest, SetItemServerSettingsKeepsTheSymbolLookUp) {
    CWPapier& alpha = item(a);
    alpha.m_Server.m_strSymbolInfo = "info";
    alpha.m_Server.m_strSymbolSearchUrl = "https://lookup.example";
    ServerSettings s;
    s.m_strName = "";
    s.m_strURL = "file:///pages/[&symbol].html";
    s.m_strThousands = ".";
    s.m_strDecimal = ",";
    s.m_nFormat = 2;
    s.m_strTextBeforeValue = "Kurs";
    s.m_nHtmlBeforeValue = 1;
    s.m_nNumbersBeforeValue = 2;
    s.m_bNoCaseSensitive = 1;
    s.m_nFiltering = 1;
    s.m_strRegExp = "([&quotation_close])";
    s.m_nRegExpQuotationIndex = 1;
    s.m_bRegExpExtractDate = 1;
    s.m_nRegExpDayIndex = 2;
    s.m_strSymbolInfo = "other";
    s.m_strSymbolSearchUrl = "https://other.example";
    ASSERT_TRUE(doc.SetItemServerSettings(a, s));
    EXPECT_EQ(alpha.m_Server.m_strURL, s.m_strURL);
    EXPECT_EQ(alpha.m_Server.m_strRegExp, s.m_strRegExp);
    EXPECT_EQ(alpha.m_Server.m_bRegExpExtractDate, 1);
    EXPECT_EQ(alpha.m_Server.m_nRegExpDayIndex, 2);
    EXPECT_EQ(alpha.m_Server.m_strTextBeforeValue, "Kurs");
    EXPECT_EQ(alpha.m_Server.m_strSymbolInfo, "info");
    EXPECT_EQ(alpha.m_Server.m_strSymbolSearchUrl, "https://lookup.example");
}

// Each accessor holds the list lock: while another thread holds it, the accessor waits.
TEST_F(DocumentItemsTest, AccessorsTakeTheListLock) {
    item(a).AddQuotation(CKurs(at(2024, 1, 1), 1.0), false);
    CWPapier* alpha = doc.GetItem(a);
    struct Accessor {
        const char* name;
        std::function<void()> call;
    };
    const Accessor accessors[] = {
        {"GetItem", [&] { doc.GetItem(a); }},
        {"GetItemAt", [&] { doc.GetItemAt(a); }},
        {"GetHeadPosition", [&] { doc.GetHeadPosition(); }},
        {"GetNextItem",
         [&] {
             ItemPos p = a;
             doc.GetNextItem(p);
         }},
        {"GetItemCount", [&] { doc.GetItemCount(); }},
        {"IsWPListEmpty", [&] { doc.IsWPListEmpty(); }},
        {"IsItemInList", [&] { doc.IsItemInList(alpha); }},
        {"FindInvestmentHistoryItem", [&] { doc.FindInvestmentHistoryItem(); }},
        {"FindCashAccountItem", [&] { doc.FindCashAccountItem(); }},
        {"GetItemName", [&] { doc.GetItemName(a); }},
        {"GetCashAccountBalance", [&] { doc.GetCashAccountBalance(); }},
        {"GetQuotationListCopy", [&] { doc.GetQuotationListCopy(a); }},
        {"IsDownloadInProgress", [&] { doc.IsDownloadInProgress(a); }},
        {"SetDownloadInProgress", [&] { doc.SetDownloadInProgress(a); }},
        {"ResetDownloadFlagAt", [&] { doc.ResetDownloadFlagAt(a); }},
        {"ResetDownloadFlag", [&] { doc.ResetDownloadFlag(alpha); }},
    };
    for (const Accessor& accessor : accessors) {
        SCOPED_TRACE(accessor.name);
        std::atomic<bool> done{false};
        std::thread caller;
        {
            const auto lock = doc.LockList();
            caller = std::thread([&] {
                accessor.call();
                done = true;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_FALSE(done.load());
        }
        caller.join();
        EXPECT_TRUE(done.load());
    }
}

// A notice raised inside a locked operation reaches the host only when the outermost lock is
// released, and then with the lock free.
TEST_F(DocumentItemsTest, NoticesWaitForTheEndOfTheLockedOperation) {
    std::vector<bool> lockFreeAtNotice;
    host.onNotice = [&](const PortfolioNotice&) { lockFreeAtNotice.push_back(doctest::listLockFree(doc)); };
    {
        const auto outer = doc.LockList();
        {
            const auto inner = doc.LockList();
            doc.notifyUser(PortfolioNotice::Kind::Information, "first");
        }
        doc.notifyUser(PortfolioNotice::Kind::Warning, "second");
        EXPECT_TRUE(host.notices().empty());
    }
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Information, "first"},
                                                            {PortfolioNotice::Kind::Warning, "second"}}));
    EXPECT_EQ(lockFreeAtNotice, (std::vector<bool>{true, true}));

    // Outside any operation a notice is shown at once.
    doc.notifyUser(PortfolioNotice::Kind::Error, "third");
    EXPECT_EQ(host.notices().size(), 3u);
}

TEST(DocumentSlotsTest, DownloadSlotsFollowTheOptionWithinLimits) {
    EXPECT_EQ(CWPapierDoc().m_SemaphoreDownloads->maximum(), 5);
    for (const auto& [option, slots] :
         std::vector<std::pair<int, int>>{{0, 1}, {-3, 1}, {1, 1}, {12, 12}, {100000, 500}}) {
        FakePortfolioHost host;
        host.options.NumberDownloads = option;
        CWPapierDoc doc(&host);
        EXPECT_EQ(doc.m_SemaphoreDownloads->maximum(), slots) << option;
        // Changing the option later does not resize them.
        host.options.NumberDownloads = 7;
        EXPECT_EQ(doc.m_SemaphoreDownloads->maximum(), slots);
    }
}

TEST_F(DocumentItemsTest, NewDocumentEmptiesThePortfolio) {
    doc.SetModifiedFlag(true);
    view.updates.clear();
    ASSERT_TRUE(doc.newDocument());
    EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});
    EXPECT_EQ(doc.GetItem(a), nullptr);
}
