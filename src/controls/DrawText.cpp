#include "controls/DrawText.h"

#include <QFontMetrics>
#include <QPainter>

QString elideEnd(const QFontMetrics& metrics, const QString& text, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    // Binary search over the length of the start that still fits.
    qsizetype low = 0, high = text.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid) + dots) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(low) + dots;
}

void drawTextFormatted(QPainter& painter, const QRect& rect, const QString& text, unsigned format) {
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    flags |= (format & DT_NOPREFIX) ? 0 : Qt::TextShowMnemonic;
    QString shown = text;
    if (format & DT_END_ELLIPSIS)
        shown = elideEnd(painter.fontMetrics(), text, rect.width());
    painter.drawText(rect, flags, shown);
}
