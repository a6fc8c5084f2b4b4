#include "ServerDialogsFixture.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgRegExpSearch.h"
#include "retrieval/filtering.h"
#include "support/LogCapture.h"
#include "support/Renderings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace serverdialogs;

// The page of the tests; the fake clock stands at 17 May 2024 12:00.
constexpr const char* kPage = "IDX 12.345,67 01.02.2024 17:35";

const std::vector<std::pair<unsigned, std::string CDlgRegExpSearch::*>> kResultFields = {
    {IDC_RESULT_CLOSE, &CDlgRegExpSearch::m_strClose},   {IDC_RESULT_DAY, &CDlgRegExpSearch::m_strDay},
    {IDC_RESULT_MONTH, &CDlgRegExpSearch::m_strMonth},   {IDC_RESULT_YEAR, &CDlgRegExpSearch::m_strYear},
    {IDC_RESULT_HOUR, &CDlgRegExpSearch::m_strHour},     {IDC_RESULT_MINUTE, &CDlgRegExpSearch::m_strMinute},
    {IDC_RESULT_MATCH, &CDlgRegExpSearch::m_strMatch},   {IDC_RESULT_OPEN, &CDlgRegExpSearch::m_strOpen},
    {IDC_RESULT_HIGH, &CDlgRegExpSearch::m_strHigh},     {IDC_RESULT_LOW, &CDlgRegExpSearch::m_strLow},
    {IDC_RESULT_VOLUME, &CDlgRegExpSearch::m_strVolume},
};

class DlgRegExpSearchTest : public ServerDialogsTest {
protected:
    // The dialog on three files holding `page`, shown (initialised) and ready for searches.
    std::unique_ptr<CDlgRegExpSearch> open(const std::string& page, const std::string& expression, int form = 2) {
        const PageRecord files = pageFiles("page", page, page, page);
        auto dialog = std::make_unique<CDlgRegExpSearch>(services->bundle());
        dialog->m_strItemName = "Index";
        dialog->m_strItemSymbol = "IDX";
        dialog->m_strTemplateName = "DE-Index";
        dialog->m_nPageFormat = form;
        dialog->m_strRegExp = expression;
        dialog->m_strDecimalSep = ",";
        dialog->m_strThousandsSep = ".";
        dialog->m_strRawFile = files.raw;
        dialog->m_strSemiHtmlFile = files.semiHtml;
        dialog->m_strTextFile = files.text;
        dialog->resize(820, 620);
        dialog->show();
        return dialog;
    }
    // Types the expression as a user does and presses Search.
    static void search(CDlgRegExpSearch& d, const std::string& expression) {
        auto* edit = idc<QLineEdit>(d, IDC_REGEXP);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(expression));
        QTest::mouseClick(idc<QPushButton>(d, IDC_SEARCH), Qt::LeftButton);
    }
    static std::string shown(CDlgRegExpSearch& d, unsigned id) { return idc<QLineEdit>(d, id)->text().toStdString(); }
    static std::string selected(CDlgRegExpSearch& d) {
        // The view shows line breaks as U+2029 in a selection.
        return idc<QPlainTextEdit>(d, IDC_PAGE_DISPLAY)
            ->textCursor()
            .selectedText()
            .replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
            .toStdString();
    }
};

TEST_F(DlgRegExpSearchTest, TheWholeExpressionGivesValuesDateAndTime) {
    testsupport::LogCapture log;
    auto d = open(kPage, "");
    EXPECT_EQ(d->windowTitle().toStdString(), "Regular Expression Test - [DE-Index]");
    const std::string expression = "[&symbol] [&quotation_close] [&day].[&month].[&year] [&hour]:[&minute]";
    search(*d, expression);
    const std::map<unsigned, std::string> want = {
        {IDC_RESULT_CLOSE, "12345.6700"}, {IDC_RESULT_DAY, "1"},     {IDC_RESULT_MONTH, "2"},
        {IDC_RESULT_YEAR, "2024"},        {IDC_RESULT_HOUR, "17"},   {IDC_RESULT_MINUTE, "35"},
        {IDC_RESULT_MATCH, expression},   {IDC_RESULT_OPEN, "--"},   {IDC_RESULT_HIGH, "--"},
        {IDC_RESULT_LOW, "--"},           {IDC_RESULT_VOLUME, "--"},
    };
    for (const auto& [id, text] : want)
        EXPECT_EQ(shown(*d, id), text) << id;
    EXPECT_EQ(selected(*d), kPage);
    const auto lines = log.messages();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Match: \"" + std::string(kPage) + "\""), lines.end());
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "Quotation=12345.6700; Day=1; Month=2; Year=2024; Hour=17; Minute=35."),
        lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("Searching for RegExp: \"IDX "); }),
              1);
    testsupport::saveRendering(*d, "matched");
}

TEST_F(DlgRegExpSearchTest, ATailThatDoesNotMatchLeavesTheLongestMatchingPart) {
    auto d = open(kPage, "");
    search(*d, "IDX [&quotation_close] [&day].[&month].[&year] 18:00");
    // "... 1" is the longest leading part that matches: the page's bytes up to "17"'s first digit.
    EXPECT_EQ(shown(*d, IDC_RESULT_MATCH), "IDX [&quotation_close] [&day].[&month].[&year] 1");
    EXPECT_EQ(selected(*d), "IDX 12.345,67 01.02.2024 1");
    EXPECT_EQ(shown(*d, IDC_RESULT_CLOSE), "12345.6700");
    // Another day than today without a time: 20:00.
    EXPECT_EQ(shown(*d, IDC_RESULT_HOUR), "20");
    EXPECT_EQ(shown(*d, IDC_RESULT_MINUTE), "0");
    testsupport::saveRendering(*d, "shortened");
}

TEST_F(DlgRegExpSearchTest, ADateOfTodayKeepsTheCurrentTimeAnotherDayGets20) {
    struct Case {
        const char* page;
        const char* hour;
        const char* minute;
    };
    const Case cases[] = {{"K 5,25 16.05.2024 x", "20", "0"}, {"K 5,25 17.05.2024 x", "12", "0"}};
    for (const Case& c : cases) {
        auto d = open(c.page, "");
        search(*d, "K [&quotation_close] [&day].[&month].[&year]");
        EXPECT_EQ(shown(*d, IDC_RESULT_HOUR), c.hour) << c.page;
        EXPECT_EQ(shown(*d, IDC_RESULT_MINUTE), c.minute) << c.page;
        EXPECT_EQ(shown(*d, IDC_RESULT_CLOSE), "5.2500");
    }
}

TEST_F(DlgRegExpSearchTest, APatternThatDoesNotCompileIsReportedWithoutShortening) {
    testsupport::LogCapture log;
    auto d = open(kPage, "");
    search(*d, "IDX ([&quotation_close]");
    EXPECT_TRUE(shown(*d, IDC_RESULT_MATCH).starts_with("RegExp compilation failed at pos. "))
        << shown(*d, IDC_RESULT_MATCH);
    EXPECT_EQ(shown(*d, IDC_RESULT_CLOSE), "--");
    const auto lines = log.messages();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("Searching for RegExp"); }),
              1);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.starts_with("No match found! error = 4. RegExp"); }),
              lines.end());
}

TEST_F(DlgRegExpSearchTest, EditingOrAnotherPageFormResetsTheElevenFields) {
    auto d = open(kPage, "");
    search(*d, "IDX [&quotation_close] [&day].[&month].[&year] [&hour]:[&minute]");
    ASSERT_EQ(shown(*d, IDC_RESULT_CLOSE), "12345.6700");
    QTest::keyClick(idc<QLineEdit>(*d, IDC_REGEXP), Qt::Key_Space);
    for (const auto& [id, member] : kResultFields) {
        EXPECT_EQ(shown(*d, id), "--") << id;
        EXPECT_EQ((*d).*member, "--") << id;
    }
    QTest::mouseClick(idc<QPushButton>(*d, IDC_SEARCH), Qt::LeftButton);
    ASSERT_EQ(shown(*d, IDC_RESULT_DAY), "1");
    auto* forms = idc<QComboBox>(*d, IDC_PAGE_FORMAT);
    forms->setCurrentIndex(0); // no change of the user's: nothing is reset
    EXPECT_EQ(shown(*d, IDC_RESULT_DAY), "1");
    emit forms->activated(0);
    EXPECT_EQ(shown(*d, IDC_RESULT_DAY), "--");
    EXPECT_EQ(shown(*d, IDC_RESULT_MATCH), "--");
    EXPECT_EQ(d->m_nPageFormat, 0);
    // Return in the expression searches; it does not end the dialog.
    QTest::keyClick(idc<QLineEdit>(*d, IDC_REGEXP), Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(shown(*d, IDC_RESULT_DAY), "1");
}

TEST_F(DlgRegExpSearchTest, TheSelectionFindsTheMatchBehindCrLfLinesAndNonAsciiText) {
    std::string page;
    for (int line = 0; line < 1000; ++line)
        page += "Zeile " + std::to_string(line) + " Börse € 𝄞\r\n";
    page += "Kurs: 42,50 EUR\r\n";
    auto d = open(page, "");
    search(*d, "Kurs: [&quotation_close] EUR");
    EXPECT_EQ(selected(*d), "Kurs: 42,50 EUR");
    EXPECT_EQ(shown(*d, IDC_RESULT_CLOSE), "42.5000");
    EXPECT_TRUE(d->pages().map(2).utf8());
    // The selection is in view.
    auto* view = idc<QPlainTextEdit>(*d, IDC_PAGE_DISPLAY);
    EXPECT_GE(view->cursorRect().top(), 0);
    EXPECT_LE(view->cursorRect().bottom(), view->viewport()->height());
}

TEST(PageTextMapTest, BytesMapToViewPositions) {
    struct Case {
        std::string page;
        bool utf8;
        std::vector<std::pair<std::size_t, int>> positions; // byte offset -> position
        std::string text;                                   // what the view shows, as UTF-8
    };
    const Case cases[] = {
        {"ab\r\ncd", true, {{0, 0}, {2, 2}, {3, 2}, {4, 3}, {6, 5}, {99, 5}}, "ab\ncd"},
        {"a\rb", true, {{1, 1}, {2, 2}}, "a\nb"},
        // Two, three and four bytes become one, one and two positions.
        {"\xC3\xA4x\xE2\x82\xACy\xF0\x9D\x84\x9Ez",
         true,
         {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {6, 3}, {7, 4}, {11, 6}},
         "\xC3\xA4x\xE2\x82\xACy\xF0\x9D\x84\x9Ez"},
        // Not UTF-8: one byte, one character.
        {"Kurs \xE4 1\r\n2", false, {{5, 5}, {6, 6}, {8, 8}, {9, 8}, {10, 9}}, "Kurs \xC3\xA4 1\n2"},
        {"", true, {{0, 0}}, ""},
    };
    for (const Case& c : cases) {
        const PageTextMap map(c.page);
        EXPECT_EQ(map.utf8(), c.utf8) << c.page;
        EXPECT_EQ(map.text().toStdString(), c.text);
        for (const auto& [offset, position] : c.positions)
            EXPECT_EQ(map.position(offset), position) << c.page << " @" << offset;
    }
}

TEST_F(DlgRegExpSearchTest, EachPageFileIsReadOnItsOwn) {
    const PageRecord files = pageFiles("forms", std::string("raw\0page", 8), "<>semi<>", "text");
    fs::resize_file(files.semiHtml, kMaxPageBytes + 1);
    CDlgRegExpSearch d(services->bundle());
    d.m_strRawFile = files.raw;
    d.m_strSemiHtmlFile = files.semiHtml;
    d.m_strTextFile = path("missing.tmp").string();
    d.m_nPageFormat = 0;
    d.m_strRegExp = "raw";
    d.show();
    EXPECT_EQ(services->boxes->texts(),
              (std::vector<std::string>{"Could not allocate buffer!", "Could not open file for reading!"}));
    EXPECT_EQ(d.m_bInitialising, 0);
    EXPECT_TRUE(d.pages().loaded(0));
    EXPECT_FALSE(d.pages().loaded(1));
    EXPECT_FALSE(d.pages().loaded(2));
    EXPECT_EQ(idc<QPlainTextEdit>(d, IDC_PAGE_DISPLAY)->toPlainText().toStdString(), "raw page");
    // Search on a form that was not read says so again and does nothing.
    auto* forms = idc<QComboBox>(d, IDC_PAGE_FORMAT);
    forms->setCurrentIndex(2);
    emit forms->activated(2);
    EXPECT_TRUE(idc<QPlainTextEdit>(d, IDC_PAGE_DISPLAY)->toPlainText().isEmpty());
    QTest::mouseClick(idc<QPushButton>(d, IDC_SEARCH), Qt::LeftButton);
    EXPECT_EQ(services->boxes->texts().back(), "Could not open file for reading!");
    EXPECT_EQ(services->boxes->texts().size(), 3u);
    EXPECT_EQ(d.m_strMatch, "--");
}

} // namespace
