// The text progress bar: bar widths, repaints only on a visible change, the inverted text, the click
// command and the empty range.
#include "ControlsPalette.h"
#include "controls/TextProgressCtrl.h"
#include "framework/FrameWnd.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTest>

#include <memory>

namespace {

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

class TextProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<FrameWnd>();
        frame->addCommand(32785, [this] { ++clicks; });
        progress = new CTextProgressCtrl(frame.get());
        progress->setObjectName("idc_progress");
        frame->setCentralWidget(progress);
        frame->show();
        progress->setGeometry(0, 0, 100, 20);
        progress->setFixedSize(100, 20);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        QApplication::processEvents();
    }

    controlstest::FixedPalette palette;
    std::unique_ptr<FrameWnd> frame;
    CTextProgressCtrl* progress = nullptr;
    int clicks = 0;
};

} // namespace

TEST(TextProgressBar, WidthIsTheClampedShareOfTheRange) {
    struct Case {
        int position, minimum, maximum, width, expected;
    };
    for (const Case c : {Case{1, 0, 4, 100, 25}, Case{2, 0, 4, 100, 50}, Case{3, 0, 4, 100, 75},
                         Case{9, 0, 4, 100, 100}, Case{-3, 0, 4, 100, 0}, Case{5, 0, 0, 100, 0}, Case{0, 0, 0, 100, 0},
                         Case{INT_MAX, INT_MIN, INT_MAX, 200, 200}}) {
        EXPECT_EQ(CTextProgressCtrl::barWidth(c.position, c.minimum, c.maximum, c.width), c.expected)
            << c.position << " in " << c.minimum << ".." << c.maximum;
    }
}

TEST_F(TextProgressTest, SetPosRepaintsOnlyWhenTheBarsWidthChanges) {
    progress->SetRange(0, 4);
    PaintCounter paints(*progress);
    EXPECT_EQ(progress->SetPos(1), 0);
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(progress->SetPos(1), 1);
    EXPECT_EQ(paints.count, 1) << "same position, same width";
    progress->SetRange(0, 400);
    EXPECT_EQ(progress->SetPos(101), 1);
    EXPECT_EQ(paints.count, 1) << "101 of 400 is still 25 pixels";
    progress->SetRange(0, 4);
    progress->SetPos(2);
    EXPECT_EQ(paints.count, 2);

    progress->setFixedSize(120, 20);
    QApplication::processEvents();
    const int afterResize = paints.count;
    progress->SetPos(2);
    EXPECT_EQ(paints.count, afterResize + 1) << "a resize forces the next SetPos to repaint";
}

TEST_F(TextProgressTest, TheSameTextTwiceInvalidatesOnce) {
    progress->SetRange(0, 4);
    PaintCounter paints(*progress);
    progress->SetWindowText("Update: 1/4");
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 1);
    progress->SetWindowText("Update: 1/4");
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(progress->GetWindowText(), "Update: 1/4");
}

TEST_F(TextProgressTest, BarAndRestInTheirColoursWithTheTextInvertedOverEach) {
    QFont font = progress->font();
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(16);
    progress->setFont(font);
    progress->SetRange(0, 4);
    progress->SetWindowText("MMMMMMMMMM"); // wide enough to reach both sides of x = 50
    progress->SetPos(2);
    const QImage image = progress->grab().toImage();
    testsupport::saveRendering(image, "half");

    const QRgb highlight = qRgb(0, 120, 215);
    const QRgb menu = qRgb(230, 230, 230); // the palette's Window
    EXPECT_EQ(image.pixel(10, 1), highlight);
    EXPECT_EQ(image.pixel(90, 1), menu);
    // Every pixel is one of the two colours: text over the bar in the menu colour, over the rest
    // in the highlight colour, and both sides show text.
    int textOverBar = 0, textOverRest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            ASSERT_TRUE(p == highlight || p == menu) << x << "," << y;
            if (x < 50 && p == menu)
                ++textOverBar;
            if (x >= 50 && p == highlight)
                ++textOverRest;
        }
    }
    EXPECT_GT(textOverBar, 20);
    EXPECT_GT(textOverRest, 20);

    progress->SetShowText(false);
    const QImage plain = progress->grab().toImage();
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(plain.pixel(x, 10), x < 50 ? highlight : menu) << x;
}

TEST_F(TextProgressTest, AClickSendsItsCommandAndCommandZeroSendsNothing) {
    QTest::mouseClick(progress, Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
    progress->m_nClickCommand = 32785;
    QTest::mouseClick(progress, Qt::LeftButton);
    QTest::mouseClick(progress, Qt::RightButton);
    EXPECT_EQ(clicks, 1);
}

TEST_F(TextProgressTest, AnEmptyRangeDrawsNoBarAndSetPosStaysDefined) {
    progress->SetRange(0, 0); // the frame before its first download
    EXPECT_EQ(progress->SetPos(0), 0);
    EXPECT_EQ(progress->SetPos(3), 0);
    progress->SetWindowText("Update: 0/0");
    progress->repaint();
    EXPECT_EQ(progress->GetPos(), 3);
}
