#include "controls/HyperLink.h"

#include "controls/WinGdi.h"
#include "framework/MessageBoxes.h"
#include "framework/Services.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace {

constexpr int kHoverTimerMs = 100;

} // namespace

LinkServices LinkServices::of(const Services& services) {
    LinkServices links;
    links.shellOpen = [shell = services.shell](const QString& address) {
        return shell && shell->openUrl(address.toStdString()) ? 33 : 31;
    };
    links.beep = [] { QApplication::beep(); };
    links.boxes = services.boxes;
    return links;
}

QString HyperlinkErrorText(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\n"
                              "were being processed.");
    case 31:
        return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

bool OpenHyperlink(const LinkServices& links, const QString& address) {
    const int code = links.shellOpen ? links.shellOpen(address) : 31;
    if (code > 32)
        return true;
    if (links.beep)
        links.beep();
    if (links.boxes) {
        const QString text = QStringLiteral("Unable to open hyperlink:\n\n") + HyperlinkErrorText(code);
        links.boxes->messageBox(text.toStdString(), MB_OK | MB_ICONEXCLAMATION);
    }
    return false;
}

CHyperLink::CHyperLink(LinkServices links, QWidget* parent) : CHyperLink(QString(), std::move(links), parent) {}

CHyperLink::CHyperLink(const QString& text, LinkServices links, QWidget* parent)
    : QLabel(text, parent), m_links(std::move(links)) {
    // A static text sits at the top unless told to centre vertically.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
}

bool CHyperLink::event(QEvent* event) {
    if (event->type() == QEvent::Polish && !m_attached)
        attach();
    return QLabel::event(event);
}

void CHyperLink::attach() {
    m_attached = true;
    if (m_url.isEmpty())
        m_url = text();
    else if (text().isEmpty())
        setText(m_url);
    m_plainFont = testAttribute(Qt::WA_SetFont) ? font() : GetStockFont(DEFAULT_GUI_FONT);
    m_underlinedFont = m_plainFont;
    m_underlinedFont.setUnderline(true);
    setCursor(Qt::PointingHandCursor);
    applyLook();
    fitToText();
    setToolTip(m_url);
}

void CHyperLink::SetURL(const QString& url) {
    m_url = url;
    if (!m_attached)
        return;
    fitToText();
    setToolTip(url);
}

void CHyperLink::SetUnderline(int mode) {
    if (mode == m_underline)
        return;
    m_underline = mode;
    if (m_attached)
        applyLook();
}

void CHyperLink::SetVisited(bool visited) {
    m_visited = visited;
    if (m_attached)
        applyLook();
}

void CHyperLink::applyLook() {
    const bool underlined = m_underline == 1 || (m_underline == -1 && m_hovering);
    setFont(underlined ? m_underlinedFont : m_plainFont);
    const QRgb colour = m_hovering ? kHoverColour : m_visited ? kVisitedColour : kLinkColour;
    QPalette look = palette();
    look.setColor(QPalette::WindowText, QColor(colour));
    setPalette(look);
    update();
}

void CHyperLink::fitToText() {
    if (!m_adjustToFit)
        return;
    // The text in the underlined font, plus what frame and margins take.
    const QSize textSize = QFontMetrics(m_underlinedFont).size(0, text());
    const QRect contents = contentsRect();
    const int width = textSize.width() + (this->width() - contents.width()) + 2 * margin();
    const int height = textSize.height() + (this->height() - contents.height()) + 2 * margin();
    const QRect old = geometry();
    QRect fitted(old.topLeft(), QSize(width, height));
    const Qt::Alignment align = alignment();
    if (align & Qt::AlignVCenter)
        fitted.moveTop(old.top() + (old.height() - height) / 2);
    if (align & Qt::AlignHCenter)
        fitted.moveLeft(old.left() + (old.width() - width) / 2);
    else if (align & Qt::AlignRight)
        fitted.moveLeft(old.left() + old.width() - width);
    setGeometry(fitted);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
    if (!m_hovering) {
        m_hovering = true;
        applyLook();
        m_hoverTimer.start(kHoverTimerMs, this);
    }
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_hoverTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    m_hovering = false;
    m_hoverTimer.stop();
    applyLook();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
}

void CHyperLink::click() {
    m_hovering = false;
    m_visited = OpenHyperlink(m_links, m_url.isEmpty() ? text() : m_url);
    applyLook();
}

void CHyperLink::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), toQColor(GetSysColor(COLOR_BTNFACE)));
    }
    QLabel::paintEvent(event);
}
