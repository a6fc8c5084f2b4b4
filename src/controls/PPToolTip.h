#pragma once
// CPPToolTip: the program's own tool tip window. A dialog registers its controls with a text in
// the HTML drawer's markup; when the pointer rests on such a control, a balloon with a soft shadow
// opens beside the pointer, its anchor on the pointer, and shows the rendered text. Links in the
// text open through the shell.
//
// Use: the dialog holds the tip as a member, created with the dialog's services for its links;
// in its initialisation it calls Create(this, true), usually SetDelayTime(kDelayAutoPop, 30000),
// then AddTool(control, text) once per control:
//
//   CPPToolTip m_tooltip{LinkServices::of(services)};
//   ...
//   m_tooltip.Create(this, true);
//   m_tooltip.SetDelayTime(CPPToolTip::kDelayAutoPop, 30000);
//   m_tooltip.AddTool(control<QLineEdit>(IDC_NAME), QStringLiteral("<b>Name</b><br>of the item"));
//
// Events reach the tip by itself: Create installs an application event filter that relays the
// events of the owner's window and of the tip (RelayEvent). A control's tools go when it is
// destroyed. GUI thread only.
//
// On desktops that compose windows with per-pixel alpha the tip draws its shadow as translucent
// black over a transparent window; elsewhere (X11) it takes a snapshot of the screen beneath and
// darkens that, the window masked to the balloon and its shadow.

#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerQt.h"
#include "controls/WinGdi.h"

#include <QBasicTimer>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class CPPToolTip : public QWidget {
public:
    // One registered tool.
    struct ToolInfo {
        unsigned id = 0;
        QRect area; // within the tool's widget; empty: the whole widget
        QString text;
        // Display parameters of the tip, the tip's defaults when it shows.
        int direction = 0;
        int effect = 0;
        int granularity = 0;
        int transparency = 0;
        COLORREF begin = 0;
        COLORREF middle = 0;
        COLORREF end = 0;
    };

    // SetDelayTime's types.
    enum : unsigned {
        kDelayAutoPop = 2,   // shown this long, then hidden
        kDelayInitial = 3,   // the pointer rests this long before the tip shows
        kDelayFadeIn = 4,    // period of the fade-in steps (0: at once)
        kDelayFadeOut = 5,   // period of the fade-out steps (0: at once)
        kDelayAnimation = 6, // period of the animation ticks of animated pictures (0: none)
    };

    // Display states.
    enum : int { kHidden = 0, kAppearing = 1, kShown = 2, kDisappearing = 3 };

    // Without link services, links in the tips do nothing when clicked.
    CPPToolTip();
    explicit CPPToolTip(LinkServices links);
    ~CPPToolTip() override;

    // Makes the tip the owner's: a balloon (rounded, with an anchor) or a plain rectangle.
    bool Create(QWidget* parent, bool balloon = true);
    // Registers a tool: the widget (or the area of it) and its markup. A tool of the same widget
    // and area is replaced.
    void AddTool(QWidget* tool, const QString& text, const QRect* area = nullptr, unsigned id = 0);
    void SetDelayTime(unsigned type, int ms);
    // What the tip makes of an event of the owner's window or of itself; never consumes it.
    bool RelayEvent(QWidget* receiver, QEvent* event);
    // Hides at once and stops the animation.
    void DestroyWindow();

    int DisplayState() const { return m_state; }
    // The tool whose tip shows or showed last; null before the first.
    const ToolInfo* DisplayedTool() const { return m_displayedWindow ? &m_displayedTool : nullptr; }
    // The final direction of the last placement.
    int Direction() const { return m_direction; }

    // How the tip meets the screen: a translucent window (true) or a snapshot of the screen
    // beneath. Create chooses by the platform; a change takes effect before the tip first shows.
    void UsePerPixelAlpha(bool on);

protected:
    // Frames the balloon in the border colour.
    virtual void OnDrawBorder(QPainter& painter, const QRegion& region);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    enum TimerId {
        kTimerShow = 256,
        kTimerAutoPop = 257,
        kTimerFadeIn = 258,
        kTimerFadeOut = 259,
        kTimerAnimation = 260
    };

    void setTimer(TimerId id, int ms);
    void stopTimer(TimerId id);
    QBasicTimer& timer(TimerId id) { return m_timers[id - kTimerShow]; }

    bool FindTool(QPoint global, QWidget*& window, ToolInfo& tool) const;
    QWidget* widgetUnder(QPoint global) const;
    void ScheduleShow(QWidget* window, const ToolInfo& tool, bool initialDelay);
    void stepShow();
    void stepFadeIn();
    void stepAutoPop();
    void stepFadeOut();
    void StartHide();
    void HideNow();
    void finishHiding();
    void DisplayTip();
    QRegion CreateBalloonRegion(int direction, QPoint anchor, int width, int height) const;
    // Composes the tip at the transparency (0 opaque .. 100 invisible); paintEvent shows the result.
    void PaintTip(int transparency);
    void repaintTip();
    void updateAnimationTimer();
    void forgetTool(QWidget* tool);

    CPPHtmlDrawer m_drawer;
    HtmlArtworkPictures m_pictures;
    HtmlProgramStrings m_strings;
    std::unique_ptr<HtmlHyperlinkOpener> m_linkOpener;

    QPointer<QWidget> m_parent;
    bool m_created = false;
    bool m_perPixelAlpha = true;
    QPoint m_lastCursor{INT_MIN, INT_MIN};
    QWidget* m_displayedWindow = nullptr; // identity only
    ToolInfo m_displayedTool;
    bool m_pendingInitialDelay = false;
    bool m_pendingShow = false;
    QWidget* m_nextWindow = nullptr; // identity only
    ToolInfo m_nextTool;
    int m_direction = 0;
    int m_transparency = 0;
    int m_state = kHidden;

    // Defaults of the tools.
    COLORREF m_begin = 0;
    COLORREF m_middle = 0;
    COLORREF m_end = 0;
    int m_effect = 0;
    int m_defaultDirection = 0x10;
    int m_granularity = 0;
    int m_defaultTransparency = 0;

    COLORREF m_borderColour = 0;
    int m_borderWidth = 1;
    int m_borderHeight = 1;
    bool m_shadowBlurred = true;
    int m_shadowOffsetX = 6;
    int m_shadowOffsetY = 6;
    int m_shadowDepthX = 7;
    int m_shadowDepthY = 7;
    int m_shadowDarkness = 50;

    int m_autoPopDelay = 5000;
    int m_initialDelay = 500;
    int m_fadeInPeriod = 0;
    int m_fadeOutPeriod = 0;
    int m_animationPeriod = 0;

    int m_cornerWidth = 16;
    int m_cornerHeight = 16;
    int m_marginX = 12;
    int m_marginY = 12;
    int m_anchorWidth = 12;
    int m_anchorHeight = 16;
    int m_anchorMargin = 16;

    // Of the tip shown, in window coordinates.
    QRect m_textRect;
    QRect m_bodyRect;
    QRect m_windowRect; // with the shadow
    QRegion m_balloon;  // without the shadow
    QImage m_background;
    QImage m_snapshot;
    QImage m_composition;

    std::map<QWidget*, std::vector<ToolInfo>> m_tools;
    QBasicTimer m_timers[5];
};
