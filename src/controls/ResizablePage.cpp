#include "controls/ResizablePage.h"

#include <QPainter>

CResizablePage::CResizablePage(unsigned templateId, Services services, unsigned captionId)
    : PropertyPage(templateId, std::move(services), captionId) {}

void CResizablePage::resizeEvent(QResizeEvent* event) {
    PropertyPage::resizeEvent(event);
    ArrangeLayout();
}

void CResizablePage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    EraseBackground(painter);
}
