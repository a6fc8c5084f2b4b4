// What the windows that fetch one page take from the retrieval: their wording of the status texts,
// the owner of the page files, name and symbol put into addresses and patterns, and the stop of a
// wizard search nobody waits for.
#include "retrieval/PageFiles.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/download.h"
#include "retrieval/filtering.h"
#include "retrieval/wizard.h"
#include "support/RecordingReceiver.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

TEST(PageStatusText, TheReceiversWordTheirTexts) {
    using V = DownloadTextVariant;
    struct Case {
        int status;
        int detail;
        const char* url;
        const char* message;
        V variant;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {1, 0, "", "", V::PageDialog, "Initialized"},
        {7, 0, "", "", V::PageDialog, "Converting file..."},
        {8, 0, "", "", V::PageDialog, std::nullopt}, // each receiver's own success
        {13, 0, "", "", V::WholeUrl, "Download aborted!"},
        {12, 2, "", "", V::PageDialog, "Error: Host not found!"},
        {12, 6, "http://127.0.0.1:8080/a/b.html", "", V::PageDialog, "Error: File not found: /a/b.html"},
        {12, 6, "http://127.0.0.1:8080/a/b.html", "", V::WholeUrl,
         "Error: File not found: http://127.0.0.1:8080/a/b.html"},
        {12, 6, "http://h", "", V::PageDialog, "Error: File not found: "},
        // The message as it is, line breaks and all (the Downloads window folds them).
        {12, 11, "", "Bad\r\nthing", V::PageDialog, "Bad\r\nthing"},
        {12, -1, "", "", V::PageDialog, "Error: Could not write temporary file!"},
        {12, 0, "", "", V::PageDialog, std::nullopt}, // an unknown detail leaves the text
        {12, 42, "", "", V::WholeUrl, std::nullopt},
        {99, 0, "", "", V::PageDialog, std::nullopt},
    };
    for (const Case& c : cases) {
        DownloadStatus record;
        record.m_nStatus = c.status;
        record.m_nDetail = c.detail;
        record.m_szURL = c.url;
        record.m_szMessage = c.message;
        record.m_szPreview = "not shown here";
        EXPECT_EQ(DownloadStatusText(record, c.variant), c.text) << c.status << "/" << c.detail;
    }
    DownloadStatus progress;
    progress.m_nStatus = DOWNLOAD_PROGRESS;
    progress.m_nKBDone = 3;
    progress.m_nKBTotal = 9;
    EXPECT_EQ(DownloadStatusText(progress, V::PageDialog), "Download 3 KB / 9 KB");
    DownloadStatus notFound;
    notFound.m_nStatus = DOWNLOAD_NOT_FOUND;
    notFound.m_szPreview = "Kurs [...]";
    EXPECT_EQ(DownloadStatusText(notFound, V::PageDialog), "Error: Quotation not found!!");
}

class PageFilesTest : public testsupport::TempDirTest {
protected:
    PageFilePaths make(const std::string& stem) {
        PageFilePaths p{path(stem + ".tmp").string(), path(stem + "s.tmp").string(), path(stem + "t.tmp").string()};
        for (const std::string* file : {&p.raw, &p.semiHtml, &p.text})
            writeFile(*file, stem);
        return p;
    }
};

TEST_F(PageFilesTest, FilesGoUnlessTaken) {
    const PageFilePaths first = make("a");
    const PageFilePaths second = make("b");
    {
        PageFiles files(first);
        files.adopt(second); // an earlier success is replaced
        EXPECT_FALSE(fs::exists(first.raw));
        EXPECT_FALSE(fs::exists(first.text));
        PageFiles moved = std::move(files);
        EXPECT_TRUE(files.empty());
        EXPECT_TRUE(fs::exists(second.semiHtml));
    }
    EXPECT_FALSE(fs::exists(second.raw));
    EXPECT_FALSE(fs::exists(second.semiHtml));

    const PageFilePaths kept = make("c");
    {
        PageFiles files(kept);
        const PageFilePaths taken = files.take();
        EXPECT_EQ(taken.raw, kept.raw);
    }
    EXPECT_TRUE(fs::exists(kept.raw));
}

TEST_F(PageFilesTest, TheRawPageBecomesHtmlByItsExtensionOnly) {
    // A folder name with ".tmp" in it stays as it is; a name without extension gets one.
    EXPECT_EQ(htmlPathOf("/tmp/x.tmp.d/CVR123.tmp"), fs::path("/tmp/x.tmp.d/CVR123.html"));
    EXPECT_EQ(htmlPathOf("/tmp/x.tmp.d/CVR123"), fs::path("/tmp/x.tmp.d/CVR123.html"));

    fs::create_directories(path("in.tmp"));
    const std::string raw = path("in.tmp/CVRpage.tmp").string();
    writeFile(raw, "<p>page</p>");
    writeFile(path("in.tmp/CVRpage.html"), "stale");
    writeFile(path("in.tmp/other.html"), "other");
    PageFiles files(PageFilePaths{raw, "", ""});
    ASSERT_TRUE(files.renameRawToHtml());
    EXPECT_EQ(files.paths().raw, path("in.tmp/CVRpage.html").string());
    EXPECT_EQ(readFile(files.paths().raw), "<p>page</p>");
    EXPECT_FALSE(fs::exists(raw));
    EXPECT_EQ(readFile(path("in.tmp/other.html")), "other");
    files.deleteAll();
    EXPECT_FALSE(fs::exists(path("in.tmp/CVRpage.html")));
}

TEST(NameSymbolInsertion, UrlsGetPercentEncodedValues) {
    std::string out;
    EXPECT_EQ(ReplaceNameSymbolInUrl("https://q.example/s?n=[&name]&s=[&symbol]&p=[&symbol(0,2)]", out, "AT&T Inc. #1",
                                     "T+Ü"),
              1);
    EXPECT_EQ(out, "https://q.example/s?n=AT%26T%20Inc.%20%231&s=T%2B%C3%9C&p=T%2B");
    // A local file is read by its literal path.
    ReplaceNameSymbolInUrl(" FILE:///data/[&name].html", out, "My Fund", "");
    EXPECT_EQ(out, " FILE:///data/My Fund.html");
}

TEST(NameSymbolInsertion, PatternsGetLiteralValues) {
    std::string pattern;
    ReplaceNameSymbolAsLiteral("[&name]: [&quotation_close]", pattern, "S&P 500 (USD)+.*?{2}|x", "");
    RegExpGroupIndexes groups;
    RegExpExpandPlaceHolders(pattern, groups, ",", ".");
    CKurs quotation;
    int start = 0, length = 0, code = 0;
    std::string message;
    // Only the name itself matches, not what its characters would mean in a pattern.
    EXPECT_FALSE(RegExpGetQuotation("S&P 500 (USD)++++x: 12,50 EUR", quotation, pattern, groups, false, true, start,
                                    length, ".", ",", code, message));
    EXPECT_TRUE(RegExpGetQuotation("S&P 500 (USD)+.*?{2}|x: 12,50 EUR", quotation, pattern, groups, false, true, start,
                                   length, ".", ",", code, message))
        << code << " " << message << " " << pattern;
    EXPECT_DOUBLE_EQ(quotation.m_dClose, 12.5);
}

TEST(WizardSearchStop, ASearchTheDialogLeftPostsNothingMore) {
    MessageTarget target;
    auto queue = std::make_shared<ManualMessageQueue>();
    testsupport::RecordingReceiver receiver;
    ReceiverRegistration registration(target, receiver, queue);
    for (const bool stop : {false, true}) {
        auto job = std::make_unique<WizardSearchJob>();
        job->m_nFormat = FORMAT_TEXT_ONLY;
        job->m_strPage = " Price 12,34 EUR";
        job->m_strQuotation = "12,34";
        job->m_pTarget = &target;
        job->m_hWnd = registration.id();
        job->m_pStop = std::make_shared<std::atomic<bool>>(stop);
        WizardSearchThread(std::move(job));
        queue->drain();
        EXPECT_EQ(receiver.take().empty(), stop);
    }
}

} // namespace
