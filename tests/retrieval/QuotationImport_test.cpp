// Importing a quotation history from a file into an item: the import rules made from a data format,
// and the way from a file written by the test through the regular-expression import into the
// document, with the interval question answered, declined, or not asked, a conversion by an
// exchange-rate item, and files that give nothing.

#include "retrieval/QuotationImport.h"

#include "platform/Clock.h"
#include "support/FakePortfolioHost.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The data format of a new import page.
constexpr const char* kDefaultDataFormat =
    "[&day]-[&month]-[&year],[&quotation_open],[&quotation_high],[&quotation_low],[&quotation_close],[&volume]";

OleDate at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return OleDate(y, mo, d, h, mi, s);
}

class QuotationImportTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        clock.set(std::chrono::system_clock::from_time_t(*at(2024, 6, 15, 12).toTimeT()));
        doc.OnNewDocument();
        auto item = std::make_unique<CWPapier>();
        item->m_strName = "DAX";
        item->m_strSymbol = "^GDAXI";
        acme = doc.AddItem(std::move(item));
        host.clearRecord();
        doc.SetModifiedFlag(false);
    }

    // A history as a German page lists it: newest first, one line per day, decimal comma.
    std::filesystem::path writeHistory() {
        const auto file = path("history.csv");
        testsupport::writeFile(file, "Symbol;Date;Close\n"
                                     "^GDAXI;05.03.2024;17.716,25\n"
                                     "XAU;05.03.2024;2.000,00\n"
                                     "^GDAXI;04.03.2024;17.698,50\n"
                                     "^GDAXI;01.03.2024;17.678,00\n"
                                     "^GDAXI;28.02.2024;17.601,75\n");
        return file;
    }

    QuotationImportRules rules() const {
        return MakeQuotationImportRules("[&symbol];[&day].[&month].[&year];[&quotation_close]", "^GDAXI", ".", ",",
                                        true);
    }

    std::vector<std::pair<std::string, double>> values(ItemPos pos) const {
        std::vector<std::pair<std::string, double>> out;
        for (const CKurs& q : doc.GetItem(pos)->GetQuotationListCopy())
            out.emplace_back(q.m_dtDate.Format("%Y-%m-%d %H:%M"), q.m_dClose);
        return out;
    }

    FixedClock clock;
    ScopedClock useClock{clock};
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc{&host};
    ItemPos acme = kNoItemPos;
};

TEST_F(QuotationImportTest, RulesFromADataFormat) {
    const QuotationImportRules r = rules();
    EXPECT_EQ(r.indexes.m_nDayIndex, 1);
    EXPECT_EQ(r.indexes.m_nMonthIndex, 2);
    EXPECT_EQ(r.indexes.m_nYearIndex, 3);
    EXPECT_EQ(r.indexes.m_nCloseIndex, 4);
    // The symbol is taken literally, not as the start of the line.
    EXPECT_EQ(r.pattern.rfind("\\^GDAXI;", 0), 0u) << r.pattern;
    EXPECT_TRUE(r.caseInsensitive);
    EXPECT_EQ(r.thousands, ".");
    EXPECT_EQ(r.decimal, ",");

    const struct {
        const char* format;
        bool date;
        bool time;
    } cases[] = {
        {"[&day].[&month].[&year];[&quotation_close]", true, false},
        {"[&month]/[&year];[&quotation_close]", true, false},
        {"[&hour]:[&minute];[&quotation_close]", false, true},
        {"[&day].[&month].[&year] [&hour]:[&minute];[&quotation_close]", true, true},
        {"[&dummyvalue];[&quotation_close]", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QuotationImportRules made = MakeQuotationImportRules(c.format, "", "", ".", false);
        EXPECT_EQ(made.dateWanted, c.date);
        EXPECT_EQ(made.timeWanted, c.time);
    }
}

// The symbol is put in as a literal before the place holders are numbered: parentheses, bars and
// anchors in it, or a place holder's text, change neither the groups nor the pattern's structure.
TEST_F(QuotationImportTest, SymbolsAreLiteralsAndShiftNoGroup) {
    const struct {
        const char* symbol;
        const char* literal;
    } cases[] = {
        {"A(B)", "A\\(B\\)"},   {"X|Y^", "X\\|Y\\^"}, {"A.B*+?", "A\\.B\\*\\+\\?"},
        {"[&day]", "\\[&day\\]"}, {"{2}$", "\\{2\\}\\$"}, {"Q\\d", "Q\\\\d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.symbol);
        const QuotationImportRules made =
            MakeQuotationImportRules("[&symbol];[&day].[&month].[&year];[&quotation_close]", c.symbol, ".", ",", true);
        EXPECT_EQ(made.pattern.rfind(std::string(c.literal) + ";", 0), 0u) << made.pattern;
        EXPECT_EQ(made.indexes.m_nDayIndex, 1);
        EXPECT_EQ(made.indexes.m_nMonthIndex, 2);
        EXPECT_EQ(made.indexes.m_nYearIndex, 3);
        EXPECT_EQ(made.indexes.m_nCloseIndex, 4);
    }
}

TEST_F(QuotationImportTest, FileImportWithinAndOutsideTheChosenFrame) {
    const auto file = writeHistory();
    // Confirmed with a narrowed frame: 1 to 4 March.
    host.importAnswers.push_back(std::make_pair(at(2024, 3, 1), at(2024, 3, 4, 23, 59, 59)));
    OleDate from = at(2024, 1, 1), to = at(2024, 12, 31);
    ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, rules(), from, to, true));
    const auto questions = host.importQuestions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].itemName, "DAX");
    EXPECT_EQ(questions[0].countLine, "4 quotations found:");
    EXPECT_EQ(questions[0].summary, "02/28/24  17601.7500\n...\n03/05/24  17716.2500");
    EXPECT_EQ(questions[0].begin.m_dt, at(2024, 2, 28).m_dt);
    EXPECT_EQ(questions[0].end.m_dt, at(2024, 3, 5, 23, 59, 59).m_dt);
    // Without a time in the file, every quotation stands at 20:00.
    EXPECT_EQ(values(acme), (std::vector<std::pair<std::string, double>>{{"2024-03-01 20:00", 17678.0},
                                                                         {"2024-03-04 20:00", 17698.5}}));
    EXPECT_TRUE(doc.IsModified());

    // Declined: nothing more.
    host.importAnswers.push_back(std::nullopt);
    EXPECT_FALSE(ImportQuotationsFromFile(doc, acme, file, rules(), from, to, true));
    EXPECT_EQ(doc.GetItem(acme)->GetQuotationCount(), 2);

    // Not confirmed: the caller's frame, 5 March only, is what is imported.
    from = at(2024, 3, 5, 12);
    to = at(2024, 3, 5, 12);
    ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, rules(), from, to, false));
    EXPECT_EQ(host.importQuestions().size(), 2u);
    EXPECT_EQ(from.m_dt, at(2024, 3, 5).m_dt);
    EXPECT_EQ(to.m_dt, at(2024, 3, 5, 23, 59, 59).m_dt);
    EXPECT_EQ(values(acme),
              (std::vector<std::pair<std::string, double>>{
                  {"2024-03-01 20:00", 17678.0}, {"2024-03-04 20:00", 17698.5}, {"2024-03-05 20:00", 17716.25}}));
    EXPECT_TRUE(host.notices().empty());
}

TEST_F(QuotationImportTest, FileImportConvertedByAnExchangeRateItem) {
    CWPapier* rate = doc.CreateExchangeRateItem("Euro (EUR)", "US Dollar (USD)");
    rate->AddQuotation(CKurs(at(2024, 2, 29, 18), 0.0), false); // a rate of 0
    rate->AddQuotation(CKurs(at(2024, 3, 2, 18), 1.1), false);
    rate->AddQuotation(CKurs(at(2024, 3, 5, 18), 1.2), false);
    doc.GetItem(acme)->m_bConvertCurrency = true;
    doc.GetItem(acme)->m_pCurrencyItem = rate;
    host.clearRecord();

    OleDate from = at(2024, 1, 1), to = at(2024, 12, 31);
    ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, writeHistory(), rules(), from, to, false));
    // 28 February has no rate, 1 March the rate 0: left out. Each other one by the rate in force
    // on its own date.
    const auto got = values(acme);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first, "2024-03-04 20:00");
    EXPECT_DOUBLE_EQ(got[0].second, 17698.5 * 1.1);
    EXPECT_EQ(got[1].first, "2024-03-05 20:00");
    EXPECT_DOUBLE_EQ(got[1].second, 17716.25 * 1.2);
    EXPECT_EQ(host.notices(),
              (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning,
                                             "2 quotations were not imported into \"DAX\": the exchange-rate item "
                                             "\"Euro (EUR) / US Dollar (USD)\" has no quotation (or one of 0) on or "
                                             "before their dates."}}));
}

TEST_F(QuotationImportTest, RecordsWithoutADateAreSkippedAndReported) {
    // A monthly history: the day defaults to the 30th, which February does not have.
    const auto file = path("monthly.csv");
    testsupport::writeFile(file, "^GDAXI;01/2024;16.903,76\n"
                                 "^GDAXI;02/2024;17.678,19\n"
                                 "^GDAXI;03/2024;18.492,49\n");
    const QuotationImportRules monthly =
        MakeQuotationImportRules("[&symbol];[&month]/[&year];[&quotation_close]", "^GDAXI", ".", ",", true);
    const std::string note = "Quotations read: 2, lines of the file skipped: 1. The first skipped: line "
                             "\"^GDAXI;02/2024;17.678,19\": RegExp date/time does not form a valid date (day 30, "
                             "month 2, year 2024, 20:00).";

    // Confirmed: the question keeps its own texts; one warning follows the import.
    host.importAnswers.push_back(std::make_pair(at(2024, 1, 1), at(2024, 12, 31)));
    OleDate from = at(2024, 1, 1), to = at(2024, 12, 31);
    ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, monthly, from, to, true));
    ASSERT_EQ(host.importQuestions().size(), 1u);
    EXPECT_EQ(host.importQuestions()[0].summary, "01/30/24  16903.7600\n...\n03/30/24  18492.4900");
    EXPECT_EQ(host.importQuestions()[0].countLine, "2 quotations found:");
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning, note}}));
    EXPECT_EQ(values(acme), (std::vector<std::pair<std::string, double>>{{"2024-01-30 20:00", 16903.76},
                                                                         {"2024-03-30 20:00", 18492.49}}));

    // Not confirmed: the same warning after the import.
    host.clearRecord();
    ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, monthly, from, to, false));
    EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning, note}}));

    // Nothing but skipped records: the reason is the skip, not "no match".
    host.clearRecord();
    testsupport::writeFile(file, "^GDAXI;02/2024;17.678,19\n");
    EXPECT_FALSE(ImportQuotationsFromFile(doc, acme, file, monthly, from, to, true));
    ASSERT_EQ(host.notices().size(), 1u);
    EXPECT_EQ(host.notices()[0].text.rfind("Error importing quotations from file \"" + file.string() +
                                               "\":\nQuotations read: 0, lines of the file skipped: 1. The first "
                                               "skipped: line \"^GDAXI;02/2024;17.678,19\"",
                                           0),
              0u)
        << host.notices()[0].text;
}

// A line whose date is not a date (day 0 or past the month's end, month 0 or 13) is skipped
// wherever it stands: it neither takes the day of another line nor adds to the count, and the
// lines after it keep their own dates.
TEST_F(QuotationImportTest, ImpossibleDatesAreSkippedNeverRedated) {
    const QuotationImportRules csv =
        MakeQuotationImportRules(kDefaultDataFormat, "", "", ".", true);
    const struct {
        const char* date;
        const char* reason;
    } dates[] = {
        {"32-11-2026", "day 32, month 11, year 2026"}, {"00-11-2026", "day 0, month 11, year 2026"},
        {"31-11-2026", "day 31, month 11, year 2026"}, {"29-02-2026", "day 29, month 2, year 2026"},
        {"13-00-2026", "day 13, month 0, year 2026"},  {"13-13-2026", "day 13, month 13, year 2026"},
    };
    const std::string good[] = {"12-11-2026,40.00,41.00,39.00,40.50,900", "13-11-2026,50.00,51.00,49.00,50.50,1000"};
    const auto file = path("history.csv");
    for (const auto& d : dates) {
        const std::string bad = std::string(d.date) + ",1.00,1.00,1.00,1.00,7";
        const std::vector<std::string> placings[] = {
            {bad, good[0], good[1]}, {good[0], bad, good[1]}, {good[0], good[1], bad}};
        for (const auto& lines : placings) {
            SCOPED_TRACE(std::string(d.date) + " as line " +
                         std::to_string(std::find(lines.begin(), lines.end(), bad) - lines.begin() + 1));
            std::string text = "Date,Open,High,Low,Close,Volume\n";
            for (const std::string& line : lines)
                text += line + "\n";
            testsupport::writeFile(file, text);
            doc.GetItem(acme)->DeleteAllQuotations();
            host.clearRecord();
            host.importAnswers.push_back(std::make_pair(at(2020, 1, 1), at(2030, 12, 31)));
            OleDate from = at(2020, 1, 1), to = at(2030, 12, 31);
            ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, csv, from, to, true));
            ASSERT_EQ(host.importQuestions().size(), 1u);
            EXPECT_EQ(host.importQuestions()[0].countLine, "2 quotations found:");
            EXPECT_EQ(host.importQuestions()[0].summary, "11/12/26  40.5000\n...\n11/13/26  50.5000");
            EXPECT_EQ(values(acme), (std::vector<std::pair<std::string, double>>{{"2026-11-12 20:00", 40.5},
                                                                                 {"2026-11-13 20:00", 50.5}}));
            EXPECT_EQ(host.notices(),
                      (std::vector<PortfolioNotice>{
                          {PortfolioNotice::Kind::Warning,
                           "Quotations read: 2, lines of the file skipped: 1. The first skipped: line \"" + bad +
                               "\": RegExp date/time does not form a valid date (" + d.reason + ", 20:00)."}}));
        }
    }
}

// Lines of the data that give no quotation (a volume "abc", no date) are counted and told once
// after the import, the first one named; headings, blank lines, what stands apart from the data
// and another symbol's lines are not skipped records.
TEST_F(QuotationImportTest, SkippedLinesAreToldOnceAfterTheImport) {
    const QuotationImportRules csv = MakeQuotationImportRules(kDefaultDataFormat, "", "", ".", true);
    const auto file = path("history.csv");
    testsupport::writeFile(file, "Date,Open,High,Low,Close,Volume\n"
                                 "\n"
                                 "10-11-2026,30.00,31.00,29.00,30.50,abc\n"
                                 "11-11-2026,40.00,41.00,39.00,40.50,900\n"
                                 ",50.00,51.00,49.00,50.50,1000\n"
                                 "32-11-2026,1.00,1.00,1.00,1.00,7\n"
                                 "13-11-2026,60.00,61.00,59.00,60.50,1100\n"
                                 "14-11-2026,70.00,71.00,69.00,70.50,\n"
                                 "\n"
                                 "Source: an exchange, 2026\n");
    const std::string note = "Quotations read: 2, lines of the file skipped: 4. The first skipped: line "
                             "\"10-11-2026,30.00,31.00,29.00,30.50,abc\": it does not match the data format.";
    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "confirmed" : "not confirmed");
        doc.GetItem(acme)->DeleteAllQuotations();
        host.clearRecord();
        if (confirm)
            host.importAnswers.push_back(std::make_pair(at(2020, 1, 1), at(2030, 12, 31)));
        OleDate from = at(2020, 1, 1), to = at(2030, 12, 31);
        ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, csv, from, to, confirm));
        if (confirm) {
            ASSERT_EQ(host.importQuestions().size(), 1u);
            EXPECT_EQ(host.importQuestions()[0].countLine, "2 quotations found:");
            EXPECT_EQ(host.importQuestions()[0].summary, "11/11/26  40.5000\n...\n11/13/26  60.5000");
        }
        EXPECT_EQ(host.notices(), (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning, note}}));
        EXPECT_EQ(doc.GetItem(acme)->GetQuotationCount(), 2);
    }

    // Declined: nothing is imported and nothing more is said.
    host.clearRecord();
    host.importAnswers.push_back(std::nullopt);
    OleDate from = at(2020, 1, 1), to = at(2030, 12, 31);
    EXPECT_FALSE(ImportQuotationsFromFile(doc, acme, file, csv, from, to, true));
    EXPECT_TRUE(host.notices().empty());

    // A file of several symbols: the other symbol's lines are not the item's skipped lines, a line
    // of the item's own that does not match is.
    testsupport::writeFile(file, "Symbol;Date;Close\n"
                                 "^GDAXI;05.03.2024;17.716,25\n"
                                 "XAU;05.03.2024;2.000,00\n"
                                 "^GDAXI;04.03.2024;n/a\n"
                                 "^GDAXI;01.03.2024;17.678,00\n");
    host.clearRecord();
    from = at(2024, 1, 1);
    to = at(2024, 12, 31);
    ASSERT_TRUE(ImportQuotationsFromFile(doc, acme, file, rules(), from, to, false));
    EXPECT_EQ(host.notices(),
              (std::vector<PortfolioNotice>{{PortfolioNotice::Kind::Warning,
                                             "Quotations read: 2, lines of the file skipped: 1. The first skipped: "
                                             "line \"^GDAXI;04.03.2024;n/a\": it does not match the data format."}}));
}

TEST_F(QuotationImportTest, FilesThatGiveNothingAreReported) {
    testsupport::writeFile(path("empty.csv"), "");
    testsupport::writeFile(path("other.csv"), "Symbol;Date;Close\nXAU;05.03.2024;2.000,00\n");
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"missing.csv", "Could not open file!"},
        {"empty.csv", "No match found for specified data format!"},
        {"other.csv", "No match found for specified data format!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        host.clearRecord();
        OleDate from = at(2024, 1, 1), to = at(2024, 12, 31);
        EXPECT_FALSE(ImportQuotationsFromFile(doc, acme, path(c.file), rules(), from, to, true));
        const auto notices = host.notices();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].kind, PortfolioNotice::Kind::Error);
        EXPECT_EQ(notices[0].text.rfind("Error importing quotations from file \"" + path(c.file).string() + "\":\n" +
                                            c.reason + "\n\nPlease check",
                                        0),
                  0u)
            << notices[0].text;
        EXPECT_TRUE(host.importQuestions().empty());
    }
    EXPECT_EQ(doc.GetItem(acme)->GetQuotationCount(), 0);
    EXPECT_FALSE(doc.IsModified());
}

} // namespace
