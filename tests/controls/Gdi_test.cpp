// The drawing vocabulary: colour layouts, system colours, MulDiv, font heights, the random
// numbers, the pixel rules and the image list.
#include "ControlsPalette.h"
#include "controls/ImageList.h"
#include "controls/PixelRules.h"
#include "controls/WinGdi.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

TEST(Gdi, ColourLayouts) {
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(swapRedBlue(0x00563412u), 0x00123456u);
    EXPECT_EQ(swapRedBlue(swapRedBlue(0xAB563412u)), 0xAB563412u);
    EXPECT_EQ(rgbOf(RGB(0x12, 0x34, 0x56)), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(colorRefOf(qRgba(0x12, 0x34, 0x56, 0x78)), RGB(0x12, 0x34, 0x56));
}

TEST(Gdi, SystemColoursFromThePaletteAndTheTable) {
    controlstest::FixedPalette palette;
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240));
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), RGB(160, 160, 160));
    EXPECT_EQ(GetSysColor(COLOR_MENU), RGB(230, 230, 230));
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), RGB(109, 109, 109));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(0, 120, 215));
    EXPECT_EQ(GetSysColor(-1), 0u);
    EXPECT_EQ(GetSysColor(31), 0u);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
    EXPECT_GT(GetSystemMetrics(SM_CYMENU), 0);
    EXPECT_TRUE(GetStockFont(SYSTEM_FONT).bold());
}

TEST(Gdi, MulDivRoundsHalfAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    };
    for (const Case k :
         {Case{9, 96, 72, 12}, Case{3, 1, 2, 2}, Case{-3, 1, 2, -2}, Case{5, 1, -2, -3}, Case{1, 1, 3, 0},
          Case{2, 1, 3, 1}, Case{0x40000000, 4, 2, -1}, Case{0x40000000, 4, 8, 0x20000000}, Case{7, 7, 0, -1}}) {
        EXPECT_EQ(MulDiv(k.a, k.b, k.c), k.expected) << k.a << "*" << k.b << "/" << k.c;
    }
}

TEST(Gdi, LogicalFontHeights) {
    QImage device(10, 10, QImage::Format_RGB32);
    EXPECT_EQ(logPixelsY(nullptr), 96);
    const QFont em = fontWithLogHeight(QFont(), -12, &device);
    EXPECT_EQ(em.pixelSize(), 12);
    const QFont cell = fontWithLogHeight(QFont(), 16, &device);
    const QFontMetrics metrics(cell, &device);
    EXPECT_LE(metrics.ascent() + metrics.descent(), 16);
    QFont larger = cell;
    larger.setPixelSize(cell.pixelSize() + 1);
    const QFontMetrics largerMetrics(larger, &device);
    EXPECT_GT(largerMetrics.ascent() + largerMetrics.descent(), 16);
}

TEST(Gdi, RandomNumbersRepeatTheirSequence) {
    crtSrand(1);
    const int first = crtRand();
    const int second = crtRand();
    EXPECT_EQ(first, 41);
    EXPECT_EQ(second, 18467);
    crtSrand(1);
    EXPECT_EQ(crtRand(), first);
    for (int i = 0; i < 1000; ++i) {
        const int v = crtRand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(Gdi, SkippingRandomNumbersLandsWhereDrawingThemWould) {
    for (const std::uint64_t count : {0ull, 1ull, 2ull, 3ull, 1000ull, 65537ull, 1234567ull}) {
        SCOPED_TRACE(count);
        crtSrand(77);
        for (std::uint64_t i = 0; i < count; ++i)
            crtRand();
        const int drawn = crtRand();
        crtSrand(77);
        crtRandSkip(count);
        EXPECT_EQ(crtRand(), drawn);
    }
}

TEST(PixelRules, LinesLeaveOutTheirEndAndEllipsesCoverTheirBox) {
    const std::vector<QPoint> horizontal = linePixels({2, 3}, {6, 3});
    ASSERT_EQ(horizontal.size(), 4u);
    EXPECT_EQ(horizontal.front(), QPoint(2, 3));
    EXPECT_EQ(horizontal.back(), QPoint(5, 3));
    const std::vector<QPoint> diagonal = linePixels({5, 5}, {1, 1});
    ASSERT_EQ(diagonal.size(), 4u);
    EXPECT_EQ(diagonal.back(), QPoint(2, 2));
    EXPECT_TRUE(linePixels({1, 1}, {1, 1}).empty());

    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::black);
        ellipse(painter, 1, 2, 7, 8); // 6 x 6 pixels
    }
    QRect covered;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (image.pixel(x, y) != 0xFFFFFFFFu)
                covered |= QRect(x, y, 1, 1);
    EXPECT_EQ(covered, QRect(1, 2, 6, 6));

    image.fill(Qt::white);
    {
        QPainter painter(&image);
        frameRect(painter, {1, 1, 5, 4}, RGB(0, 0, 0));
    }
    EXPECT_EQ(image.pixel(4, 3), 0xFF000000u);
    EXPECT_EQ(image.pixel(5, 4), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(rectFromLTRB(1, 2, 5, 9), QRect(1, 2, 4, 7));
}

TEST(PixelRules, MasksBecomeAlpha) {
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(4, 5, 6));
    QImage mask(2, 1, QImage::Format_RGB32);
    mask.setPixel(0, 0, qRgb(255, 255, 255));
    mask.setPixel(1, 0, qRgb(0, 0, 0));
    const QImage masked = applyMask(image, mask);
    EXPECT_EQ(qAlpha(masked.pixel(0, 0)), 0);
    EXPECT_EQ(masked.pixel(1, 0), qRgb(4, 5, 6));
    const QImage keyed = maskColourToAlpha(image, RGB(4, 5, 6));
    EXPECT_EQ(keyed.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(keyed.pixel(1, 0), 0u);
    EXPECT_EQ(toDibPixels(image).pixel(0, 0), 0x00010203u);
}

TEST(ImageList, StripsCellsReplaceAndDraw) {
    QImage strip(10, 6, QImage::Format_RGB32); // two 4 x 5 cells and a partial third
    strip.fill(qRgb(0, 255, 0));
    strip.setPixel(1, 1, qRgb(200, 100, 0));
    strip.setPixel(5, 1, qRgb(0, 0, 200));
    strip.setPixel(1, 5, qRgb(9, 9, 9)); // below the cells
    CImageList list;
    EXPECT_FALSE(list.Create(0, 5));
    ASSERT_TRUE(list.Create(4, 5));
    ASSERT_EQ(list.Add(strip, RGB(0, 255, 0)), 0);
    ASSERT_EQ(list.GetImageCount(), 2);
    EXPECT_EQ(qAlpha(list.image(0).pixel(0, 0)), 0);
    EXPECT_TRUE(list.image(2).isNull());
    EXPECT_EQ(list.Add(QImage(3, 5, QImage::Format_RGB32), 0), -1);

    QImage target(4, 5, QImage::Format_RGB32);
    target.fill(qRgb(100, 100, 100));
    {
        QPainter painter(&target);
        list.Draw(painter, 0, {0, 0});
        list.Draw(painter, 2, {0, 0}); // outside the list: nothing
        list.Draw(painter, -1, {0, 0});
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(100, 100, 100));
    EXPECT_EQ(target.pixel(1, 1), qRgb(200, 100, 0));
    {
        QPainter painter(&target);
        list.Draw(painter, 1, {0, 0}, CImageList::Blend50, RGB(255, 255, 255));
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(127, 127, 227));
    EXPECT_EQ(target.pixel(0, 0), qRgb(100, 100, 100));

    ASSERT_TRUE(list.Replace(1, strip, RGB(0, 255, 0)));
    EXPECT_EQ(list.image(1).pixel(1, 1), qRgb(200, 100, 0));
    EXPECT_FALSE(list.Replace(2, strip, RGB(0, 255, 0)));
}
