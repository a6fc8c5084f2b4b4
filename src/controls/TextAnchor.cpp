#include "controls/TextAnchor.h"

#include <QFontMetrics>
#include <QPainter>

void drawAnchoredText(QPainter& painter, QPoint at, unsigned align, const QString& text) {
    const QFontMetrics metrics(painter.font(), painter.device());
    const int width = metrics.horizontalAdvance(text);
    int x = at.x();
    if ((align & TA_CENTER) == TA_CENTER)
        x -= width / 2;
    else if (align & TA_RIGHT)
        x -= width;
    int baseline = at.y();
    if ((align & TA_BASELINE) == TA_BASELINE)
        ;
    else if (align & TA_BOTTOM)
        baseline -= metrics.descent();
    else
        baseline += metrics.ascent();
    painter.drawText(QPoint(x, baseline), text);
}

void drawAnchoredTextUpwards(QPainter& painter, QPoint at, unsigned align, const QString& text) {
    painter.save();
    painter.translate(at);
    painter.rotate(-90.0);
    drawAnchoredText(painter, QPoint(0, 0), align, text);
    painter.restore();
}
