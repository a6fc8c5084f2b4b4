#pragma once
// The tree property sheet: a property sheet (framework/PropertySheet.h) that can show a tree of
// pages beside a page frame instead of its tabs (tree mode), and, as CTreePropSheetEx, be
// resizable. The program uses it as a tabbed sheet, with these additions to the plain sheet:
// - no Help button;
// - the pages' icons on the tabs, as one 16 x 16 list: every page icon or, when one cannot be
//   used, none;
// - Ctrl+Tab and Ctrl+Page Down show the next page, Ctrl+Shift+Tab and Ctrl+Page Up the previous
//   one, wrapping round; only these four are taken from the focused control, so Ctrl+C, Ctrl+V and
//   the other editing keys keep working in the pages' fields;
// - F1 goes to the active page (PropertyPage::OnHelpInfo);
// - a right-click on the sheet itself opens no menu (controls keep their own menus);
// - EnablePage(page, enable) enables or disables one of its pages; disabling the active page first
//   moves to the next enabled page.
// Mode, captions, icons and resizing are chosen before the window exists: the setters refuse
// afterwards.

#include "controls/TreePropSheetTree.h"
#include "framework/PropertySheet.h"

#include <QSize>

#include <unordered_map>

class QContextMenuEvent;

namespace TreePropSheet {

class CTreePropSheetBase : public PropertySheet {
public:
    CTreePropSheetBase(unsigned resourceId, const QString& caption, Services services, QWidget* parent = nullptr,
                       int selectPage = 0);
    ~CTreePropSheetBase() override;

    // Tree mode with page captions and tree icons, or tabs (the other two are then kept as
    // they are). False once the window exists.
    bool SetTreeViewMode(bool treeMode, bool pageCaption = false, bool treeImages = false);
    bool IsTreeViewMode() const { return m_bUseTree; }
    // The width added to the sheet for the tree. False once the window exists.
    virtual bool SetTreePaneWidth(int width);
    int GetTreePaneWidth() const { return m_nTreePaneWidth; }

    // Enables or disables a page of this sheet (a disabled page's controls are disabled); false
    // for a page that is not this sheet's. Disabling the active page first shows the next enabled
    // page; when there is none nothing changes (and the answer is still true).
    bool EnablePage(PropertyPage* page, bool enable);
    bool IsPageEnabled(const PropertyPage* page) const;

protected:
    bool OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnPageRemoved(PropertyPage* page) override;
    // The page after (or before) page `index` in the order of page cycling, wrapping round; -1
    // when there is no page.
    virtual int NextPageIndex(int index, bool forward) const;

    bool m_bUseTree = false;
    bool m_bFrameCaption = false;
    bool m_bTreeIcons = false;
    int m_nTreePaneWidth = 150;
    int m_nTreeFrameGap = 5;
    bool m_bJumpOverEmptyItems = false;
    bool m_bExpandAllItems = false;
    bool m_bBlockDisabledPages = true;
    // Pages entered by EnablePage; a page not in it counts as enabled.
    std::unordered_map<const PropertyPage*, bool> m_PageEnabledMap;

private:
    // +1 for the keys that show the next page, -1 for the previous page, 0 for any other key.
    static int cyclingStep(const QKeyEvent& key);
    void installTabIcons();
};

class CTreePropSheetEx : public CTreePropSheetBase {
public:
    CTreePropSheetEx(unsigned resourceId, const QString& caption, Services services, QWidget* parent = nullptr,
                     int selectPage = 0);

    // False once the window exists.
    bool SetIsResizable(bool sizable);
    bool IsResizable() const { return m_bSizable; }
    // A negative width is refused; while the window exists only a resizable sheet takes it (stored).
    bool SetTreePaneWidth(int width) override;
    // 0: the sheet's default menu; 1: the default menu except over the page tree and frame; 2: none.
    // A tabbed sheet opens none either way.
    void SetRightClickMode(int mode) { m_nRightClickMode = mode; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

    bool m_bSizable = true;
    bool m_bSplitterDraggable = true;
    bool m_bTreeFollowsSize = false;
    bool m_bLiveDrag = true;
    int m_nRightClickMode = 1;
    QSize m_MinTrack{-1, -1};
    QSize m_MaxTrack{-1, -1};
    int m_nBarWidth = 5;
    int m_nTreeMinWidth = 148;
    int m_nFrameMinWidth = 148;
};

} // namespace TreePropSheet
