#include "controls/ResizableLayout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPicture>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

unsigned labelStyle(const QLabel& label) {
    const Qt::Alignment a = label.alignment();
    unsigned style;
    if (!label.pixmap().isNull() || label.movie() || !label.picture().isNull()) {
        style = SS_BITMAP;
        if ((a & Qt::AlignHCenter) && (a & Qt::AlignVCenter))
            style |= SS_CENTERIMAGE;
        return style;
    }
    if (a & Qt::AlignHCenter)
        style = SS_CENTER;
    else if (a & Qt::AlignRight)
        style = SS_RIGHT;
    else
        style = label.wordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
    // Text placed by the label's height moves when only the height changes.
    if (a & (Qt::AlignVCenter | Qt::AlignBottom))
        style |= SS_CENTERIMAGE;
    return style;
}

unsigned frameStyle(const QFrame& frame) {
    switch (frame.frameShape()) {
    case QFrame::HLine:
        return SS_ETCHEDHORZ;
    case QFrame::VLine:
        return SS_ETCHEDVERT;
    case QFrame::Box:
        return frame.frameShadow() == QFrame::Plain ? SS_BLACKFRAME : SS_ETCHEDFRAME;
    case QFrame::Panel:
    case QFrame::WinPanel:
    case QFrame::StyledPanel:
        return SS_ETCHEDFRAME;
    case QFrame::NoFrame:
        break;
    }
    // An empty frame draws nothing of its own.
    return SS_OWNERDRAW;
}

ResizeSupport* supportOf(const CResizableLayout::LayoutInfo& layout) {
    return layout.bMsgSupport ? dynamic_cast<ResizeSupport*>(layout.hWnd.data()) : nullptr;
}

} // namespace

LayoutWindowClass layoutWindowClassOf(const QWidget* widget) {
    static const QString button = QStringLiteral("Button");
    static const QString staticClass = QStringLiteral("Static");
    if (!widget)
        return {};
    if (qobject_cast<const QGroupBox*>(widget))
        return {button, BS_GROUPBOX};
    if (qobject_cast<const QAbstractButton*>(widget)) {
        if (qobject_cast<const QCheckBox*>(widget))
            return {button, BS_AUTOCHECKBOX};
        if (qobject_cast<const QRadioButton*>(widget))
            return {button, BS_AUTORADIOBUTTON};
        if (const auto* push = qobject_cast<const QPushButton*>(widget))
            return {button, push->isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON};
        if (!qobject_cast<const QToolButton*>(widget))
            return {button, BS_OWNERDRAW}; // a button that paints itself
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return {staticClass, labelStyle(*label)};
    if (widget->metaObject() == &QFrame::staticMetaObject) // not the scroll areas and views built on it
        return {staticClass, frameStyle(*static_cast<const QFrame*>(widget))};
    if (qobject_cast<const QListWidget*>(widget))
        return {QStringLiteral("ListBox"), 0};
    if (qobject_cast<const QToolBar*>(widget))
        return {QStringLiteral("ToolbarWindow32"), widget->autoFillBackground() ? 0u : TBSTYLE_TRANSPARENT};
    return {QString::fromLatin1(widget->metaObject()->className()), 0};
}

// --- entries ---

void CResizableLayout::AddAnchor(QWidget* child, QSize typeTL, QSize typeBR) {
    if (!child || !GetLayoutWindow())
        return;
    if (typeBR == NOANCHOR)
        typeBR = typeTL;
    LayoutInfo layout;
    layout.hWnd = child;
    layout.sWndClass = layoutWindowClassOf(child).name;
    layout.sizeTypeTL = typeTL;
    layout.sizeTypeBR = typeBR;

    const QRect parent = GetLayoutClientRect();
    const QRect r = childRect(child).translated(-parent.topLeft());
    const int W = parent.width();
    const int H = parent.height();
    layout.sizeMarginTL = QSize(r.left() - W * typeTL.width() / 100, r.top() - H * typeTL.height() / 100);
    layout.sizeMarginBR =
        QSize(r.left() + r.width() - W * typeBR.width() / 100, r.top() + r.height() - H * typeBR.height() / 100);

    QueryResizeProperties(layout);
    m_listLayout.push_back(std::move(layout));
    m_mapLayout[child] = m_listLayout.size() - 1;
}

void CResizableLayout::AddCallbackItem(unsigned callbackId) {
    LayoutInfo layout;
    layout.nCallbackID = callbackId;
    m_listLayoutCB.push_back(std::move(layout));
}

void CResizableLayout::RemoveAllAnchors() {
    m_mapLayout.clear();
    m_listLayout.clear();
    m_listLayoutCB.clear();
}

const CResizableLayout::LayoutInfo* CResizableLayout::findLayout(const QWidget* child) const {
    const auto it = m_mapLayout.find(child);
    if (it == m_mapLayout.end() || m_listLayout[it->second].hWnd.data() != child)
        return nullptr; // a widget now at the address of one that is gone
    return &m_listLayout[it->second];
}

// --- the pass ---

QRect CResizableLayout::GetLayoutClientRect() const {
    const QWidget* window = GetLayoutWindow();
    return window ? window->rect() : QRect();
}

bool CResizableLayout::ArrangeCallbackItem(LayoutInfo&) {
    return false;
}

QRect CResizableLayout::childRect(const QWidget* child) const {
    const QWidget* window = GetLayoutWindow();
    if (child->parentWidget() == window)
        return child->geometry();
    return QRect(window->mapFromGlobal(child->mapToGlobal(QPoint(0, 0))), child->size());
}

CResizableLayout::ChildPlacement CResizableLayout::CalcChildRect(const LayoutInfo& layout,
                                                                 const QRect& parentRect) const {
    ChildPlacement placement;
    const QWidget* child = layout.hWnd.data();
    if (!child)
        return placement;
    const QRect current = childRect(child);
    const int W = parentRect.width();
    const int H = parentRect.height();
    const int left = W * layout.sizeTypeTL.width() / 100 + layout.sizeMarginTL.width();
    const int top = H * layout.sizeTypeTL.height() / 100 + layout.sizeMarginTL.height();
    const int right = W * layout.sizeTypeBR.width() / 100 + layout.sizeMarginBR.width();
    const int bottom = H * layout.sizeTypeBR.height() / 100 + layout.sizeMarginBR.height();
    placement.rect =
        QRect(left, top, std::max(0, right - left), std::max(0, bottom - top)).translated(parentRect.topLeft());
    placement.redraw = layout.properties.bAskRedraw ? NeedsRedraw(layout, current, placement.rect)
                                                    : layout.properties.bCachedNeedsRedraw;
    placement.moved = placement.rect.topLeft() != current.topLeft();
    placement.sized = placement.rect.size() != current.size();
    return placement;
}

void CResizableLayout::placeChild(const LayoutInfo& layout, const QRect& parentRect) {
    QWidget* child = layout.hWnd.data();
    if (!child)
        return;
    const ChildPlacement placement = CalcChildRect(layout, parentRect);
    if (!placement.moved && !placement.sized)
        return;
    QRect target = placement.rect;
    const QWidget* window = GetLayoutWindow();
    if (child->parentWidget() != window && child->parentWidget())
        target.moveTopLeft(child->parentWidget()->mapFromGlobal(window->mapToGlobal(target.topLeft())));
    child->setGeometry(target);
    if (placement.redraw)
        child->update();
}

void CResizableLayout::ArrangeLayout() {
    QWidget* window = GetLayoutWindow();
    if (!window)
        return;
    const QRect parent = GetLayoutClientRect();
    // The window paints once, after all children have moved.
    const bool updates = window->updatesEnabled();
    if (updates)
        window->setUpdatesEnabled(false);
    for (const LayoutInfo& layout : m_listLayout)
        placeChild(layout, parent);
    for (const LayoutInfo& callback : m_listLayoutCB) {
        LayoutInfo filled = callback;
        if (ArrangeCallbackItem(filled))
            placeChild(filled, parent);
    }
    if (updates)
        window->setUpdatesEnabled(true);
}

// --- the class rules ---

void CResizableLayout::QueryResizeProperties(LayoutInfo& layout) {
    auto* support = dynamic_cast<ResizeSupport*>(layout.hWnd.data());
    layout.bMsgSupport = support && support->QueryResizeProperties(layout.properties);
    if (layout.bMsgSupport)
        return;
    layout.properties.bAskClipping = false;
    layout.properties.bCachedWantsClipping = WantsClipping(layout);
    layout.properties.bAskRedraw = true;
}

bool CResizableLayout::WantsClipping(const LayoutInfo& layout) const {
    if (ResizeSupport* support = supportOf(layout)) {
        bool wants = false;
        if (support->QueryWantsClipping(wants))
            return wants;
    }
    const QWidget* child = layout.hWnd.data();
    const LayoutWindowClass cls = layoutWindowClassOf(child);
    if (cls.name == QLatin1String("ToolbarWindow32"))
        return (cls.style & TBSTYLE_TRANSPARENT) == 0;
    if (cls.name == QLatin1String("Button")) {
        const unsigned kind = cls.style & 0xF;
        if (kind == BS_GROUPBOX)
            return false;
        // A self-painted button the mouse goes through is part of the background.
        if (kind == BS_OWNERDRAW && child->testAttribute(Qt::WA_TransparentForMouseEvents))
            return false;
        return true;
    }
    if (cls.name == QLatin1String("Static")) {
        const unsigned kind = cls.style & 0x1F;
        if ((kind == SS_ICON || kind == SS_ENHMETAFILE) && (cls.style & SS_CENTERIMAGE))
            return false;
        if ((kind >= SS_BLACKFRAME && kind <= SS_USERITEM) || kind == SS_OWNERDRAW || kind >= SS_ETCHEDFRAME)
            return false;
        return true;
    }
    return true;
}

bool CResizableLayout::NeedsRedraw(const LayoutInfo& layout, const QRect& oldRect, const QRect& newRect) const {
    if (ResizeSupport* support = supportOf(layout)) {
        bool needs = true;
        if (support->QueryNeedsRedraw(oldRect, newRect, needs))
            return needs;
    }
    const int dw = newRect.width() - oldRect.width();
    const int dh = newRect.height() - oldRect.height();
    if (dw == 0 && dh == 0)
        return false;
    const QWidget* child = layout.hWnd.data();
    const LayoutWindowClass cls = layoutWindowClassOf(child);
    if (cls.name == QLatin1String("Static")) {
        const unsigned kind = cls.style & 0x1F;
        const bool centred = (cls.style & SS_CENTERIMAGE) != 0;
        switch (kind) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT:
            return dw != 0 || (centred && dh != 0);
        case SS_LEFTNOWORDWRAP:
            return ((cls.style & SS_ELLIPSISMASK) && dw != 0) || (centred && dh != 0);
        case SS_ICON:
        case SS_BLACKFRAME:
        case SS_GRAYFRAME:
        case SS_WHITEFRAME:
        case SS_BITMAP:
        case SS_ENHMETAFILE:
        case SS_ETCHEDFRAME:
            return true;
        default:
            return false;
        }
    }
    if (cls.name == QLatin1String("ListBox") && dw > 0) {
        // A list scrolled to its right end shows more of its items when it grows wider.
        const auto* list = static_cast<const QListWidget*>(child);
        const QScrollBar* bar = list->horizontalScrollBar();
        const int largest = bar->maximum();
        return largest > 0 && bar->value() + dw > largest;
    }
    return false;
}

// --- the background ---

void CResizableLayout::ClipChildRegion(const LayoutInfo& layout, QRegion& region) const {
    const QWidget* child = layout.hWnd.data();
    if (!child)
        return;
    const QRect r = childRect(child);
    const QRegion area = child->mask().isEmpty() ? QRegion(r) : child->mask().translated(r.topLeft());
    const bool clip = layout.properties.bAskClipping ? WantsClipping(layout) : layout.properties.bCachedWantsClipping;
    if (clip)
        region -= area;
    else
        region += area;
}

QRegion CResizableLayout::GetBackgroundRegion() {
    const QWidget* window = GetLayoutWindow();
    QRegion region(GetLayoutClientRect());
    if (!window)
        return region;
    for (const LayoutInfo& layout : m_listLayout)
        if (layout.hWnd && layout.hWnd->isVisibleTo(window))
            ClipChildRegion(layout, region);
    for (const LayoutInfo& callback : m_listLayoutCB) {
        LayoutInfo filled = callback;
        if (ArrangeCallbackItem(filled) && filled.hWnd && filled.hWnd->isVisibleTo(window))
            ClipChildRegion(filled, region);
    }
    return region;
}

void CResizableLayout::EraseBackground(QPainter& painter) {
    const QWidget* window = GetLayoutWindow();
    if (!window)
        return;
    const QBrush brush = window->palette().brush(window->backgroundRole());
    for (const QRect& r : GetBackgroundRegion())
        painter.fillRect(r, brush);
}
