// The document's quotation import: the question with its summary and proposed time frame, an import
// within the chosen frame or declined, the unconfirmed import with its frame written back, the
// conversion by an exchange-rate item (a missing and a zero rate leave records out), nothing found,
// DisableIntraday, the investment history and the view hints. The records come from a reader of the
// test; reading files by regular expression is the retrieval's and is tested there.

#include "DocBehaviourSupport.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <functional>
#include <optional>

using doctest::RecordingView;
using itemtest::at;
using itemtest::quotation;

namespace {

// A recording host that also probes, when the import question comes, whether the list lock is free
// and the wait cursor is off.
class ImportHost : public testsupport::FakePortfolioHost {
public:
    std::function<void()> onQuestion;
    bool askImportInterval(ImportIntervalQuestion& question) override {
        if (onQuestion)
            onQuestion();
        return FakePortfolioHost::askImportInterval(question);
    }
};

struct Value {
    std::string date; // "%x %X"
    double close;
    bool operator==(const Value&) const = default;
};

void PrintTo(const Value& v, std::ostream* os) {
    *os << v.date << " " << v.close;
}

class DocImportTest : public ::testing::Test {
protected:
    DocImportTest() {
        const auto probe = [this] {
            lockFreeAtHost.push_back(doctest::listLockFree(doc));
            cursorAtHost.push_back(host.waitCursorDepth());
        };
        host.onNotice = [probe](const PortfolioNotice&) { probe(); };
        host.onQuestion = probe;
        doc.OnNewDocument();
        history = doc.FindInvestmentHistoryItem();
        acme = doc.AddItem(doctest::makeItem("Acme"));
        doc.AddView(view);
        clearRecord();
    }

    void clearRecord() {
        host.clearRecord();
        view.updates.clear();
        lockFreeAtHost.clear();
        cursorAtHost.clear();
        log.clear();
        doc.SetModifiedFlag(false);
    }

    // A reader handing out `records` (counting its calls) or, when they are empty, `error`.
    CWPapierDoc::QuotationReader reader(std::vector<CKurs> records, std::string error = {}) {
        return [this, records = std::move(records), error = std::move(error)](const std::filesystem::path& file) {
            readFiles.push_back(file);
            CWPapierDoc::QuotationReading reading;
            reading.found = records;
            if (records.empty())
                reading.error = error;
            return reading;
        };
    }

    bool import(ItemPos pos, std::vector<CKurs> records, OleDate from, OleDate to, bool confirm) {
        return doc.ImportQuotations(pos, "history.csv", reader(std::move(records)), from, to, confirm);
    }

    std::vector<Value> values(ItemPos pos) {
        std::vector<Value> out;
        for (const CKurs& q : doc.GetItem(pos)->GetQuotationListCopy())
            out.push_back({q.m_dtDate.Format("%x %X"), q.m_dClose});
        return out;
    }

    // The log lines starting with `prefix`.
    std::vector<std::string> logLines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& line : log.messages())
            if (line.rfind(prefix, 0) == 0)
                out.push_back(line);
        return out;
    }

    // Four daily records at 20:00, newest first, as a page that lists its history that way.
    static std::vector<CKurs> newestFirst() {
        return {quotation(at(2024, 3, 5, 20), 12.5), quotation(at(2024, 3, 4, 20), 12.0),
                quotation(at(2024, 3, 1, 20), 11.0), quotation(at(2024, 2, 28, 20), 10.0)};
    }

    itemtest::FixedNow fixedNow{at(2024, 6, 15, 12)};
    testsupport::LogCapture log;
    ImportHost host;
    CWPapierDoc doc{&host};
    RecordingView view;
    ItemPos history = kNoItemPos;
    ItemPos acme = kNoItemPos;
    std::vector<bool> lockFreeAtHost;
    std::vector<int> cursorAtHost; // wait-cursor depth at each question and notice
    std::vector<std::filesystem::path> readFiles;
};

TEST_F(DocImportTest, ConfirmedImportAddsWhatLiesWithinTheChosenFrame) {
    // The caller's frame reaches before the first record and ends inside the history: the proposal
    // starts at the first record's day and ends at the caller's end.
    const OleDate from = at(2024, 1, 1);
    const OleDate to = at(2024, 3, 4, 10);
    // The user narrows it to 1 March .. 4 March 19:59:59.6: the record at 20:00:00 lies within
    // half a second of the end and counts.
    host.importAnswers.push_back(std::make_pair(at(2024, 3, 1), itemtest::plusSeconds(at(2024, 3, 4, 20), -0.4)));
    OleDate f = from, t = to;
    ASSERT_TRUE(doc.ImportQuotations(acme, "history.csv", reader(newestFirst()), f, t, true));

    const auto questions = host.importQuestions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].itemName, "Acme");
    EXPECT_EQ(questions[0].summary, "02/28/24  10.0000\n...\n03/05/24  12.5000");
    EXPECT_EQ(questions[0].countLine, "4 quotations found:");
    EXPECT_EQ(questions[0].begin.m_dt, at(2024, 2, 28).m_dt);
    EXPECT_EQ(questions[0].end.m_dt, to.m_dt);
    EXPECT_EQ(lockFreeAtHost, std::vector<bool>{true});
    EXPECT_EQ(cursorAtHost, std::vector<int>{0});
    EXPECT_EQ(host.waitCursorDepth(), 0);
    EXPECT_EQ(readFiles, std::vector<std::filesystem::path>{"history.csv"});
    // With confirm the caller's frame stays as it was.
    EXPECT_EQ(f.m_dt, from.m_dt);
    EXPECT_EQ(t.m_dt, to.m_dt);

    EXPECT_EQ(values(acme), (std::vector<Value>{{"03/01/24 20:00:00", 11.0}, {"03/04/24 20:00:00", 12.0}}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, acme}, {nullptr, history}}));
    EXPECT_TRUE(host.notices().empty());

    EXPECT_EQ(logLines("Import engine found"),
              std::vector<std::string>{"Import engine found 4 quotations in file:\n\n02/28/24  10.0000\n...\n03/05/24 "
                                       " 12.5000\n\nAdd quotations to item?"});
    EXPECT_EQ(logLines("Importing quotations within"),
              std::vector<std::string>{"Importing quotations within: 03/01/24 00:00:00 - 03/04/24 20:00:00"});
    // The records are handled from the end of the list.
    EXPECT_EQ(logLines("Checking quotation"),
              (std::vector<std::string>{
                  "Checking quotation 02/28/24 20:00:00 10.0000", "Checking quotation 03/01/24 20:00:00 11.0000",
                  "Checking quotation 03/04/24 20:00:00 12.0000", "Checking quotation 03/05/24 20:00:00 12.5000"}));
}

TEST_F(DocImportTest, SummaryShowsTheOldestFirstWhateverTheFileOrder) {
    auto oldestFirst = newestFirst();
    std::reverse(oldestFirst.begin(), oldestFirst.end());
    const std::vector<CKurs> single{quotation(at(2024, 3, 1, 20), 11.0)};
    const struct {
        const char* name;
        std::vector<CKurs> records;
        std::string summary;
    } cases[] = {
        {"newest first", newestFirst(), "02/28/24  10.0000\n...\n03/05/24  12.5000"},
        {"oldest first", oldestFirst, "02/28/24  10.0000\n...\n03/05/24  12.5000"},
        {"one record", single, "03/01/24  11.0000\n...\n03/01/24  11.0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clearRecord();
        host.importAnswers.push_back(std::nullopt);
        // An unlimited frame is narrowed to the days found.
        EXPECT_FALSE(import(acme, c.records, at(2000, 1, 1), at(2030, 1, 1), true));
        const auto questions = host.importQuestions();
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0].summary, c.summary);
        const OleDate first = c.records.size() == 1 ? at(2024, 3, 1) : at(2024, 2, 28);
        const OleDate last = c.records.size() == 1 ? at(2024, 3, 1, 23, 59, 59) : at(2024, 3, 5, 23, 59, 59);
        EXPECT_EQ(questions[0].begin.m_dt, first.m_dt);
        EXPECT_EQ(questions[0].end.m_dt, last.m_dt);
    }
}

TEST_F(DocImportTest, DeclinedOrUnconfirmableImportAddsNothing) {
    doc.GetItem(acme)->AddQuotation(quotation(at(2024, 1, 2, 20), 9.0), false);
    host.importAnswers.push_back(std::nullopt);
    EXPECT_FALSE(import(acme, newestFirst(), at(2024, 1, 1), at(2024, 12, 31), true));
    EXPECT_EQ(host.importQuestions().size(), 1u);
    EXPECT_EQ(values(acme), (std::vector<Value>{{"01/02/24 20:00:00", 9.0}}));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());
    EXPECT_TRUE(logLines("Importing quotations within").empty());

    // Without a host nobody can confirm.
    doc.setPortfolioHost(nullptr);
    EXPECT_FALSE(import(acme, newestFirst(), at(2024, 1, 1), at(2024, 12, 31), true));
    EXPECT_EQ(values(acme), (std::vector<Value>{{"01/02/24 20:00:00", 9.0}}));
    doc.setPortfolioHost(&host);
}

TEST_F(DocImportTest, UnconfirmedImportPutsTheFrameInOrderAndWritesItBack) {
    // Reversed, with times of day: swapped and widened to whole days.
    OleDate from = at(2024, 3, 4, 10, 30);
    OleDate to = at(2024, 3, 1, 15);
    ASSERT_TRUE(doc.ImportQuotations(acme, "history.csv", reader(newestFirst()), from, to, false));
    EXPECT_EQ(from.m_dt, at(2024, 3, 1).m_dt);
    EXPECT_EQ(to.m_dt, at(2024, 3, 4, 23, 59, 59).m_dt);

    EXPECT_TRUE(host.importQuestions().empty());
    EXPECT_TRUE(logLines("Checking quotation").empty());
    EXPECT_EQ(values(acme), (std::vector<Value>{{"03/01/24 20:00:00", 11.0}, {"03/04/24 20:00:00", 12.0}}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, acme}, {nullptr, history}}));
}

TEST_F(DocImportTest, NothingFoundOrNoItemChangesNothing) {
    const std::string error = "No match found for specified data format!";
    OleDate from = at(2024, 1, 1), to = at(2024, 12, 31);
    EXPECT_FALSE(doc.ImportQuotations(acme, "/data/prices.txt", reader({}, error), from, to, true));
    const std::string text = "Error importing quotations from file \"/data/prices.txt\":\n" + error +
                             "\n\nPlease check quotation's thousands/decimal separator and general data format "
                             "specification.\nNote: all separators (including spaces) used must be specified in "
                             "the data format (import rules).";
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Error, text}}));
    EXPECT_EQ(lockFreeAtHost, std::vector<bool>{true});
    EXPECT_EQ(cursorAtHost, std::vector<int>{0});
    EXPECT_EQ(logLines("Error importing"), std::vector<std::string>{text});
    EXPECT_TRUE(host.importQuestions().empty());
    EXPECT_EQ(doc.GetItem(acme)->GetQuotationCount(), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());
    EXPECT_EQ(host.waitCursorDepth(), 0);

    // A position that holds no item: the file is not even read.
    clearRecord();
    readFiles.clear();
    const ItemPos gone = doc.AddItem(doctest::makeItem("Gone"));
    doc.DeleteItem(gone);
    clearRecord();
    EXPECT_FALSE(doc.ImportQuotations(gone, "history.csv", reader(newestFirst()), from, to, false));
    EXPECT_TRUE(readFiles.empty());
    EXPECT_TRUE(host.notices().empty());
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocImportTest, ConversionByTheExchangeRateItemLeavesRecordsWithoutRateOut) {
    CWPapier* rate = doc.CreateExchangeRateItem("Euro (EUR)", "US Dollar (USD)");
    // No rate before 29 February; a rate of 0 on it; 2 from 2 March on.
    rate->AddQuotation(quotation(at(2024, 2, 29, 18), 0.0), false);
    rate->AddQuotation(quotation(at(2024, 3, 2, 18), 2.0), false);
    CWPapier& item = *doc.GetItem(acme);
    item.m_bConvertCurrency = true;
    item.m_pCurrencyItem = rate;
    clearRecord();

    const std::vector<CKurs> records{quotation(at(2024, 2, 28, 20), 10.0, 9.5, 10.5, 9.0, 100),
                                     quotation(at(2024, 3, 1, 20), 11.0, 10.5, 11.5, 10.0, 200),
                                     quotation(at(2024, 3, 4, 20), 12.0, 11.5, 12.5, 11.0, 300)};
    host.importAnswers.push_back(std::make_pair(at(2024, 2, 1), at(2024, 3, 31)));
    ASSERT_TRUE(import(acme, records, at(2024, 1, 1), at(2024, 12, 31), true));

    const auto questions = host.importQuestions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].summary, "02/28/24  10.0000 x (Currency: 0.0000) = 0.0000\n...\n"
                                    "03/04/24  12.0000 x (Currency: 2.0000) = 24.0000\n\n"
                                    "2 of these quotations have no exchange rate on or before their date and will "
                                    "not be imported.");
    // Only the record with a rate is imported, open, close, high and low converted, volume not.
    const auto imported = doc.GetItem(acme)->GetQuotationListCopy();
    ASSERT_EQ(imported.size(), 1u);
    EXPECT_EQ(imported[0].m_dtDate.m_dt, at(2024, 3, 4, 20).m_dt);
    EXPECT_EQ(imported[0].m_dOpen, 23.0);
    EXPECT_EQ(imported[0].m_dClose, 24.0);
    EXPECT_EQ(imported[0].m_dHigh, 25.0);
    EXPECT_EQ(imported[0].m_dLow, 22.0);
    EXPECT_EQ(imported[0].m_dVolume, 300.0);

    const std::string text = "2 quotations were not imported into \"Acme\": the exchange-rate item \"Euro (EUR) / "
                             "US Dollar (USD)\" has no quotation (or one of 0) on or before their dates.";
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning, text}}));
    // Asked and told with the lock free and without the wait cursor.
    EXPECT_EQ(lockFreeAtHost, (std::vector<bool>{true, true}));
    EXPECT_EQ(cursorAtHost, (std::vector<int>{0, 0}));
    EXPECT_EQ(logLines("Converted quotation"),
              std::vector<std::string>{"Converted quotation currency to 03/04/24 20:00:00 24.0000"});
    EXPECT_EQ(logLines("Skipping quotation"),
              (std::vector<std::string>{"Skipping quotation 03/01/24 20:00:00 11.0000: no exchange rate",
                                        "Skipping quotation 02/28/24 20:00:00 10.0000: no exchange rate"}));

    // Unconfirmed, the same records: the same result, the same notice.
    doc.GetItem(acme)->DeleteAllQuotations();
    clearRecord();
    ASSERT_TRUE(import(acme, records, at(2024, 1, 1), at(2024, 12, 31), false));
    EXPECT_EQ(values(acme), (std::vector<Value>{{"03/04/24 20:00:00", 24.0}}));
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning, text}}));

    // Conversion switched off: the values as found.
    doc.GetItem(acme)->DeleteAllQuotations();
    doc.GetItem(acme)->m_bConvertCurrency = false;
    clearRecord();
    ASSERT_TRUE(import(acme, records, at(2024, 1, 1), at(2024, 12, 31), false));
    EXPECT_EQ(
        values(acme),
        (std::vector<Value>{{"02/28/24 20:00:00", 10.0}, {"03/01/24 20:00:00", 11.0}, {"03/04/24 20:00:00", 12.0}}));
    EXPECT_TRUE(host.notices().empty());
}

TEST_F(DocImportTest, DisableIntradayKeepsOneQuotationPerDay) {
    const struct {
        int disableIntraday;
        std::vector<Value> expected;
    } cases[] = {
        // A record at the time of an existing quotation replaces it; another time of the same day
        // is added beside it.
        {0, {{"03/01/24 20:00:00", 11.0}, {"03/04/24 10:00:00", 2.0}, {"03/04/24 20:00:00", 12.0}}},
        // The day keeps one quotation: the imported one.
        {1, {{"03/01/24 20:00:00", 11.0}, {"03/04/24 20:00:00", 12.0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.disableIntraday);
        host.options.DisableIntraday = c.disableIntraday;
        CWPapier& item = *doc.GetItem(acme);
        item.DeleteAllQuotations();
        item.AddQuotation(quotation(at(2024, 3, 1, 20), 1.0), false);
        item.AddQuotation(quotation(at(2024, 3, 4, 10), 2.0), false);
        ASSERT_TRUE(import(acme, {quotation(at(2024, 3, 1, 20), 11.0), quotation(at(2024, 3, 4, 20), 12.0)},
                           at(2024, 1, 1), at(2024, 12, 31), false));
        EXPECT_EQ(values(acme), c.expected);
    }
}

TEST_F(DocImportTest, InvestmentHistoryFollowsAndViewsAreToldItemThenHistory) {
    // Ten units held: the history follows the imported values.
    doc.AddTransaction(acme, CTransaction(0, at(2024, 2, 1), 10, 20, 0, 0, false, OleDate(), ""));
    clearRecord();
    ASSERT_TRUE(import(acme, newestFirst(), at(2024, 1, 1), at(2024, 12, 31), false));
    // The records are added oldest first, each the item's newest: the history takes a value for each.
    EXPECT_EQ(doctest::closes(*doc.GetItem(history)), (std::vector<double>{100.0, 110.0, 120.0, 125.0}));
    // The views hear of the item once, at the end, not per quotation (the history's own adds tell
    // them of the history as they happen); then of the history.
    ASSERT_GE(view.updates.size(), 2u);
    EXPECT_EQ(std::count(view.updates.begin(), view.updates.end(), RecordingView::Update{nullptr, acme}), 1);
    EXPECT_EQ(std::vector<RecordingView::Update>(view.updates.end() - 2, view.updates.end()),
              (std::vector<RecordingView::Update>{{nullptr, acme}, {nullptr, history}}));

    // An import into the history item itself tells the views once.
    clearRecord();
    ASSERT_TRUE(import(history, {quotation(at(2024, 1, 5, 20), 7.0)}, at(2024, 1, 1), at(2024, 12, 31), false));
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, history}}));
}

} // namespace
