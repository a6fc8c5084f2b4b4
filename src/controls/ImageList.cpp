#include "controls/ImageList.h"

#include "controls/PixelRules.h"

#include <QPainter>
#include <QPixmap>

bool CImageList::Create(int cx, int cy) {
    m_images.clear();
    if (cx < 1 || cy < 1) {
        m_size = {};
        return false;
    }
    m_size = {cx, cy};
    return true;
}

QImage CImageList::cellOf(const QImage& argb, int column) const {
    QImage cell(m_size, QImage::Format_ARGB32);
    cell.fill(0u);
    const int w = std::min(m_size.width(), argb.width() - column * m_size.width());
    const int h = std::min(m_size.height(), argb.height());
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y)) + column * m_size.width();
        std::copy(src, src + w, reinterpret_cast<QRgb*>(cell.scanLine(y)));
    }
    return cell;
}

int CImageList::addCells(const QImage& argb) {
    if (!isCreated() || argb.isNull())
        return -1;
    const int cells = argb.width() / m_size.width();
    if (cells < 1)
        return -1;
    const int first = GetImageCount();
    for (int c = 0; c < cells; ++c)
        m_images.push_back(cellOf(argb, c));
    return first;
}

int CImageList::Add(const QImage& strip, COLORREF maskColour) {
    return addCells(maskColourToAlpha(strip, maskColour));
}

int CImageList::Add(const QImage& strip) {
    return addCells(strip.convertToFormat(QImage::Format_ARGB32));
}

bool CImageList::Replace(int index, const QImage& image, COLORREF maskColour) {
    if (index < 0 || index >= GetImageCount() || image.isNull())
        return false;
    m_images[static_cast<std::size_t>(index)] = cellOf(maskColourToAlpha(image, maskColour), 0);
    return true;
}

bool CImageList::Replace(int index, const QImage& image) {
    if (index < 0 || index >= GetImageCount() || image.isNull())
        return false;
    m_images[static_cast<std::size_t>(index)] = cellOf(image.convertToFormat(QImage::Format_ARGB32), 0);
    return true;
}

QImage CImageList::image(int index) const {
    if (index < 0 || index >= GetImageCount())
        return {};
    return m_images[static_cast<std::size_t>(index)];
}

QIcon CImageList::icon(int index) const {
    const QImage img = image(index);
    return img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img));
}

void CImageList::Draw(QPainter& painter, int index, QPoint at, DrawStyle style, COLORREF blend) const {
    if (index < 0 || index >= GetImageCount())
        return;
    QImage img = m_images[static_cast<std::size_t>(index)];
    if (style == Blend50) {
        const int br = GetRValue(blend), bg = GetGValue(blend), bb = GetBValue(blend);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = line[x];
                if (qAlpha(p) == 0)
                    continue;
                line[x] = qRgba((qRed(p) + br) / 2, (qGreen(p) + bg) / 2, (qBlue(p) + bb) / 2, qAlpha(p));
            }
        }
    }
    painter.drawImage(at, img);
}
