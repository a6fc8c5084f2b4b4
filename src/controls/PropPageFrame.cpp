#include "controls/PropPageFrame.h"

#include "controls/DrawText.h"
#include "controls/MemDC.h"
#include "controls/PixelRules.h"

#include <QPaintEvent>
#include <QPainter>

namespace TreePropSheet {

// ---- the contract ----

void CPropPageFrame::SetCaptionVisible(bool visible) {
    m_bCaptionVisible = visible;
    InvalidateIfWindow(GetCaptionArea());
}

void CPropPageFrame::SetCaptionBarHeight(int height) {
    m_nCaptionBarHeight = height;
    InvalidateIfWindow(GetCaptionArea());
}

void CPropPageFrame::SetCaptionContent(const QString& text, const QIcon& icon) {
    m_strCaption = text;
    m_hCaptionIcon = icon;
    InvalidateIfWindow(GetCaptionArea());
}

void CPropPageFrame::SetMessageText(const QString& text) {
    m_strMessage = text;
    InvalidateIfWindow(GetMessageArea());
}

void CPropPageFrame::SetMessageFormat(unsigned format) {
    m_nMessageFormat = format;
    InvalidateIfWindow(GetMessageArea());
}

void CPropPageFrame::PaintFrame(QPainter& dc) {
    if (m_bCaptionVisible)
        PaintCaption(dc, GetCaptionArea(), m_strCaption, m_hCaptionIcon);
    PaintMessage(dc, GetMessageArea(), m_strMessage, m_nMessageFormat);
}

QRect CPropPageFrame::clientRect() {
    QWidget* window = GetFrameWnd();
    return window ? window->rect() : QRect();
}

QRect CPropPageFrame::GetMessageArea() {
    QRect area = clientRect();
    if (m_bCaptionVisible)
        area.setTop(area.top() + m_nCaptionBarHeight);
    return area;
}

void CPropPageFrame::PaintMessage(QPainter& dc, const QRect& rect, const QString& text, unsigned format) {
    dc.save();
    dc.setFont(GetStockFont(DEFAULT_GUI_FONT));
    dc.setPen(toQColor(GetSysColor(COLOR_BTNTEXT)));
    dc.setBackgroundMode(Qt::TransparentMode);
    drawTextFormatted(dc, rect, text, format);
    dc.restore();
}

QRect CPropPageFrame::GetCaptionArea() {
    QRect area = clientRect();
    area.setHeight(m_bCaptionVisible ? m_nCaptionBarHeight : 0);
    return area;
}

void CPropPageFrame::PaintCaption(QPainter&, const QRect&, const QString&, const QIcon&) {}

void CPropPageFrame::InvalidateIfWindow(const QRect& area) {
    if (QWidget* window = GetFrameWnd())
        window->update(area);
}

CThemeLibEx& CThemeLibEx::instance() {
    static CThemeLibEx library;
    return library;
}

// ---- the window ----

void FillGradientHorizontal(QPainter& dc, const QRect& rect, COLORREF left, COLORREF right) {
    const int width = rect.width();
    if (width <= 0 || rect.height() <= 0)
        return;
    const auto channel = [width](int from, int to, int column) {
        const long long a = static_cast<long long>(from) << 8;
        const long long b = static_cast<long long>(to) << 8;
        return static_cast<int>((a + (b - a) * column / width) >> 8);
    };
    for (int column = 0; column < width; ++column) {
        const COLORREF colour =
            RGB(channel(GetRValue(left), GetRValue(right), column), channel(GetGValue(left), GetGValue(right), column),
                channel(GetBValue(left), GetBValue(right), column));
        dc.fillRect(QRect(rect.left() + column, rect.top(), 1, rect.height()), toQColor(colour));
    }
}

CPropPageFrameEx::CPropPageFrameEx(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent); // the background is painted with the frame
}

bool CPropPageFrameEx::CreateFrameWnd(const QRect& rect, QWidget* parent, unsigned id) {
    setParent(parent);
    setObjectName(QStringLiteral("idc_%1").arg(id));
    setWindowTitle(QStringLiteral("PropPageFrameEx"));
    setGeometry(rect);
    show();
    return true;
}

void CPropPageFrameEx::SetCaptionContent(const QString& text, const QIcon& icon) {
    CPropPageFrame::SetCaptionContent(text, icon);
    m_CaptionIcons = CImageList();
    if (icon.isNull())
        return;
    const QList<QSize> sizes = icon.availableSizes();
    const QSize size = sizes.isEmpty() ? QSize(16, 16) : sizes.front();
    const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    if (!m_CaptionIcons.Create(size.width(), size.height()) || m_CaptionIcons.Add(image) < 0)
        m_CaptionIcons = CImageList();
}

QRect CPropPageFrameEx::GetCaptionArea() {
    // No theme library: the contract's rule.
    return CPropPageFrame::GetCaptionArea();
}

QRect CPropPageFrameEx::GetMessageArea() {
    QRect area = clientRect();
    if (!CThemeLibEx::instance().HasLibrary() && m_bCaptionVisible)
        area.setTop(area.top() + m_nCaptionBarHeight + 1);
    return area;
}

void CPropPageFrameEx::PaintBackground(QPainter& dc) {
    fillRect(dc, RECT::fromQRect(rect()), GetSysColor(COLOR_BTNFACE));
}

void CPropPageFrameEx::PaintCaption(QPainter& dc, const QRect& rect, const QString& text, const QIcon& icon) {
    if (rect.isEmpty())
        return;
    const COLORREF end = readPixel(dc, QPoint(rect.right(), rect.top()), GetSysColor(COLOR_BTNFACE));
    m_pfnFillGradient(dc, rect, GetSysColor(COLOR_INACTIVECAPTION), end);

    QRect textRect = rect;
    if (!icon.isNull() && m_CaptionIcons.GetImageCount() == 1) {
        const QSize size = m_CaptionIcons.imageSize();
        m_CaptionIcons.Draw(dc, 0, QPoint(3, (rect.top() + rect.bottom() + 1) / 2 - size.height() / 2));
        textRect.setLeft(rect.left() + size.width() + 3);
    }
    textRect.setLeft(textRect.left() + 2);
    dc.save();
    dc.setPen(toQColor(GetSysColor(COLOR_CAPTIONTEXT)));
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setFont(GetStockFont(SYSTEM_FONT));
    drawTextFormatted(dc, textRect, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    dc.restore();
}

void CPropPageFrameEx::paintEvent(QPaintEvent*) {
    QPainter target(this);
    CMemDC2 memory(target, rect());
    PaintBackground(memory.dc());
    PaintFrame(memory.dc());
}

} // namespace TreePropSheet
