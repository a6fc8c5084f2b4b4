// The list view as a widget: its columns from the stored settings, rows and icons in the model,
// the painted colours, sorting by header clicks, the selection's texts and the chart's hint, its
// commands, and one sort for a burst of results.

#include "framework/ItemTableModel.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "support/FakeServices.h"
#include "support/LogCapture.h"
#include "support/Renderings.h"
#include "views/ListViewDocFixture.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDialog>
#include <QHeaderView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;

// Counts the notices the view sends the other views (the chart follows the selection so).
struct NoticeCounter : DocumentObserver {
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override {
        if (sender == watched && hint == 0)
            ++count;
    }
    DocumentObserver* watched = nullptr;
    int count = 0;
};

class ListViewWidgetTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        if (view && doc)
            doc->RemoveView(counter);
        view.reset();
        services.reset();
        ListViewDocTest::TearDown();
    }
    void show() {
        view = std::make_unique<CWPapierLView>();
        view->setServices(services->bundle());
        view->attachDocument(doc.get());
        view->onSelectionSumText = [this](const std::string& text) { selectionTexts.push_back(text); };
        view->onInvestmentSumText = [this](const std::string& text) { totalTexts.push_back(text); };
        view->resize(1250, 260);
        view->show();
        view->OnInitialUpdate();
        view->flush();
        counter.watched = view.get();
        doc->AddView(counter);
    }
    ListViewExHeader& header() { return view->GetHeaderCtrl(); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const ItemPos pos : view->model().items())
            out.push_back(item(pos).m_strName);
        return out;
    }
    void clickHeader(int column) {
        const int x = header().sectionViewportPosition(column) + header().sectionSize(column) / 2;
        // Apart enough not to make a double click.
        QTest::mouseClick(header().viewport(), Qt::LeftButton, {}, QPoint(x, header().height() / 2),
                          QApplication::doubleClickInterval() + 50);
    }
    void clickRow(ItemPos pos, Qt::KeyboardModifiers modifiers = {}) {
        const QRect r = view->GetListCtrl().visualRect(view->model().index(view->rowOf(pos), 0));
        QTest::mouseClick(view->GetListCtrl().viewport(), Qt::LeftButton, modifiers, r.center(),
                          QApplication::doubleClickInterval() + 50);
        QCoreApplication::processEvents(); // the selection check runs once the click is through
    }
    CmdUI state(CommandId id) {
        CmdUI ui(id);
        view->runUpdateHandler(ui);
        return ui;
    }

    std::unique_ptr<testsupport::FakeServices> services;
    std::unique_ptr<CWPapierLView> view;
    NoticeCounter counter;
    std::vector<std::string> selectionTexts;
    std::vector<std::string> totalTexts;
};

TEST_F(ListViewWidgetTest, ColumnsFollowTheStoredWidthsAndOrder) {
    struct Case {
        const char* widths;
        const char* order;
        std::vector<int> expectedWidths; // 0: hidden
        int firstVisual;
    };
    const std::vector<int> standard{254, 75, 121, 83, 67, 70, 50, 129, 143, 113, 78, 75, 75};
    const Case cases[] = {
        {"", "", standard, 0},
        {"10,20,30,40,50", "12,0,1,2,3,4,5,6,7,8,9,10,11", {10, 20, 30, 40, 50, 70, 50, 129, 143, 113, 78, 75, 75}, 12},
        {"abc,0,130,87,75,82,127,0,153,71,94,100,75",
         "0,0,0",
         {0, 0, 130, 87, 75, 82, 127, 0, 153, 71, 94, 100, 75},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.widths);
        services->settings->writeString(kListViewSection, "ColumnsXWidth", c.widths);
        services->settings->writeString(kListViewSection, "ColumnsXOrder", c.order);
        show();
        ASSERT_EQ(view->model().columnCount(), kListColumnCount);
        for (int column = 0; column < kListColumnCount; ++column) {
            SCOPED_TRACE(column);
            const int width = c.expectedWidths[static_cast<std::size_t>(column)];
            EXPECT_EQ(header().isSectionHidden(column), width == 0);
            if (width > 0) {
                EXPECT_EQ(header().sectionSize(column), width);
            }
        }
        EXPECT_EQ(header().logicalIndex(0), c.firstVisual);
        doc->RemoveView(counter);
        view.reset();
    }
}

TEST_F(ListViewWidgetTest, CaptionsAndAlignmentOfTheHeader) {
    show();
    const char* captions[] = {"Item",       "Category",      "Last Update",       "Last/Close",    "Low",
                              "High",       "+- Last Day",   "+- Last",           "+- Time Frame", "# Units Invested",
                              "Investment", "+- Investment", "User-defined Value"};
    for (int column = 0; column < kListColumnCount; ++column) {
        EXPECT_EQ(view->model().headerData(column, Qt::Horizontal).toString(), captions[column]);
        const int alignment = view->model().headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        EXPECT_EQ((alignment & Qt::AlignRight) != 0, column >= 11) << column;
    }
}

TEST_F(ListViewWidgetTest, ShowHideAndTimeFrameCommandsAndTheirMarks) {
    show();
    // "+- Last" is hidden at first; showing it again uses its standard width.
    EXPECT_EQ(state(ID_COLUMN_LAST).check(), 0);
    view->runCommand(ID_COLUMN_LAST);
    EXPECT_FALSE(header().isSectionHidden(LIST_COLUMN_LAST));
    EXPECT_EQ(header().sectionSize(LIST_COLUMN_LAST), 129);
    EXPECT_EQ(state(ID_COLUMN_LAST).check(), 1);
    view->runCommand(ID_COLUMN_USER_VALUE);
    view->runCommand(ID_COLUMN_USER_VALUE);
    EXPECT_EQ(header().sectionSize(LIST_COLUMN_USER_VALUE), 75);

    // "2 Years" twice: the second hides column 8; "1 Year" shows it again at its standard width.
    const unsigned twoYears = 32920, oneYear = 32919;
    view->runCommand(twoYears);
    EXPECT_EQ(view->options().m_nTimeFrameDays, 730);
    EXPECT_EQ(state(twoYears).check(), 1);
    view->runCommand(twoYears);
    EXPECT_TRUE(header().isSectionHidden(LIST_COLUMN_TIME_FRAME));
    EXPECT_EQ(state(twoYears).check(), 0);
    view->runCommand(oneYear);
    EXPECT_FALSE(header().isSectionHidden(LIST_COLUMN_TIME_FRAME));
    EXPECT_EQ(header().sectionSize(LIST_COLUMN_TIME_FRAME), 143);
    EXPECT_EQ(view->options().m_nTimeFrameDays, 365);
    EXPECT_TRUE(view->flushPending()); // the rows are rebuilt for the new time frame

    // Saved as the header shows them, with the user's drag.
    header().moveSection(header().visualIndex(LIST_COLUMN_HIGH), 0);
    view->SaveSettings();
    EXPECT_EQ(services->settings->readString(kListViewSection, "ColumnsXWidth"),
              "245,0,130,87,75,82,127,129,143,71,94,100,75");
    EXPECT_EQ(services->settings->readString(kListViewSection, "ColumnsXOrder"), "5,0,1,2,3,4,6,7,8,9,10,11,12");
    EXPECT_EQ(services->settings->readInt(kListViewSection, "TimeFrameDays", 0), 365);
}

TEST_F(ListViewWidgetTest, RowsShowEveryItemWithItsIcon) {
    const ItemPos risen =
        addItem("Risen", {{OleDate(2024, 5, 14, 18, 0, 0), 10.0}, {OleDate(2024, 5, 15, 9, 0, 0), 11.0}});
    const ItemPos fallen =
        addItem("Fallen", {{OleDate(2024, 5, 14, 18, 0, 0), 10.0}, {OleDate(2024, 5, 15, 9, 0, 0), 9.0}});
    const ItemPos bare = addItem("Bare", {});
    show();
    ASSERT_EQ(view->model().rowCount(), doc->GetItemCount());
    struct Case {
        ItemPos pos;
        const char* close;
        int icon;
    };
    for (const Case& c : {Case{risen, "11.00", ICON_RISEN}, Case{fallen, "9.00", ICON_FALLEN},
                          Case{bare, "", ICON_UNCHANGED}, Case{cashPos, "", ICON_CASH_ACCOUNT}}) {
        SCOPED_TRACE(item(c.pos).m_strName);
        EXPECT_EQ(view->cellText(c.pos, LIST_COLUMN_NAME).toStdString(), item(c.pos).m_strName);
        EXPECT_EQ(view->cellText(c.pos, LIST_COLUMN_CLOSE).toStdString(), c.close);
        EXPECT_EQ(view->rowIcon(c.pos), c.icon);
    }
    EXPECT_EQ(view->cellText(risen, LIST_COLUMN_LAST_UPDATE), "09:00"); // today: the time alone
    // A quotation arriving for one item refreshes its row at the flush.
    item(bare).AddQuotation(CKurs(OleDate(2024, 5, 15, 9, 30, 0), 5.25), false);
    doc->UpdateAllViews(nullptr, bare);
    view->flush();
    EXPECT_EQ(view->cellText(bare, LIST_COLUMN_CLOSE), "5.25");
}

// Pixels in `rect` of `image` whose colour is near `colour` (text is drawn with smoothed edges).
int pixelsOf(const QImage& image, const QRect& rect, QRgb colour) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                    std::abs(qBlue(p) - qBlue(colour)) <=
                40)
                ++count;
        }
    return count;
}

// Dark pixels (text) in `rect`.
int inkOf(const QImage& image, const QRect& rect) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                ++count;
    return count;
}

TEST_F(ListViewWidgetTest, StatusColoursBoldHistoryAndGreySpecialRowsArePainted) {
    const ItemPos risen =
        addItem("Risen", {{OleDate(2024, 5, 14, 18, 0, 0), 10.0}, {OleDate(2024, 5, 15, 9, 0, 0), 11.0}});
    const ItemPos fallen =
        addItem("Fallen", {{OleDate(2024, 5, 14, 18, 0, 0), 10.0}, {OleDate(2024, 5, 15, 9, 0, 0), 9.0}});
    // An ordinary item of the history's name, to compare the bold name with.
    const ItemPos twin = addItem(item(historyPos).m_strName, {});
    item(twin).m_crColor = item(historyPos).m_crColor;
    show();
    view->DeselectAll(); // a selected row shows its text in the highlight's colours
    QTest::qWait(20);
    const QImage image = view->GetListCtrl().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    testsupport::saveRendering(view->grab(), "colours");
    const auto cell = [&](ItemPos pos, int column) {
        return view->GetListCtrl().visualRect(view->model().index(view->rowOf(pos), column)).intersected(image.rect());
    };
    const QRgb green = qRgb(0, 120, 0), red = qRgb(180, 0, 0), grey = qRgb(220, 220, 220);
    EXPECT_GT(pixelsOf(image, cell(risen, LIST_COLUMN_CLOSE), green), 5);
    EXPECT_EQ(pixelsOf(image, cell(risen, LIST_COLUMN_CLOSE), red), 0);
    EXPECT_GT(pixelsOf(image, cell(fallen, LIST_COLUMN_LAST_DAY), red), 5);
    EXPECT_GT(pixelsOf(image, cell(fallen, LIST_COLUMN_CLOSE), red), 5);
    // The history and the cash account lie on grey, an ordinary row does not.
    for (const ItemPos pos : {historyPos, cashPos})
        EXPECT_GT(pixelsOf(image, cell(pos, LIST_COLUMN_HIGH), grey), cell(pos, LIST_COLUMN_HIGH).width() * 5);
    EXPECT_EQ(pixelsOf(image, cell(risen, LIST_COLUMN_HIGH), grey), 0);
    // The history's name is bold: more ink than the same name in an ordinary row.
    EXPECT_GT(inkOf(image, cell(historyPos, LIST_COLUMN_NAME)), inkOf(image, cell(twin, LIST_COLUMN_NAME)) * 11 / 10);
}

TEST_F(ListViewWidgetTest, HeaderClicksSortAscendingThenFlip) {
    // Column 4 sorts by the lowest close of the history.
    addItem("B", {{OleDate(2024, 5, 14, 9, 0, 0), 0.5}, {OleDate(2024, 5, 15, 9, 0, 0), 3.0}});
    addItem("C", {{OleDate(2024, 5, 15, 9, 0, 0), 1.0}});
    addItem("A", {{OleDate(2024, 5, 15, 9, 0, 0), 2.0}});
    services->settings->writeInt(kListViewSection, "SortColumn", 0);
    services->settings->writeInt(kListViewSection, "SortReverse", 0);
    show();
    const auto securities = [&] {
        std::vector<std::string> out;
        for (const std::string& name : names())
            if (name.size() == 1)
                out.push_back(name);
        return out;
    };
    EXPECT_EQ(securities(), (std::vector<std::string>{"A", "B", "C"}));
    clickHeader(LIST_COLUMN_CLOSE);
    EXPECT_EQ(securities(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_FALSE(view->m_bSortReverse);
    clickHeader(LIST_COLUMN_CLOSE);
    EXPECT_TRUE(view->m_bSortReverse);
    EXPECT_EQ(securities(), (std::vector<std::string>{"B", "A", "C"}));
    clickHeader(LIST_COLUMN_CLOSE);
    EXPECT_EQ(securities(), (std::vector<std::string>{"C", "A", "B"}));
    clickHeader(LIST_COLUMN_LOW);
    EXPECT_EQ(securities(), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(view->m_nSortColumn, LIST_COLUMN_LOW);
    EXPECT_FALSE(view->m_bSortReverse);
    EXPECT_EQ(header().sortSection(), LIST_COLUMN_LOW);
}

TEST_F(ListViewWidgetTest, SelectionTextsAndTheChartFollowOnlyRealChanges) {
    const ItemPos held = addItem("Held", {{OleDate(2024, 5, 15, 9, 0, 0), 20.0}});
    buy(held, 10, 15.0);
    const ItemPos plain = addItem("Plain", {{OleDate(2024, 5, 15, 9, 0, 0), 5.0}});
    show();
    selectionTexts.clear();
    counter.count = 0;

    clickRow(held);
    ASSERT_EQ(view->selection().m_SelectedItems, std::vector<ItemPos>{held});
    ASSERT_EQ(selectionTexts.size(), 1u);
    EXPECT_EQ(selectionTexts.back().rfind("Current selection's investment volume: 200.00", 0), 0u);
    EXPECT_EQ(counter.count, 1);

    // The focused, selected row clicked again: nothing changes, nothing is told.
    clickRow(held);
    EXPECT_EQ(selectionTexts.size(), 1u);
    EXPECT_EQ(counter.count, 1);

    clickRow(plain);
    EXPECT_EQ(selectionTexts.back(), "Ready");
    view->DeselectAll();
    EXPECT_EQ(selectionTexts.back(), "");
    EXPECT_TRUE(view->IsSelectionEmpty());
    EXPECT_EQ(counter.count, 3);

    // Several selected with the cash account: the chart gets the securities alone.
    view->SelectAllItems(true);
    const std::vector<ItemPos> chart = view->GetChartItemsCopy();
    EXPECT_EQ(std::count(chart.begin(), chart.end(), cashPos), 0);
    EXPECT_EQ(view->selection().m_SelectedItems.size(), static_cast<std::size_t>(doc->GetItemCount()));
}

TEST_F(ListViewWidgetTest, UpdateCommandsWithoutSelectionSayWhy) {
    show();
    view->DeselectAll();
    EXPECT_FALSE(state(ID_UPDATE_QUOTATION).enabled());
    view->OnUpdateQuotation();
    view->OnUpdateQuotationOn();
    EXPECT_EQ(services->boxes->texts(), (std::vector<std::string>{"No items!", "No items selected!"}));
    EXPECT_TRUE(services->modal->ran().empty());
    EXPECT_TRUE(state(ID_REFRESH).enabled());
}

TEST_F(ListViewWidgetTest, UpdateForDateIsPresetToTheLastWorkingDayEvening) {
    const ItemPos stock = addItem("Stock", {{OleDate(2024, 5, 15, 9, 0, 0), 20.0}});
    show();
    view->SelectItem(stock);
    ASSERT_TRUE(state(ID_UPDATE_QUOTATION_ON).enabled());
    struct Case {
        OleDate now;
        QDate preset;
    };
    const Case cases[] = {
        {OleDate(2024, 5, 20, 10, 0, 0), QDate(2024, 5, 17)}, // Monday: Friday
        {OleDate(2024, 5, 18, 10, 0, 0), QDate(2024, 5, 17)}, // Saturday: Friday
        {OleDate(2024, 5, 19, 10, 0, 0), QDate(2024, 5, 17)}, // Sunday: Friday
        {OleDate(2024, 5, 15, 10, 0, 0), QDate(2024, 5, 14)}, // Wednesday: Tuesday
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.Format("%A"));
        clock.set(testsupport::timePointOf(c.now));
        QDate date;
        QTime time;
        services->modal->on("dlg_3212", [&](QDialog& dialog) {
            date = dialog.findChild<QDateEdit*>("idc_1012")->date();
            time = dialog.findChild<QDateTimeEdit*>("idc_1184")->time();
            dialog.reject();
        });
        view->runCommand(ID_UPDATE_QUOTATION_ON);
        EXPECT_EQ(date, c.preset);
        EXPECT_EQ(time, QTime(20, 0, 0));
    }
    EXPECT_EQ(services->modal->unusedSteps(), 0u);
}

TEST_F(ListViewWidgetTest, ABurstOfResultsIsSortedAndTotalledOnce) {
    std::vector<ItemPos> items;
    for (int i = 0; i < 20; ++i)
        items.push_back(addItem("Item " + std::to_string(i), {{OleDate(2024, 5, 14, 9, 0, 0), 1.0 + i}}));
    services->settings->writeInt(kListViewSection, "SortColumn", LIST_COLUMN_LAST_UPDATE);
    show();
    totalTexts.clear();
    testsupport::LogCapture log;
    for (std::size_t i = 0; i < items.size(); ++i) {
        item(items[i]).AddQuotation(CKurs(OleDate(2024, 5, 15, 9, static_cast<int>(i), 0), 2.0), false);
        doc->UpdateAllViews(nullptr, items[i]);
    }
    QCoreApplication::processEvents();
    const auto messages = log.messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Sorting ListView items..."), 1);
    EXPECT_EQ(totalTexts.size(), 1u);
    // Sorted by the time of the last update, newest first.
    EXPECT_EQ(view->model().itemAt(0), items.back());
}

TEST_F(ListViewWidgetTest, ShiftF10OpensTheMenuAtTheListsCorner) {
    show();
    // A menu that opens is closed again, whatever window is active.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    closer.start(20);
    view->GetListCtrl().setFocus();
    QTest::keyClick(&view->GetListCtrl(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(view->lastContextMenu(), IDR_COLUMN_MENU); // the corner lies in the header
    EXPECT_EQ(view->lastContextMenuPoint(), view->GetListCtrl().mapToGlobal(QPoint(5, 5)));
    // Below the header: the item menu.
    const QRect row = view->GetListCtrl().visualRect(view->model().index(0, 0));
    view->OnContextMenu(view->GetListCtrl().viewport()->mapToGlobal(row.center()));
    EXPECT_EQ(view->lastContextMenu(), IDR_ITEM_MENU);
}

} // namespace
