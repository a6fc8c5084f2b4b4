#include "retrieval/PlaceHolders.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>

namespace {

// 5 March 2023, a Sunday, 14:07:00 local time.
OleDate sunday() {
    return OleDate(2023, 3, 5, 14, 7, 0);
}

std::string expandDate(const std::string& src, OleDate date, int stepBack = 0, int* result = nullptr) {
    std::string dst = "garbage";
    const int r = ExpandDatePlaceHolders(src, dst, date, stepBack);
    if (result != nullptr)
        *result = r;
    return dst;
}

struct DateCase {
    const char* src;
    const char* expected;
};

TEST(DatePlaceHolders, EveryPlaceHolderGivesItsField) {
    const DateCase cases[] = {
        {"[&d]", "05"},
        {"[&dw]", "0"},
        {"[&m]", "03"},
        {"[&mstr]", "mar"},
        {"[&mstr.de]", "m\xC3\xA4r"},
        {"[&mstr.pt]", "mar"},
        {"[&mstr_long]", "march"},
        {"[&mstr_long.de]", "m\xC3\xA4rz"},
        {"[&mstr_long.pt]", "marco"},
        {"[&y]", "2023"},
        {"[&h]", "14"},
        {"[&min]", "07"},
        // Every occurrence is replaced, wherever it stands.
        {"[&d].[&m].[&y] [&d]", "05.03.2023 05"},
        {"q?date=[&y][&m][&d]&t=[&h]:[&min]", "q?date=20230305&t=14:07"},
        // Unknown words and other letter case stay.
        {"[&D] [&foo] [&mstr.fr] [&", "[&D] [&foo] [&mstr.fr] [&"},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(expandDate(c.src, sunday(), 0, &result), c.expected) << c.src;
        EXPECT_EQ(result, std::string(c.src) == c.expected ? 0 : 1) << c.src;
    }
}

TEST(DatePlaceHolders, TemplateWithoutPlaceHoldersIsCopiedAndReportsNothing) {
    int result = -1;
    EXPECT_EQ(expandDate("http://example.org/q?s=1", sunday(), 3, &result), "http://example.org/q?s=1");
    EXPECT_EQ(result, 0);
}

TEST(DatePlaceHolders, DayOfWeekRunsFromSundayToSaturday) {
    EXPECT_EQ(expandDate("[&dw]", OleDate(2023, 3, 5, 0, 0, 0)), "0");
    EXPECT_EQ(expandDate("[&dw]", OleDate(2023, 3, 6, 0, 0, 0)), "1");
    EXPECT_EQ(expandDate("[&dw]", OleDate(2023, 3, 11, 0, 0, 0)), "6");
}

TEST(DatePlaceHolders, MonthNameTables) {
    const std::array<const char*, 6> placeHolders = {"[&mstr]",      "[&mstr.de]",      "[&mstr.pt]",
                                                     "[&mstr_long]", "[&mstr_long.de]", "[&mstr_long.pt]"};
    const std::array<std::array<const char*, 6>, 12> expected = {{
        {"jan", "jan", "jan", "january", "januar", "janeiro"},
        {"feb", "feb", "fev", "february", "februar", "fevereiro"},
        {"mar", "m\xC3\xA4r", "mar", "march", "m\xC3\xA4rz", "marco"},
        {"apr", "apr", "abr", "april", "april", "abril"},
        {"may", "mai", "mai", "may", "mai", "maio"},
        {"jun", "jun", "jun", "june", "juni", "junho"},
        {"jul", "jul", "jul", "july", "juli", "julho"},
        {"aug", "aug", "ago", "august", "august", "agosto"},
        {"sep", "sep", "set", "september", "september", "setembro"},
        {"oct", "okt", "out", "october", "oktober", "outubro"},
        {"nov", "nov", "nov", "november", "november", "novembro"},
        {"dec", "dez", "dez", "december", "dezember", "dezembro"},
    }};
    for (int month = 1; month <= 12; ++month)
        for (std::size_t t = 0; t < placeHolders.size(); ++t)
            EXPECT_EQ(expandDate(placeHolders[t], OleDate(2024, month, 15, 12, 0, 0)), expected[month - 1][t])
                << placeHolders[t] << " month " << month;
}

struct StepCase {
    const char* src;
    int stepBack;
    const char* expected;
    OleDate movedTo;
};

TEST(DatePlaceHolders, StepBackHappensOnceInTheUnitOfTheFirstDayOrTimePlaceHolder) {
    const StepCase cases[] = {
        // [&d] comes before [&min] in a pass: three days, not three minutes.
        {"[&min]/[&d]", 3, "07/02", OleDate(2023, 3, 2, 14, 7, 0)},
        {"[&h]:[&min]", 3, "11:07", OleDate(2023, 3, 5, 11, 7, 0)},
        {"[&min]", 10, "57", OleDate(2023, 3, 5, 13, 57, 0)},
        {"[&dw]", 1, "6", OleDate(2023, 3, 4, 14, 7, 0)},
        // Month and year do not step.
        {"[&m]/[&y]", 3, "03/2023", sunday()},
        // Every later occurrence shows the moved date.
        {"[&d] [&d]", 1, "04 04", OleDate(2023, 3, 4, 14, 7, 0)},
        // [&y] is replaced before [&h] moves the date across the year's end.
        {"[&y]-[&h]", 15, "2023-23", OleDate(2023, 3, 4, 23, 7, 0)},
    };
    for (const auto& c : cases) {
        OleDate date = sunday();
        std::string dst;
        EXPECT_EQ(ExpandDatePlaceHolders(c.src, dst, date, c.stepBack), 1) << c.src;
        EXPECT_EQ(dst, c.expected) << c.src;
        EXPECT_TRUE(datesEqual(date, c.movedTo)) << c.src << ": " << date.Format("%Y-%m-%d %H:%M");
    }

    // The year shown before a step back across New Year is the old one.
    OleDate newYear(2023, 1, 1, 1, 0, 0);
    std::string dst;
    ExpandDatePlaceHolders("[&y] [&h]", dst, newYear, 3);
    EXPECT_EQ(dst, "2023 22");
    EXPECT_EQ(newYear.GetYear(), 2022);
}

TEST(DatePlaceHolders, InvalidDateGivesMinusOneAndMinusTwoForTheDayOfWeek) {
    OleDate invalid = sunday();
    invalid.SetStatus(OleDate::invalid);
    EXPECT_EQ(expandDate("[&d].[&dw].[&m].[&y].[&h].[&min] [&mstr] [&mstr_long.de]", invalid),
              "-1.-2.-1.-1.-1.-1 -1 -1");
    // A step back makes the date valid again.
    OleDate date(45000.5);
    date.SetStatus(OleDate::invalid);
    std::string dst;
    ExpandDatePlaceHolders("[&d]", dst, date, 1);
    EXPECT_EQ(date.GetStatus(), OleDate::valid);
    EXPECT_NE(dst, "-1");
}

TEST(DatePlaceHolders, NowUsesTheProgramClock) {
    const auto when = sunday().toTimeT();
    ASSERT_TRUE(when.has_value());
    FixedClock clock(std::chrono::system_clock::from_time_t(*when));
    ScopedClock scoped(clock);
    std::string dst;
    EXPECT_EQ(ExpandDatePlaceHoldersNow("[&y]-[&m]-[&d] [&h]:[&min]", dst, 0), 1);
    EXPECT_EQ(dst, "2023-03-05 14:07");
    EXPECT_EQ(ExpandDatePlaceHoldersNow("[&d]", dst, 2), 1);
    EXPECT_EQ(dst, "03");
}

struct NameCase {
    const char* src;
    const char* name;
    const char* symbol;
    bool escape;
    const char* expected;
    int result;
};

TEST(NameSymbolPlaceHolders, NameSymbolAndSymbolParts) {
    const NameCase cases[] = {
        {"none here", "Allianz", "ALV.DE", false, "none here", 0},
        {"[&name]/[&symbol]", "Allianz", "ALV.DE", false, "Allianz/ALV.DE", 1},
        {"[&symbol]+[&symbol]&n=[&name][&name]", "A", "S", false, "S+S&n=AA", 1},
        {"[&symbol(0,2)]", "", "DE0008469008", false, "DE", 1},
        {"[&symbol(2,100)]", "", "DE0008469008", false, "0008469008", 1},
        {"[&symbol(20,2)]", "", "DE0008469008", false, "", 1},
        {"[&symbol(3)]", "", "DE0008469008", false, "", 1},
        {"[&symbol(-1,2)]", "", "DE0008469008", false, "DE", 1},
        {"[&symbol( 2, 3)]", "", "DE0008469008", false, "000", 1},
        {"[&symbol(1,-4)]", "", "DE0008469008", false, "", 1},
        // A comma after the place holder's "]" is not its count.
        {"q=[&symbol(0)]&x=1,2", "", "DE0008469008", false, "q=&x=1,2", 1},
        // Not place holders: other case, unknown words, no closing "]".
        {"[&Name] [&foo] [&symbol(1,2", "N", "S", false, "[&Name] [&foo] [&symbol(1,2", 0},
        {"[&[&name]", "N", "S", false, "[&N", 1},
        // Characters, not bytes, of a UTF-8 symbol.
        {"[&symbol(1,2)]", "", "\xC3\x84\xC3\x96\xC3\x9C", false, "\xC3\x96\xC3\x9C", 1},
        // Escaping for regular expressions.
        {"[&symbol]", "", "^GDAXI", true, "\\^GDAXI", 1},
        {"[&symbol]", "", "^GDAXI", false, "^GDAXI", 1},
        {"[&symbol]", "", "BMW.DE*+?{1}|", true, "BMW.DE*+?{1}|", 1},
        {"[&name]", "a\\b(c)[d]$", "", true, "a\\\\b\\(c\\)\\[d\\]\\$", 1},
        // The symbol part counts characters of the escaped symbol.
        {"[&symbol(0,2)]", "", "^GDAXI", true, "\\^", 1},
        // Values are not scanned again, so a name holding a place holder ends.
        {"x[&name]y", "[&name]", "", false, "x[&name]y", 1},
        {"[&symbol(0,20)]", "", "[&symbol(0,20)]", false, "[&symbol(0,20)]", 1},
        {"[&name][&symbol]", "[&symbol]", "[&name]", false, "[&symbol][&name]", 1},
    };
    for (const auto& c : cases) {
        std::string dst = "old";
        EXPECT_EQ(ReplaceNameSymbol(c.src, dst, c.name, c.symbol, c.escape), c.result) << c.src;
        EXPECT_EQ(dst, c.expected) << c.src << " name " << c.name << " symbol " << c.symbol;
    }
}

TEST(NameSymbolPlaceHolders, LongValuesAreNeverCut) {
    const std::string name(5000, 'n');
    std::string dst;
    ReplaceNameSymbol(std::string(900, 'u') + "[&name]" + std::string(900, 'v'), dst, name, "", false);
    EXPECT_EQ(dst, std::string(900, 'u') + name + std::string(900, 'v'));
}

struct Item {
    std::string m_strName;
    std::string m_strSymbol;
};

TEST(NameSymbolPlaceHolders, ItemPlaceHolders) {
    const Item item{"Index (DE)", "^GDAXI"};
    std::string dst = "untouched";
    EXPECT_EQ(ReplaceItemPlaceHolders("[&name];[&symbol]", dst, static_cast<const Item*>(nullptr), true), 0);
    EXPECT_EQ(dst, "untouched");
    EXPECT_EQ(ReplaceItemPlaceHolders("[&name];[&symbol]", dst, &item, true), 1);
    EXPECT_EQ(dst, "Index \\(DE\\);\\^GDAXI");
}

} // namespace
