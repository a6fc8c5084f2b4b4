#include "ServerDialogsFixture.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgDownloadContinue.h"
#include "dialogs/DlgRegExpSearch.h"
#include "dialogs/DlgSaveServerProp.h"
#include "dialogs/DlgServerProp.h"
#include "framework/HelpPages.h"
#include "framework/StringTable.h"
#include "retrieval/ServerConfigStore.h"
#include "support/Renderings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace serverdialogs;

ServerSettings sampleSettings(int filtering) {
    ServerSettings s;
    s.m_strURL = "https://quotes.example/q?s=[&symbol]";
    s.m_nTimeout = 30;
    s.m_strThousands = ".";
    s.m_strDecimal = ",";
    s.m_nFormat = 1;
    s.m_strTextBeforeValue = "Kurs";
    s.m_nHtmlBeforeValue = 2;
    s.m_nNumbersBeforeValue = 1;
    s.m_bNoCaseSensitive = 1;
    s.m_nFiltering = filtering;
    s.m_strRegExp = "Kurs [&quotation_close]";
    return s;
}

class DlgServerPropTest : public ServerDialogsTest {
protected:
    std::unique_ptr<CDlgServerProp> makeEditor(int filtering, const std::string& templateName = "DE-Kurse") {
        auto editor = std::make_unique<CDlgServerProp>(services->bundle(), document);
        editor->m_posItem = 7;
        editor->m_strItemName = "Acme & Co";
        editor->m_strItemSymbol = "ACM";
        editor->m_strTemplateName = templateName;
        editor->SetSettings(sampleSettings(filtering));
        return editor;
    }
    // The editor run modally; `step` drives it.
    int run(CDlgServerProp& editor, testsupport::ScriptedModalRunner::Step step) {
        services->modal->on("dlg_112", std::move(step));
        return editor.DoModal();
    }
    static void click(QDialog& d, unsigned id) { clickButton(idc<QAbstractButton>(d, id)); }
    static void type(QDialog& d, unsigned id, const QString& text) {
        auto* edit = idc<QLineEdit>(d, id);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static bool shown(QDialog& d, unsigned id) { return idc<QWidget>(d, id)->isVisibleTo(&d); }
    static bool enabled(QDialog& d, unsigned id) { return idc<QWidget>(d, id)->isEnabled(); }
};

TEST_F(DlgServerPropTest, SeparatorPairsFindTheirRowAndNoRowStoresTheDefault) {
    struct Case {
        const char* thousands;
        const char* decimal;
        int row;
        const char* storedThousands;
        const char* storedDecimal;
    };
    const Case cases[] = {
        {"'", ",", 5, "'", ","}, {"", ".", 3, "", "."}, {".", ".", -1, "", ","}, {" ", ",", 7, " ", ","}};
    for (const Case& c : cases) {
        auto editor = makeEditor(0);
        editor->m_strThousandsSep = c.thousands;
        editor->m_strDecimalSep = c.decimal;
        EXPECT_EQ(run(*editor,
                      [&](QDialog& d) {
                          EXPECT_EQ(idc<QComboBox>(d, IDC_SEPARATORS)->currentIndex(), c.row) << c.thousands;
                          click(d, IDOK);
                      }),
                  IDOK);
        EXPECT_EQ(editor->m_strThousandsSep, c.storedThousands);
        EXPECT_EQ(editor->m_strDecimalSep, c.storedDecimal);
    }
    EXPECT_EQ(SeparatorRow(",", ".", 2), -1) << "the wizard's rows only";
}

// Help opens "ServerSettings.html" from the help pages' folder, the frame's ("data" beside the
// program); this test program ships none there, so the user is told the page does not exist.
TEST_F(DlgServerPropTest, HelpLooksInTheHelpFolderAndTellsAMissingPage) {
    const std::filesystem::path page = helpPagesFolder() / "ServerSettings.html";
    ASSERT_FALSE(std::filesystem::exists(page));
    auto editor = makeEditor(0);
    run(*editor, [&](QDialog& d) {
        click(d, IDC_HELP_BUTTON);
        click(d, IDCANCEL);
    });
    EXPECT_TRUE(services->shell->opened().empty());
    EXPECT_EQ(services->boxes->texts(),
              std::vector<std::string>{"The help page '" + page.string() + "' does not exist."});
}

TEST_F(DlgServerPropTest, TheSearchMethodChoosesTheLayout) {
    auto advanced = makeEditor(1);
    int advancedHeight = 0;
    run(*advanced, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Server properties - [DE-Kurse]");
        EXPECT_TRUE(shown(d, IDC_REGEXP_GROUP));
        EXPECT_TRUE(idc<QRadioButton>(d, IDC_ADVANCED_SEARCH)->isChecked());
        EXPECT_FALSE(enabled(d, IDC_ADVANCED_TOGGLE));
        EXPECT_EQ(idc<QPushButton>(d, IDC_ADVANCED_TOGGLE)->text(), "Advanced <<");
        EXPECT_TRUE(enabled(d, IDC_REGEXP));
        EXPECT_FALSE(enabled(d, IDC_TEXT_BEFORE));
        EXPECT_FALSE(enabled(d, IDC_TAGS_TO_SKIP));
        advancedHeight = d.height();
        testsupport::saveRendering(d, "advanced");
        click(d, IDCANCEL);
    });

    auto standard = makeEditor(0, LoadString(IDS_LOCAL_DEFINITION));
    run(*standard, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Server properties - [Acme & Co]");
        EXPECT_FALSE(shown(d, IDC_REGEXP_GROUP));
        EXPECT_FALSE(shown(d, IDC_STANDARD_SEARCH));
        EXPECT_EQ(idc<QPushButton>(d, IDC_ADVANCED_TOGGLE)->text(), "Advanced >>");
        EXPECT_LT(d.height(), advancedHeight - 100);
        EXPECT_TRUE(enabled(d, IDC_TAGS_TO_SKIP)) << "semi-html";
        testsupport::saveRendering(d, "standard");
        click(d, IDC_FORMAT_TEXT_ONLY);
        EXPECT_FALSE(enabled(d, IDC_TAGS_TO_SKIP));
        click(d, IDC_FORMAT_SEMI_HTML);
        EXPECT_TRUE(enabled(d, IDC_TAGS_TO_SKIP));

        click(d, IDC_ADVANCED_TOGGLE);
        settle();
        EXPECT_TRUE(shown(d, IDC_REGEXP_GROUP));
        EXPECT_EQ(idc<QPushButton>(d, IDC_ADVANCED_TOGGLE)->text(), "Advanced <<");
        EXPECT_GT(d.height(), advancedHeight - 20);
        EXPECT_TRUE(idc<QRadioButton>(d, IDC_STANDARD_SEARCH)->isChecked());
        EXPECT_FALSE(enabled(d, IDC_REGEXP));
        // With the section shown the semi-html radio keeps the tag count as it is.
        click(d, IDC_FORMAT_TEXT_ONLY);
        click(d, IDC_FORMAT_SEMI_HTML);
        EXPECT_FALSE(enabled(d, IDC_TAGS_TO_SKIP));
        click(d, IDC_STANDARD_SEARCH);
        EXPECT_TRUE(enabled(d, IDC_TAGS_TO_SKIP));

        click(d, IDC_ADVANCED_SEARCH);
        EXPECT_TRUE(enabled(d, IDC_REGEXP));
        EXPECT_FALSE(enabled(d, IDC_TEXT_BEFORE));
        EXPECT_FALSE(enabled(d, IDC_NUMBERS_TO_SKIP));
        EXPECT_FALSE(enabled(d, IDC_ADVANCED_TOGGLE));
        click(d, IDOK);
    });
    EXPECT_EQ(standard->m_nSearchMethod, 1);
    EXPECT_EQ(standard->m_nFormat, 1);
}

// As the editor opens, the tag count is open only to the standard search of a page converted to
// semi-html: the original page and the text-only one have no tags to count.
TEST_F(DlgServerPropTest, TheTagCountOpensOnlyForTheStandardSearchOfSemiHtml) {
    const struct {
        int method;
        int format;
        bool tags;
    } cases[] = {{0, 0, false}, {0, 1, true}, {0, 2, false}, {1, 0, false}, {1, 1, false}, {1, 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.method << ", format " << c.format);
        auto editor = makeEditor(c.method);
        ServerSettings s = sampleSettings(c.method);
        s.m_nFormat = c.format;
        editor->SetSettings(s);
        run(*editor, [&](QDialog& d) {
            EXPECT_EQ(enabled(d, IDC_TAGS_TO_SKIP), c.tags);
            EXPECT_EQ(enabled(d, IDC_NUMBERS_TO_SKIP), c.method == 0);
            click(d, IDCANCEL);
        });
    }
}

TEST_F(DlgServerPropTest, TheUpDownReachesZeroWhichTheRangeRefusesWhile450Passes) {
    auto editor = makeEditor(0);
    const int result = run(*editor, [&](QDialog& d) {
        type(d, IDC_TIMEOUT, "1");
        auto* arrows = idc<QWidget>(d, IDC_TIMEOUT_SPIN);
        QTest::mouseClick(arrows->findChild<QToolButton*>("down"), Qt::LeftButton);
        QTest::mouseClick(arrows->findChild<QToolButton*>("down"), Qt::LeftButton);
        EXPECT_EQ(idc<QLineEdit>(d, IDC_TIMEOUT)->text(), "0");
        click(d, IDOK);
        EXPECT_TRUE(d.isVisible());
        type(d, IDC_TIMEOUT, "450");
        QTest::mouseClick(arrows->findChild<QToolButton*>("up"), Qt::LeftButton);
        EXPECT_EQ(idc<QLineEdit>(d, IDC_TIMEOUT)->text(), "300") << "the arrows stop at 300";
        type(d, IDC_TIMEOUT, "450");
        click(d, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(services->boxes->texts(), (std::vector<std::string>{"Please enter an integer between 1 and 600."}));
    EXPECT_EQ(editor->m_nTimeout, 450);
}

TEST_F(DlgServerPropTest, TestOfTheStandardSearchIsATestDownload) {
    auto editor = makeEditor(0);
    run(*editor, [&](QDialog& d) {
        type(d, IDC_TEXT_BEFORE, "Letzter");
        click(d, IDC_TEST_CONFIGURATION);
        type(d, IDC_TAGS_TO_SKIP, "x");
        click(d, IDC_TEST_CONFIGURATION); // refused: no test
        click(d, IDCANCEL);
    });
    EXPECT_EQ(document.calls, (std::vector<std::string>{"test 7"}));
    ASSERT_EQ(document.tested.size(), 1u);
    const ServerSettings& s = document.tested[0];
    EXPECT_EQ(s.m_strName, "DE-Kurse");
    EXPECT_EQ(s.m_strTextBeforeValue, "Letzter");
    EXPECT_EQ(s.m_strURL, "https://quotes.example/q?s=[&symbol]");
    EXPECT_EQ(s.m_nHtmlBeforeValue, 2);
    EXPECT_EQ(services->boxes->texts(), (std::vector<std::string>{"Please enter an integer."}));
}

TEST_F(DlgServerPropTest, TestOfTheRegularExpressionRunsThePageDownloadThenTheTest) {
    const PageRecord page = pageFiles("page", "<p>Kurs 1,5</p>", "<>Kurs 12,50<>", " Kurs 12,50 ");
    auto editor = makeEditor(1);
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& download = static_cast<CDlgDownloadContinue&>(d);
        postPage(download.downloadTarget(), download.workerId(), page);
        EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); }));
    });
    services->modal->on("dlg_191", [&](QDialog& d) {
        auto& test = static_cast<CDlgRegExpSearch&>(d);
        EXPECT_EQ(test.m_strRawFile, page.raw);
        EXPECT_EQ(test.m_nPageFormat, 1);
        EXPECT_EQ(test.m_strDecimalSep, ",");
        EXPECT_EQ(d.windowTitle().toStdString(), "Regular Expression Test - [DE-Kurse]");
        auto* forms = idc<QComboBox>(d, IDC_PAGE_FORMAT);
        forms->setCurrentIndex(2);
        emit forms->activated(2);
        auto* expression = idc<QLineEdit>(d, IDC_REGEXP);
        expression->selectAll();
        QTest::keyClicks(expression, "Kurs [&quotation_close] ");
        click(d, IDOK);
    });
    run(*editor, [&](QDialog& d) {
        click(d, IDC_TEST_CONFIGURATION);
        EXPECT_EQ(idc<QLineEdit>(d, IDC_REGEXP)->text(), "Kurs [&quotation_close] ");
        click(d, IDOK);
    });
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_112", "dlg_192", "dlg_191"}));
    // The address of the page: the symbol put in; the page files gone once the test is over.
    EXPECT_EQ(document.calls, (std::vector<std::string>{"page https://quotes.example/q?s=ACM"}));
    EXPECT_FALSE(fs::exists(page.raw));
    EXPECT_FALSE(fs::exists(page.semiHtml));
    EXPECT_EQ(editor->m_nFormat, 2);
    EXPECT_EQ(editor->m_strRegExp, "Kurs [&quotation_close] ");

    // A cancelled download skips the test and changes nothing.
    auto again = makeEditor(1);
    services->modal->on("dlg_192", [&](QDialog& d) {
        auto& download = static_cast<CDlgDownloadContinue&>(d);
        postPage(download.downloadTarget(), download.workerId(), failure(DOWNLOAD_DETAIL_TIMEOUT));
        EXPECT_TRUE(waitUntil([&] { return download.m_bError == 1; }));
        click(d, IDCANCEL);
    });
    run(*again, [&](QDialog& d) {
        click(d, IDC_TEST_CONFIGURATION);
        click(d, IDOK);
    });
    EXPECT_EQ(again->m_nFormat, 1);
    EXPECT_EQ(again->m_strRegExp, "Kurs [&quotation_close]");
}

TEST_F(DlgServerPropTest, SaveAsTheItemsOwnStoresIntoTheItemAtOnce) {
    auto editor = makeEditor(0);
    services->modal->on("dlg_163", [&](QDialog& d) {
        EXPECT_TRUE(idc<QRadioButton>(d, IDC_SAVE_ITEM_SPECIFIC)->isChecked());
        EXPECT_EQ(idc<QComboBox>(d, IDC_SAVE_NAME)->currentText(), "DE-Kurse");
        testsupport::saveRendering(d, "save-dialog");
        click(d, IDOK);
    });
    run(*editor, [&](QDialog& d) {
        click(d, IDC_SAVE_AS);
        EXPECT_EQ(d.windowTitle().toStdString(), "Server properties - [Acme & Co]");
        click(d, IDCANCEL);
    });
    EXPECT_EQ(document.calls, (std::vector<std::string>{"store 7"}));
    ASSERT_EQ(document.stored.size(), 1u);
    EXPECT_EQ(document.stored[0].m_strName, "");
    EXPECT_EQ(document.stored[0].m_strTextBeforeValue, "Kurs");
    EXPECT_EQ(editor->m_strTemplateName, LoadString(IDS_LOCAL_DEFINITION));
    std::vector<std::string> names;
    EnumServerNames(names, *services->settings);
    EXPECT_TRUE(names.empty());
}

TEST_F(DlgServerPropTest, SaveAsATemplateWritesItUnderItsNameAndRefusesNoName) {
    ServerSettings existing = sampleSettings(0);
    ASSERT_TRUE(SaveServerSettings("US-Quotes", &existing, *services->settings));
    auto editor = makeEditor(1, LoadString(IDS_LOCAL_DEFINITION));
    services->modal->on("dlg_163", [&](QDialog& d) {
        auto* names = idc<QComboBox>(d, IDC_SAVE_NAME);
        EXPECT_EQ(names->count(), 1);
        EXPECT_EQ(names->currentText(), "");
        click(d, IDC_SAVE_TEMPLATE);
        names->setEditText("   ");
        click(d, IDOK);
        EXPECT_TRUE(d.isVisible());
        names->setEditText("  EU/Kurse\\2  ");
        click(d, IDOK);
    });
    run(*editor, [&](QDialog& d) {
        type(d, IDC_REGEXP, "Last [&quotation_close]");
        click(d, IDC_SAVE_AS);
        EXPECT_EQ(d.windowTitle().toStdString(), "Server properties - [EU/Kurse\\2]");
        click(d, IDOK);
    });
    EXPECT_EQ(services->boxes->texts(), (std::vector<std::string>{kEnterTemplateNameText}));
    EXPECT_EQ(editor->m_strTemplateName, "EU/Kurse\\2");
    EXPECT_TRUE(document.calls.empty());
    std::vector<std::string> names;
    EnumServerNames(names, *services->settings);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"EU/Kurse\\2", "US-Quotes"}));
    ServerSettings stored;
    LoadServerSettings("EU/Kurse\\2", &stored, *services->settings);
    EXPECT_EQ(stored.m_strRegExp, "Last [&quotation_close]");
    EXPECT_EQ(stored.m_nFiltering, 1);
}

TEST_F(DlgServerPropTest, OpenUrlOpensWebPagesWithNameAndSymbolEncoded) {
    auto editor = makeEditor(0);
    run(*editor, [&](QDialog& d) {
        type(d, IDC_SERVER_URL, "https://quotes.example/[&y]/q?n=[&name]&s=[&symbol]");
        click(d, IDC_OPEN_URL);
        type(d, IDC_SERVER_URL, "javascript:alert([&name])");
        click(d, IDC_OPEN_URL);
        click(d, IDCANCEL);
    });
    // (The shell shows blanks decoded; the ampersand of the name stays encoded.)
    EXPECT_EQ(services->shell->opened(),
              (std::vector<std::string>{"https://quotes.example/2024/q?n=Acme %26 Co&s=ACM"}));
}

} // namespace
