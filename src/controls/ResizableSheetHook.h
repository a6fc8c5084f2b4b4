#pragma once
// Makes a property sheet resizable from outside: a hook on the sheet's window (HookWnd.h) that
// combines the anchored layout, the size grip and the tracking sizes (ResizableLayout.h,
// ResizableGrip.h).
//
// CResizableSheetHook anchors the tab widget to all four corners (in a wizard the separator line
// to the bottom edge), the buttons OK, Cancel, Apply, Help, Back, Next and Finish that exist to
// the bottom-right corner, and lays the active page out into the tab widget's page area (in a
// wizard at its distances from the edges). CTreePropSheetResizableLibHook does the same for the
// tree mode of CTreePropSheetEx, where the splitter between page tree and page frame fills the
// space and the page follows the frame.
//
// On every resize the sheet handles the event first, then the grip is hidden while the sheet is
// maximised and put into the corner otherwise, and the layout runs. The sheet cannot be made
// smaller than when the hook was attached unless the sheet sets limits of its own.

#include "controls/HookWnd.h"
#include "controls/ResizableGrip.h"
#include "controls/ResizableLayout.h"

#include <QMargins>

#include <cstdint>

class PropertySheet;

namespace TreePropSheet {

class CTreePropSheetEx;

class CResizableSheetHook : public CHookWnd,
                            public CResizableLayout,
                            public CResizableGrip,
                            public CResizableMinMax,
                            public CResizableState {
public:
    explicit CResizableSheetHook(PropertySheet* sheet);
    ~CResizableSheetHook() override;

    // Hooks the sheet's window: a grip when the sheet is a window of its own, the present size as
    // the smallest, the anchors and callback items.
    void AttachToSheet();

    QWidget* GetLayoutWindow() const override;
    PropertySheet* GetSheet() const { return m_pSheet; }

protected:
    // The anchors and callback items, once when attaching.
    virtual void PresetLayout();
    // Callback 1: the active page in the tab widget's page area.
    bool ArrangeCallbackItem(LayoutInfo& layout) override;
    bool WindowProc(QEvent* event) override;

    // The page's distances from the layout's client rectangle (left and top inwards, right and
    // bottom as page edge minus client edge), and the buttons anchored to the bottom-right corner.
    void presetPageMarginsAndButtons();
    // Fills `layout` to put `window` at `target` (the sheet's coordinates), anchored to all corners.
    void fillCallback(LayoutInfo& layout, QWidget* window, const QRect& target) const;
    // Hides the grip while the sheet is maximised, puts it into the corner otherwise.
    void updateGrip();

    PropertySheet* m_pSheet;
    std::uint32_t m_dwGripStatus = 1;
    QMargins m_rcPageMargins;
};

class CTreePropSheetResizableLibHook : public CResizableSheetHook {
public:
    explicit CTreePropSheetResizableLibHook(CTreePropSheetEx* sheet);

protected:
    void PresetLayout() override;
    // Tree mode: callback 1 the hidden tab widget, callback 2 the active page, both laid out to the
    // page frame at once.
    bool ArrangeCallbackItem(LayoutInfo& layout) override;

    CTreePropSheetEx* m_pTreeSheet;
    // The page's distances from the frame's edges, all inwards.
    QMargins m_rcFrameMargins;
};

} // namespace TreePropSheet
