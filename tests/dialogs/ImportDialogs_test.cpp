// The import wizard's pages, the template's save dialog and the import interval question as the
// user meets them, run through the scripted modal runner; the second page downloads for real,
// from file:// pages and from the loopback server, and its records arrive through the event loop.
#include "dialogs/DlgImport.h"
#include "dialogs/DlgImportQuotationsInterval.h"
#include "dialogs/DlgImportServerSaveAs.h"
#include "dialogs/DlgImportSource.h"
#include "dialogs/ImportDialogIds.h"
#include "framework/StringTable.h"
#include "platform/Settings.h"
#include "portfolio/PortfolioHost.h"
#include "retrieval/ServerConfigStore.h"
#include "retrieval/UpdateFixture.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace downloadtest;
using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

template <class W = QWidget> W* child(QDialog& d, unsigned id) {
    W* w = d.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

void click(QDialog& d, unsigned id) {
    QTest::mouseClick(child<QPushButton>(d, id), Qt::LeftButton);
}

// A click on a radio button's circle.
void choose(QDialog& d, unsigned id) {
    auto* radio = child<QRadioButton>(d, id);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
}

std::string statusText(QDialog& d) {
    return child<QPlainTextEdit>(d, IDC_IMPORT_STATUS)->toPlainText().toStdString();
}

// The loaded state: the second "Next >" instead of the first, both view buttons enabled.
bool loaded(QDialog& d) {
    return !child(d, IDOK)->isHidden() && child(d, IDC_IMPORT_DOWNLOAD)->isHidden() &&
           child(d, IDC_IMPORT_VIEW_TEXT)->isEnabled();
}

// The text of string 41003 as the status shows it.
std::string loadedText() {
    return QString::fromStdString(LoadString(IDS_IMPORT_FILE_LOADED)).replace("\r\n", "\n").toStdString();
}

// A page of more than 200 bytes, and one of a few.
std::string bigBlock(char tag) {
    return std::string(300, tag) + "\n";
}
const std::string kSmallBlock = "none\n";

class ImportDialogsTest : public UpdateTest {
protected:
    void SetUp() override {
        UpdateTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        services.reset();
        UpdateTest::TearDown();
    }

    // A second page over the test's document for `url` and the frame 1 January 2005 + 100 days.
    std::unique_ptr<CDlgImport> makePage(const std::string& url) {
        auto page = std::make_unique<CDlgImport>(services->bundle());
        page->m_pDocument = doc.get();
        page->m_strTitle = "Import historical quotations for \"Acme\"";
        page->m_strSymbol = "ACM";
        page->m_strUrl = url;
        page->m_strTemplateName = kImportTemplateNew;
        page->m_dtBegin = OleDate(2005, 1, 1, 0, 0, 0);
        page->m_dtEnd = page->m_dtBegin + OleDateSpan(100LL, 0, 0, 0);
        return page;
    }

    void storeTemplate(const std::string& name, const std::string& symbolInfo = {}) {
        ImportServerSettings stored;
        stored.m_strURL = "https://quotes.example/[&symbol]";
        stored.m_strSymbolInfo = symbolInfo;
        ASSERT_TRUE(SaveImportServerSettings(name, &stored, *services->settings));
        // The note is stored with the template, never written by a save.
        if (!symbolInfo.empty()) {
            ASSERT_TRUE(
                services->settings->writeString(SettingsKey("ImportServer").child(name), "SymbolInfo", symbolInfo));
        }
    }

    std::vector<std::string> storedTemplates() const {
        std::vector<std::string> names;
        EnumImportServerNames(names, *services->settings);
        return names;
    }

    // A local page of the test.
    std::string localPage(const std::string& name, const std::string& text) {
        const auto file = path(name);
        testsupport::writeFile(file, text);
        return "file://" + file.string();
    }

    std::unique_ptr<testsupport::FakeServices> services;
};

// --- First page ------------------------------------------------------------------------------------

TEST_F(ImportDialogsTest, SourcePageOffersTheTemplatesWithTheirNoteOrALocalFile) {
    storeTemplate("Quotes", "expects the ISIN");
    storeTemplate("Alpha");
    services->files->choose({path("prices")});

    CDlgImportSource source(services->bundle());
    source.m_strTitle = "Import historical quotations for \"Acme\"";
    source.m_strSymbol = "ACM";
    source.m_strTemplate = "quo"; // the first entry that starts with it
    source.m_dtBegin = OleDate(2024, 4, 17, 12, 0, 0);
    source.m_dtEnd = OleDate(2024, 5, 17, 12, 0, 0);
    services->modal->on("dlg_194", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Import historical quotations for \"Acme\"");
        auto* templates = child<QComboBox>(d, IDC_IMPORT_TEMPLATE);
        QStringList names;
        for (int i = 0; i < templates->count(); ++i)
            names << templates->itemText(i);
        EXPECT_EQ(names, QStringList({"-- New --", "Alpha", "Quotes"}));
        EXPECT_EQ(templates->currentText(), "Quotes");
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_TEMPLATE_INFO)->text(), "For server \"Quotes\" expects the ISIN");
        EXPECT_EQ(child<QLineEdit>(d, IDC_IMPORT_SYMBOL)->text(), "ACM");
        EXPECT_EQ(child<QDateEdit>(d, IDC_IMPORT_BEGIN)->date(), QDate(2024, 4, 17));
        EXPECT_TRUE(templates->isEnabled());
        EXPECT_FALSE(child(d, IDC_IMPORT_FILE_PATH)->isEnabled());
        EXPECT_FALSE(child(d, IDC_IMPORT_BACK)->isEnabled());
        testsupport::saveRendering(d, "internet download");

        templates->setFocus();
        QTest::keyClick(templates, Qt::Key_Up); // Alpha, which has no note
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_TEMPLATE_INFO)->text(), "");

        choose(d, IDC_IMPORT_SOURCE_FILE);
        EXPECT_FALSE(templates->isEnabled());
        EXPECT_FALSE(child(d, IDC_IMPORT_SYMBOL)->isEnabled());
        EXPECT_TRUE(child(d, IDC_IMPORT_FILE_PATH)->isEnabled());
        click(d, IDC_IMPORT_SELECT_FILE);
        EXPECT_TRUE(child<QLineEdit>(d, IDC_IMPORT_FILE_PATH)->text().endsWith("/prices"));
        testsupport::saveRendering(d, "local file");
        click(d, IDC_IMPORT_SOURCE_NEXT);
    });
    ASSERT_EQ(source.DoModal(), IDOK);
    EXPECT_FALSE(source.m_bFinish);
    EXPECT_EQ(source.m_nSource, 1);
    EXPECT_EQ(source.m_strFilePath, path("prices").string());
    EXPECT_EQ(source.m_strTemplate, "Alpha");
    // The file question shows every file, also those without an extension.
    const auto questions = services->files->asked(); // a copy, kept for the reference into it below
    ASSERT_EQ(questions.size(), 1u);
    const FileDialogRequest& asked = questions[0].request;
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].patterns, "*");

    // The next run with these values: Return is "Finish"; a template that is gone leaves "-- New --".
    CDlgImportSource again(services->bundle());
    static_cast<ImportSourceValues&>(again) = source;
    again.m_strTemplate = "Gone";
    services->modal->on("dlg_194", [](QDialog& d) {
        EXPECT_EQ(child<QComboBox>(d, IDC_IMPORT_TEMPLATE)->currentText(), "-- New --");
        EXPECT_TRUE(child(d, IDC_IMPORT_FILE_PATH)->isEnabled()); // the last source again
        QTest::keyClick(child(d, IDC_IMPORT_FILE_PATH), Qt::Key_Return);
    });
    ASSERT_EQ(again.DoModal(), IDOK);
    EXPECT_TRUE(again.m_bFinish);
    EXPECT_EQ(again.m_strTemplate, kImportTemplateNew);
    EXPECT_EQ(again.m_strFilePath, path("prices").string());
}

// --- Second page -----------------------------------------------------------------------------------

TEST_F(ImportDialogsTest, AnUnusableUrlHidesFinishAndDisablesNext) {
    auto page = makePage("ftp://x");
    services->modal->on("dlg_3207", [](QDialog& d) {
        auto* url = child<QLineEdit>(d, IDC_IMPORT_URL);
        EXPECT_FALSE(child(d, IDC_IMPORT_DOWNLOAD)->isEnabled());
        EXPECT_TRUE(child(d, IDC_IMPORT_FINISH)->isHidden());
        EXPECT_TRUE(child(d, IDOK)->isHidden());
        EXPECT_FALSE(child(d, IDC_IMPORT_DELETE)->isEnabled()); // "-- New --" is no stored template
        testsupport::saveRendering(d, "unusable url");
        url->setFocus();
        url->selectAll();
        QTest::keyClicks(url, " http://a ");
        EXPECT_EQ(url->text(), "http://a"); // trimmed as it is typed
        EXPECT_TRUE(child(d, IDC_IMPORT_DOWNLOAD)->isEnabled());
        EXPECT_FALSE(child(d, IDC_IMPORT_FINISH)->isHidden());
        testsupport::saveRendering(d, "usable url");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(page->DoModal(), IDCANCEL);
    EXPECT_EQ(page->m_bBack, 0);
}

// The case of the block token: blocks of 30 days over 100 days from 1 January 2005; the server's
// block at day 90 adds no more than 200 bytes. "Next >" and "Finish" wait while the blocks come.
TEST_F(ImportDialogsTest, BlockDownloadFetchesFourBlocksThenShowsTheLoadedState) {
    LoopbackHttpServer server;
    server.replySequence("/q", {HttpReply::page(bigBlock('a')), HttpReply::page(bigBlock('b')),
                                HttpReply::page(bigBlock('c')), HttpReply::page(kSmallBlock)});
    auto page = makePage(server.url("/q?a=[&month_begin-1]&c=[&year_begin_short][&chunk_30]"));
    services->modal->on("dlg_3207", [&](QDialog& d) {
        EXPECT_FALSE(child(d, IDC_IMPORT_VIEW_TEXT)->isEnabled());
        testsupport::saveRendering(d, "download state");
        click(d, IDC_IMPORT_DOWNLOAD);
        EXPECT_FALSE(child(d, IDC_IMPORT_DOWNLOAD)->isEnabled());
        EXPECT_FALSE(child(d, IDC_IMPORT_FINISH)->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([&] { return statusText(d).starts_with("Downloading block"); }, 10000));
        testsupport::saveRendering(d, "downloading");
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded(d); }, 20000));
        EXPECT_EQ(statusText(d), loadedText());
        EXPECT_FALSE(child(d, IDC_IMPORT_FINISH)->isHidden());
        EXPECT_TRUE(child(d, IDC_IMPORT_FINISH)->isEnabled());
        testsupport::saveRendering(d, "loaded");
        click(d, IDOK);
    });
    ASSERT_EQ(page->DoModal(), IDOK);
    EXPECT_FALSE(page->m_bFinish);
    std::vector<std::string> queries;
    for (const std::string& target : server.targets())
        queries.push_back(target.substr(target.find('?') + 1));
    EXPECT_EQ(queries, (std::vector<std::string>{"a=0&c=5", "a=0&c=5", "a=2&c=5", "a=3&c=5"}));
    EXPECT_EQ(page->m_strImportFile, page->files().m_strRawFile);
    EXPECT_EQ(testsupport::readFile(page->m_strImportFile),
              bigBlock('a') + bigBlock('b') + bigBlock('c') + kSmallBlock);
}

TEST_F(ImportDialogsTest, ABlockOfZeroDaysCoveringTheFrameIsOnePlainDownload) {
    LoopbackHttpServer server;
    server.reply("/q", HttpReply::page(bigBlock('a')));
    auto page = makePage(server.url("/q?from=[&year_begin]&to=[&year_end][&chunk_0]"));
    services->modal->on("dlg_3207", [&](QDialog& d) {
        click(d, IDC_IMPORT_DOWNLOAD);
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded(d); }, 20000));
        click(d, IDOK);
    });
    ASSERT_EQ(page->DoModal(), IDOK);
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/q?from=2005&to=2005"});
}

// "Finish" downloads and closes the page by itself once the data is there: pressed on the page, or
// on the first page, which hands its finish over.
TEST_F(ImportDialogsTest, FinishDownloadsAndCloses) {
    for (const bool fromFirstPage : {false, true}) {
        SCOPED_TRACE(fromFirstPage ? "finish on the first page" : "finish on this page");
        auto page = makePage(localPage("prices.csv", "2024-03-01;10.5\n"));
        page->m_bFinish = fromFirstPage;
        services->modal->on("dlg_3207", [&](QDialog& d) {
            if (!fromFirstPage)
                click(d, IDC_IMPORT_FINISH);
            EXPECT_TRUE(child(d, IDC_IMPORT_FINISH)->isHidden());
            ASSERT_TRUE(QTest::qWaitFor([&] { return !d.isVisible(); }, 20000));
        });
        ASSERT_EQ(page->DoModal(), IDOK);
        EXPECT_TRUE(page->m_bFinish);
        EXPECT_EQ(testsupport::readFile(page->m_strImportFile), "2024-03-01;10.5\n");
    }
}

// Errors show their text and the download state again; "Next >" pressed after a failed "Finish"
// stops at the loaded data.
TEST_F(ImportDialogsTest, ErrorsShowTheirTextAndTheDownloadStateAgain) {
    LoopbackHttpServer server;
    server.reply("/fine", HttpReply::page(bigBlock('a')));
    const std::string missing = server.url("/missing?s=ACM");
    auto page = makePage(missing);
    page->m_bFinish = true;
    services->modal->on("dlg_3207", [&](QDialog& d) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return statusText(d).starts_with("Error"); }, 20000));
        EXPECT_EQ(statusText(d), "Error: File not found: " + missing);
        EXPECT_FALSE(child(d, IDC_IMPORT_DOWNLOAD)->isHidden());
        EXPECT_TRUE(child(d, IDC_IMPORT_DOWNLOAD)->isEnabled());
        EXPECT_FALSE(child(d, IDC_IMPORT_FINISH)->isHidden());
        EXPECT_TRUE(d.isVisible());
        testsupport::saveRendering(d, "error");
        auto* url = child<QLineEdit>(d, IDC_IMPORT_URL);
        url->setText(QString::fromStdString(server.url("/fine")));
        click(d, IDC_IMPORT_DOWNLOAD);
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded(d); }, 20000));
        EXPECT_TRUE(d.isVisible());
        click(d, IDOK);
    });
    ASSERT_EQ(page->DoModal(), IDOK);
    EXPECT_FALSE(page->m_bFinish);
}

// A URL changed while its download runs forgets that download: what it brings is not the new
// URL's data, and its files are not left behind.
TEST_F(ImportDialogsTest, ChangingTheUrlForgetsTheRunningDownload) {
    LoopbackHttpServer server;
    HttpReply slow = HttpReply::page(bigBlock('a'));
    slow.delay = std::chrono::milliseconds(300);
    server.reply("/slow", slow);
    auto page = makePage(server.url("/slow"));
    services->modal->on("dlg_3207", [&](QDialog& d) {
        click(d, IDC_IMPORT_DOWNLOAD);
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount() > 0; }, 10000));
        child<QLineEdit>(d, IDC_IMPORT_URL)->setText(QString::fromStdString(server.url("/other")));
        EXPECT_TRUE(child(d, IDC_IMPORT_DOWNLOAD)->isEnabled());
        EXPECT_TRUE(m_manager.waitForWorkers(std::chrono::seconds(20)));
        QTest::qWait(100); // the records reach the event loop
        EXPECT_FALSE(loaded(d));
        EXPECT_EQ(statusText(d), "");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(page->DoModal(), IDCANCEL);
    EXPECT_TRUE(page->files().m_strRawFile.empty());
    EXPECT_TRUE(tmpFiles().empty());
}

// Viewing gives the file the viewer's extension; the import reads it under its new name.
TEST_F(ImportDialogsTest, ViewingRenamesTheDownloadedFileAndOpensIt) {
    auto page = makePage(localPage("prices.csv", "2024-03-01;10.5\n"));
    page->m_nConversion = 2;
    services->modal->on("dlg_3207", [&](QDialog& d) {
        click(d, IDC_IMPORT_DOWNLOAD);
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded(d); }, 20000));
        EXPECT_TRUE(page->m_strImportFile.ends_with(".tmp")) << page->m_strImportFile;
        click(d, IDC_IMPORT_VIEW_TEXT);
        click(d, IDOK);
    });
    ASSERT_EQ(page->DoModal(), IDOK);
    const std::filesystem::path viewed = page->m_strImportFile;
    EXPECT_EQ(viewed.extension(), ".txt");
    EXPECT_EQ(page->files().m_strTextFile, viewed.string());
    EXPECT_EQ(testsupport::readFile(viewed), "2024-03-01;10.5\n");
    ASSERT_EQ(services->shell->opened().size(), 1u);
    EXPECT_TRUE(services->shell->opened()[0].ends_with(viewed.filename().string()));
    for (const std::string& name : tmpFiles())
        EXPECT_NE(name, viewed.stem().string() + ".tmp");
}

// Save As stores the page's settings under a name that is not blank; Delete removes that template
// without asking and returns to the first page, which no longer lists it.
TEST_F(ImportDialogsTest, SaveAsThenDeleteReturnsToTheFirstPageWithoutTheTemplate) {
    storeTemplate("Other");
    auto page = makePage("https://quotes.example/q?s=[&symbol]&y=[&year_begin][&chunk_60]");
    page->m_nConversion = 1;
    page->m_strDataFormat = "[&day].[&month].[&year];[&quotation_close]";
    services->modal->on("dlg_3207", [](QDialog& d) {
        EXPECT_FALSE(child(d, IDC_IMPORT_DELETE)->isEnabled());
        click(d, IDC_IMPORT_SAVE_AS);
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_TEMPLATE_NAME)->text(), "My quotes");
        EXPECT_TRUE(child(d, IDC_IMPORT_DELETE)->isEnabled());
        click(d, IDC_IMPORT_DELETE);
    });
    services->modal->on("dlg_30735", [](QDialog& d) {
        auto* name = child<QComboBox>(d, IDC_IMPORT_TEMPLATE);
        EXPECT_EQ(name->count(), 1); // "Other"
        name->lineEdit()->setFocus();
        QTest::keyClicks(name->lineEdit(), "   ");
        EXPECT_FALSE(child(d, IDOK)->isEnabled());
        testsupport::saveRendering(d, "blank name");
        name->lineEdit()->clear();
        QTest::keyClicks(name->lineEdit(), "My quotes");
        EXPECT_TRUE(child(d, IDOK)->isEnabled());
        testsupport::saveRendering(d, "named");
        click(d, IDOK);
    });
    EXPECT_EQ(page->DoModal(), IDCANCEL);
    EXPECT_EQ(page->m_bBack, 1);
    EXPECT_EQ(storedTemplates(), std::vector<std::string>{"Other"});

    CDlgImportSource source(services->bundle());
    source.m_strTemplate = "My quotes";
    services->modal->on("dlg_194", [](QDialog& d) {
        auto* templates = child<QComboBox>(d, IDC_IMPORT_TEMPLATE);
        EXPECT_EQ(templates->count(), 2);
        EXPECT_EQ(templates->findText("My quotes"), -1);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(source.DoModal(), IDCANCEL);
}

TEST_F(ImportDialogsTest, SavedTemplateHoldsThePagesSettings) {
    auto page = makePage("https://quotes.example/q?s=[&symbol]&y=[&year_begin][&chunk_60]");
    page->m_nConversion = 1;
    page->m_strThousandsSep = ".";
    page->m_strDecimalSep = ",";
    page->m_bCaseInsensitive = 0;
    page->m_strDataFormat = "[&day].[&month].[&year];[&quotation_close]";
    services->modal->on("dlg_3207", [](QDialog& d) {
        EXPECT_EQ(child<QComboBox>(d, IDC_IMPORT_SEPARATORS)->currentText(), "9.999,99");
        click(d, IDC_IMPORT_SAVE_AS);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    services->modal->on("dlg_30735", [](QDialog& d) {
        QTest::keyClicks(child<QComboBox>(d, IDC_IMPORT_TEMPLATE)->lineEdit(), "Mine");
        click(d, IDOK);
    });
    EXPECT_EQ(page->DoModal(), IDCANCEL);
    ImportServerSettings stored;
    LoadImportServerSettings("Mine", &stored, *services->settings);
    EXPECT_EQ(stored.m_strURL, "https://quotes.example/q?s=[&symbol]&y=[&year_begin][&chunk_60]");
    EXPECT_EQ(stored.m_nFormat, 1);
    EXPECT_EQ(stored.m_strThousands, ".");
    EXPECT_EQ(stored.m_strDecimal, ",");
    EXPECT_EQ(stored.m_bNoCaseSensitive, 0);
    EXPECT_EQ(stored.m_strRegExp, "[&day].[&month].[&year];[&quotation_close]");
}

// A download that ends while the template's save dialog is open is shown once, after it closes.
TEST_F(ImportDialogsTest, ARecordArrivingWhileADialogIsOpenIsHandledOnceAfterIt) {
    auto page = makePage(localPage("prices.csv", "2024-03-01;10.5\n"));
    int loadedShown = 0;
    services->modal->on("dlg_3207", [&](QDialog& d) {
        QObject::connect(child<QPlainTextEdit>(d, IDC_IMPORT_STATUS), &QPlainTextEdit::textChanged, [&] {
            if (statusText(d) == loadedText())
                ++loadedShown;
        });
        click(d, IDC_IMPORT_DOWNLOAD);
        click(d, IDC_IMPORT_SAVE_AS);
        EXPECT_TRUE(loaded(d));
        EXPECT_EQ(loadedShown, 1);
        click(d, IDOK);
    });
    services->modal->on("dlg_30735", [&](QDialog& saveAs) {
        EXPECT_TRUE(m_manager.waitForWorkers(std::chrono::seconds(20)));
        QTest::qWait(100); // the records reach the event loop
        QDialog& d = *page;
        EXPECT_FALSE(loaded(d));
        EXPECT_EQ(loadedShown, 0);
        QTest::keyClick(&saveAs, Qt::Key_Escape);
    });
    ASSERT_EQ(page->DoModal(), IDOK);
    EXPECT_EQ(testsupport::readFile(page->m_strImportFile), "2024-03-01;10.5\n");
}

// Return in the data format never ends the page: it downloads while "Next >" 1166 is there and
// does nothing once the data is loaded. A typed format joins the formats used before.
TEST_F(ImportDialogsTest, ReturnInTheDataFormatDoesNotAcceptThePage) {
    auto page = makePage(localPage("prices.csv", "2024-03-01;10.5\n"));
    page->m_DataFormats = {kDefaultImportDataFormat};
    services->modal->on("dlg_3207", [&](QDialog& d) {
        auto* format = child<QComboBox>(d, IDC_IMPORT_DATA_FORMAT);
        EXPECT_EQ(format->currentText().toStdString(), kDefaultImportDataFormat);
        format->lineEdit()->setFocus();
        format->lineEdit()->selectAll();
        QTest::keyClicks(format->lineEdit(), "[&year]-[&month]-[&day];[&quotation_close]");
        QTest::keyClick(format->lineEdit(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded(d); }, 20000));
        QTest::keyClick(format->lineEdit(), Qt::Key_Return);
        QTest::qWait(50);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(loaded(d));
        // Back from the loaded data to the download state, then back to the first page.
        click(d, IDC_IMPORT_BACK);
        EXPECT_FALSE(loaded(d));
        EXPECT_EQ(statusText(d), "");
        EXPECT_TRUE(d.isVisible());
        click(d, IDC_IMPORT_BACK);
    });
    EXPECT_EQ(page->DoModal(), IDCANCEL);
    EXPECT_EQ(page->m_bBack, 1);
    EXPECT_EQ(page->m_strDataFormat, "[&year]-[&month]-[&day];[&quotation_close]");
    EXPECT_EQ(page->m_DataFormats,
              (std::vector<std::string>{kDefaultImportDataFormat, "[&year]-[&month]-[&day];[&quotation_close]"}));
}

// --- Import interval question --------------------------------------------------------------------

TEST_F(ImportDialogsTest, IntervalQuestionShowsTheFoundQuotationsAndHandsBackTheFrame) {
    ImportIntervalQuestion question;
    question.itemName = "Acme";
    question.summary = "03/01/24  10.5000\n...\n03/01/24  10.5000";
    question.countLine = "1 quotations found:";
    question.begin = OleDate(2024, 3, 1, 0, 0, 0);
    question.end = OleDate(2024, 3, 1, 23, 59, 59);
    services->modal->on("dlg_3215", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Import Quotations");
        EXPECT_EQ(child<QLabel>(d, IDC_ITEM_NAME)->text(), "Acme");
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_FOUND)->text(), "1 quotations found:");
        EXPECT_EQ(child<QLabel>(d, IDC_IMPORT_QUOTATIONS)->text(), "03/01/24  10.5000\n...\n03/01/24  10.5000");
        testsupport::saveRendering(d, "one quotation");
        child<QDateEdit>(d, IDC_INTERVAL_TO)->setDate(QDate(2024, 3, 2));
        click(d, IDOK);
    });
    ASSERT_TRUE(AskImportIntervalWithDialog(question, services->bundle()));
    EXPECT_EQ(question.begin.Format("%Y-%m-%d %H:%M:%S"), "2024-03-01 00:00:00");
    EXPECT_EQ(question.end.Format("%Y-%m-%d %H:%M:%S"), "2024-03-02 23:59:59");

    services->modal->on("dlg_3215", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_FALSE(AskImportIntervalWithDialog(question, services->bundle()));
}

} // namespace
