// The portfolio file: the stream of a small portfolio checked byte by byte against a hand-built
// copy, the index and count boundaries, plain and zipped files, and what saving and opening do on
// failure.

#include "DocumentTestSupport.h"
#include "portfolio/PortfolioArchive.h"
#include "portfolio/ZipReader.h"
#include "portfolio/ZipWriter.h"
#include "support/FakePortfolioHost.h"
#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/Sanitizer.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>

using doctest::asciiField;
using doctest::className;
using doctest::itemHead;
using doctest::makeItem;
using doctest::putAscii;
using doctest::putWide;
using doctest::RecordingView;
using itemtest::at;
using itemtest::Bytes;
using testsupport::FakePortfolioHost;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// "Société Générale" in UTF-8 and in UTF-16.
const std::string kShareName = "Soci\xC3\xA9t\xC3\xA9 G\xC3\xA9n\xC3\xA9rale";
const std::u16string kShareName16 = u"Soci\u00e9t\u00e9 G\u00e9n\u00e9rale";

struct Golden {
    CWPapier* cash = nullptr;
    CWPapier* history = nullptr;
    CWPapier* share = nullptr;
    CWPapier* rate = nullptr;
};

// The small portfolio: the two special items (flagged only), a share with two quotations, a buy
// with a note, a non-ASCII name and links to the exchange-rate item that comes after it in the
// list, and that exchange-rate item, which links back to the share.
Golden buildGolden(CWPapierDoc& doc) {
    Golden g;
    auto cash = makeItem(" Cash Account");
    cash->m_bCashAccount = 1;
    cash->m_Server.m_strName = kLocalDefinitionName;
    cash->m_crColor = 0xFF0000;
    auto history = makeItem(" Investment History");
    history->m_bInvestmentHistory = 1;
    history->m_Server.m_strName = kLocalDefinitionName;

    auto share = makeItem(kShareName);
    share->m_strSymbol = "GLE.PA";
    share->m_strCategory = "Equity";
    share->m_strNote = "long term";
    share->m_bDownloadEnabled = 1;
    ServerSettings& s = share->m_Server;
    s.m_strURL = "https://quotes.example/[&symbol]";
    s.m_nTimeout = 33;
    s.m_strThousands = ".";
    s.m_strDecimal = ",";
    s.m_nFormat = 2;
    s.m_strTextBeforeValue = "Last:";
    s.m_nHtmlBeforeValue = 3;
    s.m_nNumbersBeforeValue = 4;
    s.m_bNoCaseSensitive = 0;
    s.m_nFiltering = 1;
    s.m_strRegExp = "Last: ([&quotation_close])";
    share->m_bAlarmBelow = 1;
    share->m_bAlarmAbove = 0;
    share->m_bAlarmBreakEven = 1;
    share->m_dAlarmBelow = 40.25;
    share->m_dAlarmAbove = 80.5;
    share->m_dAlarmBreakEvenPercent = 12.0;
    share->m_bChartEnabled = 1;
    share->m_bGrid = 0;
    share->m_nGraphValues = 2;
    share->m_nAxisValues = 1;
    share->m_dtBegin = at(2023, 1, 2);
    share->m_dtEnd = itemtest::withStatus(at(2024, 1, 2), OleDate::null);
    share->m_bBegin = 1;
    share->m_bEnd = 0;
    share->m_crColor = 0x00336699;
    share->m_bTransactionMarks = 0;
    share->m_bBreakEvenLine = 1;
    CKurs q1(at(2023, 3, 1, 17, 30), 51.5);
    q1.m_dOpen = 50.0;
    q1.m_dHigh = 52.0;
    q1.m_dLow = 49.5;
    q1.m_dVolume = 1200.0;
    CKurs q2(at(2023, 3, 2, 17, 30), 52.25);
    q2.m_dOpen = 51.5;
    q2.m_dHigh = 53.0;
    q2.m_dLow = 51.0;
    q2.m_dVolume = 800.0;
    share->AddQuotation(q2, false);
    share->AddQuotation(q1, false);
    share->AddTransaction(
        CTransaction(CTransaction::kBuy, at(2023, 3, 1, 10), 10.0, 50.0, 5.0, 0, false, at(2023, 12, 31), "first buy"));
    share->m_strFormula = "x*y";
    share->m_bFormulaPercent = true;
    share->m_nFormulaValueY = 2;

    auto rate = makeItem("EUR / USD");
    rate->m_strSymbol = "EURUSD";
    rate->m_bDownloadEnabled = 1;
    rate->m_Server.m_strName = "Yahoo Currencies";
    rate->m_crColor = 0x7F7F7F;
    rate->m_nFormulaValueX = 1;

    share->m_bConvertCurrency = true;
    share->m_pCurrencyItem = rate.get();
    share->m_pFormulaItemY = rate.get();
    rate->m_pFormulaItemX = share.get();

    g.cash = cash.get();
    g.history = history.get();
    g.share = share.get();
    g.rate = rate.get();
    doc.AddItem(std::move(cash));
    doc.AddItem(std::move(history));
    doc.AddItem(std::move(share));
    doc.AddItem(std::move(rate));
    return g;
}

// The stream of that portfolio, written by hand in the order of the file format. Indexes: 1 class
// CWPapier, 2 cash, 3 history, 4 share, 5 class CKurs, 6 and 7 its quotations, 8 class
// CTransaction, 9 its buy, 10 the exchange-rate item (written in full at the share's link).
std::string goldenStream(const Golden& g) {
    Bytes b;
    b.u16(4); // four items

    // Cash account: a new class, then its record.
    className(b, "CWPapier");
    itemHead(b, *g.cash, asciiField(" Cash Account"));
    b.u16(0).u16(0);            // 40, 41: no quotations, no transactions
    b.u8(0).u16(0).i32(0);      // 42 convert, 43 no exchange-rate item, 44 its id 0
    putAscii(b, "");            // 45 formula
    b.u8(0);                    // 46 percent
    b.u16(2).i32(0);            // 47 x: itself (object 2), 48
    b.u16(2).i32(g.cash->id()); // 49 y: itself, 50 its id
    b.i32(0);                   // 51

    // Investment history: the known class 1.
    b.u16(0x8001);
    itemHead(b, *g.history, asciiField(" Investment History"));
    b.u16(0).u16(0).u8(0).u16(0).i32(0);
    putAscii(b, "");
    b.u8(0).u16(3).i32(0).u16(3).i32(g.history->id()).i32(0);

    // The share.
    b.u16(0x8001);
    Bytes name;
    putWide(name, kShareName16);
    itemHead(b, *g.share, name.data());
    b.u16(2); // 40: two quotations, oldest first
    className(b, "CKurs");
    b.date(at(2023, 3, 1, 17, 30)).f64(51.5).f64(50.0).f64(52.0).f64(49.5).f64(1200.0);
    b.u16(0x8005);
    b.date(at(2023, 3, 2, 17, 30)).f64(52.25).f64(51.5).f64(53.0).f64(51.0).f64(800.0);
    b.u16(1); // 41: one transaction
    className(b, "CTransaction");
    b.i32(0).date(at(2023, 3, 1, 10)).f64(10.0).f64(50.0).f64(5.0).i32(0).u8(0).date(at(2023, 12, 31));
    putAscii(b, "first buy");
    b.u8(1); // 42 convert
    // 43: the exchange-rate item comes later in the list, so its whole record stands here.
    b.u16(0x8001);
    itemHead(b, *g.rate, asciiField("EUR / USD"));
    b.u16(0).u16(0).u8(0).u16(0).i32(0);
    putAscii(b, "");
    b.u8(0);
    b.u16(4).i32(1);             // x: the share (object 4)
    b.u16(10).i32(g.rate->id()); // y: itself (object 10)
    b.i32(0);
    b.i32(g.rate->id());         // 44
    putAscii(b, "x*y");          // 45
    b.u8(1);                     // 46
    b.u16(4).i32(0);             // 47 x: itself, 48
    b.u16(10).i32(g.rate->id()); // 49 y: the exchange-rate item, 50
    b.i32(2);                    // 51

    // The exchange-rate item's own place: a back-reference.
    b.u16(10);
    return b.data();
}

class DocumentFileTest : public testsupport::TempDirTest {
protected:
    FakePortfolioHost host;
};

} // namespace

TEST_F(DocumentFileTest, SavesTheStreamOfTheFileFormat) {
    CWPapierDoc doc(&host);
    const Golden g = buildGolden(doc);
    const auto file = path("golden.cvr");
    ASSERT_TRUE(doc.OnSaveDocument(file));
    EXPECT_EQ(readFile(file), goldenStream(g));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(host.notices().empty());
    // The stored ids are the links' ids at the save.
    EXPECT_EQ(g.share->m_nCurrencyItemId, g.rate->id());
    EXPECT_EQ(g.share->m_nFormulaItemYId, g.rate->id());
}

TEST_F(DocumentFileTest, OpensTheStreamWithItsLinks) {
    // A stream with the ids some earlier run gave.
    CWPapierDoc writer;
    const Golden written = buildGolden(writer);
    const std::string stream = goldenStream(written);
    const auto file = path("golden.cvr");
    writeFile(file, stream);

    CWPapierDoc doc(&host);
    RecordingView view;
    doc.AddView(view);
    ASSERT_TRUE(doc.openDocument(file));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "golden.cvr");
    EXPECT_EQ(doc.LoadSchema(), 22);
    EXPECT_EQ(view.updates.back(), (RecordingView::Update{nullptr, 0}));

    std::vector<CWPapier*> items;
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
        items.push_back(doc.GetNextItem(pos));
    ASSERT_EQ(items.size(), 4u);
    CWPapier* share = items[2];
    CWPapier* rate = items[3];
    EXPECT_EQ(items[0]->m_strName, " Cash Account");
    EXPECT_EQ(items[0]->m_bCashAccount, 1);
    EXPECT_EQ(items[0]->m_dUnits, 1.0); // recomputed: the cash account always holds one unit
    EXPECT_EQ(items[1]->m_bInvestmentHistory, 1);
    EXPECT_EQ(share->m_strName, kShareName);
    EXPECT_EQ(rate->m_strName, "EUR / USD");

    // Links name the very items of the list; the stored ids stay as they were written.
    EXPECT_EQ(share->m_pCurrencyItem, rate);
    EXPECT_TRUE(share->m_bConvertCurrency);
    EXPECT_EQ(share->m_pFormulaItemX, share);
    EXPECT_EQ(share->m_pFormulaItemY, rate);
    EXPECT_EQ(rate->m_pFormulaItemX, share);
    EXPECT_EQ(rate->m_pFormulaItemY, rate);
    EXPECT_EQ(items[0]->m_pFormulaItemX, items[0]);
    EXPECT_EQ(share->m_nCurrencyItemId, written.rate->id());
    EXPECT_EQ(share->m_nFormulaItemYId, written.rate->id());

    // Every field came back.
    const CWPapier& w = *written.share;
    EXPECT_EQ(share->m_strSymbol, w.m_strSymbol);
    EXPECT_EQ(share->m_strCategory, w.m_strCategory);
    EXPECT_EQ(share->m_strNote, w.m_strNote);
    EXPECT_EQ(share->m_Server.m_strURL, w.m_Server.m_strURL);
    EXPECT_EQ(share->m_Server.m_strRegExp, w.m_Server.m_strRegExp);
    EXPECT_EQ(share->m_Server.m_nTimeout, 33);
    EXPECT_EQ(share->m_dtEnd.m_status, OleDate::null);
    EXPECT_EQ(share->m_crColor, 0x00336699u);
    EXPECT_EQ(share->m_strFormula, "x*y");
    EXPECT_EQ(share->m_nFormulaValueY, 2);
    EXPECT_EQ(share->m_bDownloadPending, 0);
    ASSERT_EQ(share->GetQuotationCount(), 2);
    EXPECT_EQ(share->GetQuotationAt(1)->m_dClose, 52.25);
    const auto transactions = share->GetTransactionListCopy();
    ASSERT_EQ(transactions.size(), 1u);
    EXPECT_EQ(transactions[0].m_strNote, "first buy");
    EXPECT_EQ(share->m_dUnits, 10.0);
    EXPECT_EQ(share->m_dBreakEven, 50.5);

    // Saved again it is the same stream, with the ids of this run.
    const auto again = path("again.cvr");
    ASSERT_TRUE(doc.OnSaveDocument(again));
    EXPECT_EQ(readFile(again), goldenStream(Golden{items[0], items[1], share, rate}));

    // After the open the frame's Downloads window is emptied and named after the file.
    const auto calls = host.calls();
    EXPECT_EQ(calls, (std::vector<std::string>{"clearDownloadsList()", "setDownloadsTitle(golden.cvr)"}));
}

// Where an index reaches 0x7FFF it is written as 0x7FFF and a 32-bit value (bit 31 marking a
// class); a count of 65535 or more as 0xFFFF and a 32-bit count.
TEST_F(DocumentFileTest, IndexAndCountBoundaries) {
    // The first item's record (empty texts) takes 166 bytes before its quotation count.
    constexpr std::size_t kCountOffset = 2 + 2 + 2 + 2 + 8 + 166;
    struct Case {
        int quotations;
        bool transactions;       // two transactions after the quotations
        std::string countBytes;  // at kCountOffset
        std::string secondTxTag; // the tag of the second transaction (when there are any)
        std::string selfTag;     // the second item's links to itself
    };
    const auto le = [](std::initializer_list<int> bytes) {
        std::string s;
        for (int v : bytes)
            s += static_cast<char>(v);
        return s;
    };
    // Objects: 1 class CWPapier, 2 item A, 3 class CKurs, 4.. quotations; then the class
    // CTransaction and its two records when there are transactions; then item B.
    const Case cases[] = {
        // B is object 4 + 32762 = 0x7FFE: the last index of the short form.
        {32762, false, le({0xFA, 0x7F}), "", le({0xFE, 0x7F})},
        // B is object 0x7FFF: the long form.
        {32763, false, le({0xFB, 0x7F}), "", le({0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x00})},
        // The class CTransaction takes index 0x7FFF: its second record names it in the long form.
        {32763, true, le({0xFB, 0x7F}), le({0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80}),
         le({0xFF, 0x7F, 0x02, 0x80, 0x00, 0x00})},
        {65534, false, le({0xFE, 0xFF}), "", le({0xFF, 0x7F, 0x02, 0x00, 0x01, 0x00})},
        {65535, false, le({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}), "", le({0xFF, 0x7F, 0x03, 0x00, 0x01, 0x00})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quotations);
        CWPapierDoc doc(&host);
        auto a = makeItem("");
        std::vector<CKurs> quotations;
        for (int i = 0; i < c.quotations; ++i)
            quotations.emplace_back(OleDate(40000.0 + i), 1.0 + i);
        a->ReplaceQuotationList(std::move(quotations));
        if (c.transactions) {
            a->AddTransaction(CTransaction(0, at(2020, 1, 1), 1, 1, 0, 0, false, OleDate(), ""));
            a->AddTransaction(CTransaction(1, at(2020, 1, 2), 1, 1, 0, 0, false, OleDate(), ""));
        }
        auto b = makeItem("B");
        CWPapier* itemB = b.get();
        doc.AddItem(std::move(a));
        doc.AddItem(std::move(b));
        const auto file = path("big.cvr");
        ASSERT_TRUE(doc.OnSaveDocument(file));
        const std::string bytes = readFile(file);

        EXPECT_EQ(bytes.substr(kCountOffset, c.countBytes.size()), c.countBytes);
        if (c.transactions) {
            // After the quotations: count 2, the class record (2+2+2+12), the first record (57+1),
            // then the second record's tag.
            const std::size_t quotationsEnd = kCountOffset + c.countBytes.size() + 2 + 2 + 2 + 5 + 52 +
                                              static_cast<std::size_t>(c.quotations - 1) * (2 + 52);
            const std::size_t secondTag = quotationsEnd + 2 + (2 + 2 + 2 + 12) + 58;
            EXPECT_EQ(bytes.substr(secondTag, c.secondTxTag.size()), c.secondTxTag);
        }
        // The end of B's record: x link, 4, y link, its id, 4.
        const std::size_t tag = c.selfTag.size();
        const std::string tail = bytes.substr(bytes.size() - (tag + 4 + tag + 4 + 4));
        EXPECT_EQ(tail.substr(0, tag), c.selfTag);
        EXPECT_EQ(tail.substr(tag + 4, tag), c.selfTag);

        // And it reads back with B's links on B.
        CWPapierDoc back(&host);
        ASSERT_TRUE(back.OnOpenDocument(file));
        ASSERT_EQ(back.GetItemCount(), 2 + doctest::kSpecialItemCount);
        ItemPos pos = back.GetHeadPosition();
        const CWPapier* readA = back.GetNextItem(pos);
        const CWPapier* readB = back.GetNextItem(pos);
        EXPECT_EQ(readA->GetQuotationCount(), c.quotations);
        EXPECT_EQ(readB->m_pFormulaItemX, readB);
        EXPECT_EQ(readB->m_pFormulaItemY, readB);
        EXPECT_EQ(readB->m_nFormulaItemYId, itemB->id());
    }
}

// --- plain and zipped ---

namespace {

std::string zipEntry(const std::filesystem::path& file, std::string* entryName = nullptr) {
    ZipReader::Handle zip;
    EXPECT_EQ(ZipReader::OpenFile(zip, file.c_str(), nullptr), ZIP_OK);
    ZipEntry entry;
    entry.index = -1;
    EXPECT_EQ(ZipReader::GetItem(zip, &entry), ZIP_OK);
    EXPECT_EQ(entry.index, 1);
    entry.index = 0;
    EXPECT_EQ(ZipReader::GetItem(zip, &entry), ZIP_OK);
    std::string content(entry.uncompressedSize, '\0');
    EXPECT_EQ(ZipReader::UnzipItemToBuffer(zip, content.data(), entry.uncompressedSize, &entry), ZIP_OK);
    if (entryName)
        *entryName = std::filesystem::path(entry.name).filename().string();
    ZipReader::Close(zip);
    return content;
}

void writeZip(const std::filesystem::path& file, const char* entryName, const std::string& content) {
    ZipWriter::Handle zip;
    ASSERT_EQ(ZipWriter::CreateFile(zip, file.c_str(), nullptr), ZIP_OK);
    ASSERT_EQ(ZipWriter::AddBuffer(zip, entryName, content.data(), static_cast<unsigned>(content.size())), ZIP_OK);
    ASSERT_EQ(ZipWriter::Close(zip), ZIP_OK);
}

} // namespace

TEST_F(DocumentFileTest, PlainAndZippedFilesOpenWhateverTheOption) {
    CWPapierDoc source(&host);
    const Golden g = buildGolden(source);
    const std::string stream = goldenStream(g);

    host.options.ZipFile = 1;
    const auto zipped = path("zipped.cvr");
    ASSERT_TRUE(source.OnSaveDocument(zipped));
    std::string entryName;
    EXPECT_EQ(zipEntry(zipped, &entryName), stream);
    EXPECT_EQ(entryName, "portfolio.cvr");

    host.options.ZipFile = 0;
    const auto plain = path("plain.cvr");
    ASSERT_TRUE(source.OnSaveDocument(plain));
    EXPECT_EQ(readFile(plain), stream);

    // A zip whose one entry has another name is read too (entry 0 is taken).
    const auto renamed = path("renamed.cvr");
    writeZip(renamed, "something else.bin", stream);

    for (const auto& file : {zipped, plain, renamed}) {
        for (int option : {0, 1}) {
            SCOPED_TRACE(file.filename().string() + " with ZipFile " + std::to_string(option));
            host.options.ZipFile = option;
            CWPapierDoc doc(&host);
            ASSERT_TRUE(doc.openDocument(file));
            EXPECT_EQ(doc.GetItemCount(), 4);
            EXPECT_EQ(doc.GetItemName(doc.FindInvestmentHistoryItem()), " Investment History");
        }
    }
}

// A zipped save replaces a longer previous file whole, in its place and with its permissions.
TEST_F(DocumentFileTest, ZippedSaveReplacesThePreviousFileWhole) {
    CWPapierDoc source(&host);
    const Golden g = buildGolden(source);
    const auto folder = path("zipped");
    std::filesystem::create_directory(folder);
    const auto file = folder / "portfolio.cvr";
    writeFile(file, std::string(1 << 20, 'p'));
    ::chmod(file.c_str(), 0640);

    host.options.ZipFile = 1;
    ASSERT_TRUE(source.OnSaveDocument(file));

    EXPECT_EQ(zipEntry(file), goldenStream(g));
    EXPECT_LT(std::filesystem::file_size(file), 1u << 20);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

// --- saving never destroys the previous file ---

TEST_F(DocumentFileTest, FailedSavesKeepThePreviousFile) {
    // Links nested deeper than the archive allows cannot be written: each item's exchange-rate
    // item comes after it, so every record would stand inside the one before.
    const auto deepPortfolio = [](CWPapierDoc& doc) {
        std::vector<std::unique_ptr<CWPapier>> items;
        for (int i = 0; i < Archive::kDefaultMaxDepth + 10; ++i)
            items.push_back(makeItem("item " + std::to_string(i)));
        for (std::size_t i = 0; i + 1 < items.size(); ++i)
            items[i]->m_pCurrencyItem = items[i + 1].get();
        for (auto& item : items)
            doc.AddItem(std::move(item));
    };
    enum class Failure { TooDeep, UnwritableFolder, TargetIsAFolder };
    struct Case {
        const char* what;
        int zip;
        Failure failure;
    };
    const Case cases[] = {
        {"plain, record too deep", 0, Failure::TooDeep},
        {"zipped, record too deep", 1, Failure::TooDeep},
        {"plain, folder not writable", 0, Failure::UnwritableFolder},
        {"zipped, folder not writable", 1, Failure::UnwritableFolder},
        {"plain, the target is a folder", 0, Failure::TargetIsAFolder},
        {"zipped, the target is a folder", 1, Failure::TargetIsAFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.failure == Failure::UnwritableFolder && ::geteuid() == 0)
            continue; // root writes anywhere
        const auto folder = path(std::string("save ") + std::to_string(&c - cases));
        std::filesystem::create_directory(folder);
        const auto file = folder / "portfolio.cvr";
        const auto previous = c.failure == Failure::TargetIsAFolder ? file / "inside" : file;
        if (c.failure == Failure::TargetIsAFolder)
            std::filesystem::create_directory(file);
        writeFile(previous, "the previous portfolio");

        host.clearRecord();
        host.options.ZipFile = c.zip;
        CWPapierDoc doc(&host);
        if (c.failure == Failure::TooDeep)
            deepPortfolio(doc);
        else
            doc.AddItem(makeItem("one"));
        doc.SetModifiedFlag(true);
        if (c.failure == Failure::UnwritableFolder)
            ::chmod(folder.c_str(), 0500);
        EXPECT_FALSE(doc.DoSave(file));
        ::chmod(folder.c_str(), 0700);

        EXPECT_EQ(readFile(previous), "the previous portfolio");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()),
                  1); // no temporary file left
        EXPECT_TRUE(doc.IsModified());
        const auto notices = host.notices();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].kind, PortfolioNotice::Kind::Error);
        EXPECT_NE(notices[0].text.find("Cannot save the portfolio"), std::string::npos) << notices[0].text;
        if (c.failure == Failure::UnwritableFolder) { // the folder is the cause, and named
            EXPECT_NE(notices[0].text.find("Cannot save in the folder '" + folder.string() + "': "), std::string::npos)
                << notices[0].text;
        }
    }
}

// A write that fails partway through the stream (the file size limit stands in for a full disk)
// keeps the previous file, leaves no temporary file and names its cause, zipped as plain.
TEST_F(DocumentFileTest, AWriteFailingPartwayKeepsThePreviousFileAndNamesTheCause) {
    for (const int zip : {0, 1}) {
        SCOPED_TRACE(zip ? "zipped" : "plain");
        const auto folder = path("partway " + std::to_string(zip));
        std::filesystem::create_directory(folder);
        const auto file = folder / "portfolio.cvr";
        writeFile(file, "the previous portfolio");
        host.options.ZipFile = zip;
        CWPapierDoc doc(&host);
        auto item = makeItem("large");
        std::vector<CKurs> quotations;
        for (int i = 0; i < 40000; ++i)
            quotations.emplace_back(OleDate(40000.0 + i), 1.0 + i * 0.37); // some 2 MB in the file
        item->ReplaceQuotationList(std::move(quotations));
        doc.AddItem(std::move(item));
        doc.SetModifiedFlag(true);
        host.clearRecord();

        bool saved = true;
        {
            const testsupport::FileSizeLimit limit(16 * 1024);
            ASSERT_TRUE(limit.active());
            saved = doc.DoSave(file);
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(readFile(file), "the previous portfolio");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
        EXPECT_TRUE(doc.IsModified());
        const auto notices = host.notices();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].text, "Cannot save the portfolio '" + file.string() + "':\nCannot save '" + file.string() +
                                       "': File too large");

        ASSERT_TRUE(doc.DoSave(file));
        CWPapierDoc again(&host);
        ASSERT_TRUE(again.openDocument(file));
        EXPECT_EQ(again.GetItem(again.GetHeadPosition())->GetQuotationCount(), 40000);
    }
}

// A zipped save whose entry is written whole but whose archive cannot be closed (the central
// directory does not fit under the limit) fails and leaves the previous file byte for byte.
TEST_F(DocumentFileTest, AZippedSaveWhoseArchiveCloseFailsKeepsThePreviousFile) {
    host.options.ZipFile = 1;
    CWPapierDoc doc(&host);
    doc.AddItem(makeItem("one"));
    doc.AddItem(makeItem("two"));
    // The same portfolio saved once elsewhere tells where its central directory starts.
    const auto probe = path("probe.cvr");
    ASSERT_TRUE(doc.OnSaveDocument(probe));
    const std::string probeBytes = readFile(probe);
    ASSERT_GE(probeBytes.size(), 22u);
    const auto* end = reinterpret_cast<const unsigned char*>(probeBytes.data() + probeBytes.size() - 22);
    ASSERT_EQ(end[0], 'P');
    const std::uint32_t directoryOffset =
        end[16] | end[17] << 8 | end[18] << 16 | static_cast<std::uint32_t>(end[19]) << 24;
    ASSERT_GT(directoryOffset, 0u);

    const auto folder = path("close");
    std::filesystem::create_directory(folder);
    const auto file = folder / "portfolio.cvr";
    host.options.ZipFile = 0;
    ASSERT_TRUE(doc.OnSaveDocument(file)); // a real previous portfolio, plain
    const std::string previous = readFile(file);
    host.options.ZipFile = 1;
    host.clearRecord();
    bool saved = true;
    {
        const testsupport::FileSizeLimit limit(directoryOffset);
        ASSERT_TRUE(limit.active());
        saved = doc.OnSaveDocument(file);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(file), previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    const auto notices = host.notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "Cannot save the portfolio '" + file.string() + "':\nCannot save '" + file.string() +
                                   "': File too large");
}

TEST_F(DocumentFileTest, AutosaveOnExitSavesWithoutAsking) {
    const auto file = path("autosave.cvr");
    host.options.AutosaveOnExit = 1;
    CWPapierDoc doc(&host);
    doc.AddItem(makeItem("one"));
    doc.SetPathName(file);
    EXPECT_TRUE(doc.CanCloseFrame());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(host.calls().empty()); // nothing asked

    // Untitled: the Save As question; cancelled, the frame stays.
    CWPapierDoc untitled(&host);
    untitled.AddItem(makeItem("two"));
    EXPECT_FALSE(untitled.CanCloseFrame());
    EXPECT_EQ(host.calls(), std::vector<std::string>{"chooseSavePath(Untitled)"});

    // With the option off the user is asked.
    host.clearRecord();
    host.options.AutosaveOnExit = 0;
    host.saveAnswers = {SaveChangesAnswer::Cancel};
    EXPECT_FALSE(untitled.CanCloseFrame());
    EXPECT_EQ(host.calls(), std::vector<std::string>{"askSaveChanges(Untitled)"});
}

// --- opening ---

TEST_F(DocumentFileTest, OpeningEmptyAndZeroItemFiles) {
    const auto empty = path("empty.cvr");
    writeFile(empty, "");
    const auto zero = path("zero.cvr");
    writeFile(zero, std::string("\0\0", 2));
    for (const auto& file : {empty, zero}) {
        SCOPED_TRACE(file.filename().string());
        CWPapierDoc doc(&host);
        doc.AddItem(makeItem("previous"));
        ASSERT_TRUE(doc.openDocument(file));
        EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.GetTitle(), file.filename().string());
        EXPECT_EQ(doc.LoadSchema(), 22);
    }
}

TEST_F(DocumentFileTest, AFileThatCannotBeReadLeavesTheDocumentAsItIs) {
    const auto previous = path("previous.cvr");
    CWPapierDoc doc(&host);
    doc.AddItem(makeItem("kept"));
    ASSERT_TRUE(doc.DoSave(previous));
    RecordingView view;
    doc.AddView(view);
    host.clearRecord();

    EXPECT_FALSE(doc.openDocument(path("missing.cvr")));
    EXPECT_FALSE(doc.openDocument(dir())); // a folder
    EXPECT_EQ(doc.GetItemCount(), 1);
    EXPECT_EQ(doc.GetPathName(), previous);
    EXPECT_TRUE(view.updates.empty());
    const auto notices = host.notices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[0].text.find("missing.cvr"), std::string::npos);
    EXPECT_NE(notices[0].text.find("No such file"), std::string::npos) << notices[0].text;
}

// What is not a regular file is refused at once and leaves the document as it is: a FIFO that no
// one writes to (an open that waited for a writer would never end) and a device.
TEST_F(DocumentFileTest, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    const auto fifo = path("portfolio.cvr");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CWPapierDoc doc(&host);
    doc.AddItem(makeItem("kept"));
    host.clearRecord();

    // Should an open wait for a writer, writers come after a bounded wait (one for each open that
    // waits) and the test fails.
    std::atomic<bool> done{false};
    std::atomic<bool> hadToWrite{false};
    std::thread watchdog([&] {
        const auto until = std::chrono::steady_clock::now() + testsupport::sanitizerScaled(std::chrono::seconds(10));
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (done || std::chrono::steady_clock::now() < until)
                continue;
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                hadToWrite = true;
                ::close(fd);
            }
        }
    });
    const bool openedFifo = doc.openDocument(fifo);
    done = true;
    watchdog.join();
    EXPECT_FALSE(hadToWrite) << "opening a FIFO waited for a writer";
    EXPECT_FALSE(openedFifo);
    EXPECT_FALSE(doc.openDocument("/dev/null")); // a device, empty: no portfolio either
    EXPECT_EQ(doc.GetItemCount(), 1);
    const auto notices = host.notices();
    ASSERT_EQ(notices.size(), 2u);
    for (const auto& notice : notices)
        EXPECT_NE(notice.text.find("not a regular file"), std::string::npos) << notice.text;
}

// A damaged file leaves nothing half-read: the document is a new, untitled portfolio, so that a
// later save cannot write it over the previous portfolio's file.
TEST_F(DocumentFileTest, ADamagedFileLeavesANewUntitledPortfolio) {
    const auto previous = path("previous.cvr");
    CWPapierDoc doc(&host);
    doc.AddItem(makeItem("previous"));
    ASSERT_TRUE(doc.DoSave(previous));
    const std::string previousBytes = readFile(previous);
    RecordingView view;
    doc.AddView(view);
    host.options.Autoupdate = 1;
    host.clearRecord();

    CWPapierDoc source;
    const std::string stream = goldenStream(buildGolden(source));
    const auto damaged = path("damaged.cvr");
    writeFile(damaged, stream.substr(0, stream.size() - 3));

    EXPECT_FALSE(doc.openDocument(damaged));
    EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(view.updates.back(), (RecordingView::Update{nullptr, 0}));
    EXPECT_EQ(host.waitCursorDepth(), 0);
    // The frame is left alone; the user is told.
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("showNotice(Cannot open the portfolio '" + damaged.string() + "':\n", 0), 0u) << calls[0];
    EXPECT_EQ(readFile(previous), previousBytes);

    // The document is usable.
    doc.AddItem(makeItem("new"));
    ASSERT_TRUE(doc.DoSave(path("new.cvr")));
    CWPapierDoc reread(&host);
    ASSERT_TRUE(reread.openDocument(path("new.cvr")));
    EXPECT_EQ(doctest::itemNames(reread), (std::vector<std::string>{" Cash Account", " Investment History", "new"}));
}

// A plain file is read in chunks as it is loaded: a file of several chunks opens whole, and one
// cut anywhere (at a chunk's border or within a record) or with a count that promises more than
// it holds is refused and leaves a new portfolio.
TEST_F(DocumentFileTest, AFileOfManyChunksOpensWholeAndIsRefusedWhenCut) {
    CWPapierDoc source(&host);
    std::vector<CKurs> quotations;
    for (int i = 0; i < 70000; ++i) { // about 3.8 MB
        CKurs q(OleDate(30000.0 + i + 0.5), 10.0 + i);
        q.m_dVolume = i;
        quotations.push_back(q);
    }
    auto item = makeItem("long");
    item->ReplaceQuotationList(quotations);
    source.AddItem(std::move(item));
    source.AddItem(makeItem("after"));
    const auto whole = path("whole.cvr");
    ASSERT_TRUE(source.OnSaveDocument(whole));
    const std::string bytes = readFile(whole);
    ASSERT_GT(bytes.size(), std::size_t{3} << 20);

    CWPapierDoc doc(&host);
    ASSERT_TRUE(doc.OnOpenDocument(whole));
    EXPECT_EQ(doctest::itemNames(doc),
              (std::vector<std::string>{"long", "after", " Investment History", " Cash Account"}));
    const std::vector<CKurs> read = doc.GetItem(doc.GetHeadPosition())->GetQuotationListCopy();
    ASSERT_EQ(read.size(), quotations.size());
    for (std::size_t i = 0; i < read.size(); i += 997) {
        EXPECT_EQ(read[i].m_dtDate.m_dt, quotations[i].m_dtDate.m_dt) << i;
        EXPECT_EQ(read[i].m_dClose, quotations[i].m_dClose) << i;
        EXPECT_EQ(read[i].m_dVolume, quotations[i].m_dVolume) << i;
    }
    EXPECT_EQ(read.back().m_dClose, quotations.back().m_dClose);

    const std::size_t chunk = std::size_t{1} << 20;
    // The quotation count of the long list: it stands after the item's fields, before the first
    // quotation record (tag 0xFFFF, schema, "CKurs").
    const std::size_t firstRecord = bytes.find(std::string("\xFF\xFF\x16\x00\x05\x00"
                                                           "CKurs",
                                                           11));
    ASSERT_NE(firstRecord, std::string::npos);
    ASSERT_EQ(bytes.substr(firstRecord - 6, 6), std::string("\xFF\xFF\x70\x11\x01\x00", 6)); // 70000
    std::string inflated = bytes;
    inflated[firstRecord - 1] = '\x01'; // 0x01011170: more records than the file has bytes for
    std::vector<std::pair<std::string, std::string>> damaged = {{"inflated count", inflated}};
    for (const std::size_t size : {chunk - 1, chunk, chunk + 1, 2 * chunk + 17, bytes.size() - 1})
        damaged.emplace_back("cut at " + std::to_string(size), bytes.substr(0, size));
    for (const auto& [what, content] : damaged) {
        SCOPED_TRACE(what);
        writeFile(path("damaged.cvr"), content);
        host.clearRecord();
        EXPECT_FALSE(doc.OnOpenDocument(path("damaged.cvr")));
        EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
        EXPECT_EQ(host.notices().size(), 1u);
    }
}

TEST_F(DocumentFileTest, OpeningTellsTheFrame) {
    CWPapierDoc source;
    source.AddItem(makeItem("one"));
    const auto file = path("timed.cvr");
    ASSERT_TRUE(source.OnSaveDocument(file));

    host.options.Autoupdate = 1;
    host.options.UpdateIntervall = 15;
    CWPapierDoc doc(&host);
    ASSERT_TRUE(doc.openDocument(file));
    EXPECT_EQ(host.calls(),
              (std::vector<std::string>{"setUpdateTimer(15)", "clearDownloadsList()", "setDownloadsTitle(timed.cvr)"}));

    // Closing restarts the timer too, and clears a pending abort.
    host.clearRecord();
    g_bAbortDownloads = 1;
    doc.OnCloseDocument();
    EXPECT_EQ(host.calls(), std::vector<std::string>{"setUpdateTimer(15)"});
    EXPECT_EQ(g_bAbortDownloads.load(), 0);
    EXPECT_TRUE(doc.IsWPListEmpty());
    EXPECT_EQ(doc.GetTitle(), "Untitled");
}

TEST_F(DocumentFileTest, LogLinesOfSavingAndOpening) {
    CWPapierDoc doc(&host);
    doc.AddItem(makeItem("one"));
    const auto file = path("logged.cvr");
    const std::string name = file.string();
    struct Case {
        int zip;
        std::vector<std::string> save;
        std::vector<std::string> open;
    };
    const Case cases[] = {
        {0,
         {"Saving portfolio as '" + name + "'  (standard format)...", "Finished saving file."},
         {"Loading file '" + name + "'...", "Deleting previous document...", "Checking file format '" + name + "'...",
          "Finished loading file.", "Init portfolio: creating investment history...",
          "Adding item ' Investment History'", "Init portfolio: checking cash account...",
          "Adding item ' Cash Account'", "Init portfolio: updating recurring transactions...",
          "Init portfolio: recalculating average investment price for all items..."}},
        {1,
         {"Saving portfolio as '" + name + "' (compressed format)...", "Finished saving file.",
          "Zipping serialized archive to file '" + name + "'...", "Zip file successful!"},
         {"Loading file '" + name + "'...", "Deleting previous document...", "Checking file format '" + name + "'...",
          "Unzipping document '" + name + "'...", "Finished loading file.", "Init portfolio: checking cash account...",
          "Init portfolio: updating recurring transactions...",
          "Init portfolio: recalculating average investment price for all items..."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zip);
        host.options.ZipFile = c.zip;
        const auto documentLines = [](const testsupport::LogCapture& log) {
            std::vector<std::string> lines;
            for (const auto& line : log.lines())
                if (line.file == "WPapierDoc.cpp")
                    lines.push_back(line.message);
            return lines;
        };
        {
            testsupport::LogCapture log;
            ASSERT_TRUE(doc.OnSaveDocument(file));
            EXPECT_EQ(documentLines(log), c.save);
        }
        {
            testsupport::LogCapture log;
            ASSERT_TRUE(doc.OnOpenDocument(file));
            EXPECT_EQ(documentLines(log), c.open);
        }
    }
}

// A zip archive whose entry cannot be unpacked is read as it is, and fails as a damaged file.
TEST_F(DocumentFileTest, AZipWhoseEntryCannotBeUnpackedFails) {
    CWPapierDoc source;
    const std::string stream = goldenStream(buildGolden(source));
    const auto file = path("broken.cvr");
    writeZip(file, "portfolio.cvr", stream);
    std::string bytes = readFile(file);
    bytes[30 + 13 + bytes.size() / 8] ^= 0x55; // inside the compressed data, after the local header
    writeFile(file, bytes);

    CWPapierDoc doc(&host);
    testsupport::LogCapture log;
    EXPECT_FALSE(doc.openDocument(file));
    EXPECT_TRUE(doctest::holdsOnlySpecialItems(doc));
    const auto notices = host.notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].text.find("damaged or not a portfolio"), std::string::npos) << notices[0].text;
    bool fellBack = false;
    for (const auto& line : log.lines())
        fellBack = fellBack || line.message.find("reading it as it is") != std::string::npos;
    EXPECT_TRUE(fellBack);
}
