// The chart pane in the main window, on a small portfolio of three quoted items: it follows the
// list view's rows, answers the program host, hands its item commands to the list view, keeps its
// comparison settings, zooms through the frame's commands, and the frame's print commands print
// the chart items.

#include "ProgramWindow.h"
#include "app/MainFrm.h"
#include "app/ProgramHost.h"
#include "app/Resource.h"
#include "app/WPapier.h"
#include "controls/MMStatusBar.h"
#include "dialogs/ItemSheetIds.h"
#include "framework/Dialog.h"
#include "framework/PropertySheet.h"
#include "framework/ResourceIds.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "support/FakeServices.h"
#include "support/PdfTools.h"
#include "support/Pointer.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"
#include "views/GraphView.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewPrinting.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ChartWiringTest : public apptest::ProgramWindowTest {
protected:
    void SetUp() override {
        testsupport::setTimeZone("UTC");
        ProgramWindowTest::SetUp();
    }
    // Three items with 90 days of quotations each, drawn with a grid.
    void writePortfolio() override {
        file = path("depot.cvr");
        std::vector<std::unique_ptr<CWPapier>> items;
        const struct {
            const char* name;
            const char* symbol;
            COLORREF colour;
            double base;
            double slope;
        } kItems[] = {{"Alpha", "ALP", RGB(0, 0, 200), 100.0, 0.4},
                      {"Beta", "BET", RGB(200, 0, 0), 50.0, -0.1},
                      {"Gamma", "GAM", RGB(0, 150, 0), 20.0, 0.05}};
        for (const auto& made : kItems) {
            auto item = apptest::quotedItem(made.name, made.symbol, "file:///nowhere");
            item->m_crColor = made.colour;
            item->m_bGrid = 1;
            for (int day = 0; day < kDays; ++day)
                item->AddQuotation(CKurs(OleDate(OleDate(2023, 1, 2, 0, 0, 0).m_dt + day),
                                         made.base + made.slope * day + (day % 7) * 0.8 - (day % 3) * 0.5),
                                   false);
            items.push_back(std::move(item));
        }
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    }
    ItemPos item(const std::string& name) const {
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos at = pos;
            if (const CWPapier* found = doc->GetNextItem(pos); found && found->m_strName == name)
                return at;
        }
        ADD_FAILURE() << "no item " << name;
        return kNoItemPos;
    }
    // The rows of `names` selected as a user would: the first one clicked, the others added with Ctrl.
    void select(const std::vector<std::string>& names) {
        list->DeselectAll();
        for (std::size_t i = 0; i < names.size(); ++i) {
            const QModelIndex index = list->model().index(list->rowOf(item(names[i])), 0);
            QTest::mouseClick(list->GetListCtrl().viewport(), Qt::LeftButton,
                              i == 0 ? Qt::KeyboardModifiers{} : Qt::ControlModifier,
                              list->GetListCtrl().visualRect(index).center());
        }
        settle();
    }
    // The list view's selection check and the views' refreshes are queued, one after the other:
    // they have run, and the chart is drawn.
    void settle() {
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
        chart->chartImage();
    }
    ItemPos cashAccount() const {
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos at = pos;
            if (const CWPapier* found = doc->GetNextItem(pos); found && found->m_bCashAccount != 0)
                return at;
        }
        ADD_FAILURE() << "no cash account";
        return kNoItemPos;
    }
    QPoint pointAt(int index) const {
        const ChartPoint& p = chart->state().m_pPoints.at(static_cast<std::size_t>(index));
        return {p.x, p.y};
    }
    std::string statusText() const { return frame->statusBarPanes()->GetPaneText(0).toStdString(); }

    static constexpr int kDays = 90;
};

TEST_F(ChartWiringTest, TheChartFollowsTheListsRowsAndAnswersTheProgramHost) {
    start();
    ProgramHost& host = app->programHost();
    EXPECT_EQ(host.chartView(), static_cast<DocumentObserver*>(chart));

    select({"Beta"});
    EXPECT_EQ(chart->state().m_posCurrentItem, item("Beta"));
    EXPECT_EQ(chart->state().m_ChartItems, std::vector<ItemPos>{item("Beta")});
    EXPECT_EQ(chart->layout().content, ChartContent::History);
    EXPECT_EQ(chart->state().m_pPoints.size(), static_cast<std::size_t>(kDays));
    EXPECT_TRUE(host.isItemShownInChart(item("Beta")));
    EXPECT_FALSE(host.isItemShownInChart(item("Alpha")));
    // The chart's point text reaches the frame's status bar.
    QTest::mouseMove(chart, pointAt(30) + QPoint(1, 20));
    EXPECT_EQ(statusText(), pointStatusText(chart->state().m_pPoints[30]));
    testsupport::saveRendering(frame->grab(), "one-item");
    // A new quotation of an item the chart leaves out does not redraw it; one of its own item does.
    const int paints = chart->chartPaintCount();
    const OleDate next(OleDate(2023, 1, 2, 0, 0, 0).m_dt + kDays);
    doc->AddQuotationToItem(item("Alpha"), CKurs(next, 140.0), false, true);
    settle();
    EXPECT_EQ(chart->chartPaintCount(), paints);
    doc->AddQuotationToItem(item("Beta"), CKurs(next, 45.0), false, true);
    settle();
    EXPECT_GT(chart->chartPaintCount(), paints);
    EXPECT_EQ(chart->state().m_pPoints.size(), static_cast<std::size_t>(kDays + 1));

    select({"Alpha", "Beta", "Gamma"});
    EXPECT_NE(list->selection().m_posCurrentItem, kNoItemPos);
    EXPECT_EQ(chart->state().m_posCurrentItem, list->selection().m_posCurrentItem);
    EXPECT_EQ(chart->state().m_ChartItems.size(), 3u);
    EXPECT_EQ(chart->layout().content, ChartContent::Comparison);
    EXPECT_TRUE(host.isItemShownInChart(item("Gamma")));
    testsupport::saveRendering(frame->grab(), "comparison");
}

TEST_F(ChartWiringTest, TheChartsItemCommandsAreTheListViewsOwn) {
    start();
    frame->SetActiveView(chart);
    struct Case {
        ItemPos row;
        bool updatable;
    };
    // The cash account cannot be updated; a quoted item can. Import asks the list view as well.
    for (const Case& c : {Case{item("Alpha"), true}, Case{cashAccount(), false}}) {
        SCOPED_TRACE(c.row);
        list->DeselectAll();
        list->SelectItem(c.row);
        settle();
        EXPECT_EQ(enabled(ID_UPDATE_QUOTATION), c.updatable);
        CmdUI own(ID_IMPORT_QUOTATIONS);
        ASSERT_TRUE(list->runUpdateHandler(own));
        EXPECT_EQ(enabled(ID_IMPORT_QUOTATIONS), own.enabled());
    }
    // The chart's 32778 runs the list view's handler, which finds nothing selected.
    list->DeselectAll();
    EXPECT_TRUE(chart->runCommand(ID_UPDATE_QUOTATION));
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"No items!"});
}

// A double click on a point opens the item's sheet on its Quotations page at that quotation; a
// mouse move over the list takes the chart's point cursor away.
TEST_F(ChartWiringTest, APointOpensTheItemSheetAtItsQuotationAndTheListTakesTheCursorAway) {
    start();
    select({"Beta"});
    // From elsewhere: a move to where the pointer already is delivers nothing.
    QTest::mouseMove(chart, pointAt(10) + QPoint(1, 20));
    QTest::mouseMove(chart, pointAt(30) + QPoint(1, 20));
    EXPECT_EQ(statusText(), pointStatusText(chart->state().m_pPoints[30]));
    EXPECT_EQ(chart->state().m_nCursorDrawn, 30);
    QTest::mouseMove(list->GetListCtrl().viewport(), QPoint(20, 10));
    EXPECT_EQ(chart->state().m_nCursorDrawn, -1);

    QString page;
    int row = -1;
    services->modal->on("dlg_108", [&](QDialog& sheet) {
        if (auto* tabs = sheet.findChild<QTabWidget*>(Dialog::controlName(IDC_TAB_CONTROL)))
            page = tabs->tabText(tabs->currentIndex());
        if (auto* quotations = sheet.findChild<QTableView*>(Dialog::controlName(IDC_QUOTE_LIST)))
            row = quotations->currentIndex().row();
        sheet.reject();
    });
    QTest::mouseMove(chart, pointAt(30) + QPoint(1, 20));
    testsupport::doubleClick(chart, pointAt(30) + QPoint(1, 20));
    EXPECT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_108"});
    EXPECT_EQ(page, QStringLiteral("Quotations"));
    EXPECT_EQ(row, kDays - 1 - 30); // newest first
}

TEST_F(ChartWiringTest, TheChartsContextMenusShowTheFramesCommandStatesAndRunThem) {
    start();
    // One item: the zoom commands wait for an interval, the item commands are the list view's.
    select({"Alpha"});
    std::map<CommandId, bool> states; // by command: the actions are the frame's, shared with its menus
    QTimer::singleShot(50, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup)
            return;
        for (QAction* action : popup->actions())
            if (!action->isSeparator())
                states[action->data().toUInt()] = action->isEnabled();
        testsupport::saveRendering(popup->grab(), "menu-110");
        popup->close();
    });
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(states.size(), 8u);
    EXPECT_FALSE(states.at(ID_ZOOM_IN));
    EXPECT_FALSE(states.at(ID_ZOOM_OUT));
    EXPECT_TRUE(states.at(ID_UPDATE_QUOTATION));
    EXPECT_TRUE(states.at(ID_IMPORT_QUOTATIONS));

    // The comparison's only entry runs the frame's comparison limits.
    select({"Alpha", "Beta"});
    services->modal->on("dlg_165", [](QDialog& dialog) { dialog.reject(); });
    QTimer::singleShot(50, [] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup || popup->actions().isEmpty())
            return;
        popup->setActiveAction(popup->actions().front());
        QTest::keyClick(popup, Qt::Key_Return);
    });
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_165"});
}

TEST_F(ChartWiringTest, ComparisonSettingsAreReadOnCreationAndSavedWithTheViewOptions) {
    services->settings->writeInt("GraphView", "bGrid", 0);
    services->settings->writeInt("GraphView", "BeginYear", 2010);
    start();
    EXPECT_EQ(chart->settings().m_bGrid, 0);
    EXPECT_EQ(chart->settings().m_nBeginYear, 2010);
    EXPECT_EQ(chart->settings().m_nEndYear, 2005); // the default

    chart->settings().m_bEnd = 1;
    chart->settings().m_nEndYear = 2023;
    frame->OnSaveViewOptions();
    EXPECT_EQ(services->settings->readInt("GraphView", "Endb", -5), 1);
    EXPECT_EQ(services->settings->readInt("GraphView", "EndYear", -5), 2023);
    EXPECT_EQ(services->settings->readInt("GraphView", "BeginYear", -5), 2010);
    EXPECT_EQ(services->settings->readInt("GraphView", "bGrid", -5), 0);
    EXPECT_TRUE(services->settings->hasValue("ListView", "Dimensions"));
}

TEST_F(ChartWiringTest, ComparisonLimitsCommandOpensTheDialogAndOkRedrawsTheChart) {
    start();
    select({"Alpha", "Beta"});
    EXPECT_TRUE(enabled(ID_COMPARISON_LIMITS));
    EXPECT_EQ(frame->commandAction(ID_COMPARISON_LIMITS)->statusTip().toStdString(), "Set comparison chart limits.");
    EXPECT_EQ(frame->commandAction(ID_COMPARISON_LIMITS)->toolTip().toStdString(), "Comparison Limits");
    const GraphViewSettings before = chart->settings();
    const OleDate firstDay = chart->layout().begin;

    services->modal->on("dlg_165", [](QDialog& dialog) {
        dialog.findChild<QAbstractButton*>("idc_1043")->click();
        dialog.findChild<QDateEdit*>("idc_1122")->setDate(QDate(2023, 2, 1));
        dialog.findChild<QAbstractButton*>("idc_2")->click();
    });
    EXPECT_TRUE(frame->SendCommand(ID_COMPARISON_LIMITS));
    EXPECT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_165"});
    EXPECT_EQ(chart->settings(), before);
    settle();
    EXPECT_EQ(chart->layout().begin.m_dt, firstDay.m_dt);

    services->modal->on("dlg_165", [](QDialog& dialog) {
        dialog.findChild<QAbstractButton*>("idc_1043")->click();
        dialog.findChild<QDateEdit*>("idc_1122")->setDate(QDate(2023, 2, 1));
        dialog.findChild<QAbstractButton*>("idc_1")->click();
    });
    EXPECT_TRUE(frame->SendCommand(ID_COMPARISON_LIMITS));
    EXPECT_EQ(chart->settings().m_bBegin, 1);
    EXPECT_EQ(chart->settings().m_nBeginMonth, 2);
    settle();
    EXPECT_EQ(chart->layout().begin.Format("%Y-%m-%d %H:%M"), "2023-02-01 00:00");
}

TEST_F(ChartWiringTest, TheFramesZoomCommandsZoomTheChart) {
    start();
    select({"Alpha"});
    EXPECT_FALSE(enabled(ID_CHART_COMMAND_1));
    EXPECT_FALSE(enabled(ID_CHART_COMMAND_2));
    EXPECT_EQ(frame->commandAction(ID_CHART_COMMAND_2)->statusTip().toStdString(), "Display complete chart.");
    // A drag from point 20 to point 40 marks the interval.
    QTest::mousePress(chart, Qt::LeftButton, {}, pointAt(20));
    QMouseEvent move(QEvent::MouseMove, QPointF(pointAt(40)), chart->mapToGlobal(QPointF(pointAt(40))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, pointAt(40));
    const OleDate from = chart->state().m_pPoints[20].date;
    ASSERT_TRUE(enabled(ID_CHART_COMMAND_1));

    EXPECT_TRUE(frame->SendCommand(ID_CHART_COMMAND_1));
    const CWPapier* alpha = doc->GetItem(item("Alpha"));
    EXPECT_EQ(alpha->m_bBegin, 1);
    EXPECT_EQ(alpha->m_dtBegin.m_dt, from.m_dt);
    EXPECT_EQ(alpha->m_bEnd, 1);
    EXPECT_TRUE(doc->IsModified());
    settle();
    EXPECT_EQ(chart->state().m_pPoints.size(), 21u);
    EXPECT_TRUE(enabled(ID_CHART_COMMAND_2));

    EXPECT_TRUE(frame->SendCommand(ID_CHART_COMMAND_2));
    EXPECT_EQ(alpha->m_bBegin, 0);
    EXPECT_EQ(alpha->m_bEnd, 0);
    settle();
    EXPECT_EQ(chart->state().m_pPoints.size(), static_cast<std::size_t>(kDays));
}

TEST_F(ChartWiringTest, PrintCommandsPrintTheChartItemsOnTheApplicationsPrinter) {
    start();
    app->m_bLandscapeDefault = true; // as with a default printer
    QPrinter& printer = app->printer();
    EXPECT_EQ(&frame->printer(), &printer);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    const fs::path pdf = path("report.pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    printer.setPageSize(QPageSize(QPageSize::A4));

    // Nothing selected: no dialog, no file.
    list->DeselectAll();
    settle();
    EXPECT_TRUE(enabled(ID_FILE_PRINT));
    EXPECT_FALSE(frame->OnPrint(ID_FILE_PRINT));
    EXPECT_TRUE(services->printing->asked().empty());

    select({"Alpha", "Gamma"});
    // Cancelled in the dialog: nothing written.
    services->printing->answer({false});
    EXPECT_TRUE(frame->SendCommand(ID_FILE_PRINT));
    EXPECT_FALSE(fs::exists(pdf));

    services->printing->answer({true});
    EXPECT_TRUE(frame->SendCommand(ID_FILE_PRINT));
    EXPECT_EQ(services->printing->asked(), (std::vector<PrintDialogKind>{PrintDialogKind::Print, PrintDialogKind::Print}));
    ASSERT_TRUE(fs::exists(pdf));
    const testsupport::PdfInfo info = testsupport::pdfInfo(pdf);
    EXPECT_EQ(info.pages, 2); // the comparison and one legend page
    EXPECT_GT(info.width, info.height);
    const QString text = testsupport::pdfText(pdf);
    EXPECT_TRUE(text.contains("depot.cvr (")) << text.toStdString();
    EXPECT_TRUE(text.contains("Alpha - ALP"));
    EXPECT_TRUE(text.contains("Gamma - GAM"));
    EXPECT_FALSE(text.contains("Beta - BET"));

    // Straight to the printer, without a dialog; the preview; the set-up.
    fs::remove(pdf);
    select({"Beta"});
    EXPECT_TRUE(frame->SendCommand(ID_FILE_PRINT_DIRECT));
    EXPECT_EQ(services->printing->asked().size(), 2u);
    EXPECT_EQ(testsupport::pdfInfo(pdf).pages, 1);
    services->printing->answer({true, false});
    EXPECT_TRUE(frame->SendCommand(ID_FILE_PRINT_PREVIEW));
    EXPECT_TRUE(frame->SendCommand(ID_FILE_PRINT_SETUP));
    EXPECT_EQ(services->printing->asked(),
              (std::vector<PrintDialogKind>{PrintDialogKind::Print, PrintDialogKind::Print, PrintDialogKind::Preview,
                                            PrintDialogKind::PageSetup}));
}

} // namespace
