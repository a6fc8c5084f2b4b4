#pragma once
// A small device-independent bitmap in memory: a 40-byte header, a palette and bottom-up pixel
// rows in one buffer. The draw manager builds its noise patterns in an 8-bit one.

#include "controls/WinGdi.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

class QPainter;

class CCeXDib {
public:
    // The largest pixel area accepted (bytes of the rows); sizes may come from markup.
    static constexpr std::size_t kMaxImageBytes = std::size_t{256} << 20;

    CCeXDib() = default;
    virtual ~CCeXDib() = default;

    // Frees everything, then allocates header, palette and rows for the size (1, 4, 8, 24 or 32
    // bits per pixel); null for a width or height below 1, an unknown depth or rows above the cap.
    std::uint8_t* Create(int width, int height, int bitsPerPixel);
    // Whether Create takes a width x height bitmap of 8 bits per pixel.
    static bool Accepts8Bit(int width, int height);
    void Free();

    void Clear(std::uint8_t value);
    void SetPaletteIndex(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // y counts from the top; nothing outside the bitmap or without a palette.
    void SetPixelIndex(int x, int y, std::uint8_t index);
    // Every palette entry moves toward the colour by percent (at most 100).
    void BlendPalette(COLORREF colour, int percent);
    // Copies the bitmap to (x, y) of the painter's device; nothing when empty.
    void Draw(QPainter& painter, int x, int y);
    // The pixels as an opaque image (top-down), null when empty.
    QImage toImage() const;

    std::uint8_t* GetBits() { return m_buffer.empty() ? nullptr : m_buffer.data() + kHeaderSize + GetPaletteSize(); }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetLineWidth() const { return m_lineWidth; }
    int GetPaletteEntries() const { return m_paletteEntries; }
    int GetPaletteSize() const { return m_paletteEntries * 4; }
    std::size_t GetSize() const { return m_buffer.size(); }

private:
    static constexpr int kHeaderSize = 40;
    std::uint8_t* palette() { return m_buffer.data() + kHeaderSize; }
    const std::uint8_t* palette() const { return m_buffer.data() + kHeaderSize; }
    const std::uint8_t* bits() const { return m_buffer.data() + kHeaderSize + GetPaletteSize(); }

    std::vector<std::uint8_t> m_buffer;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    int m_lineWidth = 0;
    int m_paletteEntries = 0;
};
