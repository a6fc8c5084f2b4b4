#pragma once
// The painting toolkit of the HTML drawer and its tool tip: bitmaps, icons and strip cells with
// colour effects, masks, drop shadows and alpha; 16 background fills (gradients and noise
// patterns); styled lines and frames; tiling and blending. GUI thread only.
//
// The device context is a QPainter. Operations that read the target's pixels (shadows, blends,
// alpha composition, mask composition) work on them directly when the painter paints on a 32-bit
// QImage with at most a translation; on any other device they fall back to QPainter's own
// composition of the same images. Bitmaps and icons are QImages; an icon's transparent pixels are
// those with alpha 0. Colours are COLORREFs; pixels are QRgb values whose fourth byte is the
// bitmap's alpha (0 for an opaque bitmap).

#include "controls/CeXDib.h"
#include "controls/PixelRules.h"
#include "controls/WinGdi.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

class QPainter;

class CPPDrawManager {
public:
    // Effect flags of PaintBitmap, PaintIcon, PaintStripImage and ApplyImageEffect.
    enum : unsigned {
        IMAGE_EFFECT_GRAYEN = 0x0001,
        IMAGE_EFFECT_DARKEN = 0x0002,
        IMAGE_EFFECT_LIGHTEN = 0x0004,
        IMAGE_EFFECT_MONOCHROME = 0x0008,
        IMAGE_EFFECT_SHADOW = 0x0100,
        IMAGE_EFFECT_SHADOW_BLUR = 0x0200,
        IMAGE_EFFECT_INVERT = 0x8000,
    };
    // Background effects of FillBackground.
    enum : int {
        EFFECT_SOLID = 0,
        EFFECT_HGRADIENT,
        EFFECT_VGRADIENT,
        EFFECT_HCGRADIENT,
        EFFECT_VCGRADIENT,
        EFFECT_3HGRADIENT,
        EFFECT_3VGRADIENT,
        EFFECT_NOISE,
        EFFECT_DIAGSHADE,
        EFFECT_HSHADE,
        EFFECT_VSHADE,
        EFFECT_HBUMP,
        EFFECT_VBUMP,
        EFFECT_SOFTBUMP,
        EFFECT_HARDBUMP,
        EFFECT_METAL,
    };
    // Pen kinds of PaintLine and PaintFrame.
    enum : int { PEN_NULL = 0, PEN_SOLID, PEN_DASH, PEN_DOT, PEN_DASHDOT, PEN_DASHDOTDOT, PEN_DOUBLE };

    CPPDrawManager() = default;
    virtual ~CPPDrawManager() = default;

    void PaintBitmap(QPainter& dc, int x, int y, int width, int height, const QImage* bitmap, bool useMask,
                     COLORREF maskColour, unsigned effect, bool shadow, int shadowDx, int shadowDy, int blurX,
                     int blurY, COLORREF shadowColour);
    void PaintIcon(QPainter& dc, int x, int y, int width, int height, const QImage* icon, unsigned effect, bool shadow,
                   int shadowDx, int shadowDy, int blurX, int blurY, COLORREF colour);
    // Cell `index` of a strip of cellWidth x cellHeight cells, read row by row; nothing for an
    // index outside 0 .. cells - 1 or a cell size below 1.
    void PaintStripImage(QPainter& dc, int x, int y, int width, int height, const QImage* strip, int index,
                         int cellWidth, int cellHeight, bool useMask, COLORREF maskColour, unsigned effect, bool shadow,
                         int shadowDx, int shadowDy, int blurX, int blurY, COLORREF shadowColour);

    // Background effect 0 to 15 (any other number is solid). An empty rectangle draws nothing.
    void FillBackground(QPainter& dc, int effect, const RECT& rect, COLORREF colour, COLORREF middle, COLORREF end,
                        int granularity, int colouring);
    // 64 bands from start to end colour.
    void PaintGradient(QPainter& dc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal);

    void PaintLine(QPainter& dc, int x1, int y1, int x2, int y2, COLORREF colour, int penKind, int penWidth);
    void PaintFrame(QPainter& dc, int left, int top, int right, int bottom, COLORREF topLeft, COLORREF bottomRight,
                    int penKind, int penWidth);
    void PaintFrame(QPainter& dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight, int penKind, int penWidth) {
        PaintFrame(dc, rect.left, rect.top, rect.right, rect.bottom, topLeft, bottomRight, penKind, penWidth);
    }

    // Darkens the target by the mask's low byte (255 = unchanged), sharp or blurred by a box of
    // blurX x blurY pixels (made odd; at most the shadow's size less one).
    void PaintShadow(QPainter& dc, int x, int y, int width, int height, const QImage& shadowMask, bool blurred,
                     int blurX, int blurY);
    // source x p + target x (1 - p) per channel, p = percent / 100, truncated (computed in integers:
    // (s x percent + t x (100 - percent)) / 100); 100 % and more copy.
    void BlendBlit(QPainter& dc, int x, int y, int width, int height, const QImage& source, int sourceX, int sourceY,
                   int percent);
    // The same with p = the source pixel's fourth byte / 255.
    void AlphaMapBlit(QPainter& dc, int x, int y, int width, int height, const QImage& source, int sourceX,
                      int sourceY);
    // Repeats the tile (source x, y, tile width x height) over the area, clipped at its right and
    // bottom edges; nothing for a tile size below 1.
    void TileBlit(QPainter& dc, int x, int y, int width, int height, const QImage& source, int sourceX, int sourceY,
                  int tileWidth, int tileHeight);

    // A width x height copy of the bitmap with the effects applied (see the flags); masked pixels
    // give 0 before the inversion. Sets the alpha flag when a pixel's fourth byte is not 0. Returns
    // Format_ARGB32 whose fourth byte is the bitmap's; null for an empty size or bitmap.
    QImage ApplyImageEffect(const QImage& bitmap, int width, int height, unsigned effect, bool useMask,
                            COLORREF maskColour, COLORREF colour);

    static QImage ResizeIcon(const QImage& icon, int width, int height);
    static QSize BitmapSize(const QImage* bitmap);
    static QSize IconSize(const QImage* icon);

    // Colour functions on 32-bit values (the fourth byte is kept unless said otherwise).
    static std::uint32_t GreyOf(std::uint32_t pixel);
    static std::uint32_t InvertOf(std::uint32_t colour); // fourth byte 0
    static std::uint32_t ScaleColour(std::uint32_t colour, double factor);
    static std::uint32_t BrightenColour(std::uint32_t colour, double factor);
    static std::uint32_t MixPixels(std::uint32_t a, double p, std::uint32_t b, double q);

    bool alphaFlag() const { return m_alpha; }

private:
    void composeImage(QPainter& dc, int x, int y, const QImage& mask, const QImage& image);
    void paintComposed(QPainter& dc, int x, int y, const QImage& mask, const QImage& image, unsigned effect,
                       bool shadow, int shadowDx, int shadowDy, int blurX, int blurY, const QImage& shadowMask);
    void fillPattern(QPainter& dc, int effect, const RECT& rect, COLORREF colour, COLORREF middle, COLORREF end,
                     int granularity, int colouring);

    CCeXDib m_dib;
    bool m_alpha = false;
    std::vector<std::uint8_t> m_shadowMask;
    std::vector<std::uint32_t> m_shadowRowSums;
    std::vector<std::uint32_t> m_shadowWeights;
};
