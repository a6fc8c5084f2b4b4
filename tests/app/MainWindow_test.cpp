// The main window on the sample portfolio, in process: its parts, every command of its menus,
// toolbar and keys reaching a handler or disabled, the keys a text field keeps, the progress pane,
// the stored placement, help pages and the calculator.

#include "AcceleratorTable.h"
#include "ProgramWindow.h"
#include "RunProgram.h"
#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "app/MainMenus.h"
#include "app/Resource.h"
#include "app/WPapier.h"
#include "controls/Artwork.h"
#include "controls/BCMenu.h"
#include "controls/MMStatusBar.h"
#include "controls/TextProgressCtrl.h"
#include "controls/ToolbarBitmap.h"
#include "controls/WinGdi.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgConn.h"
#include "framework/HelpPages.h"
#include "framework/ItemTableModel.h"
#include "framework/QtMessageBoxes.h"
#include "framework/ResourceIds.h"
#include "log/Log.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/download.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"
#include "views/GraphView.h"
#include "views/ViewCommands.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Commands this program has no handler for: sending by mail and undo.
const std::set<CommandId> kWithoutHandler = {ID_FILE_SEND_MAIL, ID_EDIT_UNDO};

void collect(const std::vector<MenuEntry>& entries, std::set<CommandId>& ids) {
    for (const MenuEntry& entry : entries) {
        if (entry.popup)
            collect(entry.items, ids);
        else if (entry.id != 0)
            ids.insert(entry.id);
    }
}

using apptest::Key;
using apptest::kAccelerators;

// The program started in process on a copy of the sample portfolio, with fake services.
class MainWindowTest : public apptest::ProgramWindowTest {
protected:
    void writePortfolio() override {
        file = path("sample.cvr");
        apptest::RunOptions generator;
        generator.environment = apptest::isolatedEnvironment(path("env"));
        const auto made = apptest::runProgram(
            CORVANA_MAKE_SAMPLE, {std::string(CORVANA_EXAMPLES_DIR) + "/pages", file.string()}, generator);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    bool handled(CommandId id) {
        for (CommandTarget* target : frame->commandRoute())
            if (target && target->hasCommand(id))
                return true;
        return false;
    }

};

TEST_F(MainWindowTest, OpensOnTheSamplePortfolio) {
    start();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle().toStdString(), "sample.cvr - Corvana");
    // List above, chart below, the list 282 pixels high at first.
    ASSERT_NE(frame->splitter(), nullptr);
    EXPECT_EQ(frame->splitter()->orientation(), Qt::Vertical);
    EXPECT_EQ(frame->splitter()->widget(0), list);
    EXPECT_EQ(frame->splitter()->widget(1), frame->graphView());
    EXPECT_EQ(frame->splitter()->sizes().first(), 282);
    EXPECT_EQ(list->model().columnCount(), 13);
    EXPECT_EQ(list->model().rowCount(), doc->GetItemCount());
    EXPECT_GT(doc->GetItemCount(), 2);
    // Toolbar and menus.
    const auto buttons = toolbarButtons(IDR_MAINFRAME);
    EXPECT_EQ(frame->toolBar()->actions().size(), static_cast<qsizetype>(buttons.size()));
    // Buttons without a menu entry of their own carry the tips the string table gives them.
    const std::pair<CommandId, const char*> tips[] = {{ID_ABORT_DOWNLOADS, "Abort downloads"},
                                                      {ID_COMPARE_ALL, "Compare all"},
                                                      {ID_DECREASE_DECIMALS, "Decrease decimal cases"},
                                                      {ID_INCREASE_DECIMALS, "Increase decimal cases"}};
    for (const auto& [id, tip] : tips)
        EXPECT_EQ(frame->commandAction(id)->toolTip().toStdString(), tip) << id;
    ASSERT_NE(frame->menuBar(), nullptr);
    QStringList menus;
    for (QAction* action : frame->menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Item", "&View", "E&xtras", "&Help"}));
    // Four panes: message, total investment, connection, time.
    MMStatusBar* bar = frame->statusBarPanes();
    ASSERT_EQ(bar->GetCount(), 4);
    EXPECT_EQ(bar->GetItemID(1), ID_INDICATOR_INVESTMENT);
    EXPECT_EQ(bar->GetItemID(3), ID_INDICATOR_TIME);
    EXPECT_EQ(bar->GetPaneText(1).toStdString().rfind("Total investment: ", 0), 0u);
    EXPECT_EQ(bar->GetPaneText(1).toStdString(), frame->investmentSumText());
    // The time pane follows the program's clock (the fakes' 17 May 2024 12:00), to the second.
    EXPECT_EQ(bar->GetPaneText(3).toStdString(), "12:00:00");
    services->clock->advance(std::chrono::seconds(75));
    frame->UpdateCommandUI();
    EXPECT_EQ(bar->GetPaneText(3).toStdString(), "12:01:15");
    testsupport::saveRendering(frame->grab(), "window");
}

TEST_F(MainWindowTest, EveryCommandReachesItsHandlerOrIsDisabledWithoutOne) {
    start();
    std::set<CommandId> ids;
    for (const auto& menu : {mainMenuEntries(), itemMenuEntries(), columnMenuEntries(), trayMenuEntries()})
        collect(menu, ids);
    for (const unsigned id : toolbarButtons(IDR_MAINFRAME))
        if (id != 0)
            ids.insert(id);
    for (const Key& key : kAccelerators)
        ids.insert(key.id);
    ids.erase(ID_FILE_MRU_FILE1); // the recent files' place
    for (const CommandId id : ids) {
        SCOPED_TRACE(id);
        if (kWithoutHandler.contains(id)) {
            EXPECT_FALSE(enabled(id));
            continue;
        }
        EXPECT_TRUE(handled(id));
    }

    // A few of them run through their actions.
    const bool percent = list->options().m_bProcentualValue;
    frame->commandAction(ID_TOGGLE_PERCENTUAL)->trigger();
    EXPECT_NE(list->options().m_bProcentualValue, percent);
    const int decimals = list->options().m_nDecimalCases;
    frame->commandAction(ID_INCREASE_DECIMALS)->trigger();
    EXPECT_EQ(list->options().m_nDecimalCases, std::min(decimals + 1, 6));
    frame->commandAction(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_TRUE(frame->toolBar()->isHidden());
    frame->commandAction(ID_CONNECTION_STATUS)->trigger();
    EXPECT_TRUE(frame->m_dlgConn->isVisible());
    frame->commandAction(ID_HELP_SERVER_SETTINGS)->trigger();
    ASSERT_EQ(services->shell->opened().size(), 1u);
    EXPECT_NE(services->shell->opened()[0].find("/data/ServerSettings.html"), std::string::npos);

    // Decimals stop at 0 and 6.
    list->options().m_nDecimalCases = 6;
    EXPECT_FALSE(enabled(ID_INCREASE_DECIMALS));
    EXPECT_TRUE(enabled(ID_DECREASE_DECIMALS));
    list->options().m_nDecimalCases = 0;
    EXPECT_FALSE(enabled(ID_DECREASE_DECIMALS));
}

TEST_F(MainWindowTest, KeysOfTheAcceleratorTableRunTheirCommandsOnce) {
    start();
    for (const Key& key : kAccelerators)
        EXPECT_EQ(frame->commands().commandOfKey(QKeySequence(key.key)), key.id)
            << QKeySequence(key.key).toString().toStdString();

    QWidget& rows = list->GetListCtrl();
    rows.setFocus();
    QTest::keyClick(&rows, Qt::Key_A, Qt::ControlModifier); // compare all
    EXPECT_EQ(list->selection().m_SelectedItems.size(), static_cast<std::size_t>(doc->GetItemCount()));
    QTest::keyClick(&rows, Qt::Key_F1); // the FAQ page
    ASSERT_EQ(services->shell->opened().size(), 1u);
    EXPECT_NE(services->shell->opened()[0].find("/data/FAQ.html"), std::string::npos);
    // Ctrl+D opens the update-for-date dialog once; Ctrl+A inside it stays the dialog's.
    services->modal->on("dlg_3212", [&](QDialog& dialog) {
        QTest::keyClick(&dialog, Qt::Key_A, Qt::ControlModifier);
        dialog.reject();
    });
    list->DeselectAll();
    list->SelectItem(list->model().itemAt(1));
    QTest::keyClick(&rows, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_3212"});
    EXPECT_EQ(list->selection().m_SelectedItems.size(), 1u);
    // Return opens the focused item's sheet once; Ctrl+Insert copies it without a word.
    services->modal->on("dlg_108", [](QDialog& dialog) { dialog.reject(); });
    QTest::keyClick(&rows, Qt::Key_Return);
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_3212", "dlg_108"}));
    QTest::keyClick(&rows, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(services->boxes->texts().empty()) << services->boxes->texts().front();

    // A focused text field keeps its editing keys.
    auto* field = new QLineEdit(frame);
    field->setText(QStringLiteral("some text"));
    field->show();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText(), QStringLiteral("some text"));
    EXPECT_EQ(list->selection().m_SelectedItems.size(), 1u);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(list->model().rowCount(), doc->GetItemCount());
}

TEST_F(MainWindowTest, ImportExportAndTrayCommandsReachTheirDialogs) {
    start();
    // Import for all items: every row selected, the wizard's first page; its Cancel ends it all.
    services->modal->on("dlg_194", [](QDialog& dialog) { dialog.reject(); });
    frame->commandAction(ID_IMPORT_ALL)->trigger();
    EXPECT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_194"});
    EXPECT_EQ(list->selection().m_SelectedItems.size(), static_cast<std::size_t>(doc->GetItemCount()));
    // The portfolio export asks where to write, proposing the portfolio's name.
    frame->commandAction(ID_EXPORT_PORTFOLIO)->trigger();
    ASSERT_EQ(services->files->asked().size(), 1u);
    EXPECT_EQ(services->files->asked()[0].request.defaultExtension, "xls");
    EXPECT_EQ(services->files->asked()[0].request.initial, path("sample"));
    // The notification icon's menu: the registry's two commands.
    QMenu* tray = frame->trayMenu();
    ASSERT_NE(tray, nullptr);
    std::vector<unsigned> ids;
    for (QAction* action : tray->actions())
        ids.push_back(action->data().toUInt());
    EXPECT_EQ(ids, (std::vector<unsigned>{ID_CONNECTION_STATUS, ID_ABORT_DOWNLOADS}));
    EXPECT_EQ(tray->actions().front(), frame->commandAction(ID_CONNECTION_STATUS));
}

// The entry of `menu` that opens a popup titled `title`.
QAction* popupEntry(QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions())
        if (action->menu() && action->menu()->title() == title)
            return action;
    return nullptr;
}

// Pixels of the text colour in the last `width` pixels of `entry`'s row, as `menu` paints it.
int textPixelsAtTheRightEnd(QMenu& menu, QAction* entry, int width) {
    const QImage image = menu.grab().toImage();
    const QRect row = menu.actionGeometry(entry);
    const QRgb text = toQColor(GetSysColor(COLOR_MENUTEXT)).rgb();
    int count = 0;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = row.right() - width + 1; x <= row.right(); ++x)
            count += image.pixel(x, y) == text ? 1 : 0;
    return count;
}

TEST_F(MainWindowTest, PopupEntriesShowTheirArrowAndOpenOnHoverAndOnTheRightKey) {
    start();
    // The main menu's View > Show/Hide Columns, and the column menu's time frames.
    QMenu* view = frame->menuBar()->actions()[2]->menu();
    ASSERT_NE(view, nullptr);
    BCMenu columnMenu(frame);
    ASSERT_TRUE(columnMenu.LoadMenu(IDR_COLUMN_MENU));
    QMenu* columns = columnMenu.GetSubMenu(0);
    ASSERT_NE(columns, nullptr);
    struct Case {
        QMenu* menu;
        QString popup;
        QString plain; // an item of the same menu that opens nothing
    };
    const Case cases[] = {{view, "Show/Hide Columns", "&Refresh"}, {columns, "+- Time Frame...", "Name"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.popup.toStdString());
        QAction* entry = popupEntry(*c.menu, c.popup);
        ASSERT_NE(entry, nullptr);
        QMenu* sub = entry->menu();
        QAction* plain = nullptr;
        for (QAction* action : c.menu->actions())
            if (!action->menu() && action->text().startsWith(c.plain))
                plain = action;
        ASSERT_NE(plain, nullptr);

        c.menu->popup(frame->mapToGlobal(QPoint(40, 40)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(c.menu));
        // The arrow: text-coloured pixels at the entry's right end, none at a plain item's.
        testsupport::saveRendering(*c.menu, "menu");
        EXPECT_GT(textPixelsAtTheRightEnd(*c.menu, entry, BCMenu::kSubmenuArrowRoom), 8);
        EXPECT_EQ(textPixelsAtTheRightEnd(*c.menu, plain, BCMenu::kSubmenuArrowRoom), 0);
        EXPECT_GE(c.menu->actionGeometry(entry).width(),
                  QFontMetrics(c.menu->font()).horizontalAdvance(c.popup) + BCMenu::kSubmenuArrowRoom);

        // Resting the mouse on the entry opens its popup.
        QTest::mouseMove(c.menu, c.menu->actionGeometry(plain).center());
        QTest::mouseMove(c.menu, c.menu->actionGeometry(entry).center());
        EXPECT_TRUE(QTest::qWaitFor([sub] { return sub->isVisible(); }, 3000)) << "not opened on hover";
        sub->hide();
        c.menu->setActiveAction(plain);
        QApplication::processEvents();

        // The Right key on the entry opens it too, with its first item active.
        c.menu->setActiveAction(entry);
        QApplication::processEvents();
        QTest::keyClick(c.menu, Qt::Key_Right);
        EXPECT_TRUE(QTest::qWaitFor([sub] { return sub->isVisible(); }, 3000)) << "not opened by the Right key";
        EXPECT_NE(sub->activeAction(), nullptr);
        sub->hide();
        c.menu->hide();
        QApplication::processEvents();
    }
}

TEST_F(MainWindowTest, TheWebCommandOpensTheAddressOfTheAboutBoxsLink) {
    start();
    QAction* web = apptest::entryOf(*frame->menuBar()->actions().back()->menu(), ID_WEB_PAGE);
    ASSERT_NE(web, nullptr);
    frame->UpdateCommandUI();
    EXPECT_TRUE(web->isEnabled());
    web->trigger();
    services->modal->on("dlg_100", [](QDialog& dialog) {
        auto* about = dynamic_cast<CAboutDlg*>(&dialog);
        ASSERT_NE(about, nullptr);
        QTest::mouseClick(about->m_linkWeb, Qt::LeftButton);
        dialog.accept();
    });
    EXPECT_TRUE(frame->SendCommand(ID_APP_ABOUT));
    const auto opened = services->shell->opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], opened[1]);
    EXPECT_EQ(opened[0].rfind("https://", 0), 0u);
}

TEST_F(MainWindowTest, AClickOnTheProgressPaneTogglesTheDownloadsWindow) {
    start();
    auto record = std::make_unique<DownloadStatus>();
    record->m_posItem = doc->GetHeadPosition();
    record->m_nStatus = DOWNLOAD_INITIALIZED;
    record->m_szName = "first";
    frame->OnDownloadStatus(std::move(record), 0);
    CTextProgressCtrl* progress = frame->progressBar();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetWindowText(), "Update: 0/1");
    const int pane = frame->statusBarPanes()->CommandToIndex(ID_INDICATOR_CONNECTION);
    EXPECT_EQ(progress->geometry(), frame->statusBarPanes()->GetItemRect(pane));
    frame->m_dlgConn->hide();
    QTest::mouseClick(progress, Qt::LeftButton);
    EXPECT_TRUE(frame->m_dlgConn->isVisible());
    QTest::mouseClick(progress, Qt::LeftButton);
    EXPECT_FALSE(frame->m_dlgConn->isVisible());
    frame->OnAbortDownloads();
}

TEST_F(MainWindowTest, PlacementIsStoredOnlyForANormalWindow) {
    start();
    frame->showNormal();
    frame->setGeometry(120, 140, 900, 600);
    QApplication::processEvents();
    frame->OnSaveViewOptions();
    const std::string stored = services->settings->readString("MainWindow", "Dimensions");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(services->settings->readInt("ListView", "Dimensions", 0), frame->splitter()->sizes().first());

    frame->showMaximized();
    QApplication::processEvents();
    frame->OnSaveViewOptions();
    EXPECT_EQ(services->settings->readString("MainWindow", "Dimensions"), stored);
}

TEST_F(MainWindowTest, StoredPlacementIsCheckedBeforeUse) {
    start();
    struct Case {
        const char* stored;
        bool taken;
    };
    for (const Case& c : {Case{"10,20,810,620", true}, Case{"10,20,810", false}, Case{"100,100,50,300", false},
                          Case{"100,100,300,100", false}, Case{"", false}, Case{"a,b,c,d", false}}) {
        SCOPED_TRACE(c.stored);
        services->settings->writeString("MainWindow", "Dimensions", c.stored);
        CreateStruct cs;
        frame->PreCreateWindow(cs);
        if (c.taken) {
            EXPECT_EQ(cs.x, 10);
            EXPECT_EQ(cs.y, 20);
            EXPECT_EQ(cs.cx, 800);
            EXPECT_EQ(cs.cy, 600);
        } else {
            const QRect first = CMainFrame::defaultWindowRect(QGuiApplication::primaryScreen()->availableGeometry());
            EXPECT_EQ(QRect(cs.x, cs.y, cs.cx, cs.cy), first);
        }
    }
}

TEST(FirstWindowTest, ThreeQuartersOfTheAvailableAreaCentredOnIt) {
    struct Case {
        QRect available;
        QRect expected;
    };
    for (const Case& c : {Case{{0, 0, 1600, 1000}, {200, 125, 1200, 750}},
                          Case{{0, 30, 1280, 994}, {160, 154, 960, 745}},   // a panel above
                          Case{{1920, 0, 1024, 768}, {2048, 96, 768, 576}}, // the second screen
                          Case{{0, 0, 3, 2}, {0, 0, 2, 1}}}) {
        SCOPED_TRACE(c.available.width());
        const QRect first = CMainFrame::defaultWindowRect(c.available);
        EXPECT_EQ(first, c.expected);
        EXPECT_TRUE(c.available.contains(first));
    }
}

TEST_F(MainWindowTest, WithoutAStoredPlacementTheFirstWindowShowsTheChartAndEveryPaneInFull) {
    services->settings->writeString("MainWindow", "Dimensions", "");
    app = std::make_unique<CWPapierApp>();
    app->setServices(services->bundle());
    app->setArguments({file.string()});
    ASSERT_TRUE(app->InitInstance());
    frame = app->mainFrame();
    ASSERT_NE(frame, nullptr);
    // The views' first refresh and the idle updates that follow it.
    QTest::qWait(300);
    testsupport::saveRendering(frame->grab(), "first-window");

    const QRect available = frame->screen()->availableGeometry();
    // Three quarters of the screen's height and at least of its width (wider when the panes need
    // it), centred on the screen and on it.
    const QRect first = CMainFrame::defaultWindowRect(available);
    EXPECT_EQ(frame->height(), first.height());
    EXPECT_EQ(frame->pos().y(), first.y());
    EXPECT_GE(frame->width(), first.width());
    EXPECT_TRUE(available.contains(frame->frameGeometry()));
    EXPECT_LE(std::abs((frame->frameGeometry().left() - available.left()) -
                       (available.right() - frame->frameGeometry().right())),
              frame->frameGeometry().width() - frame->width() + 1);
    // The list keeps its first 282 pixels and the chart gets a real height.
    EXPECT_EQ(frame->splitter()->sizes().first(), 282);
    EXPECT_GE(frame->graphView()->height(), 50);
    // Every pane's text fits its pane, the clock's too; every pane shows in full unless the window
    // stopped at the screen's width (panes in a wide font can need more).
    MMStatusBar* bar = frame->statusBarPanes();
    const QFontMetrics metrics(bar->font());
    const bool screenWide = frame->frameGeometry().width() == available.width();
    for (int pane = 1; pane < bar->GetCount(); ++pane) {
        SCOPED_TRACE(pane);
        const QRect rect = bar->GetItemRect(pane);
        if (!screenWide) {
            EXPECT_TRUE(bar->rect().contains(rect)) << rect.x() << "," << rect.y() << " " << rect.width() << "x"
                                                    << rect.height() << " in " << bar->width() << "x" << bar->height();
        }
        EXPECT_GE(rect.width(), metrics.horizontalAdvance(bar->GetPaneText(pane)));
    }
    EXPECT_FALSE(bar->GetPaneText(3).isEmpty());
}

// Panes that need more than the whole screen (the status bar in a large font): the first window
// widens to the screen's edges, no further.
TEST_F(MainWindowTest, TheFirstWindowWidensForItsPanesOnlyAsFarAsTheScreenGoes) {
    const QFont barFont = QApplication::font("QStatusBar");
    QFont large = barFont;
    large.setPixelSize(60);
    QApplication::setFont(large, "QStatusBar");
    services->settings->writeString("MainWindow", "Dimensions", "");
    app = std::make_unique<CWPapierApp>();
    app->setServices(services->bundle());
    app->setArguments({file.string()});
    const bool started = app->InitInstance();
    QTest::qWait(300); // the views' first refresh and the idle updates that fit the window
    QApplication::setFont(barFont, "QStatusBar");
    ASSERT_TRUE(started);
    frame = app->mainFrame();
    ASSERT_NE(frame, nullptr);

    const QRect available = frame->screen()->availableGeometry();
    const QRect placed = frame->frameGeometry();
    EXPECT_TRUE(available.contains(placed))
        << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
    EXPECT_EQ(placed.width(), available.width()) << "the window widened as far as it could";
}

// The release question is a real modal box over the first window. The views' first refresh and
// paints run in the box's own event loop: while it waits, the window already shows the chart of the
// list's current row, title included, exactly as it shows it once the question is answered.
TEST_F(MainWindowTest, WhileTheStartQuestionWaitsTheWindowShowsTheWholeChart) {
    settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 1);
    services->settings->writeInt("GeneralOptions", "CheckUpToDate", 1);
    app = std::make_unique<CWPapierApp>();
    app->setServices(services->bundle());
    app->setMessageBoxes(
        std::make_shared<QtMessageBoxes>("Corvana", [this]() -> QWidget* { return app->mainFrame(); }));
    app->setArguments({file.string()});

    std::string question;
    QImage whileAsked;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        question = box->text().toStdString();
        QTimer::singleShot(300, box, [&, box] {
            whileAsked = apptest::shownPixels(*app->mainFrame()->graphView());
            box->button(QMessageBox::No)->click();
        });
    });
    poll.start();
    ASSERT_TRUE(app->InitInstance());
    poll.stop();
    EXPECT_EQ(question, "Do you want to check if a new version of\nCorvana is available?");
    ASSERT_FALSE(whileAsked.isNull());

    frame = app->mainFrame();
    chart = frame->graphView();
    QTest::qWait(300);
    ASSERT_EQ(chart->layout().content, ChartContent::History);
    const QImage answered = apptest::shownPixels(*chart);
    EXPECT_EQ(whileAsked, answered);
    testsupport::saveRendering(whileAsked, "chart-while-asked");
    // The title's band above the data area holds the title's text.
    const QRgb background = toQColor(GetSysColor(COLOR_WINDOW)).rgb();
    int inked = 0;
    for (int y = 0; y < chart->layout().data.top - 7; ++y)
        for (int x = 0; x < whileAsked.width(); ++x)
            inked += whileAsked.pixel(x, y) != background;
    EXPECT_GT(inked, 50);
}

TEST_F(MainWindowTest, HelpPagesShipBesideTheProgram) {
    const fs::path data = fs::path(CORVANA_BINARY).parent_path() / "data";
    for (const char* page : {"FAQ.html", "ServerSettings.html"}) {
        SCOPED_TRACE(page);
        EXPECT_TRUE(fs::is_regular_file(data / page));
        EXPECT_TRUE(fs::is_regular_file(helpPagesFolder() / page));
    }
}

// About > Help opens the very page the frame's FAQ command opens; a page that cannot be opened is
// told to the user, from either place.
TEST_F(MainWindowTest, AboutHelpOpensTheFaqOfTheFrameAndAFailureIsTold) {
    start();
    const auto aboutHelp = [&] {
        services->modal->on("dlg_100", [](QDialog& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>("idc_1145"), Qt::LeftButton);
            dialog.accept();
        });
        ASSERT_TRUE(frame->SendCommand(ID_APP_ABOUT));
    };
    aboutHelp();
    frame->commandAction(ID_HELP_FAQ)->trigger();
    const auto opened = services->shell->opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], opened[1]);
    EXPECT_EQ(opened[0],
              QUrl::fromLocalFile(paths::toQString(helpPagesFolder() / "FAQ.html")).toString().toStdString());
    EXPECT_TRUE(services->boxes->texts().empty());

    // The desktop cannot open it: both say so.
    services->shell->succeed = false;
    aboutHelp();
    frame->commandAction(ID_HELP_FAQ)->trigger();
    const std::string notOpened =
        "Could not open the help page '" + (helpPagesFolder() / "FAQ.html").string() + "'.";
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>(2, notOpened));

    // A folder without the page.
    CAboutDlg about(services->bundle(), path("nohelp"));
    services->modal->on("dlg_100", [&](QDialog& dialog) {
        about.OnHelp();
        dialog.accept();
    });
    about.DoModal();
    ASSERT_EQ(services->boxes->texts().size(), 3u);
    EXPECT_EQ(services->boxes->texts()[2],
              "The help page '" + (path("nohelp") / "FAQ.html").string() + "' does not exist.");
}

// The Downloads window that a timed update opens takes no focus, and while an item sheet is open it
// goes beside the sheet instead of over its controls.
TEST_F(MainWindowTest, TheDownloadsWindowOfAnUpdateLeavesTheOpenSheetAlone) {
    start();
    frame->activateWindow();
    QApplication::processEvents();
    ASSERT_FALSE(frame->m_dlgConn->isVisible());
    const ItemPos pos = list->model().itemAt(1);
    const auto report = [&](int status) {
        auto r = std::make_unique<DownloadStatus>();
        r->m_posItem = pos;
        r->m_nStatus = status;
        r->m_szName = doc->GetItemName(pos);
        frame->OnDownloadStatus(std::move(r), 0);
        QApplication::processEvents();
    };

    list->DeselectAll();
    list->SelectItem(pos);
    services->modal->on("dlg_108", [&](QDialog& sheet) {
        // The sheet in the screen's top left corner, so the screen has room beside it.
        sheet.move(sheet.screen()->availableGeometry().topLeft());
        QApplication::processEvents();
        QWidget* focused = QApplication::focusWidget();
        ASSERT_EQ(QApplication::activeModalWidget(), &sheet);
        ASSERT_TRUE(frame->m_dlgConn->frameGeometry().intersects(sheet.frameGeometry())); // where it would open
        report(DOWNLOAD_INITIALIZED);
        CDlgConn* downloads = frame->m_dlgConn;
        EXPECT_TRUE(downloads->isVisible());
        EXPECT_FALSE(downloads->frameGeometry().intersects(sheet.frameGeometry()))
            << "sheet " << sheet.frameGeometry().x() << "," << sheet.frameGeometry().y() << " "
            << sheet.frameGeometry().width() << "x" << sheet.frameGeometry().height() << ", downloads "
            << downloads->frameGeometry().x() << "," << downloads->frameGeometry().y() << " "
            << downloads->frameGeometry().width() << "x" << downloads->frameGeometry().height();
        // A platform that activates a shown window all the same gets the activation back.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &sheet; }, 10000));
        EXPECT_EQ(QApplication::focusWidget(), focused);
        report(DOWNLOAD_ABORTED);
        sheet.reject();
    });
    ASSERT_TRUE(frame->SendCommand(ID_ITEM_PROPERTIES));
    ASSERT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_108"});

    // With no dialog open, the window opens where it stood and the main window keeps the focus.
    frame->m_dlgConn->hide();
    frame->activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), frame);
    report(DOWNLOAD_INITIALIZED);
    EXPECT_TRUE(frame->m_dlgConn->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == frame; }, 10000));
    report(DOWNLOAD_ABORTED);
}

class CalculatorTest : public testsupport::TempDirTest {};

TEST_F(CalculatorTest, TheFirstProgramOfTheListOnThePathIsTaken) {
    const fs::path bin = path("bin"), other = path("other");
    fs::create_directories(bin);
    fs::create_directories(other);
    const auto place = [](const fs::path& file, bool executable) {
        std::ofstream(file) << "#!/bin/sh\n";
        fs::permissions(file, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    };
    EXPECT_TRUE(CMainFrame::findCalculator("").empty());
    place(other / "xcalc", false);
    EXPECT_TRUE(CMainFrame::findCalculator(other.string()).empty()); // not executable
    place(bin / "xcalc", true);
    place(bin / "kcalc", true);
    EXPECT_EQ(CMainFrame::findCalculator(other.string() + "::" + bin.string()), bin / "kcalc");
}

} // namespace
