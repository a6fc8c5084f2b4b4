// The HTML drawer on real fonts and a 32-bit image: font heights, what the painter canvas paints,
// and the pictures and strings the windowed program gives it.

#include "ControlsPalette.h"
#include "controls/Artwork.h"
#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerQt.h"
#include "controls/PictureIds.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

TEST(HtmlDrawerQt, FontHeightsAreCharacterCells) {
    HtmlFontMeasurer measurer;
    for (const int height : {10, 16, 30}) {
        SCOPED_TRACE(height);
        measurer.setFont(HtmlFont{QStringLiteral("Verdana"), height, 400});
        const int cell = measurer.ascent() + measurer.descent();
        EXPECT_LE(cell, height);
        EXPECT_GE(cell, height * 3 / 4);
        EXPECT_GT(measurer.advance(QStringLiteral("Quote")), 0);
    }
    // Markup cannot ask for a font beyond any screen.
    measurer.setFont(HtmlFont{QStringLiteral("Verdana"), 1 << 28, 400});
    EXPECT_LE(measurer.ascent() + measurer.descent(), 1000);
}

QImage paint(CPPHtmlDrawer& drawer, const QString& markup, QSize* measured = nullptr) {
    HtmlFontMeasurer measurer;
    const QSize size = drawer.MeasureMarkup(measurer, markup);
    if (measured)
        *measured = size;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    HtmlPainterCanvas canvas(painter, drawer.Painter());
    drawer.RenderMarkup(canvas, QRect(QPoint(0, 0), size));
    return image;
}

TEST(HtmlDrawerQt, PaintsTextTablesAndPictures) {
    controlstest::FixedPalette palette;
    CPPHtmlDrawer drawer;
    HtmlArtworkPictures pictures;
    drawer.SetPictureSource(&pictures);
    const QString markup =
        QStringLiteral("<h2>Quotation</h2><center><font color=red>rising</font> <b>12.50</b></center><hr>"
                       "<table border=1 bordercolor=black><tr><td width=40 height=20 bgcolor=#00ff00></td>"
                       "<td><ilst idres=183 cx=24 index=1></td><td><ilst idres=137 index=1></td></tr></table>");
    QSize size;
    const QImage image = paint(drawer, markup, &size);
    testsupport::saveRendering(image.scaled(image.size() * 3), "rich");

    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80 ? 1 : 0;
    EXPECT_GT(red, 10); // the red word

    // The table is the last part: its frame on the bottom row, then the green cell above it.
    const int bottom = size.height() - 2; // the measured height is one more than the content's
    EXPECT_EQ(image.pixel(10, bottom), qRgb(0, 0, 0));
    int greenRow = bottom;
    while (greenRow > 0 && image.pixel(10, greenRow) != qRgb(0, 255, 0))
        --greenRow;
    EXPECT_GT(greenRow, bottom - 10);
    EXPECT_EQ(image.pixel(20, greenRow - 10), qRgb(0, 255, 0));

    // The toolbar strip's second 24 x 24 frame stands in the second cell.
    const QImage frame =
        artworkBitmap(pictures::IDB_TOOLBAR24).copy(24, 0, 24, 24).convertToFormat(QImage::Format_RGB32);
    bool found = false;
    for (int x = 0; x + 24 <= image.width() && !found; ++x)
        for (int y = 0; y + 24 <= image.height() && !found; ++y)
            found = image.copy(x, y, 24, 24) == frame;
    EXPECT_TRUE(found);
}

TEST(HtmlDrawerQt, PicturesOfTheArtworkAndOfFiles) {
    HtmlArtworkPictures pictures;
    EXPECT_EQ(pictures.bitmap(pictures::IDB_TOOLBAR24)->size(), QSize(480, 24));
    EXPECT_EQ(pictures.bitmap(4242), nullptr);
    EXPECT_EQ(pictures.bitmap(-1), nullptr);
    EXPECT_EQ(pictures.icon(pictures::IDI_TRAY, QSize(16, 16))->size(), QSize(16, 16));
    EXPECT_EQ(pictures.icon(pictures::IDI_TRAY, QSize())->size(), QSize(32, 32));
    EXPECT_EQ(pictures.icon(4242, QSize(16, 16)), nullptr);

    const std::filesystem::path folder = testsupport::makeTempDir("html-pictures");
    const QString file = QString::fromStdString((folder / "p.png").string());
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(file));
    EXPECT_EQ(pictures.bitmapFile(file)->size(), QSize(20, 10));
    EXPECT_EQ(pictures.iconFile(file, QSize(8, 8))->size(), QSize(8, 8));
    EXPECT_EQ(pictures.bitmapFile(file + QStringLiteral(".missing")), nullptr);
    std::filesystem::remove_all(folder);
}

TEST(HtmlDrawerQt, ButtonTipsFromTheStringTable) {
    CPPHtmlDrawer drawer;
    HtmlProgramStrings strings;
    drawer.SetStringTable(&strings);
    EXPECT_EQ(drawer.LoadResourceLine(32797, 1), QStringLiteral("Abort downloads")); // after the prompt
    EXPECT_EQ(drawer.LoadResourceLine(32797, 0), QString());
}

} // namespace
