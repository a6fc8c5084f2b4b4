// The import page's download: the URL rule, the date place holders, the block token, and the
// chain of block downloads driven by the records of real page downloads from the loopback server.
#include "dialogs/ImportBlocks.h"

#include "retrieval/UpdateFixture.h"
#include "retrieval/UpdateOrchestration.h"
#include "support/Bounded.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

TEST(ImportUrl, UsableOnlyWithAKnownSchemeInExactCaseAndEightCharacters) {
    const std::pair<const char*, bool> cases[] = {
        {"http://a", true},     {"https://a", true}, {"file:///t", true},
        {"http://", false},     {"file://", false},  {"HTTP://abc", false},
        {"Https://abc", false}, {"ftp://x", false},  {"ftp://example.org", false},
        {" http://a", false},   {"", false},
    };
    for (const auto& [url, usable] : cases)
        EXPECT_EQ(IsUsableImportUrl(url), usable) << url;
    EXPECT_EQ(TrimImportUrl(" \t http://h/q?x=1 \r\n"), "http://h/q?x=1");
    EXPECT_TRUE(IsUsableImportUrl(TrimImportUrl("  http://a  ")));
}

TEST(ImportUrl, DatePlaceHoldersWithoutLeadingZeros) {
    const OleDate begin(2005, 1, 1, 0, 0, 0);
    const OleDate end(2010, 11, 9, 23, 0, 0);
    EXPECT_EQ(ExpandImportDatePlaceHolders("http://h/q?a=[&month_begin-1]&c=[&year_begin_short]", begin, end),
              "http://h/q?a=0&c=5");
    EXPECT_EQ(ExpandImportDatePlaceHolders("[&day_begin].[&month_begin].[&year_begin]-[&day_end].[&month_end]."
                                           "[&year_end] [&month_end-1] [&year_end_short]",
                                           begin, end),
              "1.1.2005-9.11.2010 10 10");
    // Repeated, unknown and unclosed place holders; the values are not scanned again.
    EXPECT_EQ(ExpandImportDatePlaceHolders("[&year_begin][&year_begin] [&d] [&day_begin", begin, end),
              "20052005 [&d] [&day_begin");
    // An invalid date (30 February) gives -1 for each value, -2 for the month minus 1.
    EXPECT_EQ(ExpandImportDatePlaceHolders("[&day_end] [&month_end] [&year_end] [&month_end-1] [&year_end_short] "
                                           "[&year_begin]",
                                           begin, OleDate(2005, 2, 30, 0, 0, 0)),
              "-1 -1 -1 -2 -1 2005");
}

TEST(ImportUrl, BlockToken) {
    struct Case {
        const char* url;
        bool found;
        int days;
        const char* rest;
    };
    const Case cases[] = {
        {"http://h/q?a=1[&chunk_30]", true, 30, "http://h/q?a=1"},
        {"http://h/[&chunk_7]q", true, 7, "http://h/q"},
        {"http://h/q[&chunk_0]", true, 200, "http://h/q"},
        {"http://h/q[&chunk_]", true, 200, "http://h/q"},
        {"http://h/q[&chunk_abc]", true, 200, "http://h/q"},
        {"http://h/q[&chunk_-5]", true, 200, "http://h/q"},
        {"http://h/q[&chunk_36500]", true, 36500, "http://h/q"},
        {"http://h/q[&chunk_36501]", true, 200, "http://h/q"},
        {"http://h/q[&chunk_99999999999999999999999]", true, 200, "http://h/q"},
        {"[&chunk_30]http://h/q", false, 0, "[&chunk_30]http://h/q"},
        {"http://h/q[&chunk_30", false, 0, "http://h/q[&chunk_30"},
        {"http://h/q", false, 0, "http://h/q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const ImportBlockToken token = ParseImportBlockToken(c.url);
        EXPECT_EQ(token.found, c.found);
        EXPECT_EQ(token.days, c.days);
        EXPECT_EQ(token.url, c.rest);
    }
}

namespace {

// A page of more than 200 bytes, and one of a few.
std::string bigBlock(char tag) {
    return std::string(300, tag) + "\n";
}
const std::string kSmallBlock = "none\n";

class ImportBlocksTest : public UpdateTest {
protected:
    void SetUp() override {
        UpdateTest::SetUp();
        chain = std::make_unique<ImportBlockDownload>(
            [this](const std::string& url) { return StartPageDownload(*doc, "Acme", "ACM", url, receiver()); });
    }
    void TearDown() override {
        chain.reset();
        UpdateTest::TearDown();
    }

    // Hands the chain every record until it no longer runs; the steps it answered, Ignored left
    // out.
    std::vector<ImportDownloadStep> drive() {
        std::vector<ImportDownloadStep> steps;
        for (int round = 0; round < 100 && (chain->running() || m_manager.workersAlive() > 0); ++round) {
            for (Report& r : finish()) {
                ImportDownloadStep step = chain->onStatus(std::move(r.status));
                if (step.kind != ImportDownloadStep::Kind::Ignored)
                    steps.push_back(std::move(step));
            }
        }
        return steps;
    }

    static std::vector<std::string> texts(const std::vector<ImportDownloadStep>& steps) {
        std::vector<std::string> out;
        for (const auto& s : steps)
            if (s.text)
                out.push_back(*s.text);
        return out;
    }

    // The query strings of the requests.
    std::vector<std::string> queries(const LoopbackHttpServer& server) const {
        std::vector<std::string> out;
        for (const std::string& target : server.targets())
            out.push_back(target.substr(target.find('?') + 1));
        return out;
    }

    std::unique_ptr<ImportBlockDownload> chain;
};

} // namespace

// The case of the block token: 30 days per block over 100 days from 1 January 2005; the block at
// day 90 adds no more than 200 bytes. Four requests, the blocks appended in order into one set of
// files, and the block number in the progress texts.
TEST_F(ImportBlocksTest, BlocksOfThirtyDaysOverOneHundredDays) {
    LoopbackHttpServer server;
    server.replySequence("/q", {HttpReply::page(bigBlock('a')), HttpReply::page(bigBlock('b')),
                                HttpReply::page(bigBlock('c')), HttpReply::page(kSmallBlock)});
    const OleDate begin(2005, 1, 1, 0, 0, 0);
    const OleDate end = begin + OleDateSpan(100LL, 0, 0, 0);
    ASSERT_TRUE(chain->start(server.url("/q?a=[&month_begin-1]&c=[&year_begin_short][&chunk_30]"), begin, end));
    EXPECT_TRUE(chain->running());
    EXPECT_TRUE(chain->blockMode());
    EXPECT_EQ(chain->blockNumber(), 1);

    const auto steps = drive();
    // Blocks begin on 1 January, 31 January, 2 March and 1 April.
    EXPECT_EQ(queries(server), (std::vector<std::string>{"a=0&c=5", "a=0&c=5", "a=2&c=5", "a=3&c=5"}));
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().kind, ImportDownloadStep::Kind::Loaded);
    EXPECT_TRUE(steps.back().mayFinish);
    EXPECT_FALSE(chain->running());
    const auto shown = texts(steps);
    for (const char* text : {"Downloading block 1: 0 KB", "Downloading block 4: 0 KB"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;

    const ImportPageFiles& files = chain->files();
    EXPECT_EQ(testsupport::readFile(files.m_strRawFile), bigBlock('a') + bigBlock('b') + bigBlock('c') + kSmallBlock);
    EXPECT_EQ(testsupport::readFile(files.m_strTextFile), bigBlock('a') + bigBlock('b') + bigBlock('c') + kSmallBlock);
    // Only the accumulated files are left.
    EXPECT_EQ(tmpFiles().size(), 3u);
    chain->files().deleteAll();
    EXPECT_TRUE(tmpFiles().empty());
}

// When a block download stops, seen in the begin and end of every block requested.
TEST_F(ImportBlocksTest, StopRules) {
    const auto dayMonthYear = [](const OleDate& d) {
        return std::to_string(d.GetDay()) + "." + std::to_string(d.GetMonth()) + "." + std::to_string(d.GetYear());
    };
    const OleDate first(2005, 1, 1, 0, 0, 0);
    const auto block = [&](long long fromDay, long long toDay) {
        return dayMonthYear(first + OleDateSpan(fromDay, 0, 0, 0)) + "-" +
               dayMonthYear(first + OleDateSpan(toDay, 0, 0, 0));
    };
    std::vector<std::string> twentyOne;
    for (long long b = 0; b < 21; ++b)
        twentyOne.push_back(block(30 * b, 30 * b + 30));

    struct Case {
        const char* name;
        const char* token;
        long long frameDays;
        std::vector<HttpReply> replies; // the last one repeats
        std::vector<std::string> queries;
    };
    const HttpReply big = HttpReply::page(bigBlock('x'));
    const HttpReply small = HttpReply::page(kSmallBlock);
    const Case cases[] = {
        {"a small first block goes on, a small later one ends the chain",
         "[&chunk_30]",
         365,
         {small, big, small, big},
         {block(0, 30), block(30, 60), block(60, 90)}},
        {"at most 21 blocks", "[&chunk_30]", 5000, {big}, twentyOne},
        {"the last block is cut to the frame and none begins after it",
         "[&chunk_30]",
         75,
         {big},
         {block(0, 30), block(30, 60), block(60, 75)}},
        {"a block may begin on the frame's last moment",
         "[&chunk_25]",
         50,
         {big},
         {block(0, 25), block(25, 50), block(50, 50)}},
        {"[&chunk_0]: 200 days cover 100 days in one plain download", "[&chunk_0]", 100, {big}, {block(0, 100)}},
        {"one block as long as the frame is a plain download", "[&chunk_30]", 30, {big}, {block(0, 30)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server;
        server.replySequence("/r", c.replies);
        const OleDate end = first + OleDateSpan(c.frameDays, 0, 0, 0);
        const std::string url = server.url("/r?[&day_begin].[&month_begin].[&year_begin]-[&day_end].[&month_end]."
                                           "[&year_end]") +
                                c.token;
        ASSERT_TRUE(chain->start(url, first, end));
        const auto steps = drive();
        EXPECT_EQ(queries(server), c.queries);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back().kind, ImportDownloadStep::Kind::Loaded);
        EXPECT_TRUE(steps.back().mayFinish);
        EXPECT_FALSE(chain->running());
        // Every block's page, appended in order.
        std::string pages;
        for (std::size_t i = 0; i < c.queries.size(); ++i)
            pages += c.replies[std::min(i, c.replies.size() - 1)].body;
        EXPECT_EQ(testsupport::readFile(chain->files().m_strRawFile), pages);
        chain->files().deleteAll();
        EXPECT_TRUE(tmpFiles().empty());
    }
}

// An error in the first (or only) download fails with the page's own texts; one after the first
// block offers the blocks fetched so far, without finishing the page by itself.
TEST_F(ImportBlocksTest, ErrorsEndTheChain) {
    using Kind = ImportDownloadStep::Kind;
    LoopbackHttpServer server;
    server.replySequence("/first", {HttpReply::error(404)});
    server.replySequence("/later", {HttpReply::page(bigBlock('a')), HttpReply::error(404)});
    server.reply("/silent", HttpReply::silence());
    const OleDate begin(2005, 1, 1, 0, 0, 0);
    const OleDate end(2005, 12, 31, 0, 0, 0);
    const std::string missingFile = (dir() / "missing.csv").string();
    struct Case {
        const char* name;
        std::string url;
        Kind kind;
        bool mayFinish;
        std::optional<std::string> text;
        std::string loaded; // the raw file afterwards
    };
    const Case cases[] = {
        {"first block missing", server.url("/first?y=[&year_begin][&chunk_30]"), Kind::Failed, false,
         "Error: File not found: " + server.url("/first?y=2005"), ""},
        {"plain download missing", server.url("/first"), Kind::Failed, false,
         "Error: File not found: " + server.url("/first"), ""},
        {"a later block missing", server.url("/later[&chunk_30]"), Kind::Loaded, false, std::nullopt, bigBlock('a')},
        {"a scheme the download does not take", "ftp://127.0.0.1/x", Kind::Failed, false,
         "Error: Incorrect Import URL!", ""},
        {"local file missing", "file://" + missingFile, Kind::Failed, false,
         "Error: File not found: file://" + missingFile, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(chain->start(c.url, begin, end));
        const auto steps = drive();
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back().kind, c.kind);
        EXPECT_EQ(steps.back().mayFinish, c.mayFinish);
        EXPECT_EQ(steps.back().text, c.text);
        EXPECT_FALSE(chain->running());
        if (c.loaded.empty())
            EXPECT_TRUE(chain->files().m_strRawFile.empty());
        else
            EXPECT_EQ(testsupport::readFile(chain->files().m_strRawFile), c.loaded);
        chain->files().deleteAll();
    }

    // An abort of all downloads.
    const std::size_t requestsBefore = server.requestCount();
    ASSERT_TRUE(chain->start(server.url("/silent"), begin, end));
    EXPECT_TRUE(testsupport::becomesTrue([&] { return server.requestCount() != requestsBefore; }))
        << "the download never asked the server";
    m_manager.abortAll();
    const auto steps = drive();
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().kind, Kind::Failed);
    EXPECT_EQ(steps.back().text, std::optional<std::string>("Download aborted!"));
    EXPECT_TRUE(tmpFiles().empty());
}

// Pressing "Next >" again while a download runs starts a new one; the records of the old one are
// dropped and its page deleted, so its data never mixes with the new one.
TEST_F(ImportBlocksTest, ANewDownloadDropsTheRecordsOfTheOldOne) {
    LoopbackHttpServer server;
    // The old download's records all come before those of the new one.
    server.reply("/old", HttpReply::page("old page\n"));
    HttpReply slow = HttpReply::page("new page\n");
    slow.delay = std::chrono::milliseconds(300);
    server.reply("/new", slow);
    const OleDate begin(2005, 1, 1, 0, 0, 0);
    ASSERT_TRUE(chain->start(server.url("/old"), begin, begin));
    ASSERT_TRUE(chain->start(server.url("/new"), begin, begin));
    const auto steps = drive();
    EXPECT_EQ(server.requestCount(), 2u);
    int loaded = 0;
    for (const auto& s : steps)
        loaded += s.kind == ImportDownloadStep::Kind::Loaded;
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(testsupport::readFile(chain->files().m_strRawFile), "new page\n");
    // The old page's files are gone; the chain's own go with it.
    EXPECT_EQ(tmpFiles().size(), 3u);
    chain.reset();
    EXPECT_TRUE(tmpFiles().empty());
}
