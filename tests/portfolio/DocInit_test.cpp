// Completing a loaded portfolio: files of old schemas get the items they lack, a "Liquidity" item
// becomes the cash account, overdue recurring transactions are added with their mirrors and told
// in one notice, and investment figures are recomputed.

#include "DocBehaviourSupport.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

using doctest::className;
using doctest::closes;
using doctest::itemNames;
using doctest::putAscii;
using doctest::transaction;
using itemtest::at;
using itemtest::Bytes;

namespace {

const OleDate kNow = at(2024, 6, 15, 12, 0, 0);

// An item of a file written by an older version.
struct OldItem {
    std::string name;
    int historyFlag = 0;
    double units = 0.0;
    std::vector<CKurs> quotations;
    std::vector<CTransaction> transactions;
};

std::int32_t seconds(const OleDate& date) {
    return static_cast<std::int32_t>(*date.toTimeT());
}

// The item list in the record form of schema 7, 12 or 13: the fields in their order of that schema,
// dates as seconds since 1970, transactions (from schema 9) without notes and, before schema 13,
// without recurrence.
std::string oldStream(int schema, const std::vector<OldItem>& items) {
    Bytes b;
    b.u16(static_cast<std::uint16_t>(items.size()));
    int next = 1; // the archive's index of classes and objects
    int itemClass = 0, quotationClass = 0, transactionClass = 0;
    const auto object = [&](int& classIndex, const char* name, std::uint16_t classSchema) {
        if (classIndex == 0) {
            className(b, name, classSchema);
            classIndex = next++;
        } else {
            b.u16(static_cast<std::uint16_t>(0x8000 | classIndex));
        }
        ++next;
    };
    for (const OldItem& it : items) {
        object(itemClass, "CWPapier", static_cast<std::uint16_t>(schema));
        putAscii(b, it.name);
        putAscii(b, "SYM");
        putAscii(b, ""); // note
        if (schema >= 8)
            b.i32(it.historyFlag);
        putAscii(b, "");        // server configuration
        putAscii(b, "http://"); // URL
        b.i32(30);
        putAscii(b, "");
        putAscii(b, ".");
        b.i32(0); // format
        putAscii(b, "");
        b.i32(0).i32(0).i32(1).i32(0); // tags, numbers, case, method
        putAscii(b, "");
        for (int i = 0; i < 8; ++i) // capture groups
            b.i32(0);
        b.i32(0).i32(0).i32(0).f64(0).f64(0).f64(20); // alarms
        b.f64(it.units).f64(0);                       // units, break-even
        if (schema >= 12)
            b.f64(0); // average
        b.i32(1).i32(1).i32(0).i32(1);
        b.oldDate(seconds(at(2024, 1, 1))).oldDate(seconds(at(2025, 1, 1))).i32(0).i32(0);
        b.i32(0); // colour
        if (schema >= 11)
            b.i32(0).i32(0); // marks, break-even line
        b.u16(static_cast<std::uint16_t>(it.quotations.size()));
        for (const CKurs& q : it.quotations) {
            object(quotationClass, "CKurs", 22);
            b.oldDate(seconds(q.m_dtDate)).f64(q.m_dClose);
        }
        if (schema >= 9) {
            b.u16(static_cast<std::uint16_t>(it.transactions.size()));
            for (const CTransaction& t : it.transactions) {
                object(transactionClass, "CTransaction", 22);
                b.i32(t.m_nType).oldDate(seconds(t.m_dtDate)).f64(t.m_dUnits).f64(t.m_dQuotation).f64(t.m_dTaxes);
                if (schema >= 13)
                    b.i32(t.m_nRecurrence).u8(t.m_bUntil ? 1 : 0).oldDate(seconds(t.m_dtUntil));
            }
        }
    }
    return b.data();
}

class DocInitTest : public testsupport::TempDirTest {
protected:
    bool open(CWPapierDoc& doc, const std::string& bytes) {
        const auto file = path("old.cvr");
        testsupport::writeFile(file, bytes);
        return doc.openDocument(file);
    }
    CWPapier& named(const CWPapierDoc& doc, const std::string& name) {
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
            CWPapier* item = doc.GetNextItem(pos);
            if (item->m_strName == name)
                return *item;
        }
        throw std::runtime_error("no item " + name);
    }
    static bool logged(const testsupport::LogCapture& log, const std::string& line) {
        const auto lines = log.messages();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    itemtest::FixedNow fixedNow{kNow};
    testsupport::FakePortfolioHost host;
};

// The portfolio of an old file: a "Liquidity" item with a credit, and Acme with a monthly buy from
// 10 March (a plain buy before schema 13).
std::vector<OldItem> oldPortfolio(bool withHistory) {
    std::vector<OldItem> items;
    items.push_back({"Liquidity", 0, 0, {}, {transaction(0, at(2024, 1, 1), 1000, 0, 0)}});
    items.push_back({"Acme", 0, 5, {CKurs(at(2024, 3, 1), 20)}, {transaction(0, at(2024, 3, 10, 10), 5, 20, 0, 1)}});
    if (withHistory)
        items.push_back({" Investment History", 1, 0, {CKurs(at(2024, 3, 10), 100)}, {}});
    return items;
}

} // namespace

// Schema 7 has no investment history: it is created, and so is the cash account.
TEST_F(DocInitTest, SchemaSevenGetsBothSpecialItems) {
    CWPapierDoc doc(&host);
    testsupport::LogCapture log;
    ASSERT_TRUE(open(doc, oldStream(7, {{"Acme", 0, 5, {CKurs(at(2024, 3, 1), 20)}, {}}})));
    EXPECT_EQ(doc.LoadSchema(), 7);
    EXPECT_EQ(itemNames(doc), (std::vector<std::string>{"Acme", " Investment History", " Cash Account"}));
    EXPECT_FALSE(logged(log, "Init portfolio: updating recurring transactions..."));
    EXPECT_EQ(named(doc, "Acme").m_dUnits, 5.0);
    EXPECT_FALSE(doc.IsModified());
}

// Schema 12 files hold no recurrence and skip the recurring update; from schema 13 it runs: three
// monthly buys are due, each mirrored into the cash account (the former "Liquidity" item), and
// the user is told once, after the load.
TEST_F(DocInitTest, RecurringTransactionsFromSchemaThirteen) {
    {
        CWPapierDoc doc(&host);
        testsupport::LogCapture log;
        ASSERT_TRUE(open(doc, oldStream(12, oldPortfolio(true))));
        EXPECT_EQ(itemNames(doc), (std::vector<std::string>{" Cash Account", "Acme", " Investment History"}));
        EXPECT_FALSE(logged(log, "Init portfolio: updating recurring transactions..."));
        EXPECT_EQ(doc.GetTransactionListCopy(doc.FindCashAccountItem())->size(), 1u);
        EXPECT_EQ(doc.GetCashAccountBalance(), 1000.0);
        EXPECT_TRUE(host.notices().empty());
    }
    CWPapierDoc doc(&host);
    std::vector<bool> lockFree;
    host.onNotice = [&](const PortfolioNotice&) { lockFree.push_back(doctest::listLockFree(doc)); };
    testsupport::LogCapture log;
    ASSERT_TRUE(open(doc, oldStream(13, oldPortfolio(true))));
    EXPECT_TRUE(logged(log, "Init portfolio: updating recurring transactions..."));
    EXPECT_EQ(itemNames(doc), (std::vector<std::string>{" Cash Account", "Acme", " Investment History"}));
    const auto acme = named(doc, "Acme").GetTransactionListCopy();
    ASSERT_EQ(acme.size(), 4u);
    EXPECT_EQ(acme.back().m_dtDate.m_dt, at(2024, 6, 10, 10).m_dt);
    EXPECT_EQ(named(doc, "Acme").m_dUnits, 20.0);
    const auto cashList = named(doc, " Cash Account").GetTransactionListCopy();
    ASSERT_EQ(cashList.size(), 4u);
    EXPECT_EQ(cashList[1].m_strNote, "->Buy \"Acme\"");
    EXPECT_EQ(closes(named(doc, " Cash Account")), (std::vector<double>{1000, 900, 800, 700}));
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{
                                  {PortfolioNotice::Kind::Information,
                                   "Successfully updated recurring\ninvestment transaction for\n'Acme'.\n\n3 concerned "
                                   "cash account transactions\nwere successfully created (0 credits, 3 debits)."}}));
    EXPECT_EQ(lockFree, std::vector<bool>{true});
    EXPECT_FALSE(doc.IsModified());
}

// A file of any schema without an investment history gets one.
TEST_F(DocInitTest, TheHistoryExistsWhateverTheSchema) {
    for (const int schema : {12, 13}) {
        SCOPED_TRACE(schema);
        CWPapierDoc doc(&host);
        ASSERT_TRUE(open(doc, oldStream(schema, oldPortfolio(false))));
        EXPECT_EQ(itemNames(doc), (std::vector<std::string>{" Cash Account", "Acme", " Investment History"}));
    }
    CWPapierDoc saved(&host);
    saved.AddItem(doctest::makeItem("Acme"));
    ASSERT_TRUE(saved.OnSaveDocument(path("current.cvr")));
    CWPapierDoc doc(&host);
    ASSERT_TRUE(doc.openDocument(path("current.cvr")));
    EXPECT_EQ(itemNames(doc), (std::vector<std::string>{"Acme", " Investment History", " Cash Account"}));
}

// A portfolio saved in March and opened in June: the monthly transactions of two items are
// brought up to date, and one notice names both.
TEST_F(DocInitTest, OverdueRecurringTransactionsOfTwoItems) {
    fixedNow.set(at(2024, 3, 20, 12));
    CWPapierDoc before(&host);
    before.OnNewDocument();
    for (const char* name : {"Acme", "Beta"}) {
        const ItemPos pos = before.AddItem(doctest::makeItem(name));
        before.GetItem(pos)->AddQuotation(CKurs(at(2024, 3, 1), 10), false);
        before.AddTransaction(pos, transaction(name[0] == 'A' ? 0 : 2, at(2024, 3, 15), 4, 1, 0, 1));
    }
    ASSERT_TRUE(before.OnSaveDocument(path("march.cvr")));

    fixedNow.set(kNow);
    host.clearRecord();
    CWPapierDoc doc(&host);
    ASSERT_TRUE(doc.openDocument(path("march.cvr")));
    EXPECT_EQ(named(doc, "Acme").GetTransactionListCopy().size(), 4u);
    EXPECT_EQ(named(doc, "Beta").GetTransactionListCopy().size(), 4u);
    // Three buys of 4 at 10 and three dividends of 1 on no units.
    EXPECT_EQ(doc.GetTransactionListCopy(doc.FindCashAccountItem())->size(), 6u);
    EXPECT_EQ(host.notices().size(), 1u);
    EXPECT_EQ(host.notices()[0].text,
              "Successfully updated recurring\ninvestment transactions for\n'Acme',\n'Beta'.\n\n"
              "6 concerned cash account transactions\nwere successfully created (3 credits, 3 "
              "debits).");
}
