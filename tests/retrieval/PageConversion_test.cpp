#include "retrieval/filtering.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

} // namespace
