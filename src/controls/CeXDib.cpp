#include "controls/CeXDib.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

void CCeXDib::Free() {
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_width = m_height = m_bitsPerPixel = m_lineWidth = m_paletteEntries = 0;
}

std::uint8_t* CCeXDib::Create(int width, int height, int bitsPerPixel) {
    Free();
    if (width < 1 || height < 1)
        return nullptr;
    int entries;
    switch (bitsPerPixel) {
    case 1:
        entries = 2;
        break;
    case 4:
        entries = 16;
        break;
    case 8:
        entries = 256;
        break;
    case 24:
    case 32:
        entries = 0;
        break;
    default:
        return nullptr;
    }
    const std::size_t lineWidth =
        (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
    if (lineWidth > kMaxImageBytes || lineWidth * static_cast<std::size_t>(height) > kMaxImageBytes)
        return nullptr;
    const std::size_t imageSize = lineWidth * static_cast<std::size_t>(height);
    m_buffer.assign(kHeaderSize + static_cast<std::size_t>(entries) * 4 + imageSize, 0);
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_lineWidth = static_cast<int>(lineWidth);
    m_paletteEntries = entries;
    std::uint8_t* h = m_buffer.data();
    put32(h, kHeaderSize);
    put32(h + 4, static_cast<std::uint32_t>(width));
    put32(h + 8, static_cast<std::uint32_t>(height));
    put16(h + 12, 1);
    put16(h + 14, static_cast<std::uint16_t>(bitsPerPixel));
    put32(h + 20, static_cast<std::uint32_t>(imageSize));
    return m_buffer.data();
}

bool CCeXDib::Accepts8Bit(int width, int height) {
    if (width < 1 || height < 1)
        return false;
    const std::size_t lineWidth = (static_cast<std::size_t>(width) * 8 + 31) / 32 * 4;
    return lineWidth <= kMaxImageBytes && lineWidth * static_cast<std::size_t>(height) <= kMaxImageBytes;
}

void CCeXDib::Clear(std::uint8_t value) {
    if (!m_buffer.empty())
        std::memset(GetBits(), value, static_cast<std::size_t>(m_lineWidth) * static_cast<std::size_t>(m_height));
}

void CCeXDib::SetPaletteIndex(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (m_buffer.empty() || index < 0 || index >= m_paletteEntries)
        return;
    std::uint8_t* entry = palette() + index * 4;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
    entry[3] = 0;
}

void CCeXDib::SetPixelIndex(int x, int y, std::uint8_t index) {
    if (m_buffer.empty() || m_paletteEntries == 0 || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    GetBits()[static_cast<std::size_t>(m_height - 1 - y) * static_cast<std::size_t>(m_lineWidth) +
              static_cast<std::size_t>(x)] = index;
}

void CCeXDib::BlendPalette(COLORREF colour, int percent) {
    if (m_buffer.empty())
        return;
    const int p = std::min(percent, 100);
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    for (int i = 0; i < m_paletteEntries; ++i) {
        std::uint8_t* entry = palette() + i * 4;
        entry[0] = static_cast<std::uint8_t>((b * p + entry[0] * (100 - p)) / 100);
        entry[1] = static_cast<std::uint8_t>((g * p + entry[1] * (100 - p)) / 100);
        entry[2] = static_cast<std::uint8_t>((r * p + entry[2] * (100 - p)) / 100);
    }
}

QImage CCeXDib::toImage() const {
    if (m_buffer.empty())
        return {};
    QImage image(m_width, m_height, QImage::Format_RGB32);
    const std::uint8_t* pal = palette();
    const auto entry = [&](unsigned i) {
        const std::uint8_t* e = pal + i * 4;
        return qRgb(e[2], e[1], e[0]);
    };
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* row =
            bits() + static_cast<std::size_t>(m_height - 1 - y) * static_cast<std::size_t>(m_lineWidth);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < m_width; ++x) {
            switch (m_bitsPerPixel) {
            case 1:
                out[x] = entry((row[x / 8] >> (7 - x % 8)) & 1u);
                break;
            case 4:
                out[x] = entry((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu);
                break;
            case 8:
                out[x] = entry(row[x]);
                break;
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            default:
                out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                break;
            }
        }
    }
    return image;
}

void CCeXDib::Draw(QPainter& painter, int x, int y) {
    const QImage image = toImage();
    if (!image.isNull())
        painter.drawImage(QPoint(x, y), image);
}
