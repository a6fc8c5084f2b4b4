#include "retrieval/filtering.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct NumberCase {
    std::string text;
    const char* thousands;
    const char* decimal;
    double value;
    int code;
};

void expectNumbers(const NumberCase* begin, const NumberCase* end) {
    for (const NumberCase* c = begin; c != end; ++c) {
        int code = -1;
        const double value = ParseNumber(c->text, c->thousands, c->decimal, code);
        EXPECT_EQ(code, c->code) << "'" << c->text << "' T '" << c->thousands << "' D '" << c->decimal << "'";
        EXPECT_DOUBLE_EQ(value, c->value) << "'" << c->text << "'";
    }
}

const NumberCase kNumberCases[] = {
    {"1.234,56 EUR", ".", ",", 1234.56, 0},
    {"1,234.56 EUR", ",", ".", 1234.56, 0},
    {"12.5 EUR", ".", ",", 125, 0},
    {"-0,35 EUR", ".", ",", -0.35, 0},
    {"+7,5 x", ".", ",", 7.5, 0},
    {"0 EUR", ".", ",", 0, 0},
    {"12,50", ".", ",", 12.5, 0},
    // Separators of several characters, and a blank as the thousands separator.
    {"1&nbsp;234,5 x", "&nbsp;", ",", 1234.5, 0},
    {"1 234 567,5 \xE2\x82\xAC", " ", ",", 1234567.5, 0},
    {"3 dot 14 x", "", " dot ", 3.14, 0},
    {"12 345'67 EUR", " ", "'", 12345.67, 0},
    // A separator that no digit follows ends the number.
    {"1,xy", ".", ",", 1, 0},
    {"5 000 EUR", " ", ",", 5000, 0},
    // The same text for both: thousands wins.
    {"1,5 x", ",", ",", 15, 0},
    // Without separators the digits run up to the first other character.
    {"1234,5 x", "", "", 1234, 0},
    {"1.2.3 x", "", ".", 1.2, 0},
    // Not a number here.
    {"x1", ".", ",", 0, 1},
    {"", ".", ",", 0, 1},
    {"-x", ".", ",", 0, 1},
    {"5", ".", ",", 0, 1},
    {"-5", ".", ",", 0, 1},
    {"5\0xyz"s, ".", ",", 0, 1},
    // Two characters are converted as they stand.
    {"12", ".", ",", 12, 0},
    {"0,", ".", ",", 0, 0},
    // The text ends right after a separator and one more character.
    {"12,5", ".", ",", 0, 1},
    {"1.2", ".", ",", 0, 1},
    // The number text does not convert.
    {"--5 x", ".", ",", 0, 3},
    {"0.0.0 x", "", ".", 0, 3},
    {"+x y", ".", ",", 0, 3},
};

TEST(ParseNumber, SeparatorTexts) {
    expectNumbers(std::begin(kNumberCases), std::end(kNumberCases));
}

TEST(ParseNumber, IgnoresTheLocaleOfTheProcess) {
    const testsupport::ScopedLocale german("de_DE.UTF-8");
    ASSERT_TRUE(german.active) << "locale de_DE.UTF-8 missing";
    expectNumbers(std::begin(kNumberCases), std::end(kNumberCases));
}

struct AnchorCase {
    std::string page;
    const char* anchor;
    const char* thousands;
    const char* decimal;
    int tags; // semi-html only
    int numbers;
    bool caseInsensitive;
    double value;
    int code;
    std::string preview;
};

class AnchorExtractionTest : public testsupport::TempDirTest {
protected:
    double text(const AnchorCase& c, int& code, std::string& preview) {
        testsupport::writeFile(path("page.txt"), c.page);
        return GetQuotationText(path("page.txt"), c.anchor, c.thousands, c.decimal, c.numbers, c.caseInsensitive, code,
                                preview);
    }
    double semiHtml(const AnchorCase& c, int& code, std::string& preview) {
        testsupport::writeFile(path("page.semi"), c.page);
        return GetQuotationSemiHtml(path("page.semi"), c.anchor, c.thousands, c.decimal, c.tags, c.numbers,
                                    c.caseInsensitive, code, preview);
    }
};

const std::string kLong = "0,0,0 " + std::string(60, 'x');

TEST_F(AnchorExtractionTest, TextPages) {
    const AnchorCase cases[] = {
        {"Price: 12,50 EUR", "Price:", ".", ",", 0, 0, false, 12.5, 0, ""},
        {"Price: 11,00 12,50", "Price:", ".", ",", 0, 1, false, 12.5, 0, ""},
        {"Price: 11,00 12,50", "Price:", ".", ",", 0, 2, false, 0, 1, "EOF"},
        {"Vol 1.000,00 Price 7,5 ", "Vol", ".", ",", 0, 1, false, 7.5, 0, ""},
        {"Price: 1,00 Price: 2,00 ", "Price:", ".", ",", 0, 0, false, 1, 0, ""},
        {"Change: -0,35 EUR", "Change:", ".", ",", 0, 0, false, -0.35, 0, ""},
        {"Price: x-1,5 y", "Price:", ".", ",", 0, 0, false, -1.5, 0, ""},
        {"Price: 1.234.567,89 EUR", "Price:", ".", ",", 0, 0, false, 1234567.89, 0, ""},
        {"Price: 1,234.56 USD", "Price:", ",", ".", 0, 0, false, 1234.56, 0, ""},
        {"Pri\0ce: 5,5 x"s, "Pri ce:", ".", ",", 0, 0, false, 5.5, 0, ""},
        // Case.
        {"price: 3,5 x", "PRICE:", ".", ",", 0, 0, true, 3.5, 0, ""},
        {"price: 3,5 x", "PRICE:", ".", ",", 0, 0, false, 0, 2, ""},
        {"PRICE: 3X5 x", "price:", "X", ",", 0, 0, true, 35, 0, ""},
        // Failures with the page text where the search failed.
        {"Other: 1,0", "Price:", ".", ",", 0, 0, false, 0, 2, ""},
        {"Price: 12,5", "Price:", ".", ",", 0, 0, false, 0, 1, "12,5"},
        {"Price: none", "Price:", ".", ",", 0, 0, false, 0, 1, ""},
        {"Price: -", "Price:", ".", ",", 0, 0, false, 0, 1, "-"},
        {"Price: " + kLong, "Price:", "", ",", 0, 0, false, 0, 3, kLong.substr(0, 50) + " [...]"},
        // A number running into the end of the page is not counted as passed.
        {"Price: 1,0", "Price:", ".", ",", 0, 1, false, 0, 1, "EOF"},
    };
    for (const auto& c : cases) {
        int code = -1;
        std::string preview = "stale";
        const double value = text(c, code, preview);
        EXPECT_EQ(code, c.code) << c.page;
        EXPECT_DOUBLE_EQ(value, c.value) << c.page;
        EXPECT_EQ(preview, c.preview) << c.page;
    }
}

TEST_F(AnchorExtractionTest, SemiHtmlPages) {
    const AnchorCase cases[] = {
        {"Last<>12,34<>", "Last", ".", ",", 1, 0, false, 12.34, 0, ""},
        {"Last<>12,34<>", "Last", ".", ",", 0, 0, false, 0, 1, "<>12,34<>"},
        {"Name<>Last<>  <>9,99<>", "Last", ".", ",", 2, 0, false, 9.99, 0, ""},
        // After the last number passed, tags are crossed on the way to the value ...
        {"Last: 1,5 <>2,5<>", "Last:", ".", ",", 0, 1, false, 2.5, 0, ""},
        {"Last<>Vol 1.000 Price 7,5<>", "Last", ".", ",", 1, 1, false, 7.5, 0, ""},
        // ... but not right behind the number, nor while numbers remain to pass.
        {"Last: 1,5<>2,5<>", "Last:", ".", ",", 0, 1, false, 0, 1, "<>2,5<>"},
        {"Last<>1<>2 ", "Last", ".", ",", 1, 1, false, 0, 1, "<>2 "},
        {"Last<>1 <>2 3 ", "Last", ".", ",", 1, 2, false, 0, 1, "<>2 3 "},
        {"Last<>1,0 2,0", "Last", ".", ",", 1, 2, false, 0, 1, ""},
        // Too few tags.
        {"Last<>x", "Last", ".", ",", 2, 0, false, 0, 1, "EOF"},
        {"Last<>", "Last", ".", ",", 2, 0, false, 0, 1, ""},
        {"LAST<>5,0<>", "last", ".", ",", 1, 0, true, 5, 0, ""},
        {"LAST<>5,0<>", "last", ".", ",", 1, 0, false, 0, 2, ""},
    };
    for (const auto& c : cases) {
        int code = -1;
        std::string preview = "stale";
        const double value = semiHtml(c, code, preview);
        EXPECT_EQ(code, c.code) << c.page;
        EXPECT_DOUBLE_EQ(value, c.value) << c.page;
        EXPECT_EQ(preview, c.preview) << c.page;
    }
}

TEST_F(AnchorExtractionTest, UnreadablePageIsAFailureNotZero) {
    for (const auto& file : {path("missing.txt"), dir()}) {
        int code = 0;
        std::string preview;
        EXPECT_EQ(GetQuotationText(file, "a", ".", ",", 0, false, code, preview), 0.0);
        EXPECT_EQ(code, EXTRACT_FILE_UNREADABLE);
        code = 0;
        EXPECT_EQ(GetQuotationSemiHtml(file, "a", ".", ",", 0, 0, false, code, preview), 0.0);
        EXPECT_EQ(code, EXTRACT_FILE_UNREADABLE);
    }
}

} // namespace
