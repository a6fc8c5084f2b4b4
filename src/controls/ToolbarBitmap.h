#pragma once
// The toolbar's true-colour looks: a bitmap that runs a chain of 32-bit pixel processors, the
// greying and lightening processors, the lazily converting HLS colour they work in, and the
// toolbar that builds its hot, normal and disabled image lists from one strip. Magenta 0xFF00FF
// marks transparent pixels and is never changed by a processor. GUI thread only.

#include "controls/ImageList.h"
#include "controls/WinGdi.h"

#include <QImage>
#include <QSize>
#include <QToolBar>

#include <cstdint>
#include <span>

// A colour value that converts between RGB bytes and hue/lightness/saturation on demand.
class HlsColor {
public:
    void SetRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Brings the HLS values up to date, then replaces the lightness; the bytes follow on demand.
    void SetLuminance(float lightness);

    float GetHue();
    float GetSaturation();
    float GetLuminance();
    std::uint8_t GetRed();
    std::uint8_t GetGreen();
    std::uint8_t GetBlue();

private:
    void toHls();
    void toRgb();

    std::uint8_t m_red = 0, m_green = 0, m_blue = 0;
    float m_hue = 0, m_saturation = 0, m_lightness = 0;
    bool m_rgbValid = true;
    bool m_hlsValid = false;
};

// Base of the pixel processors: copies its source.
class C32BitImageProcessor {
public:
    C32BitImageProcessor() = default;
    virtual ~C32BitImageProcessor() = default;
    C32BitImageProcessor(const C32BitImageProcessor&) = delete;
    C32BitImageProcessor& operator=(const C32BitImageProcessor&) = delete;

    virtual QSize CalcDestSize(QSize source) const { return source; }
    // Pixels are 32-bit, top-down rows, QRgb layout (blue in the low byte).
    virtual bool ProcessPixels(const QRgb* source, QSize sourceSize, QRgb* dest, QSize destSize);

    void SetTransparentColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

protected:
    bool isTransparent(QRgb pixel) const { return m_hasTransparent && (pixel & 0xFFFFFFu) == m_transparent; }

private:
    bool m_hasTransparent = false;
    QRgb m_transparent = 0;
};

// Grey = (6 x green + 3 x red + blue) / 10 in all three channels, 0 in the fourth byte.
class CImageGrayer : public C32BitImageProcessor {
public:
    bool ProcessPixels(const QRgb* source, QSize sourceSize, QRgb* dest, QSize destSize) override;
};

// Moves every pixel's lightness by an increment (-1 to 1), keeping hue and saturation.
class CImageHigh : public C32BitImageProcessor {
public:
    explicit CImageHigh(float increment) : m_increment(increment) {}
    bool ProcessPixels(const QRgb* source, QSize sourceSize, QRgb* dest, QSize destSize) override;

private:
    float m_increment;
};

// A bitmap (Format_RGB32) with a background colour that fills the destination before each
// processor runs.
class CEnBitmap {
public:
    explicit CEnBitmap(COLORREF background = RGB(255, 255, 255)) : m_background(background) {}

    bool LoadBitmap(unsigned resourceId);
    void Attach(const QImage& image);
    const QImage& image() const { return m_image; }
    bool isNull() const { return m_image.isNull(); }

    // Runs the chain and replaces the bitmap with the result; false (bitmap unchanged) when no
    // bitmap is attached or a processor fails; true at once for an empty chain.
    bool ProcessImage(std::span<C32BitImageProcessor* const> processors);

private:
    COLORREF m_background;
    QImage m_image;
};

// Grey, then lighten by 0.08 three times / lighten by 0.04 twice.
bool MakeDisabledBitmap(CEnBitmap& bitmap, COLORREF transparent);
bool MakeLightBitmap(CEnBitmap& bitmap, COLORREF transparent);

// The main window's toolbar with 24x24 true-colour buttons in three looks.
class CToolBar24 : public QToolBar {
    Q_OBJECT
public:
    explicit CToolBar24(QWidget* parent = nullptr);

    // Builds the hot (bitmap unchanged), disabled and normal (lightened) image lists from the
    // strip `bitmapId` with `maskColour` as the transparent colour of the lists, and gives the
    // toolbar's buttons (its actions that are not separators, in order) their icons. A look whose
    // bitmap does not load stays empty; a failed processor chain leaves its look unprocessed.
    void SetToolbarTrueColorImages(unsigned bitmapId, COLORREF maskColour);

    // The icon of button image `index`: Normal = the normal look, Active = the hot look, Disabled =
    // the disabled look; null outside the lists.
    QIcon buttonIcon(int index) const;

    const CImageList& hotImages() const { return m_hot; }
    const CImageList& normalImages() const { return m_normal; }
    const CImageList& disabledImages() const { return m_disabled; }

private:
    QImage m_hotBitmap;
    CEnBitmap m_disabledBitmap{RGB(255, 255, 255)};
    CEnBitmap m_normalBitmap{RGB(255, 255, 255)};
    CImageList m_hot, m_disabled, m_normal;
};
