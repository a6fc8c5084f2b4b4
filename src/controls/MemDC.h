#pragma once
// Off-screen painting of one area: a memory bitmap (a QPixmap) the size of the area, painted in the
// target's coordinates and copied back to the target when the object goes out of scope, so a
// control that paints its background, then text over it never flickers. A printing target is
// painted directly, without a bitmap. The owner-drawn menu's greyed items, the page frame and the
// text progress bar paint through it.

#include "controls/WinGdi.h"

#include <QPainter>
#include <QPixmap>
#include <QRect>

#include <optional>

class CMemDC2 {
public:
    // Starts painting `area` (logical coordinates of the target; the target's clip bounds, or its
    // whole device, when empty) and fills it with the target's background colour.
    explicit CMemDC2(QPainter& target, const QRect& area = {});
    ~CMemDC2();
    CMemDC2(const CMemDC2&) = delete;
    CMemDC2& operator=(const CMemDC2&) = delete;

    // The painter to draw with: the bitmap's, or the target itself when printing.
    QPainter& dc() { return m_bBuffered ? *m_memory : m_target; }
    QPainter* operator->() { return &dc(); }

    bool isBuffered() const { return m_bBuffered; }
    const QRect& area() const { return m_rcArea; }

    // The colour of the pixel at `point` (logical coordinates) as drawn so far; the target's
    // background colour when the device cannot be read back.
    COLORREF GetPixel(QPoint point);

private:
    QPainter& m_target;
    QRect m_rcArea;     // logical coordinates
    QRect m_deviceArea; // the same in the target's device pixels
    bool m_bBuffered = false;
    QPixmap m_Bitmap;
    std::optional<QPainter> m_memory;
};

// A memory context painting one menu item.
using BCMenuMemDC = CMemDC2;

// Whether a painter draws on a printer (or a print preview's printer), where nothing is buffered.
bool isPrinting(const QPainter& painter);

// The pixel at `point` (logical coordinates) of what `painter` has drawn on a readable device (an
// image or a pixmap); `fallback` otherwise.
COLORREF readPixel(QPainter& painter, QPoint point, COLORREF fallback);
