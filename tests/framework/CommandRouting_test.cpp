#include "FrameworkTestKit.h"
#include "framework/ResourceIds.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <stdexcept>

using namespace frameworktest;

namespace {

class CommandRoutingTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "content")));
        ASSERT_NE(view(), nullptr);
    }

    // Registers a handler that records `who` on `target`.
    void handle(CommandTarget& target, CommandId id, const std::string& who) {
        target.addCommand(id, [this, who] { ran.push_back(who); });
    }

    std::vector<std::string> ran;
};

TEST_F(CommandRoutingTest, ACommandGoesToTheFirstOfViewDocumentFrameApplication) {
    struct Case {
        CommandId id;
        std::vector<std::string> handlers; // who has a handler
        std::string expected;              // who runs it ("" none)
    };
    const Case cases[] = {
        {40001, {"view", "document", "frame", "app"}, "view"},
        {40002, {"document", "frame", "app"}, "document"},
        {40003, {"frame", "app"}, "frame"},
        {40004, {"app"}, "app"},
        {40005, {}, ""},
    };
    for (const Case& c : cases) {
        for (const std::string& who : c.handlers) {
            CommandTarget& target = who == "view"       ? static_cast<CommandTarget&>(*view())
                                    : who == "document" ? docTemplate().documentCommands()
                                    : who == "frame"    ? static_cast<CommandTarget&>(*frame())
                                                        : static_cast<CommandTarget&>(*app);
            handle(target, c.id, who);
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ran.clear();
        EXPECT_EQ(frame()->SendCommand(c.id), !c.expected.empty());
        EXPECT_EQ(ran, c.expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.expected});
    }
}

TEST_F(CommandRoutingTest, UpdateHandlersDecideActionStatesAndWhetherACommandRuns) {
    bool frameAllows = false;
    handle(*view(), 40010, "view");
    frame()->addUpdateHandler(40010, [&](CmdUI& ui) { ui.Enable(frameAllows); });
    handle(*frame(), 40011, "frame"); // no update handler: enabled
    // 40012: nobody knows it: disabled
    view()->addUpdateHandler(40013, [](CmdUI& ui) {
        ui.Enable(true);
        ui.SetCheck(1);
        ui.SetText("Checked by the view");
    });
    frame()->addUpdateHandler(40013, [](CmdUI& ui) { ui.Enable(false); });
    handle(*frame(), 40013, "frame");

    QAction a10("a"), a11("b"), a12("c"), a13("d");
    frame()->bindAction(&a10, 40010);
    frame()->bindAction(&a11, 40011);
    frame()->bindAction(&a12, 40012);
    frame()->bindAction(&a13, 40013);
    EXPECT_FALSE(a10.isEnabled());
    EXPECT_TRUE(a11.isEnabled());
    EXPECT_FALSE(a12.isEnabled());
    EXPECT_TRUE(a13.isEnabled());
    EXPECT_TRUE(a13.isCheckable());
    EXPECT_TRUE(a13.isChecked());
    EXPECT_EQ(a13.text(), "Checked by the view");
    EXPECT_FALSE(a11.isCheckable()); // nobody set a check mark
    EXPECT_EQ(frame()->actionFor(40011), &a11);

    // A disabled command is not run, also when sent.
    EXPECT_FALSE(frame()->SendCommand(40010));
    a10.trigger();
    EXPECT_TRUE(ran.empty());

    // The state follows at the next idle update after a command.
    frameAllows = true;
    EXPECT_TRUE(frame()->SendCommand(40011));
    EXPECT_FALSE(a10.isEnabled());
    processEvents();
    EXPECT_TRUE(a10.isEnabled());
    a10.trigger();
    a13.trigger();
    EXPECT_EQ(ran, (std::vector<std::string>{"frame", "view", "frame"}));
}

TEST_F(CommandRoutingTest, AMenuRefreshesItsActionsWhenItOpens) {
    bool enabled = false;
    frame()->addCommand(40020, [] {});
    frame()->addUpdateHandler(40020, [&](CmdUI& ui) { ui.Enable(enabled); });
    QMenu menu;
    QAction* action = frame()->bindAction(menu.addAction("Item"), 40020);
    frame()->bindMenu(&menu);
    EXPECT_FALSE(action->isEnabled());
    enabled = true;
    emit menu.aboutToShow();
    EXPECT_TRUE(action->isEnabled());
}

TEST_F(CommandRoutingTest, PostedCommandsRunLaterAndFailuresAreLoggedNotThrown) {
    handle(*frame(), 40030, "posted");
    frame()->PostCommand(40030);
    EXPECT_TRUE(ran.empty());
    processEvents();
    EXPECT_EQ(ran, std::vector<std::string>{"posted"});

    testsupport::LogCapture log;
    frame()->addCommand(40031, [] { throw std::runtime_error("boom"); });
    EXPECT_TRUE(frame()->SendCommand(40031));
    EXPECT_TRUE(log.contains(LOG_LEVEL_ERROR, "Command 40031 failed: boom"));
}

TEST(PostedCommand, ForAFrameThatIsGoneIsDropped) {
    int runs = 0;
    auto frame = std::make_unique<FrameWnd>();
    frame->addCommand(40040, [&] { ++runs; });
    frame->PostCommand(40040);
    frame.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0);
}

TEST_F(CommandRoutingTest, ToolbarAndStatusBarCommandsShowAndHideThem) {
    QAction statusAction("Statusbar");
    frame()->bindAction(&statusAction, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(statusAction.isEnabled()); // no status bar yet
    QStatusBar* bar = frame()->statusBar();
    processEvents(); // the frame shows it
    frame()->UpdateCommandUI();
    EXPECT_TRUE(statusAction.isEnabled());
    EXPECT_TRUE(statusAction.isChecked());
    statusAction.trigger();
    EXPECT_TRUE(bar->isHidden());
    frame()->UpdateCommandUI();
    EXPECT_FALSE(statusAction.isChecked());

    QAction toolbarAction("Toolbar");
    frame()->bindAction(&toolbarAction, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(toolbarAction.isEnabled()); // no toolbar yet
    QToolBar* toolbar = frame()->addToolBar("Main");
    processEvents();
    frame()->UpdateCommandUI();
    EXPECT_TRUE(toolbarAction.isEnabled());
    EXPECT_TRUE(toolbarAction.isChecked());
    toolbarAction.trigger();
    EXPECT_TRUE(toolbar->isHidden());
    EXPECT_FALSE(bar->isVisible()); // the status bar is left as it was
    toolbarAction.trigger();
    EXPECT_FALSE(toolbar->isHidden());
}

TEST(CommandTarget, TheLatestRegistrationOfACommandWins) {
    CommandTarget target;
    std::vector<std::string> ran;
    const auto record = [&](const std::string& who) {
        return [&ran, who](CommandId id) { ran.push_back(who + " " + std::to_string(id)); };
    };
    target.addCommandRange(100, 109, record("range"));
    target.addCommand(105, [&] { ran.push_back("single"); });
    std::string state;
    target.addUpdateHandlerRange(100, 109, [&](CmdUI&) { state = "range"; });
    target.addUpdateHandler(104, [&](CmdUI&) { state = "single"; });

    EXPECT_TRUE(target.runCommand(105));
    EXPECT_TRUE(target.runCommand(104));
    EXPECT_FALSE(target.runCommand(110));
    target.addCommandRange(105, 106, record("newer"));
    EXPECT_TRUE(target.runCommand(105));
    EXPECT_EQ(ran, (std::vector<std::string>{"single", "range 104", "newer 105"}));

    CmdUI ui104(104), ui100(100), ui110(110);
    EXPECT_TRUE(target.runUpdateHandler(ui104));
    EXPECT_EQ(state, "single");
    EXPECT_TRUE(target.runUpdateHandler(ui100));
    EXPECT_EQ(state, "range");
    EXPECT_FALSE(target.runUpdateHandler(ui110));
}

// A frame with two views one above the other, as a splitter holds them.
class TwoViewFrame : public FrameWnd {
public:
    bool OnCreateClient(CreateContext& context) override {
        auto* splitter = new QSplitter(Qt::Vertical, this);
        setCentralWidget(splitter);
        upper = CreateView(context, splitter);
        lower = CreateView(context, splitter);
        SetActiveView(upper);
        return upper && lower;
    }
    View* upper = nullptr;
    View* lower = nullptr;
};

class TwoViewTest : public CommandRoutingTest {
protected:
    SingleDocTemplate::FrameFactory frameFactory() override {
        return [] { return std::make_unique<TwoViewFrame>(); };
    }
    TwoViewFrame& twoViews() { return static_cast<TwoViewFrame&>(*frame()); }
};

TEST_F(TwoViewTest, BothViewsShowTheDocumentAndTheFocusedOneGetsTheCommands) {
    auto* upper = static_cast<RecordingView*>(twoViews().upper);
    auto* lower = static_cast<RecordingView*>(twoViews().lower);
    EXPECT_EQ(document()->views().size(), 2u);
    EXPECT_EQ(upper->GetDocument(), document());
    EXPECT_EQ(lower->GetParentFrame(), frame());
    EXPECT_EQ(upper->initialUpdates, 1);
    EXPECT_EQ(lower->initialUpdates, 1);

    handle(*upper, 40050, "upper");
    handle(*lower, 40050, "lower");
    frame()->SendCommand(40050);

    frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    lower->setFocus();
    processEvents();
    EXPECT_EQ(frame()->GetActiveView(), lower);
    frame()->SendCommand(40050);
    EXPECT_EQ(ran, (std::vector<std::string>{"upper", "lower"}));
}

} // namespace
