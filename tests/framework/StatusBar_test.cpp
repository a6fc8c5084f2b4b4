// The framework's status bar: panes from indicators, their update handlers at idle time, the
// prompt in pane 0, and the menu-opening hook of the frame.
#include "framework/FrameWnd.h"
#include "framework/StatusBar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// Records the menus that open, in order.
class HookFrame : public FrameWnd {
public:
    std::vector<QMenu*> opened;
    void OnInitMenuPopup(QMenu* popup) override { opened.push_back(popup); }
};

class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<HookFrame>();
        bar = new CStatusBar;
        frame->setStatusBar(bar);
        const unsigned ids[] = {0, 40032, 120};
        ASSERT_TRUE(bar->SetIndicators(ids));
        // Wide enough for every pane in any font: pane 0 takes a quarter of the screen, pane 2 holds
        // forty spaces (wide in a fixed-pitch font).
        int panes = 0;
        for (int i = 0; i < bar->GetCount(); ++i) {
            unsigned id = 0, style = 0;
            int width = 0;
            bar->GetPaneInfo(i, id, style, width);
            panes += width + 20;
        }
        frame->resize(std::max(500, panes + 100), 150);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    std::unique_ptr<HookFrame> frame;
    CStatusBar* bar = nullptr;
};

} // namespace

TEST_F(StatusBarTest, IndicatorsMakePanesAndUpdateHandlersSetThemAtIdleTime) {
    ASSERT_EQ(bar->GetCount(), 3);
    EXPECT_EQ(bar->CommandToIndex(120), 2);
    EXPECT_EQ(bar->CommandToIndex(7), -1);
    EXPECT_EQ(bar->GetPaneText(1), "Update: %i/%i") << "an indicator shows its string";
    EXPECT_EQ(bar->GetPaneStyle(0), SBPS_STRETCH | SBPS_NOBORDERS);
    EXPECT_TRUE(bar->GetItemRect(3).isEmpty());
    EXPECT_LT(bar->GetItemRect(2).right(), bar->width());
    EXPECT_GT(bar->GetItemRect(0).width(), bar->GetItemRect(1).width()) << "pane 0 stretches";

    bool enabled = true;
    frame->addUpdateHandler(40032, [&](CmdUI& ui) {
        ui.Enable(enabled);
        ui.SetCheck(1);
        ui.SetText("Update: 1/3");
    });
    frame->UpdateCommandUI();
    EXPECT_EQ(bar->GetPaneText(1), "Update: 1/3");
    EXPECT_EQ(bar->GetPaneStyle(1), SBPS_POPOUT);
    enabled = false;
    frame->UpdateCommandUI();
    EXPECT_EQ(bar->GetPaneStyle(1), SBPS_POPOUT | SBPS_DISABLED);
    // A pane without a handler keeps its state: not disabled for the lack of one.
    bar->SetPaneText(2, "kept");
    frame->UpdateCommandUI();
    EXPECT_EQ(bar->GetPaneText(2), "kept");
    EXPECT_EQ(bar->GetPaneStyle(2), SBPS_NORMAL);
}

TEST_F(StatusBarTest, PromptsShowInPaneZero) {
    bar->SetPaneText(0, "Ready");
    bar->showMessage("Open an existing document");
    const QImage withPrompt = bar->grab().toImage();
    bar->clearMessage();
    const QImage ready = bar->grab().toImage();
    EXPECT_NE(withPrompt, ready);
    EXPECT_EQ(bar->GetPaneText(0), "Ready");
}

TEST_F(StatusBarTest, ABoundMenuOpensOnceBoundAndRunsTheHookAfterTheStates) {
    QMenu menu;
    QAction* action = frame->commandAction(40100);
    menu.addAction(action);
    bool enabled = false;
    frame->addUpdateHandler(40100, [&](CmdUI& ui) { ui.Enable(enabled); });
    frame->bindMenu(&menu);
    frame->bindMenu(&menu);
    enabled = true;
    bool enabledWhenHooked = false;
    QObject::connect(&menu, &QMenu::aboutToShow, [&] { enabledWhenHooked = action->isEnabled(); });
    emit menu.aboutToShow();
    EXPECT_EQ(frame->opened, (std::vector<QMenu*>{&menu}));
    EXPECT_TRUE(enabledWhenHooked);
}
