#include "framework/StatusBar.h"

#include "framework/FrameWnd.h"
#include "framework/StringTable.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSizeGrip>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

constexpr int kPaneBorder = 3; // border and padding on either side of a pane's text
constexpr int kPaneGap = 2;    // between two panes

FrameWnd* frameOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* frame = dynamic_cast<FrameWnd*>(w))
            return frame;
    return nullptr;
}

QColor paletteColour(const QWidget& widget, QPalette::ColorRole role) {
    return widget.palette().color(QPalette::Active, role);
}

} // namespace

CStatusBar::CStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("idc_59393"));
    // A status prompt shows in pane 0.
    connect(this, &QStatusBar::messageChanged, this, [this] { update(); });
    updateMinimumHeight();
}

CStatusBar::~CStatusBar() {
    for (auto& [id, timer] : m_timers)
        timer->stop();
}

bool CStatusBar::SetIndicators(const unsigned* ids, int count) {
    if (count < 0 || (count > 0 && !ids))
        return false;
    std::vector<Pane> panes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Pane& pane = panes[static_cast<std::size_t>(i)];
        pane.id = ids[i];
        if (pane.id != 0) {
            pane.text = QString::fromStdString(LoadString(pane.id));
            pane.width = textWidth(pane.text);
        } else {
            // A pane reached by index: a quarter of the screen wide; the first one stretches.
            const QScreen* screen = QGuiApplication::primaryScreen();
            pane.width = (screen ? screen->geometry().width() : 1024) / 4;
            if (i == 0)
                pane.style |= SBPS_STRETCH | SBPS_NOBORDERS;
        }
    }
    m_panes = std::move(panes);
    update();
    return true;
}

int CStatusBar::CommandToIndex(unsigned id) const {
    for (std::size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].id == id)
            return static_cast<int>(i);
    return -1;
}

unsigned CStatusBar::GetItemID(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[static_cast<std::size_t>(index)].id : 0;
}

std::vector<QRect> CStatusBar::layout() const {
    int right = width();
    if (const auto* grip = findChild<QSizeGrip*>(); grip && grip->isVisible())
        right = std::min(right, grip->x());
    const int top = 2;
    const int height = std::max(0, this->height() - 3);
    // The fixed panes' total; the stretching pane takes what is left.
    int fixed = 0;
    for (const Pane& pane : m_panes)
        if (!(pane.style & SBPS_STRETCH))
            fixed += pane.width + 2 * kPaneBorder;
    fixed += kPaneGap * std::max(0, GetCount() - 1);
    std::vector<QRect> rects;
    int x = 0;
    for (const Pane& pane : m_panes) {
        int outer = pane.width + 2 * kPaneBorder;
        if (pane.style & SBPS_STRETCH)
            outer = std::max(outer, right - x - fixed);
        else
            fixed -= outer + kPaneGap;
        rects.emplace_back(x, top, outer, height);
        x += outer + kPaneGap;
    }
    return rects;
}

QRect CStatusBar::GetItemRect(int index) const {
    if (index < 0 || index >= GetCount())
        return {};
    return layout()[static_cast<std::size_t>(index)];
}

int CStatusBar::paneAt(QPoint point) const {
    const std::vector<QRect> rects = layout();
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (rects[i].contains(point))
            return static_cast<int>(i);
    return -1;
}

void CStatusBar::GetPaneInfo(int index, unsigned& id, unsigned& style, int& width) const {
    if (index < 0 || index >= GetCount())
        return;
    const Pane& pane = m_panes[static_cast<std::size_t>(index)];
    id = pane.id;
    style = pane.style;
    width = pane.width;
}

void CStatusBar::SetPaneInfo(int index, unsigned id, unsigned style, int width) {
    if (index < 0 || index >= GetCount())
        return;
    Pane& pane = m_panes[static_cast<std::size_t>(index)];
    if (pane.id == id && pane.style == style && pane.width == width)
        return;
    pane.id = id;
    pane.style = style;
    pane.width = std::max(0, width);
    update();
}

unsigned CStatusBar::GetPaneStyle(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[static_cast<std::size_t>(index)].style : 0;
}

void CStatusBar::SetPaneStyle(int index, unsigned style) {
    if (index < 0 || index >= GetCount() || m_panes[static_cast<std::size_t>(index)].style == style)
        return;
    m_panes[static_cast<std::size_t>(index)].style = style;
    update(GetItemRect(index));
}

QString CStatusBar::GetPaneText(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[static_cast<std::size_t>(index)].text : QString();
}

bool CStatusBar::SetPaneText(int index, const QString& text, bool update) {
    if (index < 0 || index >= GetCount())
        return false;
    QString& current = m_panes[static_cast<std::size_t>(index)].text;
    if (current == text)
        return true;
    current = text;
    if (update)
        this->update(GetItemRect(index));
    return true;
}

void CStatusBar::SetPaneIcon(int index, const QIcon& icon) {
    if (index < 0 || index >= GetCount())
        return;
    m_panes[static_cast<std::size_t>(index)].icon = icon;
    update(GetItemRect(index));
}

QIcon CStatusBar::GetPaneIcon(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[static_cast<std::size_t>(index)].icon : QIcon();
}

int CStatusBar::textWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

std::unique_ptr<CmdUI> CStatusBar::makePaneCmdUI(int index) {
    return std::make_unique<CStatusCmdUI>(*this, index);
}

void CStatusBar::OnUpdateCmdUI(FrameWnd& target, bool) {
    const std::vector<CommandTarget*> route = target.commandRoute();
    for (int index = 0; index < GetCount(); ++index) {
        const std::unique_ptr<CmdUI> ui = makePaneCmdUI(index);
        // Without a handler the pane keeps its state.
        for (CommandTarget* t : route)
            if (t && t->runUpdateHandler(*ui))
                break;
    }
}

void CStatusBar::SetTimer(unsigned id, unsigned elapseMs) {
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            if (FrameWnd* frame = frameOf(this))
                frame->requestCommandUIUpdate();
        });
    }
    timer->start(static_cast<int>(std::min<unsigned>(std::max(elapseMs, 10u), INT_MAX)));
}

bool CStatusBar::KillTimer(unsigned id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
    return true;
}

void CStatusBar::DrawItem(QPainter&, int, const QRect&) {}

void CStatusBar::OnChildNotify(int, unsigned) {}

void CStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), paletteColour(*this, QPalette::Button));
    const QColor shadow = paletteColour(*this, QPalette::Dark);
    const QColor light = paletteColour(*this, QPalette::Light);
    const std::vector<QRect> rects = layout();
    const QString message = currentMessage();
    for (int index = 0; index < GetCount(); ++index) {
        const Pane& pane = m_panes[static_cast<std::size_t>(index)];
        const QRect r = rects[static_cast<std::size_t>(index)];
        if (!(pane.style & SBPS_NOBORDERS)) {
            // Sunken, or raised when the pane pops out.
            const QColor& topLeft = (pane.style & SBPS_POPOUT) ? light : shadow;
            const QColor& bottomRight = (pane.style & SBPS_POPOUT) ? shadow : light;
            painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
            painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
            painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
            painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
        }
        const QRect inside = r.adjusted(1, 1, -1, -1);
        QRect content = r.adjusted(kPaneBorder, 1, -kPaneBorder, -1);
        if (!pane.icon.isNull() && !(pane.style & SBPS_DISABLED)) {
            pane.icon.paint(&painter, QRect(content.left(), content.top() + (content.height() - 16) / 2, 16, 16));
            content.setLeft(content.left() + 16);
        }
        if (pane.style & SBPS_OWNERDRAW) {
            painter.save();
            painter.setClipRect(inside);
            DrawItem(painter, index, inside);
            painter.restore();
            continue;
        }
        if (pane.style & SBPS_DISABLED)
            continue;
        const QString& text = index == 0 && !message.isEmpty() ? message : pane.text;
        painter.setPen(paletteColour(*this, QPalette::WindowText));
        painter.save();
        painter.setClipRect(inside);
        painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter.restore();
    }
}

void CStatusBar::mouseReleaseEvent(QMouseEvent* event) {
    QStatusBar::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    const int index = paneAt(event->position().toPoint());
    OnChildNotify(NM_CLICK, index < 0 ? static_cast<unsigned>(GetCount()) : static_cast<unsigned>(index));
}

void CStatusBar::changeEvent(QEvent* event) {
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateMinimumHeight();
}

void CStatusBar::updateMinimumHeight() {
    setMinimumHeight(QFontMetrics(font()).height() + 2 * kPaneBorder + 2);
}

// ---- the pane's command-update object ----

void CStatusCmdUI::Enable(bool on) {
    CmdUI::Enable(on);
    const unsigned style = m_pOther->GetPaneStyle(m_nIndex);
    m_pOther->SetPaneStyle(m_nIndex, on ? style & ~SBPS_DISABLED : style | SBPS_DISABLED);
}

void CStatusCmdUI::SetCheck(int check) {
    CmdUI::SetCheck(check);
    const unsigned style = m_pOther->GetPaneStyle(m_nIndex);
    m_pOther->SetPaneStyle(m_nIndex, check ? style | SBPS_POPOUT : style & ~SBPS_POPOUT);
}

void CStatusCmdUI::SetText(std::string text) {
    CmdUI::SetText(text);
    m_pOther->SetPaneText(m_nIndex, QString::fromStdString(text));
}
