#pragma once
// The splitter of the tree property sheet: n panes side by side (or stacked) with bars between
// them, each pane holding a window. The panes' sizes are kept as proportions in units of 1/32768
// of the space the bars leave, so they grow and shrink with the splitter; frozen panes keep their
// pixel size, and no pane becomes smaller than its minimum while there is room.
//
// SplitterProportions is the arithmetic alone (no window); CTreePropSheetSplitter is the window:
// it moves its pane windows, paints the bars and lets the user drag them. While a bar is dragged a
// tracking bar shows where it goes, drawn in a small window above the panes (there is no XOR
// drawing on the screen here).

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <span>
#include <vector>

namespace TreePropSheet {

class SplitterProportions {
public:
    static constexpr int kWhole = 32768;

    // `panes` (at least 1) panes with the given minimum sizes (missing ones 0) and bars of
    // `barSize`; the proportions start equal.
    SplitterProportions(int panes, std::span<const int> minSizes, int barSize);

    int paneCount() const { return m_nPanes; }
    int barSize() const { return m_nBarSize; }
    const std::vector<int>& proportions() const { return m_pProportions; }
    // Start of each pane, and at [n] the end of the last pane plus one bar.
    const std::vector<int>& positions() const { return m_pPositions; }
    // Pane i along the orientation: [paneStart(i), paneEnd(i)).
    int paneStart(int i) const { return m_pPositions[i]; }
    int paneEnd(int i) const { return m_pPositions[i + 1] - m_nBarSize; }
    int minSize(int i) const { return m_pMinSizes[i]; }
    bool isFrozen(int i) const { return m_pFrozen[i] != 0; }

    // Proportions from pixel sizes (one per pane; missing ones 0); a total of 0 keeps them.
    void SetPaneSizes(std::span<const int> sizes);
    void SetFrozenPanes(std::span<const std::uint8_t> flags);

    // Lays the panes out on a splitter that starts at `start` and is `length` long: frozen panes
    // keep their pixel size, panes below their minimum are raised to it, and the positions follow.
    void Layout(int start, int length);

    // Dragging: the bar under position `pos` (bar i lies before pane i, 1 <= i < n); 0 when there
    // is no bar (one pane).
    int barAt(int pos) const;
    // Where bar `bar` may go when the mouse asks for `pos`: not past the minimum of either pane
    // beside it.
    int dragLimit(int bar, int pos) const;
    // Puts bar `bar` at `pos` (positions only, while the panes follow the mouse).
    void moveBar(int bar, int pos);
    // The bar is let go at `pos`: the two panes beside it get the proportions of their new sizes.
    void releaseBar(int bar, int pos, int length);

private:
    // Pixel size of a pane of proportion `p` in the space `space`.
    static int pixels(int p, int space);
    void keepFrozenPanes(int space);
    void raiseToMinimum(int space);
    void placePanes(int start, int space);

    int m_nPanes;
    int m_nBarSize;
    std::vector<int> m_pProportions;
    std::vector<int> m_pPositions;
    std::vector<int> m_pMinSizes;
    std::vector<std::uint8_t> m_pFrozen;
    int m_nFrozenCount = 0;
};

// The splitter window. Orientation 1: panes side by side, vertical bars; any other value: stacked.
class CTreePropSheetSplitter : public QWidget {
public:
    CTreePropSheetSplitter(int panes, int orientation, std::span<const int> minSizes, int barSize);
    ~CTreePropSheetSplitter() override;

    // Becomes the child "idc_<id>" of `parent` at `rect`, shown, beneath its siblings (the pane
    // windows lie on it; only the bars show).
    bool CreateBar(QWidget* parent, const QRect& rect, unsigned id);
    // Pane `index` shows `window` (a sibling of the splitter), moved into its pane at once.
    void SetPaneWindow(int index, QWidget* window);
    void SetPaneSizes(std::span<const int> sizes);
    void SetFrozenPanes(std::span<const std::uint8_t> flags);
    void SetFollowMouse(bool follow) { m_bFollowMouse = follow; }
    // Off: a press does nothing and the cursor is the arrow.
    void SetDraggable(bool draggable);
    void FocusPane(int index);

    const SplitterProportions& proportions() const { return m_layout; }
    int orientation() const { return m_nOrientation; }
    bool isDragging() const { return m_nDragBar > 0; }
    // The tracking bar while a bar is dragged (null before the first drag).
    QWidget* trackingBar() const { return m_pTracker; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool sideBySide() const { return m_nOrientation == 1; }
    // Position along the orientation of a point in the splitter, in the parent's coordinates.
    int along(const QPoint& local) const;
    // Lays out and moves the pane windows.
    void relayout();
    void movePanes();
    void showTracker(int pos);
    void updateCursor();

    SplitterProportions m_layout;
    int m_nOrientation;
    std::vector<QPointer<QWidget>> m_ppPanes;
    int m_nDragBar = 0;
    int m_nDragPos = 0;
    int m_nBarLength = 0;
    int m_nGrabOffset = 0;
    bool m_bFollowMouse = false;
    bool m_bDraggable = true;
    QWidget* m_pTracker = nullptr;
};

} // namespace TreePropSheet
