#include "controls/PPToolTip.h"

#include "controls/PPDrawManager.h"
#include "controls/TipPlacement.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>

namespace {

// The region of CreateRoundRectRgn(left, top, right, bottom, ellipse width, ellipse height): the
// rectangle without its right and bottom edges, its corners cut by the quarter ellipses.
QRegion roundRectRegion(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    if (right <= left || bottom <= top)
        return {};
    if (ellipseWidth <= 0 || ellipseHeight <= 0)
        return QRegion(left, top, right - left, bottom - top);
    const double rx = std::min(ellipseWidth, right - left) / 2.0;
    const double ry = std::min(ellipseHeight, bottom - top) / 2.0;
    // Row by row, rows with the same inset merged: a banded list QRegion takes as it is.
    QList<QRect> bands;
    for (int y = top; y < bottom; ++y) {
        double dy = 0;
        if (y + 0.5 < top + ry)
            dy = top + ry - (y + 0.5);
        else if (y + 0.5 > bottom - ry)
            dy = (y + 0.5) - (bottom - ry);
        int inset = 0;
        if (dy > 0) {
            const double t = std::min(dy / ry, 1.0);
            inset = static_cast<int>(std::lround(rx - rx * std::sqrt(1.0 - t * t)));
        }
        const int width = right - left - 2 * inset;
        if (width <= 0)
            continue;
        if (!bands.isEmpty() && bands.back().left() == left + inset && bands.back().width() == width &&
            bands.back().bottom() == y - 1)
            bands.back().setBottom(y);
        else
            bands.append(QRect(left + inset, y, width, 1));
    }
    QRegion region;
    region.setRects(bands.constData(), static_cast<int>(bands.size()));
    return region;
}

bool hidesTheTip(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

} // namespace

CPPToolTip::CPPToolTip() : CPPToolTip(LinkServices{}) {}

CPPToolTip::CPPToolTip(LinkServices links) {
    m_begin = m_middle = m_end = GetSysColor(COLOR_INFOBK);
    m_borderColour = GetSysColor(COLOR_INFOTEXT);
    m_drawer.SetPictureSource(&m_pictures);
    m_drawer.SetStringTable(&m_strings);
    if (links.shellOpen) {
        m_linkOpener = std::make_unique<HtmlHyperlinkOpener>(std::move(links));
        m_drawer.SetLinkOpener(m_linkOpener.get());
    }
    // Lines break only where the text breaks them.
    m_drawer.SetMaxWidth(0);
    setObjectName(QStringLiteral("CPPToolTip"));
}

CPPToolTip::~CPPToolTip() = default;

bool CPPToolTip::Create(QWidget* parent, bool balloon) {
    m_parent = parent;
    setParent(parent, Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // A translucent window where the desktop composes windows with their alpha; X11 may run without
    // a compositor, so there the tip shows over a snapshot of the screen.
    UsePerPixelAlpha(QGuiApplication::platformName() != QLatin1String("xcb"));
    if (balloon) {
        m_cornerWidth = m_cornerHeight = 16;
        m_marginX = m_marginY = 12;
        m_anchorWidth = 12;
        m_anchorHeight = 16;
        m_anchorMargin = 16;
    } else {
        m_cornerWidth = m_cornerHeight = 0;
        m_marginX = 3;
        m_marginY = 1;
        m_anchorWidth = m_anchorHeight = m_anchorMargin = 0;
    }
    // Hovering a link repaints the tip with the link in its hover style.
    m_drawer.SetHoverNotify([this](int) {
        if (isVisible())
            repaintTip();
    });
    SetDelayTime(kDelayAnimation, 100);
    if (!m_created) {
        qApp->installEventFilter(this);
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                HideNow();
        });
    }
    m_created = true;
    return true;
}

void CPPToolTip::UsePerPixelAlpha(bool on) {
    m_perPixelAlpha = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    setAttribute(Qt::WA_NoSystemBackground, true);
}

void CPPToolTip::AddTool(QWidget* tool, const QString& text, const QRect* area, unsigned id) {
    ToolInfo info;
    info.id = id;
    info.area = area ? *area : QRect();
    info.text = text;
    const auto [entry, added] = m_tools.try_emplace(tool);
    if (added && tool)
        connect(tool, &QObject::destroyed, this, [this, tool] { forgetTool(tool); });
    std::vector<ToolInfo>& tools = entry->second;
    const auto same = std::find_if(tools.begin(), tools.end(), [&](const ToolInfo& t) { return t.area == info.area; });
    if (same != tools.end())
        *same = std::move(info);
    else
        tools.push_back(std::move(info));
}

void CPPToolTip::forgetTool(QWidget* tool) {
    m_tools.erase(tool);
    if (m_nextWindow == tool) {
        m_nextWindow = nullptr;
        stopTimer(kTimerShow);
        m_pendingShow = false;
    }
    if (m_displayedWindow == tool) {
        m_displayedWindow = nullptr;
        HideNow();
    }
}

void CPPToolTip::SetDelayTime(unsigned type, int ms) {
    switch (type) {
    case kDelayAutoPop:
        m_autoPopDelay = ms;
        break;
    case kDelayInitial:
        m_initialDelay = ms;
        break;
    case kDelayFadeIn:
        m_fadeInPeriod = ms;
        break;
    case kDelayFadeOut:
        m_fadeOutPeriod = ms;
        break;
    case kDelayAnimation:
        m_animationPeriod = ms;
        stopTimer(kTimerAnimation);
        updateAnimationTimer();
        break;
    default:
        break;
    }
}

void CPPToolTip::DestroyWindow() {
    HideNow();
    stopTimer(kTimerAnimation);
}

// ---- timers ----

void CPPToolTip::setTimer(TimerId id, int ms) {
    timer(id).start(std::max(ms, 0), this);
}

void CPPToolTip::stopTimer(TimerId id) {
    timer(id).stop();
}

void CPPToolTip::timerEvent(QTimerEvent* event) {
    const int which = event->timerId();
    if (which == timer(kTimerShow).timerId())
        stepShow();
    else if (which == timer(kTimerAutoPop).timerId())
        stepAutoPop();
    else if (which == timer(kTimerFadeIn).timerId())
        stepFadeIn();
    else if (which == timer(kTimerFadeOut).timerId())
        stepFadeOut();
    else if (which == timer(kTimerAnimation).timerId()) {
        if (isVisible() && m_state == kShown && m_drawer.StepAnimation())
            repaintTip();
    } else
        QWidget::timerEvent(event);
}

// The animation ticks only while a tip with animated pictures shows.
void CPPToolTip::updateAnimationTimer() {
    const bool wanted = m_animationPeriod > 0 && m_state == kShown && isVisible() && !m_drawer.Animations().empty();
    if (!wanted)
        stopTimer(kTimerAnimation);
    else if (!timer(kTimerAnimation).isActive())
        setTimer(kTimerAnimation, m_animationPeriod);
}

// ---- relaying ----

bool CPPToolTip::eventFilter(QObject* watched, QEvent* event) {
    if (m_created && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const QWidget* window = widget->window();
        if (window == this || (m_parent && window == m_parent->window()))
            RelayEvent(widget, event);
    }
    return false;
}

bool CPPToolTip::RelayEvent(QWidget* receiver, QEvent* event) {
    Q_UNUSED(receiver);
    if (!m_created)
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove) {
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (global == m_lastCursor)
            return false;
        m_lastCursor = global;
        if (isVisible()) {
            const QWidget* under = widgetUnder(global);
            if (under && under->window() == this) {
                StartHide();
                return false;
            }
        }
        QWidget* window = nullptr;
        ToolInfo tool;
        if (!FindTool(global, window, tool)) {
            m_displayedWindow = nullptr;
            m_displayedTool.area = QRect();
            stopTimer(kTimerShow);
            StartHide();
            return false;
        }
        if (window == m_displayedWindow && tool.area == m_displayedTool.area) {
            StartHide();
            return false;
        }
        ScheduleShow(window, tool, true);
        return false;
    }
    if (type == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && isVisible()) {
            const QPoint global = mouse->globalPosition().toPoint();
            const QWidget* under = widgetUnder(global);
            if (under && under->window() == this)
                m_drawer.ClickAt(mapFromGlobal(global));
        }
        HideNow();
        return false;
    }
    if (hidesTheTip(type))
        HideNow();
    return false;
}

// The widget under the point. The tip's window counts only where its balloon or shadow is; beside
// them lies what is beneath.
QWidget* CPPToolTip::widgetUnder(QPoint global) const {
    QWidget* under = QApplication::widgetAt(global);
    if (!under || under->window() != this)
        return under;
    if (isVisible() && mask().contains(mapFromGlobal(global)))
        return under;
    const QWidget* owner = m_parent ? m_parent->window() : nullptr;
    QWidget* beneath = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top == this || !top->isVisible() || !top->geometry().contains(global))
            continue;
        if (!beneath || top == owner)
            beneath = top;
    }
    if (!beneath)
        return nullptr;
    QWidget* child = beneath->childAt(beneath->mapFromGlobal(global));
    return child ? child : beneath;
}

bool CPPToolTip::FindTool(QPoint global, QWidget*& window, ToolInfo& tool) const {
    QWidget* under = widgetUnder(global);
    if (!under || under->window() == this)
        return false;
    // Up to the first registered widget (the edit field of a combo box gives the combo box); a
    // window itself is no tool, and a disabled widget has no tip.
    QWidget* candidate = under;
    while (!candidate->isWindow() && m_tools.find(candidate) == m_tools.end())
        candidate = candidate->parentWidget();
    if (candidate->isWindow() || !candidate->isEnabled())
        return false;
    const std::vector<ToolInfo>& tools = m_tools.at(candidate);
    if (tools.empty())
        return false;
    if (tools.size() == 1 && tools.front().area.isEmpty()) {
        window = candidate;
        tool = tools.front();
        return true;
    }
    QPoint local = candidate->mapFromGlobal(global);
    if (const auto* scrolled = qobject_cast<const QAbstractScrollArea*>(candidate)) {
        local = scrolled->viewport()->mapFromGlobal(global) +
                QPoint(scrolled->horizontalScrollBar()->value(), scrolled->verticalScrollBar()->value());
    }
    for (const ToolInfo& t : tools) {
        if (t.area.contains(local)) {
            window = candidate;
            tool = t;
            return true;
        }
    }
    return false;
}

// ---- showing and hiding ----

void CPPToolTip::ScheduleShow(QWidget* window, const ToolInfo& tool, bool initialDelay) {
    m_pendingShow = false;
    if (m_state == kAppearing || m_state == kShown)
        StartHide();
    m_nextWindow = window;
    m_nextTool = tool;
    if (m_state != kHidden) {
        m_pendingShow = true;
        m_pendingInitialDelay = initialDelay && m_initialDelay != 0;
        return;
    }
    if (initialDelay && m_initialDelay != 0)
        setTimer(kTimerShow, m_initialDelay);
    else
        stepShow();
}

void CPPToolTip::stepShow() {
    stopTimer(kTimerShow);
    if (QCursor::pos() != m_lastCursor) {
        StartHide();
        return;
    }
    if (m_state != kHidden)
        return;
    m_state = kAppearing;
    DisplayTip();
    if (m_fadeInPeriod != 0) {
        setTimer(kTimerFadeIn, m_fadeInPeriod);
        return;
    }
    m_state = kShown;
    if (m_autoPopDelay != 0)
        setTimer(kTimerAutoPop, m_autoPopDelay);
    updateAnimationTimer();
}

void CPPToolTip::stepFadeIn() {
    m_transparency = m_transparency <= 20 ? 0 : m_transparency - 20;
    if (m_transparency > m_displayedTool.transparency) {
        repaintTip();
        return;
    }
    m_transparency = m_displayedTool.transparency;
    stopTimer(kTimerFadeIn);
    m_state = kShown;
    if (m_autoPopDelay != 0)
        setTimer(kTimerAutoPop, m_autoPopDelay);
    repaintTip();
    updateAnimationTimer();
}

void CPPToolTip::stepAutoPop() {
    stopTimer(kTimerShow);
    stopTimer(kTimerFadeIn);
    stopTimer(kTimerAutoPop);
    if (m_state == kDisappearing)
        return;
    m_state = kDisappearing;
    if (m_fadeOutPeriod != 0) {
        setTimer(kTimerFadeOut, m_fadeOutPeriod);
        return;
    }
    m_transparency = 100;
    stepFadeOut();
}

void CPPToolTip::stepFadeOut() {
    if (m_transparency >= 80) {
        m_transparency = 100;
        finishHiding();
        return;
    }
    m_transparency += 20;
    repaintTip();
}

void CPPToolTip::finishHiding() {
    stopTimer(kTimerFadeOut);
    stopTimer(kTimerAnimation);
    hide();
    m_state = kHidden;
    if (!m_pendingShow)
        return;
    m_pendingShow = false;
    if (m_pendingInitialDelay)
        setTimer(kTimerShow, m_initialDelay);
    else
        stepShow();
}

void CPPToolTip::StartHide() {
    if (m_state == kAppearing) {
        stopTimer(kTimerFadeIn);
        stepAutoPop();
    } else if (m_state == kShown) {
        stepAutoPop();
    }
}

void CPPToolTip::HideNow() {
    m_state = kHidden;
    stopTimer(kTimerShow);
    stopTimer(kTimerAutoPop);
    stopTimer(kTimerFadeIn);
    stopTimer(kTimerFadeOut);
    stopTimer(kTimerAnimation);
    if (isVisible())
        hide();
}

void CPPToolTip::DisplayTip() {
    ToolInfo& tool = m_nextTool;
    tool.direction = m_defaultDirection;
    tool.effect = m_effect;
    tool.granularity = m_granularity;
    tool.begin = m_begin;
    tool.middle = m_middle;
    tool.end = m_end;
    tool.transparency = m_defaultTransparency;
    if (tool.text.isEmpty())
        return;

    HtmlFontMeasurer measurer(this);
    const QSize size = m_drawer.MeasureMarkup(measurer, tool.text);
    // A text that lays out to nothing measures 1 by 1 and is not shown.
    if (size.width() <= 1 && size.height() <= 1)
        return;
    const QRect text(m_marginX, m_marginY, size.width(), size.height());
    const QRect body(0, 0, size.width() + 2 * m_marginX, size.height() + 2 * m_marginY);
    QScreen* screen = QGuiApplication::screenAt(m_lastCursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 640, 480);
    const TipPlacement placement =
        PlaceTip(m_lastCursor, desktop, tool.direction, body, text, m_anchorHeight, m_anchorMargin);
    m_direction = placement.direction;
    m_textRect = placement.text;
    m_bodyRect = placement.body;
    const int width = placement.window.width();
    const int height = placement.window.height();
    m_balloon = CreateBalloonRegion(m_direction, placement.anchor, width, height);

    // The shadow makes the window larger to the right and down.
    m_windowRect = QRect(0, 0, width + std::max(m_shadowOffsetX, 0), height + std::max(m_shadowOffsetY, 0));
    QRegion windowRegion = m_balloon;
    if (m_shadowOffsetX != 0 || m_shadowOffsetY != 0)
        windowRegion += m_balloon.translated(m_shadowOffsetX, m_shadowOffsetY);

    // The balloon without the text: the body's fill, and across the anchor's strip copies of the
    // body's row next to it.
    CPPDrawManager& painter = m_drawer.Painter();
    m_background = QImage(m_windowRect.size(), QImage::Format_RGB32);
    m_background.fill(toQColor(tool.begin));
    {
        QPainter dc(&m_background);
        painter.FillBackground(dc, tool.effect, RECT::fromQRect(m_bodyRect), tool.begin, tool.middle, tool.end,
                               tool.granularity, 5);
    }
    if (m_anchorHeight > 0) {
        const bool anchorOnTop = (m_direction & 0xF0) == kTipBelow;
        const int bodyTop = m_bodyRect.top();
        const int bodyBottom = m_bodyRect.top() + m_bodyRect.height();
        const QImage row = m_background.copy(0, anchorOnTop ? bodyTop + 1 : bodyBottom - 1, width, 1);
        QPainter dc(&m_background);
        if (anchorOnTop)
            painter.TileBlit(dc, 0, 0, width, bodyTop, row, 0, 0, width, 1);
        else
            painter.TileBlit(dc, 0, bodyBottom, width, height - bodyBottom, row, 0, 0, width, 1);
    }

    m_transparency = m_fadeInPeriod != 0 ? 100 : tool.transparency;
    const QRect geometry(placement.windowPos, m_windowRect.size());
    m_snapshot = QImage();
    if (!m_perPixelAlpha) {
        // What lies beneath, taken before the tip covers it.
        QScreen* under = QGuiApplication::screenAt(geometry.topLeft());
        if (!under)
            under = screen;
        if (under) {
            const QRect area = geometry.translated(-under->geometry().topLeft());
            m_snapshot = under->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage()
                             .scaled(geometry.size())
                             .convertToFormat(QImage::Format_RGB32);
        }
        if (m_snapshot.size() != geometry.size()) {
            m_snapshot = QImage(geometry.size(), QImage::Format_RGB32);
            m_snapshot.fill(Qt::white);
        }
    }

    m_displayedWindow = m_nextWindow;
    m_displayedTool = tool;
    // Composed before it shows, so the links of the text are in place at once.
    PaintTip(m_transparency);
    setMask(windowRegion);
    setGeometry(geometry);
    show();
}

QRegion CPPToolTip::CreateBalloonRegion(int direction, QPoint anchor, int width, int height) const {
    const bool anchorOnTop = (direction & 0xF0) == kTipBelow;
    int top = 0;
    int bottom = height;
    if (anchorOnTop)
        top = m_anchorHeight;
    else
        bottom = height - m_anchorHeight;
    QRegion region = roundRectRegion(0, top, width + 1, bottom + 1, m_cornerWidth, m_cornerHeight);
    if (m_anchorWidth != 0 && m_anchorHeight != 0) {
        int from = 0;
        int to = 0;
        switch (direction & 0x0F) {
        case kTipAlignLeft:
            from = m_anchorMargin;
            to = m_anchorMargin + m_anchorWidth;
            break;
        case kTipAlignRight:
            from = width - m_anchorMargin - m_anchorWidth;
            to = width - m_anchorMargin;
            break;
        default:
            from = anchor.x() - m_anchorWidth / 2;
            to = anchor.x() + m_anchorWidth - m_anchorWidth / 2;
            break;
        }
        const int base = anchorOnTop ? top : bottom;
        const QPolygon triangle({anchor, QPoint(from, base), QPoint(to, base)});
        region += QRegion(triangle, Qt::OddEvenFill);
    }
    return region;
}

// ---- painting ----

void CPPToolTip::OnDrawBorder(QPainter& painter, const QRegion& region) {
    // The region's pixels within the border's width or height of its outside.
    const QRegion inner = region.intersected(region.translated(m_borderWidth, 0))
                              .intersected(region.translated(-m_borderWidth, 0))
                              .intersected(region.translated(0, m_borderHeight))
                              .intersected(region.translated(0, -m_borderHeight));
    const QColor colour = toQColor(m_borderColour);
    for (const QRect& band : region.subtracted(inner))
        painter.fillRect(band, colour);
}

void CPPToolTip::PaintTip(int transparency) {
    if (m_background.isNull())
        return;
    const int t = std::clamp(transparency, 0, 100);
    CPPDrawManager& dm = m_drawer.Painter();
    const QSize size = m_windowRect.size();

    // The balloon with its text and border.
    QImage content = m_background.copy();
    {
        QPainter dc(&content);
        HtmlPainterCanvas canvas(dc, dm);
        m_drawer.RenderMarkup(canvas, m_textRect);
        if (m_borderWidth > 0 && m_borderHeight > 0)
            OnDrawBorder(dc, m_balloon);
    }

    // The shadow's mask: the balloon in a grey that lightens as the tip fades.
    const int base = MulDiv(255, 100 - m_shadowDarkness, 100);
    const int grey = base + (255 - base) * t / 100;
    const bool shadow = m_shadowOffsetX != 0 || m_shadowOffsetY != 0;
    const int maskWidth = size.width() - std::max(m_shadowOffsetX, 0);
    const int maskHeight = size.height() - std::max(m_shadowOffsetY, 0);
    QImage mask(maskWidth, maskHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    {
        QPainter dc(&mask);
        dc.setClipRegion(m_balloon);
        dc.fillRect(mask.rect(), QColor(grey, grey, grey));
    }

    QImage composition;
    if (m_perPixelAlpha) {
        // Over a transparent window: darkening by w is black at alpha 1 - w.
        QImage light(size, QImage::Format_RGB32);
        light.fill(Qt::white);
        if (shadow) {
            QPainter dc(&light);
            dm.PaintShadow(dc, m_shadowOffsetX, m_shadowOffsetY, maskWidth, maskHeight, mask, m_shadowBlurred,
                           m_shadowDepthX, m_shadowDepthY);
        }
        composition = QImage(size, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < size.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(light.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(composition.scanLine(y));
            for (int x = 0; x < size.width(); ++x)
                out[x] = qRgba(0, 0, 0, 255 - qRed(in[x]));
        }
        QPainter dc(&composition);
        dc.setClipRegion(m_balloon);
        dc.setOpacity((100 - t) / 100.0);
        dc.drawImage(0, 0, content);
    } else {
        // Over the snapshot of the screen beneath: the shadow darkens it, the balloon is blended in.
        composition = m_snapshot.copy();
        if (shadow) {
            QPainter dc(&composition);
            dm.PaintShadow(dc, m_shadowOffsetX, m_shadowOffsetY, maskWidth, maskHeight, mask, m_shadowBlurred,
                           m_shadowDepthX, m_shadowDepthY);
        }
        QImage blended = composition.copy();
        {
            QPainter dc(&blended);
            dm.BlendBlit(dc, 0, 0, size.width(), size.height(), content, 0, 0, 100 - t);
        }
        QPainter dc(&composition);
        dc.setClipRegion(m_balloon);
        dc.drawImage(0, 0, blended);
    }
    m_composition = std::move(composition);
}

void CPPToolTip::repaintTip() {
    PaintTip(m_transparency);
    repaint();
}

void CPPToolTip::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    if (m_composition.isNull())
        return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_composition);
}

void CPPToolTip::mouseMoveEvent(QMouseEvent* event) {
    // Over a link with an address the hand, anywhere else the arrow.
    setCursor(m_drawer.TrackCursor(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}
