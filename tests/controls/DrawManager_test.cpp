// The draw manager on 32-bit images: gradients, blends, effects, shadows, strips, lines, frames
// and the background fills, plus the palette bitmap they use.
#include "controls/CeXDib.h"
#include "controls/PPDrawManager.h"
#include "controls/WinGdi.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

QImage canvas(int w, int h, QRgb fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QRgb rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

} // namespace

TEST(DrawManager, GradientOf64BandsFromBlackToWhite) {
    QImage image = canvas(128, 4, qRgb(1, 2, 3));
    {
        QPainter painter(&image);
        CPPDrawManager().PaintGradient(painter, {0, 0, 128, 4}, RGB(0, 0, 0), RGB(255, 255, 255), true);
    }
    EXPECT_EQ(qRed(image.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(image.pixel(2, 0)), 3);
    EXPECT_EQ(qRed(image.pixel(127, 3)), 251);
    // Narrower than 64: empty bands are skipped, the whole width is covered.
    QImage narrow = canvas(10, 1, qRgb(1, 2, 3));
    {
        QPainter painter(&narrow);
        CPPDrawManager().PaintGradient(painter, {0, 0, 10, 1}, RGB(0, 0, 0), RGB(255, 255, 255), true);
    }
    for (int x = 0; x < 10; ++x)
        EXPECT_NE(rgb(narrow, x, 0), rgb(canvas(1, 1, qRgb(1, 2, 3)), 0, 0)) << x;
    EXPECT_GE(qRed(narrow.pixel(9, 0)), 220);
    testsupport::saveRendering(image, "gradient");
}

TEST(DrawManager, BlendBlitMixesByPercentWithTruncation) {
    const QImage source = canvas(4, 4, qRgb(200, 100, 0));
    struct Case {
        int percent;
        QRgb expected;
    };
    for (const Case c : {Case{100, qRgb(200, 100, 0)}, Case{150, qRgb(200, 100, 0)}, Case{0, qRgb(0, 0, 0)},
                         Case{50, qRgb(100, 50, 0)}, Case{25, qRgb(50, 25, 0)}}) {
        QImage target = canvas(4, 4, qRgb(0, 0, 0));
        {
            QPainter painter(&target);
            CPPDrawManager().BlendBlit(painter, 0, 0, 4, 4, source, 0, 0, c.percent);
        }
        EXPECT_EQ(rgb(target, 3, 3), c.expected & 0xFFFFFFu) << c.percent;
    }
    // A target with alpha keeps its alpha; source pixels outside the source count as black.
    QImage withAlpha(4, 1, QImage::Format_ARGB32);
    withAlpha.fill(qRgba(100, 100, 100, 80));
    {
        QPainter painter(&withAlpha);
        CPPDrawManager().BlendBlit(painter, 0, 0, 4, 1, source, 2, 0, 50);
    }
    EXPECT_EQ(withAlpha.pixel(0, 0), qRgba(150, 100, 50, 80));
    EXPECT_EQ(withAlpha.pixel(3, 0), qRgba(50, 50, 50, 80));
    // A translated painter blends at the translated place, clipped to the image.
    QImage target = canvas(4, 4, qRgb(0, 0, 0));
    {
        QPainter painter(&target);
        painter.translate(2, 2);
        CPPDrawManager().BlendBlit(painter, 0, 0, 4, 4, source, 0, 0, 50);
    }
    EXPECT_EQ(rgb(target, 1, 1), 0u);
    EXPECT_EQ(rgb(target, 3, 3), qRgb(100, 50, 0) & 0xFFFFFFu);
}

TEST(DrawManager, ColourFunctions) {
    EXPECT_EQ(CPPDrawManager::GreyOf(0x00FF0000u), 0x004C4C4Cu);            // red gives 76
    EXPECT_EQ(CPPDrawManager::ScaleColour(0x0064C8FAu, 0.75), 0x004B96BBu); // (100,200,250) -> (75,150,187)
    EXPECT_EQ(CPPDrawManager::ScaleColour(0x0064C8FAu, 1.0), 0x0064C8FAu);
    EXPECT_EQ(CPPDrawManager::BrightenColour(0x00C86432u, 0.25), 0x00FA7D3Eu); // capped at 255: 250, 125, 62
    EXPECT_EQ(CPPDrawManager::BrightenColour(0x00C86432u, 0.0), 0x00C86432u);
    EXPECT_EQ(CPPDrawManager::InvertOf(0xFF102030u), 0x00EFDFCFu);
}

TEST(DrawManager, ImageEffectsAndMask) {
    QImage bitmap = canvas(2, 1, qRgb(0, 0, 0));
    bitmap.setPixel(0, 0, qRgb(100, 200, 250));
    CPPDrawManager dm;
    // Pixel 1 is the mask colour (black): it gives 0, inverted white.
    const QImage image = dm.ApplyImageEffect(bitmap, 2, 1, CPPDrawManager::IMAGE_EFFECT_DARKEN, true, RGB(0, 0, 0), 0);
    EXPECT_EQ(image.pixel(0, 0), 0x004B96BBu);
    EXPECT_EQ(image.pixel(1, 0), 0u);
    const QImage mono =
        dm.ApplyImageEffect(bitmap, 2, 1, CPPDrawManager::IMAGE_EFFECT_MONOCHROME | CPPDrawManager::IMAGE_EFFECT_INVERT,
                            true, RGB(0, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(mono.pixel(0, 0), 0u);
    EXPECT_EQ(mono.pixel(1, 0), 0x00FFFFFFu);
    EXPECT_FALSE(dm.alphaFlag());
}

TEST(DrawManager, BitmapThroughMaskAndAlphaBitmapIgnoringTheMask) {
    // Opaque bitmap: the mask colour leaves the target.
    QImage bitmap = canvas(2, 1, qRgb(0, 255, 0));
    bitmap.setPixel(1, 0, qRgb(10, 20, 30));
    QImage target = canvas(2, 1, qRgb(255, 255, 255));
    CPPDrawManager dm;
    {
        QPainter painter(&target);
        dm.PaintBitmap(painter, 0, 0, 2, 1, &bitmap, true, RGB(0, 255, 0), 0, false, 0, 0, 0, 0, 0);
    }
    EXPECT_FALSE(dm.alphaFlag());
    EXPECT_EQ(rgb(target, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(rgb(target, 1, 0), qRgb(10, 20, 30) & 0xFFFFFFu);

    // Alpha bitmap: composed by its alpha, the mask colour drawn like any other pixel.
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 255, 0, 255));
    alpha.setPixel(1, 0, qRgba(200, 100, 0, 128));
    target = canvas(2, 1, qRgb(0, 0, 0));
    {
        QPainter painter(&target);
        dm.PaintBitmap(painter, 0, 0, 2, 1, &alpha, true, RGB(0, 255, 0), 0, false, 0, 0, 0, 0, 0);
    }
    EXPECT_TRUE(dm.alphaFlag());
    EXPECT_EQ(rgb(target, 0, 0), 0x00FF00u);
    EXPECT_EQ(rgb(target, 1, 0), qRgb(100, 50, 0) & 0xFFFFFFu); // 128/255 of 200 and 100, truncated
}

TEST(DrawManager, SharpShadowDarkensBesideTheBitmapOnly) {
    const QImage bitmap = canvas(16, 16, qRgb(10, 20, 30));
    QImage target = canvas(40, 40, qRgb(255, 255, 255));
    {
        QPainter painter(&target);
        CPPDrawManager().PaintBitmap(painter, 0, 0, 16, 16, &bitmap, false, 0, CPPDrawManager::IMAGE_EFFECT_SHADOW,
                                     true, 4, 4, 0, 0, RGB(128, 128, 128));
    }
    EXPECT_EQ(rgb(target, 18, 18), qRgb(128, 128, 128) & 0xFFFFFFu);
    EXPECT_EQ(rgb(target, 15, 15), qRgb(10, 20, 30) & 0xFFFFFFu);
    EXPECT_EQ(rgb(target, 0, 0), qRgb(10, 20, 30) & 0xFFFFFFu);
    EXPECT_EQ(rgb(target, 20, 20), 0xFFFFFFu);
    testsupport::saveRendering(target, "sharp");
}

TEST(DrawManager, BlurredShadowIsTheBoxMeanOfTheMask) {
    // A 24 x 14 mask with a dark block, blurred 5 x 3: every weight is the window's mean (255
    // outside), computed here directly.
    const int w = 24, h = 14, bx = 5, by = 3;
    QImage mask = canvas(w, h, qRgb(255, 255, 255));
    for (int y = 3; y < 9; ++y)
        for (int x = 4; x < 15; ++x)
            mask.setPixel(x, y, qRgb(0, 0, (x * 23 + y * 7) % 200));
    // The mask is stretched into the inner rectangle (bx/2, by/2, w - bx, h - by) first.
    QImage inner = canvas(w, h, qRgb(255, 255, 255));
    {
        const QImage scaled = mask.scaled(w - bx, h - by, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QPainter p(&inner);
        p.drawImage(bx / 2, by / 2, scaled);
    }
    QImage target = canvas(w, h, qRgb(200, 100, 50));
    {
        QPainter painter(&target);
        CPPDrawManager().PaintShadow(painter, 0, 0, w, h, mask, true, bx, by);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            long long sum = 0;
            for (int dy = -by / 2; dy <= by / 2; ++dy)
                for (int dx = -bx / 2; dx <= bx / 2; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    sum += sx < 0 || sy < 0 || sx >= w || sy >= h ? 255 : qBlue(inner.pixel(sx, sy));
                }
            const long long n = 255LL * bx * by;
            ASSERT_EQ(rgb(target, x, y),
                      static_cast<QRgb>(qRgb(static_cast<int>(200 * sum / n), static_cast<int>(100 * sum / n),
                                             static_cast<int>(50 * sum / n)) &
                                        0xFFFFFFu))
                << x << "," << y;
        }
}

TEST(DrawManager, BlurAsLargeAsTheShadowIsClamped) {
    // Blur 41 on a 16 x 16 shadow would stretch the mask to -25 pixels: it becomes 15 (odd).
    const QImage mask = canvas(16, 16, qRgb(0, 0, 0));
    QImage target = canvas(16, 16, qRgb(255, 255, 255));
    {
        QPainter painter(&target);
        CPPDrawManager().PaintShadow(painter, 0, 0, 16, 16, mask, true, 41, 40);
    }
    // The stretched mask is one pixel at (7, 7): its window reaches the centre.
    EXPECT_LT(qRed(target.pixel(7, 7)), 255);
    EXPECT_EQ(qRed(target.pixel(15, 15)), 255);
}

TEST(DrawManager, StripCellsOnlyInsideTheStrip) {
    QImage strip = canvas(8, 4, qRgb(0, 0, 255));
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            strip.setPixel(x, y, qRgb(255, 0, 0));
    struct Case {
        int index, cellWidth, cellHeight;
        bool draws;
        QRgb colour;
    };
    for (const Case c :
         {Case{1, 4, 4, true, qRgb(255, 0, 0)}, Case{0, 4, 4, true, qRgb(0, 0, 255)}, Case{2, 4, 4, false, 0},
          Case{-1, 4, 4, false, 0}, Case{0, 0, 4, false, 0}, Case{0, 4, 0, false, 0}, Case{0, 9, 4, false, 0}}) {
        QImage target = canvas(4, 4, qRgb(255, 255, 255));
        {
            QPainter painter(&target);
            CPPDrawManager().PaintStripImage(painter, 0, 0, 4, 4, &strip, c.index, c.cellWidth, c.cellHeight, false, 0,
                                             0, false, 0, 0, 0, 0, 0);
        }
        EXPECT_EQ(rgb(target, 2, 2), c.draws ? (c.colour & 0xFFFFFFu) : 0xFFFFFFu) << c.index << " " << c.cellWidth;
    }
}

TEST(DrawManager, LinesAndFrames) {
    const auto draw = [](auto paint) {
        QImage image = canvas(20, 20, qRgb(255, 255, 255));
        QPainter painter(&image);
        paint(painter);
        painter.end();
        return image;
    };
    CPPDrawManager dm;
    const QImage blank = canvas(20, 20, qRgb(255, 255, 255));
    EXPECT_EQ(draw([&](QPainter& p) { dm.PaintLine(p, 2, 2, 15, 2, 0, CPPDrawManager::PEN_NULL, 1); }), blank);
    EXPECT_EQ(draw([&](QPainter& p) { dm.PaintLine(p, 2, 2, 15, 2, 0, CPPDrawManager::PEN_SOLID, 0); }), blank);
    EXPECT_EQ(draw([&](QPainter& p) { dm.PaintFrame(p, 2, 2, 15, 15, 0, 0, CPPDrawManager::PEN_SOLID, 0); }), blank);

    // A solid line leaves out its end point; the double kind adds one 2 x width below.
    const QImage line =
        draw([&](QPainter& p) { dm.PaintLine(p, 2, 2, 15, 2, RGB(255, 0, 0), CPPDrawManager::PEN_DOUBLE, 1); });
    EXPECT_EQ(rgb(line, 2, 2), 0xFF0000u);
    EXPECT_EQ(rgb(line, 14, 2), 0xFF0000u);
    EXPECT_EQ(rgb(line, 15, 2), 0xFFFFFFu);
    EXPECT_EQ(rgb(line, 8, 4), 0xFF0000u);
    EXPECT_EQ(rgb(line, 8, 3), 0xFFFFFFu);

    // A frame: top and left in one colour, right and bottom in the other, corners included.
    const QImage frame = draw([&](QPainter& p) {
        dm.PaintFrame(p, 2, 2, 12, 12, RGB(255, 0, 0), RGB(0, 0, 255), CPPDrawManager::PEN_SOLID, 1);
    });
    EXPECT_EQ(rgb(frame, 2, 2), 0xFF0000u);
    EXPECT_EQ(rgb(frame, 11, 2), 0xFF0000u);
    EXPECT_EQ(rgb(frame, 12, 2), 0x0000FFu);
    EXPECT_EQ(rgb(frame, 12, 12), 0x0000FFu);
    EXPECT_EQ(rgb(frame, 3, 12), 0x0000FFu);
    EXPECT_EQ(rgb(frame, 2, 12), 0xFF0000u); // the top-left path starts there
    EXPECT_EQ(rgb(frame, 2, 11), 0xFF0000u);
    EXPECT_EQ(rgb(frame, 7, 7), 0xFFFFFFu);
}

TEST(DrawManager, EveryFillOnEverySizeStaysInsideItsRectangle) {
    CPPDrawManager dm;
    const COLORREF start = RGB(200, 30, 30), middle = RGB(30, 200, 30), end = RGB(30, 30, 200);
    QImage sheet = canvas(16 * 70, 60, qRgb(255, 255, 255));
    QPainter sheetPainter(&sheet);
    for (int effect = 0; effect <= 15; ++effect) {
        for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(5, 5), QSize(200, 100)}) {
            SCOPED_TRACE(testing::Message() << "effect " << effect << " " << size.width() << "x" << size.height());
            // The rectangle sits at (2, 2) of a larger image: nothing outside it changes.
            QImage image = canvas(size.width() + 4, size.height() + 4, qRgb(1, 2, 3));
            {
                QPainter painter(&image);
                dm.FillBackground(painter, effect, {2, 2, 2 + size.width(), 2 + size.height()}, start, middle, end, 10,
                                  20);
            }
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const bool inside = x >= 2 && y >= 2 && x < 2 + size.width() && y < 2 + size.height();
                    if (!inside)
                        ASSERT_EQ(rgb(image, x, y), qRgb(1, 2, 3) & 0xFFFFFFu) << x << "," << y;
                    else
                        ASSERT_NE(rgb(image, x, y), qRgb(1, 2, 3) & 0xFFFFFFu) << x << "," << y;
                }
            if (size.width() == 200)
                sheetPainter.drawImage(QRect(effect * 70, 0, 66, 60), image);
        }
    }
    sheetPainter.end();
    testsupport::saveRendering(sheet, "effects-0-to-15");
}

TEST(DrawManager, PatternsThatWouldDivideByZeroFillSolid) {
    struct Case {
        int effect;
        QSize size;
    };
    for (const Case c : {Case{CPPDrawManager::EFFECT_HARDBUMP, {5, 40}}, Case{CPPDrawManager::EFFECT_HARDBUMP, {40, 1}},
                         Case{CPPDrawManager::EFFECT_METAL, {32768, 1}}}) {
        SCOPED_TRACE(c.effect);
        QImage image = canvas(c.size.width(), c.size.height(), qRgb(1, 2, 3));
        {
            QPainter painter(&image);
            CPPDrawManager().FillBackground(painter, c.effect, RECT::fromQRect(image.rect()), RGB(10, 20, 30),
                                            RGB(200, 200, 200), RGB(90, 90, 90), 0, 0);
        }
        EXPECT_EQ(rgb(image, 0, 0), qRgb(10, 20, 30) & 0xFFFFFFu);
        EXPECT_EQ(rgb(image, c.size.width() - 1, c.size.height() - 1), qRgb(10, 20, 30) & 0xFFFFFFu);
    }
    // "noise" with granularity 0 is palette entry 128 nearly everywhere: the second palette loop's
    // first entry, (start + 127 x middle) / 128.
    QImage noise = canvas(50, 20, 0);
    {
        QPainter painter(&noise);
        CPPDrawManager().FillBackground(painter, CPPDrawManager::EFFECT_NOISE, {0, 0, 50, 20}, RGB(255, 0, 0),
                                        RGB(0, 255, 0), RGB(0, 0, 255), 0, 0);
    }
    EXPECT_EQ(rgb(noise, 25, 10), qRgb(1, 253, 0) & 0xFFFFFFu);
}

// A pattern fill makes only what its painter can show; the shown pixels are those of the whole
// fill, and the random sequence goes on from where the whole fill leaves it.
TEST(DrawManager, PatternFillOfAPartHasThePixelsOfTheWholeAndKeepsTheSequence) {
    const QRect cell(3, 5, 97, 61);
    struct View {
        const char* what;
        QSize target;   // the painter's image
        QPoint shift;   // the painter's translation
        QRect clip;     // in the painter's coordinates; empty: no clip
    };
    const View views[] = {
        {"clip inside", {110, 70}, {0, 0}, {20, 17, 31, 22}},
        {"clip over the right and bottom edges", {110, 70}, {0, 0}, {60, 40, 80, 60}},
        {"clip of one pixel row", {110, 70}, {0, 0}, {3, 30, 97, 1}},
        {"image smaller than the cell, translated", {40, 30}, {-25, -12}, {}},
        {"translated and clipped", {110, 70}, {7, -4}, {10, 10, 50, 20}},
        {"clip beside the cell", {110, 70}, {0, 0}, {101, 0, 9, 70}},
    };
    const QRgb paper = qRgb(1, 2, 3);
    for (int effect = CPPDrawManager::EFFECT_NOISE; effect <= CPPDrawManager::EFFECT_METAL; ++effect) {
        // The whole cell, drawn untranslated and unclipped.
        QImage whole = canvas(110, 70, paper);
        crtSrand(11);
        {
            QPainter painter(&whole);
            CPPDrawManager().FillBackground(painter, effect, RECT::fromQRect(cell), RGB(200, 30, 30),
                                            RGB(30, 200, 30), RGB(30, 30, 200), 20, 10);
        }
        const int nextAfterWhole = crtRand();

        for (const View& v : views) {
            SCOPED_TRACE(testing::Message() << "effect " << effect << ", " << v.what);
            QImage part = canvas(v.target.width(), v.target.height(), paper);
            crtSrand(11);
            {
                QPainter painter(&part);
                painter.translate(v.shift);
                if (!v.clip.isEmpty())
                    painter.setClipRect(v.clip);
                CPPDrawManager().FillBackground(painter, effect, RECT::fromQRect(cell), RGB(200, 30, 30),
                                                RGB(30, 200, 30), RGB(30, 30, 200), 20, 10);
            }
            EXPECT_EQ(crtRand(), nextAfterWhole);
            const QRect shown = v.clip.isEmpty() ? QRect(-v.shift, v.target) : v.clip;
            for (int y = 0; y < part.height(); ++y)
                for (int x = 0; x < part.width(); ++x) {
                    const QPoint at = QPoint(x, y) - v.shift; // in the cell's coordinates
                    const bool drawn = shown.contains(at) && cell.contains(at);
                    ASSERT_EQ(rgb(part, x, y), drawn ? rgb(whole, at.x(), at.y()) : paper & 0xFFFFFFu)
                        << x << "," << y;
                }
        }
    }
}

TEST(DrawManager, TileBlitRepeatsAndClipsAndRefusesEmptyTiles) {
    QImage tile = canvas(3, 3, qRgb(0, 0, 255));
    tile.setPixel(0, 0, qRgb(255, 0, 0));
    QImage target = canvas(8, 8, qRgb(255, 255, 255));
    {
        QPainter painter(&target);
        CPPDrawManager().TileBlit(painter, 1, 1, 6, 5, tile, 0, 0, 3, 3);
        CPPDrawManager().TileBlit(painter, 0, 0, 8, 8, tile, 0, 0, 0, 3); // would never end
    }
    EXPECT_EQ(rgb(target, 1, 1), 0xFF0000u);
    EXPECT_EQ(rgb(target, 4, 4), 0xFF0000u);
    EXPECT_EQ(rgb(target, 6, 5), 0x0000FFu);
    EXPECT_EQ(rgb(target, 7, 5), 0xFFFFFFu);
    EXPECT_EQ(rgb(target, 6, 6), 0xFFFFFFu);
}

TEST(PaletteBitmap, RefusesBadSizesAndKeepsPixelsInside) {
    CCeXDib dib;
    EXPECT_EQ(dib.Create(0, 10, 8), nullptr);
    EXPECT_EQ(dib.Create(10, -1, 8), nullptr);
    EXPECT_EQ(dib.Create(10, 10, 7), nullptr);
    EXPECT_EQ(dib.Create(1 << 30, 1 << 30, 8), nullptr);
    EXPECT_EQ(dib.Create(0x7FFFFFFF, 1, 32), nullptr);
    ASSERT_NE(dib.Create(5, 3, 8), nullptr);
    EXPECT_EQ(dib.GetLineWidth(), 8);
    EXPECT_EQ(dib.GetSize(), 40u + 1024u + 24u);
    dib.SetPaletteIndex(1, 255, 0, 0);
    dib.SetPaletteIndex(256, 0, 255, 0); // no entry 256
    dib.SetPixelIndex(4, 0, 1);
    dib.SetPixelIndex(5, 0, 1); // outside
    dib.SetPixelIndex(0, -1, 1);
    const QImage image = dib.toImage();
    EXPECT_EQ(rgb(image, 4, 0), 0xFF0000u);
    EXPECT_EQ(rgb(image, 3, 0), 0u);
    EXPECT_EQ(rgb(image, 0, 2), 0u);
    dib.BlendPalette(RGB(0, 0, 200), 50);
    EXPECT_EQ(rgb(dib.toImage(), 4, 0), qRgb(127, 0, 100) & 0xFFFFFFu);
}

TEST(DrawManager, IconsThroughTheirMaskOrInOneColour) {
    // A classic icon: alpha only 0 or 255; its transparent pixels leave the target.
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(0, 0, 0, 0));
    icon.setPixel(1, 0, qRgba(10, 20, 30, 255));
    CPPDrawManager dm;
    struct Case {
        unsigned effect;
        QRgb opaque;
    };
    for (const Case c : {Case{0, qRgb(10, 20, 30)}, Case{CPPDrawManager::IMAGE_EFFECT_MONOCHROME, qRgb(0, 0, 255)}}) {
        QImage target = canvas(4, 2, qRgb(255, 255, 255));
        {
            QPainter painter(&target);
            dm.PaintIcon(painter, 1, 1, 2, 1, &icon, c.effect, false, 0, 0, 0, 0, RGB(0, 0, 255));
        }
        EXPECT_EQ(rgb(target, 1, 1), 0xFFFFFFu) << c.effect;
        EXPECT_EQ(rgb(target, 2, 1), c.opaque & 0xFFFFFFu) << c.effect;
        EXPECT_EQ(rgb(target, 3, 1), 0xFFFFFFu) << c.effect;
    }
    // Resized to the requested size without smoothing.
    QImage target = canvas(4, 2, qRgb(255, 255, 255));
    {
        QPainter painter(&target);
        dm.PaintIcon(painter, 0, 0, 4, 2, &icon, 0, false, 0, 0, 0, 0, 0);
    }
    EXPECT_EQ(rgb(target, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(rgb(target, 3, 1), qRgb(10, 20, 30) & 0xFFFFFFu);
}
