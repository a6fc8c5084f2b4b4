// Portfolio exports: the quotation file line by line, the worksheet files read back cell by cell and
// split by columns, the text form, the file names, the export mode's end, and failures that leave
// nothing behind.

#include "DocumentTestSupport.h"
#include "portfolio/ExcelSheet.h"
#include "portfolio/PortfolioText.h"
#include "support/FakePortfolioHost.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using itemtest::at;
using testsupport::FakePortfolioHost;
using testsupport::LogCapture;
using testsupport::ScopedLocale;

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- worksheet files read back

struct SheetCell {
    bool isNumber = false;
    double number = 0.0;
    std::string text; // as written (Windows-1252)
    bool bold = false;

    bool operator==(const SheetCell&) const = default;
};

using CellKey = std::pair<unsigned, unsigned>; // row, column

struct Worksheet {
    bool wellFormed = false;
    std::vector<unsigned> records; // record ids in file order
    std::map<CellKey, SheetCell> cells;

    // The texts of row 1 (the blocks' titles) by column.
    std::map<unsigned, std::string> titles() const {
        std::map<unsigned, std::string> out;
        for (const auto& [key, cell] : cells)
            if (key.first == 1 && !cell.isNumber)
                out[key.second] = cell.text;
        return out;
    }
};

unsigned u16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

// Reads the records of a worksheet file: every record must fit, cells must not repeat.
Worksheet readWorksheet(const std::string& bytes) {
    Worksheet sheet;
    std::size_t at = 0;
    while (at + 4 <= bytes.size()) {
        const unsigned id = u16(bytes, at);
        const unsigned length = u16(bytes, at + 2);
        const std::size_t data = at + 4;
        if (data + length > bytes.size())
            return sheet;
        sheet.records.push_back(id);
        if (id == 0x0003 || id == 0x0004) {
            if (length < 7)
                return sheet;
            const CellKey key{u16(bytes, data), u16(bytes, data + 2)};
            SheetCell cell;
            cell.bold = (static_cast<unsigned char>(bytes[data + 5]) >> 6) == 1;
            if (id == 0x0003) {
                if (length != 15)
                    return sheet;
                std::uint64_t bits = 0;
                for (int i = 7; i >= 0; --i)
                    bits = bits << 8 | static_cast<unsigned char>(bytes[data + 7 + i]);
                cell.isNumber = true;
                cell.number = std::bit_cast<double>(bits);
            } else {
                const auto n = static_cast<unsigned char>(bytes[data + 7]);
                if (length != 8u + n)
                    return sheet;
                cell.text = bytes.substr(data + 8, n);
            }
            if (!sheet.cells.emplace(key, cell).second)
                return sheet;
        }
        at = data + length;
    }
    sheet.wellFormed = at == bytes.size() && !sheet.records.empty() && sheet.records.back() == 0x000A;
    return sheet;
}

// Expected cells.
std::pair<CellKey, SheetCell> num(unsigned row, unsigned column, double value) {
    return {{row, column}, SheetCell{true, value, {}, false}};
}
std::pair<CellKey, SheetCell> txt(unsigned row, unsigned column, std::string text, bool bold = false) {
    return {{row, column}, SheetCell{false, 0.0, std::move(text), bold}};
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        out.insert(fs::relative(entry.path(), folder).generic_string());
    return out;
}

class ExportTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories(outDir());
    }
    // The exports go into a folder of their own.
    fs::path outDir() const { return path("out"); }
    fs::path out(const std::string& name) const { return outDir() / name; }
    CWPapier& add(const std::string& name, const std::string& symbol = {}) {
        const ItemPos pos = doc.AddItem(doctest::makeItem(name));
        CWPapier& item = *doc.GetItem(pos);
        item.m_strSymbol = symbol;
        return item;
    }
    CWPapier& addCashAccount() {
        CWPapier& item = add(" Cash Account");
        item.m_bCashAccount = 1;
        return item;
    }
    CWPapier& addHistory() {
        CWPapier& item = add(" Investment History");
        item.m_bInvestmentHistory = 1;
        return item;
    }
    static void quote(CWPapier& item, const OleDate& date, double close, double open = 0, double low = 0,
                      double high = 0, double volume = 0) {
        CKurs q(date, close);
        q.m_dOpen = open;
        q.m_dLow = low;
        q.m_dHigh = high;
        q.m_dVolume = volume;
        item.AddQuotation(q, false);
    }
    static void deal(CWPapier& item, int type, const OleDate& date, double units, double price, double taxes,
                     std::string note = {}) {
        item.AddTransaction(CTransaction(type, date, units, price, taxes, 0, false, OleDate(), std::move(note)));
    }
    // A portfolio of `ordinary` items "Item 00", "Item 01", ... (each with a quotation and a
    // transaction, so its block uses all its columns), with the two special items when asked.
    void fillPortfolio(int ordinary, bool specials) {
        if (specials) {
            addCashAccount();
            addHistory();
        }
        for (int i = ordinary - 1; i >= 0; --i) { // list order is not the export order
            CWPapier& item = add((i < 10 ? "Item 0" : "Item ") + std::to_string(i), "S");
            quote(item, at(2024, 1, 2), 1.0);
            deal(item, CTransaction::kBuy, at(2024, 1, 2), 1, 1, 1);
        }
    }
    std::vector<PortfolioNotice> notices() const { return host.notices(); }
    int exitRequests() const {
        int n = 0;
        for (const std::string& call : host.calls())
            n += call == "requestExit()";
        return n;
    }

    LogCapture log;
    FakePortfolioHost host;
    CWPapierDoc doc{&host};
};

} // namespace

// ---------------------------------------------------------------- quotation file

// Items sorted by name without regard to case (also beyond ASCII, in the user's locale); each
// labelled with its trimmed symbol, else its trimmed name; quotations oldest first; an empty line
// after every item; numbers with '.' although the locale's decimal point is ','.
TEST_F(ExportTest, QuotationFileHasTheHeaderAndALinePerQuotation) {
    const ScopedLocale german("de_DE.UTF-8");
    ASSERT_TRUE(german.active);
    add("gamma", "   ");
    add("\xC3\x96l", "OIL"); // Öl
    CWPapier& beta = add("beta", "  ABC ");
    addCashAccount();
    CWPapier& oeko = add("\xC3\xB6ko"); // öko
    CWPapier& alpha = add("Alpha ");
    CWPapier& history = addHistory();
    quote(history, at(2024, 1, 15, 17, 30), 1234.5);
    quote(alpha, at(2024, 1, 2, 9, 5), 12.5, 12, 11.75, 13, 1500.7);
    quote(beta, at(2024, 3, 1, 10, 0), 0.5, 0.25, -1.25, 1e6, 2);
    quote(beta, at(2023, 12, 29, 16, 45), 100, 99.99996, 98, 101, 0.4);
    quote(oeko, at(2024, 2, 29, 0, 0), 1234567.891);
    doc.SetModifiedFlag(false);

    const fs::path file = out("quotes.csv");
    EXPECT_TRUE(doc.FileExportQuotations(file));

    EXPECT_EQ(testsupport::readFile(file), "#Symbol; Date; Time; Close; Open; Low; High; Volume\r\n"
                                           "\r\n" // the cash account
                                           "Investment History; 2024-01-15; 17:30; 1234.5000; 0.0000; 0.0000; "
                                           "0.0000; 0\r\n"
                                           "\r\n"
                                           "Alpha; 2024-01-02; 09:05; 12.5000; 12.0000; 11.7500; 13.0000; 1501\r\n"
                                           "\r\n"
                                           "ABC; 2023-12-29; 16:45; 100.0000; 100.0000; 98.0000; 101.0000; 0\r\n"
                                           "ABC; 2024-03-01; 10:00; 0.5000; 0.2500; -1.2500; 1000000.0000; 2\r\n"
                                           "\r\n"
                                           "\r\n" // gamma
                                           "\xC3\xB6ko; 2024-02-29; 00:00; 1234567.8910; 0.0000; 0.0000; 0.0000; 0\r\n"
                                           "\r\n"
                                           "\r\n"); // Öl
    const std::vector<std::string> sorted = {" Cash Account", " Investment History", "Alpha ",   "beta",
                                             "gamma",         "\xC3\xB6ko",          "\xC3\x96l"};
    std::vector<std::string> logged;
    bool headLogged = false;
    for (const auto& line : log.lines()) {
        if (line.level != LOG_LEVEL_INFO || line.file != "WPapierDoc.cpp")
            continue;
        headLogged = headLogged || line.message == "Sorted export item list:";
        if (headLogged && line.message.find(": ") != std::string::npos && logged.size() < sorted.size())
            logged.push_back(line.message);
    }
    std::vector<std::string> expectedLog;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        expectedLog.push_back(std::to_string(i) + ": " + sorted[i]);
    EXPECT_EQ(logged, expectedLog);

    EXPECT_TRUE(notices().empty());
    EXPECT_EQ(exitRequests(), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host.waitCursorDepth(), 0);
}

// Dates and times of the lines are what strftime's "%Y-%m-%d" and "%H:%M" make of the date's
// calendar fields (rounded to the second), at the ends of the supported years, before 1899, on
// rounding into the next day, and empty for dates that have no fields.
TEST_F(ExportTest, QuotationLinesWriteDatesAsTheCalendarFormatsThem) {
    const double second = 1.0 / 86400.0;
    std::vector<OleDate> dates = {
        at(100, 1, 1, 0, 0),
        at(999, 12, 31, 23, 59, 59),
        at(1899, 12, 29, 6, 0),
        at(1899, 12, 30, 0, 0),
        at(1900, 2, 28, 12, 7),
        OleDate(at(2024, 2, 29, 23, 59, 59).m_dt + 0.6 * second), // rounds into 1 March
        OleDate(at(1850, 6, 1, 23, 59, 59).m_dt - 0.6 * second),  // before 1899, into 2 June
        at(9999, 12, 31, 23, 59, 59),
    };
    OleDate invalid = at(2024, 1, 1);
    invalid.SetStatus(OleDate::invalid);
    OleDate null = at(2024, 1, 2);
    null.SetStatus(OleDate::null);
    OleDate outOfRange(3e6); // after 9999
    std::vector<CKurs> quotations;
    for (const OleDate& date : dates)
        quotations.emplace_back(date, 1.5);
    for (const OleDate& date : {invalid, null, outOfRange})
        quotations.emplace_back(date, 2.5);
    CWPapier& item = add("Dates", "DT");
    item.ReplaceQuotationList(quotations); // as a file may hold them
    const fs::path file = out("dates.csv");
    ASSERT_TRUE(doc.FileExportQuotations(file));

    std::string expected = "#Symbol; Date; Time; Close; Open; Low; High; Volume\r\n";
    for (const CKurs& q : quotations)
        expected += "DT; " + q.m_dtDate.Format("%Y-%m-%d") + "; " + q.m_dtDate.Format("%H:%M") + "; " +
                    fixedText(q.m_dClose, 4) + "; 0.0000; 0.0000; 0.0000; 0\r\n";
    expected += "\r\n";
    EXPECT_EQ(testsupport::readFile(file), expected);
    EXPECT_NE(expected.find("DT; 100-01-01; 00:00; "), std::string::npos);
    EXPECT_NE(expected.find("DT; 2024-03-01; 00:00; "), std::string::npos);
    EXPECT_NE(expected.find("DT; 1850-06-02; 00:00; "), std::string::npos);
    EXPECT_NE(expected.find("DT; ; ; 2.5000"), std::string::npos);
}

// The numbers of the lines are what printf's "%.4f" (prices, at least three wide) and "%.0f"
// (volume) write in the C locale, on values where a fast formatting goes wrong: signs of zero and
// of values that round to zero, ties of the decimal rounding, the last digits a double holds, the
// edges of 64-bit integers, tiny and subnormal values, the largest doubles, infinities and NaN.
TEST_F(ExportTest, QuotationNumbersAreWrittenAsPrintfWritesThem) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values = {0.0,
                                        -0.0,
                                        1.0,
                                        -1.0,
                                        0.5,
                                        1.5,
                                        2.5,
                                        -2.5,
                                        0.00005,
                                        0.00015,
                                        -0.00004,
                                        0.00025,
                                        1.00005,
                                        99.99995,
                                        -99.99995,
                                        0.1 + 0.2,
                                        0.12345,
                                        1234567.89125,
                                        4503599627370495.5,
                                        9007199254740993.0,
                                        1844674407370955.0,
                                        1844674407370956.0,
                                        18446744073709551616.0,
                                        1e16,
                                        1e19,
                                        1e22,
                                        123456789012345678.0,
                                        1e-5,
                                        1e-300,
                                        -1e-300,
                                        5e-324,
                                        std::numeric_limits<double>::max(),
                                        std::numeric_limits<double>::lowest(),
                                        inf,
                                        -inf,
                                        nan,
                                        -nan};
    CWPapier& item = add("Tricky", "TR");
    std::vector<CKurs> quotations;
    for (std::size_t i = 0; i < values.size(); ++i) {
        CKurs q(OleDate(at(2024, 1, 1).m_dt + static_cast<double>(i)), values[i]);
        q.m_dOpen = -values[i];
        q.m_dLow = values[i] / 3;
        q.m_dHigh = values[i] * 7;
        q.m_dVolume = values[i];
        quotations.push_back(q);
    }
    item.ReplaceQuotationList(quotations);
    const fs::path file = out("tricky.csv");
    ASSERT_TRUE(doc.FileExportQuotations(file));

    ASSERT_STREQ(std::localeconv()->decimal_point, ".");
    const auto printed = [](const char* format, double value) {
        char text[512];
        std::snprintf(text, sizeof text, format, value);
        return std::string(text);
    };
    std::string expected = "#Symbol; Date; Time; Close; Open; Low; High; Volume\r\n";
    for (const CKurs& q : quotations) {
        expected += "TR; " + q.m_dtDate.Format("%Y-%m-%d") + "; " + q.m_dtDate.Format("%H:%M");
        for (const double value : {q.m_dClose, q.m_dOpen, q.m_dLow, q.m_dHigh})
            expected += "; " + printed("%3.4f", value);
        expected += "; " + printed("%.0f", q.m_dVolume) + "\r\n";
    }
    expected += "\r\n";
    EXPECT_EQ(testsupport::readFile(file), expected);
    EXPECT_NE(expected.find("; -0.0000; "), std::string::npos);
    EXPECT_NE(expected.find("; 2.5000; -2.5000; 0.8333; 17.5000; 2\r\n"), std::string::npos);
}

// appendFixed against printf over many values: random bit patterns and random decimal values near
// the roundings of every precision, with and without a width.
TEST(AppendFixed, WritesWhatPrintfWrites) {
    ASSERT_STREQ(std::localeconv()->decimal_point, ".");
    std::mt19937_64 rng(35);
    const auto check = [](double value) {
        for (int decimals = 0; decimals <= 6; ++decimals)
            for (const int width : {0, 3, 12}) {
                char text[512];
                std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
                std::string ours;
                appendFixed(ours, value, decimals, width);
                if (ours != text) {
                    ADD_FAILURE() << std::hexfloat << value << " with " << decimals << " decimals, width " << width
                                  << ": " << ours << " instead of " << text;
                    return false;
                }
            }
        return true;
    };
    for (int i = 0; i < 20000; ++i) {
        if (!check(std::bit_cast<double>(rng())))
            return;
        // A number of up to eight digits with up to five decimals, and its neighbours.
        const double decimal = static_cast<double>(static_cast<std::int64_t>(rng() % 20000000000) - 10000000000) /
                               std::pow(10.0, static_cast<double>(rng() % 6));
        for (const double value : {decimal, std::nextafter(decimal, 1e300), std::nextafter(decimal, -1e300)})
            if (!check(value))
                return;
    }
}

TEST(QuotationExportPath, ReplacesOrAppendsTheExtensionAndNeverNamesThePortfolio) {
    const struct {
        const char* portfolio;
        const char* expected;
    } cases[] = {
        {"/p/mine.cvr", "/p/mine.csv"},       {"/p/mine", "/p/mine.csv"},       {"/p.d/mine", "/p.d/mine.csv"},
        {"/p/a.b.cvr", "/p/a.b.csv"},         {"/p/.cvr", "/p/.cvr.csv"},       {"/p/mine.CSV", "/p/mine.CSV.csv"},
        {"/p/mine.portfolio", "/p/mine.csv"}, {"relative.cvr", "relative.csv"}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CWPapierDoc::quotationExportPath(c.portfolio), fs::path(c.expected)) << c.portfolio;
}

// The export mode ends the program after the quotation file, also when it could not be written;
// the failure is logged and returned (for the exit status), never shown in a box.
TEST_F(ExportTest, ExportModeEndsTheProgramAfterTheQuotationFile) {
    host.options.m_bExportMode = true;
    CWPapier& alpha = add("Alpha", "ALP");
    quote(alpha, at(2024, 1, 2, 9, 5), 2);
    const std::string portfolioBytes = "portfolio bytes";
    testsupport::writeFile(out("mine.cvr"), portfolioBytes);

    int runs = 0;
    for (const bool folderExists : {true, false}) {
        SCOPED_TRACE(folderExists);
        host.clearRecord();
        ++runs;
        const fs::path portfolio = folderExists ? out("mine.cvr") : out("gone/mine.cvr");
        const fs::path target = CWPapierDoc::quotationExportPath(portfolio);

        EXPECT_EQ(doc.FileExportQuotations(target), folderExists);

        int finished = 0;
        for (const auto& line : log.lines())
            finished += line.level == LOG_LEVEL_INFO && line.message == "Finished FileExportQuotations";
        EXPECT_EQ(finished, runs);
        EXPECT_EQ(exitRequests(), 1);
        EXPECT_EQ(host.calls().back(), "requestExit()");
        EXPECT_TRUE(notices().empty());
        EXPECT_EQ(testsupport::readFile(out("mine.cvr")), portfolioBytes);
        if (folderExists) {
            EXPECT_EQ(testsupport::readFile(target),
                      "#Symbol; Date; Time; Close; Open; Low; High; Volume\r\n"
                      "ALP; 2024-01-02; 09:05; 2.0000; 0.0000; 0.0000; 0.0000; 0\r\n\r\n");
        } else {
            bool errorLogged = false;
            for (const auto& line : log.lines())
                errorLogged = errorLogged ||
                              (line.level == LOG_LEVEL_ERROR && line.message.find("mine.csv") != std::string::npos);
            EXPECT_TRUE(errorLogged);
        }
    }
    EXPECT_EQ(filesIn(outDir()), (std::set<std::string>{"mine.csv", "mine.cvr"}));
}

// ---------------------------------------------------------------- worksheet form

// Each item's block: title, headers, quotations and transactions in the columns of its kind; the
// investment history lists every item's transactions, each named after its item.
TEST_F(ExportTest, WorksheetHoldsEveryItemsBlock) {
    const ScopedLocale c("C.UTF-8");
    ASSERT_TRUE(c.active);
    const OleDate d1 = at(2024, 1, 2, 9, 0), d2 = at(2024, 1, 3, 10, 30), d3 = at(2024, 1, 4, 11, 0),
                  d4 = at(2024, 1, 5, 12, 0), d5 = at(2024, 1, 8, 13, 15), d6 = at(2024, 1, 9, 14, 0);
    CWPapier& zeta = add("Zeta");
    CWPapier& alpha = add("Alpha", "ALP");
    CWPapier& history = addHistory();
    CWPapier& cash = addCashAccount();
    (void)zeta;
    quote(cash, d1, 1000);
    quote(cash, d3, 799);
    deal(cash, CTransaction::kBuy, d1, 1000, 0, 0, "salary");
    deal(cash, CTransaction::kSell, d3, 200, 0, 1);
    deal(cash, CTransaction::kDividend, d6, 5, 0, 0, "bank");
    quote(history, d2, 500);
    quote(alpha, d2, 10, 9, 8.5, 10.5, 300);
    deal(alpha, CTransaction::kBuy, d2, 50, 10, 5, "first");
    deal(alpha, CTransaction::kSell, d4, 20, 12, 3);
    deal(alpha, CTransaction::kDividend, d5, 30, 0.5, 1);

    const fs::path file = out("p.xls");
    EXPECT_TRUE(doc.ExportQuotationsXls(file));

    const Worksheet sheet = readWorksheet(testsupport::readFile(file));
    ASSERT_TRUE(sheet.wellFormed);
    // Beginning, four fonts, all numbers, then all texts, end.
    std::vector<unsigned> kinds;
    for (const unsigned id : sheet.records)
        if (kinds.empty() || kinds.back() != id)
            kinds.push_back(id);
    EXPECT_EQ(kinds, (std::vector<unsigned>{0x0009, 0x0031, 0x0003, 0x0004, 0x000A}));
    EXPECT_EQ(std::count(sheet.records.begin(), sheet.records.end(), 0x0031u), 4);

    const std::string t1 = "01/02/24 09:00", t2 = "01/03/24 10:30", t3 = "01/04/24 11:00", t4 = "01/05/24 12:00",
                      t5 = "01/08/24 13:15", t6 = "01/09/24 14:00";
    const std::map<CellKey, SheetCell> expected = {
        // cash account: quotations from column 1, transactions from column 4
        txt(1, 1, " Cash Account", true),
        txt(2, 1, "Date", true),
        txt(2, 2, "Balance", true),
        txt(2, 4, "Transaction", true),
        txt(2, 5, "Date", true),
        txt(2, 6, "Value", true),
        txt(3, 1, t1),
        num(3, 2, 1000),
        txt(4, 1, t3),
        num(4, 2, 799),
        txt(3, 4, "Credit (salary)"),
        txt(3, 5, t1),
        num(3, 6, 1000),
        txt(4, 4, "Debit"),
        txt(4, 5, t3),
        num(4, 6, -201),
        txt(5, 4, "Dividends/Interests (bank)"),
        txt(5, 5, t6),
        num(5, 6, 5),
        // investment history from column 8, its transactions (all items') from column 11
        txt(1, 8, " Investment History", true),
        txt(2, 8, "Date", true),
        txt(2, 9, "Balance", true),
        txt(2, 11, "Transaction", true),
        txt(2, 12, "Date", true),
        txt(2, 13, "Value", true),
        txt(3, 8, t2),
        num(3, 9, 500),
        txt(3, 11, "Cash Account Credit (salary)"),
        txt(3, 12, t1),
        num(3, 13, 1000),
        txt(4, 11, "Buy (Alpha|first)"),
        txt(4, 12, t2),
        num(4, 13, 505),
        txt(5, 11, "Cash Account Debit"),
        txt(5, 12, t3),
        num(5, 13, -201),
        txt(6, 11, "Sell (Alpha|)"),
        txt(6, 12, t4),
        num(6, 13, -237),
        txt(7, 11, "Dividends/Interests (Alpha|)"),
        txt(7, 12, t5),
        num(7, 13, 14),
        txt(8, 11, "Dividends/Interests ( Cash Account|bank)"),
        txt(8, 12, t6),
        num(8, 13, 5),
        // Alpha from column 15, transactions from column 22
        txt(1, 15, "Alpha [ALP]", true),
        txt(2, 15, "Date", true),
        txt(2, 16, "Close", true),
        txt(2, 17, "Open", true),
        txt(2, 18, "Low", true),
        txt(2, 19, "High", true),
        txt(2, 20, "Volume", true),
        txt(2, 22, "Transaction", true),
        txt(2, 23, "Date", true),
        txt(2, 24, "Units", true),
        txt(2, 25, "Quotation/Dividends", true),
        txt(2, 26, "Tax", true),
        txt(3, 15, t2),
        num(3, 16, 10),
        num(3, 17, 9),
        num(3, 18, 8.5),
        num(3, 19, 10.5),
        num(3, 20, 300),
        txt(3, 22, "Buy (first)"),
        txt(3, 23, t2),
        num(3, 24, 50),
        num(3, 25, 10),
        num(3, 26, 5),
        txt(4, 22, "Sell"),
        txt(4, 23, t4),
        num(4, 24, -20),
        num(4, 25, 12),
        num(4, 26, 3),
        txt(5, 22, "Dividends/Interests"),
        txt(5, 23, t5),
        num(5, 24, 30),
        num(5, 25, 0.5),
        num(5, 26, 1),
        // Zeta (no symbol, nothing recorded) from column 28
        txt(1, 28, "Zeta []", true),
        txt(2, 28, "Date", true),
        txt(2, 29, "Close", true),
        txt(2, 30, "Open", true),
        txt(2, 31, "Low", true),
        txt(2, 32, "High", true),
        txt(2, 33, "Volume", true),
        txt(2, 35, "Transaction", true),
        txt(2, 36, "Date", true),
        txt(2, 37, "Units", true),
        txt(2, 38, "Quotation/Dividends", true),
        txt(2, 39, "Tax", true),
    };
    for (const auto& [key, cell] : expected) {
        const auto found = sheet.cells.find(key);
        if (found == sheet.cells.end())
            ADD_FAILURE() << "missing cell " << key.first << "," << key.second << " " << cell.text;
        else
            EXPECT_EQ(found->second, cell) << key.first << "," << key.second << " " << found->second.text;
    }
    for (const auto& [key, cell] : sheet.cells)
        EXPECT_TRUE(expected.contains(key))
            << "unexpected cell " << key.first << "," << key.second << " " << cell.text << cell.number;

    EXPECT_EQ(notices(), (std::vector<PortfolioNotice>{
                             {PortfolioNotice::Kind::Information, "Successfuly exported file into MS Excel format."}}));
    EXPECT_EQ(host.waitCursorDepth(), 0);
    EXPECT_EQ(filesIn(outDir()), std::set<std::string>{"p.xls"});
}

// Before an item whose block would start at column 244 or later a further file begins, named with
// its number before the extension; the two special items take 7 columns, the others 13.
TEST_F(ExportTest, WorksheetContinuesInNumberedFilesPastTheColumns) {
    const struct {
        int ordinary;
        bool specials;
        const char* target; // relative to the output folder
        std::vector<std::string> files;
        std::vector<unsigned> lastFileBlocks; // the columns of the blocks in the last file
        unsigned highestColumn;               // of all files
    } cases[] = {
        {19, false, "a/p.xls", {"p.xls"}, {235}, 246},
        {20, false, "b/p.xls", {"p.xls", "p_2.xls"}, {1}, 246},
        {18, true, "c/p.xls", {"p.xls"}, {236}, 247},
        {19, true, "d/p.xls", {"p.xls", "p_2.xls"}, {1}, 247},
        {40, false, "e/out.xls.d/P.XLS", {"P.XLS", "P_2.XLS", "P_3.XLS"}, {1, 14}, 246},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        doc.DeleteContents();
        host.clearRecord();
        fillPortfolio(c.ordinary, c.specials);
        const fs::path target = out(c.target);
        fs::create_directories(target.parent_path());

        EXPECT_TRUE(doc.ExportQuotationsXls(target));

        std::set<std::string> expectedFiles(c.files.begin(), c.files.end());
        EXPECT_EQ(filesIn(target.parent_path()), expectedFiles);
        std::vector<std::string> titles;
        std::map<unsigned, std::string> lastTitles;
        unsigned highestColumn = 0;
        for (const std::string& name : c.files) {
            const Worksheet sheet = readWorksheet(testsupport::readFile(target.parent_path() / name));
            ASSERT_TRUE(sheet.wellFormed) << name;
            lastTitles = sheet.titles();
            for (const auto& [column, title] : lastTitles)
                titles.push_back(title);
            for (const auto& [key, cell] : sheet.cells)
                highestColumn = std::max(highestColumn, key.second);
        }
        // Every item once, in name order, over all files.
        std::vector<std::string> expectedTitles;
        if (c.specials)
            expectedTitles = {" Cash Account", " Investment History"};
        for (int i = 0; i < c.ordinary; ++i)
            expectedTitles.push_back((i < 10 ? "Item 0" : "Item ") + std::to_string(i) + " [S]");
        EXPECT_EQ(titles, expectedTitles);
        EXPECT_EQ(highestColumn, c.highestColumn);
        std::vector<unsigned> columns;
        for (const auto& [column, title] : lastTitles)
            columns.push_back(column);
        if (c.files.size() == 1) {
            EXPECT_EQ(columns.back(), c.lastFileBlocks.back());
            EXPECT_EQ(notices().at(0).text, "Successfuly exported file into MS Excel format.");
        } else {
            EXPECT_EQ(columns, c.lastFileBlocks);
            EXPECT_EQ(notices().at(0).text,
                      "The portfolio has been successfuly exported into MS Excel format.\nNote that since MS Excel "
                      "doesn't support more than 256 columns,\nthe portfolio has been exported into " +
                          std::to_string(c.files.size()) + " separate XLS files.");
        }
    }
}

// A sheet never goes past its last row: the rows beyond it are left out and the user is told.
TEST_F(ExportTest, WorksheetStopsAtTheLastRowAndSaysSo) {
    CWPapier& cash = addCashAccount();
    std::vector<CKurs> quotations;
    const int count = static_cast<int>(ExcelSheet::kLastRow) - 1; // rows 3 to 65536: one too many
    for (int i = 0; i < count; ++i)
        quotations.emplace_back(OleDate(40000.0 + i), i);
    cash.ReplaceQuotationList(std::move(quotations));

    EXPECT_FALSE(doc.ExportQuotationsXls(out("big.xls")));

    const Worksheet sheet = readWorksheet(testsupport::readFile(out("big.xls")));
    ASSERT_TRUE(sheet.wellFormed);
    EXPECT_EQ(sheet.cells.at({ExcelSheet::kLastRow, 2}).number, count - 2);
    EXPECT_EQ(sheet.cells.size(), 1u + 5u + 2u * (ExcelSheet::kLastRow - 2)); // title, headers, rows 3..65535
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0].kind, PortfolioNotice::Kind::Warning);
    EXPECT_THAT(notices()[0].text, ::testing::HasSubstr("65536 rows"));
    EXPECT_THAT(notices()[0].text, ::testing::HasSubstr(" Cash Account"));
}

// ---------------------------------------------------------------- text form

// Per item its name and symbol, the header and a line per quotation with the symbol as stored and
// the date in the user's form; no transactions.
TEST_F(ExportTest, TextFormListsEveryItemsQuotations) {
    const ScopedLocale german("de_DE.UTF-8");
    ASSERT_TRUE(german.active);
    CWPapier& alpha = add("Alpha", " ABC ");
    addCashAccount();
    quote(alpha, at(2024, 1, 3, 17, 0), 1000, 999.5, 998, 1001, 12345.4);
    quote(alpha, at(2024, 1, 2, 9, 5), 1.5, 1.25, 1, 2, 7);
    deal(alpha, CTransaction::kBuy, at(2024, 1, 2), 10, 1.5, 1);

    EXPECT_TRUE(doc.ExportQuotationsXls(out("portfolio.TXT")));

    EXPECT_EQ(testsupport::readFile(out("portfolio.TXT")),
              "\" Cash Account []\"\r\n"
              "Symbol; Date; Open; Low; High; Close; Volume\r\n"
              "\r\n"
              "\"Alpha [ ABC ]\"\r\n"
              "Symbol; Date; Open; Low; High; Close; Volume\r\n"
              " ABC ; 02.01.2024 09:05; 1.2500; 1.0000; 2.0000; 1.5000;   7;\r\n"
              " ABC ; 03.01.2024 17:00; 999.5000; 998.0000; 1001.0000; 1000.0000; 12345;\r\n"
              "\r\n");
    EXPECT_TRUE(notices().empty());
}

// Only the extension ".xls" (any case) gives worksheets; ".xls" elsewhere in the name does not.
TEST_F(ExportTest, FormFollowsTheExtension) {
    add("Alpha", "A");
    const struct {
        const char* name;
        bool worksheet;
    } cases[] = {
        {"p.XLS", true},   {"p.xls", true}, {"p.TXT", false},     {"p.xls.txt", false},
        {"p.xlsx", false}, {"p", false},    {"x.xls.d/p", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(out(c.name).parent_path());
        ASSERT_TRUE(doc.ExportQuotationsXls(out(c.name)));
        const std::string bytes = testsupport::readFile(out(c.name));
        EXPECT_EQ(bytes.substr(0, 4) == std::string("\x09\x00\x04\x00", 4), c.worksheet);
        EXPECT_EQ(bytes.substr(0, 8) == "\"Alpha [", !c.worksheet);
    }
}

// ---------------------------------------------------------------- failures

// A file that cannot be written: the user is told (after the locked run), false is returned and
// nothing is left behind.
TEST_F(ExportTest, FailedExportIsReportedAndLeavesNothing) {
    CWPapier& alpha = add("Alpha", "A");
    quote(alpha, at(2024, 1, 2), 1);
    std::vector<bool> lockFreeAtNotice;
    host.onNotice = [&](const PortfolioNotice&) { lockFreeAtNotice.push_back(doctest::listLockFree(doc)); };
    const struct {
        const char* what;
        bool (CWPapierDoc::*run)(const fs::path&);
        const char* name;
    } cases[] = {
        {"quotation file", &CWPapierDoc::FileExportQuotations, "missing/q.csv"},
        {"worksheet", &CWPapierDoc::ExportQuotationsXls, "missing/p.xls"},
        {"text", &CWPapierDoc::ExportQuotationsXls, "missing/p.txt"},
        {"no name", &CWPapierDoc::FileExportQuotations, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.clearRecord();
        EXPECT_FALSE((doc.*c.run)(*c.name ? out(c.name) : fs::path()));
        ASSERT_EQ(notices().size(), 1u);
        EXPECT_EQ(notices()[0].kind, PortfolioNotice::Kind::Error);
        EXPECT_THAT(notices()[0].text, ::testing::StartsWith("File could not be saved (-1)\n"));
        EXPECT_EQ(exitRequests(), 0);
        EXPECT_EQ(host.waitCursorDepth(), 0);
    }
    EXPECT_EQ(lockFreeAtNotice, std::vector<bool>(std::size(cases), true));
    EXPECT_TRUE(filesIn(outDir()).empty());
}

// A further worksheet file that cannot be written stops the export before any file is replaced.
TEST_F(ExportTest, FurtherWorksheetFileFailingKeepsTheEarlierFile) {
    fillPortfolio(20, false);
    testsupport::writeFile(out("p.xls"), "older export");
    fs::create_directory(out("p_2.xls")); // in the way of the second file

    EXPECT_FALSE(doc.ExportQuotationsXls(out("p.xls")));

    ASSERT_EQ(notices().size(), 1u);
    EXPECT_THAT(notices()[0].text, ::testing::StartsWith("File could not be saved (-10)\n"));
    EXPECT_EQ(testsupport::readFile(out("p.xls")), "older export");
    EXPECT_EQ(filesIn(outDir()), (std::set<std::string>{"p.xls", "p_2.xls"}));
}

// An export never writes over the open portfolio's own file.
TEST_F(ExportTest, ExportRefusesThePortfolioFile) {
    add("Alpha", "A");
    for (const char* name : {"mine.cvr", "mine.xls", "mine.txt"}) {
        SCOPED_TRACE(name);
        host.clearRecord();
        testsupport::writeFile(out(name), "portfolio");
        doc.SetPathName(out(name));
        EXPECT_FALSE(doc.FileExportQuotations(out(name)));
        EXPECT_FALSE(doc.ExportQuotationsXls(out(name)));
        EXPECT_EQ(notices().size(), 2u);
        EXPECT_EQ(testsupport::readFile(out(name)), "portfolio");
    }
}

TEST(WorksheetExportPath, PutsTheNumberBeforeTheExtension) {
    EXPECT_EQ(CWPapierDoc::worksheetExportPath("/out/p.xls", 2), fs::path("/out/p_2.xls"));
    EXPECT_EQ(CWPapierDoc::worksheetExportPath("/o.xls.d/P.XLS", 12), fs::path("/o.xls.d/P_12.XLS"));
    EXPECT_EQ(CWPapierDoc::worksheetExportPath("a.b.xls", 3), fs::path("a.b_3.xls"));
}

namespace {

// A host that looks, when the busy cursor goes on, whether another thread could take the list lock.
class LockProbingHost : public FakePortfolioHost {
public:
    const CWPapierDoc* doc = nullptr;
    std::vector<bool> lockFree;

    void beginWaitCursor() override {
        FakePortfolioHost::beginWaitCursor();
        lockFree.push_back(doctest::listLockFree(*doc));
    }
};

} // namespace

// The exports run under the list lock, with the busy cursor on.
TEST_F(ExportTest, ExportsHoldTheListWhileTheyRun) {
    LockProbingHost probing;
    CWPapierDoc locked(&probing);
    probing.doc = &locked;
    locked.AddItem(doctest::makeItem("Alpha"));

    EXPECT_TRUE(locked.FileExportQuotations(out("q.csv")));
    EXPECT_TRUE(locked.ExportQuotationsXls(out("p.xls")));
    EXPECT_TRUE(locked.ExportQuotationsXls(out("p.txt")));

    EXPECT_EQ(probing.lockFree, std::vector<bool>(3, false));
    EXPECT_EQ(probing.waitCursorDepth(), 0);
}
