// Status prompts of the main window: every kind of menu the window or its views open shows the
// prompt of the entry under the pointer in pane 0 (the idle text for an entry without one), the
// other panes stay in view, and pane 0's layout and text come back when the menu closes; a toolbar
// button does the same while the pointer is on it.

#include "ProgramWindow.h"
#include "app/MainMenus.h"
#include "app/Resource.h"
#include "controls/BCMenu.h"
#include "controls/MMStatusBar.h"
#include "controls/ToolbarBitmap.h"
#include "dialogs/DialogIds.h"
#include "framework/ResourceIds.h"
#include "support/Renderings.h"

#include <QEnterEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

namespace {

using apptest::entryOf;

const char* const kZoomInPrompt =
    "Zoom chart into selected interval (click on interval begin and drag mouse to interval end).";

struct PaneLayout {
    unsigned id = 0;
    unsigned style = 0;
    int width = 0;
    bool operator==(const PaneLayout&) const = default;
};

class MenuPromptsTest : public apptest::ProgramWindowTest {
protected:
    MMStatusBar& bar() { return *frame->statusBarPanes(); }
    PaneLayout pane0() {
        PaneLayout layout;
        bar().GetPaneInfo(0, layout.id, layout.style, layout.width);
        return layout;
    }
    QString text0() { return bar().GetPaneText(0); }

    // Runs `open`, which shows a menu of the window (and may wait inside it); once the menu shows,
    // `inside` runs with it, then every open menu closes.
    void withMenu(const std::function<void()>& open, const std::function<void(QMenu&)>& inside) {
        bool ran = false;
        QTimer::singleShot(0, frame, [&] {
            ran = true;
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                ADD_FAILURE() << "no menu opened";
                return;
            }
            inside(*menu);
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        open();
        for (int i = 0; i < 200 && !ran; ++i)
            QTest::qWait(5);
        EXPECT_TRUE(ran);
    }

    // Opens menu `resource` as the views open theirs, owned by the window.
    void trackMenu(unsigned resource, QPoint at) {
        BCMenu menu(frame);
        ASSERT_TRUE(menu.LoadMenu(resource));
        const unsigned toolbars[] = {132, 129};
        menu.LoadToolbarImages(toolbars);
        ASSERT_NE(menu.subMenuObject(0), nullptr);
        menu.subMenuObject(0)->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, at, frame);
    }

    // The pointer moves onto `entry` as a user's would, in a few steps.
    static void pointAt(QMenu& menu, QAction* entry) {
        ASSERT_NE(entry, nullptr);
        const QRect r = menu.actionGeometry(entry);
        for (int dx = -6; dx <= 6; dx += 2)
            QTest::mouseMove(&menu, r.center() + QPoint(dx, 0));
    }
};

TEST_F(MenuPromptsTest, EveryMenuShowsItsEntriesPromptsAndGivesPaneZeroBack) {
    start();
    struct Case {
        const char* name;
        std::vector<int> rows; // selected
        std::function<void()> open;
        std::vector<std::pair<unsigned, const char*>> entries; // prompt null: the idle text
    };
    const auto globalCentre = [](QWidget& w) { return w.mapToGlobal(w.rect().center()); };
    const unsigned firstColumn = columnMenuEntries()[0].items[0].id;
    const std::vector<Case> cases = {
        {"menu bar: View",
         {0},
         [&] {
             QMenuBar* menus = frame->menuBar();
             QAction* view = menus->actions().at(2);
             QTest::mouseClick(menus, Qt::LeftButton, {}, menus->actionGeometry(view).center());
         },
         {{ID_TOGGLE_PERCENTUAL, nullptr}, {ID_REFRESH, nullptr}}},
        {"item menu 107 over the rows",
         {0},
         [&] { list->OnContextMenu(globalCentre(*list->GetListCtrl().viewport())); },
         {{ID_UPDATE_QUOTATION, nullptr}}},
        {"column menu 136 over the header",
         {0},
         [&] { list->OnContextMenu(globalCentre(list->GetHeaderCtrl())); },
         {{firstColumn, nullptr}}},
        {"chart menu 110",
         {0},
         [&] { trackMenu(IDR_GRAPH_MENU, globalCentre(*chart)); },
         {{ID_ZOOM_IN, kZoomInPrompt}, {ID_ZOOM_OUT, "Display complete chart."}, {ID_ZOOM_IN, kZoomInPrompt}}},
        {"chart menu 135 of two items",
         {0, 1},
         [&] { chart->OnContextMenu(globalCentre(*chart)); },
         {{ID_COMPARISON_LIMITS, "Set comparison chart limits."}}},
        {"tray menu 130",
         {0},
         [&] { frame->trayMenu()->popup(globalCentre(*frame)); },
         {{ID_CONNECTION_STATUS, nullptr}, {ID_ABORT_DOWNLOADS, nullptr}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list->DeselectAll();
        for (const int row : c.rows)
            list->SelectItem(list->model().itemAt(row));
        settle();
        const QString idle = QString::fromStdString(frame->selectionSumText());
        ASSERT_FALSE(idle.isEmpty());
        frame->SetStatusText("An item's text");
        const PaneLayout before = pane0();
        const QString investment = bar().GetPaneText(1);

        withMenu(c.open, [&](QMenu& menu) {
            EXPECT_EQ(pane0().style, SBPS_STRETCH | SBPS_NOBORDERS);
            for (const auto& [id, prompt] : c.entries) {
                SCOPED_TRACE(id);
                pointAt(menu, entryOf(menu, id));
                EXPECT_EQ(text0(), prompt ? QString::fromUtf8(prompt) : idle);
            }
            // No temporary message over the bar; the other panes keep their places and texts.
            EXPECT_TRUE(bar().currentMessage().isEmpty());
            EXPECT_EQ(bar().GetItemRect(0).right() + 3, bar().GetItemRect(1).left());
            EXPECT_LE(bar().GetItemRect(3).right(), bar().width());
            EXPECT_EQ(bar().GetPaneText(1), investment);
            if (c.rows.size() == 2) {
                // The window with the menu over it, as the user sees it.
                QImage shot = frame->grab().toImage();
                QPainter painter(&shot);
                painter.drawPixmap(frame->mapFromGlobal(menu.mapToGlobal(QPoint(0, 0))), menu.grab());
                painter.end();
                testsupport::saveRendering(shot, "chart-menu-prompt");
            }
        });
        EXPECT_EQ(pane0(), before);
        EXPECT_EQ(text0(), QStringLiteral("An item's text"));
    }
}

TEST_F(MenuPromptsTest, ATextSetWhileAMenuIsOpenShowsWhenItCloses) {
    start();
    select({0, 1});
    frame->SetStatusText("Before");
    withMenu([&] { chart->OnContextMenu(chart->mapToGlobal(chart->rect().center())); },
             [&](QMenu& menu) {
                 pointAt(menu, entryOf(menu, ID_COMPARISON_LIMITS));
                 // A download's result changes the selection's text meanwhile.
                 frame->SetSelectionSumText("Selection changed");
                 frame->SetStatusText("");
                 EXPECT_EQ(text0(), QStringLiteral("Set comparison chart limits."));
             });
    EXPECT_EQ(text0(), QStringLiteral("Selection changed"));
}

TEST_F(MenuPromptsTest, AToolbarButtonShowsItsPromptWhileThePointerIsOnIt) {
    start();
    frame->SetStatusText("Before");
    QWidget* button = frame->toolBar()->widgetForAction(frame->commandAction(ID_COMPARISON_LIMITS));
    ASSERT_NE(button, nullptr);
    const QPointF inside(button->rect().center());
    QEnterEvent enter(inside, button->mapTo(frame, inside), button->mapToGlobal(inside));
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(text0(), QStringLiteral("Set comparison chart limits."));
    EXPECT_TRUE(bar().currentMessage().isEmpty());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(text0(), QStringLiteral("Before"));
    EXPECT_TRUE(bar().currentMessage().isEmpty());
}

} // namespace
