#include "FrameworkTestKit.h"

#include <gtest/gtest.h>

#include <QAction>

#include <algorithm>
#include <vector>

using namespace frameworktest;

namespace {

// Records each refresh and what it was given.
class RefreshCountingView : public View {
public:
    std::vector<ViewChanges> refreshes;

protected:
    void OnRefresh(const ViewChanges& changes) override {
        refreshes.push_back(changes);
        View::OnRefresh(changes);
    }
};

class ViewUpdatesTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "content")));
        counting = new RefreshCountingView;
        counting->setParent(frame());
        counting->attachDocument(document());
        processEvents();
        counting->refreshes.clear();
    }
    RefreshCountingView* counting = nullptr;
};

TEST_F(ViewUpdatesTest, NoticesOfOneTurnMakeOneRefresh) {
    for (std::int64_t hint = 1; hint <= 500; ++hint)
        document()->UpdateAllViews(nullptr, hint);
    document()->UpdateAllViews(nullptr, 7); // named twice, refreshed once
    EXPECT_TRUE(counting->refreshes.empty());
    EXPECT_TRUE(counting->flushPending());
    processEvents();
    ASSERT_EQ(counting->refreshes.size(), 1u);
    EXPECT_FALSE(counting->refreshes[0].all);
    EXPECT_EQ(counting->refreshes[0].hints.size(), 500u);

    // Everything, in the same turn as single items: one refresh of everything.
    document()->UpdateAllViews(nullptr, 3);
    document()->UpdateAllViews(nullptr, 0);
    document()->UpdateAllViews(nullptr, 4);
    processEvents();
    ASSERT_EQ(counting->refreshes.size(), 2u);
    EXPECT_TRUE(counting->refreshes[1].all);
    EXPECT_TRUE(counting->refreshes[1].hints.empty());
}

TEST_F(ViewUpdatesTest, AFlushOnDemandRefreshesAtOnceAndLeavesNothingForLater) {
    document()->UpdateAllViews(nullptr, 9);
    counting->flush();
    ASSERT_EQ(counting->refreshes.size(), 1u);
    EXPECT_EQ(counting->refreshes[0].hints, std::unordered_set<std::int64_t>{9});
    processEvents();
    EXPECT_EQ(counting->refreshes.size(), 1u);
    counting->flush(); // nothing marked: nothing done
    EXPECT_EQ(counting->refreshes.size(), 1u);
}

TEST_F(ViewUpdatesTest, AViewDestroyedBeforeItsFlushIsNotRefreshed) {
    auto* survivor = new RefreshCountingView;
    survivor->setParent(frame());
    survivor->attachDocument(document());
    processEvents();
    document()->UpdateAllViews(nullptr, 0);
    ASSERT_TRUE(counting->flushPending());
    delete counting;
    // The document lets the view go at once: no later notice reaches it.
    const std::vector<DocumentObserver*>& views = document()->views();
    EXPECT_EQ(std::count(views.begin(), views.end(), static_cast<DocumentObserver*>(survivor)), 1);
    EXPECT_EQ(views.size(), 2u); // the frame's own view and the survivor
    // The turn runs the flushes queued in it: the survivor's. The gone view's was queued to that
    // view and went with it; were it run, it would touch freed memory, which only the sanitizer
    // build sees.
    processEvents();
    EXPECT_EQ(survivor->refreshes.size(), 1u);
    document()->UpdateAllViews(nullptr, 5);
    processEvents();
    EXPECT_EQ(survivor->refreshes.size(), 2u);
}

// A change of the document refreshes the commands' states without any input.
TEST_F(ViewUpdatesTest, ANoticeOfTheDocumentRefreshesTheCommands) {
    bool enabled = false;
    frame()->addCommand(40200, [] {});
    frame()->addUpdateHandler(40200, [&](CmdUI& ui) { ui.Enable(enabled); });
    QAction* action = frame()->commandAction(40200);
    processEvents();
    EXPECT_FALSE(action->isEnabled());
    enabled = true;
    document()->UpdateAllViews(nullptr, 0);
    processEvents();
    EXPECT_TRUE(action->isEnabled());
}

} // namespace
