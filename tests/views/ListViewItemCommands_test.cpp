// The list view's item and clipboard commands on a real portfolio with recording services: which
// command is offered for which focused item, the sheet on the right page (also by Return and a
// double click), a new item cancelled and one made, saved and read back, deleting with the focus
// moving to the nearest unselected row, a quotation typed in, the web page's address, and copy,
// cut and paste through the clipboard. The item menu is saved as a rendering.

#include "app/MainMenus.h"
#include "controls/BCMenu.h"
#include "dialogs/ImportDialogIds.h"
#include "dialogs/ItemSheetIds.h"
#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "framework/PropertySheet.h"
#include "framework/ResourceIds.h"
#include "platform/Settings.h"
#include "portfolio/ItemDefaults.h"
#include "retrieval/ServerConfigStore.h"
#include "support/FakeServices.h"
#include "support/Pointer.h"
#include "support/Renderings.h"
#include "views/ListViewDocFixture.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewClipboard.h"
#include "views/wpapierlviewItems.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;

template <class W> W* child(QWidget& parent, unsigned id) {
    W* w = parent.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

QString activeTab(QWidget& sheet) {
    auto* tab = sheet.findChild<QTabWidget*>(Dialog::controlName(IDC_TAB_CONTROL));
    return tab ? tab->tabText(tab->currentIndex()) : QString();
}

void selectTab(QWidget& sheet, const QString& text) {
    auto* tab = sheet.findChild<QTabWidget*>(Dialog::controlName(IDC_TAB_CONTROL));
    ASSERT_NE(tab, nullptr);
    for (int i = 0; i < tab->count(); ++i)
        if (tab->tabText(i) == text)
            tab->setCurrentIndex(i);
}

QWidget& pageOf(QWidget& sheet, unsigned id) {
    auto* page = sheet.findChild<QWidget*>(QStringLiteral("dlg_%1").arg(id));
    EXPECT_NE(page, nullptr) << "dlg_" << id;
    return *page;
}

class ListViewItemCommandsTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        doc->setCountryProvider([] { return std::optional<std::string>("US"); });
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        view.reset();
        services.reset();
        ListViewDocTest::TearDown();
    }
    // A view on the document, not shown yet.
    void makeView() {
        view = std::make_unique<CWPapierLView>();
        view->setServices(services->bundle());
        view->attachDocument(doc.get());
        view->SeedNewItemColours(7);
    }
    void show() {
        makeView();
        view->resize(1000, 300);
        view->show();
        view->OnInitialUpdate();
        view->flush();
    }
    // The focus and the selection on these items, the first focused.
    void select(std::vector<ItemPos> items) {
        view->DeselectAll();
        QItemSelectionModel* model = view->GetListCtrl().selectionModel();
        for (std::size_t i = 0; i < items.size(); ++i) {
            const QModelIndex index = view->model().index(view->rowOf(items[i]), 0);
            model->setCurrentIndex(index, (i == 0 ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                                              QItemSelectionModel::Rows);
        }
        if (!items.empty())
            model->setCurrentIndex(view->model().index(view->rowOf(items[0]), 0), QItemSelectionModel::NoUpdate);
        view->OnSelectionChanged();
    }
    bool enabled(CommandId id) {
        CmdUI ui(id);
        view->runUpdateHandler(ui);
        return ui.enabled();
    }
    // Runs the command as the frame does: only when its update handler enables it.
    bool run(CommandId id) { return enabled(id) && view->runCommand(id); }
    std::vector<std::string> rowNames() {
        std::vector<std::string> out;
        for (const ItemPos pos : view->model().items())
            out.push_back(item(pos).m_strName);
        return out;
    }
    std::vector<std::string> docNames() {
        std::vector<std::string> out;
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;)
            out.push_back(doc->GetNextItem(pos)->m_strName);
        return out;
    }
    std::string focusedName() {
        const QModelIndex current = view->GetListCtrl().currentIndex();
        return current.isValid() ? item(view->model().itemAt(current.row())).m_strName : std::string();
    }
    ItemPos find(const std::string& name) {
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos here = pos;
            if (doc->GetNextItem(pos)->m_strName == name)
                return here;
        }
        return kNoItemPos;
    }
    void onSheet(std::function<void(QDialog&)> step) { services->modal->on("dlg_108", std::move(step)); }

    std::unique_ptr<testsupport::FakeServices> services;
    std::unique_ptr<CWPapierLView> view;
};

// ---------------------------------------------------------------- what is offered

TEST_F(ListViewItemCommandsTest, CommandsAreOfferedByTheKindOfTheFocusedItem) {
    const ItemPos acme = addItem("Acme", {});
    show();
    struct Case {
        CommandId id;
        bool ordinary, cash, history;
    };
    const Case cases[] = {
        {ID_ITEM_PROPERTIES, true, true, true},     {ID_CHART_PROPERTIES, true, true, true},
        {ID_DISPLAY_QUOTATIONS, true, false, true}, {ID_DISPLAY_INVESTMENT, true, true, true},
        {ID_ADD_TRANSACTION, true, true, false},    {ID_TRANSACTION_FIRST, true, false, false},
        {ID_TRANSACTION_LAST, true, false, false},  {ID_ADD_QUOTATION, true, false, true},
        {ID_OPEN_WEB_PAGE, true, false, false},     {ID_RECALCULATE_HISTORY, false, false, true},
        {ID_DELETE_ITEM, true, false, false},       {ID_EDIT_CUT, true, false, false},
        {ID_EDIT_COPY, true, true, true},           {ID_NEW_ITEM, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        select({acme});
        EXPECT_EQ(enabled(c.id), c.ordinary);
        select({cashPos});
        EXPECT_EQ(enabled(c.id), c.cash);
        select({historyPos});
        EXPECT_EQ(enabled(c.id), c.history);
    }
    // Nothing focused: only the new item.
    view->DeselectAll();
    EXPECT_FALSE(enabled(ID_ITEM_PROPERTIES));
    EXPECT_FALSE(enabled(ID_EDIT_COPY));
    EXPECT_TRUE(enabled(ID_NEW_ITEM));
    // Not while the item downloads.
    select({acme});
    doc->SetDownloadInProgress(acme);
    EXPECT_FALSE(enabled(ID_ITEM_PROPERTIES));
    doc->ResetDownloadFlagAt(acme);
    EXPECT_TRUE(enabled(ID_ITEM_PROPERTIES));
}

// ---------------------------------------------------------------- the sheet

TEST_F(ListViewItemCommandsTest, SheetOpensOnThePageOfItsCommand) {
    const ItemPos acme =
        addItem("Acme", {{OleDate(2024, 5, 13, 20, 0, 0), 9.0}, {OleDate(2024, 5, 14, 20, 0, 0), 10.0}});
    show();
    select({acme});
    struct Case {
        CommandId id;
        QString page;
    };
    for (const Case& c : {Case{ID_ITEM_PROPERTIES, "General"}, Case{ID_CHART_PROPERTIES, "Chart"},
                          Case{ID_DISPLAY_QUOTATIONS, "Quotations"}}) {
        QString shown;
        onSheet([&](QDialog& sheet) {
            shown = activeTab(sheet);
            EXPECT_EQ(sheet.windowTitle(), "Properties of Acme");
            sheet.reject();
        });
        EXPECT_TRUE(run(c.id));
        EXPECT_EQ(shown, c.page) << c.id;
    }
    // The chart's way in: the Quotations page at the quotation asked for (the oldest here, which
    // is the last row, newest first).
    int selectedRow = -1;
    onSheet([&](QDialog& sheet) {
        auto* list = child<QAbstractItemView>(pageOf(sheet, IDD_PROPPAGE_QUOTATIONS), IDC_QUOTE_LIST);
        selectedRow = list->currentIndex().row();
        sheet.reject();
    });
    EXPECT_EQ(view->ShowItemPropertiesOf(3, 0), IDCANCEL);
    EXPECT_EQ(selectedRow, 1);
}

// Import on the Quotations page runs the wizard for the sheet's item, not for the list's selection.
TEST_F(ListViewItemCommandsTest, SheetImportRunsForTheSheetsItemOnly) {
    const ItemPos acme = addItem("Acme", {});
    const ItemPos other = addItem("Other", {});
    show();
    select({acme, other});
    std::vector<QString> titles;
    services->modal->on("dlg_194", [&](QDialog& wizard) {
        titles.push_back(wizard.windowTitle());
        wizard.reject();
    });
    onSheet([](QDialog& sheet) {
        child<QPushButton>(pageOf(sheet, IDD_PROPPAGE_QUOTATIONS), IDC_QUOTE_IMPORT)->click();
        sheet.reject();
    });
    EXPECT_TRUE(run(ID_DISPLAY_QUOTATIONS));
    EXPECT_EQ(titles, std::vector<QString>{"Import historical quotations for \"Acme\""});
}

TEST_F(ListViewItemCommandsTest, RecalculateRebuildsTheInvestmentHistory) {
    const ItemPos acme =
        addItem("Acme", {{OleDate(2024, 5, 2, 20, 0, 0), 10.0}, {OleDate(2024, 5, 14, 20, 0, 0), 12.0}});
    buy(acme, 5, 10.0);
    show();
    select({historyPos});
    ASSERT_EQ(item(historyPos).GetQuotationCount(), 0);
    EXPECT_TRUE(run(ID_RECALCULATE_HISTORY));
    EXPECT_GT(item(historyPos).GetQuotationCount(), 0);
    CKurs newest;
    ASSERT_TRUE(item(historyPos).GetLastQuotation(newest));
    EXPECT_DOUBLE_EQ(newest.m_dClose, 60.0);
}

TEST_F(ListViewItemCommandsTest, ReturnDoubleClickAndMouseMoveOnTheRows) {
    const ItemPos acme = addItem("Acme", {});
    show();
    int moves = 0;
    view->onMouseMove = [&] { ++moves; };
    QWidget* viewport = view->GetListCtrl().viewport();
    QTest::mouseMove(viewport, QPoint(40, 40));
    EXPECT_GT(moves, 0);

    select({acme});
    const QPoint row = view->GetListCtrl().visualRect(view->model().index(view->rowOf(acme), 0)).center();
    onSheet([](QDialog& sheet) {
        EXPECT_EQ(activeTab(sheet), "General");
        sheet.reject();
    });
    testsupport::doubleClick(viewport, row);
    onSheet([](QDialog& sheet) { sheet.reject(); });
    view->GetListCtrl().setFocus();
    QTest::keyClick(&view->GetListCtrl(), Qt::Key_Return);
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_108", "dlg_108"}));

    // No focused row: a double click on the empty area below the rows opens nothing.
    view->DeselectAll();
    testsupport::doubleClick(viewport, QPoint(20, viewport->height() - 5));
    EXPECT_EQ(services->modal->ran().size(), 2u);
}

// A new item cancelled leaves the portfolio as it was, its modified flag too (unless something else
// changed the portfolio while the sheet was open).
TEST_F(ListViewItemCommandsTest, NewItemCancelledLeavesThePortfolioAsItWas) {
    const ItemPos acme = addItem("Acme", {});
    show();
    const std::vector<std::string> before = docNames();
    const int count = doc->GetItemCount();
    struct Case {
        bool modifiedBefore;
        bool otherChangeMeanwhile; // a quotation reaches Acme while the sheet is open
        bool modifiedAfter;
    };
    const Case cases[] = {{false, false, false}, {true, false, true}, {false, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.modifiedBefore << c.otherChangeMeanwhile);
        doc->SetModifiedFlag(c.modifiedBefore);
        onSheet([&](QDialog& sheet) {
            EXPECT_EQ(sheet.windowTitle(), "Properties of New Item");
            EXPECT_EQ(activeTab(sheet), "General");
            EXPECT_EQ(doc->GetItemCount(), count + 1); // the new item exists while the sheet is open
            if (c.otherChangeMeanwhile)
                doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 5, 14, 20, 0, 0), 10.0), false, true);
            testsupport::saveRendering(sheet, "new-item-general");
            sheet.reject();
        });
        EXPECT_TRUE(run(ID_NEW_ITEM));
        EXPECT_EQ(docNames(), before);
        EXPECT_EQ(view->model().rowCount(), count);
        EXPECT_EQ(doc->IsModified(), c.modifiedAfter);
    }
}

// A new item kept with OK as it was proposed leaves the portfolio modified, though it was not
// before the insert and nothing on the sheet changed.
TEST_F(ListViewItemCommandsTest, NewItemKeptUnchangedLeavesThePortfolioModified) {
    addItem("Acme", {});
    show();
    doc->SetModifiedFlag(false);
    onSheet([](QDialog& sheet) { child<QPushButton>(sheet, IDOK)->click(); });
    EXPECT_TRUE(run(ID_NEW_ITEM));
    EXPECT_NE(find("New Item"), kNoItemPos);
    EXPECT_TRUE(doc->IsModified());
}

// The new item's template, chosen by the country, is not installed here: the brand-new item opens
// without the missing-template box, while an existing item naming a missing template still gets it.
TEST_F(ListViewItemCommandsTest, OnlyAnExistingItemIsToldItsTemplateIsMissing) {
    const ItemPos acme = addItem("Acme", {});
    show();
    std::string templateName;
    onSheet([&](QDialog& sheet) {
        templateName = item(find("New Item")).m_Server.m_strName;
        sheet.reject();
    });
    EXPECT_TRUE(run(ID_NEW_ITEM));
    EXPECT_FALSE(templateName.empty());
    std::vector<std::string> installed;
    EnumServerNames(installed, *services->settings);
    EXPECT_EQ(std::count(installed.begin(), installed.end(), templateName), 0) << templateName;
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{});

    item(acme).m_Server.m_strName = "Gone";
    select({acme});
    onSheet([](QDialog& sheet) { sheet.reject(); });
    EXPECT_TRUE(run(ID_ITEM_PROPERTIES));
    EXPECT_EQ(services->boxes->texts(),
              (std::vector<std::string>{"The server properties for 'Gone'\n do not exist on this computer!"}));
}

// Through 32775 with name, symbol, template and chart colour set in the sheet; OK; saved to a file
// and read back: everything is there, with what the new item starts from.
TEST_F(ListViewItemCommandsTest, NewItemMadeSavedAndReadBack) {
    ServerSettings alpha;
    alpha.m_strURL = "https://quotes.example/[&symbol]";
    SaveServerSettings("Alpha Server", &alpha, *services->settings);
    show();
    services->colors->choose({QColor(12, 34, 56)});
    onSheet([](QDialog& sheet) {
        QWidget& general = pageOf(sheet, IDD_PROPPAGE_GENERAL);
        child<QLineEdit>(general, IDC_GEN_NAME)->setText("Brand New Corp");
        child<QLineEdit>(general, IDC_GEN_SYMBOL)->setText("BNC");
        auto* templates = child<QComboBox>(general, IDC_GEN_TEMPLATES);
        const int alphaIndex = templates->findText("Alpha Server");
        ASSERT_GE(alphaIndex, 0);
        templates->setCurrentIndex(alphaIndex);
        emit templates->activated(alphaIndex);
        selectTab(sheet, "Chart");
        child<QPushButton>(pageOf(sheet, IDD_PROPPAGE_CHART), IDC_CHART_COLOR)->click();
        testsupport::saveRendering(sheet, "new-item-chart");
        child<QPushButton>(sheet, IDOK)->click();
    });
    EXPECT_TRUE(run(ID_NEW_ITEM));
    const ItemPos made = find("Brand New Corp");
    ASSERT_NE(made, kNoItemPos);
    EXPECT_EQ(focusedName(), "Brand New Corp");
    EXPECT_EQ(view->selection().m_SelectedItems, std::vector<ItemPos>{made});

    const std::filesystem::path file = path("made.cvr");
    ASSERT_TRUE(doc->OnSaveDocument(file));
    CWPapierDoc reopened(&host);
    ASSERT_TRUE(reopened.OnOpenDocument(file));
    const CWPapier* it = nullptr;
    for (ItemPos pos = reopened.GetHeadPosition(); pos != kNoItemPos;)
        if (const CWPapier* candidate = reopened.GetNextItem(pos); candidate->m_strName == "Brand New Corp")
            it = candidate;
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->m_strSymbol, "BNC");
    EXPECT_EQ(it->m_Server.m_strName, "Alpha Server");
    EXPECT_EQ(it->m_crColor, RGB(12, 34, 56));
    EXPECT_EQ(it->m_bChartEnabled, 1);
    EXPECT_EQ(it->m_bBreakEvenLine, 1);
    EXPECT_EQ(it->m_bTransactionMarks, 1);
    EXPECT_DOUBLE_EQ(it->m_dAlarmBreakEvenPercent, 20.0);
    EXPECT_NEAR(it->m_dtEnd.m_dt - it->m_dtBegin.m_dt, 365.0, 1e-6);
    EXPECT_EQ(it->m_Server.m_nTimeout, 180);
    EXPECT_EQ(it->m_Server.m_strTextBeforeValue, "[&symbol]");
    EXPECT_EQ(it->m_Server.m_strRegExp, std::string(kDefaultItemRegExp));
}

// The colour of a new item is one of the ten, drawn from the seed: the same seed draws the same.
TEST_F(ListViewItemCommandsTest, NewItemColoursFollowTheSeed) {
    show();
    std::vector<COLORREF> drawn;
    for (int round = 0; round < 2; ++round) {
        view->SeedNewItemColours(2024);
        for (int i = 0; i < 3; ++i) {
            onSheet([&](QDialog& sheet) {
                const ItemPos made = find("New Item");
                sheet.reject();
                ASSERT_NE(made, kNoItemPos);
                drawn.push_back(item(made).m_crColor);
            });
            run(ID_NEW_ITEM);
        }
    }
    ASSERT_EQ(drawn.size(), 6u);
    EXPECT_EQ(std::vector<COLORREF>(drawn.begin(), drawn.begin() + 3),
              std::vector<COLORREF>(drawn.begin() + 3, drawn.end()));
    for (const COLORREF colour : drawn)
        EXPECT_NE(std::find(kNewItemColours.begin(), kNewItemColours.end(), colour), kNewItemColours.end());
}

// ---------------------------------------------------------------- delete

TEST(RowToFocusAfterDelete, NearestUnselectedRowBelowThenAbove) {
    struct Case {
        std::vector<bool> selected;
        int focused;
        int expected;
    };
    const Case cases[] = {
        {{false, true, true, false, false}, 1, 3}, // below the block
        {{false, false, false, true, true}, 4, 2}, // the last rows: the nearest above
        {{false, false, true, true, true}, 2, 1},  // the last rows, focused on the first of them
        {{true, true, true}, 1, 0},                // everything: row 0
        {{false, true, false, true}, 3, 2},        // focus on the last selected row
        {{true, false}, -1, 1},                    // no focused row: from the top
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowToFocusAfterDelete(c.selected, c.focused), c.expected) << c.focused;
}

TEST_F(ListViewItemCommandsTest, DeleteAsksAndMovesTheFocusToTheNearestUnselectedRow) {
    for (const char* name : {"A", "B", "C", "D", "E"})
        addItem(name, {});
    show();
    const auto rowItems = [&](std::initializer_list<int> rows) {
        std::vector<ItemPos> items;
        for (const int row : rows)
            items.push_back(view->model().itemAt(row));
        return items;
    };
    const auto nameAt = [&](int row) { return item(view->model().itemAt(row)).m_strName; };

    // No: nothing goes.
    const int count = doc->GetItemCount();
    select(rowItems({1}));
    services->boxes->answer({IDNO});
    EXPECT_TRUE(run(ID_DELETE_ITEM));
    EXPECT_EQ(doc->GetItemCount(), count);
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"Do you really want to delete the selected items?"});

    // Two rows focused on the first: the focus goes to the row below them.
    std::string expected = nameAt(3);
    std::vector<std::string> gone = {nameAt(1), nameAt(2)};
    select(rowItems({1, 2}));
    services->boxes->answer({IDYES});
    EXPECT_TRUE(run(ID_DELETE_ITEM));
    for (const std::string& name : gone)
        EXPECT_EQ(find(name), kNoItemPos) << name;
    EXPECT_EQ(focusedName(), expected);
    EXPECT_EQ(view->selection().m_posCurrentItem, find(expected));

    // The last rows, the cash account and the history among them: the nearest row above them gets
    // the focus; only the security goes.
    const int rows = view->model().rowCount();
    expected = nameAt(rows - 4);
    const std::string security = nameAt(rows - 3);
    std::vector<ItemPos> last = rowItems({rows - 3, rows - 2, rows - 1});
    ASSERT_NE(std::find(last.begin(), last.end(), cashPos), last.end());
    select(last);
    services->boxes->answer({IDYES});
    EXPECT_TRUE(run(ID_DELETE_ITEM));
    EXPECT_EQ(find(security), kNoItemPos);
    EXPECT_EQ(doc->GetItem(cashPos), &item(cashPos));
    EXPECT_EQ(doc->GetItemCount(), count - 3);
    EXPECT_EQ(focusedName(), expected);

    // Everything: the special items stay and row 0 gets the focus.
    view->SelectAllItems(true);
    services->boxes->answer({IDYES});
    EXPECT_TRUE(run(ID_DELETE_ITEM));
    EXPECT_EQ(doc->GetItemCount(), 2);
    EXPECT_EQ(view->GetListCtrl().currentIndex().row(), 0);
}

// ---------------------------------------------------------------- quotation and web page

TEST_F(ListViewItemCommandsTest, QuotationTypedInReachesTheItem) {
    const ItemPos acme = addItem("Acme", {});
    show();
    select({acme});
    services->modal->on("dlg_3214", [](QDialog& dialog) {
        // Today at the clock's hour and minute (the fake clock: 17 May 2024 12:00).
        auto* day = child<QDateTimeEdit>(dialog, IDC_KURS_DATE);
        ASSERT_NE(day, nullptr);
        EXPECT_EQ(day->date(), QDate(2024, 5, 17));
        auto* close = child<QLineEdit>(dialog, IDC_KURS_CLOSE);
        ASSERT_NE(close, nullptr);
        close->setText("12.5");
        child<QPushButton>(dialog, IDOK)->click();
    });
    EXPECT_TRUE(run(ID_ADD_QUOTATION));
    ASSERT_EQ(item(acme).GetQuotationCount(), 1);
    CKurs last;
    ASSERT_TRUE(item(acme).GetLastQuotation(last));
    EXPECT_DOUBLE_EQ(last.m_dClose, 12.5);
    EXPECT_EQ(last.m_dtDate.GetDay(), 17);
    EXPECT_EQ(last.m_dtDate.GetHour(), 12);
}

TEST_F(ListViewItemCommandsTest, WebPageOpensOnlyHttpAndRegularFiles) {
    const ItemPos acme = addItem("Acme Corp", {});
    item(acme).m_strSymbol = "A&B";
    item(acme).m_Server.m_strName = "";
    const std::filesystem::path page = path("page.html");
    std::ofstream(page) << "<html></html>";
    const std::filesystem::path program = path("run.sh");
    std::ofstream(program) << "#!/bin/sh\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    show();
    select({acme});
    struct Case {
        std::string url;
        std::string opened; // empty: refused
    };
    const Case cases[] = {
        // (the shell's record shows a blank as such; the '&' stays encoded, one value of the query)
        {"https://quotes.example/q?n=[&name]&s=[&symbol]", "https://quotes.example/q?n=Acme Corp&s=A%26B"},
        {"http://quotes.example/[&symbol]", "http://quotes.example/A%26B"},
        {"javascript:alert('[&name]')", ""},
        {"ftp://quotes.example/[&symbol]", ""},
        {"mailto:someone@example.com", ""},
        {"http://", ""},
        {"file://" + page.string(), "file://" + page.string()},
        {"file://" + program.string(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        item(acme).m_Server.m_strURL = c.url;
        const std::size_t before = services->shell->opened().size();
        EXPECT_TRUE(run(ID_OPEN_WEB_PAGE));
        const std::vector<std::string> opened = services->shell->opened();
        if (c.opened.empty()) {
            EXPECT_EQ(opened.size(), before);
        } else {
            ASSERT_EQ(opened.size(), before + 1);
            EXPECT_EQ(opened.back(), c.opened);
        }
    }
    // A named template's URL wins over the item's own.
    ServerSettings stored;
    stored.m_strURL = "https://template.example/[&symbol]";
    SaveServerSettings("Quotes", &stored, *services->settings);
    item(acme).m_Server.m_strName = "Quotes";
    run(ID_OPEN_WEB_PAGE);
    EXPECT_EQ(services->shell->opened().back(), "https://template.example/A%26B");
}

// ---------------------------------------------------------------- clipboard

TEST_F(ListViewItemCommandsTest, CopyAndPasteThriceNamesTheCopies) {
    const ItemPos abc = addItem("ABC", {{OleDate(2024, 5, 14, 20, 0, 0), 10.5}});
    show();
    select({abc});
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));
    EXPECT_TRUE(run(ID_EDIT_COPY));
    EXPECT_TRUE(enabled(ID_EDIT_PASTE));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(run(ID_EDIT_PASTE));
    const std::vector<std::string> names = docNames();
    EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
              (std::vector<std::string>{"Copy of ABC", "Copy of ABC (1)", "Copy of ABC (2)"}));
    // The last pasted item has the focus and is the selection.
    EXPECT_EQ(focusedName(), "Copy of ABC (2)");
    EXPECT_EQ(view->selection().m_SelectedItems, std::vector<ItemPos>{find("Copy of ABC (2)")});
    const ItemPos copy = find("Copy of ABC (1)");
    ASSERT_NE(copy, kNoItemPos);
    EXPECT_EQ(item(copy).GetQuotationCount(), 1);
    EXPECT_TRUE(services->boxes->texts().empty());
}

// Several items pasted at once reach the list together: each copy is one row, the rows are the
// document's items, and the last copy has the focus.
TEST_F(ListViewItemCommandsTest, PastedItemsAreEachOneRowOfTheList) {
    const std::vector<ItemPos> copied = {addItem("ABC", {}), addItem("DEF", {}), addItem("GHI", {})};
    show();
    select(copied);
    EXPECT_TRUE(run(ID_EDIT_COPY));
    EXPECT_TRUE(run(ID_EDIT_PASTE));
    view->flush();
    std::vector<std::string> rows = rowNames();
    std::vector<std::string> items = docNames();
    for (const char* copy : {"Copy of ABC", "Copy of DEF", "Copy of GHI"})
        EXPECT_EQ(std::count(rows.begin(), rows.end(), copy), 1) << copy;
    EXPECT_EQ(focusedName(), items.back());
    std::sort(rows.begin(), rows.end());
    std::sort(items.begin(), items.end());
    EXPECT_EQ(rows, items);
}

TEST_F(ListViewItemCommandsTest, CutAsksAndKeepsTheItemsOnNo) {
    const ItemPos abc = addItem("ABC", {});
    show();
    select({abc});
    services->boxes->answer({IDNO});
    EXPECT_TRUE(run(ID_EDIT_CUT));
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"Do you really want to delete the selected items?"});
    EXPECT_NE(find("ABC"), kNoItemPos);
    EXPECT_TRUE(HasItemClipboardData(QGuiApplication::clipboard()->mimeData()));

    select({abc});
    services->boxes->answer({IDYES});
    EXPECT_TRUE(run(ID_EDIT_CUT));
    EXPECT_EQ(find("ABC"), kNoItemPos);
    EXPECT_TRUE(run(ID_EDIT_PASTE));
    EXPECT_NE(find("ABC"), kNoItemPos); // the name is free again
}

TEST_F(ListViewItemCommandsTest, TextOnTheClipboardIsRefusedWith115) {
    addItem("ABC", {});
    show();
    QGuiApplication::clipboard()->setText("ABC");
    const int count = doc->GetItemCount();
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));
    view->OnEditPaste(); // as a stale menu state would let it run
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"Clipboard data could not be read!"});
    EXPECT_EQ(doc->GetItemCount(), count);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ABC");

    // Damaged item data: the same message, nothing inserted.
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(kItemClipboardMimeType), QByteArray("CVRWPCB\x01garbage", 15));
    QGuiApplication::clipboard()->setMimeData(data.release());
    EXPECT_TRUE(enabled(ID_EDIT_PASTE));
    EXPECT_TRUE(run(ID_EDIT_PASTE));
    EXPECT_EQ(services->boxes->texts().size(), 2u);
    EXPECT_EQ(services->boxes->texts().back(), "Clipboard data could not be read!");
    EXPECT_EQ(doc->GetItemCount(), count);
}

// ---------------------------------------------------------------- the item menu in a frame

TEST_F(ListViewItemCommandsTest, ItemMenuShowsTheCommandsOfTheFocusedItem) {
    registerMainMenus();
    const ItemPos acme = addItem("Acme", {});
    FrameWnd frame(services->bundle());
    makeView();
    frame.setCentralWidget(view.get());
    frame.SetActiveView(view.get());
    frame.resize(900, 360);
    frame.show();
    view->OnInitialUpdate();
    view->flush();
    select({acme});

    QStringList enabledTexts;
    QImage shot;
    QTimer::singleShot(50, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : popup->actions())
                if (!action->isSeparator() && action->isEnabled())
                    enabledTexts << action->text().section(QLatin1Char('\t'), 0, 0);
            // The frame with the menu where it opened.
            QImage image = frame.grab().toImage();
            QPainter painter(&image);
            painter.drawPixmap(frame.mapFromGlobal(popup->pos()), popup->grab());
            painter.end();
            shot = image;
            popup->close();
        }
    });
    const QRect row = view->GetListCtrl().visualRect(view->model().index(view->rowOf(acme), 0));
    view->OnContextMenu(view->GetListCtrl().viewport()->mapToGlobal(row.center()));
    ASSERT_FALSE(shot.isNull());
    testsupport::saveRendering(shot, "item-menu");
    EXPECT_EQ(view->lastContextMenu(), IDR_ITEM_MENU);
    EXPECT_TRUE(enabledTexts.contains("C&opy"));
    EXPECT_TRUE(enabledTexts.contains("&Delete item"));
    EXPECT_TRUE(enabledTexts.contains("&Properties"));
    EXPECT_FALSE(enabledTexts.contains("&Paste")); // nothing copied yet
    EXPECT_FALSE(enabledTexts.contains("&Recalculate investment history"));
    frame.takeCentralWidget();
    view->setParent(nullptr);
}

// A text field of the frame keeps its keys: none of the item commands' keys reaches the list.
TEST_F(ListViewItemCommandsTest, KeysOfTheItemCommandsStayInAFocusedTextField) {
    const ItemPos acme = addItem("Acme", {});
    FrameWnd frame(services->bundle());
    makeView();
    frame.setCentralWidget(view.get());
    frame.SetActiveView(view.get());
    struct Key {
        QKeySequence key;
        CommandId id;
    };
    const Key keys[] = {
        {QKeySequence(Qt::Key_Insert), ID_NEW_ITEM},
        {QKeySequence(Qt::Key_Delete), ID_DELETE_ITEM},
        {QKeySequence(Qt::Key_Return), ID_ITEM_PROPERTIES},
        {QKeySequence(Qt::Key_Enter), ID_ITEM_PROPERTIES},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), ID_DISPLAY_QUOTATIONS},
        {QKeySequence(Qt::CTRL | Qt::Key_M), ID_ADD_QUOTATION},
        {QKeySequence(Qt::CTRL | Qt::Key_G), ID_OPEN_WEB_PAGE},
        {QKeySequence(Qt::CTRL | Qt::Key_I), ID_ADD_TRANSACTION},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
    };
    std::map<CommandId, QList<QKeySequence>> byCommand;
    for (const Key& k : keys)
        byCommand[k.id].push_back(k.key);
    for (const auto& [id, sequences] : byCommand)
        frame.commands().setShortcuts(id, sequences);
    QToolBar* toolbar = frame.addToolBar("Search");
    auto* field = new QLineEdit("abc");
    toolbar->addWidget(field);
    frame.show();
    view->OnInitialUpdate();
    view->flush();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    select({acme});
    frame.UpdateCommandUI();

    const int count = doc->GetItemCount();
    field->setFocus();
    for (const Key& k : keys) {
        SCOPED_TRACE(k.key.toString().toStdString());
        QTest::keySequence(field, k.key);
        EXPECT_TRUE(services->modal->ran().empty());
        EXPECT_TRUE(services->boxes->texts().empty());
        EXPECT_TRUE(services->shell->opened().empty());
        EXPECT_EQ(doc->GetItemCount(), count);
    }
    EXPECT_FALSE(HasItemClipboardData(QGuiApplication::clipboard()->mimeData()));

    // In the list the same keys run the commands.
    view->GetListCtrl().setFocus();
    services->boxes->answer({IDNO});
    QTest::keySequence(&view->GetListCtrl(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"Do you really want to delete the selected items?"});
    frame.takeCentralWidget();
    view->setParent(nullptr);
}

} // namespace
