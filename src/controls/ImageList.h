#pragma once
// An image list: images of one cell size, added from strips; masked pixels are transparent
// (alpha 0). Drawing is transparent (masked pixels leave the target) or blended 50 % with a colour.

#include "controls/WinGdi.h"

#include <QIcon>
#include <QImage>
#include <QSize>

#include <vector>

class QPainter;

class CImageList {
public:
    enum DrawStyle { Transparent, Blend50 };

    // An empty list of cx x cy cells; false for a size below 1.
    bool Create(int cx, int cy);
    bool isCreated() const { return m_size.width() > 0; }

    // Adds the strip's cells from left to right (strip width / cx of them, the top cy rows of
    // each); pixels of the mask colour become transparent. Returns the index of the first new
    // image, -1 when nothing could be added.
    int Add(const QImage& strip, COLORREF maskColour);
    // Adds the strip's cells keeping the strip's own alpha (opaque when it has none).
    int Add(const QImage& strip);
    // Replaces image `index` with the first cell of `image` (masked like Add); false outside the list.
    bool Replace(int index, const QImage& image, COLORREF maskColour);
    bool Replace(int index, const QImage& image);

    // Draws image `index` with its top-left corner at `at`; an index outside the list draws
    // nothing. Blend50 mixes every opaque pixel half and half with `blend` (each channel
    // (pixel + blend) / 2).
    void Draw(QPainter& painter, int index, QPoint at, DrawStyle style = Transparent, COLORREF blend = 0) const;

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    QSize imageSize() const { return m_size; }
    // Image `index` as ARGB32 (alpha 0 where masked); a null image outside the list.
    QImage image(int index) const;
    QIcon icon(int index) const;

private:
    int addCells(const QImage& argbStrip);
    QImage cellOf(const QImage& argb, int column) const;

    QSize m_size;
    std::vector<QImage> m_images;
};
