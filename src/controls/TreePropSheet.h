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
//
// Tree mode: the tabs are hidden; on their left a tree of the page captions ("idc_32494", paths
// split at "::", see TreePropSheetTree.h), on their place the page frame ("idc_65535") around the
// active page, with a caption bar of a tab's height when page captions are on. Selecting an item
// shows its page (a page that refuses to be left keeps the selection); an item without a page
// shows the frame's message, or with jump-over the first selectable item below it. The page
// cycling keys follow the tree, depth first. A disabled page's item is greyed and, while disabled
// pages are blocked, cannot be selected.
//
// CTreePropSheetEx may be resizable: a sizing frame, a size grip and the anchored layout of its
// controls (ResizableSheetHook.h), and in tree mode a splitter ("idc_59648") between tree and
// frame that the user can drag.

#include "controls/TreePropSheetTree.h"
#include "framework/PropertySheet.h"

#include <QIcon>
#include <QList>
#include <QMargins>
#include <QSize>

#include <memory>
#include <unordered_map>
#include <vector>

class QContextMenuEvent;
class QTreeWidgetItem;

namespace TreePropSheet {

class CPropPageFrame;
class CTreePropSheetTreeCtrl;
class CTreePropSheetSplitter;
class CTreePropSheetResizableLibHook;

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

    // The format of the frame's message for an item without page; "%s" stands for the item's text.
    void SetNoPageMessage(const QString& format) { m_strNoPageMessage = format; }
    // Selecting an item without page selects the first selectable item below it instead (and the
    // arrow keys skip such items). False once the window exists.
    bool SetJumpOverEmptyItems(bool jump);
    // Every tree item expanded after the tree is built. False once the window exists.
    bool SetExpandAllItems(bool expand);

    // Tree mode only (null otherwise): the page tree and the page frame.
    CTreePropSheetTreeCtrl* GetPageTreeControl() const { return m_pTree; }
    CPropPageFrame* GetFrameControl() const { return m_pPageArea; }

    // The frame's message for an item without page: `format` with its "%s" replaced by `text`
    // ("%%" reads "%"); anything else in the format stays as it is.
    virtual QString BuildNoPageMessage(const QString& format, const QString& text) const;

protected:
    bool OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnPageRemoved(PropertyPage* page) override;
    void OnPageAdded(PropertyPage* page) override;
    void OnPageActivated(int index) override;
    QRect pageArea() const override;
    // The page after (or before) page `index` in the order of page cycling, wrapping round; -1
    // when there is no page. In tree mode the tree's depth-first order.
    virtual int NextPageIndex(int index, bool forward) const;

    virtual std::unique_ptr<CTreePropSheetTreeCtrl> MakeTreeControl();
    virtual std::unique_ptr<CPropPageFrame> MakePageFrame();
    // The item's text colour: the tree's own while its page is enabled, greyed while disabled;
    // nothing for an item without page.
    virtual void UpdateItemTextColour(QTreeWidgetItem* item);

    // Rebuilds the tree from the tab captions and selects the active page's item.
    void RefillPageTree();
    // The tree item of a page; null when there is none.
    QTreeWidgetItem* treeItemOfPage(int page) const;
    // The geometry of the tree and the frame as first built, the sheet's coordinates.
    QRect treeRectAtCreation() const { return m_rcTreeAtCreation; }

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
    QString m_strNoPageMessage;
    // Icons of the tree items: the tab icons, then the fallback icons.
    QList<QIcon> m_TreeIcons;
    // Optional: [0] the icon of items without page, [1] of pages without a tab icon.
    std::vector<QIcon> m_FallbackIcons;
    int m_nTreeUpdateLock = 0;
    CTreePropSheetTreeCtrl* m_pTree = nullptr;
    CPropPageFrame* m_pPageArea = nullptr;

private:
    // +1 for the keys that show the next page, -1 for the previous page, 0 for any other key.
    static int cyclingStep(const QKeyEvent& key);
    void installTabIcons();
    void buildTreeMode();
    // Shows the next (previous) page, in tree mode the next selectable tree item.
    void showAdjacentPage(bool forward);
    // The arrow keys in a tree that jumps over items without page; true when handled.
    bool treeArrowKey(int key);
    // Whether the tree may change its current item to `item`, acting on the change.
    bool treeSelChanging(QTreeWidgetItem* item);
    void treeSelChanged(QTreeWidgetItem* item);
    // Selects the active page's item without acting on it.
    void selectActiveTreeItem();
    bool itemQualifies(int treeItem) const;
    int treeIndexOf(const QTreeWidgetItem* item) const;
    // Makes the active page visible again after an item without page hid it.
    bool reshowActivePage();
    // The frame's caption and message for the selected item.
    void updateFrame(QTreeWidgetItem* item);
    static void expandTo(QTreeWidgetItem* item);

    std::unique_ptr<CTreePropSheetTreeCtrl> m_ownedTree;
    std::unique_ptr<CPropPageFrame> m_ownedFrame;
    PageTree m_pageTree;
    std::vector<QTreeWidgetItem*> m_treeItems; // by PageTree item
    QMargins m_frameMargins;                   // of the page inside the frame
    QRect m_rcTreeAtCreation;
};

class CTreePropSheetEx : public CTreePropSheetBase {
public:
    CTreePropSheetEx(unsigned resourceId, const QString& caption, Services services, QWidget* parent = nullptr,
                     int selectPage = 0);
    ~CTreePropSheetEx() override;

    // False once the window exists.
    bool SetIsResizable(bool sizable);
    bool IsResizable() const { return m_bSizable; }
    // A negative width is refused; while the window exists only a resizable sheet takes it (stored).
    bool SetTreePaneWidth(int width) override;
    // 0: the sheet's default menu; 1: the default menu except over the page tree and frame; 2: none.
    // A tabbed sheet opens none either way.
    void SetRightClickMode(int mode) { m_nRightClickMode = mode; }
    // The smallest and largest size the user may give a resizable sheet; (-1, -1) sets none.
    // False once the window exists.
    bool SetMinTrackSize(const QSize& size);
    bool SetMaxTrackSize(const QSize& size);
    // In tree mode: whether the splitter can be dragged, whether the tree grows with the sheet
    // (else the frame takes the change), whether the panes follow a drag. False once the window
    // exists.
    bool SetSplitterOptions(bool draggable, bool treeFollowsSize, bool liveDrag);

    // Resizable tree mode only (null otherwise).
    CTreePropSheetSplitter* GetSplitterBar() const { return m_pSplitterBar.get(); }
    // Resizable sheets only (null otherwise).
    CTreePropSheetResizableLibHook* GetSizingHook() const { return m_pSizingHook.get(); }

protected:
    bool OnInitDialog() override;
    void fitWindow(const QSize& size) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    virtual std::unique_ptr<CTreePropSheetSplitter> MakeSplitterBar();
    virtual std::unique_ptr<CTreePropSheetResizableLibHook> MakeSizingHook();

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
    std::unique_ptr<CTreePropSheetResizableLibHook> m_pSizingHook;
    std::unique_ptr<CTreePropSheetSplitter> m_pSplitterBar;
};

} // namespace TreePropSheet
