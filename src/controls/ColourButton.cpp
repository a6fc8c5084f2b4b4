#include "controls/ColourButton.h"

#include "controls/PixelRules.h"

#include <QPainter>

CButtonColor::CButtonColor(QWidget* parent) : QPushButton(parent), m_color(GetSysColor(COLOR_BTNFACE)) {}

void CButtonColor::SetColor(COLORREF colour) {
    m_color = colour;
    update();
}

void CButtonColor::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RECT rect = RECT::fromQRect(this->rect());
    frameRect(painter, rect, RGB(0, 0, 0));
    rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    fillRect(painter, rect, RGB(130, 130, 130));
    rect = {rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
    fillRect(painter, rect, m_color);
}
