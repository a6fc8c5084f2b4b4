#include "controls/MenuImages.h"

#include "controls/ImageList.h"

#include <QPainter>

COLORREF BlendTowardWhite(COLORREF colour, double f) {
    if (!(f > 0.0 && f <= 1.0))
        return colour;
    const auto up = [f](int ch) { return static_cast<int>(ch + (255 - ch) * f); };
    return RGB(up(GetRValue(colour)), up(GetGValue(colour)), up(GetBValue(colour)));
}

COLORREF BlendTowardBlack(COLORREF colour, double f) {
    if (!(f > 0.0 && f <= 1.0))
        return colour;
    const auto down = [f](int ch) { return static_cast<int>(ch - ch * f); };
    return RGB(down(GetRValue(colour)), down(GetGValue(colour)), down(GetBValue(colour)));
}

QImage ImageToBitmap(const CImageList& list, int index) {
    if (index < 0 || index >= list.GetImageCount())
        return {};
    QImage bitmap(kMenuImageWidth, kMenuImageHeight, QImage::Format_RGB32);
    bitmap.fill(rgbOf(GetSysColor(COLOR_BTNFACE)));
    QPainter painter(&bitmap);
    list.Draw(painter, index, QPoint(0, 0));
    return bitmap;
}

namespace {

// Rewrites every pixel of the bitmap: `other` for pixels that are not the button face, `face`
// for those that are.
template <typename Other, typename Face> void rewrite(QImage& bitmap, QRgb reference, Other other, Face face) {
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    reference &= 0xFFFFFFu;
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            if ((line[x] & 0xFFFFFFu) == reference)
                line[x] = face(line[x]);
            else
                line[x] = other(line[x]);
        }
    }
}

QRgb faceRgb() {
    return rgbOf(GetSysColor(COLOR_BTNFACE));
}

} // namespace

void MakeFadedBitmap(QImage& bitmap) {
    rewrite(
        bitmap, faceRgb(), [](QRgb p) { return rgbOf(BlendTowardWhite(colorRefOf(p), 0.3)); },
        [](QRgb p) { return p; });
}

void MakeShadowBitmap(QImage& bitmap, bool themed) {
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    if (!themed)
        shadow = BlendTowardWhite(shadow, 0.49);
    const QRgb value = rgbOf(shadow);
    rewrite(
        bitmap, faceRgb(), [value](QRgb) { return value; }, [](QRgb p) { return p; });
}

void MakeGreyedBitmap(QImage& bitmap, COLORREF background) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    rewrite(
        bitmap, faceRgb(),
        [shadow](QRgb p) {
            const int mean = (qRed(p) + qGreen(p) + qBlue(p)) / 3;
            return rgbOf(BlendTowardWhite(shadow, mean / 255.0));
        },
        [background](QRgb p) { return background != 0 ? rgbOf(background) : p; });
}

void ReplaceGreyBackground(QImage& bitmap) {
    const QRgb face = faceRgb();
    rewrite(
        bitmap, qRgb(192, 192, 192), [](QRgb p) { return p; }, [face](QRgb) { return face; });
}

void DrawEmbossed(QPainter& painter, int x, int y, int width, int height, const QImage& bitmap, COLORREF background) {
    if (width < 1 || height < 1 || bitmap.isNull())
        return;
    const QImage source = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb face = faceRgb() & 0xFFFFFFu;
    const QRgb light = rgbOf(GetSysColor(COLOR_BTNHIGHLIGHT)) & 0xFFFFFFu;
    // The monochrome mask: set (black) where the image has a pixel of its own.
    const auto isSet = [&](int col, int row) {
        if (col < 0 || row < 0 || col >= width || row >= height || col >= source.width() || row >= source.height())
            return false;
        const QRgb p = reinterpret_cast<const QRgb*>(source.constScanLine(row))[col] & 0xFFFFFFu;
        return p != face && p != light;
    };
    const QRgb back = rgbOf(background);
    const QRgb highlight = rgbOf(GetSysColor(COLOR_BTNHIGHLIGHT));
    const QRgb shadow = rgbOf(GetSysColor(COLOR_BTNSHADOW));
    QImage block(width, height, QImage::Format_RGB32);
    // First the highlight copy, one pixel down and right.
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            block.setPixel(col, row, isSet(col, row) ? highlight : back);
    painter.drawImage(QPoint(x + 1, y + 1), block);
    // Then the block again: highlight where the mask is set one pixel up and left, shadow where
    // it is set here.
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            block.setPixel(col, row, isSet(col, row) ? shadow : isSet(col - 1, row - 1) ? highlight : back);
    painter.drawImage(QPoint(x, y), block);
}

void DrawGreyedImage(QPainter& painter, int x, int y, int width, int height, const QImage& bitmap,
                     COLORREF background) {
    if (width < 1 || height < 1 || bitmap.isNull())
        return;
    QImage copy = bitmap.copy(0, 0, width, height);
    MakeGreyedBitmap(copy, background);
    painter.drawImage(QPoint(x, y), copy);
}
