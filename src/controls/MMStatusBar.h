#pragma once
// The main window's status bar: panes that carry a tool tip and a small icon, report clicks to the
// frame as the pane's command, and take the width of their text whenever an update handler sets
// it. The width follows through MMStatusCmdUI, the command-update object the bar hands to its
// panes' update handlers. Panes with a colour entry are drawn by the bar in the entry's colours.

#include "controls/WinGdi.h"
#include "framework/StatusBar.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <span>
#include <vector>

class MMStatusBar : public CStatusBar {
    Q_OBJECT
public:
    explicit MMStatusBar(QWidget* parent = nullptr);
    ~MMStatusBar() override;

    // The panes of `ids`; with tool-tip string ids, a pane whose id and tool-tip id are both
    // non-zero gets that string as its tool tip; with icons, a pane whose id is non-zero and whose
    // icon is not null shows it and grows by the small icon's width. An array given must be as long
    // as `ids`; false when one is not, or when the panes cannot be set up.
    bool SetIndicators(std::span<const unsigned> ids, std::span<const unsigned> toolTipIds = {},
                       std::span<const QIcon> icons = {});
    bool SetIndicators(const unsigned* ids, int count) override;

    // A pane drawn by the bar: its text in `textColour` on `background` (-1: transparent). The
    // pane's current text and icon width carry over. False for an index outside the panes.
    bool AddColourEntry(int index, COLORREF textColour, COLORREF background = static_cast<COLORREF>(-1));

    // The pane's tool tip; empty: none.
    QString paneToolTip(int index) const;

    // What the colour entry of a pane holds; null when the pane has none.
    struct PaneColourEntry {
        int index = 0;
        COLORREF textColour = 0;
        COLORREF background = static_cast<COLORREF>(-1);
        QString text;
        int iconWidth = 0;
    };
    const PaneColourEntry* colourEntry(int index) const;

protected:
    friend class MMStatusCmdUI;

    std::unique_ptr<CmdUI> makePaneCmdUI(int index) override;
    void DrawItem(QPainter& painter, int index, const QRect& rect) override;
    // A click on a pane sends the pane's id to the frame; an index not below the count sends nothing.
    void OnChildNotify(int code, unsigned item) override;
    bool event(QEvent* event) override;

    PaneColourEntry* entryOf(int index);
    void setToolTip(int index, const QString& text);
    int measure(const QString& text) const { return textWidth(text); }

private:
    std::vector<std::unique_ptr<PaneColourEntry>> m_entries;
    std::vector<QString> m_toolTips; // per pane
};

// The command-update object of an MMStatusBar pane: setting the text also sets the pane's width
// to the text's (plus the icon's).
class MMStatusCmdUI : public CStatusCmdUI {
public:
    MMStatusCmdUI(MMStatusBar& bar, int index) : CStatusCmdUI(bar, index), m_bar(bar) {}

    void SetText(std::string text) override;
    virtual void SetToolTipText(const QString& text);
    // The pane's id becomes this object's, its width `pixels`; its style stays.
    virtual void SetWidth(int pixels);
    virtual void SetIcon(const QIcon& icon);

private:
    MMStatusBar& m_bar;
};
