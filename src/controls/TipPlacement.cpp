#include "controls/TipPlacement.h"

TipPlacement PlaceTip(QPoint cursor, const QRect& screen, int direction, const QRect& body, const QRect& text,
                      int anchorHeight, int anchorMargin) {
    const int left = screen.x();
    const int top = screen.y();
    const int right = screen.x() + screen.width();
    const int bottom = screen.y() + screen.height();
    const int width = body.width();
    const int height = body.height();
    const int x = cursor.x();
    const int y = cursor.y();

    int align = direction & 0x0F;
    int side = direction & 0xF0;

    // The anchor moves along the edge to the end that keeps the body on the screen, centred when
    // neither end does.
    if (align == kTipAlignLeft) {
        if (x - anchorMargin + width > right)
            align = x + anchorMargin - width < left ? kTipAlignCenter : kTipAlignRight;
    } else if (align == kTipAlignRight) {
        if (x + anchorMargin - width < left)
            align = x - anchorMargin + width > right ? kTipAlignCenter : kTipAlignLeft;
    } else if (align == kTipAlignCenter) {
        if (x - left <= anchorMargin)
            align = kTipAlignLeft;
        else if (right - x <= anchorMargin)
            align = kTipAlignRight;
    }
    if (side == kTipAbove) {
        if (y - (height + anchorHeight) < top)
            side = kTipBelow;
    } else if (y + height + anchorHeight > bottom) {
        side = kTipAbove;
    }

    TipPlacement placement;
    placement.window = QRect(body.x(), body.y(), width, height + anchorHeight);
    placement.anchor.setY(side == kTipBelow ? 0 : height + anchorHeight);
    int anchorX = 0;
    if (align == kTipAlignLeft) {
        anchorX = anchorMargin;
    } else if (align == kTipAlignRight) {
        anchorX = width - anchorMargin;
    } else {
        anchorX = width / 2;
        if (x + width / 2 > right && x - width / 2 >= left)
            anchorX = width / 2 + (x + width / 2 - right);
        else if (x - width / 2 < left)
            anchorX = x - left;
    }
    // The body never leaves the screen at the side the anchor moved away from.
    if (align == kTipAlignRight) {
        if (x + width - anchorX > right)
            anchorX = x + width - right;
    } else if (x - anchorX < left) {
        anchorX = x - left;
    }
    placement.anchor.setX(anchorX);

    placement.body = body;
    placement.text = text;
    if (side == kTipBelow) {
        placement.body.translate(0, anchorHeight);
        placement.text.translate(0, anchorHeight);
    }
    placement.direction = side | align;
    placement.windowPos = cursor - placement.anchor;
    return placement;
}
