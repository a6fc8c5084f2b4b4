// The balloon tool tip with real timers: when it shows and hides, which tool it shows, what it
// looks like, and the links in it.

#include "ControlsPalette.h"
#include "controls/PPToolTip.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The tips run on real timers. What a test waits for has a limit far beyond any delay, only so that
// a tip that never shows ends the wait; what must not happen is given the delay and more. Timers
// never fire late enough to fail a test, however busy the machine: only lower bounds are checked,
// and those allow for coarse timers firing up to 5 % early.
constexpr int kEventually = 10000;
constexpr int kInitialDelay = 500;
constexpr int kInitialDelayAndMore = 900;

bool waitFor(const std::function<bool()>& condition, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// The tip over the window, three times enlarged, for a person to look at.
void saveOverWindow(QWidget& window, CPPToolTip& tip, const std::string& name) {
    QImage scene = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&scene);
        painter.drawImage(tip.geometry().topLeft() - window.geometry().topLeft(), tip.grab().toImage());
    }
    testsupport::saveRendering(scene.scaled(scene.size() * 3), name);
}

// Counts the timer events a widget receives.
class TimerEvents : public QObject {
public:
    explicit TimerEvents(QObject* watched) { watched->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer)
            ++count;
        return false;
    }
};

// Calls `seen` whenever a widget receives an event of one type.
class EventAt : public QObject {
public:
    EventAt(QObject* watched, QEvent::Type type, std::function<void()> seen) : m_type(type), m_seen(std::move(seen)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            m_seen();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_seen;
};

// A window with a button, an editable combo box and a disabled button, each with a tip.
class ToolTipTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(dir() / "settings.conf");
        window.setGeometry(100, 100, 400, 300);
        button = new QPushButton(QStringLiteral("Button"), &window);
        button->setGeometry(20, 120, 100, 30);
        combo = new QComboBox(&window);
        combo->setEditable(true);
        combo->setGeometry(20, 180, 150, 30);
        disabled = new QPushButton(QStringLiteral("Off"), &window);
        disabled->setGeometry(20, 240, 100, 30);
        disabled->setEnabled(false);
        silent = new QPushButton(QStringLiteral("Silent"), &window);
        silent->setGeometry(200, 120, 100, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

        tip = std::make_unique<CPPToolTip>(LinkServices::of(services->bundle()));
        tip->Create(&window, true);
        tip->AddTool(button, QStringLiteral("<b>Bold</b> and plain"));
        tip->AddTool(combo, QStringLiteral("The combo box"));
        tip->AddTool(disabled, QStringLiteral("Never shown"));
        tip->AddTool(silent, QString());
        // Every test starts with the pointer on the window, over no tool.
        QTest::mouseMove(&window, QPoint(390, 290));
    }

    void TearDown() override {
        tip.reset();
        TempDirTest::TearDown();
    }

    // Rests the pointer on the widget and waits for the tip.
    bool showOver(QWidget* widget, QPoint at = QPoint(30, 10)) {
        QTest::mouseMove(widget, at);
        return waitFor([&] { return tip->isVisible(); }, kEventually);
    }
    // Rests the pointer on the widget longer than the initial delay: true when no tip showed.
    bool staysHidden(QWidget* widget, QPoint at) {
        QTest::mouseMove(widget, at);
        QTest::qWait(kInitialDelayAndMore);
        return !tip->isVisible();
    }

    std::unique_ptr<testsupport::FakeServices> services;
    controlstest::FixedPalette palette;
    QWidget window;
    QPushButton* button = nullptr;
    QComboBox* combo = nullptr;
    QPushButton* disabled = nullptr;
    QPushButton* silent = nullptr;
    std::unique_ptr<CPPToolTip> tip;
};

// The time of the tip's show is taken when it happens, not when the test looks: a busy machine
// may let the test's own wait run long past the delay, but never the tip's timer fire early.
TEST_F(ToolTipTest, ShowsAfterThePointerRestedForTheInitialDelay) {
    QElapsedTimer clock;
    qint64 shownAt = -1;
    EventAt shows(tip.get(), QEvent::Show, [&] {
        if (shownAt < 0)
            shownAt = clock.elapsed();
    });
    clock.start();
    QTest::mouseMove(button, QPoint(30, 10));
    ASSERT_TRUE(waitFor([&] { return tip->isVisible(); }, kEventually));
    EXPECT_GE(shownAt, kInitialDelay * 95 / 100);
    EXPECT_EQ(tip->DisplayState(), CPPToolTip::kShown);
    ASSERT_NE(tip->DisplayedTool(), nullptr);
    EXPECT_EQ(tip->DisplayedTool()->text, QStringLiteral("<b>Bold</b> and plain"));
}

TEST_F(ToolTipTest, TheNextMoveInsideTheSameToolHidesItForGood) {
    ASSERT_TRUE(showOver(button));
    QTest::mouseMove(button, QPoint(31, 10));
    EXPECT_FALSE(tip->isVisible());
    QTest::qWait(700);
    EXPECT_FALSE(tip->isVisible());
    // Over no tool and back it shows again.
    QTest::mouseMove(&window, QPoint(390, 200));
    EXPECT_TRUE(showOver(button, QPoint(40, 12)));
}

TEST_F(ToolTipTest, TheEditFieldOfAComboBoxShowsTheComboBoxsTip) {
    ASSERT_TRUE(showOver(combo->lineEdit(), QPoint(10, 10)));
    EXPECT_EQ(tip->DisplayedTool()->text, QStringLiteral("The combo box"));
}

TEST_F(ToolTipTest, DisabledToolsAndEmptyTextsShowNothing) {
    EXPECT_TRUE(staysHidden(disabled, QPoint(30, 10)));
    EXPECT_TRUE(staysHidden(silent, QPoint(30, 10)));
    EXPECT_TRUE(staysHidden(&window, QPoint(350, 250)));
}

TEST_F(ToolTipTest, AKeyOrAClickHidesIt) {
    ASSERT_TRUE(showOver(button));
    QTest::keyClick(&window, Qt::Key_A);
    EXPECT_FALSE(tip->isVisible());

    QTest::mouseMove(&window, QPoint(390, 200));
    ASSERT_TRUE(showOver(combo->lineEdit(), QPoint(12, 10)));
    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton, {}, QPoint(12, 10));
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(ToolTipTest, ItGoesWithItsOwnersWindow) {
    ASSERT_TRUE(showOver(button));
    window.hide();
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(tip->DisplayState(), CPPToolTip::kHidden);
}

TEST_F(ToolTipTest, ItHidesAfterTheAutoPopDelayAndWhenThePointerMovesOntoIt) {
    tip->SetDelayTime(CPPToolTip::kDelayAutoPop, 300);
    QElapsedTimer sinceTheMove;
    sinceTheMove.start();
    ASSERT_TRUE(showOver(button));
    EXPECT_TRUE(waitFor([&] { return !tip->isVisible(); }, kEventually));
    // It hid by itself, and not before the initial delay and the auto-pop delay had passed.
    EXPECT_GE(sinceTheMove.elapsed(), (kInitialDelay + 300) * 95 / 100);

    tip->SetDelayTime(CPPToolTip::kDelayAutoPop, 30000);
    QTest::mouseMove(&window, QPoint(390, 200));
    ASSERT_TRUE(showOver(button, QPoint(40, 12)));
    QTest::mouseMove(tip.get(), QPoint(20, 20)); // on the balloon's body
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(ToolTipTest, NearTheTopOfTheScreenItOpensBelowThePointer) {
    button->move(20, 0);
    window.move(100, 0);
    QTest::qWait(50);
    ASSERT_LT(button->mapToGlobal(QPoint(30, 10)).y(), 40);
    ASSERT_TRUE(showOver(button, QPoint(30, 10)));
    EXPECT_EQ(tip->Direction(), 0x00); // below, the anchor at the left end of the top edge
    const QPoint cursor = button->mapToGlobal(QPoint(30, 10));
    EXPECT_EQ(tip->geometry().topLeft(), cursor - QPoint(16, 0)); // the anchor's apex on the pointer
    saveOverWindow(window, *tip, "below");
}

TEST_F(ToolTipTest, ToolsByArea) {
    const QRect left(0, 0, 50, 30);
    const QRect right(50, 0, 50, 30);
    CPPToolTip areas;
    areas.Create(&window, true);
    areas.AddTool(silent, QStringLiteral("first"), &left);
    areas.AddTool(silent, QStringLiteral("later"), &left);
    areas.AddTool(silent, QStringLiteral("right half"), &right);
    tip->DestroyWindow();

    QTest::mouseMove(silent, QPoint(10, 10));
    ASSERT_TRUE(waitFor([&] { return areas.isVisible(); }, kEventually));
    EXPECT_EQ(areas.DisplayedTool()->text, QStringLiteral("later"));
    // Into the other area: the next tip.
    QTest::mouseMove(silent, QPoint(70, 10));
    EXPECT_FALSE(areas.isVisible());
    ASSERT_TRUE(waitFor([&] { return areas.isVisible(); }, kEventually));
    EXPECT_EQ(areas.DisplayedTool()->text, QStringLiteral("right half"));
}

TEST_F(ToolTipTest, ADestroyedToolTakesItsTipAlong) {
    ASSERT_TRUE(showOver(button));
    delete button;
    EXPECT_FALSE(tip->isVisible());
    EXPECT_TRUE(staysHidden(&window, QPoint(60, 130))); // where the button was
}

TEST_F(ToolTipTest, TheAnimationTicksOnlyWhileAnAnimatedTipShows) {
    TimerEvents timers(tip.get());
    ASSERT_TRUE(showOver(button));
    timers.count = 0;
    QTest::qWait(350);
    EXPECT_EQ(timers.count, 0); // a still tip: no ticks

    // Strip 137 has five 16 x 16 frames; one tick per frame.
    tip->AddTool(combo, QStringLiteral("<ilst idres=137 speed=1> working"));
    QTest::mouseMove(&window, QPoint(390, 200));
    ASSERT_TRUE(showOver(combo->lineEdit(), QPoint(14, 10)));
    const QImage first = tip->grab().toImage();
    timers.count = 0;
    EXPECT_TRUE(waitFor([&] { return timers.count >= 2; }, kEventually));
    EXPECT_NE(tip->grab().toImage(), first); // another frame

    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_FALSE(tip->isVisible());
    timers.count = 0;
    QTest::qWait(350);
    EXPECT_EQ(timers.count, 0);
}

TEST_F(ToolTipTest, ABalloonWithBorderAndSoftShadow) {
    tip->AddTool(button, QStringLiteral("<b>Name</b><br><table><tr><td width=60 bgcolor=buttonface>Value</td>"
                                        "<td width=80><font color=#ff0000>12.50</font></td></tr></table>"));
    ASSERT_TRUE(showOver(button));
    EXPECT_EQ(tip->Direction(), 0x10); // above the pointer, anchor at the left end of the bottom edge
    const QImage image = tip->grab().toImage();
    testsupport::saveRendering(image, "balloon");
    saveOverWindow(window, *tip, "balloon-over-window");

    const QPalette palette = QApplication::palette();
    const QRgb base = palette.color(QPalette::ToolTipBase).rgb();
    const QRgb text = palette.color(QPalette::ToolTipText).rgb();
    const int shadowX = image.width() - 3; // right of the body, inside the shadow
    EXPECT_EQ(image.pixel(4, 24), base);
    EXPECT_EQ(image.pixel(0, 24), text);
    EXPECT_EQ(image.pixel(image.width() - 6, 24), text); // the border column right of the body
    const QRgb shadow = image.pixel(shadowX, 24);
    EXPECT_GE(qAlpha(shadow), 1);
    EXPECT_LE(qAlpha(shadow), 254);
    EXPECT_EQ(qRed(shadow), 0);
    // Beside the rounded corners and the shadow's offset: nothing.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, image.height() - 1)), 0);
}

TEST_F(ToolTipTest, OverASnapshotTheShadowDarkensWhatIsBeneath) {
    tip->UsePerPixelAlpha(false);
    ASSERT_TRUE(showOver(button));
    const QImage image = tip->grab().toImage();
    saveOverWindow(window, *tip, "snapshot");
    const QRgb beneath = qRgb(230, 230, 230); // the window's background
    EXPECT_EQ(image.pixel(0, 0), beneath);    // beside the corner
    const QRgb shadow = image.pixel(image.width() - 3, 24);
    EXPECT_LT(qRed(shadow), 200);
    EXPECT_GT(qRed(shadow), 100);
    EXPECT_EQ(image.pixel(4, 24), QApplication::palette().color(QPalette::ToolTipBase).rgb());
}

TEST_F(ToolTipTest, AClickOnALinkOpensItAndHidesTheTip) {
    tip->AddTool(button, QStringLiteral("<a href=https://example.org/quotes>quotes</a>"));
    ASSERT_TRUE(showOver(button));
    // The text starts at the margins, 12 and 12.
    QTest::mousePress(tip.get(), Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(services->shell->opened(), std::vector<std::string>{"https://example.org/quotes"});
    EXPECT_TRUE(services->boxes->texts().empty());
}

} // namespace
