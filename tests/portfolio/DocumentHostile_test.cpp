// Damaged and hostile portfolio files: every one fails cleanly (run under the asan preset to see
// that nothing is read out of bounds, freed twice or leaked), the document is left usable, and
// items that stand only at links are freed with the links to them repaired.

#include "DocumentTestSupport.h"
#include "portfolio/PortfolioArchive.h"
#include "support/FakePortfolioHost.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using doctest::asciiField;
using doctest::className;
using doctest::itemHead;
using doctest::makeItem;
using doctest::putAscii;
using itemtest::Bytes;
using testsupport::FakePortfolioHost;
using testsupport::writeFile;

namespace {

// Fields 1 to 39 of an item with every field at its constructed value and the given name.
std::string head(const std::string& name = "") {
    const CWPapier blank;
    Bytes b;
    itemHead(b, blank, asciiField(name));
    return b.data();
}

// Fields 42 to 51 around the three links (each given as its object field bytes).
std::string tail(const std::string& currency, const std::string& x, const std::string& y) {
    Bytes b;
    b.u8(1).append(currency).i32(0);
    putAscii(b, "");
    b.u8(0).append(x).i32(0).append(y).i32(0).i32(0);
    return b.data();
}

std::string tag(std::uint16_t value) {
    return Bytes().u16(value).data();
}

const std::string kNone = tag(0);
const std::string kEmptyList = tag(0);

// A complete stream of one item (object 2) whose links name itself.
std::string oneItem(const std::string& quotations = kEmptyList) {
    Bytes b;
    b.u16(1);
    className(b, "CWPapier");
    b.append(head("one")).append(quotations).append(kEmptyList).append(tail(tag(2), tag(2), tag(2)));
    return b.data();
}

// `count` items, each written in full at the exchange-rate link of the one before, so the first
// list entry nests them all; the other entries are back-references.
std::string chain(int count) {
    Bytes b;
    b.u16(static_cast<std::uint16_t>(count));
    className(b, "CWPapier");
    for (int k = 0; k < count; ++k) {
        if (k > 0)
            b.u16(0x8001);
        b.append(head("item " + std::to_string(k))).append(kEmptyList).append(kEmptyList).u8(1);
    }
    b.append(kNone); // the last item has no exchange-rate item
    for (int k = count - 1; k >= 0; --k) {
        const std::string self = tag(static_cast<std::uint16_t>(2 + k));
        b.i32(0);
        putAscii(b, "");
        b.u8(0).append(self).i32(0).append(self).i32(0).i32(0);
    }
    for (int k = 1; k < count; ++k)
        b.u16(static_cast<std::uint16_t>(2 + k));
    return b.data();
}

std::string oneQuotation() {
    Bytes b;
    b.u16(1);
    className(b, "CKurs");
    b.date(itemtest::at(2024, 1, 2)).f64(1).f64(2).f64(3).f64(4).f64(5);
    return b.data();
}

class DocumentHostileTest : public testsupport::TempDirTest {
protected:
    // Opens `bytes` in a document that held one item; true when it opened.
    bool open(const std::string& bytes, CWPapierDoc& doc) {
        const auto file = path("hostile.cvr");
        writeFile(file, bytes);
        return doc.openDocument(file);
    }

    void expectCleanFailure(const std::string& bytes, const std::string& reason) {
        CWPapierDoc doc(&host);
        doc.AddItem(makeItem("previous"));
        host.clearRecord();
        EXPECT_FALSE(open(bytes, doc));
        EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
        EXPECT_EQ(doc.GetTitle(), "Untitled");
        const auto notices = host.notices();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].kind, PortfolioNotice::Kind::Error);
        EXPECT_NE(notices[0].text.find(reason), std::string::npos) << notices[0].text;
        // The document is usable afterwards.
        EXPECT_NE(doc.AddItem(makeItem("new")), kNoItemPos);
        EXPECT_EQ(doc.GetItemCount(), 1 + doctest::kSpecialItemCount);
    }

    FakePortfolioHost host;
};

} // namespace

TEST_F(DocumentHostileTest, TheMinimalStreamsOpen) {
    // The streams the hostile cases below are made from are sound.
    for (const std::string& bytes : {oneItem(), oneItem(oneQuotation()), chain(3)}) {
        CWPapierDoc doc(&host);
        ASSERT_TRUE(open(bytes, doc));
    }
    CWPapierDoc doc(&host);
    ASSERT_TRUE(open(chain(3), doc));
    ASSERT_EQ(doc.GetItemCount(), 3 + doctest::kSpecialItemCount);
    ItemPos pos = doc.GetHeadPosition();
    CWPapier* first = doc.GetNextItem(pos);
    CWPapier* second = doc.GetNextItem(pos);
    CWPapier* third = doc.GetNextItem(pos);
    EXPECT_EQ(first->m_pCurrencyItem, second);
    EXPECT_EQ(second->m_pCurrencyItem, third);
    EXPECT_EQ(third->m_pCurrencyItem, nullptr);
    EXPECT_FALSE(third->m_bConvertCurrency); // conversion without an exchange-rate item is switched off
}

TEST_F(DocumentHostileTest, EveryTruncationFailsCleanly) {
    CWPapierDoc source;
    auto share = makeItem("share");
    auto rate = makeItem("rate");
    share->AddQuotation(CKurs(itemtest::at(2024, 1, 2), 10.0), false);
    share->AddTransaction(CTransaction(0, itemtest::at(2024, 1, 2), 1, 10, 0, 0, false, OleDate(), "note"));
    share->m_pCurrencyItem = rate.get();
    share->m_bConvertCurrency = true;
    source.AddItem(makeItem(" Cash Account"));
    source.AddItem(std::move(share));
    source.AddItem(std::move(rate));
    ASSERT_TRUE(source.OnSaveDocument(path("whole.cvr")));
    const std::string whole = testsupport::readFile(path("whole.cvr"));

    CWPapierDoc doc(&host);
    for (std::size_t size = 1; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        doc.AddItem(makeItem("previous"));
        host.clearRecord();
        ASSERT_FALSE(open(whole.substr(0, size), doc));
        EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
        EXPECT_EQ(host.notices().size(), 1u);
    }
    ASSERT_TRUE(open(whole, doc));
    EXPECT_EQ(doc.GetItemCount(), 3 + doctest::kSpecialItemCount);
}

TEST_F(DocumentHostileTest, MalformedStreamsFailCleanly) {
    const auto withList = [](const std::string& quotations, const std::string& currency) {
        Bytes b;
        b.u16(1);
        className(b, "CWPapier");
        b.append(head()).append(quotations).append(kEmptyList).append(tail(currency, tag(2), tag(2)));
        return b.data();
    };
    Bytes unknownClass;
    className(unknownClass.u16(1), "CFoo").append(head());
    Bytes quotationAsItem;
    className(quotationAsItem.u16(1), "CKurs").date(OleDate()).f64(1).f64(2).f64(3).f64(4).f64(5);
    Bytes transactionAsQuotation;
    className(transactionAsQuotation.u16(1), "CTransaction");
    Bytes twice;
    twice.u16(2);
    className(twice, "CWPapier").append(head()).append(kEmptyList).append(kEmptyList);
    twice.append(tail(kNone, tag(2), tag(2))).u16(2);
    // A quotation (object 4) named again in its own list, and in the list of transactions.
    Bytes quotationTwice;
    className(quotationTwice.u16(2), "CKurs").date(OleDate()).f64(1).f64(2).f64(3).f64(4).f64(5).u16(4);
    Bytes quotationAsTransaction;
    quotationAsTransaction.append(oneQuotation()).u16(1).u16(4);
    Bytes hugeName;
    className(hugeName.u16(1), "CWPapier").u8(0xFF).u16(0xFFFF).i32(0x7FFFFFF0);
    Bytes hugeWideName;
    className(hugeWideName.u16(1), "CWPapier").u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).i32(0x7FFFFFF0);
    Bytes hugeClassName;
    hugeClassName.u16(1).u16(0xFFFF).u16(22).u16(0xFFFF).append("CWPapier");

    struct Case {
        const char* what;
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        {"an unknown class", unknownClass.data(), "unknown class 'CFoo'"},
        {"a quotation where an item must stand", quotationAsItem.data(), "class 'CKurs' not expected here"},
        {"an item where a quotation must stand", withList(Bytes().u16(1).u16(0x8001).data(), kNone),
         "class 'CWPapier' not expected here"},
        {"a transaction where a quotation must stand", withList(transactionAsQuotation.data(), kNone),
         "class 'CTransaction' not expected here"},
        {"a back-reference past every object", Bytes().u16(1).u16(0x0050).data(),
         "object index 80 that names no object"},
        {"a link naming a quotation", withList(oneQuotation(), tag(4)), "class 'CKurs' not expected here"},
        {"a link naming a class", withList(oneQuotation(), tag(3)), "object index 3 that names no object"},
        {"a link naming an unknown class index", withList(kEmptyList, tag(0x8009)),
         "class index 9 that names no class"},
        {"a long tag naming no class", withList(kEmptyList, Bytes().u16(0x7FFF).i32(0x80001234).data()),
         "class index 4660 that names no class"},
        {"a long back-reference past every object", withList(kEmptyList, Bytes().u16(0x7FFF).i32(0x00001234).data()),
         "object index 4660 that names no object"},
        {"the same item twice in the list", twice.data(), "more than one owning place"},
        {"the same quotation twice in its list", withList(quotationTwice.data(), kNone), "more than one owning place"},
        {"a quotation named in the transaction list", withList(quotationAsTransaction.data(), kNone),
         "class 'CKurs' not expected here"},
        {"a huge item count", Bytes().u16(0xFFFF).i32(0x7FFFFFFF).data(), "exceeds the data left"},
        {"a huge quotation count", withList(Bytes().u16(0xFFFF).i32(0x7FFFFFF0).data(), kNone),
         "exceeds the data left"},
        {"a huge string length", hugeName.data(), "unexpected end of data"},
        {"a huge 16-bit string length", hugeWideName.data(), "unexpected end of data"},
        {"a huge class name length", hugeClassName.data(), "unexpected end of data"},
        {"links nested deeper than allowed", chain(Archive::kDefaultMaxDepth + 1), "nested deeper than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectCleanFailure(c.bytes, c.reason);
    }

    // A list entry naming the class record (index 1) instead of an object.
    Bytes classAsObject;
    classAsObject.u16(2);
    className(classAsObject, "CWPapier").append(head()).append(kEmptyList).append(kEmptyList);
    classAsObject.append(tail(kNone, tag(2), tag(2))).u16(1);
    SCOPED_TRACE("a back-reference to a class");
    expectCleanFailure(classAsObject.data(), "object index 1 that names no object");
}

TEST_F(DocumentHostileTest, LinksNestedWithinTheLimitOpen) {
    CWPapierDoc doc(&host);
    ASSERT_TRUE(open(chain(500), doc));
    EXPECT_EQ(doc.GetItemCount(), 500 + doctest::kSpecialItemCount);
    // And the same portfolio saves and opens again, its links intact.
    ASSERT_TRUE(doc.OnSaveDocument(path("again.cvr")));
    CWPapierDoc again(&host);
    ASSERT_TRUE(again.openDocument(path("again.cvr")));
    ASSERT_EQ(again.GetItemCount(), 500 + doctest::kSpecialItemCount);
    int links = 0;
    for (ItemPos pos = again.GetHeadPosition(); pos != kNoItemPos;) {
        const CWPapier* item = again.GetNextItem(pos);
        if (item->m_pCurrencyItem) {
            ++links;
            EXPECT_EQ(item->m_pCurrencyItem, again.GetItem(pos)); // the next item
        }
    }
    EXPECT_EQ(links, 499);
}

// Items written at a link but never in the list are freed (the leak checker of the asan preset
// sees it); links to them are repaired, and so are links to items of another stream.
TEST_F(DocumentHostileTest, ItemsOnlyAtLinksAreFreedAndTheLinksRepaired) {
    Bytes b;
    b.u16(1);
    className(b, "CWPapier");
    // The listed item (object 2): its exchange-rate item is an item written here (object 3) that
    // the list never names; that item links back to the first and to itself.
    b.append(head("listed")).append(kEmptyList).append(kEmptyList);
    b.u8(1).u16(0x8001);
    b.append(head("orphan")).append(kEmptyList).append(kEmptyList).append(tail(tag(2), tag(2), tag(3)));
    b.i32(0);
    putAscii(b, "");
    b.u8(0).u16(3).i32(0).u16(3).i32(0).i32(0); // formula items x and y: the orphan

    CWPapierDoc doc(&host);
    ASSERT_TRUE(open(b.data(), doc));
    ASSERT_EQ(doc.GetItemCount(), 1 + doctest::kSpecialItemCount);
    const CWPapier* listed = doc.GetItem(doc.GetHeadPosition());
    EXPECT_EQ(listed->m_strName, "listed");
    EXPECT_EQ(listed->m_pCurrencyItem, nullptr);
    EXPECT_FALSE(listed->m_bConvertCurrency);
    EXPECT_EQ(listed->m_pFormulaItemX, listed);
    EXPECT_EQ(listed->m_pFormulaItemY, listed);

    // Saved again, the orphan is gone from the file.
    ASSERT_TRUE(doc.OnSaveDocument(path("again.cvr")));
    EXPECT_EQ(testsupport::readFile(path("again.cvr")).find("orphan"), std::string::npos);
}

// Null entries in the list are dropped with one ERROR line for the whole list, however many there
// are (a damaged file of null entries opens in time proportional to its size, not one system-log
// call per entry); the rest of the list reads.
TEST_F(DocumentHostileTest, NullListEntriesAreDroppedWithOneLine) {
    const struct {
        std::uint32_t nulls;
        const char* line;
    } cases[] = {
        {1, "Ignoring NULL reference in item list!!!"},
        {2, "Ignoring 2 NULL references in item list!!!"},
        {100000, "Ignoring 100000 NULL references in item list!!!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nulls);
        // The kept item first, then the null entries.
        Bytes b;
        const std::uint32_t count = c.nulls + 1;
        if (count < 0xFFFF)
            b.u16(static_cast<std::uint16_t>(count));
        else
            b.u16(0xFFFF).i32(static_cast<std::int32_t>(count));
        className(b, "CWPapier")
            .append(head("kept"))
            .append(kEmptyList)
            .append(kEmptyList)
            .append(tail(kNone, tag(2), tag(2)));
        for (std::uint32_t i = 0; i < c.nulls; ++i)
            b.u16(0);
        testsupport::LogCapture log;
        CWPapierDoc doc(&host);
        ASSERT_TRUE(open(b.data(), doc));
        EXPECT_EQ(doc.GetItemCount(), 1 + doctest::kSpecialItemCount);
        std::vector<std::string> errors;
        for (const auto& line : log.lines())
            if (line.level == LOG_LEVEL_ERROR && line.message.find("NULL") != std::string::npos)
                errors.push_back(line.message);
        EXPECT_EQ(errors, std::vector<std::string>{c.line});
    }
}

// A null entry in an item's quotation list is dropped with an ERROR line naming the list; the
// other quotations read.
TEST_F(DocumentHostileTest, NullQuotationEntriesAreDropped) {
    Bytes quotations;
    quotations.u16(2).u16(0);
    className(quotations, "CKurs").date(itemtest::at(2024, 1, 2)).f64(1).f64(2).f64(3).f64(4).f64(5);
    testsupport::LogCapture log;
    CWPapierDoc doc(&host);
    ASSERT_TRUE(open(oneItem(quotations.data()), doc));
    const CWPapier* item = doc.GetItem(doc.GetHeadPosition());
    ASSERT_EQ(item->GetQuotationCount(), 1);
    EXPECT_EQ(item->GetQuotationAt(0)->m_dClose, 1.0);
    int errors = 0;
    for (const auto& line : log.lines())
        errors += line.level == LOG_LEVEL_ERROR &&
                  line.message == "GetQuotationListCopy: ignoring NULL reference in quotation list of 'one'!!!";
    EXPECT_EQ(errors, 1);
}
