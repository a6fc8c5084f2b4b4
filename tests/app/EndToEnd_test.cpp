// The program run as its users run it: the real binary, without a display, with its own HOME, XDG
// folders, time zone and locale, on portfolio files, local pages and a loopback HTTP server.

#include "MimePackage.h"
#include "Portfolios.h"
#include "RunProgram.h"
#include "platform/Settings.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <locale.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using apptest::lines;
using apptest::OpenedPortfolio;
using apptest::quotedItem;
using apptest::quotePage;
using apptest::RunOptions;
using apptest::RunResult;

// dd.mm.yyyy of today in local time, by the system's clock (the one the programs started run on).
std::string localToday() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", &tm);
    return text;
}

// The day before a dd.mm.yyyy date, in the same form.
std::string dayBefore(const std::string& date) {
    std::tm tm{};
    tm.tm_mday = std::stoi(date.substr(0, 2)) - 1;
    tm.tm_mon = std::stoi(date.substr(3, 2)) - 1;
    tm.tm_year = std::stoi(date.substr(6, 4)) - 1900;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    std::mktime(&tm);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", &tm);
    return text;
}

class EndToEndTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        root = dir() / "run";
        env = apptest::isolatedEnvironment(root);
        work = dir() / "work";
        fs::create_directories(work);
        apptest::placeMimePackageUnderThreadSanitizer(root / "home/.local/share");
    }

    SettingsStore programSettings() const { return SettingsStore(root / "home/.config/Velmora/Corvana.conf"); }

    RunResult corvana(const std::vector<std::string>& arguments, RunOptions options = {}) const {
        options.environment = env;
        options.workingDirectory = work;
        if (options.timeout == RunOptions{}.timeout)
            options.timeout = std::chrono::seconds(30);
        return apptest::runProgram(CORVANA_BINARY, arguments, options);
    }

    // A local page and an item that reads it.
    std::unique_ptr<CWPapier> localItem(const std::string& name, const std::string& symbol, const std::string& close) {
        const fs::path page = work / (symbol + ".html");
        testsupport::writeFile(page, quotePage(symbol, close));
        return quotedItem(name, symbol, "file://" + page.string());
    }

    static void expectSuccess(const RunResult& r) {
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    // Failed with `code` and one line on standard error that mentions `mention`.
    static void expectFailure(const RunResult& r, int code, const std::string& mention) {
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, code) << r.err;
        const auto errLines = lines(r.err);
        ASSERT_EQ(errLines.size(), 1u) << r.err;
        EXPECT_EQ(errLines[0].rfind("corvana: ", 0), 0u) << errLines[0];
        EXPECT_NE(errLines[0].find(mention), std::string::npos) << errLines[0];
    }

    fs::path root, work;
    std::map<std::string, std::string> env;
};

TEST_F(EndToEndTest, SampleIsUpdatedFromItsLocalPagesThenItsQuotationsExported) {
    const fs::path sample = work / "sample.cvr";
    RunOptions generator;
    generator.environment = env;
    const RunResult made = apptest::runProgram(
        CORVANA_MAKE_SAMPLE, {std::string(CORVANA_EXAMPLES_DIR) + "/pages", sample.string()}, generator);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    CKurs bondBefore;
    int bondCount = 0;
    {
        OpenedPortfolio p(sample);
        ASSERT_TRUE(p.ok);
        CWPapier* bond = p.item("Old Savings Bond");
        ASSERT_TRUE(bond->GetLastQuotation(bondBefore));
        bondCount = bond->GetQuotationCount();
    }

    expectSuccess(corvana({"-u", sample.string()}));
    std::string today;
    {
        OpenedPortfolio p(sample);
        ASSERT_TRUE(p.ok);
        // Each page's quotation continues its item's history as the newest one.
        struct Case {
            const char* item;
            double close;
        };
        for (const Case& c : {Case{"Acme Industries", 1234.56}, Case{"Greenfield Balanced Fund", 87.12},
                              Case{"USD/EUR", 0.92}, Case{"Northwind Corp.", 46.0}}) { // 50 dollars in euros
            SCOPED_TRACE(c.item);
            CWPapier* item = p.item(c.item);
            ASSERT_NE(item, nullptr);
            const int count = item->GetQuotationCount();
            ASSERT_GT(count, 200);
            CKurs last;
            ASSERT_TRUE(item->GetLastQuotation(last));
            EXPECT_NEAR(last.m_dClose, c.close, 1e-9);
            EXPECT_TRUE(dateLater(last.m_dtDate, item->GetQuotationAt(count - 2)->m_dtDate));
            today = last.m_dtDate.Format("%Y-%m-%d");
        }
        CKurs last;
        ASSERT_TRUE(p.item("Acme Industries")->GetLastQuotation(last));
        EXPECT_DOUBLE_EQ(last.m_dVolume, 48200);
        CWPapier* bond = p.item("Old Savings Bond"); // downloads disabled
        EXPECT_EQ(bond->GetQuotationCount(), bondCount);
        ASSERT_TRUE(bond->GetLastQuotation(last));
        EXPECT_TRUE(datesEqual(last.m_dtDate, bondBefore.m_dtDate));
        EXPECT_DOUBLE_EQ(last.m_dClose, bondBefore.m_dClose);
    }

    expectSuccess(corvana({"-e", sample.string()}));
    const std::string csv = testsupport::readFile(work / "sample.csv");
    EXPECT_EQ(csv.rfind("#Symbol; Date; Time; Close; Open; Low; High; Volume", 0), 0u) << csv;
    for (const std::string& expected : {"ACME; " + today + "; ", std::string("; 1234.5600; "), std::string("GBF; "),
                                        std::string("; 87.1200; "), std::string("NWC; "), std::string("; 46.0000; "),
                                        std::string("USDEUR; "), std::string("; 0.9200; "), std::string("OSB; ")})
        EXPECT_NE(csv.find(expected), std::string::npos) << expected << "\n" << csv.substr(0, 2000);
}

// The sample a new user opens first: a year of closes for every item, transactions that give the
// investment columns their figures, the cash account's mirrors and the investment history; the
// same day gives the same file.
TEST_F(EndToEndTest, SampleHoldsAYearOfQuotationsAndTransactionsTheSameForTheSameDay) {
    const auto make = [this](const fs::path& file) {
        RunOptions generator;
        generator.environment = env;
        return apptest::runProgram(CORVANA_MAKE_SAMPLE,
                                   {std::string(CORVANA_EXAMPLES_DIR) + "/pages", file.string(), "2026-03-02"},
                                   generator);
    };
    const fs::path first = work / "first.cvr", second = work / "second.cvr";
    ASSERT_EQ(make(first).exitCode, 0);
    ASSERT_EQ(make(second).exitCode, 0);
    EXPECT_EQ(testsupport::readFile(first), testsupport::readFile(second));
    RunOptions generator;
    generator.environment = env;
    EXPECT_EQ(apptest::runProgram(
                  CORVANA_MAKE_SAMPLE,
                  {std::string(CORVANA_EXAMPLES_DIR) + "/pages", (work / "x.cvr").string(), "2026-13-02"}, generator)
                  .exitCode,
              2);

    OpenedPortfolio p(first);
    ASSERT_TRUE(p.ok);
    for (const char* name :
         {"Acme Industries", "Greenfield Balanced Fund", "USD/EUR", "Northwind Corp.", "Old Savings Bond"}) {
        SCOPED_TRACE(name);
        const CWPapier* item = p.item(name);
        ASSERT_NE(item, nullptr);
        const int count = item->GetQuotationCount();
        ASSERT_GE(count, 250); // the weekdays of a year
        EXPECT_EQ(item->GetQuotationAt(0)->m_dtDate.Format("%Y-%m-%d"), "2025-03-03");
        EXPECT_EQ(item->GetQuotationAt(count - 1)->m_dtDate.Format("%Y-%m-%d %H:%M"), "2026-02-27 17:30");
        for (int i = 0; i < count; ++i) {
            const CKurs& q = *item->GetQuotationAt(i);
            ASSERT_GT(q.m_dClose, 0.0);
            ASSERT_LE(q.m_dLow, std::min(q.m_dOpen, q.m_dClose));
            ASSERT_GE(q.m_dHigh, std::max(q.m_dOpen, q.m_dClose));
        }
    }
    // Buys, a dividend and a sale of Acme (9 units left), buys of the fund and of Northwind.
    const CWPapier* acme = p.item("Acme Industries");
    ASSERT_EQ(acme->GetTransactionCount(), 4);
    std::vector<int> kinds;
    for (int i = 0; i < 4; ++i)
        kinds.push_back(acme->GetTransactionAt(i)->m_nType);
    EXPECT_EQ(kinds,
              (std::vector<int>{CTransaction::kBuy, CTransaction::kBuy, CTransaction::kDividend, CTransaction::kSell}));
    EXPECT_DOUBLE_EQ(acme->m_dUnits, 9.0);
    EXPECT_GT(acme->m_dBreakEven, 0.0);
    EXPECT_DOUBLE_EQ(p.item("Greenfield Balanced Fund")->m_dUnits, 120.0);
    EXPECT_DOUBLE_EQ(p.item("Northwind Corp.")->m_dUnits, 60.0);
    EXPECT_EQ(p.item("Northwind Corp.")->m_pCurrencyItem, p.item("USD/EUR"));
    // The deposit and the six mirrors on the cash account, whose balance stays above 0.
    const CWPapier* cash = p.doc->GetItem(p.doc->FindCashAccountItem());
    ASSERT_NE(cash, nullptr);
    EXPECT_EQ(cash->GetTransactionCount(), 7);
    EXPECT_GT(p.doc->GetCashAccountBalance(), 0.0);
    EXPECT_LT(p.doc->GetCashAccountBalance(), 30000.0);
    const CWPapier* history = p.doc->GetItem(p.doc->FindInvestmentHistoryItem());
    ASSERT_NE(history, nullptr);
    EXPECT_GT(history->GetQuotationCount(), 100);
}

TEST_F(EndToEndTest, UpdateFromAWebServerStepsBackADateAndRetriesAServerError) {
    // The program asks for the quotation of its today first: the server has none for the first
    // date asked, and fails once for any other. Which day that is the program's clock decides; the
    // test reads the same clock before and after the run.
    testsupport::LoopbackHttpServer server;
    std::mutex firstDateMutex;
    std::string firstDate;
    std::atomic<int> laterRequests{0};
    server.replyWith([&](const testsupport::RecordedRequest& request) {
        const std::string date = request.target.substr(request.target.find("date=") + 5);
        {
            const std::lock_guard lock(firstDateMutex);
            if (firstDate.empty())
                firstDate = date;
            if (date == firstDate)
                return testsupport::HttpReply::error(404);
        }
        return laterRequests++ == 0 ? testsupport::HttpReply::error(503)
                                    : testsupport::HttpReply::page(quotePage("LBA", "1,012.34"));
    });
    const fs::path file = work / "web.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(quotedItem("Loopback AG", "LBA", server.url("/quote?date=[&d].[&m].[&y]")));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));

    const std::string todayBefore = localToday();
    expectSuccess(corvana({"-u", file.string()}));
    const std::string todayAfter = localToday();
    const std::vector<std::string> targets = server.targets();
    ASSERT_EQ(targets.size(), 3u);
    const std::string today = targets[0].substr(targets[0].find("date=") + 5);
    EXPECT_TRUE(today == todayBefore || today == todayAfter) << today;
    const std::vector<std::string> expected = {"/quote?date=" + today, "/quote?date=" + dayBefore(today),
                                               "/quote?date=" + dayBefore(today)};
    EXPECT_EQ(targets, expected);
    OpenedPortfolio p(file);
    CKurs last;
    ASSERT_TRUE(p.item("Loopback AG")->GetLastQuotation(last));
    EXPECT_DOUBLE_EQ(last.m_dClose, 1012.34);
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].headers.at("user-agent"), "CVR");
}

// Dollar-priced shares entered before their exchange-rate item: the update ends, whatever the
// number of shares against the default five download slots, and every share is converted.
TEST_F(EndToEndTest, SharesConvertingByARateItemListedAfterThemAreAllUpdated) {
    testsupport::LoopbackHttpServer server;
    server.reply("/usd", testsupport::HttpReply::page(quotePage("USDEUR", "0.80")));
    server.replyWith(
        [](const testsupport::RecordedRequest&) { return testsupport::HttpReply::page(quotePage("SHR", "12.50")); });
    for (const int shares : {1, 10, 30}) {
        SCOPED_TRACE(std::to_string(shares) + " shares");
        const fs::path file = work / "dollars.cvr";
        auto rate = quotedItem("USD / EUR", "USDEUR", server.url("/usd"));
        std::vector<std::unique_ptr<CWPapier>> items;
        for (int i = 0; i < shares; ++i) {
            items.push_back(quotedItem("Share " + std::to_string(i), "SHR", server.url("/s" + std::to_string(i))));
            items.back()->m_bConvertCurrency = true;
            items.back()->m_pCurrencyItem = rate.get();
        }
        items.push_back(std::move(rate));
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));

        expectSuccess(corvana({"-u", file.string()}));
        OpenedPortfolio p(file);
        for (int i = 0; i < shares; ++i) {
            CKurs last;
            ASSERT_TRUE(p.item("Share " + std::to_string(i))->GetLastQuotation(last)) << i;
            EXPECT_DOUBLE_EQ(last.m_dClose, 10.0) << i;
        }
    }
}

TEST_F(EndToEndTest, APortfolioWithNothingToUpdateEndsAtOnceAndKeepsItsFile) {
    const fs::path file = work / "quiet.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Disabled", "DIS", "1.00"));
    items.back()->m_bDownloadEnabled = 0;
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    const std::string before = testsupport::readFile(file);

    const RunResult r = corvana({"-u", file.string()});
    expectSuccess(r);
    EXPECT_EQ(testsupport::readFile(file), before);
}

// The settings are written when a value changes, not on every run: the first update adds the
// portfolio to the recent files; a second one leaves the settings file as it was.
TEST_F(EndToEndTest, AnUnattendedUpdateWritesTheSettingsOnlyWhenTheyChange) {
    const fs::path file = work / "p.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Local", "LOC", "2.00"));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    const fs::path settings = root / "home/.config/Velmora/Corvana.conf";

    expectSuccess(corvana({"-u", file.string()}));
    ASSERT_EQ(programSettings().readString("Recent File List", "File1"), file.string());
    struct stat first {};
    ASSERT_EQ(::stat(settings.c_str(), &first), 0);
    const std::string bytes = testsupport::readFile(settings);

    expectSuccess(corvana({"-u", file.string()}));
    struct stat second {};
    ASSERT_EQ(::stat(settings.c_str(), &second), 0);
    EXPECT_EQ(second.st_ino, first.st_ino); // not replaced by a new file
    EXPECT_EQ(testsupport::readFile(settings), bytes);
}

TEST_F(EndToEndTest, QuotationsThatWereNotFoundAreCountedButDoNotFailTheRun) {
    programSettings().writeInt("Debug", "LogToFile", 1);
    fs::create_directories(root / "home/Documents");
    const fs::path file = work / "mixed.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Found", "FND", "4.00"));
    items.push_back(localItem("Changed page", "CHG", "5.00"));
    items.back()->m_Server.m_strRegExp = "<td>[&symbol]</td><td>price [&quotation_close]</td>";
    items.push_back(quotedItem("Gone page", "GON", "file://" + (work / "gone.html").string()));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));

    expectSuccess(corvana({"-u", file.string()}));
    const std::string log = testsupport::readFile(root / "home/Documents/CVR_log.txt");
    EXPECT_NE(log.find("Update finished: 1 of 3 quotations found, 1 not found, 1 download errors, 0 aborted"),
              std::string::npos)
        << log;
    OpenedPortfolio p(file);
    EXPECT_EQ(p.item("Found")->GetQuotationCount(), 1);
    EXPECT_EQ(p.item("Changed page")->GetQuotationCount(), 0);
}

TEST_F(EndToEndTest, APortfolioThatCannotBeOpenedFailsWithOneLine) {
    const fs::path missing = work / "missing.cvr";
    expectFailure(corvana({"-u", missing.string()}), 2, missing.string());
    expectFailure(corvana({"-e", missing.string()}), 2, missing.string());
    expectFailure(corvana({"-u"}), 2, "no portfolio");
    expectFailure(corvana({"-e"}), 2, "no portfolio");
    testsupport::writeFile(work / "damaged.cvr", "this is no portfolio");
    expectFailure(corvana({"-e", (work / "damaged.cvr").string()}), 2, "damaged.cvr");
    EXPECT_FALSE(fs::exists(work / "damaged.csv"));
}

TEST_F(EndToEndTest, AnExportThatCannotBeWrittenFailsAndLosesNothing) {
    // The export's target is taken by a folder, which no file can replace (whoever runs the test).
    const fs::path file = work / "p.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Local", "LOC", "1.00"));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    testsupport::writeFile(work / "p.csv" / "keep.txt", "kept");

    expectFailure(corvana({"-e", file.string()}), 4, "p.csv");
    EXPECT_EQ(testsupport::readFile(work / "p.csv" / "keep.txt"), "kept");
}

// A portfolio of several megabytes, for which the export mode first makes room on the heap: the
// program's file is byte for byte the document's own export.
TEST_F(EndToEndTest, ALargePortfolioIsExportedAsTheDocumentExportsIt) {
    const fs::path file = work / "large.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    for (int i = 0; i < 25; ++i) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = "Item " + std::to_string(i);
        item->m_strSymbol = "S" + std::to_string(i);
        std::vector<CKurs> quotations;
        for (int k = 0; k < 4000; ++k) {
            CKurs q(OleDate(36000.0 + k + 0.73), 10.0 + i + k * 0.01);
            q.m_dOpen = q.m_dClose - 0.125;
            q.m_dLow = q.m_dClose - 0.5;
            q.m_dHigh = q.m_dClose + 0.5;
            q.m_dVolume = 1000.0 + k;
            quotations.push_back(q);
        }
        item->ReplaceQuotationList(std::move(quotations));
        items.push_back(std::move(item));
    }
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    ASSERT_GT(fs::file_size(file), std::uintmax_t{5} << 20);

    expectSuccess(corvana({"-e", file.string()}));
    OpenedPortfolio p(file);
    ASSERT_TRUE(p.ok);
    ASSERT_TRUE(p.doc->FileExportQuotations(work / "reference.csv"));
    const std::string exported = testsupport::readFile(work / "large.csv");
    EXPECT_EQ(exported.size(), fs::file_size(work / "reference.csv"));
    EXPECT_TRUE(exported == testsupport::readFile(work / "reference.csv"));
}

// Under any limit of the address space the export is complete and byte for byte the document's
// own, or the program ends with its own exit code and one line on standard error: never a signal,
// never a success with a missing or different file. The limits run from a little above the
// smallest in which a one-item export runs (near it the loader, the toolkit or the system's font
// configuration may fail in their start-up, before the program runs, and that limit varies a
// little from run to run) up to one in which the large portfolio (about 11 MB) exports.
TEST_F(EndToEndTest, UnderALimitedAddressSpaceTheExportIsWholeOrEndsWithItsOwnCode) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitized program reserves more address space than any such limit";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "a sanitized program reserves more address space than any such limit";
#endif
#endif
    const fs::path small = work / "small.cvr";
    {
        std::vector<std::unique_ptr<CWPapier>> items;
        items.push_back(std::make_unique<CWPapier>());
        items.back()->m_strName = "One";
        items.back()->AddQuotation(CKurs(OleDate(2024, 5, 13, 17, 30, 0), 12.5), false);
        ASSERT_TRUE(apptest::writePortfolio(small, std::move(items)));
    }
    const fs::path large = work / "large.cvr";
    {
        std::vector<std::unique_ptr<CWPapier>> items;
        for (int i = 0; i < 40; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = "Item " + std::to_string(i);
            std::vector<CKurs> quotations;
            for (int k = 0; k < 5000; ++k) {
                CKurs q(OleDate(36000.0 + k + 0.73), 10.0 + i + k * 0.01);
                q.m_dLow = q.m_dClose - 0.5;
                q.m_dHigh = q.m_dClose + 0.5;
                quotations.push_back(q);
            }
            item->ReplaceQuotationList(std::move(quotations));
            items.push_back(std::move(item));
        }
        ASSERT_TRUE(apptest::writePortfolio(large, std::move(items)));
    }
    std::string reference;
    {
        OpenedPortfolio p(large);
        ASSERT_TRUE(p.ok);
        ASSERT_TRUE(p.doc->FileExportQuotations(work / "reference.csv"));
        reference = testsupport::readFile(work / "reference.csv");
    }
    const auto exportUnder = [&](const fs::path& file, long limit) {
        RunOptions limited;
        limited.addressSpaceLimit = limit;
        return corvana({"-e", file.string()}, limited);
    };

    // The smallest limit (to 4 MB) in which the one-item export runs.
    constexpr long kMB = 1L << 20;
    long fails = 16 * kMB;
    long runs = 4096 * kMB;
    ASSERT_EQ(exportUnder(small, runs).exitCode, 0);
    while (runs - fails > 4 * kMB) {
        const long mid = fails + (runs - fails) / 2;
        (exportUnder(small, mid).exitCode == 0 ? runs : fails) = mid;
    }

    // From 8 MB above it up in steps of a quarter of the large file's size until it exports.
    const long step = std::max<long>(static_cast<long>(fs::file_size(large)) / 4, kMB);
    bool exported = false;
    int failed = 0;
    for (long limit = runs + 8 * kMB; !exported && limit <= runs + 160 * step; limit += step) {
        SCOPED_TRACE(testing::Message() << "limit " << limit / kMB << " MB");
        fs::remove(work / "large.csv");
        const RunResult r = exportUnder(large, limit);
        ASSERT_FALSE(r.timedOut);
        ASSERT_EQ(r.signal, 0) << r.err;
        if (r.exitCode == 0) {
            EXPECT_EQ(r.err, "");
            ASSERT_TRUE(fs::exists(work / "large.csv"));
            EXPECT_TRUE(testsupport::readFile(work / "large.csv") == reference);
            exported = true;
        } else {
            ++failed;
            EXPECT_GE(r.exitCode, 1);
            EXPECT_LE(r.exitCode, 5);
            const auto errLines = lines(r.err);
            ASSERT_EQ(errLines.size(), 1u) << r.err;
            EXPECT_EQ(errLines[0].rfind("corvana: ", 0), 0u) << errLines[0];
            EXPECT_FALSE(fs::exists(work / "large.csv"));
        }
    }
    EXPECT_TRUE(exported);
    EXPECT_GT(failed, 0); // the limits did bite
}

TEST_F(EndToEndTest, APortfolioThatCannotBeSavedFailsAndKeepsThePreviousFile) {
    // Files may not grow beyond 32 KB in this run: the updated portfolio cannot be written.
    const fs::path file = work / "big.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Local", "LOC", "7.50"));
    for (int i = 0; i < 3000; ++i)
        items.back()->AddQuotation(CKurs(OleDate(2000.0 + i), 1.0 + i), false);
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    const std::string before = testsupport::readFile(file);
    ASSERT_GT(before.size(), 65536u);

    RunOptions limited;
    limited.fileSizeLimit = 32768;
    expectFailure(corvana({"-u", file.string()}, limited), 3, "big.cvr");
    EXPECT_EQ(testsupport::readFile(file), before);
}

// The time limit aborts the downloads of a server that holds the connection, before its answer
// or in the middle of the page: they end at once, not after the grace period, and what arrived
// is saved.
TEST_F(EndToEndTest, AServerThatHoldsTheConnectionIsEndedByTheTimeLimitAndWhatArrivedIsSaved) {
    testsupport::LoopbackHttpServer server;
    server.reply("/silent", testsupport::HttpReply::silence());
    testsupport::HttpReply held = testsupport::HttpReply::page(quotePage("HLD", "9.99"));
    held.pieceSize = 16;
    held.pieceDelay = std::chrono::minutes(5);
    server.reply("/held", held);
    programSettings().writeInt("GeneralOptions", "UnattendedTimeLimit", 1);
    programSettings().writeInt("Debug", "LogToFile", 1);
    fs::create_directories(root / "home/Documents");
    for (const char* target : {"/silent", "/held"}) {
        SCOPED_TRACE(target);
        const fs::path file = work / "slow.cvr";
        std::vector<std::unique_ptr<CWPapier>> items;
        items.push_back(quotedItem("Held", "HLD", server.url(target), 300));
        items.push_back(localItem("Local", "LOC", "3.25"));
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
        const std::size_t requestsBefore = server.requestCount();

        expectFailure(corvana({"-u", file.string()}), 5, "time limit of 1 seconds");
        const std::string log = testsupport::readFile(root / "home/Documents/CVR_log.txt");
        EXPECT_NE(log.find("Update finished: 1 of 2 quotations found, 0 not found, 0 download errors, 1 aborted"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("did not end after the abort"), std::string::npos) << log;
        OpenedPortfolio p(file);
        CKurs last;
        ASSERT_TRUE(p.item("Local")->GetLastQuotation(last));
        EXPECT_DOUBLE_EQ(last.m_dClose, 3.25);
        EXPECT_EQ(p.item("Held")->GetQuotationCount(), 0);
        EXPECT_EQ(server.requestCount(), requestsBefore + 1);
    }
    server.stop();
}

TEST_F(EndToEndTest, OverdueRecurringTransactionsAreBroughtUpToDateWithoutWaitingForAnyone) {
    const fs::path file = work / "saver.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Saver Fund", "SAV", "10.00"));
    // A monthly plan from a fixed day, the last of a year: every run sees it cross the year's end
    // and a February, whatever today is.
    const OleDate start(2023, 12, 31, 9, 0, 0);
    items.back()->AddTransaction(CTransaction(CTransaction::kBuy, start, 2.0, 10.0, 0.0,
                                              CTransaction::kRecurrenceMonthly, false, OleDate(), "savings plan"));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));

    const std::string written = testsupport::readFile(file);
    expectSuccess(corvana({"-e", file.string()}));
    EXPECT_EQ(testsupport::readFile(file), written); // the export never changes the portfolio

    // The program runs in a process of its own, on the system's clock: it read "now" between the
    // test's two readings, in the same time zone (both run with the isolated environment's).
    const OleDate before = OleDate::GetCurrentTime();
    expectSuccess(corvana({"-u", file.string()}));
    const OleDate after = OleDate::GetCurrentTime();
    OpenedPortfolio p(file);
    std::vector<std::string> dates;
    for (const CTransaction& t : p.item("Saver Fund")->GetTransactionListCopy())
        dates.push_back(t.m_dtDate.Format("%Y-%m-%d %H:%M"));
    // The plan, then 31 January, then the 28th of every month since, as far as they are due. One
    // that fell due while the program ran may be there or not.
    std::vector<std::string> expected{"2023-12-31 09:00", "2024-01-31 09:00"};
    for (int month = 2;; ++month) {
        const OleDate due(2024 + (month - 1) / 12, (month - 1) % 12 + 1, 28, 9, 0, 0);
        const std::string text = due.Format("%Y-%m-%d %H:%M");
        if (due.m_dt > after.m_dt)
            break;
        if (due.m_dt > before.m_dt) {
            if (dates.size() == expected.size() + 1 && dates.back() == text)
                expected.push_back(text);
            break;
        }
        expected.push_back(text);
    }
    EXPECT_EQ(dates, expected);
    CKurs last;
    ASSERT_TRUE(p.item("Saver Fund")->GetLastQuotation(last));
    EXPECT_DOUBLE_EQ(last.m_dClose, 10.0);
}

TEST_F(EndToEndTest, TheUsersLocaleChangesNoNumberReadFromAPageOrWrittenToTheExport) {
    // The program takes the user's locale for what it shows; pages and files keep their own forms.
    locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
    if (!german)
        GTEST_SKIP() << "no de_DE.UTF-8 locale (scripts/install-deps generates it)";
    freelocale(german);
    env["LC_ALL"] = "de_DE.UTF-8";
    programSettings().writeInt("Debug", "LogToFile", 1);
    fs::create_directories(root / "home/Documents");
    const fs::path file = work / "p.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Local", "LOC", "1,012.34"));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));

    expectSuccess(corvana({"-u", file.string()}));
    // The program ran in the German locale: its log shows the quotation as the user reads it. A
    // program that could not take the locale would run in "C" and prove nothing.
    const std::string log = testsupport::readFile(root / "home/Documents/CVR_log.txt");
    EXPECT_NE(log.find("Quotation for 'Local' extracted successfully: "), std::string::npos) << log;
    EXPECT_NE(log.find(" 1012,3400\n"), std::string::npos) << "the program did not run in de_DE.UTF-8:\n" << log;
    expectSuccess(corvana({"-e", file.string()}));
    OpenedPortfolio p(file);
    CKurs last;
    ASSERT_TRUE(p.item("Local")->GetLastQuotation(last));
    EXPECT_DOUBLE_EQ(last.m_dClose, 1012.34);
    const std::string csv = testsupport::readFile(work / "p.csv");
    EXPECT_NE(csv.find("\nLOC; "), std::string::npos) << csv;
    EXPECT_NE(csv.find("; 1012.3400; "), std::string::npos) << csv;
}

TEST_F(EndToEndTest, SwitchesChooseTheMode) {
    struct Case {
        std::vector<std::string> before, after; // around the absolute path of the portfolio
        bool exported, updated;
    };
    const std::vector<Case> cases = {
        {{"/e"}, {}, true, false}, {{}, {"-e"}, true, false},     {{"-u", "-e"}, {}, true, false},
        {{"/u"}, {}, false, true}, {{"-e"}, {"/u"}, false, true}, {{"-u"}, {}, false, true},
    };
    const fs::path file = work / "switch.cvr";
    for (const Case& c : cases) {
        std::vector<std::string> args = c.before;
        args.push_back(file.string());
        args.insert(args.end(), c.after.begin(), c.after.end());
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        std::vector<std::unique_ptr<CWPapier>> items;
        items.push_back(localItem("Local", "LOC", "2.00"));
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
        fs::remove(work / "switch.csv");

        expectSuccess(corvana(args));
        EXPECT_EQ(fs::exists(work / "switch.csv"), c.exported);
        OpenedPortfolio p(file);
        EXPECT_EQ(p.item("Local")->GetQuotationCount(), c.updated ? 1 : 0);
    }
}

TEST_F(EndToEndTest, WithoutAWindowOnlyTheUnattendedSwitchesRun) {
    // Neither "u", "U" nor "-U" is a switch: they ask for the window, which needs a display.
    const fs::path file = work / "p.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Local", "LOC", "2.00"));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"u", file.string()}, {"U", file.string()}, {"-U", file.string()}, {file.string()}}) {
        SCOPED_TRACE(args[0]);
        expectFailure(corvana(args), 1, "no display");
    }
    OpenedPortfolio p(file);
    EXPECT_EQ(p.item("Local")->GetQuotationCount(), 0);
}

TEST_F(EndToEndTest, TheLogFileIsWrittenWhenAskedForAndTheFileTypeRegisteredOutsideTheExport) {
    programSettings().writeInt("Debug", "LogToFile", 1);
    fs::create_directories(root / "home/Documents");
    const fs::path file = work / "p.cvr";
    std::vector<std::unique_ptr<CWPapier>> items;
    items.push_back(localItem("Local", "LOC", "2.00"));
    ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));

    expectSuccess(corvana({"-e", file.string()}));
    const std::string log = testsupport::readFile(root / "home/Documents/CVR_log.txt");
    EXPECT_NE(log.find("|INFO   |Velmora|WPapier.cpp|Starting application, Release: "), std::string::npos) << log;
    EXPECT_NE(log.find("Finished FileExportQuotations"), std::string::npos);
    EXPECT_NE(log.find("Shutting down application and logging..."), std::string::npos);
    EXPECT_EQ(log.find("Do you want to check"), std::string::npos); // asked only in the normal mode
    const fs::path data = root / "home/.local/share";
    EXPECT_FALSE(fs::exists(data / "applications/corvana.desktop"));

    expectSuccess(corvana({"-u", file.string()}));
    const std::string again = testsupport::readFile(root / "home/Documents/CVR_log.txt");
    EXPECT_EQ(again.find("Finished FileExportQuotations"), std::string::npos); // rewritten at each start
    EXPECT_NE(again.find("Update finished: 1 of 1 quotations found"), std::string::npos) << again;
    EXPECT_EQ(again.find("Do you want to check"), std::string::npos);
    EXPECT_NE(testsupport::readFile(data / "mime/packages/corvana.xml").find("*.cvr"), std::string::npos);
    EXPECT_NE(testsupport::readFile(data / "applications/corvana.desktop").find(CORVANA_BINARY), std::string::npos);
}

} // namespace
