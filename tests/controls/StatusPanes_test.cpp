// The main window's status bar: panes that take their text's width, icons, clicks as commands, tool
// tips per pane, colour entries drawn by the bar, and the clock timer's idle updates.
#include "ControlsPalette.h"
#include "controls/MMStatusBar.h"
#include "framework/FrameWnd.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <memory>

namespace {

constexpr unsigned kIds[] = {0, 119, 120, 109};

// Exposes the bar's notification entry, as the status control delivers a click.
class TestStatusBar : public MMStatusBar {
public:
    using MMStatusBar::OnChildNotify;
};

QIcon blueIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(0, 0, 255));
    return QIcon(pixmap);
}

class StatusPanesTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<FrameWnd>();
        bar = new TestStatusBar;
        bar->setObjectName("idc_status");
        frame->setStatusBar(bar);
        ASSERT_TRUE(bar->SetIndicators(kIds));
        // Wide enough for every pane in any font (panes 119 and 120 hold runs of spaces, wide in a
        // fixed-pitch font).
        int panes = 0;
        for (int i = 0; i < bar->GetCount(); ++i)
            panes += paneWidth(i) + 20;
        frame->resize(std::max(600, panes + 100), 200);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        for (const unsigned id : kIds)
            frame->addCommand(id, [this, id] { clicked.push_back(id); });
        // Pane 119 shows `text`, with an icon while `icon` is set.
        frame->addUpdateHandler(119, [this](CmdUI& ui) {
            auto& pane = dynamic_cast<MMStatusCmdUI&>(ui);
            pane.SetIcon(icon ? blueIcon() : QIcon());
            pane.SetText(text);
            pane.SetToolTipText("Invested");
        });
    }

    int paneWidth(int index) const {
        unsigned id = 0, style = 0;
        int width = 0;
        bar->GetPaneInfo(index, id, style, width);
        return width;
    }
    int textWidth(const char* s) const { return QFontMetrics(bar->font()).horizontalAdvance(QString(s)); }

    controlstest::FixedPalette palette;
    std::unique_ptr<FrameWnd> frame;
    TestStatusBar* bar = nullptr;
    std::string text;
    bool icon = false;
    std::vector<unsigned> clicked;
};

} // namespace

TEST_F(StatusPanesTest, APaneTakesTheWidthOfItsTextPlusItsIcon) {
    struct Step {
        const char* text;
        bool icon;
    };
    for (const Step step : {Step{"Sum: 1.234,56", false}, Step{"Sum: 1.234.567,89 EUR", false}, Step{"0", false},
                            Step{"Sum: 12,00", true}, Step{"Sum: 12,00 EUR and more", true}, Step{"", false}}) {
        text = step.text;
        icon = step.icon;
        frame->UpdateCommandUI();
        EXPECT_EQ(paneWidth(1), textWidth(step.text) + (step.icon ? 16 : 0)) << step.text;
        EXPECT_EQ(bar->GetPaneText(1), step.text);
        EXPECT_EQ(bar->GetItemRect(1).width(), paneWidth(1) + 6);
    }
    EXPECT_EQ(bar->GetItemID(1), 119u);
    // The panes sit side by side; pane 0 stretches over the rest.
    EXPECT_EQ(bar->GetItemRect(0).left(), 0);
    EXPECT_EQ(bar->GetItemRect(2).left(), bar->GetItemRect(1).right() + 1 + 2);
    text = "Sum: 12,00";
    icon = true;
    frame->UpdateCommandUI();
    testsupport::saveRendering(*bar, "panes");
}

TEST_F(StatusPanesTest, AClickSendsThePaneIdAndAnIndexNotBelowTheCountNothing) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->GetItemRect(2).center());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->GetItemRect(3).center());
    QTest::mouseClick(bar, Qt::RightButton, {}, bar->GetItemRect(3).center());
    EXPECT_EQ(clicked, (std::vector<unsigned>{120, 109}));
    clicked.clear();
    bar->OnChildNotify(NM_CLICK, 4);
    bar->OnChildNotify(NM_CLICK, static_cast<unsigned>(-1));
    EXPECT_TRUE(clicked.empty());
    bar->OnChildNotify(NM_CLICK, 3);
    EXPECT_EQ(clicked, (std::vector<unsigned>{109}));
}

TEST_F(StatusPanesTest, ToolTipsBelongToTheirPanes) {
    text = "Sum";
    frame->UpdateCommandUI();
    EXPECT_EQ(bar->paneToolTip(1), "Invested");
    EXPECT_TRUE(bar->paneToolTip(2).isEmpty());
    const QPoint at = bar->GetItemRect(1).center();
    QHelpEvent help(QEvent::ToolTip, at, bar->mapToGlobal(at));
    QApplication::sendEvent(bar, &help);
    EXPECT_EQ(QToolTip::text(), "Invested");
    QToolTip::hideText();

    // Tool tips from the string table, icons, and arrays that disagree with the panes' count.
    MMStatusBar other;
    const unsigned tips[] = {0, 40032, 0, 0};
    const QIcon icons[] = {QIcon(), blueIcon(), QIcon(), QIcon()};
    const unsigned textless[] = {0, 7001, 7002, 7003}; // ids without a string: panes without text
    ASSERT_TRUE(other.SetIndicators(textless, tips, icons));
    EXPECT_EQ(other.paneToolTip(1), "Update: %i/%i");
    EXPECT_TRUE(other.paneToolTip(0).isEmpty());
    unsigned id = 0, style = 0;
    int width = -1;
    other.GetPaneInfo(1, id, style, width);
    EXPECT_EQ(width, 16) << "a pane without text grows by the icon";
    const unsigned shortTips[] = {0, 40032};
    EXPECT_FALSE(other.SetIndicators(kIds, shortTips));
    EXPECT_FALSE(other.SetIndicators(kIds, {}, std::span<const QIcon>(icons, 2)));
}

TEST_F(StatusPanesTest, AColourEntryDrawsThePaneInItsColours) {
    ASSERT_TRUE(bar->AddColourEntry(1, RGB(255, 0, 0), RGB(255, 255, 0)));
    EXPECT_FALSE(bar->AddColourEntry(4, 0));
    text = "MMMM";
    frame->UpdateCommandUI();
    ASSERT_NE(bar->colourEntry(1), nullptr);
    EXPECT_EQ(bar->colourEntry(1)->text, "MMMM");
    EXPECT_TRUE(bar->GetPaneStyle(1) & SBPS_OWNERDRAW);
    EXPECT_EQ(paneWidth(1), textWidth("MMMM"));
    const QImage image = bar->grab().toImage();
    testsupport::saveRendering(image, "colour-entry");
    const QRect pane = bar->GetItemRect(1).adjusted(1, 1, -1, -1);
    int red = 0, yellow = 0;
    for (int y = pane.top(); y <= pane.bottom(); ++y)
        for (int x = pane.left(); x <= pane.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            red += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            yellow += p == qRgb(255, 255, 0);
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(yellow, pane.width() * pane.height() / 2);
}

TEST_F(StatusPanesTest, TheClockTimerAsksForIdleUpdates) {
    int ticks = 0;
    frame->addUpdateHandler(109, [&ticks](CmdUI& ui) { ui.SetText(std::to_string(++ticks)); });
    bar->SetTimer(1, 10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
    EXPECT_EQ(bar->GetPaneText(3), QString::number(ticks));
    EXPECT_TRUE(bar->KillTimer(1));
    EXPECT_FALSE(bar->KillTimer(1));
}
