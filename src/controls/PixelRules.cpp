#include "controls/PixelRules.h"

#include <QPainter>
#include <QPolygon>

#include <cstdlib>

void fillRect(QPainter& painter, const RECT& rect, COLORREF colour) {
    if (!rect.isEmpty())
        painter.fillRect(rect.toQRect(), toQColor(colour));
}

void frameRect(QPainter& painter, const RECT& rect, COLORREF colour) {
    if (rect.isEmpty())
        return;
    fillRect(painter, {rect.left, rect.top, rect.right, rect.top + 1}, colour);
    fillRect(painter, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
    fillRect(painter, {rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
    fillRect(painter, {rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
}

void draw3dRect(QPainter& painter, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
    const int x = rect.left, y = rect.top, cx = rect.width(), cy = rect.height();
    fillRect(painter, {x, y, x + cx - 1, y + 1}, topLeft);
    fillRect(painter, {x, y, x + 1, y + cy - 1}, topLeft);
    fillRect(painter, {x + cx - 1, y, x + cx, y + cy}, bottomRight);
    fillRect(painter, {x, y + cy - 1, x + cx, y + cy}, bottomRight);
}

std::vector<QPoint> linePixels(QPoint from, QPoint to) {
    std::vector<QPoint> pixels;
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    pixels.reserve(static_cast<std::size_t>(steps));
    for (int i = 0; i < steps; ++i) {
        // Rounded position along the longer axis, the end point left out.
        const auto along = [&](int delta, int start) {
            const long long num = 2LL * delta * i + (delta >= 0 ? steps : -steps);
            return start + static_cast<int>(num / (2LL * steps));
        };
        pixels.emplace_back(along(dx, from.x()), along(dy, from.y()));
    }
    return pixels;
}

void polylineTo(QPainter& painter, std::span<const QPoint> points) {
    if (points.size() < 2 || painter.pen().style() == Qt::NoPen)
        return;
    const QPen pen = painter.pen();
    if (pen.style() == Qt::SolidLine && pen.width() <= 1) {
        QPolygon pixels;
        for (std::size_t i = 1; i < points.size(); ++i)
            for (const QPoint& p : linePixels(points[i - 1], points[i]))
                pixels << p;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(pen.color(), 1));
        painter.drawPoints(pixels);
        painter.restore();
        return;
    }
    QPolygon polygon;
    for (const QPoint& p : points)
        polygon << p;
    painter.drawPolyline(polygon);
}

void ellipse(QPainter& painter, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (painter.pen().style() == Qt::NoPen)
        painter.drawEllipse(QRectF(left, top, right - left, bottom - top));
    else
        painter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    painter.restore();
}

QImage applyMask(const QImage& image, const QImage& mask) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QImage m = mask.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(out.width(), m.width());
    const int h = std::min(out.height(), m.height());
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* maskLine = reinterpret_cast<const QRgb*>(m.constScanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = (maskLine[x] & 0xFFFFFFu) == 0xFFFFFFu ? 0u : (line[x] | 0xFF000000u);
    }
    return out;
}

QImage maskColourToAlpha(const QImage& image, COLORREF maskColour) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = swapRedBlue(maskColour & 0xFFFFFFu);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = (line[x] & 0xFFFFFFu) == key ? 0u : (line[x] | 0xFF000000u);
    }
    return out;
}

QImage toDibPixels(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (!image.hasAlphaChannel()) {
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                line[x] &= 0xFFFFFFu;
        }
    }
    return out;
}
