#include "controls/ResizableGrip.h"
#include "framework/WinApp.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProxyStyle>
#include <QTest>

#include <memory>

namespace {

class GripHost : public QWidget, public CResizableGrip, public CResizableMinMax, public CResizableState {
public:
    GripHost() { resize(300, 200); }
    QWidget* GetLayoutWindow() const override { return const_cast<GripHost*>(this); }
};

// A style whose scroll bars are `extent` thick.
class ExtentStyle : public QProxyStyle {
public:
    explicit ExtentStyle(int extent) : m_extent(extent) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        return metric == PM_ScrollBarExtent ? m_extent : QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int m_extent;
};

TEST(ResizableGrip, ReasonsToShowTheGripCountOnce) {
    GripHost host;
    std::uint32_t status = 0;
    host.ShowGrip(&status, 1);
    host.ShowGrip(&status, 1);
    EXPECT_EQ(host.showCount(), 1);
    host.HideGrip(&status, 2); // never shown for that reason
    EXPECT_EQ(host.showCount(), 1);
    host.ShowGrip(&status, 2);
    EXPECT_EQ(host.showCount(), 2);
    EXPECT_EQ(status, 3u);
    host.HideGrip(&status, 1);
    host.HideGrip(&status, 1);
    host.HideGrip(&status, 2);
    EXPECT_EQ(host.showCount(), 0);
    EXPECT_FALSE(host.IsGripVisible());
}

TEST(ResizableGrip, SitsInTheCornerBeneathItsSiblings) {
    GripHost host;
    auto* sibling = new QWidget(&host);
    sibling->setGeometry(0, 0, 300, 200);
    host.show();
    ASSERT_TRUE(host.CreateGrip(true, true, false));
    CResizableGrip::CSizeGrip* grip = host.grip();
    const int e = grip->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grip);
    EXPECT_EQ(grip->geometry(), QRect(300 - e, 200 - e, e, e));
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(host.children().front(), grip); // lowest: the sibling lies above it
    EXPECT_EQ(grip->hitTestCorner(), Qt::BottomRightCorner);
    // Only the corner's triangle belongs to it.
    EXPECT_TRUE(grip->mask().contains(QPoint(e - 1, e - 1)));
    EXPECT_FALSE(grip->mask().contains(QPoint(0, 0)));

    host.resize(340, 260);
    host.UpdateGripPos();
    EXPECT_EQ(grip->pos(), QPoint(340 - e, 260 - e));
    host.SetGripVisibility(false);
    host.UpdateGripPos();
    EXPECT_FALSE(grip->isVisible());

    // Right to left: the bottom-left corner, and the triangle turns with it.
    host.setLayoutDirection(Qt::RightToLeft);
    host.SetGripVisibility(true);
    host.UpdateGripPos();
    EXPECT_EQ(grip->pos(), QPoint(0, 260 - e));
    EXPECT_EQ(grip->hitTestCorner(), Qt::BottomLeftCorner);
    EXPECT_TRUE(grip->mask().contains(QPoint(0, e - 1)));
    EXPECT_FALSE(grip->mask().contains(QPoint(e - 1, 0)));
}

TEST(ResizableGrip, ANewScrollBarExtentResizesTheGripInItsCorner) {
    auto style = std::make_unique<ExtentStyle>(30);
    GripHost host;
    host.show();
    host.CreateGrip(true, true, false);
    CResizableGrip::CSizeGrip* grip = host.grip();
    const QPoint corner = grip->geometry().bottomRight();
    grip->setStyle(style.get());
    EXPECT_EQ(grip->gripSize(), QSize(30, 30));
    EXPECT_EQ(grip->geometry(), QRect(270, 170, 30, 30));
    EXPECT_EQ(grip->geometry().bottomRight(), corner);
    EXPECT_TRUE(grip->mask().contains(QPoint(29, 29)));
    EXPECT_FALSE(grip->mask().contains(QPoint(0, 0)));
    grip->setStyle(nullptr);
}

TEST(ResizableGrip, ATransparentGripShowsWhatLiesBeneath) {
    GripHost host;
    QPalette red = host.palette();
    red.setColor(QPalette::Window, QColor(200, 40, 40));
    host.setPalette(red);
    host.setAutoFillBackground(true);
    host.show();
    host.CreateGrip(true, false, true);
    const QRect g = host.grip()->geometry();
    const QImage image = host.grab().toImage();
    EXPECT_EQ(image.pixelColor(g.topLeft()), QColor(200, 40, 40));
    int strokes = 0;
    for (int y = g.top(); y <= g.bottom(); ++y)
        for (int x = g.left(); x <= g.right(); ++x)
            strokes += image.pixelColor(x, y) != QColor(200, 40, 40);
    EXPECT_GT(strokes, 0);
    testsupport::saveRendering(image.copy(g.adjusted(-20, -20, 0, 0)).scaled(g.width() * 4 + 80, g.height() * 4 + 80),
                               "corner");
}

TEST(ResizableMinMax, TrackingSizesBecomeTheWindowsLimits) {
    GripHost host;
    const QSize maximum = host.maximumSize();
    host.SetMinTrackSize(QSize(200, 120));
    host.ApplyMinMaxInfo(host);
    EXPECT_EQ(host.minimumSize(), QSize(200, 120));
    EXPECT_EQ(host.maximumSize(), maximum); // not set: left alone
    host.SetMaxTrackSize(QSize(800, 600));
    host.ApplyMinMaxInfo(host);
    EXPECT_EQ(host.maximumSize(), QSize(800, 600));
}

class ResizableStateTest : public testsupport::TempDirTest {};

TEST_F(ResizableStateTest, ThePlacementIsWrittenToTheProfile) {
    testsupport::FakeServices fakes(path("settings.conf"));
    GripHost host;
    ASSERT_EQ(WinApp::instance(), nullptr);
    EXPECT_FALSE(host.SaveWindowPlacement("Options", true)); // no application

    WinApp app;
    app.setServices(fakes.bundle());
    host.setGeometry(40, 30, 300, 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    const QRect frame = host.frameGeometry();
    ASSERT_TRUE(host.SaveWindowPlacement("Options", true));
    EXPECT_EQ(app.GetProfileString("Options", "WindowPlacement"),
              QString::asprintf("%d,%d,%d,%d,1,0", frame.left(), frame.top(), frame.left() + frame.width(),
                                frame.top() + frame.height())
                  .toStdString());

    const QRect normal = host.geometry();
    host.showMaximized();
    // Rect only: shown normally whatever the state.
    ASSERT_TRUE(host.SaveWindowPlacement("Options", true));
    EXPECT_TRUE(QString::fromStdString(app.GetProfileString("Options", "WindowPlacement")).endsWith(",1,0"));
    ASSERT_TRUE(host.SaveWindowPlacement("Options", false));
    EXPECT_EQ(app.GetProfileString("Options", "WindowPlacement"),
              QString::asprintf("%d,%d,%d,%d,3,0", normal.left(), normal.top(), normal.left() + normal.width(),
                                normal.top() + normal.height())
                  .toStdString());
}

} // namespace
