// The property page frame: its areas, the caption's gradient, icon and text, the centred message,
// and the memory context it paints through (buffered on screen, direct when printing).
#include "ControlsPalette.h"
#include "controls/DrawText.h"
#include "controls/MemDC.h"
#include "controls/PropPageFrame.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPrinter>

using TreePropSheet::CPropPageFrameEx;

namespace {

constexpr QRgb kFace = 0xFFF0F0F0u;
constexpr QRgb kInactiveCaption = 0xFFBFCDDBu; // (191,205,219)

QIcon redIcon() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(qRgb(255, 0, 0));
    return QIcon(QPixmap::fromImage(image));
}

// The left-most column at or right of `from` in row `y` whose pixel is not `except`.
int firstColumnNot(const QImage& image, int y, int from, QRgb except) {
    for (int x = from; x < image.width(); ++x)
        if (image.pixel(x, y) != except && image.pixel(x, y) != kFace)
            return x;
    return -1;
}

} // namespace

TEST(PageFrame, CaptionAndMessageAreas) {
    CPropPageFrameEx frame;
    ASSERT_TRUE(frame.CreateFrameWnd(QRect(0, 0, 300, 200), nullptr, 1));
    EXPECT_EQ(frame.objectName(), "idc_1");
    EXPECT_TRUE(frame.GetCaptionArea().isEmpty());
    EXPECT_EQ(frame.GetMessageArea(), QRect(0, 0, 300, 200));

    frame.SetCaptionBarHeight(20);
    EXPECT_TRUE(frame.GetCaptionArea().isEmpty()) << "hidden caption";
    frame.SetCaptionVisible(true);
    EXPECT_EQ(frame.GetCaptionArea(), QRect(0, 0, 300, 20));
    EXPECT_EQ(frame.GetMessageArea(), QRect(0, 21, 300, 179));
}

TEST(PageFrame, CaptionGradientIconTextAndMessage) {
    controlstest::FixedPalette palette;
    CPropPageFrameEx frame;
    frame.CreateFrameWnd(QRect(0, 0, 240, 120), nullptr, 2);
    frame.SetCaptionBarHeight(20);
    frame.SetCaptionVisible(true);
    frame.SetMessageText("No page");

    frame.SetCaptionContent("General", QIcon());
    const QImage plain = frame.grab().toImage();
    testsupport::saveRendering(plain, "no-icon");
    // The gradient runs from the inactive caption colour to the face already at the right end.
    EXPECT_EQ(plain.pixel(0, 1), kInactiveCaption);
    EXPECT_NEAR(qRed(plain.pixel(239, 1)), 240, 1) << "the last column is one step short of the face";
    EXPECT_NEAR(qBlue(plain.pixel(239, 1)), 240, 1);
    const QRgb middle = plain.pixel(120, 1);
    EXPECT_GT(qRed(middle), 191);
    EXPECT_LT(qRed(middle), 240);
    EXPECT_EQ(plain.pixel(120, 20), kFace) << "the line between caption and message";
    // Text starts 2 from the left edge (its first inked column is not before x 2).
    int firstInk = 240;
    for (int y = 2; y < 18; ++y) {
        const int x = firstColumnNot(plain, y, 0, plain.pixel(0, y));
        if (x >= 0 && x < 60)
            firstInk = std::min(firstInk, x);
    }
    EXPECT_GE(firstInk, 2);
    EXPECT_LT(firstInk, 6);
    // The message is centred in the area below the caption.
    int left = 240, right = -1, top = 120, bottom = -1;
    for (int y = 21; y < 120; ++y)
        for (int x = 0; x < 240; ++x)
            if (plain.pixel(x, y) != kFace) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, 120, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 70.5, 4);

    frame.SetCaptionContent("General", redIcon());
    ASSERT_EQ(frame.captionIcons().GetImageCount(), 1);
    const QImage withIcon = frame.grab().toImage();
    testsupport::saveRendering(withIcon, "icon");
    EXPECT_EQ(withIcon.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(withIcon.pixel(18, 17), qRgb(255, 0, 0));
    EXPECT_NE(withIcon.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_NE(withIcon.pixel(19, 2), qRgb(255, 0, 0));

    frame.SetCaptionContent(QString(), QIcon());
    EXPECT_EQ(frame.captionIcons().GetImageCount(), 0);
}

TEST(PageFrame, ALongCaptionEndsInThreeDots) {
    const QFontMetrics metrics(GetStockFont(SYSTEM_FONT));
    const QString text = "Currency conversion and exchange-rate items";
    const QString cut = elideEnd(metrics, text, 100);
    EXPECT_TRUE(cut.endsWith("...")) << cut.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(cut), 100);
    EXPECT_GT(metrics.horizontalAdvance(text.left(cut.size() - 2) + "..."), 100) << "the longest start that fits";
    EXPECT_EQ(elideEnd(metrics, "Chart", 100), "Chart");
}

TEST(MemoryContext, BuffersOnScreenAndDrawsDirectlyWhenPrinting) {
    QImage target(50, 40, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    {
        QPainter painter(&target);
        painter.setBackground(QColor(10, 20, 30));
        {
            CMemDC2 memory(painter, QRect(10, 10, 20, 10));
            EXPECT_TRUE(memory.isBuffered());
            memory->fillRect(QRect(12, 12, 2, 2), QColor(200, 0, 0));
            EXPECT_EQ(memory.GetPixel(QPoint(12, 12)), RGB(200, 0, 0));
            EXPECT_EQ(memory.GetPixel(QPoint(20, 15)), RGB(10, 20, 30));
            EXPECT_EQ(target.pixel(12, 12), qRgb(1, 2, 3)) << "nothing reaches the target before the end";
        }
    }
    EXPECT_EQ(target.pixel(12, 12), qRgb(200, 0, 0));
    EXPECT_EQ(target.pixel(20, 15), qRgb(10, 20, 30)) << "the area starts in the background colour";
    EXPECT_EQ(target.pixel(9, 9), qRgb(1, 2, 3)) << "outside the area";

    const std::filesystem::path dir = testsupport::makeTempDir("memdc");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "p.pdf").string()));
    QPainter painter(&printer);
    CMemDC2 memory(painter, QRect(0, 0, 100, 100));
    EXPECT_FALSE(memory.isBuffered());
    EXPECT_EQ(&memory.dc(), &painter);
    painter.end();
    std::filesystem::remove_all(dir);
}
