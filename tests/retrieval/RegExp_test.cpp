#include "retrieval/filtering.h"

#include "platform/Clock.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

RegExpGroupIndexes indexesOf(std::string pattern, std::string* expanded = nullptr, const char* thousands = ".",
                             const char* decimal = ",") {
    RegExpGroupIndexes ix;
    RegExpExpandPlaceHolders(pattern, ix, decimal, thousands);
    if (expanded != nullptr)
        *expanded = pattern;
    return ix;
}

// Indexes with the given close, day, month, year, hour, minute groups and the rest absent.
RegExpGroupIndexes closeAndDate(int close, int day = -1, int month = -1, int year = -1, int hour = -1,
                                int minute = -1) {
    RegExpGroupIndexes ix;
    ix.m_nCloseIndex = close;
    ix.m_nDayIndex = day;
    ix.m_nMonthIndex = month;
    ix.m_nYearIndex = year;
    ix.m_nHourIndex = hour;
    ix.m_nMinuteIndex = minute;
    return ix;
}

TEST(RegExpPlaceHolders, SubPatterns) {
    struct Case {
        const char* placeHolder;
        const char* thousands;
        const char* decimal;
        std::string expected;
    } cases[] = {
        {"[&day]", ".", ",", "[ ]*([0-9]{1,2})"},
        {"[&year]", ".", ",", "([0-9]{2,4})"},
        {"[&hour]", ".", ",", "[ ]*([0-9]{1,2})"},
        {"[&minute]", ".", ",", "([0-9]{1,2})"},
        {"[&quotation_close]", ".", ",", "([0-9.,]+)"},
        {"[&quotation_open]", ".", ",", "([0-9.,]+|N/A|n/a)"},
        {"[&quotation_high]", "", ".", "([0-9.]+|N/A|n/a)"},
        {"[&quotation_low]", "'", ".", "([0-9'.]+|N/A|n/a)"},
        {"[&volume]", " ", "", "([0-9 ]+|N/A|n/a)"},
        {"[&dummyvalue]", ".", ",", "([-+0-9.,]+|N/A|n/a)"},
        // Characters that would end or change the class are escaped.
        {"[&quotation_close]", "]", "-", "([0-9\\]\\-]+)"},
        // Unknown words and the name place holders stay.
        {"[&foo] [&name] [&", ".", ",", "[&foo] [&name] [&"},
    };
    for (const auto& c : cases) {
        std::string expanded;
        indexesOf(c.placeHolder, &expanded, c.thousands, c.decimal);
        EXPECT_EQ(expanded, c.expected) << c.placeHolder;
    }
    std::string month;
    indexesOf("[&month]", &month);
    EXPECT_TRUE(month.starts_with("([0-9]{1,2}|jan|january|januar|janeiro|feb|")) << month;
    EXPECT_NE(month.find("|m(?:\xC3\xA4|\xE4)rz|"), std::string::npos) << month;
    EXPECT_TRUE(month.ends_with("|dec|dez|december|dezember|dezembro)")) << month;
}

TEST(RegExpPlaceHolders, GroupNumbersArePcreOwn) {
    struct Case {
        const char* pattern;
        RegExpGroupIndexes expected;
    } cases[] = {
        {"DAX;[&quotation_close];[&day].[&month].[&year]", closeAndDate(1, 2, 3, 4)},
        {"(DAX);[&quotation_close];[&day].[&month].[&year]", closeAndDate(2, 3, 4, 5)},
        {"[&dummyvalue];[&quotation_close]", closeAndDate(2)},
        {"[&foo];[&quotation_close]", closeAndDate(1)},
        // Counted right where counting "(" as written is wrong.
        {"(?:a|b)[&quotation_close]", closeAndDate(1)},
        {"[(]x[&quotation_close]", closeAndDate(1)},
        {"\\\\(a)[&quotation_close]", closeAndDate(2)},
        {"(?<x>a)(?|(b)|(c))[&quotation_close]", closeAndDate(3)},
        {"\\Q(\\E[&quotation_close]", closeAndDate(1)},
        {"\\Q[&day]\\E[&quotation_close]", closeAndDate(1)},
        // A repeated place holder counts as a group every time; its first occurrence is taken.
        {"[&quotation_close] [&day] [&quotation_close] [&month]", closeAndDate(1, 2, 4)},
        {"[&quotation_close]", closeAndDate(1)},
        {"no place holders", closeAndDate(-1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(indexesOf(c.pattern), c.expected) << c.pattern;

    RegExpGroupIndexes all;
    all.m_nDayIndex = 1;
    all.m_nMonthIndex = 2;
    all.m_nYearIndex = 3;
    all.m_nHourIndex = 4;
    all.m_nMinuteIndex = 5;
    all.m_nOpenIndex = 6;
    all.m_nCloseIndex = 7;
    all.m_nHighIndex = 8;
    all.m_nLowIndex = 9;
    all.m_nVolumeIndex = 10;
    EXPECT_EQ(indexesOf("[&day].[&month].[&year] [&hour]:[&minute] [&quotation_open] [&quotation_close] "
                        "[&quotation_high] [&quotation_low] [&volume]"),
              all);
}

TEST(RegExpPlaceHolders, PatternThatDoesNotCompileIsCountedAsWritten) {
    std::string expanded;
    const auto ix = indexesOf("([&quotation_close]", &expanded);
    EXPECT_EQ(expanded, "(([0-9.,]+)");
    EXPECT_EQ(ix.m_nCloseIndex, 2);
    EXPECT_EQ(CountCaptureGroups("(a)\\(b(c", 100), 2);
    EXPECT_EQ(CountCaptureGroups("(a)\\(b(c", 1), 1);
}

// One extraction from a text with the pattern expanded first.
struct Extraction {
    bool ok = false;
    CKurs quotation;
    int code = -1;
    int start = -1;
    int length = -1;
    std::string message;
};

Extraction extract(const std::string& subject, std::string pattern,
                   const OleDate& reference = OleDate(2023, 3, 5, 14, 7, 33), bool closeRequired = true,
                   const char* thousands = ".", const char* decimal = ",") {
    Extraction e;
    RegExpGroupIndexes ix;
    RegExpExpandPlaceHolders(pattern, ix, decimal, thousands);
    e.quotation.m_dtDate = reference;
    e.quotation.m_dOpen = e.quotation.m_dHigh = 99;
    e.ok = RegExpGetQuotation(subject, e.quotation, pattern, ix, true, closeRequired, e.start, e.length, thousands,
                              decimal, e.code, e.message);
    return e;
}

std::string dateText(const OleDate& date) {
    return date.GetStatus() == OleDate::valid ? date.Format("%Y-%m-%d %H:%M:%S") : "invalid";
}

TEST(RegExpGetQuotation, QuotationWithDateAndTime) {
    const auto e = extract("Index DAX;12.345,67;05.03.2023 17:35;\n",
                           "DAX;[&quotation_close];[&day]\\.[&month]\\.[&year] [&hour]:[&minute];");
    ASSERT_TRUE(e.ok) << e.message;
    EXPECT_EQ(e.code, 0);
    EXPECT_DOUBLE_EQ(e.quotation.m_dClose, 12345.67);
    EXPECT_EQ(e.quotation.m_dOpen, 0);
    EXPECT_EQ(e.quotation.m_dHigh, 0);
    EXPECT_EQ(dateText(e.quotation.m_dtDate), "2023-03-05 17:35:00");
    EXPECT_EQ(e.start, 6);
    EXPECT_EQ(e.length, 31);
}

// Date and time parts that the pattern does not have, or whose (optional) group took no part in
// the match, come from the reference.
TEST(RegExpGetQuotation, DateAndTimePartsNotMatchedComeFromTheReference) {
    const OleDate reference(2023, 3, 5, 14, 7, 33);
    struct Case {
        const char* subject;
        const char* pattern;
        const char* date;
    } cases[] = {
        {"v 1,5 x", "v [&quotation_close] ", "2023-03-05 14:07:00"},
        {"01.02.2022 v 1,5 x", "[&day]\\.[&month]\\.[&year] v [&quotation_close] ", "2022-02-01 14:07:00"},
        {"01.02. v 1,5 x", "[&day]\\.[&month]\\. v [&quotation_close] ", "2023-02-01 14:07:00"},
        {"09:15 v 1,5 x", "[&hour]:[&minute] v [&quotation_close] ", "2023-03-05 09:15:00"},
        // A year alone is not read: the date needs day and month.
        {"1999 v 1,5 x", "[&year] v [&quotation_close] ", "2023-03-05 14:07:00"},
        // Out-of-range day or month is passed over.
        {"40.13.2022 v 1,5 x", "[&day]\\.[&month]\\.[&year] v [&quotation_close] ", "2022-03-05 14:07:00"},
        // Optional groups before the value, and after it (beyond the last group the match set).
        {"v 1,5 x", "(?:[&day]\\.[&month]\\. )?v [&quotation_close] ", "2023-03-05 14:07:00"},
        {"v 1,5 x", "v [&quotation_close] (?:am [&day]\\.[&month]\\.[&year])?", "2023-03-05 14:07:00"},
        {"v 1,5 am 01.02.2022", "v [&quotation_close] (?:am [&day]\\.[&month]\\.[&year])?", "2022-02-01 14:07:00"},
        {"v 1,5 x", "v [&quotation_close] (?:[&hour]:[&minute])?", "2023-03-05 14:07:00"},
        {"v 1,5 09:15", "v [&quotation_close] (?:[&hour]:[&minute])?", "2023-03-05 09:15:00"},
        // Only the year is optional: day and month are read, the year is the reference's.
        {"v 1,5 01.02.", "v [&quotation_close] [&day]\\.[&month]\\.(?:[&year])?", "2023-02-01 14:07:00"},
    };
    for (const auto& c : cases) {
        const auto e = extract(c.subject, c.pattern, reference);
        ASSERT_TRUE(e.ok) << c.subject << ": " << e.message;
        EXPECT_DOUBLE_EQ(e.quotation.m_dClose, 1.5) << c.subject;
        EXPECT_EQ(dateText(e.quotation.m_dtDate), c.date) << c.subject;
    }
}

TEST(RegExpGetQuotation, MonthNamesAndTwoDigitYears) {
    struct Case {
        std::string dateText;
        const char* expected;
    } cases[] = {
        {"5. Dez 23", "2023-12-05"},          {"5. M\xC3\xA4rz 23", "2023-03-05"}, {"5. M\xE4rz 23", "2023-03-05"},
        {"5. mar\xC3\xA7o 23", "2023-03-05"}, {"5. 10 23", "2023-10-05"},          {"5. January 23", "2023-01-05"},
        {"5. ago 23", "2023-08-05"},          {"5. MAI 23", "2023-05-05"},         {"5. Okt 99", "1999-10-05"},
        {"5. sep 2005", "2005-09-05"},        {"5. feb 49", "2049-02-05"},         {"5. feb 50", "1950-02-05"},
        {"5. feb 00", "2000-02-05"},
    };
    for (const auto& c : cases) {
        const auto e = extract(c.dateText + ";4,25;", "[&day]\\. [&month] [&year];[&quotation_close];");
        ASSERT_TRUE(e.ok) << c.dateText << ": " << e.message;
        EXPECT_EQ(e.quotation.m_dtDate.Format("%Y-%m-%d"), c.expected) << c.dateText;
    }
}

TEST(RegExpGetQuotation, OptionalGroupsAndValuesNotAvailable) {
    const char* pattern = "(?:open [&quotation_open] )?close [&quotation_close] high [&quotation_high];";
    auto e = extract("close 5,5 high N/A;", pattern);
    ASSERT_TRUE(e.ok) << e.message;
    EXPECT_EQ(e.quotation.m_dOpen, 0);
    EXPECT_DOUBLE_EQ(e.quotation.m_dClose, 5.5);
    EXPECT_EQ(e.quotation.m_dHigh, 0);

    e = extract("open 4,0 close 5,5 high 6,0;", pattern);
    ASSERT_TRUE(e.ok) << e.message;
    EXPECT_DOUBLE_EQ(e.quotation.m_dOpen, 4.0);
    EXPECT_DOUBLE_EQ(e.quotation.m_dHigh, 6.0);
}

// The close group itself must take part.
TEST(RegExpGetQuotation, ACloseGroupThatTookNoPartIsMissing) {
    const auto e = extract("w;", "(?:v [&quotation_close])?w;");
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.code, EXTRACT_GROUP_MISSING);
    EXPECT_EQ(e.message, "RegExp Match index 1 took no part in the match.");
}

TEST(RegExpGetQuotation, FailuresWithTheirCodesAndMessages) {
    const std::string twentyGroups = [] {
        std::string p;
        for (int i = 0; i < 20; ++i)
            p += "(a)";
        return p + "[&quotation_close]";
    }();
    struct Case {
        std::string subject;
        std::string pattern;
        bool closeRequired;
        int code;
        std::string message;
    } cases[] = {
        {"x", "([&quotation_close]", true, 4, "RegExp compilation failed at pos. 11: missing closing parenthesis"},
        {"nothing", "v [&quotation_close]", true, 1, "No RegExp match found for 'v ([0-9.,]+)'"},
        {std::string(20, 'a') + "1,0 ", twentyGroups, true, 1,
         "RegExp output vector has space for only 19 captured substrings"},
        {"v 1,0 x", "v ([0-9]),", true, 5, "Quotation match place holder missing!"},
        {"v 0,0,0 x", "v [&quotation_close] ", true, 3, "0,0,0"},
        {"v " + std::string(60, '0') + ",0,0 x", "v [&quotation_close] ", true, 3, std::string(50, '0') + " [...]"},
        {"v 12,5", "v [&quotation_close]", true, 1, "12,5"},
        {"31.02.2023 v 1,5 x", "[&day]\\.[&month]\\.[&year] v [&quotation_close] ", true, 3,
         "RegExp date/time does not form a valid date (day 31, month 2, year 2023, 14:07)."},
        {"25:10 v 1,5 x", "[&hour]:[&minute] v [&quotation_close] ", true, 3,
         "RegExp date/time does not form a valid date (day 5, month 3, year 2023, 25:10)."},
    };
    for (const auto& c : cases) {
        const auto e = extract(c.subject, c.pattern, OleDate(2023, 3, 5, 14, 7, 33), c.closeRequired);
        EXPECT_FALSE(e.ok) << c.pattern;
        EXPECT_EQ(e.code, c.code) << c.pattern;
        EXPECT_EQ(e.message, c.message) << c.pattern;
        EXPECT_EQ(e.quotation.m_dOpen, 0) << c.pattern;
    }

    // Nineteen groups are fine.
    const auto e = extract(std::string(18, 'a') + "1,0 ", twentyGroups.substr(6));
    EXPECT_TRUE(e.ok) << e.message;

    // Group numbers beyond the match.
    CKurs q;
    int start = 0, length = 0, code = 0;
    std::string message;
    EXPECT_FALSE(RegExpGetQuotation("v 1,0 x", q, "v ([0-9,]+)", closeAndDate(3), false, true, start, length, ".", ",",
                                    code, message));
    EXPECT_EQ(code, EXTRACT_GROUP_MISSING);
    EXPECT_EQ(message, "RegExp Match index doesn't exist (max match index = 1).");
    // Without the close required a pattern without close passes.
    q.m_dtDate = OleDate(2023, 1, 2, 3, 4, 0);
    EXPECT_TRUE(RegExpGetQuotation("v 1,0 x", q, "v ([0-9,]+)", closeAndDate(-1), false, false, start, length, ".", ",",
                                   code, message));
}

class RegExpFileTest : public testsupport::TempDirTest {};

TEST_F(RegExpFileTest, QuotationFromAFile) {
    testsupport::writeFile(path("page.html"), "<td>DAX</td>\0<td>12.345,67</td><td>99</td>"s);
    std::string pattern = "DAX</td> <td>[&quotation_close]</td><td>[&volume]<";
    RegExpGroupIndexes ix;
    RegExpExpandPlaceHolders(pattern, ix, ",", ".");
    CKurs q;
    q.m_dtDate = OleDate(2023, 3, 5, 14, 7, 0);
    int start = 0, length = 0, code = -1;
    std::string message;
    ASSERT_TRUE(
        RegExpGetQuotationFile(path("page.html"), q, pattern, ix, false, start, length, ".", ",", code, message))
        << message;
    EXPECT_DOUBLE_EQ(q.m_dClose, 12345.67);
    EXPECT_DOUBLE_EQ(q.m_dVolume, 99);
    EXPECT_EQ(start, 4);

    // No close place holder.
    std::string noClose = "DAX</td> <td>[&volume]<";
    RegExpExpandPlaceHolders(noClose, ix, ",", ".");
    EXPECT_FALSE(
        RegExpGetQuotationFile(path("page.html"), q, noClose, ix, false, start, length, ".", ",", code, message));
    EXPECT_EQ(code, EXTRACT_GROUP_MISSING);
    EXPECT_EQ(message, "Quotation match place holder missing!");

    EXPECT_FALSE(
        RegExpGetQuotationFile(path("missing.html"), q, pattern, ix, false, start, length, ".", ",", code, message));
    EXPECT_EQ(code, EXTRACT_FILE_UNREADABLE);
    EXPECT_EQ(message, "RegExpGetQuotationFile error reading file '" + path("missing.html").string() +
                           "' (No such file or directory)!");
}

TEST_F(RegExpFileTest, TheTerminatingZeroByteIsPartOfTheSubject) {
    // A page that ends right after the value, matched by patterns that need something after it.
    struct Case {
        const char* page;
        const char* pattern;
        double close;
        int length;
    } cases[] = {
        {"x 3,75", "x [&quotation_close][^0-9,]", 3.75, 7}, // the negated class takes the zero byte
        {"x 3,75", "x [&quotation_close][^0-9]*$", 3.75, 7},
        {"x 3,75\n", "x [&quotation_close][^0-9]", 3.75, 7},
        // "$" at every line end, also at the end of a last line without a line break.
        {"x 3,75", "x [&quotation_close]$", 3.75, 6},
        {"x 3,75\ny 4,50", "x [&quotation_close]$", 3.75, 6},
        {"x 3,75\ny 4,50", "y [&quotation_close]$", 4.5, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.page) + " / " + c.pattern);
        testsupport::writeFile(path("end.txt"), c.page);
        std::string pattern = c.pattern;
        RegExpGroupIndexes ix;
        RegExpExpandPlaceHolders(pattern, ix, ",", ".");
        CKurs q;
        q.m_dtDate = OleDate(2023, 3, 5, 14, 7, 0);
        int start = -1, length = -1, code = -1;
        std::string message;
        ASSERT_TRUE(
            RegExpGetQuotationFile(path("end.txt"), q, pattern, ix, false, start, length, ".", ",", code, message))
            << message;
        EXPECT_DOUBLE_EQ(q.m_dClose, c.close);
        EXPECT_EQ(length, c.length);
    }

    // A text in memory is its own length: nothing follows it.
    const auto e = extract("x 3,75", "x [&quotation_close][^0-9,]");
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.code, EXTRACT_NOT_FOUND);
}

TEST(RegExpTestRule, GroupOfTheFirstMatch) {
    std::string value;
    int start = 0, length = 0, code = -1;
    std::string message;
    ASSERT_TRUE(RegExpTestRule("a: Price 12 b: Price 13", "([a-z]+): Price ([0-9]+)", true, 1, value, start, length,
                               code, message));
    EXPECT_EQ(value, "a");
    EXPECT_EQ(start, 0);
    EXPECT_EQ(length, 11);
    ASSERT_TRUE(RegExpTestRule("xx PRICE 12", "price ([0-9]+)", true, 0, value, start, length, code, message));
    EXPECT_EQ(value, "PRICE 12");
    EXPECT_EQ(start, 3);

    EXPECT_FALSE(RegExpTestRule("xx PRICE 12", "price ([0-9]+)", false, 1, value, start, length, code, message));
    EXPECT_EQ(code, EXTRACT_NOT_FOUND);
    EXPECT_EQ(start, -1);
    EXPECT_FALSE(RegExpTestRule("price 12", "price ([0-9]+)", true, 2, value, start, length, code, message));
    EXPECT_EQ(code, EXTRACT_GROUP_MISSING);
    EXPECT_EQ(message, "RegExp Match index doesn't exist (max match index = 1).");
    EXPECT_FALSE(RegExpTestRule("price 12", "price (x)?([0-9]+)", true, 1, value, start, length, code, message));
    EXPECT_EQ(code, EXTRACT_GROUP_MISSING);
    EXPECT_FALSE(RegExpTestRule("price 12", "price ([0-9]+", true, 1, value, start, length, code, message));
    EXPECT_EQ(code, EXTRACT_PATTERN_ERROR);
}

class RegExpImportTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        const auto when = OleDate(2023, 3, 15, 10, 0, 0).toTimeT();
        ASSERT_TRUE(when.has_value());
        m_clock.set(std::chrono::system_clock::from_time_t(*when));
    }

    bool import(const std::string& data, std::string pattern, bool dateWanted, bool timeWanted,
                const RegExpGroupIndexes* given = nullptr, RegExpImportSkips* skips = nullptr) {
        testsupport::writeFile(path("history.csv"), data);
        RegExpGroupIndexes ix;
        RegExpExpandPlaceHolders(pattern, ix, ",", ".");
        if (given != nullptr)
            ix = *given;
        quotations.clear();
        return RegExpImportQuotations(path("history.csv"), quotations, pattern, ix, dateWanted, timeWanted, false, ".",
                                      ",", code, message, skips);
    }

    std::vector<std::string> summary() const {
        std::vector<std::string> lines;
        for (const auto& q : quotations)
            lines.push_back(dateText(q->m_dtDate) + " " + std::to_string(q->m_dOpen) + " " +
                            std::to_string(q->m_dClose));
        return lines;
    }

    FixedClock m_clock;
    ScopedClock m_scoped{m_clock};
    std::vector<std::unique_ptr<CKurs>> quotations;
    int code = -1;
    std::string message;
};

TEST_F(RegExpImportTest, EveryMatchBecomesAQuotationInFileOrder) {
    const std::string data = "Date;Open;Close\n"
                             "01.02.2023;1,00;1,50;\n"
                             "02.02.2023;N/A;2,50;\n"
                             "03.02.23;3,00;3.003,50;\n";
    EXPECT_FALSE(import(data, "[&day]\\.[&month]\\.[&year];[&quotation_open];[&quotation_close];", true, false));
    EXPECT_EQ(code, EXTRACT_NOT_FOUND);
    EXPECT_EQ(message, "No match found for specified data format!");
    EXPECT_EQ(summary(), (std::vector<std::string>{"2023-02-01 20:00:00 1.000000 1.500000",
                                                   "2023-02-02 20:00:00 0.000000 2.500000",
                                                   "2023-02-03 20:00:00 3.000000 3003.500000"}));

    // Ending exactly at the last group's end, the import ends with success.
    EXPECT_TRUE(import("01.02.2023 10:30;1,25\n02.02.2023 11:45;1,75",
                       "[&day]\\.[&month]\\.[&year] [&hour]:[&minute];[&quotation_close]", true, true))
        << message;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(summary(), (std::vector<std::string>{"2023-02-01 10:30:00 0.000000 1.250000",
                                                   "2023-02-02 11:45:00 0.000000 1.750000"}));
}

TEST_F(RegExpImportTest, WhatAMatchDoesNotCaptureCarriesOverOrDefaults) {
    // Without the date wanted: day 30 of the current month at 20:00.
    EXPECT_FALSE(import("v 1,50;\nv 2,50;\n", "v [&quotation_close];", false, false));
    EXPECT_EQ(summary(), (std::vector<std::string>{"2023-03-30 20:00:00 0.000000 1.500000",
                                                   "2023-03-30 20:00:00 0.000000 2.500000"}));
    // A year above 2100 is ignored: the year of the match before stays.
    EXPECT_FALSE(
        import("04.05.2022;1,50;\n06.07.2150;2,50;\n", "[&day]\\.[&month]\\.[&year];[&quotation_close];", true, false));
    EXPECT_EQ(summary(), (std::vector<std::string>{"2022-05-04 20:00:00 0.000000 1.500000",
                                                   "2022-07-06 20:00:00 0.000000 2.500000"}));
}

TEST_F(RegExpImportTest, RecordsWithoutADateAreSkippedAndTheImportGoesOn) {
    struct Case {
        const char* data;
        const char* pattern;
        std::vector<std::string> imported;
        int skipped;
        const char* firstReason;
    } cases[] = {
        {"01.02.2023;1,50;\n31.02.2023;2,50;\n03.02.2023;3,50;\n",
         "[&day]\\.[&month]\\.[&year];[&quotation_close];",
         {"2023-02-01 20:00:00 0.000000 1.500000", "2023-02-03 20:00:00 0.000000 3.500000"},
         1,
         "line \"31.02.2023;2,50;\": RegExp date/time does not form a valid date (day 31, month 2, year 2023, "
         "20:00)."},
        // A monthly history: the day stays 30, so February has no date.
        {"Month;Close\r\n01/2023;1,50;\r\n02/2023;2,50;\r\n03/2023;3,50;\r\n02/2024;4,50;\r\n",
         "[&month]/[&year];[&quotation_close];",
         {"2023-01-30 20:00:00 0.000000 1.500000", "2023-03-30 20:00:00 0.000000 3.500000"},
         2,
         "line \"02/2023;2,50;\": RegExp date/time does not form a valid date (day 30, month 2, year 2023, "
         "20:00)."},
        // An optional date group that took no part: the date of the match before stays.
        {"1,50 01.02.2023;\n2,50;\n3,50 03.02.2023;\n",
         "[&quotation_close](?: [&day]\\.[&month]\\.[&year])?;",
         {"2023-02-01 20:00:00 0.000000 1.500000", "2023-02-01 20:00:00 0.000000 2.500000",
          "2023-02-03 20:00:00 0.000000 3.500000"},
         0,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        testsupport::LogCapture log;
        RegExpImportSkips skips;
        EXPECT_FALSE(import(c.data, c.pattern, true, false, nullptr, &skips));
        EXPECT_EQ(code, EXTRACT_NOT_FOUND);
        EXPECT_EQ(summary(), c.imported);
        EXPECT_EQ(skips.count, c.skipped);
        EXPECT_EQ(skips.firstReason, c.firstReason);
        int warnings = 0;
        for (const auto& line : log.lines())
            warnings += line.level == LOG_LEVEL_WARNING && line.message.starts_with("Skipping import record '");
        EXPECT_EQ(warnings, c.skipped);
    }
}

TEST_F(RegExpImportTest, FailuresEndTheImport) {
    EXPECT_FALSE(import("v 1,50;\nv 0,0,0;\n", "v [&quotation_close];", false, false));
    EXPECT_EQ(code, EXTRACT_INVALID_VALUE);
    EXPECT_EQ(message, "0,0,0");
    EXPECT_EQ(quotations.size(), 1u);

    EXPECT_FALSE(import("v 1,50;\n", "v [&volume];", false, false));
    EXPECT_EQ(code, EXTRACT_GROUP_MISSING);
    EXPECT_EQ(message, "Quotation match place holder missing!");

    EXPECT_FALSE(import("v 1,50;\n", "v ([&quotation_close];", false, false));
    EXPECT_EQ(code, EXTRACT_PATTERN_ERROR);

    RegExpGroupIndexes ix;
    EXPECT_FALSE(
        RegExpImportQuotations(path("missing.csv"), quotations, "x", ix, false, false, false, ".", ",", code, message));
    EXPECT_EQ(code, EXTRACT_FILE_UNREADABLE);
    EXPECT_EQ(message, "Could not open file!");
}

TEST_F(RegExpImportTest, SearchAlwaysMovesOn) {
    // The last group is empty at the start of every match: the search still moves on by one byte
    // each time (and so finds the rest of a number again, as text after the last group is).
    RegExpGroupIndexes ix;
    ix.m_nCloseIndex = 1;
    EXPECT_FALSE(import("12;34;", "(()[0-9]+);", false, false, &ix));
    EXPECT_EQ(summary(), (std::vector<std::string>{
                             "2023-03-30 20:00:00 0.000000 12.000000", "2023-03-30 20:00:00 0.000000 2.000000",
                             "2023-03-30 20:00:00 0.000000 34.000000", "2023-03-30 20:00:00 0.000000 34.000000",
                             "2023-03-30 20:00:00 0.000000 4.000000"}));
}

} // namespace
