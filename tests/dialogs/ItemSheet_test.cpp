// The item property sheet on a real portfolio: which pages open for which item and request, what
// OK stores and what Cancel keeps, the Quotations page's rows and buttons, the exchange-rate item,
// linked items chosen by identity, the General page's template list, hint and addresses, the
// Chart page's rules and the note's line ends. Every page and dialog is saved as a rendering.
#include "controls/WinGdi.h"
#include "dialogs/CurrencyTable.h"
#include "dialogs/DlgCreateCurrencyExchangeItem.h"
#include "dialogs/DlgZoomNote.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/ItemSheetParts.h"
#include "dialogs/WPPropertiesSheet.h"
#include "dialogs/ImportDialogIds.h"
#include "dialogs/TransactionIds.h"
#include "controls/StripedList.h"
#include "framework/StringTable.h"
#include "platform/Settings.h"
#include "retrieval/ServerConfigStore.h"
#include "portfolio/WPapierDoc.h"
#include "support/FakePortfolioHost.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

namespace {

template <class W> W* child(QWidget& d, unsigned id) {
    W* w = d.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

QWidget& pageOf(QWidget& sheet, unsigned id) {
    auto* page = sheet.findChild<QWidget*>(QStringLiteral("dlg_%1").arg(id));
    EXPECT_NE(page, nullptr) << "dlg_" << id;
    return *page;
}

void click(QWidget& d, unsigned id) {
    auto* button = child<QAbstractButton>(d, id);
    ASSERT_NE(button, nullptr);
    button->click();
}

std::vector<QString> tabs(QWidget& sheet) {
    std::vector<QString> out;
    auto* tab = sheet.findChild<QTabWidget*>(Dialog::controlName(IDC_TAB_CONTROL));
    for (int i = 0; tab && i < tab->count(); ++i)
        out.push_back(tab->tabText(i));
    return out;
}

QString activeTab(QWidget& sheet) {
    auto* tab = sheet.findChild<QTabWidget*>(Dialog::controlName(IDC_TAB_CONTROL));
    return tab ? tab->tabText(tab->currentIndex()) : QString();
}

void selectTab(QWidget& sheet, const QString& text) {
    auto* tab = sheet.findChild<QTabWidget*>(Dialog::controlName(IDC_TAB_CONTROL));
    for (int i = 0; i < tab->count(); ++i)
        if (tab->tabText(i) == text)
            tab->setCurrentIndex(i);
}

class ItemSheetTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        doc = std::make_unique<CWPapierDoc>(&host);
        doc->OnNewDocument();
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        doc.reset();
        services.reset();
        TempDirTest::TearDown();
    }

    ItemPos addItem(const std::string& name, std::vector<std::pair<OleDate, double>> quotes = {}) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        for (auto [date, close] : quotes)
            item->AddQuotation(CKurs(date, close), false);
        return doc->AddItem(std::move(item));
    }
    CWPapier& item(ItemPos pos) { return *doc->GetItem(pos); }
    int launch(ItemPos pos, int wanted, int quotationIndex = -1) {
        return ShowItemProperties(*doc, pos, wanted, quotationIndex, services->bundle());
    }
    void onSheet(std::function<void(QDialog&)> step) { services->modal->on("dlg_108", std::move(step)); }

    testsupport::FakePortfolioHost host;
    std::unique_ptr<testsupport::FakeServices> services; // clock: 17 May 2024 12:00
    std::unique_ptr<CWPapierDoc> doc;
};

TEST(ItemSheetLaunch, PagesAndStartPageFollowTheKindOfItem) {
    struct Case {
        ItemKind kind;
        int wanted;
        ItemSheetPage opens;
    };
    const Case cases[] = {
        {ItemKind::Ordinary, 0, ItemSheetPage::General},
        {ItemKind::Ordinary, 2, ItemSheetPage::Chart},
        {ItemKind::Ordinary, 3, ItemSheetPage::Quotations},
        {ItemKind::Ordinary, 4, ItemSheetPage::Investment},
        {ItemKind::InvestmentHistory, 2, ItemSheetPage::Chart},
        {ItemKind::InvestmentHistory, 3, ItemSheetPage::Quotations},
        {ItemKind::InvestmentHistory, 4, ItemSheetPage::Transactions},
        {ItemKind::CashAccount, 2, ItemSheetPage::Chart},
        {ItemKind::CashAccount, 3, ItemSheetPage::Statement},
        {ItemKind::CashAccount, 4, ItemSheetPage::Statement},
    };
    for (const Case& c : cases) {
        const int index = ItemSheetStartIndex(c.kind, c.wanted);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, int(ItemSheetPages(c.kind).size()));
        EXPECT_EQ(ItemSheetPages(c.kind)[index], c.opens) << int(c.kind) << " " << c.wanted;
    }
    EXPECT_EQ(ItemSheetPages(ItemKind::CashAccount).back(), ItemSheetPage::Advanced);
    EXPECT_EQ(ItemSheetPages(ItemKind::Ordinary).size(), 6u);
}

// An item of its own definition shows string 40035, the title follows the name edit, and OK stores
// one record: the empty name again, the edited name and a trimmed symbol.
TEST_F(ItemSheetTest, OkStoresTheLocalDefinitionAsAnEmptyName) {
    const ItemPos pos = addItem("Acme");
    item(pos).m_Server.m_strName = "";
    item(pos).m_Server.m_nRegExpQuotationIndex = 3; // no page shows it
    onSheet([](QDialog& sheet) {
        EXPECT_EQ(tabs(sheet), (std::vector<QString>{"General", "Currency Conversion", "Chart", "Quotations",
                                                     "Investment", "Advanced"}));
        EXPECT_EQ(sheet.windowTitle(), "Properties of Acme");
        // A page never shown is never created.
        EXPECT_EQ(sheet.findChild<QWidget*>(QStringLiteral("dlg_%1").arg(IDD_PROPPAGE_INVEST)), nullptr);
        QWidget& general = pageOf(sheet, IDD_PROPPAGE_GENERAL);
        EXPECT_EQ(child<QComboBox>(general, IDC_GEN_TEMPLATES)->currentText().toStdString(), LoadString(40035));
        EXPECT_EQ(child<QLabel>(general, IDC_GEN_SERVER_HINT)->text().toStdString(),
                  "For server \"" + LoadString(40035) + "\" try using Ticker, ISIN or WKN as symbol.");
        EXPECT_FALSE(child<QPushButton>(general, IDC_GEN_SYMBOL_LOOKUP)->isVisible());
        auto* name = child<QLineEdit>(general, IDC_GEN_NAME);
        name->selectAll();
        QTest::keyClicks(name, "Acme Corp");
        EXPECT_EQ(sheet.windowTitle(), "Properties of Acme Corp");
        child<QLineEdit>(general, IDC_GEN_SYMBOL)->setText("  ACM.F ");
        testsupport::saveRendering(sheet, "general");
        click(sheet, IDOK);
    });
    EXPECT_EQ(launch(pos, 0), IDOK);
    EXPECT_EQ(item(pos).m_strName, "Acme Corp");
    EXPECT_EQ(item(pos).m_strSymbol, "ACM.F");
    EXPECT_EQ(item(pos).m_Server.m_strName, "");
    EXPECT_EQ(item(pos).m_Server.m_nRegExpQuotationIndex, 3);
}

// A template the store lacks is reported once for an item with a name, and OK then stores the
// first entry of the sorted list (here the item's own definition, stored as the empty name); a
// brand-new item without name or note gets no message.
TEST_F(ItemSheetTest, MissingTemplateIsReportedForNamedItemsOnly) {
    SaveServerSettings("Alpha Server", std::make_unique<ServerSettings>().get(), *services->settings);
    const ItemPos named = addItem("Acme");
    item(named).m_Server.m_strName = "Gone";
    onSheet([](QDialog& sheet) { click(sheet, IDOK); });
    launch(named, 0);
    EXPECT_EQ(services->boxes->texts(),
              (std::vector<std::string>{"The server properties for 'Gone'\n do not exist on this computer!"}));
    EXPECT_EQ(item(named).m_Server.m_strName, "");

    const ItemPos fresh = addItem("");
    item(fresh).m_Server.m_strName = "Gone";
    onSheet([](QDialog& sheet) { click(sheet, IDCANCEL); });
    launch(fresh, 0);
    EXPECT_EQ(services->boxes->texts().size(), 1u);
    EXPECT_EQ(item(fresh).m_Server.m_strName, "Gone");
}

// The launch's page numbers as an ordinary item counts them map onto the pages of the investment
// history and the cash account; each transaction page lists what its item holds.
TEST_F(ItemSheetTest, HistoryAndCashItemsOpenOnTheirOwnPages) {
    const ItemPos history = doc->FindInvestmentHistoryItem();
    const ItemPos cash = doc->FindCashAccountItem();
    const ItemPos acme = addItem("Acme");
    ASSERT_GE(doc->AddTransaction(cash, CTransaction(CTransaction::kBuy, OleDate(2024, 5, 2, 10, 0, 0), 500, 0, 0, 0,
                                                     false, OleDate(), "start")),
              0);
    ASSERT_GE(doc->AddTransaction(acme, CTransaction(CTransaction::kBuy, OleDate(2024, 5, 3, 10, 0, 0), 2, 50, 0, 0,
                                                     false, OleDate(), "")),
              0);
    const std::string cashServer = item(cash).m_Server.m_strName;
    const std::vector<QString> historyTabs = {"Chart", "Quotations", "Transactions", "Advanced"};
    const std::vector<QString> cashTabs = {"Chart", "Statement", "Advanced"};
    struct Case {
        ItemPos pos;
        int wanted;
        std::vector<QString> tabs;
        QString active;
        unsigned listPage;              // the transaction page shown, 0 for none
        std::vector<QString> firstCells; // its column 0 (the Transactions page's rows: one per transaction)
    };
    const Case cases[] = {
        {history, 4, historyTabs, "Transactions", IDD_PROPPAGE_TRANSACTIONS, {"Credit", "Buy"}},
        {history, 3, historyTabs, "Quotations", 0, {}},
        {history, 2, historyTabs, "Chart", 0, {}},
        {cash, 4, cashTabs, "Statement", IDD_PROPPAGE_ACCOUNT, {"Credit", "Total"}},
        {cash, 3, cashTabs, "Statement", IDD_PROPPAGE_ACCOUNT, {"Credit", "Total"}},
        {cash, 2, cashTabs, "Chart", 0, {}},
    };
    for (const Case& c : cases) {
        onSheet([&](QDialog& sheet) {
            EXPECT_EQ(tabs(sheet), c.tabs) << c.wanted;
            EXPECT_EQ(activeTab(sheet), c.active) << c.wanted;
            if (c.listPage) {
                auto* list = child<CColoredListCtrl>(pageOf(sheet, c.listPage), IDC_TRANSACTION_LIST);
                std::vector<QString> cells;
                for (int r = 0; list && r < list->topLevelItemCount(); ++r)
                    cells.push_back(list->topLevelItem(r)->text(0));
                EXPECT_EQ(cells, c.firstCells) << c.wanted;
                if (c.listPage == IDD_PROPPAGE_TRANSACTIONS)
                    testsupport::saveRendering(sheet, "transactions");
                else
                    testsupport::saveRendering(sheet, "statement");
            }
            click(sheet, IDOK);
        });
        launch(c.pos, c.wanted);
    }
    // The cash account's own configuration name is not the page's to change.
    EXPECT_EQ(item(cash).m_Server.m_strName, cashServer);
}

// The cash account's Statement page shows every column whole at the sheet's own size, whether the
// sheet opens on it or on the Chart page (a double click on the row) and the Statement tab is
// chosen then: the headers and the widest amounts of the Volume and Balance columns are drawn
// uncut, with few rows and with rows enough for the vertical scroll bar, with the default column
// widths and with wider ones stored in "AccountDialog"\"Columns".
TEST_F(ItemSheetTest, StatementShowsItsBalanceColumnWhole) {
    const ItemPos cash = doc->FindCashAccountItem();
    struct Case {
        int rows;
        int wanted;         // 3: the Statement page, 0: the Chart page
        const char* widths; // stored column widths (nullptr: none)
    };
    const Case cases[] = {{2, 3, nullptr},
                          {40, 3, nullptr},
                          {2, 0, nullptr},
                          {40, 0, nullptr},
                          {2, 3, "80,140,420,90,100"},
                          {40, 3, "80,140,420,90,100"},
                          {2, 0, "80,140,420,90,100"},
                          {40, 0, "80,140,420,90,100"}};
    for (const Case& c : cases) {
        const int rows = c.rows;
        SCOPED_TRACE(testing::Message() << rows << " rows, page " << c.wanted << ", widths "
                                        << (c.widths ? c.widths : "-"));
        if (c.widths)
            services->settings->writeString("AccountDialog", "Columns", c.widths);
        doc->DeleteItemTransactions(cash);
        for (int i = 0; i < rows; ++i)
            ASSERT_GE(doc->AddTransaction(cash, CTransaction(CTransaction::kBuy,
                                                             OleDate(2024, 5, 2, 10, 0, 0) + OleDateSpan(i, 0, 0, 0),
                                                             i == 0 ? 30000 : 1000, 0, 0, 0, false, OleDate(), "")),
                      0);
        onSheet([&](QDialog& sheet) {
            if (c.wanted == 0)
                selectTab(sheet, "Statement");
            auto* list = child<CColoredListCtrl>(pageOf(sheet, IDD_PROPPAGE_ACCOUNT), IDC_TRANSACTION_LIST);
            ASSERT_NE(list, nullptr);
            QApplication::processEvents();
            testsupport::saveRendering(sheet, "statement-" + std::to_string(rows) + "-" + std::to_string(c.wanted) +
                                                  (c.widths ? "-wide" : ""));
            const QImage image = list->viewport()->grab().toImage();
            const QImage header = list->header()->grab().toImage();
            const auto inked = [](const QImage& img, int left, int right, int top, int bottom) {
                // The dark pixels' columns in the rectangle: first and last (-1: none).
                int first = -1, last = -1;
                for (int x = std::max(left, 0); x < std::min(right, img.width()); ++x)
                    for (int y = std::max(top, 0); y < std::min(bottom, img.height()); ++y)
                        if (qGray(img.pixel(x, y)) < 110) {
                            if (first < 0)
                                first = x;
                            last = x;
                            break;
                        }
                return std::pair(first, last);
            };
            const int viewportWidth = list->viewport()->width();
            for (const int column : {3, 4}) {
                const int left = list->header()->sectionViewportPosition(column);
                const int right = left + list->header()->sectionSize(column);
                EXPECT_LE(right, viewportWidth) << column;
                // The header's text, as wide as its font draws it.
                const QString title = list->headerItem()->text(column);
                const auto [hFirst, hLast] = inked(header, left + 2, right - 1, 0, header.height());
                EXPECT_GE(hLast - hFirst + 2, list->header()->fontMetrics().horizontalAdvance(title) - 2)
                    << title.toStdString();
                EXPECT_LT(hLast, viewportWidth - 1) << title.toStdString();
                // The widest cell of the column (the total row is the last).
                const QTreeWidgetItem* total = list->topLevelItem(list->topLevelItemCount() - 1);
                list->scrollToItem(total);
                QApplication::processEvents();
                const QImage rowsImage = list->viewport()->grab().toImage();
                const QRect row = list->visualItemRect(total);
                const QString text = total->text(column);
                const auto [first, last] = inked(rowsImage, left + 2, right - 1, row.top(), row.bottom() + 1);
                EXPECT_GE(last - first + 2, list->fontMetrics().horizontalAdvance(text) - 2) << text.toStdString();
                EXPECT_LT(last, viewportWidth - 1) << text.toStdString();
            }
            sheet.reject();
        });
        launch(cash, c.wanted);
    }
}

// A page is built as it is first shown: until then it has no controls; once shown it fits the
// sheet, which keeps its size. Each kind of item, opened for its quotations.
TEST_F(ItemSheetTest, PagesAreBuiltOnFirstShowAndFitTheSheet) {
    const ItemPos acme = addItem("Acme", {{OleDate(2024, 5, 2, 17, 0, 0), 10.0}});
    const ItemPos items[] = {acme, doc->FindInvestmentHistoryItem(), doc->FindCashAccountItem()};
    for (const ItemPos pos : items) {
        onSheet([&](QDialog& d) {
            auto& sheet = dynamic_cast<CWPPropertiesSheet&>(d);
            const QSize size = sheet.size();
            const int start = sheet.GetActiveIndex();
            for (int i = 0; i < sheet.GetPageCount(); ++i) {
                PropertyPage* page = sheet.GetPage(i);
                const QString caption = page->GetCaption();
                EXPECT_EQ(page->HasControls(), i == start) << caption.toStdString();
                EXPECT_EQ(page->findChildren<QWidget*>().isEmpty(), i != start) << caption.toStdString();
            }
            for (int i = 0; i < sheet.GetPageCount(); ++i) {
                PropertyPage* page = sheet.GetPage(i);
                const QString caption = page->GetCaption();
                selectTab(sheet, caption);
                ASSERT_EQ(sheet.GetActiveIndex(), i) << caption.toStdString();
                EXPECT_FALSE(page->findChildren<QWidget*>().isEmpty()) << caption.toStdString();
                EXPECT_EQ(sheet.size(), size) << caption.toStdString();
                const QSize room = page->geometry().size();
                EXPECT_EQ(room.expandedTo(page->sizeHint()), room) << caption.toStdString();
                EXPECT_EQ(room.expandedTo(page->minimumSizeHint()), room) << caption.toStdString();
                if (i != start)
                    testsupport::saveRendering(sheet, "built-later-" + caption.toStdString() + "-of-" +
                                                          std::to_string(sheet.GetPageCount()));
            }
            click(sheet, IDCANCEL);
        });
        launch(pos, 3);
    }
}

// The limit warnings are edited on the Investment page and reach the item on OK only; Cancel
// leaves them as they were.
TEST_F(ItemSheetTest, InvestmentPageLimitsReachTheItemOnOkOnly) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 16, 20, 0, 0), 100.0}});
    item(pos).m_bAlarmAbove = 1;
    item(pos).m_dAlarmAbove = 150.0;
    ASSERT_GE(doc->AddTransaction(pos, CTransaction(CTransaction::kBuy, OleDate(2024, 5, 3, 10, 0, 0), 10, 90, 0, 0,
                                                    false, OleDate(), "")),
              0);
    const auto setLimits = [&](QDialog& sheet) {
        EXPECT_EQ(activeTab(sheet), "Investment");
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_INVEST);
        EXPECT_EQ(child<QLineEdit>(page, IDC_ALARM_ABOVE_VALUE)->text(), "150");
        EXPECT_TRUE(child<QLineEdit>(page, IDC_ALARM_ABOVE_VALUE)->isEnabled());
        EXPECT_FALSE(child<QLineEdit>(page, IDC_ALARM_BELOW_VALUE)->isEnabled());
        child<QCheckBox>(page, IDC_ALARM_BELOW)->click();
        EXPECT_TRUE(child<QLineEdit>(page, IDC_ALARM_BELOW_VALUE)->isEnabled());
        child<QLineEdit>(page, IDC_ALARM_BELOW_VALUE)->setText("82.5");
        child<QCheckBox>(page, IDC_ALARM_ABOVE)->click();
    };
    onSheet([&](QDialog& sheet) {
        setLimits(sheet);
        click(sheet, IDCANCEL);
    });
    EXPECT_EQ(launch(pos, 4), IDCANCEL);
    EXPECT_EQ(item(pos).m_bAlarmBelow, 0);
    EXPECT_EQ(item(pos).m_dAlarmBelow, 0.0);
    EXPECT_EQ(item(pos).m_bAlarmAbove, 1);
    EXPECT_EQ(item(pos).m_dAlarmAbove, 150.0);

    onSheet([&](QDialog& sheet) {
        setLimits(sheet);
        auto* list = child<CColoredListCtrl>(pageOf(sheet, IDD_PROPPAGE_INVEST), IDC_TRANSACTION_LIST);
        ASSERT_GE(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "Buy");
        testsupport::saveRendering(sheet, "investment");
        // Leaving the page keeps its values for OK.
        selectTab(sheet, "Chart");
        click(sheet, IDOK);
    });
    EXPECT_EQ(launch(pos, 4), IDOK);
    EXPECT_EQ(item(pos).m_bAlarmBelow, 1);
    EXPECT_EQ(item(pos).m_dAlarmBelow, 82.5);
    EXPECT_EQ(item(pos).m_bAlarmAbove, 0);
    EXPECT_EQ(item(pos).m_dAlarmAbove, 150.0);
    EXPECT_EQ(item(pos).m_dUnits, 10.0);
}

// Every column of the Investment page's list stays in view at the sheet's size, also once the
// rows need the vertical scroll bar: the last one, Volume and the results are not cut.
TEST_F(ItemSheetTest, InvestmentColumnsStayInViewWithTheScrollBar) {
    for (const int transactions : {1, 40}) {
        SCOPED_TRACE(transactions);
        const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 16, 20, 0, 0), 100.0}});
        for (int t = 0; t < transactions; ++t)
            ASSERT_GE(doc->AddTransaction(pos, CTransaction(t % 2 ? CTransaction::kSell : CTransaction::kBuy,
                                                            OleDate(2024, 1, 3 + t % 28, 10, 0, 0), 100, 123.45,
                                                            9.5, 0, false, OleDate(), "")),
                      0);
        onSheet([&](QDialog& sheet) {
            auto* list = child<CColoredListCtrl>(pageOf(sheet, IDD_PROPPAGE_INVEST), IDC_TRANSACTION_LIST);
            QApplication::processEvents();
            EXPECT_EQ(list->verticalScrollBar()->isVisible(), transactions > 1);
            EXPECT_LE(list->header()->length(), list->viewport()->width());
            EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
            if (transactions > 1)
                testsupport::saveRendering(sheet, "investment-scrolled");
            click(sheet, IDCANCEL);
        });
        launch(pos, 4);
    }
}

// A split on the Quotations page also splits the transactions and limits: the Investment page,
// already open, shows them, and OK stores the split limit rather than the page's old one.
TEST_F(ItemSheetTest, MathFormulaRefreshesTheInvestmentPage) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 1, 20, 0, 0), 100.0}, {OleDate(2024, 5, 10, 20, 0, 0), 100.0}});
    item(pos).m_bAlarmBelow = 1;
    item(pos).m_dAlarmBelow = 80.0;
    ASSERT_GE(doc->AddTransaction(pos, CTransaction(CTransaction::kBuy, OleDate(2024, 5, 3, 10, 0, 0), 10, 100, 0, 0,
                                                    false, OleDate(), "")),
              0);
    services->modal->on("dlg_190", [](QDialog& d) {
        child<QComboBox>(d, IDC_FORMULA)->setEditText("x/2");
        click(d, IDOK);
    });
    onSheet([&](QDialog& sheet) {
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_INVEST);
        auto* list = child<CColoredListCtrl>(page, IDC_TRANSACTION_LIST);
        EXPECT_EQ(list->topLevelItem(0)->text(3), "10.00");
        EXPECT_EQ(list->topLevelItem(0)->text(4), "100.00");
        selectTab(sheet, "Quotations");
        click(pageOf(sheet, IDD_PROPPAGE_QUOTATIONS), IDC_QUOTE_MATH);
        EXPECT_EQ(list->topLevelItem(0)->text(3), "20.00");
        EXPECT_EQ(list->topLevelItem(0)->text(4), "50.00");
        selectTab(sheet, "Investment");
        EXPECT_EQ(child<QLineEdit>(page, IDC_ALARM_BELOW_VALUE)->text(), "40");
        click(sheet, IDOK);
    });
    launch(pos, 4);
    EXPECT_EQ(item(pos).m_dAlarmBelow, 40.0);
    EXPECT_EQ(item(pos).m_bAlarmBelow, 1);
    EXPECT_EQ(item(pos).m_dUnits, 20.0);
}

// A buy entered on the Investment page is mirrored into the cash account exactly when the
// program option says so.
TEST_F(ItemSheetTest, InvestmentPageMirrorsBuysByTheOption) {
    struct Case {
        const char* option; // null: not stored (on by default)
        double balance;
    };
    for (const Case c : {Case{nullptr, 4000.0}, Case{"1", 4000.0}, Case{"0", 5000.0}}) {
        SCOPED_TRACE(c.option ? c.option : "default");
        if (c.option)
            services->settings->writeString("GeneralOptions", "AutoCreateCashAccountTransactions", c.option);
        const ItemPos cash = doc->FindCashAccountItem();
        doc->DeleteItemTransactions(cash);
        ASSERT_GE(doc->AddTransaction(cash, CTransaction(CTransaction::kBuy, OleDate(2024, 5, 2, 10, 0, 0), 5000, 0, 0,
                                                         0, false, OleDate(), "")),
                  0);
        const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 16, 20, 0, 0), 100.0}});
        services->modal->on("dlg_30739", [](QDialog& d) {
            child<QLineEdit>(d, IDC_TRANSACTION_UNITS)->setText("10");
            click(d, IDOK);
        });
        onSheet([&](QDialog& sheet) {
            click(pageOf(sheet, IDD_PROPPAGE_INVEST), IDC_NEW_TRANSACTION);
            click(sheet, IDOK);
        });
        launch(pos, 4);
        EXPECT_EQ(item(pos).m_dUnits, 10.0);
        EXPECT_EQ(doc->GetCashAccountBalance(), c.balance);
    }
    EXPECT_TRUE(services->boxes->texts().empty());
}

// Rows newest first, colours by the close of the next older quotation, the future in
// parentheses; New adds at once and Cancel of the sheet keeps it.
TEST_F(ItemSheetTest, QuotationsPageListsNewestFirstAndKeepsChangesOnCancel) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 14, 20, 0, 0), 10.0},
                                         {OleDate(2024, 5, 15, 20, 0, 0), 12.0},
                                         {OleDate(2024, 5, 16, 20, 0, 0), 11.0},
                                         {OleDate(2024, 5, 18, 20, 0, 0), 11.0}});
    services->modal->on("dlg_3214", [](QDialog& d) {
        child<QLineEdit>(d, IDC_KURS_CLOSE)->setText("13.5");
        child<QDateEdit>(d, IDC_KURS_DATE)->setDate(QDate(2024, 5, 17));
        click(d, IDOK);
    });
    onSheet([&](QDialog& sheet) {
        EXPECT_EQ(activeTab(sheet), "Quotations");
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_QUOTATIONS);
        auto* list = child<QTableView>(page, IDC_QUOTE_LIST);
        QAbstractItemModel& m = *list->model();
        ASSERT_EQ(m.rowCount(), 4);
        // The user's short date and time (the C locale's here).
        EXPECT_EQ(m.index(0, 0).data().toString().toStdString(), "(05/18/24 20:00:00)");
        EXPECT_EQ(m.index(1, 0).data().toString().toStdString(), "05/16/24 20:00:00");
        EXPECT_EQ(m.index(1, 1).data().toString().toStdString(), "11.0000");
        const QColor expected[] = {toQColor(GetSysColor(COLOR_WINDOWTEXT)), QColor(180, 0, 0), QColor(0, 100, 0),
                                   QColor(0, 0, 0)};
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(m.index(row, 2).data(Qt::ForegroundRole).value<QColor>(), expected[row]) << row;
        EXPECT_EQ(list->currentIndex().row(), 0);
        testsupport::saveRendering(sheet, "quotations");

        click(page, IDC_QUOTE_NEW);
        ASSERT_EQ(m.rowCount(), 5);
        EXPECT_EQ(list->currentIndex().row(), 1); // 17 May, below the future row
        EXPECT_EQ(m.index(1, 1).data().toString().toStdString(), "13.5000");
        click(sheet, IDCANCEL);
    });
    EXPECT_EQ(launch(pos, 3), IDCANCEL);
    EXPECT_EQ(item(pos).GetQuotationCount(), 5);
}

// Editing a quotation's date moves it; the selection follows it. Deleting the only quotation
// leaves an empty list with Delete All, Edit, Delete and Math Formula disabled.
TEST_F(ItemSheetTest, QuotationsPageSelectionFollowsEditsAndEmptyListDisablesButtons) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 10, 20, 0, 0), 1.0},
                                         {OleDate(2024, 5, 11, 20, 0, 0), 2.0},
                                         {OleDate(2024, 5, 12, 20, 0, 0), 3.0}});
    services->modal->on("dlg_3214", [](QDialog& d) {
        child<QDateEdit>(d, IDC_KURS_DATE)->setDate(QDate(2024, 5, 13));
        click(d, IDOK);
    });
    onSheet([&](QDialog& sheet) {
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_QUOTATIONS);
        auto* list = child<QTableView>(page, IDC_QUOTE_LIST);
        // The launch asked for the oldest quotation (index 0): the last row.
        EXPECT_EQ(list->currentIndex().row(), 2);
        QTest::keyClick(list, Qt::Key_Return); // edits, does not close the sheet
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_EQ(list->model()->index(0, 1).data().toString(), "1.0000");
        click(sheet, IDOK);
    });
    launch(pos, 3, 0);

    const ItemPos single = addItem("One", {{OleDate(2024, 5, 10, 20, 0, 0), 1.0}});
    onSheet([&](QDialog& sheet) {
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_QUOTATIONS);
        for (unsigned id : {IDC_QUOTE_DELETE_ALL, IDC_QUOTE_EDIT, IDC_QUOTE_DELETE, IDC_QUOTE_MATH})
            EXPECT_TRUE(child<QPushButton>(page, id)->isEnabled()) << id;
        QTest::keyClick(child<QTableView>(page, IDC_QUOTE_LIST), Qt::Key_Delete);
        EXPECT_EQ(child<QTableView>(page, IDC_QUOTE_LIST)->model()->rowCount(), 0);
        for (unsigned id : {IDC_QUOTE_DELETE_ALL, IDC_QUOTE_EDIT, IDC_QUOTE_DELETE, IDC_QUOTE_MATH})
            EXPECT_FALSE(child<QPushButton>(page, id)->isEnabled()) << id;
        EXPECT_TRUE(child<QPushButton>(page, IDC_QUOTE_NEW)->isEnabled());
        testsupport::saveRendering(sheet, "quotations-empty");
        click(sheet, IDOK);
    });
    launch(single, 3);
    EXPECT_EQ(item(single).GetQuotationCount(), 0);
}

// Import runs for the sheet's item only, with the General page's name and symbol already in the
// item; Update ends the sheet with OK, the pages are stored, then the item's download starts.
TEST_F(ItemSheetTest, ImportAndUpdateActOnTheSheetsItem) {
    const ItemPos other = addItem("Other");
    const ItemPos pos = addItem("Acme");
    std::vector<std::string> calls;
    ItemSheetHooks hooks;
    hooks.importItem = [&](ItemPos p) {
        calls.push_back("import " + std::to_string(p == pos) + " " + item(p).m_strName + " " + item(p).m_strSymbol);
        item(p).AddQuotation(CKurs(OleDate(2024, 5, 16, 20, 0, 0), 4.0), false);
    };
    hooks.updateItem = [&](ItemPos p) { calls.push_back("update " + std::to_string(p == pos) + " " + item(p).m_strName); };
    onSheet([&](QDialog& sheet) {
        QWidget& general = pageOf(sheet, IDD_PROPPAGE_GENERAL);
        child<QLineEdit>(general, IDC_GEN_NAME)->setText("Acme New");
        child<QLineEdit>(general, IDC_GEN_SYMBOL)->setText("ACN");
        selectTab(sheet, "Quotations");
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_QUOTATIONS);
        click(page, IDC_QUOTE_IMPORT);
        EXPECT_EQ(child<QTableView>(page, IDC_QUOTE_LIST)->model()->rowCount(), 1);
        click(page, IDC_QUOTE_UPDATE);
    });
    EXPECT_EQ(ShowItemProperties(*doc, pos, 0, -1, services->bundle(), hooks), IDOK);
    EXPECT_EQ(calls, (std::vector<std::string>{"import 1 Acme New ACN", "update 1 Acme New"}));
    EXPECT_EQ(item(other).GetQuotationCount(), 0);
}

TEST_F(ItemSheetTest, DeleteAllAsksAndEmptyFormulaIsRefused) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 10, 20, 0, 0), 1.0}});
    services->boxes->answer({IDNO, IDOK, IDYES});
    services->modal->on("dlg_190", [](QDialog& d) {
        child<QComboBox>(d, IDC_FORMULA)->setEditText("   ");
        click(d, IDOK);
    });
    onSheet([&](QDialog& sheet) {
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_QUOTATIONS);
        click(page, IDC_QUOTE_DELETE_ALL); // No: the quotation and its buttons stay
        EXPECT_EQ(child<QTableView>(page, IDC_QUOTE_LIST)->model()->rowCount(), 1);
        EXPECT_TRUE(child<QPushButton>(page, IDC_QUOTE_MATH)->isEnabled());
        click(page, IDC_QUOTE_MATH);
        click(page, IDC_QUOTE_DELETE_ALL); // Yes
        EXPECT_EQ(child<QTableView>(page, IDC_QUOTE_LIST)->model()->rowCount(), 0);
        click(sheet, IDOK);
    });
    launch(pos, 3);
    EXPECT_EQ(services->boxes->texts(),
              (std::vector<std::string>{"Do you really want to delete all quotations?", "Wrong parameter",
                                        "Do you really want to delete all quotations?"}));
    EXPECT_EQ(item(pos).GetQuotationCount(), 0);
}

// Keyboard only: Tab leaves the General page's note for the next control without adding a tab,
// Ctrl+Tab adds none either; Ctrl+Tab and Ctrl+PageDown (Shift: back) change the sheet's page.
TEST_F(ItemSheetTest, KeyboardLeavesTheNoteAndChangesPages) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 10, 20, 0, 0), 1.0}});
    item(pos).m_strNote = "line";
    onSheet([&](QDialog& sheet) {
        sheet.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&sheet));
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QWidget* focus = sheet.focusWidget();
            ASSERT_NE(focus, nullptr);
            QTest::keyClick(focus, key, modifiers);
        };
        const std::vector<QString> order = tabs(sheet);
        ASSERT_GE(order.size(), 3u);
        ASSERT_EQ(activeTab(sheet), order[0]);
        auto* note = child<QPlainTextEdit>(pageOf(sheet, IDD_PROPPAGE_GENERAL), IDC_GEN_NOTE);
        note->setFocus();
        note->moveCursor(QTextCursor::End);
        QTest::keyClick(note, Qt::Key_Tab);
        EXPECT_EQ(sheet.focusWidget(), child<QPushButton>(sheet, IDC_GEN_ZOOM_NOTE));
        EXPECT_EQ(note->toPlainText(), "line");

        note->setFocus();
        QTest::keyClick(note, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(activeTab(sheet), order[1]);
        EXPECT_EQ(note->toPlainText(), "line");
        press(Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(activeTab(sheet), order[2]);
        press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(activeTab(sheet), order[1]);
        press(Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(activeTab(sheet), order[0]);
        press(Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(activeTab(sheet), order.back());
        click(sheet, IDOK);
    });
    EXPECT_EQ(launch(pos, 0), IDOK);
    EXPECT_EQ(item(pos).m_strNote, "line");
}

// A formula that is refused changes nothing and says why: one that cannot be read, and one that
// gives no finite value for the quotations chosen.
TEST_F(ItemSheetTest, RefusedMathFormulaSaysWhy) {
    const ItemPos pos = addItem("Acme", {{OleDate(2024, 5, 9, 20, 0, 0), 0.0}, {OleDate(2024, 5, 10, 20, 0, 0), 4.0}});
    const struct {
        const char* formula;
        const char* reason;
    } cases[] = {
        {"x/(2", "The formula f(x) = x/(2 cannot be read: write it in x with numbers, the operators + - * / ^, "
                 "balanced parentheses and functions such as SQRT(x) or LN(x).\nThe quotations were not changed."},
        {"y*2", "The formula f(x) = y*2 cannot be read: write it in x with numbers, the operators + - * / ^, "
                "balanced parentheses and functions such as SQRT(x) or LN(x).\nThe quotations were not changed."},
        {"1/(x-4)", "The formula f(x) = 1/(x-4) gives no finite value for some of the quotations chosen (a division "
                    "by zero, or a function outside its range).\nThe quotations were not changed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.formula);
        const std::size_t before = services->boxes->texts().size();
        services->modal->on("dlg_190", [&](QDialog& d) {
            child<QComboBox>(d, IDC_FORMULA)->setEditText(QString::fromLatin1(c.formula));
            click(d, IDOK);
        });
        onSheet([&](QDialog& sheet) {
            QWidget& page = pageOf(sheet, IDD_PROPPAGE_QUOTATIONS);
            click(page, IDC_QUOTE_MATH);
            EXPECT_EQ(child<QTableView>(page, IDC_QUOTE_LIST)->model()->rowCount(), 2);
            click(sheet, IDOK);
        });
        launch(pos, 3);
        const std::vector<std::string> texts = services->boxes->texts();
        ASSERT_EQ(texts.size(), before + 1);
        EXPECT_EQ(texts.back(), c.reason);
        EXPECT_EQ(item(pos).GetQuotationListCopy()[0].m_dClose, 0.0);
        EXPECT_EQ(item(pos).GetQuotationListCopy()[1].m_dClose, 4.0);
    }
}

// The exchange-rate dialog offers the whole table in both lists with U.S. Dollar and Euro
// preselected; the item the document creates is selected and stored on OK.
TEST_F(ItemSheetTest, ExchangeRateItemIsCreatedAndLinked) {
    EXPECT_EQ(kCurrencyTable.size(), 159u);
    EXPECT_EQ(CWPapierDoc::CurrencyCode("CFA Franc (BCEAO) (XOF)"), "BCEAO");
    const ItemPos pos = addItem("Acme");
    services->modal->on("dlg_203", [](QDialog& d) {
        EXPECT_EQ(child<QComboBox>(d, IDC_CUR_FROM)->count(), 159);
        EXPECT_EQ(child<QComboBox>(d, IDC_CUR_TO)->count(), 159);
        EXPECT_EQ(child<QComboBox>(d, IDC_CUR_FROM)->currentText(), "U.S. Dollar (USD)");
        EXPECT_EQ(child<QComboBox>(d, IDC_CUR_TO)->currentText(), "Euro (EUR)");
        testsupport::saveRendering(d, "exchange-rate-item");
        click(d, IDOK);
    });
    onSheet([&](QDialog& sheet) {
        selectTab(sheet, "Currency Conversion");
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_CURRENCY);
        auto* items = child<QComboBox>(page, IDC_CUR_ITEMS);
        EXPECT_FALSE(items->isEnabled());
        EXPECT_EQ(items->findText("Acme"), -1); // never its own rate
        child<QCheckBox>(page, IDC_CUR_CONVERT)->click();
        EXPECT_TRUE(items->isEnabled());
        click(page, IDC_CUR_CREATE);
        EXPECT_EQ(items->currentText(), "U.S. Dollar (USD) / Euro (EUR)");
        testsupport::saveRendering(sheet, "currency");
        click(sheet, IDOK);
    });
    launch(pos, 0);
    ASSERT_NE(item(pos).m_pCurrencyItem, nullptr);
    EXPECT_TRUE(item(pos).m_bConvertCurrency);
    EXPECT_EQ(item(pos).m_pCurrencyItem->m_strName, "U.S. Dollar (USD) / Euro (EUR)");
    EXPECT_EQ(item(pos).m_pCurrencyItem->m_strSymbol, "USDEUR");
}

// Two items of the same name: the page selects the one the item links to, and OK keeps that link
// (a name prefix would pick either). The x list is disabled; an unknown value kind shows none and
// comes back as -1.
TEST_F(ItemSheetTest, LinkedItemsAreSelectedByIdentity) {
    const ItemPos first = addItem("Rate");
    const ItemPos second = addItem("Rate");
    const ItemPos pos = addItem("Acme");
    item(pos).m_bConvertCurrency = true;
    item(pos).m_pCurrencyItem = &item(second);
    item(pos).m_pFormulaItemY = &item(second);
    item(pos).m_pFormulaItemX = &item(pos);
    item(pos).m_nFormulaValueY = 7;
    onSheet([&](QDialog& sheet) {
        selectTab(sheet, "Currency Conversion");
        auto* rates = child<QComboBox>(pageOf(sheet, IDD_PROPPAGE_CURRENCY), IDC_CUR_ITEMS);
        EXPECT_EQ(rates->currentData().value<ItemPos>(), second);
        selectTab(sheet, "Advanced");
        QWidget& advanced = pageOf(sheet, IDD_PROPPAGE_ADVANCED);
        EXPECT_FALSE(child<QComboBox>(advanced, IDC_ADV_ITEM_X)->isEnabled());
        EXPECT_EQ(child<QComboBox>(advanced, IDC_ADV_ITEM_X)->currentData().value<ItemPos>(), pos);
        EXPECT_EQ(child<QComboBox>(advanced, IDC_ADV_ITEM_Y)->currentData().value<ItemPos>(), second);
        EXPECT_EQ(child<QComboBox>(advanced, IDC_ADV_VALUE_Y)->currentIndex(), -1);
        testsupport::saveRendering(sheet, "advanced");
        click(sheet, IDOK);
    });
    launch(pos, 0);
    EXPECT_EQ(item(pos).m_pCurrencyItem, &item(second));
    EXPECT_EQ(item(pos).m_pFormulaItemY, &item(second));
    EXPECT_EQ(item(pos).m_nFormulaValueY, -1);
    EXPECT_NE(item(pos).m_pCurrencyItem, &item(first));
}

// Opening the Chart page switches the chart on; unopened, the flag stays. For the cash account
// only colour, grid and time frame can change. The colour dialog starts on the item's colour.
TEST_F(ItemSheetTest, ChartPageRules) {
    const ItemPos pos = addItem("Acme");
    item(pos).m_bChartEnabled = 0;
    item(pos).m_crColor = RGB(10, 20, 30);
    onSheet([](QDialog& sheet) { click(sheet, IDOK); });
    launch(pos, 0);
    EXPECT_EQ(item(pos).m_bChartEnabled, 0);

    services->colors->choose({QColor(255, 0, 0)});
    onSheet([](QDialog& sheet) {
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_CHART);
        EXPECT_TRUE(child<QRadioButton>(page, IDC_CHART_GRAPH_SQUARE)->isEnabled());
        click(page, IDC_CHART_COLOR);
        testsupport::saveRendering(sheet, "chart");
        click(sheet, IDOK);
    });
    launch(pos, 2);
    EXPECT_EQ(item(pos).m_bChartEnabled, 1);
    EXPECT_EQ(item(pos).m_crColor, RGB(255, 0, 0));
    ASSERT_EQ(services->colors->requests().size(), 1u);
    const ColorRequest request = services->colors->requests()[0];
    EXPECT_EQ(request.initial, QColor(10, 20, 30));
    ASSERT_EQ(request.customColors.size(), 16u);
    EXPECT_EQ(request.customColors[0], QColor(10, 20, 30));
    EXPECT_EQ(request.customColors[15], QColor(Qt::white));

    onSheet([](QDialog& sheet) {
        QWidget& page = pageOf(sheet, IDD_PROPPAGE_CHART);
        for (unsigned id : {IDC_CHART_GRAPH_NONE, IDC_CHART_AXIS_PERCENT, IDC_CHART_BREAK_EVEN, IDC_CHART_MARKS})
            EXPECT_FALSE(child<QWidget>(page, id)->isEnabled()) << id;
        for (unsigned id : {IDC_CHART_GRID, IDC_CHART_COLOR, IDC_CHART_BEGIN_CHECK})
            EXPECT_TRUE(child<QWidget>(page, id)->isEnabled()) << id;
        click(sheet, IDCANCEL);
    });
    launch(doc->FindCashAccountItem(), 2);
}

// Every field of the Chart page reaches the item on OK, each way: all switched on from off, then
// all back off again.
TEST_F(ItemSheetTest, OkStoresEveryChartPageField) {
    struct Chart {
        int grid, graphValues, axisValues, begin, end, breakEven, marks;
        QDate beginDate, endDate;
        QColor colour;
    };
    const Chart off{0, 0, 0, 0, 0, 0, 0, QDate(2024, 1, 10), QDate(2024, 3, 20), QColor(10, 20, 30)};
    const Chart on{1, 3, 1, 1, 1, 1, 1, QDate(2023, 2, 1), QDate(2024, 4, 30), QColor(200, 100, 50)};
    const ItemPos pos = addItem("Acme");
    const auto toItem = [&](const Chart& c) {
        CWPapier& i = item(pos);
        i.m_bChartEnabled = 0;
        i.m_bGrid = c.grid;
        i.m_nGraphValues = c.graphValues;
        i.m_nAxisValues = c.axisValues;
        i.m_bBegin = c.begin;
        i.m_bEnd = c.end;
        i.m_bBreakEvenLine = c.breakEven;
        i.m_bTransactionMarks = c.marks;
        i.m_dtBegin = OleDate(c.beginDate.year(), c.beginDate.month(), c.beginDate.day(), 0, 0, 0);
        i.m_dtEnd = OleDate(c.endDate.year(), c.endDate.month(), c.endDate.day(), 0, 0, 0);
        i.m_crColor = RGB(c.colour.red(), c.colour.green(), c.colour.blue());
    };
    const auto setCheck = [](QWidget& page, unsigned id, int on) {
        auto* box = child<QCheckBox>(page, id);
        if (box->isChecked() != (on != 0))
            box->click();
    };
    for (const auto& [from, to] : {std::pair{off, on}, std::pair{on, off}}) {
        SCOPED_TRACE(to.grid ? "switched on" : "switched off");
        toItem(from);
        services->colors->choose({to.colour});
        onSheet([&, to = to](QDialog& sheet) {
            QWidget& page = pageOf(sheet, IDD_PROPPAGE_CHART);
            setCheck(page, IDC_CHART_GRID, to.grid);
            setCheck(page, IDC_CHART_BEGIN_CHECK, to.begin);
            setCheck(page, IDC_CHART_END_CHECK, to.end);
            setCheck(page, IDC_CHART_BREAK_EVEN, to.breakEven);
            setCheck(page, IDC_CHART_MARKS, to.marks);
            const unsigned graph[] = {IDC_CHART_GRAPH_NONE, IDC_CHART_GRAPH_PERCENT, IDC_CHART_GRAPH_NOMINAL,
                                      IDC_CHART_GRAPH_SQUARE};
            click(page, graph[to.graphValues]);
            click(page, to.axisValues ? IDC_CHART_AXIS_NOMINAL : IDC_CHART_AXIS_PERCENT);
            child<QDateEdit>(page, IDC_CHART_BEGIN)->setDate(to.beginDate);
            child<QDateEdit>(page, IDC_CHART_END)->setDate(to.endDate);
            click(page, IDC_CHART_COLOR);
            click(sheet, IDOK);
        });
        ASSERT_EQ(launch(pos, 2), IDOK);
        const CWPapier& i = item(pos);
        EXPECT_EQ(i.m_bChartEnabled, 1);
        EXPECT_EQ(i.m_bGrid, to.grid);
        EXPECT_EQ(i.m_nGraphValues, to.graphValues);
        EXPECT_EQ(i.m_nAxisValues, to.axisValues);
        EXPECT_EQ(i.m_bBegin, to.begin);
        EXPECT_EQ(i.m_bEnd, to.end);
        EXPECT_EQ(i.m_bBreakEvenLine, to.breakEven);
        EXPECT_EQ(i.m_bTransactionMarks, to.marks);
        EXPECT_EQ(i.m_dtBegin.Format("%Y-%m-%d"), to.beginDate.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(i.m_dtEnd.Format("%Y-%m-%d"), to.endDate.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(i.m_crColor, RGB(to.colour.red(), to.colour.green(), to.colour.blue()));
    }
}

// The note keeps CRLF in the item while the editors show plain line breaks.
TEST_F(ItemSheetTest, NotesKeepTheirLineEnds) {
    EXPECT_EQ(NoteForEditor("a\r\nb"), "a\nb");
    EXPECT_EQ(NoteForItem("a\nb\r\nc"), "a\r\nb\r\nc");
    const ItemPos pos = addItem("Acme");
    item(pos).m_strNote = "line 1\r\nline 2";
    services->modal->on("dlg_167", [](QDialog& d) {
        auto* edit = child<QPlainTextEdit>(d, IDC_ZOOM_NOTE_EDIT);
        EXPECT_EQ(edit->toPlainText(), "line 1\nline 2");
        edit->appendPlainText("line 3");
        testsupport::saveRendering(d, "note");
        click(d, IDOK);
    });
    onSheet([](QDialog& sheet) {
        QWidget& general = pageOf(sheet, IDD_PROPPAGE_GENERAL);
        click(general, IDC_GEN_ZOOM_NOTE);
        EXPECT_EQ(child<QPlainTextEdit>(general, IDC_GEN_NOTE)->toPlainText(), "line 1\nline 2\nline 3");
        click(sheet, IDOK);
    });
    launch(pos, 0);
    EXPECT_EQ(item(pos).m_strNote, "line 1\r\nline 2\r\nline 3");
}

// Look-up and web page addresses carry name and symbol percent-encoded (a blank as "+" in the
// look-up), and only what the shell accepts is opened.
TEST_F(ItemSheetTest, AddressesAreEncoded) {
    EXPECT_EQ(SymbolLookupUrl("http://s.example/q?n=[&name]", "", "Acme & Sons AG"),
              "http://s.example/q?n=Acme+%26+Sons+AG");
    EXPECT_EQ(SymbolLookupUrl("[&url]?n=[&name]", "http://t.example/", "A B"), "http://t.example/?n=A+B");
    EXPECT_EQ(WebPageUrl("http://p.example/[&symbol]?n=[&name]", "A B", "X#1"), "http://p.example/X%231?n=A%20B");

    services->settings->writeString("Server\\Lookup Server", "SymbolInfo", "Use the ticker.");
    services->settings->writeString("Server\\Lookup Server", "SymbolSearchUrl", "https://s.example/?q=[&name]");
    services->settings->writeString("Server\\Lookup Server", "URL", "https://q.example/[&symbol]");
    const ItemPos pos = addItem("Acme Corp");
    item(pos).m_strSymbol = "ACM";
    item(pos).m_Server.m_strName = "Lookup Server";
    onSheet([](QDialog& sheet) {
        QWidget& general = pageOf(sheet, IDD_PROPPAGE_GENERAL);
        EXPECT_EQ(child<QLabel>(general, IDC_GEN_SERVER_HINT)->text(),
                  "For server \"Lookup Server\" Use the ticker.\nPress the \"Symbol Look-up\" button to open the "
                  "server's symbol search page.");
        EXPECT_TRUE(child<QPushButton>(general, IDC_GEN_SYMBOL_LOOKUP)->isVisible());
        click(general, IDC_GEN_SYMBOL_LOOKUP);
        click(general, IDC_GEN_OPEN_WEB_PAGE);
        testsupport::saveRendering(sheet, "general-lookup");
        click(sheet, IDCANCEL);
    });
    launch(pos, 0);
    EXPECT_EQ(services->shell->opened(),
              (std::vector<std::string>{"https://s.example/?q=Acme+Corp", "https://q.example/ACM"}));
}

TEST(ItemSheetParts, WizardHelpers) {
    EXPECT_EQ(GeneraliseAnchorText("Acme Corp (ACM) last", "Acme Corp", "ACM"), "[&name] ([&symbol]) last");
    EXPECT_EQ(GeneraliseAnchorText("price", "", ""), "price");
    struct Case {
        const char* url;
        int format;
    };
    for (const Case c : {Case{"http://x/q.CSV?s=1", 0}, Case{"http://x/a.txt", 0}, Case{".txt", 1},
                         Case{"http://x/page.html", 1}})
        EXPECT_EQ(WizardPageFormat(c.url), c.format) << c.url;
}

} // namespace

namespace {

TEST(ItemSheetParts, QuotationColumnWidthsTakeWhatTheValueHolds) {
    struct Case {
        const char* value;
        std::vector<int> widths;
    };
    const Case cases[] = {
        {"110,60,60,60,60,70", {110, 60, 60, 60, 60, 70}},
        {"200,80", {200, 80, 60, 60, 60, 70}},
        {"x,,-5,90,1,2,3,4", {110, 60, 60, 90, 1, 2}},
        {"", {110, 60, 60, 60, 60, 70}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuotationColumnWidths(c.value), c.widths) << c.value;
}

} // namespace
