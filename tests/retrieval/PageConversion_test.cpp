#include "retrieval/filtering.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace std::string_literals;

struct ConversionCase {
    int mode;
    std::string page;
    std::string expected;
};

TEST(PageConversion, ThreeFormsOfAPage) {
    const ConversionCase cases[] = {
        // Original: byte for byte, zero bytes and entities included.
        {0, "a<b>&amp;\0x\xE4"s, "a<b>&amp;\0x\xE4"s},
        // Semi-html: tags become "<>", the text between stays.
        {1, "a<b class=x>1,5</b>c", "a<>1,5<>c"},
        {1, "x>y", "x>y"},
        {1, "a<b", "a<"},
        {1, "<", "<"},
        {1, "a<b>", "a<>"},
        {1, "<<b>>", "<>>"},
        {1, "a\r\n<td\nclass=\"v\">\t1 &amp; 2</td>", "a\r\n<>\t1 &amp; 2<>"},
        // Text-only: a tag becomes one blank, an unclosed tag drops the rest.
        {2, "a<b>1,5</b>c", "a 1,5 c"},
        {2, "a<b", "a "},
        {2, "a<b c", "a "},
        {2, "a<", "a<"},
        {2, "<p>", " "},
        {2, "x>y\n\t z", "x>y\n\t z"},
        // Entities in their order: "&amp;" after "&nbsp;" and "&quot;", before "&lt;" and "&gt;".
        {2, "<td>&nbsp;12&amp;lt;</td>", "  12< "},
        {2, "&amp;nbsp;", "&nbsp;"},
        {2, "&amp;quot;", "&quot;"},
        {2, "&amp;amp;", "&"},
        {2, "&amp;amp;amp;lt;", "<"},
        {2, "&amp;gt;&amp;amp;&amp;", ">&&"},
        {2, "&quot;x&quot; &lt;&gt; &#160; &NBSP; &euro;", "\"x\" <> &#160; &NBSP; &euro;"},
        {2, "&&lt;;", "&<;"},
        // Empty pages and the modes this program does not offer.
        {0, "", ""},
        {1, "", ""},
        {2, "", ""},
        {3, "abc", ""},
        {7, "abc", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertPageText(c.mode, c.page), c.expected) << "mode " << c.mode << ": " << c.page;
}

class HtmlToTxtTest : public testsupport::TempDirTest {};

TEST_F(HtmlToTxtTest, ConvertsFileToFile) {
    const auto source = path("page.html");
    testsupport::writeFile(source, "<tr><td>Last</td><td>1.234,56&nbsp;EUR</td></tr>\0tail"s);
    const std::string expected[] = {
        "<tr><td>Last</td><td>1.234,56&nbsp;EUR</td></tr>\0tail"s,
        "<><>Last<><>1.234,56&nbsp;EUR<><>\0tail"s,
        "  Last  1.234,56 EUR  \0tail"s,
        "",
    };
    for (int mode = 0; mode <= 3; ++mode) {
        const auto destination = path("out" + std::to_string(mode));
        testsupport::writeFile(destination, "previous content");
        ASSERT_TRUE(HtmlToTxt(mode, source, destination)) << mode;
        EXPECT_EQ(testsupport::readFile(destination), expected[mode]) << mode;
    }
}

TEST_F(HtmlToTxtTest, EmptySourceGivesEmptyDestinationInEveryMode) {
    const auto source = path("empty.html");
    testsupport::writeFile(source, "");
    for (int mode = 0; mode <= 3; ++mode) {
        const auto destination = path("out" + std::to_string(mode));
        ASSERT_TRUE(HtmlToTxt(mode, source, destination));
        EXPECT_TRUE(std::filesystem::exists(destination));
        EXPECT_EQ(std::filesystem::file_size(destination), 0u);
    }
}

TEST_F(HtmlToTxtTest, UnreadableSourceOrUnwritableDestinationFails) {
    EXPECT_FALSE(HtmlToTxt(1, path("missing.html"), path("out")));
    EXPECT_FALSE(std::filesystem::exists(path("out")));
    EXPECT_FALSE(HtmlToTxt(1, dir(), path("out")));

    const auto source = path("page.html");
    testsupport::writeFile(source, "<b>x</b>");
    EXPECT_FALSE(HtmlToTxt(2, source, path("no/such/folder/out")));
}

// Every function that reads a page file refuses one beyond the page cap -- before reading it, with
// the cap named -- and a FIFO without a writer, which a blocking open would wait on for good.
TEST_F(HtmlToTxtTest, EveryPageReaderRefusesAnOversizedPageAndWhatIsNoRegularFile) {
    const auto oversized = path("oversized.html");
    testsupport::writeFile(oversized, "");
    std::filesystem::resize_file(oversized, static_cast<std::uintmax_t>(kMaxPageBytes) + 1); // sparse
    const auto fifo = path("fifo.html");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Reader {
        const char* name;
        // Runs the reader on `file`; false when it failed, with its message (if it gives one).
        std::function<bool(const std::filesystem::path&, std::string&)> read;
    };
    const std::vector<Reader> readers = {
        {"GetQuotationText",
         [](const std::filesystem::path& file, std::string& message) {
             int code = 0;
             GetQuotationText(file, "a", ".", ",", 0, false, code, message);
             message.clear();
             return code != EXTRACT_FILE_UNREADABLE;
         }},
        {"GetQuotationSemiHtml",
         [](const std::filesystem::path& file, std::string& message) {
             int code = 0;
             GetQuotationSemiHtml(file, "a", ".", ",", 0, 0, false, code, message);
             message.clear();
             return code != EXTRACT_FILE_UNREADABLE;
         }},
        {"RegExpGetQuotationFile",
         [](const std::filesystem::path& file, std::string& message) {
             RegExpGroupIndexes ix;
             ix.m_nCloseIndex = 1;
             CKurs q;
             int start = 0, length = 0, code = 0;
             RegExpGetQuotationFile(file, q, "([0-9]+)", ix, false, start, length, ".", ",", code, message);
             return code != EXTRACT_FILE_UNREADABLE;
         }},
        {"RegExpImportQuotations",
         [](const std::filesystem::path& file, std::string& message) {
             RegExpGroupIndexes ix;
             ix.m_nCloseIndex = 1;
             std::vector<std::unique_ptr<CKurs>> list;
             int code = 0;
             RegExpImportQuotations(file, list, "([0-9]+)", ix, false, false, false, ".", ",", code, message);
             return code != EXTRACT_FILE_UNREADABLE;
         }},
        {"HtmlToTxt",
         [this](const std::filesystem::path& file, std::string& message) {
             message.clear();
             return HtmlToTxt(FORMAT_SEMI_HTML, file, path("converted"));
         }},
    };
    for (const Reader& reader : readers) {
        SCOPED_TRACE(reader.name);
        std::string message;
        EXPECT_FALSE(reader.read(oversized, message));
        if (!message.empty()) {
            EXPECT_NE(message.find(PageTooLargeText()), std::string::npos) << message;
        }
        EXPECT_FALSE(reader.read(fifo, message));
    }
    EXPECT_EQ(PageTooLargeText(), "The page is larger than 64 MB!");

    // The cap itself is taken; what the reader reports for each refusal.
    const auto atCap = path("atcap.html");
    testsupport::writeFile(atCap, "");
    std::filesystem::resize_file(atCap, static_cast<std::uintmax_t>(kMaxPageBytes));
    PageText page;
    std::string error;
    EXPECT_EQ(ReadPageText(atCap, page, error, PageZeroBytes::Keep), 0) << error;
    EXPECT_EQ(page.size, static_cast<std::size_t>(kMaxPageBytes));
    EXPECT_EQ(page.withTerminator().back(), '\0');
    EXPECT_EQ(ReadPageText(oversized, page, error), EFBIG);
    EXPECT_EQ(error, PageTooLargeText());
    EXPECT_EQ(page.bytes, nullptr);
    EXPECT_EQ(ReadPageText(fifo, page, error), EINVAL);
    EXPECT_EQ(error, "not a regular file");
    EXPECT_EQ(ReadPageText(dir(), page, error), EISDIR);
}

// A page read for matching has its zero bytes as blanks; one read for a conversion keeps them.
TEST_F(HtmlToTxtTest, PageReadsBlankOrKeepZeroBytes) {
    const auto file = path("zeros.html");
    testsupport::writeFile(file, "\0a\0\0b\0"s);
    PageText page;
    std::string error;
    ASSERT_EQ(ReadPageText(file, page, error), 0) << error;
    EXPECT_EQ(page.text(), " a  b ");
    ASSERT_EQ(ReadPageText(file, page, error, PageZeroBytes::Keep), 0) << error;
    EXPECT_EQ(page.text(), "\0a\0\0b\0"s);
    EXPECT_EQ(page.withTerminator().size(), 7u);
}

} // namespace
