#include "app/AppIcons.h"

#include "app/Resource.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawTile(int size, const QColor& tile) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    QPainterPath line;
    line.moveTo(s * 0.16, s * 0.74);
    line.lineTo(s * 0.38, s * 0.50);
    line.lineTo(s * 0.56, s * 0.62);
    line.lineTo(s * 0.84, s * 0.26);
    painter.setPen(QPen(Qt::white, s * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line);
    return pixmap;
}

} // namespace

QIcon programIcon(unsigned iconId) {
    const QColor tile = iconId == IDI_TRAY_ABORT ? QColor(190, 40, 40) : QColor(30, 90, 170);
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawTile(size, tile));
    return icon;
}
