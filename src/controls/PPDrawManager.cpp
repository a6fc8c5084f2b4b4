#include "controls/PPDrawManager.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

// The target pixels of a painter that paints on a 32-bit image with at most a translation: rows
// are read as unpremultiplied QRgb values and written back in the image's own format.
class TargetPixels {
public:
    explicit TargetPixels(QPainter& dc) {
        QPaintDevice* device = dc.device();
        if (!device || device->devType() != QInternal::Image)
            return;
        const QTransform t = dc.deviceTransform();
        if (t.type() > QTransform::TxTranslate)
            return;
        auto* image = static_cast<QImage*>(device);
        switch (image->format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            break;
        default:
            return;
        }
        m_image = image;
        // One access to the writable bits (detaching at most once), then rows by address.
        m_bits = image->bits();
        m_stride = image->bytesPerLine();
        m_dx = static_cast<int>(t.dx());
        m_dy = static_cast<int>(t.dy());
    }

    bool valid() const { return m_image != nullptr; }
    QImage::Format format() const { return m_image->format(); }
    // The pixels of row y from column x on, as stored.
    QRgb* line(int x, int y) { return reinterpret_cast<QRgb*>(m_bits + (y + m_dy) * m_stride) + x + m_dx; }

    // The part of the logical rectangle that lies on the image, in logical coordinates.
    QRect clip(const QRect& logical) const {
        return logical.translated(m_dx, m_dy).intersected(m_image->rect()).translated(-m_dx, -m_dy);
    }

    void read(int x, int y, int n, QRgb* out) const {
        const auto* line = reinterpret_cast<const QRgb*>(m_bits + (y + m_dy) * m_stride) + x + m_dx;
        if (m_image->format() == QImage::Format_ARGB32_Premultiplied) {
            for (int i = 0; i < n; ++i)
                out[i] = qUnpremultiply(line[i]);
        } else {
            std::copy(line, line + n, out);
        }
    }

    void write(int x, int y, int n, const QRgb* in) {
        auto* line = reinterpret_cast<QRgb*>(m_bits + (y + m_dy) * m_stride) + x + m_dx;
        switch (m_image->format()) {
        case QImage::Format_ARGB32_Premultiplied:
            for (int i = 0; i < n; ++i)
                line[i] = qPremultiply(in[i]);
            break;
        case QImage::Format_RGB32:
            for (int i = 0; i < n; ++i)
                line[i] = in[i] | 0xFF000000u;
            break;
        default:
            std::copy(in, in + n, line);
            break;
        }
    }

private:
    QImage* m_image = nullptr;
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_dx = 0;
    int m_dy = 0;
};

// Work areas of the pixel operations may come from markup: refuse what no screen shows.
constexpr long long kMaxPixels = 64LL << 20;

bool acceptableArea(int width, int height) {
    return width > 0 && height > 0 && static_cast<long long>(width) * height <= kMaxPixels;
}

// The source pixel at (x, y) with its fourth byte as a 32-bit bitmap holds it, 0 outside.
QRgb sourcePixel(const QImage& source, bool alpha, int x, int y) {
    if (x < 0 || y < 0 || x >= source.width() || y >= source.height())
        return 0;
    const QRgb p = reinterpret_cast<const QRgb*>(source.constScanLine(y))[x];
    return alpha ? p : (p & 0xFFFFFFu);
}

QImage argb32(const QImage& image) {
    return image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
               ? image
               : image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

// A sanitizer's runtime starts after the loader runs the resolver of target clones, so an instrumented resolver
// crashes the program before main: sanitizer builds keep the one plain version.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define CORVANA_SANITIZED_BUILD 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORVANA_SANITIZED_BUILD 1
#endif

// t = (s x p + t x q) / 100 for every byte (p + q = 100); built for AVX2 too, chosen at run time.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(CORVANA_SANITIZED_BUILD)
__attribute__((target_clones("avx2", "default")))
#endif
void blendBytes(const std::uint8_t* __restrict s, std::uint8_t* __restrict t, std::size_t count, std::uint16_t p,
                std::uint16_t q) {
    for (std::size_t i = 0; i < count; ++i)
        t[i] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s[i] * p + t[i] * q) / 100u);
}

// The pixels with 0xFF in their fourth byte, whatever the format held there.
QImage opaqueCopy(const QImage& image) {
    QImage out = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                     ? image.copy()
                     : image.convertToFormat(QImage::Format_RGB32);
    out.reinterpretAsFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    return out;
}

} // namespace

// ---- colour functions ----

std::uint32_t CPPDrawManager::GreyOf(std::uint32_t pixel) {
    const auto y = static_cast<std::uint32_t>(0.299 * ((pixel >> 16) & 0xFF) + 0.587 * ((pixel >> 8) & 0xFF) +
                                              0.114 * (pixel & 0xFF));
    return (pixel & 0xFF000000u) | (y << 16) | (y << 8) | y;
}

std::uint32_t CPPDrawManager::InvertOf(std::uint32_t colour) {
    return ~colour & 0xFFFFFFu;
}

std::uint32_t CPPDrawManager::ScaleColour(std::uint32_t colour, double factor) {
    if (factor < 0.0 || factor >= 1.0)
        return colour;
    const auto scale = [&](int shift) {
        return static_cast<std::uint32_t>(((colour >> shift) & 0xFF) * factor) << shift;
    };
    return (colour & 0xFF000000u) | scale(16) | scale(8) | scale(0);
}

std::uint32_t CPPDrawManager::BrightenColour(std::uint32_t colour, double factor) {
    if (factor <= 0.0 || factor > 1.0)
        return colour;
    const auto brighten = [&](int shift) {
        const auto v = static_cast<std::uint32_t>(((colour >> shift) & 0xFF) * (1.0 + factor));
        return std::min(v, 255u) << shift;
    };
    return (colour & 0xFF000000u) | brighten(16) | brighten(8) | brighten(0);
}

std::uint32_t CPPDrawManager::MixPixels(std::uint32_t a, double p, std::uint32_t b, double q) {
    const auto mix = [&](int shift) {
        const auto v = static_cast<std::uint32_t>(((a >> shift) & 0xFF) * p + ((b >> shift) & 0xFF) * q);
        return std::min(v, 255u) << shift;
    };
    return mix(16) | mix(8) | mix(0);
}

// ---- sizes ----

QSize CPPDrawManager::BitmapSize(const QImage* bitmap) {
    return bitmap && !bitmap->isNull() ? bitmap->size() : QSize(0, 0);
}

QSize CPPDrawManager::IconSize(const QImage* icon) {
    return BitmapSize(icon);
}

QImage CPPDrawManager::ResizeIcon(const QImage& icon, int width, int height) {
    if (icon.isNull() || width < 1 || height < 1)
        return {};
    return stretchBlt(icon, QSize(width, height));
}

// ---- effects ----

QImage CPPDrawManager::ApplyImageEffect(const QImage& bitmap, int width, int height, unsigned effect, bool useMask,
                                        COLORREF maskColour, COLORREF colour) {
    if (bitmap.isNull() || !acceptableArea(width, height))
        return {};
    const QImage source = argb32(bitmap);
    const bool alpha = source.hasAlphaChannel();
    const QRgb maskPixel = swapRedBlue(maskColour);
    const QRgb colourPixel = swapRedBlue(colour) & 0xFFFFFFu;
    QImage out(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb px = sourcePixel(source, alpha, x, y);
            if (px >> 24)
                m_alpha = true;
            QRgb d = 0;
            if (!useMask || px != maskPixel) {
                QRgb e = (effect & IMAGE_EFFECT_GRAYEN) ? GreyOf(px) : px;
                if (effect & IMAGE_EFFECT_DARKEN)
                    e = ScaleColour(e, 0.75);
                if (effect & IMAGE_EFFECT_LIGHTEN)
                    e = BrightenColour(e, 0.25);
                d = (effect & IMAGE_EFFECT_MONOCHROME) ? colourPixel : e;
            }
            if (effect & IMAGE_EFFECT_INVERT)
                d = InvertOf(d);
            line[x] = (px & 0xFF000000u) | (d & 0xFFFFFFu);
        }
    }
    return out;
}

// target = (target AND mask) OR image, the mask white where the image is transparent.
void CPPDrawManager::composeImage(QPainter& dc, int x, int y, const QImage& mask, const QImage& image) {
    const int w = image.width(), h = image.height();
    TargetPixels target(dc);
    if (!target.valid()) {
        QImage composed(w, h, QImage::Format_ARGB32);
        for (int row = 0; row < h; ++row) {
            const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(row));
            const auto* i = reinterpret_cast<const QRgb*>(image.constScanLine(row));
            auto* out = reinterpret_cast<QRgb*>(composed.scanLine(row));
            for (int col = 0; col < w; ++col) {
                const bool keep = (m[col] & 0xFFFFFFu) == 0xFFFFFFu && (i[col] & 0xFFFFFFu) == 0;
                out[col] = keep ? 0u : (i[col] | 0xFF000000u);
            }
        }
        dc.drawImage(QPoint(x, y), composed);
        return;
    }
    const QRect area = target.clip(QRect(x, y, w, h));
    std::vector<QRgb> row(static_cast<std::size_t>(std::max(area.width(), 0)));
    for (int ty = area.top(); ty <= area.bottom(); ++ty) {
        target.read(area.left(), ty, area.width(), row.data());
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(ty - y)) + (area.left() - x);
        const auto* i = reinterpret_cast<const QRgb*>(image.constScanLine(ty - y)) + (area.left() - x);
        for (int k = 0; k < area.width(); ++k)
            row[k] = (row[k] & 0xFF000000u) | (((row[k] & m[k]) | i[k]) & 0xFFFFFFu);
        target.write(area.left(), ty, area.width(), row.data());
    }
}

void CPPDrawManager::PaintBitmap(QPainter& dc, int x, int y, int width, int height, const QImage* bitmap, bool useMask,
                                 COLORREF maskColour, unsigned effect, bool shadow, int shadowDx, int shadowDy,
                                 int blurX, int blurY, COLORREF shadowColour) {
    m_alpha = false;
    if (!bitmap || bitmap->isNull() || !acceptableArea(width, height))
        return;
    const QImage copy = bitmap->size() == QSize(width, height) ? *bitmap : stretchBlt(*bitmap, QSize(width, height));
    const QImage mask = ApplyImageEffect(copy, width, height, IMAGE_EFFECT_INVERT | IMAGE_EFFECT_MONOCHROME, useMask,
                                         maskColour, RGB(255, 255, 255));
    const QImage image = ApplyImageEffect(copy, width, height, effect, useMask, maskColour, shadowColour);
    const QImage shadowMask = shadow && (effect & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_SHADOW_BLUR))
                                  ? ApplyImageEffect(copy, width, height, IMAGE_EFFECT_INVERT | IMAGE_EFFECT_MONOCHROME,
                                                     useMask, maskColour, InvertOf(shadowColour))
                                  : QImage();
    paintComposed(dc, x, y, mask, image, effect, shadow, shadowDx, shadowDy, blurX, blurY, shadowMask);
}

// The drop shadow (or, without a shadow effect, the image itself at the shadow's place), then the
// image: by its alpha when the alpha flag is set, else through its mask.
void CPPDrawManager::paintComposed(QPainter& dc, int x, int y, const QImage& mask, const QImage& image, unsigned effect,
                                   bool shadow, int shadowDx, int shadowDy, int blurX, int blurY,
                                   const QImage& shadowMask) {
    const auto compose = [&](int at, int top) {
        if (m_alpha)
            AlphaMapBlit(dc, at, top, image.width(), image.height(), image, 0, 0);
        else
            composeImage(dc, at, top, mask, image);
    };
    if (shadow) {
        if (effect & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_SHADOW_BLUR))
            PaintShadow(dc, x + shadowDx, y + shadowDy, image.width(), image.height(), shadowMask,
                        (effect & IMAGE_EFFECT_SHADOW_BLUR) != 0, blurX, blurY);
        else
            compose(x + shadowDx, y + shadowDy);
    }
    compose(x, y);
}

void CPPDrawManager::PaintIcon(QPainter& dc, int x, int y, int width, int height, const QImage* icon, unsigned effect,
                               bool shadow, int shadowDx, int shadowDy, int blurX, int blurY, COLORREF colour) {
    m_alpha = false;
    if (!icon || icon->isNull() || !acceptableArea(width, height))
        return;
    const QImage sized = IconSize(icon) == QSize(width, height) ? *icon : ResizeIcon(*icon, width, height);
    // The icon's two bitmaps: its mask (white where transparent) and its colours (black there).
    const bool hasAlpha = sized.hasAlphaChannel();
    const QImage argb = sized.convertToFormat(QImage::Format_ARGB32);
    QImage maskBitmap(width, height, QImage::Format_RGB32);
    QImage colourBitmap(width, height, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(row));
        auto* m = reinterpret_cast<QRgb*>(maskBitmap.scanLine(row));
        auto* c = reinterpret_cast<QRgb*>(colourBitmap.scanLine(row));
        for (int col = 0; col < width; ++col) {
            const bool transparent = hasAlpha && qAlpha(in[col]) == 0;
            m[col] = transparent ? 0xFFFFFFFFu : 0xFF000000u;
            c[col] = transparent ? 0u : in[col];
        }
    }
    const QImage image = (effect & IMAGE_EFFECT_MONOCHROME)
                             ? ApplyImageEffect(maskBitmap, width, height, effect, true, RGB(255, 255, 255), colour)
                             : ApplyImageEffect(colourBitmap, width, height, effect, true, RGB(0, 0, 0), colour);
    // The shadow mask comes from the icon's mask bitmap, which has no alpha: keep the image's flag.
    const bool alpha = m_alpha;
    const QImage shadowMask =
        shadow && (effect & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_SHADOW_BLUR))
            ? ApplyImageEffect(maskBitmap, width, height, IMAGE_EFFECT_INVERT | IMAGE_EFFECT_MONOCHROME, true,
                               RGB(255, 255, 255), InvertOf(colour))
            : QImage();
    m_alpha = alpha;
    paintComposed(dc, x, y, maskBitmap, image, effect, shadow, shadowDx, shadowDy, blurX, blurY, shadowMask);
}

void CPPDrawManager::PaintStripImage(QPainter& dc, int x, int y, int width, int height, const QImage* strip, int index,
                                     int cellWidth, int cellHeight, bool useMask, COLORREF maskColour, unsigned effect,
                                     bool shadow, int shadowDx, int shadowDy, int blurX, int blurY,
                                     COLORREF shadowColour) {
    if (!strip || strip->isNull() || cellWidth < 1 || cellHeight < 1)
        return;
    const int columns = strip->width() / cellWidth;
    const int rows = strip->height() / cellHeight;
    if (columns < 1 || rows < 1 || index < 0 || index >= columns * rows)
        return;
    const QImage cell =
        strip->copy((index % columns) * cellWidth, (index / columns) * cellHeight, cellWidth, cellHeight);
    PaintBitmap(dc, x, y, width, height, &cell, useMask, maskColour, effect, shadow, shadowDx, shadowDy, blurX, blurY,
                shadowColour);
}

// ---- shadow, blend, tile ----

void CPPDrawManager::PaintShadow(QPainter& dc, int x, int y, int width, int height, const QImage& shadowMask,
                                 bool blurred, int blurX, int blurY) {
    if (shadowMask.isNull() || !acceptableArea(width, height))
        return;
    // Only the low byte counts; an opaque copy keeps Qt's scaling from premultiplying it away.
    const QImage opaqueMask = opaqueCopy(shadowMask);
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    // The mask's low byte per pixel, 255 where the mask has none.
    // Scratch buffers of the draw manager, reused from call to call.
    std::vector<std::uint8_t>& mask = m_shadowMask;
    mask.assign(w * h, 255);
    const auto copyMask = [&](const QImage& src, int left, int top) {
        const int rows = std::min(src.height(), height - top);
        const int columns = std::min(src.width(), width - left);
        for (int row = 0; row < rows; ++row) {
            const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(row));
            for (int col = 0; col < columns; ++col)
                mask[static_cast<std::size_t>(row + top) * w + static_cast<std::size_t>(col + left)] =
                    static_cast<std::uint8_t>(line[col] & 0xFF);
        }
    };
    // The weight of each pixel is numerator / denominator.
    std::vector<std::uint32_t>& numerator = m_shadowWeights;
    numerator.resize(w * h);
    std::uint32_t denominator = 255;
    if (blurred) {
        // Odd boxes, no larger than the shadow less one pixel, so the stretched mask keeps an extent.
        const auto oddBox = [](int blur, int extent) {
            if (blur % 2 == 0)
                ++blur;
            if (blur >= extent)
                blur = (extent - 1) % 2 ? extent - 1 : extent - 2;
            return std::max(blur, 1);
        };
        blurX = oddBox(blurX, width);
        blurY = oddBox(blurY, height);
        if (width - blurX > 0 && height - blurY > 0)
            copyMask(stretchBlt(opaqueMask, QSize(width - blurX, height - blurY)), blurX / 2, blurY / 2);
        // Sliding box sums: along each row, then down each column; outside counts 255.
        const int rx = blurX / 2, ry = blurY / 2;
        std::vector<std::uint32_t>& rowSums = m_shadowRowSums;
        rowSums.resize(w * h);
        for (std::size_t row = 0; row < h; ++row) {
            const std::uint8_t* m = &mask[row * w];
            const auto at = [&](long long col) -> std::uint32_t {
                return col < 0 || col >= width ? 255u : m[static_cast<std::size_t>(col)];
            };
            std::uint32_t sum = 0;
            for (int k = -rx; k <= rx; ++k)
                sum += at(k);
            std::uint32_t* out = &rowSums[row * w];
            for (long long col = 0; col < width; ++col) {
                out[col] = sum;
                sum += at(col + rx + 1);
                sum -= at(col - rx);
            }
        }
        const std::uint32_t outsideRow = 255u * static_cast<std::uint32_t>(blurX);
        std::vector<std::uint32_t> sums(w);
        for (std::size_t col = 0; col < w; ++col) {
            std::uint32_t sum = 0;
            for (int k = -ry; k <= ry; ++k)
                sum += k < 0 || k >= height ? outsideRow : rowSums[static_cast<std::size_t>(k) * w + col];
            sums[col] = sum;
        }
        for (long long row = 0; row < height; ++row) {
            const long long enter = row + ry + 1, leave = row - ry;
            const std::uint32_t* in = enter < height ? &rowSums[static_cast<std::size_t>(enter) * w] : nullptr;
            const std::uint32_t* out = leave >= 0 ? &rowSums[static_cast<std::size_t>(leave) * w] : nullptr;
            std::uint32_t* result = &numerator[static_cast<std::size_t>(row) * w];
            for (std::size_t col = 0; col < w; ++col) {
                result[col] = sums[col];
                sums[col] += (in ? in[col] : outsideRow) - (out ? out[col] : outsideRow);
            }
        }
        denominator = 255u * static_cast<std::uint32_t>(blurX) * static_cast<std::uint32_t>(blurY);
    } else {
        copyMask(opaqueMask, 0, 0);
        std::copy(mask.begin(), mask.end(), numerator.begin());
    }

    TargetPixels target(dc);
    if (!target.valid()) {
        // A device whose pixels cannot be read: multiply by the weights.
        QImage weights(width, height, QImage::Format_RGB32);
        for (int row = 0; row < height; ++row) {
            auto* line = reinterpret_cast<QRgb*>(weights.scanLine(row));
            for (int col = 0; col < width; ++col) {
                const auto v = static_cast<int>(
                    255ull * numerator[static_cast<std::size_t>(row) * w + static_cast<std::size_t>(col)] /
                    denominator);
                line[col] = qRgb(v, v, v);
            }
        }
        dc.save();
        dc.setCompositionMode(QPainter::CompositionMode_Multiply);
        dc.drawImage(QPoint(x, y), weights);
        dc.restore();
        return;
    }
    // channel x numerator / denominator, truncated: a quotient that is not whole lies at least
    // 1 / denominator below the next integer, far more than the rounding of the product, so half of
    // that gap added keeps whole quotients whole and the others below.
    const double reciprocal = 1.0 / denominator;
    const double nudge = 0.5 / denominator;
    const QRect area = target.clip(QRect(x, y, width, height));
    std::vector<QRgb> row(static_cast<std::size_t>(std::max(area.width(), 0)));
    for (int ty = area.top(); ty <= area.bottom(); ++ty) {
        target.read(area.left(), ty, area.width(), row.data());
        const std::uint32_t* weight =
            &numerator[static_cast<std::size_t>(ty - y) * w + static_cast<std::size_t>(area.left() - x)];
        for (int k = 0; k < area.width(); ++k) {
            const double f = weight[k] * reciprocal;
            const QRgb p = row[k];
            const auto scale = [&](int shift) {
                return static_cast<QRgb>(static_cast<double>((p >> shift) & 0xFF) * f + nudge) << shift;
            };
            row[k] = (p & 0xFF000000u) | scale(16) | scale(8) | scale(0);
        }
        target.write(area.left(), ty, area.width(), row.data());
    }
}

void CPPDrawManager::BlendBlit(QPainter& dc, int x, int y, int width, int height, const QImage& source, int sourceX,
                               int sourceY, int percent) {
    if (source.isNull() || width < 1 || height < 1)
        return;
    if (percent >= 100) {
        dc.save();
        dc.setCompositionMode(QPainter::CompositionMode_Source);
        dc.drawImage(QPoint(x, y), source, QRect(sourceX, sourceY, width, height));
        dc.restore();
        return;
    }
    TargetPixels target(dc);
    if (!target.valid()) {
        dc.save();
        dc.setOpacity(std::max(percent, 0) / 100.0);
        dc.drawImage(QPoint(x, y), source, QRect(sourceX, sourceY, width, height));
        dc.restore();
        return;
    }
    // Each channel (s x P + t x (100 - P)) / 100: the mix with p = P / 100, truncated, in
    // integers, byte by byte over whole rows; the target keeps its fourth byte.
    const auto P = static_cast<std::uint16_t>(std::max(percent, 0));
    const auto Q = static_cast<std::uint16_t>(100 - P);
    const QImage src = argb32(source);
    const QRect area = target.clip(QRect(x, y, width, height));
    const std::size_t n = static_cast<std::size_t>(std::max(area.width(), 0));
    // Opaque on opaque with the source covering the area: blended in place (both fourth bytes are
    // 0xFF, and so is their mix).
    const int firstColumn = sourceX + (area.left() - x);
    const int firstRow = sourceY + (area.top() - y);
    if (target.format() == QImage::Format_RGB32 && src.format() == QImage::Format_RGB32 && firstColumn >= 0 &&
        firstRow >= 0 && firstColumn + area.width() <= src.width() && firstRow + area.height() <= src.height()) {
        for (int ty = area.top(); ty <= area.bottom(); ++ty) {
            const auto* line =
                reinterpret_cast<const QRgb*>(src.constScanLine(firstRow + ty - area.top())) + firstColumn;
            blendBytes(reinterpret_cast<const std::uint8_t*>(line),
                       reinterpret_cast<std::uint8_t*>(target.line(area.left(), ty)), 4 * n, P, Q);
        }
        return;
    }
    std::vector<QRgb> row(n), saved(n), from(n);
    for (int ty = area.top(); ty <= area.bottom(); ++ty) {
        target.read(area.left(), ty, area.width(), row.data());
        const int sy = sourceY + (ty - y);
        std::fill(from.begin(), from.end(), 0u);
        if (sy >= 0 && sy < src.height()) {
            const int first = sourceX + (area.left() - x);
            const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
            const int begin = std::max(0, -first);
            const int end = std::min(area.width(), src.width() - first);
            if (end > begin)
                std::copy(line + first + begin, line + first + end, from.begin() + begin);
        }
        std::copy(row.begin(), row.end(), saved.begin());
        blendBytes(reinterpret_cast<const std::uint8_t*>(from.data()), reinterpret_cast<std::uint8_t*>(row.data()),
                   4 * n, P, Q);
        for (std::size_t k = 0; k < n; ++k)
            row[k] = (row[k] & 0xFFFFFFu) | (saved[k] & 0xFF000000u);
        target.write(area.left(), ty, area.width(), row.data());
    }
}

void CPPDrawManager::AlphaMapBlit(QPainter& dc, int x, int y, int width, int height, const QImage& source, int sourceX,
                                  int sourceY) {
    if (source.isNull() || width < 1 || height < 1)
        return;
    const QImage src = argb32(source);
    const bool alpha = src.hasAlphaChannel();
    TargetPixels target(dc);
    if (!target.valid()) {
        if (alpha)
            dc.drawImage(QPoint(x, y), src, QRect(sourceX, sourceY, width, height));
        return;
    }
    const QRect area = target.clip(QRect(x, y, width, height));
    std::vector<QRgb> row(static_cast<std::size_t>(std::max(area.width(), 0)));
    for (int ty = area.top(); ty <= area.bottom(); ++ty) {
        target.read(area.left(), ty, area.width(), row.data());
        for (int k = 0; k < area.width(); ++k) {
            const QRgb s = sourcePixel(src, alpha, sourceX + (area.left() + k - x), sourceY + (ty - y));
            const double p = (s >> 24) / 255.0;
            row[k] = (row[k] & 0xFF000000u) | MixPixels(s, p, row[k], 1.0 - p);
        }
        target.write(area.left(), ty, area.width(), row.data());
    }
}

void CPPDrawManager::TileBlit(QPainter& dc, int x, int y, int width, int height, const QImage& source, int sourceX,
                              int sourceY, int tileWidth, int tileHeight) {
    if (source.isNull() || tileWidth < 1 || tileHeight < 1 || width < 1 || height < 1)
        return;
    dc.save();
    dc.setCompositionMode(QPainter::CompositionMode_Source);
    for (long long y0 = y; y0 < static_cast<long long>(y) + height; y0 += tileHeight) {
        const int h = static_cast<int>(std::min<long long>(tileHeight, static_cast<long long>(y) + height - y0));
        for (long long x0 = x; x0 < static_cast<long long>(x) + width; x0 += tileWidth) {
            const int w = static_cast<int>(std::min<long long>(tileWidth, static_cast<long long>(x) + width - x0));
            dc.drawImage(QPoint(static_cast<int>(x0), static_cast<int>(y0)), source, QRect(sourceX, sourceY, w, h));
        }
    }
    dc.restore();
}

// ---- lines and frames ----

namespace {

Qt::PenStyle penStyleOf(int kind) {
    switch (kind) {
    case CPPDrawManager::PEN_DASH:
        return Qt::DashLine;
    case CPPDrawManager::PEN_DOT:
        return Qt::DotLine;
    case CPPDrawManager::PEN_DASHDOT:
        return Qt::DashDotLine;
    case CPPDrawManager::PEN_DASHDOTDOT:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

QPen penOf(COLORREF colour, int kind, int width) {
    QPen pen(toQColor(colour), width, penStyleOf(kind), Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

} // namespace

void CPPDrawManager::PaintLine(QPainter& dc, int x1, int y1, int x2, int y2, COLORREF colour, int penKind,
                               int penWidth) {
    if (penKind == PEN_NULL || penWidth <= 0)
        return;
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(penOf(colour, penKind, penWidth));
    lineTo(dc, {x1, y1}, {x2, y2});
    if (penKind == PEN_DOUBLE) {
        const int gap = 2 * penWidth;
        const QPoint offset = y1 == y2 ? QPoint(0, gap) : x1 == x2 ? QPoint(gap, 0) : QPoint(gap, gap);
        lineTo(dc, QPoint(x1, y1) + offset, QPoint(x2, y2) + offset);
    }
    dc.restore();
}

void CPPDrawManager::PaintFrame(QPainter& dc, int left, int top, int right, int bottom, COLORREF topLeft,
                                COLORREF bottomRight, int penKind, int penWidth) {
    if (penKind == PEN_NULL || penWidth <= 0)
        return;
    const int h = penWidth / 2;
    left += h;
    top += h;
    right -= h;
    bottom -= h;
    const int in = 2 * penWidth;
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(penOf(topLeft, penKind, penWidth));
    {
        const QPoint outer[] = {{left, bottom}, {left, top}, {right, top}};
        polylineTo(dc, outer);
        if (penKind == PEN_DOUBLE) {
            const QPoint inner[] = {{left + in, bottom - in}, {left + in, top + in}, {right - in, top + in}};
            polylineTo(dc, inner);
        }
    }
    if (bottomRight != topLeft)
        dc.setPen(penOf(bottomRight, penKind, penWidth));
    {
        const QPoint outer[] = {{right, top}, {right, bottom}, {left, bottom}};
        polylineTo(dc, outer);
        if (penKind == PEN_DOUBLE) {
            const QPoint inner[] = {{right - in, top + in}, {right - in, bottom - in}, {left + in, bottom - in}};
            polylineTo(dc, inner);
        }
    }
    dc.restore();
}
