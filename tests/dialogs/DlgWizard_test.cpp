#include "ServerDialogsFixture.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgWizard.h"
#include "dialogs/DlgWizardUrl.h"
#include "retrieval/wizard.h"
#include "support/Renderings.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QUrl>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace serverdialogs;

std::string statusOf(QDialog& d) {
    return idc<QPlainTextEdit>(d, IDC_DOWNLOAD_STATUS)->toPlainText().toStdString();
}

class DlgWizardUrlTest : public ServerDialogsTest {
protected:
    std::unique_ptr<CDlgWizardUrl> makePage() {
        auto page = std::make_unique<CDlgWizardUrl>(services->bundle(), document);
        page->m_strUrl = "https://q.example/[&name]";
        page->m_strItemName = "Acme Co";
        page->m_strItemSymbol = "ACM";
        page->m_strTemplateName = "US-Quotes";
        return page;
    }
    static QPushButton* download(QDialog& d) { return idc<QPushButton>(d, IDC_WIZARD_DOWNLOAD); }
    static QPushButton* next(QDialog& d) { return idc<QPushButton>(d, IDOK); }
};

TEST_F(DlgWizardUrlTest, NextDownloadsThePageShowsItAndGoesOn) {
    const PageRecord stale = pageFiles("stale", "s", "s", "s");
    const PageRecord page = pageFiles("CVRpage", "<p>Price 12,34</p>", "<>Price 12,34<>", " Price 12,34 ");
    auto dialog = makePage();
    services->modal->on("dlg_3210", [&](QDialog& d) {
        auto& self = static_cast<CDlgWizardUrl&>(d);
        EXPECT_EQ(d.windowTitle().toStdString(), "Server Configuration Wizard - [US-Quotes]");
        EXPECT_EQ(statusOf(d), "Press next to download the web page");
        EXPECT_TRUE(download(d)->isVisible());
        EXPECT_FALSE(next(d)->isVisible());
        testsupport::saveRendering(d, "address");
        QTest::mouseClick(download(d), Qt::LeftButton);
        EXPECT_FALSE(download(d)->isEnabled());
        postPage(self.downloadTarget(), self.workerId() + 100, stale);
        postPage(self.downloadTarget(), self.workerId(), record(DOWNLOAD_CONNECTING));
        postPage(self.downloadTarget(), self.workerId(), page);
        EXPECT_TRUE(waitUntil([&] { return next(d)->isVisible(); }));
        EXPECT_FALSE(download(d)->isVisible());
        EXPECT_TRUE(statusOf(d).starts_with("The file has been successfully downloaded, the web page is displayed in "
                                            "the\nweb browser."));
        testsupport::saveRendering(d, "downloaded");
        QTest::mouseClick(next(d), Qt::LeftButton);
    });
    ASSERT_EQ(dialog->DoModal(), IDOK);
    EXPECT_EQ(document.calls, (std::vector<std::string>{"page https://q.example/Acme%20Co"}));
    EXPECT_FALSE(fs::exists(stale.raw));
    // The page is renamed to ".html" and opened; the conversions stay as they came.
    EXPECT_EQ(dialog->m_strRawFile, path("CVRpage.html").string());
    EXPECT_EQ(testsupport::readFile(dialog->m_strRawFile), "<p>Price 12,34</p>");
    EXPECT_FALSE(fs::exists(page.raw));
    EXPECT_EQ(dialog->m_strTextFile, page.text);
    EXPECT_EQ(services->shell->opened(), (std::vector<std::string>{"file://" + path("CVRpage.html").string()}));
    const PageFiles files = dialog->TakePageFiles();
    dialog.reset();
    EXPECT_TRUE(fs::exists(files.paths().raw));
}

TEST_F(DlgWizardUrlTest, AfterAnErrorOnlyAnEditEnablesTheDownloadAgain) {
    auto dialog = makePage();
    services->modal->on("dlg_3210", [&](QDialog& d) {
        auto& self = static_cast<CDlgWizardUrl&>(d);
        QTest::mouseClick(download(d), Qt::LeftButton);
        postPage(self.downloadTarget(), self.workerId(),
                 failure(DOWNLOAD_DETAIL_FILE_NOT_FOUND, "", "http://q.example/a/b.html"));
        EXPECT_TRUE(waitUntil([&] { return statusOf(d) == "Error: File not found: /a/b.html"; }));
        EXPECT_TRUE(download(d)->isVisible());
        EXPECT_FALSE(download(d)->isEnabled());
        QTest::keyClicks(idc<QLineEdit>(d, IDC_SERVER_URL), "x");
        EXPECT_TRUE(download(d)->isEnabled());
        EXPECT_EQ(statusOf(d), "Press next to download the web page");
        QTest::keyClick(idc<QLineEdit>(d, IDC_SERVER_URL), Qt::Key_Return); // the shown Next
        EXPECT_EQ(document.calls.size(), 2u);
        postPage(self.downloadTarget(), self.workerId(), record(DOWNLOAD_ABORTED));
        EXPECT_TRUE(waitUntil([&] { return statusOf(d) == "Download aborted!"; }));
        EXPECT_TRUE(d.isVisible());
        QTest::mouseClick(idc<QPushButton>(d, IDCANCEL), Qt::LeftButton);
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(document.calls.back(), "page https://q.example/Acme%20Cox");
}

TEST_F(DlgWizardUrlTest, DroppedTextReplacesTheAddressUnlessControlIsHeld) {
    auto dialog = makePage();
    dialog->show();
    QTest::mouseClick(download(*dialog), Qt::LeftButton);
    ASSERT_FALSE(download(*dialog)->isEnabled());
    const QPoint at(40, 40);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;

    QMimeData text;
    text.setText("https://dropped.example/quote?id=1");
    QDragEnterEvent enterWithControl(at, offered, &text, Qt::LeftButton, Qt::ControlModifier);
    QCoreApplication::sendEvent(dialog.get(), &enterWithControl);
    EXPECT_TRUE(enterWithControl.isAccepted());
    EXPECT_EQ(enterWithControl.dropAction(), Qt::CopyAction);
    QDragMoveEvent overWithControl(at, offered, &text, Qt::LeftButton, Qt::ControlModifier);
    QCoreApplication::sendEvent(dialog.get(), &overWithControl);
    EXPECT_FALSE(overWithControl.isAccepted());

    QDragEnterEvent enter(at, offered, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &enter);
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    QDragMoveEvent over(at, offered, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &over);
    EXPECT_TRUE(over.isAccepted());
    EXPECT_EQ(over.dropAction(), Qt::MoveAction);
    QDropEvent drop(QPointF(at), offered, &text, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(dialog.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(idc<QLineEdit>(*dialog, IDC_SERVER_URL)->text(), "https://dropped.example/quote?id=1");
    EXPECT_TRUE(download(*dialog)->isEnabled());
    EXPECT_EQ(dialog->m_strUrl, "https://dropped.example/quote?id=1");

    QMimeData link;
    link.setUrls({QUrl("https://links.example/p")});
    QDropEvent dropLink(QPointF(at), offered, &link, Qt::LeftButton, Qt::NoModifier);
    dropLink.setDropAction(Qt::MoveAction);
    QDragEnterEvent enterLink(at, offered, &link, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &enterLink);
    QDragMoveEvent overLink(at, offered, &link, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &overLink);
    QCoreApplication::sendEvent(dialog.get(), &dropLink);
    EXPECT_EQ(idc<QLineEdit>(*dialog, IDC_SERVER_URL)->text(), "https://links.example/p");

    QMimeData picture;
    picture.setData("image/png", QByteArray("\x89PNG"));
    QDragEnterEvent enterPicture(at, offered, &picture, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &enterPicture);
    EXPECT_FALSE(enterPicture.isAccepted());
}

TEST_F(DlgWizardUrlTest, ClosingDuringTheDownloadStopsItAndItsFilesGo) {
    const PageRecord page = pageFiles("late", "a", "b", "c");
    auto dialog = makePage();
    dialog->show();
    QTest::mouseClick(download(*dialog), Qt::LeftButton);
    const ReceiverId target = dialog->downloadTarget();
    const std::uint32_t worker = dialog->workerId();
    QTest::mouseClick(idc<QPushButton>(*dialog, IDCANCEL), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), IDCANCEL);
    dialog.reset();
    EXPECT_EQ(document.calls.back(), "abort");
    // The worker had finished before it saw the abort.
    postPage(target, worker, page);
    settle();
    EXPECT_FALSE(fs::exists(page.raw));
    EXPECT_FALSE(fs::exists(page.semiHtml));
    EXPECT_FALSE(fs::exists(page.text));
}

// Boxes that, while shown, let the queued records arrive, and note what the page held meanwhile.
class BoxesThatRunEvents : public testsupport::FakeMessageBoxes {
public:
    std::function<void()> whileShown;
    int messageBox(std::string_view text, unsigned type, std::string_view caption) override {
        settle();
        if (whileShown)
            whileShown();
        return FakeMessageBoxes::messageBox(text, type, caption);
    }
};

class DlgWizardTest : public ServerDialogsTest {
protected:
    // The rule page on three page files; form 2 (text-only), separators " 9999,99".
    std::unique_ptr<CDlgWizard> makePage(const Services& bundle, int form = 2) {
        const PageRecord files =
            pageFiles("page", "<p>Price 12,34 EUR</p>", "<>Price<>12,34 EUR<>", " Price 12,34 EUR ");
        auto page = std::make_unique<CDlgWizard>(bundle);
        page->m_strItemName = "Acme";
        page->m_strTemplateName = "US-Quotes";
        page->m_nPageFormat = form;
        page->m_strThousandsSep = "";
        page->m_strDecimalSep = ",";
        page->m_strRawFile = files.raw;
        page->m_strSemiHtmlFile = files.semiHtml;
        page->m_strTextFile = files.text;
        return page;
    }
    static void enter(QDialog& d, const QString& quotation) {
        auto* edit = idc<QLineEdit>(d, IDC_WIZARD_QUOTATION);
        edit->clear();
        QTest::keyClicks(edit, quotation);
        QTest::mouseClick(idc<QPushButton>(d, IDC_GET_CONFIGURATION), Qt::LeftButton);
    }
    static QListWidget* rules(QDialog& d) { return idc<QListWidget>(d, IDC_RULE_LIST); }
    static QProgressBar* progressBar(QDialog& d) { return idc<QProgressBar>(d, IDC_WIZARD_PROGRESS); }
    static bool searchDone(QDialog& d) { return !progressBar(d)->isVisible(); }
};

TEST_F(DlgWizardTest, WrongInputsAreToldAndTheFirstRuleIsSelectedAndHighlighted) {
    auto page = makePage(services->bundle());
    services->modal->on("dlg_173", [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Server Configuration Wizard - [US-Quotes]");
        EXPECT_FALSE(progressBar(d)->isVisible());
        EXPECT_FALSE(idc<QPushButton>(d, IDOK)->isEnabled());
        EXPECT_EQ(idc<QComboBox>(d, IDC_SEPARATORS)->currentIndex(), 1);
        enter(d, "");
        enter(d, "12.34");
        enter(d, "99,99");
        EXPECT_EQ(rules(d)->count(), 0);
        enter(d, "12,34");
        EXPECT_EQ(progressBar(d)->maximum(), 24);
        EXPECT_TRUE(waitUntil([&] { return searchDone(d); }));
        ASSERT_GE(rules(d)->count(), 1);
        EXPECT_EQ(rules(d)->item(0)->text().toStdString(), "find text \"Price\" and skip 0 number(s)");
        EXPECT_EQ(rules(d)->currentRow(), 0);
        EXPECT_EQ(idc<QPlainTextEdit>(d, IDC_PAGE_DISPLAY)->textCursor().selectedText(), "Price 12,34");
        EXPECT_TRUE(idc<QPushButton>(d, IDOK)->isEnabled());
        testsupport::saveRendering(d, "rules");
        // Return in the list takes the rule; it neither searches again nor ends the page.
        const int count = rules(d)->count();
        rules(d)->setFocus();
        QTest::keyClick(rules(d), Qt::Key_Return);
        settle();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(rules(d)->count(), count);
        QTest::mouseClick(idc<QPushButton>(d, IDOK), Qt::LeftButton);
    });
    ASSERT_EQ(page->DoModal(), IDOK);
    EXPECT_EQ(services->boxes->texts(),
              (std::vector<std::string>{"Please enter the quotation to be extracted!",
                                        "Please correct quotation's thousands/decimal separator format!",
                                        "Quotation doesn't exist in the specified web page!"}));
    EXPECT_EQ(page->m_strAnchorText, "Price");
    EXPECT_EQ(page->m_nTagsToSkip, 0);
    EXPECT_EQ(page->m_nNumbersToSkip, 0);
    EXPECT_EQ(page->m_nPageFormat, 2);
    EXPECT_EQ(page->m_strThousandsSep, "");
    EXPECT_EQ(page->m_strDecimalSep, ",");
}

TEST_F(DlgWizardTest, SemiHtmlSearchesTagsAndAnotherFormClearsTheRules) {
    auto page = makePage(services->bundle(), 1);
    page->show();
    enter(*page, "12,34");
    EXPECT_EQ(progressBar(*page)->maximum(), 384);
    ASSERT_TRUE(waitUntil([&] { return searchDone(*page); }));
    ASSERT_GE(rules(*page)->count(), 1);
    EXPECT_EQ(rules(*page)->item(0)->text().toStdString(), "find text \"Price\" and skip 1 html tag(s)");
    EXPECT_TRUE(idc<QPushButton>(*page, IDOK)->isEnabled());
    auto* forms = idc<QComboBox>(*page, IDC_PAGE_FORMAT);
    forms->setCurrentIndex(0);
    emit forms->activated(0);
    EXPECT_EQ(rules(*page)->count(), 0);
    EXPECT_TRUE(page->m_Rules.empty());
    EXPECT_FALSE(idc<QPushButton>(*page, IDOK)->isEnabled());
    EXPECT_EQ(idc<QPlainTextEdit>(*page, IDC_PAGE_DISPLAY)->toPlainText(), "<p>Price 12,34 EUR</p>");
}

TEST_F(DlgWizardTest, ResultsOfAnEarlierSearchAreDroppedAndThoseDuringABoxWaitForIt) {
    auto boxes = std::make_shared<BoxesThatRunEvents>();
    Services bundle = services->bundle();
    bundle.boxes = boxes;
    auto page = makePage(bundle);
    page->show();
    enter(*page, "12,34");
    ASSERT_TRUE(waitUntil([&] { return searchDone(*page); }));
    const int found = rules(*page)->count();

    const auto result = [](std::uint64_t searchId, const char* anchor) {
        auto r = std::make_unique<WizardResult>();
        r->m_nSearchId = searchId;
        r->m_pRule = std::make_unique<CExtractionRule>();
        r->m_pRule->m_strText = anchor;
        return r;
    };
    MessageTarget::instance().post(page->resultTarget(), WMU_WIZARD_RESULT, result(page->searchId() - 1, "Old"));
    settle();
    EXPECT_EQ(rules(*page)->count(), found);

    int countWhileShown = -1;
    boxes->whileShown = [&] { countWhileShown = rules(*page)->count(); };
    MessageTarget::instance().post(page->resultTarget(), WMU_WIZARD_RESULT, result(page->searchId(), "Held"));
    enter(*page, ""); // "Please enter the quotation to be extracted!"
    EXPECT_EQ(countWhileShown, found);
    settle();
    ASSERT_EQ(rules(*page)->count(), found + 1);
    EXPECT_EQ(rules(*page)->item(found)->text().toStdString(), "find text \"Held\" and skip 0 number(s)");
}

TEST_F(DlgWizardTest, BackEndsThePageForTheFirstPage) {
    auto page = makePage(services->bundle());
    services->modal->on("dlg_173",
                        [](QDialog& d) { QTest::mouseClick(idc<QPushButton>(d, IDC_WIZARD_BACK), Qt::LeftButton); });
    EXPECT_EQ(page->DoModal(), IDCANCEL);
    EXPECT_EQ(page->m_bBack, 1);
}

TEST(WizardRuleText, ThreeWordings) {
    CExtractionRule rule;
    rule.m_strText = "Last";
    rule.m_nNumbers = 2;
    EXPECT_EQ(RuleText(rule), "find text \"Last\" and skip 2 number(s)");
    rule.m_nTags = 3;
    EXPECT_EQ(RuleText(rule), "find text \"Last\", skip 3 html tag(s) and then skip 2 number(s)");
    rule.m_nNumbers = 0;
    EXPECT_EQ(RuleText(rule), "find text \"Last\" and skip 3 html tag(s)");
}

} // namespace
