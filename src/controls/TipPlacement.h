#pragma once
// Where the balloon tool tip opens: the side of the cursor, the anchor's place along the edge and
// the window's position, so that the balloon stays on the screen. A pure function of the cursor,
// the screen and the balloon's sizes.

#include <QPoint>
#include <QRect>

// Direction codes: high nibble the side (0x00 below the cursor, anchor on the top edge; 0x10
// above it, anchor on the bottom edge), low nibble the anchor's alignment along that edge (0 near
// the left end, 1 near the right end, 2 centred).
inline constexpr int kTipBelow = 0x00;
inline constexpr int kTipAbove = 0x10;
inline constexpr int kTipAlignLeft = 0x0;
inline constexpr int kTipAlignRight = 0x1;
inline constexpr int kTipAlignCenter = 0x2;

struct TipPlacement {
    int direction = 0; // the final direction
    QPoint anchor;     // the anchor's point inside the window, on the cursor
    QRect window;      // window rectangle in window coordinates: body plus anchor strip
    QRect body;        // the balloon without the anchor, moved below the strip for the side below
    QRect text;        // the text rectangle, moved like the body
    QPoint windowPos;  // the window's top-left corner on the screen: cursor minus anchor
};

// cursor and screen in screen coordinates (screen: the virtual screen's rectangle); body and text
// in window coordinates with the body at (0, 0).
TipPlacement PlaceTip(QPoint cursor, const QRect& screen, int direction, const QRect& body, const QRect& text,
                      int anchorHeight, int anchorMargin);
