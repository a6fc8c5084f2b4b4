// The toolbar's three looks: greying, lightening through HLS, the processor chain and the
// toolbar's button icons.
#include "controls/Artwork.h"
#include "controls/PictureIds.h"
#include "controls/ToolbarBitmap.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPainter>

namespace {

constexpr QRgb kMagenta = 0xFFFF00FFu;

struct LookCase {
    QRgb source;
    QRgb normal;
    QRgb disabled;
};

// One pixel per case, in a row.
QImage fixtureOf(const std::vector<LookCase>& cases) {
    QImage image(static_cast<int>(cases.size()), 1, QImage::Format_RGB32);
    for (std::size_t i = 0; i < cases.size(); ++i)
        image.setPixel(static_cast<int>(i), 0, cases[i].source);
    return image;
}

} // namespace

TEST(ToolbarLooks, NormalAndDisabledLooksFollowTheLighteningSteps) {
    const std::vector<LookCase> cases = {
        {qRgb(0, 0, 0), qRgb(20, 20, 20), qRgb(60, 60, 60)},
        {qRgb(128, 128, 128), qRgb(148, 148, 148), qRgb(188, 188, 188)},
        {qRgb(192, 192, 192), qRgb(212, 212, 212), qRgb(252, 252, 252)},
        {qRgb(0, 128, 0), qRgb(0, 168, 0), qRgb(136, 136, 136)},
        {qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255)},
        {kMagenta, kMagenta, kMagenta},
    };
    CEnBitmap normal, disabled;
    normal.Attach(fixtureOf(cases));
    disabled.Attach(fixtureOf(cases));
    ASSERT_TRUE(MakeLightBitmap(normal, RGB(255, 0, 255)));
    ASSERT_TRUE(MakeDisabledBitmap(disabled, RGB(255, 0, 255)));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        EXPECT_EQ(normal.image().pixel(static_cast<int>(i), 0), cases[i].normal);
        EXPECT_EQ(disabled.image().pixel(static_cast<int>(i), 0), cases[i].disabled);
    }
}

TEST(ToolbarLooks, HlsKeepsHueAndSaturationWhenTheLightnessMoves) {
    HlsColor colour;
    colour.SetRGB(200, 100, 50);
    const float hue = colour.GetHue();
    const float saturation = colour.GetSaturation();
    EXPECT_NEAR(hue, 20.0f, 0.01f);
    colour.SetLuminance(colour.GetLuminance() - 0.1f);
    EXPECT_FLOAT_EQ(colour.GetHue(), hue);
    EXPECT_FLOAT_EQ(colour.GetSaturation(), saturation);
    // Darker, the same order of channels.
    EXPECT_LT(colour.GetRed(), 200);
    EXPECT_GT(colour.GetRed(), colour.GetGreen());
    EXPECT_GT(colour.GetGreen(), colour.GetBlue());
    // A negative increment darkens a grey by the same rule.
    CImageHigh darker(-0.04f);
    const QRgb grey = qRgb(128, 128, 128);
    QRgb out = 0;
    ASSERT_TRUE(darker.ProcessPixels(&grey, {1, 1}, &out, {1, 1}));
    EXPECT_EQ(out & 0xFFFFFFu, qRgb(117, 117, 117) & 0xFFFFFFu); // trunc((256/510 - 0.04) x 255)
}

namespace {

// Doubles the width: its destination is larger than its source.
class Widen : public C32BitImageProcessor {
public:
    QSize CalcDestSize(QSize source) const override { return {source.width() * 2, source.height()}; }
};

class Failing : public C32BitImageProcessor {
public:
    bool ProcessPixels(const QRgb*, QSize, QRgb*, QSize) override { return false; }
};

} // namespace

TEST(ToolbarLooks, ProcessorChainGrowsOnTheBackgroundAndAFailureKeepsTheBitmap) {
    QImage source(2, 1, QImage::Format_RGB32);
    source.fill(qRgb(10, 20, 30));

    CEnBitmap grown(RGB(1, 2, 3));
    grown.Attach(source);
    Widen widen;
    CImageGrayer grey;
    C32BitImageProcessor* chain[] = {&widen, &grey};
    ASSERT_TRUE(grown.ProcessImage(chain));
    ASSERT_EQ(grown.image().size(), QSize(4, 1));
    const unsigned g = (6 * 20 + 3 * 10 + 30) / 10;
    EXPECT_EQ(grown.image().pixel(0, 0), qRgb(g, g, g));
    // The part the first processor did not write is the background, greyed.
    const unsigned b = (6 * 2 + 3 * 1 + 3) / 10;
    EXPECT_EQ(grown.image().pixel(3, 0), qRgb(b, b, b));

    CEnBitmap kept;
    kept.Attach(source);
    Failing failing;
    C32BitImageProcessor* failingChain[] = {&grey, &failing};
    EXPECT_FALSE(kept.ProcessImage(failingChain));
    EXPECT_EQ(kept.image().pixel(0, 0), qRgb(10, 20, 30));

    CEnBitmap empty;
    EXPECT_FALSE(empty.ProcessImage(chain));
    EXPECT_TRUE(kept.ProcessImage({}));
}

TEST(ToolbarLooks, ButtonIconsShowMagentaAsTransparentInEveryMode) {
    CToolBar24 toolbar;
    for (const unsigned id : toolbarButtons(pictures::IDR_MAINFRAME)) {
        if (id == 0)
            toolbar.addSeparator();
        else
            toolbar.addAction(QString::number(id));
    }
    toolbar.SetToolbarTrueColorImages(pictures::IDB_TOOLBAR24, RGB(255, 0, 255));
    ASSERT_EQ(toolbar.hotImages().GetImageCount(), 20);
    ASSERT_EQ(toolbar.normalImages().GetImageCount(), 20);
    ASSERT_EQ(toolbar.disabledImages().GetImageCount(), 20);

    const QImage strip = artworkBitmap(pictures::IDB_TOOLBAR24).convertToFormat(QImage::Format_RGB32);
    // A pixel of the first button that is magenta in the strip, and one that is not.
    QPoint magenta(-1, -1), opaque(-1, -1);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            (strip.pixel(x, y) == kMagenta ? magenta : opaque) = QPoint(x, y);
    ASSERT_GE(magenta.x(), 0);
    ASSERT_GE(opaque.x(), 0);

    QImage looks(3 * 24, 24, QImage::Format_ARGB32);
    looks.fill(Qt::transparent);
    QPainter painter(&looks);
    int column = 0;
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled}) {
        SCOPED_TRACE(mode);
        const QImage image = toolbar.buttonIcon(0).pixmap(QSize(24, 24), 1.0, mode).toImage();
        ASSERT_EQ(image.size(), QSize(24, 24));
        EXPECT_EQ(qAlpha(image.pixel(magenta)), 0);
        EXPECT_EQ(qAlpha(image.pixel(opaque)), 255);
        painter.drawImage(24 * column++, 0, image);
    }
    painter.end();
    testsupport::saveRendering(looks, "new-normal-hot-disabled");
    // The buttons got their icons in order, separators skipped.
    int buttons = 0;
    for (QAction* action : toolbar.actions())
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull());
            ++buttons;
        }
    EXPECT_EQ(buttons, 20);
}
