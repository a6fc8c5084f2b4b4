// Copy and paste of items through the item clipboard format: the names pasted copies take, the
// special flags they lose, how links to items that were not copied are re-linked or dropped (in
// this run's portfolio and in another one), and foreign or damaged data, which inserts nothing.
#include "views/wpapierlviewClipboard.h"

#include "ListViewDocFixture.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

class ItemClipboardTest : public testsupport::ListViewDocTest {
protected:
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        ItemPos pos = doc->GetHeadPosition();
        while (pos != kNoItemPos)
            out.push_back(doc->GetNextItem(pos)->m_strName);
        return out;
    }
    std::string payloadOf(const std::vector<ItemPos>& positions) {
        const QByteArray bytes = ItemClipboardPayload(*doc, positions);
        return std::string(bytes.constData(), std::size_t(bytes.size()));
    }
    CWPapier& pasted(const ItemPasteResult& r, std::size_t i) { return item(r.pasted.at(i)); }
};

TEST_F(ItemClipboardTest, PastedCopiesTakeFreeNamesAndKeepTheirQuotations) {
    const ItemPos abc = addItem("ABC", {{OleDate(2024, 5, 14, 20, 0, 0), 10.5}, {OleDate(2024, 5, 13, 20, 0, 0), 9.0}});
    const std::string payload = payloadOf({abc});
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PasteItemsFromPayload(*doc, payload).ok);
    const std::vector<std::string> all = names();
    const std::vector<std::string> tail(all.end() - 4, all.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ABC", "Copy of ABC", "Copy of ABC (1)", "Copy of ABC (2)"}));

    const ItemPasteResult r = PasteItemsFromPayload(*doc, payload);
    ASSERT_EQ(r.pasted.size(), 1u);
    EXPECT_EQ(pasted(r, 0).m_strName, "Copy of ABC (3)");
    EXPECT_EQ(pasted(r, 0).GetQuotationCount(), 2);
    EXPECT_NE(r.pasted[0], abc);
    // Into an empty portfolio the name stays.
    CWPapierDoc other(&host);
    const ItemPasteResult there = PasteItemsFromPayload(other, payload);
    ASSERT_TRUE(there.ok);
    EXPECT_EQ(other.GetItem(there.pasted[0])->m_strName, "ABC");
}

// Within one paste each name given counts as taken for the items after it; copies and numbered
// copies already in the portfolio are skipped, also of a name that itself ends in "(n)".
TEST_F(ItemClipboardTest, ItemsOfOnePasteTakeNamesFromEachOther) {
    CWPapierDoc source(&host);
    std::vector<ItemPos> copied;
    for (const char* name : {"A", "A", "B", "A", "Copy of A", "A", "C (1)"}) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        copied.push_back(source.AddItem(std::move(item)));
    }
    const QByteArray bytes = ItemClipboardPayload(source, copied);
    for (const char* name :
         {"A", "Copy of A (2)", "B", "Copy of B", "C (1)", "Copy of C (1)", "Copy of C (1) (1)", "Copy of Z (1)"})
        addItem(name, {});

    const ItemPasteResult r =
        PasteItemsFromPayload(*doc, std::string_view(bytes.constData(), std::size_t(bytes.size())));
    ASSERT_TRUE(r.ok);
    std::vector<std::string> given;
    for (std::size_t i = 0; i < r.pasted.size(); ++i)
        given.push_back(pasted(r, i).m_strName);
    EXPECT_EQ(given, (std::vector<std::string>{"Copy of A", "Copy of A (1)", "Copy of B (1)", "Copy of A (3)",
                                               "Copy of Copy of A", "Copy of A (4)", "Copy of C (1) (2)"}));
}

// Copies of the cash account and the investment history, pasted through the clipboard, are
// ordinary items: into their own portfolio, and into one that has neither special item (where
// nothing but the paste itself can clear the flags).
TEST_F(ItemClipboardTest, SpecialItemsArriveAsOrdinaryItemsOfTheirOwnFormula) {
    // A balance of 500 from one deposit: the copy keeps the balance as its quotation, but not the
    // deposit, which would count as 500 units of 500 each in the portfolio's total.
    const OleDate deposit(2024, 5, 10, 12, 0, 0);
    ASSERT_GE(doc->AddTransaction(cashPos, CTransaction(CTransaction::kBuy, deposit, 500.0, 0.0, 0.0,
                                                        CTransaction::kRecurrenceNone, false, OleDate(), "")),
              0);
    doc->AddQuotationToItem(cashPos, CKurs(deposit, 500.0), false, false);
    CKurs totalBefore;
    doc->ComputeSumInvestValue(totalBefore);
    ASSERT_EQ(totalBefore.m_dClose, 500.0);
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(CopyItemsToClipboard(clipboard, *doc, {cashPos, historyPos}));
    CWPapierDoc plain(&host);
    struct Target {
        const char* what;
        CWPapierDoc* doc;
        int cashAccounts; // special items the portfolio holds after the paste
        int histories;
    };
    for (const Target& target : {Target{"own portfolio", doc.get(), 1, 1}, Target{"plain portfolio", &plain, 0, 0}}) {
        SCOPED_TRACE(target.what);
        const ItemPasteResult r = PasteItemsFromClipboard(clipboard, *target.doc);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.pasted.size(), 2u);
        for (ItemPos pos : r.pasted) {
            const CWPapier& copy = *target.doc->GetItem(pos);
            EXPECT_EQ(copy.m_bCashAccount, 0) << copy.m_strName;
            EXPECT_EQ(copy.m_bInvestmentHistory, 0) << copy.m_strName;
            EXPECT_EQ(copy.m_pFormulaItemX, &copy);
            EXPECT_TRUE(copy.IsTransactionListEmpty()) << copy.m_strName;
            EXPECT_EQ(copy.m_dUnits, 0.0) << copy.m_strName;
        }
        CKurs total;
        target.doc->ComputeSumInvestValue(total);
        EXPECT_EQ(total.m_dClose, target.doc == doc.get() ? 500.0 : 0.0);
        int cashAccounts = 0;
        int histories = 0;
        ItemPos pos = target.doc->GetHeadPosition();
        while (pos != kNoItemPos) {
            const CWPapier* item = target.doc->GetNextItem(pos);
            cashAccounts += item->m_bCashAccount != 0;
            histories += item->m_bInvestmentHistory != 0;
        }
        EXPECT_EQ(cashAccounts, target.cashAccounts);
        EXPECT_EQ(histories, target.histories);
    }
    EXPECT_EQ(doc->FindCashAccountItem(), cashPos);
    EXPECT_EQ(doc->FindInvestmentHistoryItem(), historyPos);
}

// A and B both convert by R, which is not copied. In another portfolio (or another run) the link
// is dropped; in the portfolio of this run that still holds R it is made again; R copied along
// stays linked to its pasted copy. Under ASan this also shows no pasted item points at the
// discarded copy of R.
TEST_F(ItemClipboardTest, LinksToItemsNotCopiedAreRelinkedByIdentityOrDropped) {
    const ItemPos r = addItem("R", {{OleDate(2024, 5, 14, 20, 0, 0), 1.1}});
    const ItemPos y = addItem("Y", {});
    const ItemPos a = addItem("A", {});
    const ItemPos b = addItem("B", {});
    for (ItemPos pos : {a, b}) {
        item(pos).m_bConvertCurrency = true;
        item(pos).m_pCurrencyItem = &item(r);
        item(pos).m_pFormulaItemY = &item(y);
    }
    const std::string payload = payloadOf({a, b});

    CWPapierDoc other(&host);
    other.OnNewDocument();
    const ItemPasteResult elsewhere = PasteItemsFromPayload(other, payload);
    ASSERT_TRUE(elsewhere.ok);
    for (ItemPos pos : elsewhere.pasted) {
        const CWPapier& copy = *other.GetItem(pos);
        EXPECT_FALSE(copy.m_bConvertCurrency);
        EXPECT_EQ(copy.m_pCurrencyItem, nullptr);
        EXPECT_EQ(copy.m_pFormulaItemY, &copy);
        double value = 0;
        std::string text;
        copy.GetUserDefinedValue(value, text, "%.2f"); // reads its links
    }

    const ItemPasteResult here = PasteItemsFromPayload(*doc, payload);
    ASSERT_TRUE(here.ok);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(pasted(here, i).m_bConvertCurrency);
        EXPECT_EQ(pasted(here, i).m_pCurrencyItem, &item(r));
        EXPECT_EQ(pasted(here, i).m_pFormulaItemY, &item(y));
    }

    // R deleted before the paste: nothing to link to any more.
    ASSERT_TRUE(doc->DeleteItem(r));
    const ItemPasteResult afterDelete = PasteItemsFromPayload(*doc, payload);
    ASSERT_TRUE(afterDelete.ok);
    EXPECT_EQ(pasted(afterDelete, 0).m_pCurrencyItem, nullptr);
    EXPECT_FALSE(pasted(afterDelete, 0).m_bConvertCurrency);

    // Copied together, the pasted pair keeps its own link.
    const ItemPos r2 = addItem("R2", {});
    item(a).m_pCurrencyItem = &item(r2);
    item(a).m_bConvertCurrency = true; // deleting R switched it off
    const ItemPasteResult pair = PasteItemsFromPayload(*doc, payloadOf({a, r2}));
    ASSERT_TRUE(pair.ok);
    EXPECT_EQ(pasted(pair, 0).m_pCurrencyItem, &pasted(pair, 1));
    EXPECT_TRUE(pasted(pair, 0).m_bConvertCurrency);
}

// The ids in a payload are those of the program run that copied it: data of another run never
// links to an item of this run that happens to carry the same id.
TEST_F(ItemClipboardTest, IdsOfAnotherRunAreNotUsedForLinks) {
    const ItemPos r = addItem("R", {{OleDate(2024, 5, 14, 20, 0, 0), 1.1}});
    const ItemPos a = addItem("A", {});
    item(a).m_bConvertCurrency = true;
    item(a).m_pCurrencyItem = &item(r);
    item(a).m_pFormulaItemY = &item(r);
    std::string payload = payloadOf({a});
    payload[8] = static_cast<char>(payload[8] ^ 0x5a); // the run's identity after the 8-byte magic

    const ItemPasteResult result = PasteItemsFromPayload(*doc, payload);
    ASSERT_TRUE(result.ok);
    const CWPapier& copy = pasted(result, 0);
    EXPECT_EQ(copy.m_pCurrencyItem, nullptr);
    EXPECT_FALSE(copy.m_bConvertCurrency);
    EXPECT_EQ(copy.m_pFormulaItemY, &copy);
}

// Foreign, cut or damaged data inserts nothing; the reader fails cleanly on every cut of a real
// payload and on a payload whose header names more items than it carries.
TEST_F(ItemClipboardTest, DamagedOrForeignDataInsertsNothing) {
    const ItemPos a = addItem("A", {{OleDate(2024, 5, 14, 20, 0, 0), 3.0}});
    const std::string payload = payloadOf({a});
    const int before = doc->GetItemCount();

    std::vector<std::string> bad = {"", "plain text", std::string("CVRWPCB\x01", 8)};
    for (std::size_t cut = 0; cut < payload.size(); cut += 7)
        bad.push_back(payload.substr(0, cut));
    std::string extraItems = payload;
    extraItems[16] = 2; // the header claims two items
    bad.push_back(extraItems);
    std::string trailing = payload + "x";
    bad.push_back(trailing);
    // The first entry's conversion flag (after the 20-byte header and its 4-byte id): only 0 or 1.
    for (const char flag : {'\x02', '\xff'}) {
        std::string badFlag = payload;
        badFlag[24] = flag;
        bad.push_back(badFlag);
    }
    for (const std::string& data : bad) {
        const ItemPasteResult r = PasteItemsFromPayload(*doc, data);
        EXPECT_FALSE(r.ok) << data.size();
        EXPECT_TRUE(r.pasted.empty());
    }
    EXPECT_EQ(doc->GetItemCount(), before);

    QMimeData text;
    text.setText("ABC");
    EXPECT_FALSE(HasItemClipboardData(&text));
    EXPECT_FALSE(PasteItemsFromMimeData(*doc, &text).ok);
    EXPECT_EQ(doc->GetItemCount(), before);
}

// The real clipboard: Copy keeps the text already there, Paste finds the items; text alone is
// refused and stays on the clipboard.
TEST_F(ItemClipboardTest, ClipboardRoundTripKeepsOtherFormats) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("hello");
    EXPECT_FALSE(PasteItemsFromClipboard(clipboard, *doc).ok);
    EXPECT_EQ(clipboard->text(), "hello");

    const ItemPos a = addItem("A", {});
    ASSERT_TRUE(CopyItemsToClipboard(clipboard, *doc, {a}));
    EXPECT_TRUE(HasItemClipboardData(clipboard->mimeData()));
    EXPECT_EQ(clipboard->text(), "hello");
    const ItemPasteResult r = PasteItemsFromClipboard(clipboard, *doc);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(pasted(r, 0).m_strName, "Copy of A");
    EXPECT_FALSE(CopyItemsToClipboard(nullptr, *doc, {a}));
}

} // namespace
