#pragma once
// The pixel rules of the controls' drawing, converted once for QPainter and QImage:
// - a rectangle's right and bottom edges are exclusive: RECT{l, t, r, b} is QRect(l, t, r - l, b - t);
//   frames are drawn as fills of one-pixel bands;
// - a line drawn by LineTo leaves out its end point (QPainter::drawLine does not);
// - an ellipse bounded by (l, t, r, b) covers r - l by b - t pixels, outline included;
// - a bitmap drawn through a mask (SRCAND, then SRCPAINT) is an ARGB image with alpha 0 where the
//   mask is set;
// - an opaque 32-bit bitmap carries 0 in its fourth byte, which Format_RGB32 reads as 0xFF: pixel
//   processing works on Format_RGB32, and only an image with hasAlphaChannel() has alpha values;
// - a stretching copy is QImage::scaled with Qt::FastTransformation.

#include "controls/WinGdi.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <span>
#include <vector>

class QPainter;

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    QRect toQRect() const { return QRect(left, top, right - left, bottom - top); }
    static RECT fromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
};

inline QRect rectFromLTRB(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

// FillRect: the rectangle without its right and bottom edges; nothing when it is empty.
void fillRect(QPainter& painter, const RECT& rect, COLORREF colour);
// FrameRect: a one-pixel frame just inside the rectangle.
void frameRect(QPainter& painter, const RECT& rect, COLORREF colour);
// Draw3dRect: top and left edges in one colour, right and bottom in the other, one pixel wide.
void draw3dRect(QPainter& painter, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);

// MoveTo(points[0]) then LineTo each further point with the painter's pen: each segment leaves out
// its end point. A solid pen of width 0 or 1 is drawn pixel by pixel (the segment's pixels along
// its longer axis); other pens go through QPainter with the end point drawn too.
void polylineTo(QPainter& painter, std::span<const QPoint> points);
inline void lineTo(QPainter& painter, QPoint from, QPoint to) {
    const QPoint points[] = {from, to};
    polylineTo(painter, points);
}

// The pixels of a one-pixel line from `from` towards `to`, end point left out.
std::vector<QPoint> linePixels(QPoint from, QPoint to);

// Ellipse(l, t, r, b) with the painter's pen and brush, aliased: covers r - l by b - t pixels.
void ellipse(QPainter& painter, int left, int top, int right, int bottom);

// A colour image drawn through a mask: alpha 0 where the mask pixel is white (masked), the image's
// colour, opaque, elsewhere.
QImage applyMask(const QImage& image, const QImage& mask);
// The same with a mask colour: pixels of that colour become alpha 0 (all four bytes 0).
QImage maskColourToAlpha(const QImage& image, COLORREF maskColour);

// The fourth byte of a pixel as a 32-bit bitmap holds it: the alpha of an image with an alpha
// channel, 0 for an opaque one.
inline std::uint32_t fourthByte(const QImage& image, QRgb pixel) {
    return image.hasAlphaChannel() ? qAlpha(pixel) : 0u;
}
// A 32-bit working copy whose fourth byte is meaningful (Format_ARGB32; 0 for an opaque source).
QImage toDibPixels(const QImage& image);

// StretchBlt: scaled to the size without smoothing.
inline QImage stretchBlt(const QImage& image, QSize size) {
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
