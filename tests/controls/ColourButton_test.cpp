// The colour button paints the same swatch in every state.
#include "ControlsPalette.h"
#include "controls/ColourButton.h"
#include "controls/PixelRules.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

namespace {

// The swatch drawn by hand: black frame, grey (130,130,130) band of 2 pixels, the colour inside.
QImage golden(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    QPainter painter(&image);
    painter.fillRect(QRect(1, 1, size.width() - 2, size.height() - 2), QColor(130, 130, 130));
    painter.fillRect(QRect(3, 3, size.width() - 6, size.height() - 6), QColor::fromRgb(colour));
    return image;
}

} // namespace

TEST(ColourButton, PaintsFrameBandAndColourInEveryState) {
    controlstest::FixedPalette palette;
    CButtonColor button;
    button.resize(40, 20);
    const auto grab = [&] { return button.grab().toImage().convertToFormat(QImage::Format_RGB32); };

    // Before SetColor the swatch is the button face.
    EXPECT_EQ(grab(), golden(button.size(), rgbOf(GetSysColor(COLOR_BTNFACE))));

    button.SetColor(RGB(10, 120, 230));
    const QImage expected = golden(button.size(), qRgb(10, 120, 230));
    const QImage plain = grab();
    testsupport::saveRendering(plain, "swatch");
    EXPECT_EQ(plain.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(plain.pixel(1, 1), qRgb(130, 130, 130));
    EXPECT_EQ(plain.pixel(3, 3), qRgb(10, 120, 230));
    EXPECT_EQ(plain, expected);

    button.setDown(true);
    EXPECT_EQ(grab(), expected) << "pressed";
    button.setDown(false);
    button.setCheckable(true);
    button.setChecked(true);
    EXPECT_EQ(grab(), expected) << "checked";
    button.setEnabled(false);
    EXPECT_EQ(grab(), expected) << "disabled";
}
