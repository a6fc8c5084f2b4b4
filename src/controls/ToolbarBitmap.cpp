#include "controls/ToolbarBitmap.h"

#include "controls/Artwork.h"

#include <QAction>
#include <QPixmap>

#include <algorithm>
#include <vector>

// ---- HlsColor ----

void HlsColor::SetRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    m_red = red;
    m_green = green;
    m_blue = blue;
    m_rgbValid = true;
    m_hlsValid = false;
}

void HlsColor::SetLuminance(float lightness) {
    if (!m_hlsValid)
        toHls();
    m_lightness = lightness;
    m_rgbValid = false;
}

float HlsColor::GetHue() {
    if (!m_hlsValid)
        toHls();
    return m_hue;
}
float HlsColor::GetSaturation() {
    if (!m_hlsValid)
        toHls();
    return m_saturation;
}
float HlsColor::GetLuminance() {
    if (!m_hlsValid)
        toHls();
    return m_lightness;
}
std::uint8_t HlsColor::GetRed() {
    if (!m_rgbValid)
        toRgb();
    return m_red;
}
std::uint8_t HlsColor::GetGreen() {
    if (!m_rgbValid)
        toRgb();
    return m_green;
}
std::uint8_t HlsColor::GetBlue() {
    if (!m_rgbValid)
        toRgb();
    return m_blue;
}

void HlsColor::toHls() {
    const int maxc = std::max({m_red, m_green, m_blue});
    const int minc = std::min({m_red, m_green, m_blue});
    m_lightness = static_cast<float>(maxc + minc) / 510.0f;
    if (maxc == minc) {
        m_saturation = 0.0f;
        m_hue = 0.0f;
    } else {
        const float d = static_cast<float>(maxc - minc);
        m_saturation =
            m_lightness <= 0.5f ? d / static_cast<float>(maxc + minc) : d / static_cast<float>(510 - maxc - minc);
        const float rc = static_cast<float>(maxc - m_red) / d;
        const float gc = static_cast<float>(maxc - m_green) / d;
        const float bc = static_cast<float>(maxc - m_blue) / d;
        // Later tests override earlier ones when two channels share the maximum.
        if (m_red == maxc)
            m_hue = (6.0f + bc - gc) * 60.0f;
        if (m_green == maxc)
            m_hue = (2.0f + rc - bc) * 60.0f;
        if (m_blue == maxc)
            m_hue = (4.0f + gc - rc) * 60.0f;
        if (m_hue > 360.0f)
            m_hue -= 360.0f;
    }
    m_hlsValid = true;
}

namespace {

std::uint8_t hueValue(float m1, float m2, float h) {
    if (h > 360.0f)
        h -= 360.0f;
    else if (h < 0.0f)
        h += 360.0f;
    float value;
    if (h < 60.0f)
        value = m1 + (m2 - m1) * h / 60.0f;
    else if (h < 180.0f)
        value = m2;
    else if (h < 240.0f)
        value = m1 + (m2 - m1) * (240.0f - h) / 60.0f;
    else
        value = m1;
    return static_cast<std::uint8_t>(255.0f * value);
}

} // namespace

void HlsColor::toRgb() {
    if (m_saturation == 0.0f) {
        m_red = m_green = m_blue = static_cast<std::uint8_t>(m_lightness * 255.0f);
    } else {
        const float m2 = m_lightness <= 0.5f ? m_lightness + m_lightness * m_saturation
                                             : m_lightness + m_saturation - m_lightness * m_saturation;
        const float m1 = 2.0f * m_lightness - m2;
        m_red = hueValue(m1, m2, m_hue + 120.0f);
        m_green = hueValue(m1, m2, m_hue);
        m_blue = hueValue(m1, m2, m_hue - 120.0f);
    }
    m_rgbValid = true;
}

// ---- processors ----

void C32BitImageProcessor::SetTransparentColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    m_hasTransparent = true;
    m_transparent = qRgb(red, green, blue) & 0xFFFFFFu;
}

bool C32BitImageProcessor::ProcessPixels(const QRgb* source, QSize sourceSize, QRgb* dest, QSize destSize) {
    const int w = std::min(sourceSize.width(), destSize.width());
    const int h = std::min(sourceSize.height(), destSize.height());
    for (int y = 0; y < h; ++y)
        std::copy(source + y * sourceSize.width(), source + y * sourceSize.width() + w, dest + y * destSize.width());
    return true;
}

bool CImageGrayer::ProcessPixels(const QRgb* source, QSize sourceSize, QRgb* dest, QSize destSize) {
    const int w = std::min(sourceSize.width(), destSize.width());
    const int h = std::min(sourceSize.height(), destSize.height());
    for (int y = 0; y < h; ++y) {
        const QRgb* src = source + y * sourceSize.width();
        QRgb* dst = dest + y * destSize.width();
        for (int x = 0; x < w; ++x) {
            const QRgb p = src[x];
            if (isTransparent(p)) {
                dst[x] = p;
                continue;
            }
            const unsigned grey = (6u * qGreen(p) + 3u * qRed(p) + qBlue(p)) / 10u;
            dst[x] = (grey << 16) | (grey << 8) | grey;
        }
    }
    return true;
}

bool CImageHigh::ProcessPixels(const QRgb* source, QSize sourceSize, QRgb* dest, QSize destSize) {
    const int w = std::min(sourceSize.width(), destSize.width());
    const int h = std::min(sourceSize.height(), destSize.height());
    HlsColor colour;
    for (int y = 0; y < h; ++y) {
        const QRgb* src = source + y * sourceSize.width();
        QRgb* dst = dest + y * destSize.width();
        for (int x = 0; x < w; ++x) {
            const QRgb p = src[x];
            if (isTransparent(p)) {
                dst[x] = p;
                continue;
            }
            colour.SetRGB(static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                          static_cast<std::uint8_t>(qBlue(p)));
            float lightness = colour.GetLuminance();
            if (m_increment > 0.0f && lightness < 1.0f)
                colour.SetLuminance(std::min(1.0f, lightness + m_increment));
            else if (m_increment < 0.0f && lightness > 0.0f)
                colour.SetLuminance(std::max(0.0f, lightness + m_increment));
            dst[x] = (p & 0xFF000000u) | (static_cast<QRgb>(colour.GetRed()) << 16) |
                     (static_cast<QRgb>(colour.GetGreen()) << 8) | colour.GetBlue();
        }
    }
    return true;
}

// ---- CEnBitmap ----

bool CEnBitmap::LoadBitmap(unsigned resourceId) {
    const QImage image = artworkBitmap(resourceId);
    if (image.isNull())
        return false;
    Attach(image);
    return true;
}

void CEnBitmap::Attach(const QImage& image) {
    m_image = image.convertToFormat(QImage::Format_RGB32);
}

namespace {

void fillBackground(std::vector<QRgb>& buffer, COLORREF background) {
    QRgb value;
    if (background == 0)
        value = 0;
    else if (background == 0xFFFFFFu || background == 0xFFFFFFFFu)
        value = 0xFFFFFFFFu;
    else
        value = swapRedBlue(background & 0xFFFFFFu);
    std::fill(buffer.begin(), buffer.end(), value);
}

} // namespace

bool CEnBitmap::ProcessImage(std::span<C32BitImageProcessor* const> processors) {
    if (m_image.isNull())
        return false;
    if (processors.empty())
        return true;
    // The largest destination along the chain decides the buffers' size.
    QSize size = m_image.size();
    QSize largest = size;
    for (C32BitImageProcessor* processor : processors) {
        size = processor->CalcDestSize(size);
        largest = largest.expandedTo(size);
    }
    if (largest.width() < 1 || largest.height() < 1)
        return false;
    QSize sourceSize = m_image.size();
    std::vector<QRgb> source(static_cast<std::size_t>(sourceSize.width()) *
                             static_cast<std::size_t>(sourceSize.height()));
    for (int y = 0; y < sourceSize.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        std::copy(line, line + sourceSize.width(),
                  source.begin() + static_cast<std::ptrdiff_t>(y) * sourceSize.width());
    }
    const std::size_t capacity = static_cast<std::size_t>(largest.width()) * static_cast<std::size_t>(largest.height());
    std::vector<QRgb> dest(capacity);
    QSize destSize;
    bool first = true;
    for (C32BitImageProcessor* processor : processors) {
        if (!first) {
            source.swap(dest);
            sourceSize = destSize;
            dest.resize(capacity);
        }
        first = false;
        fillBackground(dest, m_background);
        destSize = processor->CalcDestSize(sourceSize);
        if (destSize.width() < 1 || destSize.height() < 1 ||
            static_cast<std::size_t>(destSize.width()) * static_cast<std::size_t>(destSize.height()) > capacity ||
            !processor->ProcessPixels(source.data(), sourceSize, dest.data(), destSize))
            return false;
    }
    QImage result(destSize, QImage::Format_RGB32);
    // The fourth byte of the buffer (0 after greying) becomes the 0xFF that Format_RGB32 requires.
    for (int y = 0; y < destSize.height(); ++y) {
        const QRgb* src = dest.data() + static_cast<std::ptrdiff_t>(y) * destSize.width();
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < destSize.width(); ++x)
            line[x] = src[x] | 0xFF000000u;
    }
    m_image = result;
    return true;
}

namespace {

bool processWithTransparent(CEnBitmap& bitmap, std::span<C32BitImageProcessor* const> chain, COLORREF transparent) {
    for (C32BitImageProcessor* p : chain)
        p->SetTransparentColour(static_cast<std::uint8_t>(GetRValue(transparent)),
                                static_cast<std::uint8_t>(GetGValue(transparent)),
                                static_cast<std::uint8_t>(GetBValue(transparent)));
    return bitmap.ProcessImage(chain);
}

} // namespace

bool MakeDisabledBitmap(CEnBitmap& bitmap, COLORREF transparent) {
    CImageGrayer grey;
    CImageHigh light1(0.08f), light2(0.08f), light3(0.08f);
    C32BitImageProcessor* chain[] = {&grey, &light1, &light2, &light3};
    return processWithTransparent(bitmap, chain, transparent);
}

bool MakeLightBitmap(CEnBitmap& bitmap, COLORREF transparent) {
    CImageHigh light1(0.04f), light2(0.04f);
    C32BitImageProcessor* chain[] = {&light1, &light2};
    return processWithTransparent(bitmap, chain, transparent);
}

// ---- CToolBar24 ----

CToolBar24::CToolBar24(QWidget* parent) : QToolBar(parent) {
    setIconSize(QSize(24, 24));
}

void CToolBar24::SetToolbarTrueColorImages(unsigned bitmapId, COLORREF maskColour) {
    constexpr COLORREF kMagenta = RGB(255, 0, 255);
    m_hot.Create(24, 24);
    m_hotBitmap = artworkBitmap(bitmapId);
    if (!m_hotBitmap.isNull())
        m_hot.Add(m_hotBitmap, maskColour);

    m_disabled.Create(24, 24);
    if (m_disabledBitmap.LoadBitmap(bitmapId)) {
        MakeDisabledBitmap(m_disabledBitmap, kMagenta);
        m_disabled.Add(m_disabledBitmap.image(), maskColour);
    }

    m_normal.Create(24, 24);
    if (m_normalBitmap.LoadBitmap(bitmapId)) {
        MakeLightBitmap(m_normalBitmap, kMagenta);
        m_normal.Add(m_normalBitmap.image(), maskColour);
    }

    int image = 0;
    for (QAction* action : actions()) {
        if (action->isSeparator())
            continue;
        action->setIcon(buttonIcon(image++));
    }
}

QIcon CToolBar24::buttonIcon(int index) const {
    QIcon icon;
    const QImage normal = m_normal.image(index);
    const QImage hot = m_hot.image(index);
    const QImage disabled = m_disabled.image(index);
    if (!normal.isNull())
        icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
    if (!hot.isNull())
        icon.addPixmap(QPixmap::fromImage(hot), QIcon::Active);
    if (!disabled.isNull())
        icon.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
    return icon;
}
