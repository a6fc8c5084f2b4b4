#include "controls/TextProgressCtrl.h"

#include "controls/ControlCommand.h"
#include "controls/MemDC.h"
#include "controls/PixelRules.h"

#include <QMouseEvent>
#include <QPaintEvent>

#include <algorithm>

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent)
    : QWidget(parent), m_colBar(GetSysColor(COLOR_HIGHLIGHT)), m_colBk(GetSysColor(COLOR_MENU)),
      m_colTextBk(GetSysColor(COLOR_HIGHLIGHT)), m_colTextFore(GetSysColor(COLOR_MENU)) {
    // Painting covers the whole client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int CTextProgressCtrl::barWidth(int position, int minimum, int maximum, int width) {
    if (maximum == minimum || width <= 0)
        return 0;
    const double fraction = (static_cast<double>(position) - minimum) / (static_cast<double>(maximum) - minimum);
    return static_cast<int>(std::clamp(fraction, 0.0, 1.0) * width);
}

int CTextProgressCtrl::SetPos(int position) {
    const int previous = m_nPos;
    m_nPos = position;
    const int width = barWidth(position, m_nMin, m_nMax, this->width());
    if (width != m_nBarWidth) {
        m_nBarWidth = width;
        repaint();
    }
    return previous;
}

void CTextProgressCtrl::SetRange(int minimum, int maximum) {
    m_nMin = minimum;
    m_nMax = maximum;
}

void CTextProgressCtrl::GetRange(int& minimum, int& maximum) const {
    minimum = m_nMin;
    maximum = m_nMax;
}

int CTextProgressCtrl::SetStep(int step) {
    const int previous = m_nStepSize;
    m_nStepSize = step;
    return previous;
}

void CTextProgressCtrl::SetShowText(bool show) {
    if (show != m_bShowText)
        update();
    m_bShowText = show;
}

void CTextProgressCtrl::SetWindowText(const QString& text) {
    if (text == m_strText)
        return;
    m_strText = text;
    update();
}

void CTextProgressCtrl::paintEvent(QPaintEvent* event) {
    QPainter target(this);
    if (m_nMin >= m_nMax) {
        // An empty range shows no bar and no text, but what an earlier range drew must go: nothing
        // else paints under this control.
        target.fillRect(event->rect(), toQColor(m_colBk));
        return;
    }
    CMemDC2 memory(target, event->rect());
    QPainter& dc = memory.dc();
    const QRect client = rect();
    const int barRight = client.left() + barWidth(m_nPos, m_nMin, m_nMax, client.width());
    const RECT bar{client.left(), client.top(), barRight, client.top() + client.height()};
    const RECT rest{barRight, client.top(), client.left() + client.width(), client.top() + client.height()};
    fillRect(dc, bar, m_colBar);
    fillRect(dc, rest, m_colBk);

    if (m_bShowText && !m_strText.isEmpty()) {
        dc.setFont(font());
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        dc.save();
        dc.setClipRect(bar.toQRect());
        dc.setPen(toQColor(m_colTextFore));
        dc.drawText(client, flags, m_strText);
        dc.setClipRect(rest.toQRect());
        dc.setPen(toQColor(m_colTextBk));
        dc.drawText(client, flags, m_strText);
        dc.restore();
    }
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_nBarWidth = -1;
}

void CTextProgressCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept(); // the click goes no further
    if (m_nClickCommand != 0)
        sendCommandToFrame(this, m_nClickCommand);
}
