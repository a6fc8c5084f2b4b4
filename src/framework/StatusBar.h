#pragma once
// The frame's status bar as panes: each pane has a command id (its indicator), a style, a width
// and a text, and is updated by the update handlers of its id whenever the frame is idle
// (FrameWnd::OnIdleUpdateCmdUI). Pane 0 of id 0 stretches over the space the others leave and shows
// the status prompts of menus and buttons while one is shown. A pane's rectangle is its outer
// rectangle, border included; its text starts 3 pixels inside it. GUI thread only.

#include "framework/CommandTarget.h"

#include <QIcon>
#include <QRect>
#include <QStatusBar>
#include <QString>

#include <map>
#include <memory>
#include <span>
#include <vector>

class FrameWnd;
class QTimer;

// Pane styles.
inline constexpr unsigned SBPS_NORMAL = 0x0000;
inline constexpr unsigned SBPS_NOBORDERS = 0x0100;
inline constexpr unsigned SBPS_POPOUT = 0x0200;
inline constexpr unsigned SBPS_OWNERDRAW = 0x1000;
inline constexpr unsigned SBPS_DISABLED = 0x04000000;
inline constexpr unsigned SBPS_STRETCH = 0x08000000;

// The notification of a click on the bar (OnChildNotify).
inline constexpr int NM_CLICK = -2;

class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusBar(QWidget* parent = nullptr);
    ~CStatusBar() override;

    // One pane per id, in order: a non-zero id's pane shows its string (StringTable) and is as wide
    // as that text; id 0 is a pane reached by index, and pane 0 of id 0 stretches without borders.
    // False for a negative count or a count with no ids.
    virtual bool SetIndicators(const unsigned* ids, int count);
    bool SetIndicators(std::span<const unsigned> ids) {
        return SetIndicators(ids.data(), static_cast<int>(ids.size()));
    }

    int GetCount() const { return static_cast<int>(m_panes.size()); }
    // The index of the pane of id `id`; -1 when none.
    int CommandToIndex(unsigned id) const;
    unsigned GetItemID(int index) const;
    // The pane's outer rectangle in the bar; empty for an index outside the panes.
    QRect GetItemRect(int index) const;
    // The pane at `point`; -1 when none.
    int paneAt(QPoint point) const;

    void GetPaneInfo(int index, unsigned& id, unsigned& style, int& width) const;
    void SetPaneInfo(int index, unsigned id, unsigned style, int width);
    unsigned GetPaneStyle(int index) const;
    void SetPaneStyle(int index, unsigned style);
    QString GetPaneText(int index) const;
    // Sets the text; with `update` the pane repaints. False for an index outside the panes.
    bool SetPaneText(int index, const QString& text, bool update = true);
    // The small icon a pane shows before its text (SB_SETICON / SB_GETICON).
    void SetPaneIcon(int index, const QIcon& icon);
    QIcon GetPaneIcon(int index) const;

    // Runs the update handlers of every pane's id on the frame's command route. Panes whose id
    // has no handler keep their state (`disableIfNoHandler` is for controls on the bar, it has none).
    virtual void OnUpdateCmdUI(FrameWnd& target, bool disableIfNoHandler);

    // A timer on the bar: each tick asks the frame for an idle update (a clock pane).
    void SetTimer(unsigned id, unsigned elapseMs);
    bool KillTimer(unsigned id);

protected:
    // Paints an owner-drawn pane's contents (inside its border); the base draws nothing.
    virtual void DrawItem(QPainter& painter, int index, const QRect& rect);
    // A notification from the bar's control: NM_CLICK with the index of the pane clicked (the pane
    // count when the click hit none). The base does nothing.
    virtual void OnChildNotify(int code, unsigned item);
    // The command-update object for pane `index` (a derived bar hands out its own).
    virtual std::unique_ptr<CmdUI> makePaneCmdUI(int index);

    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

    // The text's width in the bar's font.
    int textWidth(const QString& text) const;

private:
    struct Pane {
        unsigned id = 0;
        unsigned style = SBPS_NORMAL;
        int width = 0; // of the text (and icon), without the border
        QString text;
        QIcon icon;
    };
    std::vector<QRect> layout() const;
    void updateMinimumHeight();

    std::vector<Pane> m_panes;
    std::map<unsigned, QTimer*> m_timers;
};

// The command-update object of one status-bar pane: enabling shows or hides the pane's text,
// a check mark makes it stand out, the text goes into the pane.
class CStatusCmdUI : public CmdUI {
public:
    CStatusCmdUI(CStatusBar& bar, int index) : CmdUI(bar.GetItemID(index)), m_pOther(&bar), m_nIndex(index) {}

    void Enable(bool on = true) override;
    void SetCheck(int check = 1) override;
    void SetRadio(bool on = true) override { SetCheck(on ? 1 : 0); }
    void SetText(std::string text) override;

    CStatusBar* const m_pOther;
    const int m_nIndex;
};
