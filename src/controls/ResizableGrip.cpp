#include "controls/ResizableGrip.h"

#include "controls/PixelRules.h"
#include "framework/WinApp.h"

#include <QEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QStyleOptionSizeGrip>

// --- the grip window ---

CResizableGrip::CSizeGrip::CSizeGrip(QWidget* parent) : QSizeGrip(parent) {
    setFocusPolicy(Qt::NoFocus);
    m_size = extent();
    resize(m_size);
}

QSize CResizableGrip::CSizeGrip::extent() const {
    const int e = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return QSize(e, e);
}

Qt::Corner CResizableGrip::CSizeGrip::hitTestCorner() const {
    return isRightToLeft() ? Qt::BottomLeftCorner : Qt::BottomRightCorner;
}

void CResizableGrip::CSizeGrip::SetTriangular(bool triangular) {
    m_bTriangular = triangular;
    if (triangular) {
        const int w = m_size.width();
        const int h = m_size.height();
        // The triangle of the grip's corner: its right angle lies in the window's corner.
        const QPolygon triangle = isRightToLeft() ? QPolygon({QPoint(0, 0), QPoint(0, h), QPoint(w, h)})
                                                  : QPolygon({QPoint(0, h), QPoint(w, h), QPoint(w, 0)});
        setMask(QRegion(triangle, Qt::WindingFill));
    } else {
        clearMask();
    }
    if (isVisible())
        update();
}

void CResizableGrip::CSizeGrip::SetTransparent(bool transparent) {
    m_bTransparent = transparent;
    if (transparent)
        m_gripImage = QImage(m_size, QImage::Format_ARGB32_Premultiplied);
    else
        m_gripImage = QImage();
}

void CResizableGrip::CSizeGrip::paintEvent(QPaintEvent* event) {
    if (!m_bTransparent) {
        QSizeGrip::paintEvent(event);
        return;
    }
    // The grip paints itself into its image; the colour of the image's first pixel is its
    // background, which becomes transparent, so only the strokes cover what lies beneath.
    if (m_gripImage.size() != size())
        m_gripImage = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    m_gripImage.fill(palette().color(backgroundRole()));
    {
        QPainter painter(&m_gripImage);
        QStyleOptionSizeGrip option;
        option.initFrom(this);
        option.corner = hitTestCorner();
        style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
    }
    const QImage strokes = maskColourToAlpha(m_gripImage, colorRefOf(m_gripImage.pixel(0, 0)));
    QPainter painter(this);
    painter.drawImage(0, 0, strokes);
}

void CResizableGrip::CSizeGrip::changeEvent(QEvent* event) {
    QSizeGrip::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        settingsChanged();
    else if (event->type() == QEvent::LayoutDirectionChange && m_bTriangular)
        SetTriangular(true);
}

void CResizableGrip::CSizeGrip::settingsChanged() {
    const QSize old = m_size;
    m_size = extent();
    if (m_size == old)
        return;
    if (m_bTransparent)
        SetTransparent(true);
    if (m_bTriangular)
        SetTriangular(true);
    // The corner the grip sits in stays where it is.
    QRect r = geometry();
    const int dx = isRightToLeft() ? 0 : old.width() - m_size.width();
    r = QRect(r.x() + dx, r.y() + old.height() - m_size.height(), m_size.width(), m_size.height());
    setGeometry(r);
    update();
}

// --- showing it ---

CResizableGrip::~CResizableGrip() = default;

bool CResizableGrip::CreateGrip(bool visible, bool triangular, bool transparent) {
    QWidget* window = GetLayoutWindow();
    if (!window)
        return false;
    delete m_wndGrip.data();
    m_wndGrip = new CSizeGrip(window);
    m_wndGrip->setObjectName(QStringLiteral("idc_0"));
    m_wndGrip->move(0, 0);
    m_wndGrip->SetTriangular(triangular);
    m_wndGrip->SetTransparent(transparent);
    SetGripVisibility(visible);
    UpdateGripPos();
    return true;
}

void CResizableGrip::ShowGrip(std::uint32_t* status, std::uint32_t mask) {
    if (status && (*status & mask) == 0) {
        *status |= mask;
        ++m_nShowCount;
    }
}

void CResizableGrip::HideGrip(std::uint32_t* status, std::uint32_t mask) {
    if (status && (*status & mask) != 0) {
        *status &= ~mask;
        --m_nShowCount;
    }
}

void CResizableGrip::UpdateGripPos() {
    QWidget* window = GetLayoutWindow();
    CSizeGrip* grip = m_wndGrip;
    if (!window || !grip)
        return;
    const QRect client = window->rect();
    const int x = grip->isRightToLeft() ? client.left() : client.left() + client.width() - grip->width();
    grip->move(x, client.top() + client.height() - grip->height());
    grip->lower();
    grip->setVisible(IsGripVisible());
}

// --- tracking sizes ---

void CResizableMinMax::SetMinTrackSize(const QSize& size) {
    m_ptMinTrackSize = size;
    m_bUseMinTrack = true;
}

void CResizableMinMax::SetMaxTrackSize(const QSize& size) {
    m_ptMaxTrackSize = size;
    m_bUseMaxTrack = true;
}

void CResizableMinMax::ApplyMinMaxInfo(QWidget& window) const {
    if (m_bUseMinTrack)
        window.setMinimumSize(m_ptMinTrackSize);
    if (m_bUseMaxTrack)
        window.setMaximumSize(m_ptMaxTrackSize);
}

// --- placement ---

bool CResizableState::SaveWindowPlacement(std::string_view section, bool rectOnly) {
    QWidget* window = GetLayoutWindow();
    WinApp* app = WinApp::instance();
    if (!window || !app)
        return false;
    QRect r;
    int show = SW_SHOWNORMAL;
    int flags = 0;
    if (rectOnly) {
        r = window->isWindow() ? window->frameGeometry() : QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    } else {
        const Qt::WindowStates state = window->windowState();
        r = window->isWindow() && window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
        if (window->isHidden())
            show = SW_HIDE;
        else if (state & Qt::WindowMinimized)
            show = SW_SHOWMINIMIZED;
        else if (state & Qt::WindowMaximized)
            show = SW_SHOWMAXIMIZED;
        // Minimised from maximised: restored it is maximised again.
        if ((state & Qt::WindowMinimized) && (state & Qt::WindowMaximized))
            flags = 2;
    }
    const QString text = QString::asprintf("%d,%d,%d,%d,%d,%d", r.left(), r.top(), r.left() + r.width(),
                                           r.top() + r.height(), show, flags);
    return app->WriteProfileString(section, "WindowPlacement", text.toStdString());
}
