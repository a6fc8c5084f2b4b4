// The menu image helpers: blends, the variants of a command image and the disabled looks.
#include "ControlsPalette.h"
#include "controls/ImageList.h"
#include "controls/MenuImages.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

constexpr QRgb kFace = 0xFFF0F0F0u;   // Button
constexpr QRgb kShadow = 0xFFA0A0A0u; // Dark
constexpr QRgb kLight = 0xFFFFFFFFu;  // Light

// A 4 x 2 fixture: face, black, (90,150,210), (192,192,192) / face, white, (255,0,0), face.
QImage fixture() {
    QImage image(4, 2, QImage::Format_RGB32);
    const QRgb pixels[] = {kFace, qRgb(0, 0, 0),       qRgb(90, 150, 210), qRgb(192, 192, 192),
                           kFace, qRgb(255, 255, 255), qRgb(255, 0, 0),    kFace};
    for (int i = 0; i < 8; ++i)
        image.setPixel(i % 4, i / 4, pixels[i]);
    return image;
}

} // namespace

TEST(MenuImages, BlendsTowardWhiteAndBlackOnlyForFractionsUpToOne) {
    struct Case {
        double f;
        COLORREF white, black;
    };
    const COLORREF c = RGB(100, 0, 255);
    for (const Case k : {Case{0.5, RGB(177, 127, 255), RGB(50, 0, 127)}, Case{1.0, RGB(255, 255, 255), RGB(0, 0, 0)},
                         Case{0.0, c, c}, Case{-0.3, c, c}, Case{1.01, c, c}}) {
        EXPECT_EQ(BlendTowardWhite(c, k.f), k.white) << k.f;
        EXPECT_EQ(BlendTowardBlack(c, k.f), k.black) << k.f;
    }
}

TEST(MenuImages, VariantsRewriteEveryPixelButTheButtonFace) {
    controlstest::FixedPalette palette;
    QImage faded = fixture();
    MakeFadedBitmap(faded);
    EXPECT_EQ(faded.pixel(0, 0), kFace);
    EXPECT_EQ(faded.pixel(1, 0), qRgb(76, 76, 76));    // 0 + 255 x 0.3
    EXPECT_EQ(faded.pixel(2, 0), qRgb(139, 181, 223)); // 90 + 165 x 0.3, ...
    EXPECT_EQ(faded.pixel(2, 1), qRgb(255, 76, 76));

    QImage shadow = fixture();
    MakeShadowBitmap(shadow, false);
    const QRgb lightShadow = qRgb(206, 206, 206); // (160,160,160) toward white by 0.49
    EXPECT_EQ(shadow.pixel(0, 0), kFace);
    EXPECT_EQ(shadow.pixel(1, 0), lightShadow);
    EXPECT_EQ(shadow.pixel(1, 1), lightShadow);
    QImage themedShadow = fixture();
    MakeShadowBitmap(themedShadow, true);
    EXPECT_EQ(themedShadow.pixel(2, 0), kShadow);

    QImage greyed = fixture();
    MakeGreyedBitmap(greyed, RGB(1, 2, 3));
    EXPECT_EQ(greyed.pixel(0, 0), qRgb(1, 2, 3));       // the face becomes the background
    EXPECT_EQ(greyed.pixel(1, 0), kShadow);             // mean 0: the shadow itself
    EXPECT_EQ(greyed.pixel(1, 1), kLight);              // mean 255: white
    EXPECT_EQ(greyed.pixel(2, 0), qRgb(215, 215, 215)); // mean 150: 160 + 95 x 150 / 255
    QImage greyedKeep = fixture();
    MakeGreyedBitmap(greyedKeep, 0);
    EXPECT_EQ(greyedKeep.pixel(0, 0), kFace);

    QImage grey = fixture();
    ReplaceGreyBackground(grey);
    EXPECT_EQ(grey.pixel(3, 0), kFace);
    EXPECT_EQ(grey.pixel(2, 0), qRgb(90, 150, 210));
}

TEST(MenuImages, ImageToBitmapPutsTheImageOnTheButtonFace) {
    controlstest::FixedPalette palette;
    QImage strip(16, 16, QImage::Format_RGB32);
    strip.fill(qRgb(0, 255, 0));
    strip.setPixel(3, 4, qRgb(10, 20, 30));
    CImageList list;
    list.Create(16, 15);
    ASSERT_EQ(list.Add(strip, RGB(0, 255, 0)), 0);
    const QImage bitmap = ImageToBitmap(list, 0);
    ASSERT_EQ(bitmap.size(), QSize(16, 15));
    EXPECT_EQ(bitmap.pixel(0, 0), kFace);
    EXPECT_EQ(bitmap.pixel(3, 4), qRgb(10, 20, 30));
    EXPECT_TRUE(ImageToBitmap(list, 1).isNull());
}

TEST(MenuImages, EmbossedImageIsShadowWithHighlightDownRight) {
    controlstest::FixedPalette palette;
    // A 4 x 3 image: an L of dark pixels; face and highlight pixels are no part of it.
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(kFace);
    image.setPixel(1, 0, qRgb(0, 0, 0));
    image.setPixel(1, 1, qRgb(200, 0, 0));
    image.setPixel(2, 1, qRgb(0, 0, 200));
    image.setPixel(3, 2, kLight);
    QImage target(6, 5, QImage::Format_RGB32);
    target.fill(qRgb(9, 9, 9));
    {
        QPainter painter(&target);
        DrawEmbossed(painter, 1, 1, 4, 3, image, RGB(50, 60, 70));
    }
    testsupport::saveRendering(target.scaled(60, 50), "embossed-x10");
    // B background (50,60,70), S shadow, H highlight, . untouched.
    const char* golden[] = {
        "......", ".BSBB.", ".BSSBB", ".BBHHB", "..BBBB",
    };
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const QRgb expected = golden[y][x] == 'B'   ? qRgb(50, 60, 70)
                                  : golden[y][x] == 'S' ? kShadow
                                  : golden[y][x] == 'H' ? kLight
                                                        : qRgb(9, 9, 9);
            EXPECT_EQ(target.pixel(x, y), expected) << x << "," << y;
        }
}

TEST(MenuImages, GreyedImageIsTheGreyedVariantDrawnInPlace) {
    controlstest::FixedPalette palette;
    QImage target(6, 4, QImage::Format_RGB32);
    target.fill(qRgb(9, 9, 9));
    {
        QPainter painter(&target);
        DrawGreyedImage(painter, 1, 1, 4, 2, fixture(), RGB(50, 60, 70));
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(9, 9, 9));
    EXPECT_EQ(target.pixel(1, 1), qRgb(50, 60, 70));
    EXPECT_EQ(target.pixel(2, 1), kShadow);
}
