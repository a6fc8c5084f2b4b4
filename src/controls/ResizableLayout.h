#pragma once
// Keeps the children of a dialog-like window in place while the window changes size. Each child
// is anchored by its top-left and its bottom-right corner to points given in percent of the
// window's client area; the distances to those points (the margins) are measured once when the
// child is added and kept afterwards. ArrangeLayout moves all children in one pass with the
// window's updates off, skipping children whose rectangle did not change; EraseBackground paints
// the window's background only where no opaque child covers it.
//
// A mix-in without a window of its own: the derived class names the window (GetLayoutWindow) and
// calls ArrangeLayout from its resize handling and EraseBackground from its paint handling.
//
// Whether a child is opaque (clips the background) and whether moving it needs a repaint is asked
// of the child when it implements ResizeSupport (no control of this program does), else decided by
// rules on the window class. Qt widgets map to those classes: push, check and radio buttons and
// group boxes are "Button" with a button style, labels and frames "Static" with a static style,
// list widgets "ListBox", tool bars "ToolbarWindow32"; any other widget keeps its own class name.

#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QWidget>

#include <unordered_map>
#include <vector>

class QPainter;

// Anchors: (x, y) in percent of the parent's client width and height.
inline constexpr QSize TOP_LEFT(0, 0);
inline constexpr QSize TOP_CENTER(50, 0);
inline constexpr QSize TOP_RIGHT(100, 0);
inline constexpr QSize MIDDLE_LEFT(0, 50);
inline constexpr QSize MIDDLE_CENTER(50, 50);
inline constexpr QSize MIDDLE_RIGHT(100, 50);
inline constexpr QSize BOTTOM_LEFT(0, 100);
inline constexpr QSize BOTTOM_CENTER(50, 100);
inline constexpr QSize BOTTOM_RIGHT(100, 100);
// No bottom-right anchor: the same point as the top-left one (the child keeps its size).
inline constexpr QSize NOANCHOR(-1, -1);

// What the layout asks of a child each time (ask) or once (cached).
struct ResizeProperties {
    bool bAskClipping = true;
    bool bAskRedraw = true;
    bool bCachedWantsClipping = false;
    bool bCachedNeedsRedraw = false;
};

// A child that takes part in the layout's decisions. Each question answers false when the child
// does not support it; the class rules then decide.
class ResizeSupport {
public:
    virtual ~ResizeSupport() = default;
    // Fills all four properties.
    virtual bool QueryResizeProperties(ResizeProperties& properties) = 0;
    // Whether the child wants the background clipped under it.
    virtual bool QueryWantsClipping(bool& wantsClipping) = 0;
    // Whether the child needs repainting after moving from `oldRect` to `newRect` (parent client
    // coordinates); `needsRedraw` comes preset to true.
    virtual bool QueryNeedsRedraw(const QRect& oldRect, const QRect& newRect, bool& needsRedraw) = 0;
};

// The window class and style the rules see for a widget.
struct LayoutWindowClass {
    QString name;
    unsigned style = 0;
};
LayoutWindowClass layoutWindowClassOf(const QWidget* widget);

// Button styles (style & 0xF).
inline constexpr unsigned BS_PUSHBUTTON = 0x0;
inline constexpr unsigned BS_DEFPUSHBUTTON = 0x1;
inline constexpr unsigned BS_AUTOCHECKBOX = 0x3;
inline constexpr unsigned BS_GROUPBOX = 0x7;
inline constexpr unsigned BS_AUTORADIOBUTTON = 0x9;
inline constexpr unsigned BS_OWNERDRAW = 0xB;
// Static styles (style & 0x1F, plus the flags).
inline constexpr unsigned SS_LEFT = 0x0;
inline constexpr unsigned SS_CENTER = 0x1;
inline constexpr unsigned SS_RIGHT = 0x2;
inline constexpr unsigned SS_ICON = 0x3;
inline constexpr unsigned SS_BLACKFRAME = 0x7;
inline constexpr unsigned SS_GRAYFRAME = 0x8;
inline constexpr unsigned SS_WHITEFRAME = 0x9;
inline constexpr unsigned SS_USERITEM = 0xA;
inline constexpr unsigned SS_LEFTNOWORDWRAP = 0xC;
inline constexpr unsigned SS_OWNERDRAW = 0xD;
inline constexpr unsigned SS_BITMAP = 0xE;
inline constexpr unsigned SS_ENHMETAFILE = 0xF;
inline constexpr unsigned SS_ETCHEDHORZ = 0x10;
inline constexpr unsigned SS_ETCHEDVERT = 0x11;
inline constexpr unsigned SS_ETCHEDFRAME = 0x12;
inline constexpr unsigned SS_CENTERIMAGE = 0x200;
inline constexpr unsigned SS_ELLIPSISMASK = 0xC000;
// Tool bars.
inline constexpr unsigned TBSTYLE_TRANSPARENT = 0x8000;

class CResizableLayout {
public:
    struct LayoutInfo {
        QPointer<QWidget> hWnd;   // null in a callback entry until ArrangeCallbackItem fills it
        unsigned nCallbackID = 0; // 0 for anchored children
        QString sWndClass;        // empty in a callback entry
        QSize sizeTypeTL;
        QSize sizeMarginTL;
        QSize sizeTypeBR;
        QSize sizeMarginBR;
        bool bMsgSupport = false; // the child answered the properties question
        ResizeProperties properties;
    };

    // Where a child goes and what that takes.
    struct ChildPlacement {
        QRect rect;          // the new rectangle, parent client coordinates
        bool moved = false;  // the top-left corner changes
        bool sized = false;  // the width or height changes
        bool redraw = false; // the content must be repainted
    };

    CResizableLayout() = default;
    virtual ~CResizableLayout() = default;
    CResizableLayout(const CResizableLayout&) = delete;
    CResizableLayout& operator=(const CResizableLayout&) = delete;

    // Adds a child with its margins measured now; a bottom-right anchor of NOANCHOR is the
    // top-left one. A child added twice is laid out twice (the lookup finds the later entry).
    void AddAnchor(QWidget* child, QSize typeTL, QSize typeBR = NOANCHOR);
    // Adds an entry whose window, anchors and margins ArrangeCallbackItem supplies at each layout.
    void AddCallbackItem(unsigned callbackId);
    void RemoveAllAnchors();

    // Moves and sizes every child for the current client size.
    void ArrangeLayout();
    // Where the child of `layout` goes in `parentRect`. A parent smaller than at AddAnchor gives
    // no negative size: the rectangle's width and height stop at 0.
    ChildPlacement CalcChildRect(const LayoutInfo& layout, const QRect& parentRect) const;

    // Fills the background region with the layout window's background brush.
    void EraseBackground(QPainter& painter);
    // The client area less the children that want clipping, plus the areas of those that do not.
    QRegion GetBackgroundRegion();
    void ClipChildRegion(const LayoutInfo& layout, QRegion& region) const;

    virtual QWidget* GetLayoutWindow() const = 0;

    std::size_t anchorCount() const { return m_listLayout.size(); }
    std::size_t callbackCount() const { return m_listLayoutCB.size(); }

protected:
    virtual void QueryResizeProperties(LayoutInfo& layout);
    virtual bool WantsClipping(const LayoutInfo& layout) const;
    virtual bool NeedsRedraw(const LayoutInfo& layout, const QRect& oldRect, const QRect& newRect) const;
    // The layout window's client rectangle.
    virtual QRect GetLayoutClientRect() const;
    // Fills a copy of a callback entry; true to have it laid out. The base has nothing to fill.
    virtual bool ArrangeCallbackItem(LayoutInfo& layout);

    // The entry of `child` (the later one when it was added twice); null when it has none.
    const LayoutInfo* findLayout(const QWidget* child) const;

private:
    // The child's rectangle in the layout window's client coordinates.
    QRect childRect(const QWidget* child) const;
    void placeChild(const LayoutInfo& layout, const QRect& parentRect);

    std::unordered_map<const QWidget*, std::size_t> m_mapLayout;
    std::vector<LayoutInfo> m_listLayout;
    std::vector<LayoutInfo> m_listLayoutCB;
};
