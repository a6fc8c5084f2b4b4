#include "controls/MemDC.h"

#include <QImage>
#include <QPaintDevice>

bool isPrinting(const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    return device && device->devType() == QInternal::Printer;
}

COLORREF readPixel(QPainter& painter, QPoint point, COLORREF fallback) {
    QPaintDevice* device = painter.device();
    if (!device)
        return fallback;
    const QPoint at = painter.transform().map(point);
    if (device->devType() == QInternal::Image) {
        const auto* image = static_cast<QImage*>(device);
        return image->valid(at) ? colorRefOf(image->pixel(at)) : fallback;
    }
    if (device->devType() == QInternal::Pixmap) {
        const auto* pixmap = static_cast<QPixmap*>(device);
        const qreal ratio = pixmap->devicePixelRatio();
        const QPoint physical(static_cast<int>(at.x() * ratio), static_cast<int>(at.y() * ratio));
        if (!QRect(QPoint(0, 0), pixmap->size()).contains(physical))
            return fallback;
        return colorRefOf(pixmap->copy(QRect(physical, QSize(1, 1))).toImage().pixel(0, 0));
    }
    return fallback;
}

CMemDC2::CMemDC2(QPainter& target, const QRect& area) : m_target(target), m_rcArea(area) {
    if (m_rcArea.isEmpty()) {
        if (target.hasClipping())
            m_rcArea = target.clipBoundingRect().toAlignedRect();
        else if (target.device())
            m_rcArea =
                target.transform().inverted().mapRect(QRect(0, 0, target.device()->width(), target.device()->height()));
    }
    const QColor background = target.background().color();
    m_bBuffered = !isPrinting(target) && !m_rcArea.isEmpty();
    if (m_bBuffered) {
        m_deviceArea = target.transform().mapRect(m_rcArea);
        const qreal ratio = target.device() ? target.device()->devicePixelRatioF() : 1.0;
        m_Bitmap = QPixmap(m_deviceArea.size() * ratio);
        m_Bitmap.setDevicePixelRatio(ratio);
        m_memory.emplace(&m_Bitmap);
        // Drawing uses the target's coordinates.
        m_memory->setTransform(target.transform() * QTransform::fromTranslate(-m_deviceArea.x(), -m_deviceArea.y()));
        m_memory->setFont(target.font());
        m_memory->setPen(target.pen());
        m_memory->setBackground(target.background());
    }
    dc().fillRect(m_rcArea, background);
}

CMemDC2::~CMemDC2() {
    if (!m_bBuffered)
        return;
    m_memory.reset(); // ends painting on the bitmap
    m_target.save();
    m_target.resetTransform();
    m_target.drawPixmap(m_deviceArea.topLeft(), m_Bitmap);
    m_target.restore();
}

COLORREF CMemDC2::GetPixel(QPoint point) {
    return readPixel(dc(), point, colorRefOf(m_target.background().color().rgb()));
}
