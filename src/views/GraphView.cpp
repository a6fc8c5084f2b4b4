#include "views/GraphView.h"

#include "controls/WinGdi.h"

#include <QPaintEvent>
#include <QPainter>

CGraphView::CGraphView(QWidget* parent) : View(parent) {
    setObjectName(QStringLiteral("graphview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(0);
}

void CGraphView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), toQColor(GetSysColor(COLOR_WINDOW)));
}
