#include "controls/TreePropSheetSplitter.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <climits>

namespace TreePropSheet {

namespace {

using i64 = long long;

constexpr i64 kHalf = SplitterProportions::kWhole / 2;

int saturate(i64 v) {
    return static_cast<int>(std::clamp<i64>(v, INT_MIN, INT_MAX));
}

// The proportion of `size` pixels in `space` pixels, rounded; `space` > 0.
int proportionOf(i64 size, i64 space) {
    return saturate((size * SplitterProportions::kWhole + space / 2) / space);
}

} // namespace

// --- the arithmetic ---

SplitterProportions::SplitterProportions(int panes, std::span<const int> minSizes, int barSize)
    : m_nPanes(std::max(1, panes)), m_nBarSize(std::max(0, barSize)) {
    const auto n = static_cast<std::size_t>(m_nPanes);
    m_pProportions.assign(n, 0);
    m_pPositions.assign(n + 1, 0);
    m_pMinSizes.assign(n, 0);
    m_pFrozen.assign(n, 0);
    for (std::size_t i = 0; i < n && i < minSizes.size(); ++i)
        m_pMinSizes[i] = std::max(0, minSizes[i]);
    int sum = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        m_pProportions[i] = (m_nPanes / 2 + kWhole) / m_nPanes;
        sum += m_pProportions[i];
    }
    m_pProportions[n - 1] = kWhole - sum;
}

int SplitterProportions::pixels(int p, int space) {
    return saturate((static_cast<i64>(p) * space + kHalf) / kWhole);
}

void SplitterProportions::SetPaneSizes(std::span<const int> sizes) {
    const auto n = static_cast<std::size_t>(m_nPanes);
    std::vector<i64> given(n, 0);
    i64 total = 0;
    for (std::size_t i = 0; i < n && i < sizes.size(); ++i) {
        given[i] = std::max(0, sizes[i]);
        total += given[i];
    }
    if (total <= 0)
        return;
    i64 sum = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        m_pProportions[i] = saturate((total / 2 + given[i] * kWhole) / total);
        sum += m_pProportions[i];
    }
    m_pProportions[n - 1] = saturate(std::max<i64>(0, kWhole - sum));
}

void SplitterProportions::SetFrozenPanes(std::span<const std::uint8_t> flags) {
    m_nFrozenCount = 0;
    for (std::size_t i = 0; i < m_pFrozen.size(); ++i) {
        m_pFrozen[i] = i < flags.size() && flags[i] ? 1 : 0;
        m_nFrozenCount += m_pFrozen[i];
    }
}

void SplitterProportions::Layout(int start, int length) {
    const i64 bars = static_cast<i64>(m_nPanes - 1) * m_nBarSize;
    const int space = saturate(std::max<i64>(0, length - bars));
    if (m_nFrozenCount > 0 && m_nFrozenCount < m_nPanes)
        keepFrozenPanes(space);
    bool allAtMinimum = true;
    for (int i = 0; i < m_nPanes; ++i)
        allAtMinimum = allAtMinimum && pixels(m_pProportions[i], space) <= m_pMinSizes[i];
    if (!allAtMinimum)
        raiseToMinimum(space);
    placePanes(start, space);
}

void SplitterProportions::keepFrozenPanes(int space) {
    // T: the space of the last layout.
    const i64 before =
        static_cast<i64>(m_pPositions[m_nPanes]) - static_cast<i64>(m_nPanes) * m_nBarSize - m_pPositions[0];
    if (space <= 0 || before <= 0)
        return; // nothing laid out before, or no space now: the proportions stay
    const i64 L = space;
    const i64 F = m_nPanes - m_nFrozenCount;
    i64 sum = 0;
    for (int i = 0; i + 1 < m_nPanes; ++i) {
        i64 p = m_pProportions[i];
        if (m_pFrozen[i]) {
            // The smallest proportion that shows the pane's former pixel size exactly.
            const i64 shown = pixels(m_pProportions[i], saturate(before));
            const i64 wanted = shown * kWhole - kHalf;
            p = wanted <= 0 ? 0 : (wanted + L - 1) / L;
        } else {
            p = (p * before + L / 2) / L + ((L - before) * kWhole + F * L / 2) / (F * L);
        }
        p = std::clamp<i64>(p, 0, kWhole);
        m_pProportions[i] = static_cast<int>(p);
        sum += p;
    }
    m_pProportions[m_nPanes - 1] = static_cast<int>(std::max<i64>(0, kWhole - sum));
}

void SplitterProportions::raiseToMinimum(int space) {
    const i64 L = space;
    const auto n = static_cast<std::size_t>(m_nPanes);
    std::vector<bool> atMinimum(n);
    // Each pass raises at least one more pane to its minimum, so n + 1 passes are enough.
    for (int pass = 0; pass <= m_nPanes; ++pass) {
        i64 S = kWhole;
        i64 R = kWhole;
        bool changed = false;
        for (std::size_t i = 0; i < n; ++i) {
            const int px = pixels(m_pProportions[i], space);
            atMinimum[i] = px <= m_pMinSizes[i];
            if (!atMinimum[i])
                continue;
            S -= m_pProportions[i];
            if (px < m_pMinSizes[i]) {
                m_pProportions[i] = m_pMinSizes[i] > L ? kWhole : proportionOf(m_pMinSizes[i], L);
                changed = true;
            }
            R -= m_pProportions[i];
        }
        if (R <= 0) {
            // The minimums alone fill the space: each pane gets its minimum while room is left.
            i64 running = 0;
            for (std::size_t i = 0; i < n; ++i) {
                i64 p = L > 0 ? proportionOf(m_pMinSizes[i], L) : 0;
                p = std::min<i64>(p, kWhole - running);
                m_pProportions[i] = static_cast<int>(p);
                running += p;
            }
            return;
        }
        if (R < kWhole && S > 0) {
            for (std::size_t i = 0; i < n; ++i)
                if (!atMinimum[i])
                    m_pProportions[i] = saturate((static_cast<i64>(m_pProportions[i]) * R + S / 2) / S);
        }
        if (!changed)
            return;
    }
}

void SplitterProportions::placePanes(int start, int space) {
    const auto bar = static_cast<i64>(m_nBarSize);
    m_pPositions[0] = start;
    for (int i = 0; i + 1 < m_nPanes; ++i) {
        // A pane never pushes the ones after it below zero.
        const i64 limit = static_cast<i64>(start) + space + (i + 1) * bar;
        const i64 next = static_cast<i64>(m_pPositions[i]) + std::max(0, pixels(m_pProportions[i], space)) + bar;
        m_pPositions[i + 1] = saturate(std::min(next, limit));
    }
    m_pPositions[m_nPanes] = saturate(static_cast<i64>(start) + space + m_nPanes * bar);
}

int SplitterProportions::barAt(int pos) const {
    for (int i = 1; i < m_nPanes; ++i)
        if (m_pPositions[i] >= pos)
            return i;
    return m_nPanes - 1;
}

int SplitterProportions::dragLimit(int bar, int pos) const {
    if (bar < 1 || bar >= m_nPanes)
        return pos;
    const i64 upper = static_cast<i64>(m_pPositions[bar + 1]) - m_nBarSize - m_pMinSizes[bar];
    const i64 lower = static_cast<i64>(m_pPositions[bar - 1]) + m_nBarSize + m_pMinSizes[bar - 1];
    if (pos > upper)
        return saturate(upper);
    return saturate(std::max<i64>(pos, lower));
}

void SplitterProportions::moveBar(int bar, int pos) {
    if (bar >= 1 && bar < m_nPanes)
        m_pPositions[bar] = pos;
}

void SplitterProportions::releaseBar(int bar, int pos, int length) {
    if (bar < 1 || bar >= m_nPanes)
        return;
    m_pPositions[bar] = pos;
    const i64 total = static_cast<i64>(length) - static_cast<i64>(m_nPanes - 1) * m_nBarSize;
    if (total <= 0)
        return;
    const i64 before = static_cast<i64>(m_pPositions[bar]) - m_pPositions[bar - 1] - m_nBarSize;
    const i64 after = static_cast<i64>(m_pPositions[bar + 1]) - m_nBarSize - m_pPositions[bar];
    m_pProportions[bar - 1] = std::max(0, proportionOf(before, total));
    m_pProportions[bar] = std::max(0, proportionOf(after, total));
}

// --- the window ---

namespace {

// The bar that follows the mouse while a bar is dragged: a halftone band above the panes.
class TrackingBar final : public QWidget {
public:
    explicit TrackingBar(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("trackingBar"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QBrush(palette().color(QPalette::WindowText), Qt::Dense4Pattern));
    }
};

} // namespace

CTreePropSheetSplitter::CTreePropSheetSplitter(int panes, int orientation, std::span<const int> minSizes, int barSize)
    : m_layout(panes, minSizes, barSize), m_nOrientation(orientation),
      m_ppPanes(static_cast<std::size_t>(m_layout.paneCount())) {
    setAttribute(Qt::WA_NoSystemBackground); // only the bars are painted
    updateCursor();
}

CTreePropSheetSplitter::~CTreePropSheetSplitter() = default;

bool CTreePropSheetSplitter::CreateBar(QWidget* parent, const QRect& rect, unsigned id) {
    if (!parent)
        return false;
    setParent(parent);
    setObjectName(QStringLiteral("idc_%1").arg(id));
    setGeometry(rect);
    lower();
    show();
    relayout();
    return true;
}

void CTreePropSheetSplitter::SetPaneWindow(int index, QWidget* window) {
    if (index < 0 || index >= m_layout.paneCount())
        return;
    m_ppPanes[static_cast<std::size_t>(index)] = window;
    if (window && parentWidget())
        movePanes();
}

void CTreePropSheetSplitter::SetPaneSizes(std::span<const int> sizes) {
    m_layout.SetPaneSizes(sizes);
    relayout();
}

void CTreePropSheetSplitter::SetFrozenPanes(std::span<const std::uint8_t> flags) {
    m_layout.SetFrozenPanes(flags);
}

void CTreePropSheetSplitter::SetDraggable(bool draggable) {
    m_bDraggable = draggable;
    updateCursor();
}

void CTreePropSheetSplitter::FocusPane(int index) {
    if (index >= 0 && index < m_layout.paneCount())
        if (QWidget* pane = m_ppPanes[static_cast<std::size_t>(index)])
            pane->setFocus();
}

void CTreePropSheetSplitter::updateCursor() {
    if (!m_bDraggable)
        setCursor(Qt::ArrowCursor);
    else
        setCursor(sideBySide() ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

int CTreePropSheetSplitter::along(const QPoint& local) const {
    const QPoint p = local + pos();
    return sideBySide() ? p.x() : p.y();
}

void CTreePropSheetSplitter::relayout() {
    const QRect r = geometry();
    if (sideBySide())
        m_layout.Layout(r.x(), r.width());
    else
        m_layout.Layout(r.y(), r.height());
    movePanes();
}

void CTreePropSheetSplitter::movePanes() {
    const QRect r = geometry();
    for (int i = 0; i < m_layout.paneCount(); ++i) {
        QWidget* pane = m_ppPanes[static_cast<std::size_t>(i)];
        if (!pane)
            continue;
        const int start = m_layout.paneStart(i);
        const int extent = std::max(0, m_layout.paneEnd(i) - start);
        pane->setGeometry(sideBySide() ? QRect(start, r.y(), extent, r.height())
                                       : QRect(r.x(), start, r.width(), extent));
    }
    if (parentWidget())
        parentWidget()->update(r);
    update();
}

void CTreePropSheetSplitter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void CTreePropSheetSplitter::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    relayout(); // the positions are the parent's: the panes follow a move too
}

void CTreePropSheetSplitter::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QWidget* owner = parentWidget() ? parentWidget() : this;
    const QBrush brush = owner->palette().brush(owner->backgroundRole());
    const int bar = m_layout.barSize();
    const QPoint origin = pos();
    for (int i = 1; i < m_layout.paneCount(); ++i) {
        const int at = m_layout.positions()[static_cast<std::size_t>(i)] - bar;
        const QRect band =
            sideBySide() ? QRect(at - origin.x(), 0, bar, height()) : QRect(0, at - origin.y(), width(), bar);
        const QRect visible = band.intersected(event->rect());
        if (!visible.isEmpty())
            painter.fillRect(visible, brush);
    }
}

void CTreePropSheetSplitter::showTracker(int pos) {
    if (!parentWidget())
        return;
    if (!m_pTracker)
        m_pTracker = new TrackingBar(parentWidget());
    const QRect r = geometry();
    const int bar = m_layout.barSize();
    m_pTracker->setGeometry(sideBySide() ? QRect(pos - bar, r.y(), bar, m_nBarLength)
                                         : QRect(r.x(), pos - bar, m_nBarLength, bar));
    m_pTracker->raise();
    m_pTracker->show();
}

void CTreePropSheetSplitter::mousePressEvent(QMouseEvent* event) {
    if (!m_bDraggable || event->button() != Qt::LeftButton || m_layout.paneCount() < 2)
        return;
    const int at = along(event->position().toPoint());
    m_nDragBar = m_layout.barAt(at);
    m_nDragPos = m_layout.positions()[static_cast<std::size_t>(m_nDragBar)];
    m_nGrabOffset = at - m_nDragPos;
    m_nBarLength = sideBySide() ? height() : width();
    showTracker(m_nDragPos);
}

void CTreePropSheetSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (!isDragging())
        return;
    m_nDragPos = m_layout.dragLimit(m_nDragBar, along(event->position().toPoint()) - m_nGrabOffset);
    showTracker(m_nDragPos);
    if (m_bFollowMouse) {
        m_layout.moveBar(m_nDragBar, m_nDragPos);
        movePanes();
    }
}

void CTreePropSheetSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (!isDragging() || event->button() != Qt::LeftButton)
        return;
    if (m_pTracker)
        m_pTracker->hide();
    m_layout.releaseBar(m_nDragBar, m_nDragPos, sideBySide() ? width() : height());
    m_nDragBar = 0;
    movePanes();
}

} // namespace TreePropSheet
