// The draw manager's background fills: gradients and the noise patterns built in an 8-bit bitmap.
#include "controls/PPDrawManager.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cstdint>

void CPPDrawManager::PaintGradient(QPainter& dc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal) {
    if (rect.isEmpty())
        return;
    const long long extent = horizontal ? rect.width() : rect.height();
    const auto channel = [](int s, int e, int i) { return ((64 - i) * s + i * e) >> 6; };
    for (int i = 0; i < 64; ++i) {
        const int from = static_cast<int>(i * extent / 64);
        const int to = static_cast<int>((i + 1) * extent / 64);
        if (to <= from)
            continue;
        const COLORREF colour =
            RGB(channel(GetRValue(start), GetRValue(end), i), channel(GetGValue(start), GetGValue(end), i),
                channel(GetBValue(start), GetBValue(end), i));
        const RECT band = horizontal ? RECT{rect.left + from, rect.top, rect.left + to, rect.bottom}
                                     : RECT{rect.left, rect.top + from, rect.right, rect.top + to};
        fillRect(dc, band, colour);
    }
}

void CPPDrawManager::FillBackground(QPainter& dc, int effect, const RECT& rect, COLORREF colour, COLORREF middle,
                                    COLORREF end, int granularity, int colouring) {
    if (rect.isEmpty())
        return;
    const int midX = rect.left + rect.width() / 2;
    const int midY = rect.top + rect.height() / 2;
    switch (effect) {
    case EFFECT_HGRADIENT:
        PaintGradient(dc, rect, colour, end, true);
        break;
    case EFFECT_VGRADIENT:
        PaintGradient(dc, rect, colour, end, false);
        break;
    case EFFECT_HCGRADIENT:
        PaintGradient(dc, {rect.left, rect.top, midX, rect.bottom}, colour, end, true);
        PaintGradient(dc, {midX, rect.top, rect.right, rect.bottom}, end, colour, true);
        break;
    case EFFECT_VCGRADIENT:
        PaintGradient(dc, {rect.left, rect.top, rect.right, midY}, colour, end, false);
        PaintGradient(dc, {rect.left, midY, rect.right, rect.bottom}, end, colour, false);
        break;
    case EFFECT_3HGRADIENT:
        PaintGradient(dc, {rect.left, rect.top, midX, rect.bottom}, colour, middle, true);
        PaintGradient(dc, {midX, rect.top, rect.right, rect.bottom}, middle, end, true);
        break;
    case EFFECT_3VGRADIENT:
        PaintGradient(dc, {rect.left, rect.top, rect.right, midY}, colour, middle, false);
        PaintGradient(dc, {rect.left, midY, rect.right, rect.bottom}, middle, end, false);
        break;
    case EFFECT_NOISE:
    case EFFECT_DIAGSHADE:
    case EFFECT_HSHADE:
    case EFFECT_VSHADE:
    case EFFECT_HBUMP:
    case EFFECT_VBUMP:
    case EFFECT_SOFTBUMP:
    case EFFECT_HARDBUMP:
    case EFFECT_METAL:
        fillPattern(dc, effect, rect, colour, middle, end, granularity, colouring);
        break;
    default:
        fillRect(dc, rect, colour);
        break;
    }
}

namespace {

// The part of `rect` the painter can change: within its device and its clip, in the painter's
// coordinates. The whole rectangle when the painter maps by more than a translation (or has no
// device), where the device's pixels do not map one to one.
QRect visiblePart(const QPainter& dc, const QRect& rect) {
    const QPaintDevice* device = dc.device();
    const QTransform map = dc.combinedTransform();
    if (!device || map.type() > QTransform::TxTranslate)
        return rect;
    const QPoint offset(qRound(map.dx()), qRound(map.dy()));
    if (map.dx() != offset.x() || map.dy() != offset.y())
        return rect;
    QRect visible = rect & QRect(QPoint(0, 0), QSize(device->width(), device->height())).translated(-offset);
    if (dc.hasClipping())
        visible &= dc.clipBoundingRect().toAlignedRect();
    return visible;
}

// Where a pattern is in the run-time library's sequence: the pattern draws its numbers pixel by
// pixel, rows from the bottom, as if all of it were made; only a window of it is, and the numbers
// of the pixels outside are skipped, so the window's pixels are those of the whole and the
// sequence ends where the whole would leave it.
class PatternSequence {
public:
    int next() {
        ++m_at;
        return crtRand();
    }
    // Moves to the `index`th number of the pattern (never backwards).
    void seek(std::uint64_t index) {
        crtRandSkip(index - m_at);
        m_at = index;
    }

private:
    std::uint64_t m_at = 0;
};

} // namespace

void CPPDrawManager::fillPattern(QPainter& dc, int effect, const RECT& rect, COLORREF colour, COLORREF middle,
                                 COLORREF end, int granularity, int colouring) {
    const int W = rect.width();
    const int H = rect.height();
    // Sizes the patterns divide by: "hardbump" by min(W / 6, 16) and H * H / 4, "metal" by W, H,
    // min(W, H) and 32767 / W. Where one of these is 0 the fill is solid.
    const bool degenerate = (effect == EFFECT_HARDBUMP && (W < 6 || H < 2)) || (effect == EFFECT_METAL && W > 32767) ||
                            (effect == EFFECT_METAL && H > 32767);
    if (degenerate || !CCeXDib::Accepts8Bit(W, H)) {
        fillRect(dc, rect, colour);
        return;
    }
    // Numbers the whole pattern draws: one per pixel; "hardbump" two, "metal" four per stroke
    // before.
    constexpr int kMetalStrokes = 200;
    const auto pixels = static_cast<std::uint64_t>(W) * static_cast<std::uint64_t>(H);
    const std::uint64_t before = effect == EFFECT_METAL ? 4 * kMetalStrokes : 0;
    const std::uint64_t total = before + (effect == EFFECT_HARDBUMP ? 2 * pixels : pixels);
    PatternSequence sequence;

    // The window made: columns c0 .. c1 - 1, rows (from the bottom) r0 .. r1 - 1.
    const QRect whole = rect.toQRect();
    const QRect shown = visiblePart(dc, whole);
    if (shown.isEmpty() || !m_dib.Create(shown.width(), shown.height(), 8)) {
        sequence.seek(total);
        return;
    }
    const int c0 = shown.left() - whole.left();
    const int c1 = c0 + shown.width();
    const int y0 = shown.top() - whole.top();
    const int r0 = H - (y0 + shown.height());
    const int r1 = H - y0;

    // Palette: end colour to middle colour over entries 0 to 128, then on to the start colour.
    const auto blend = [](int a, int wa, int b, int wb) { return static_cast<std::uint8_t>((a * wa + b * wb) / 128); };
    for (int j = 0; j <= 128; ++j)
        m_dib.SetPaletteIndex(j, blend(GetRValue(end), 128 - j, GetRValue(middle), j),
                              blend(GetGValue(end), 128 - j, GetGValue(middle), j),
                              blend(GetBValue(end), 128 - j, GetBValue(middle), j));
    for (int k = 1; k <= 128; ++k)
        m_dib.SetPaletteIndex(127 + k, blend(GetRValue(colour), k, GetRValue(middle), 128 - k),
                              blend(GetGValue(colour), k, GetGValue(middle), 128 - k),
                              blend(GetBValue(colour), k, GetBValue(middle), 128 - k));
    m_dib.BlendPalette(colour, colouring);

    const int g = std::clamp(granularity, 0, 255);
    const int S = g == 0 ? 32767 : 32767 / (2 * g);
    const auto noise = [&] { return sequence.next() / S - g; };
    std::uint8_t* bits = m_dib.GetBits();
    const int line = m_dib.GetLineWidth();
    // Row r counts from the bottom edge of the whole; the window's bottom row is the first row of
    // its buffer.
    const auto at = [&](int col, int r) -> std::uint8_t& {
        return bits[static_cast<std::size_t>(r - r0) * static_cast<std::size_t>(line) +
                    static_cast<std::size_t>(col - c0)];
    };
    const auto set = [&](int col, int r, long long value) { at(col, r) = static_cast<std::uint8_t>(value & 0xFF); };
    const auto cube = [](long long t) { return t * t * t / 16384; };
    // Row r's first shown pixel in a pass that draws one number per pixel from `from` on.
    const auto seekRow = [&](std::uint64_t from, int r) {
        sequence.seek(from + static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(W) +
                      static_cast<std::uint64_t>(c0));
    };

    switch (effect) {
    case EFFECT_NOISE:
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col)
                set(col, r, sequence.next() / S - g - 128);
        }
        break;
    case EFFECT_DIAGSHADE: {
        const long long n = (255 - 2 * g) / 2;
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col)
                set(col, r, r * n / H + (W - col) * n / W + g + noise());
        }
        break;
    }
    case EFFECT_HSHADE:
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col)
                set(col, r, static_cast<long long>(r) * (255 - 2 * g) / H + g + noise());
        }
        break;
    case EFFECT_VSHADE:
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col)
                set(col, r, static_cast<long long>(W - col) * (255 - 2 * g) / W + g + noise());
        }
        break;
    case EFFECT_HBUMP:
    case EFFECT_VBUMP:
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col) {
                const long long t = effect == EFFECT_HBUMP ? static_cast<long long>(r) * 255 / H - 127
                                                           : static_cast<long long>(W - col) * 255 / W - 127;
                const long long v = cube(t) * (128 - g);
                set(col, r, v / 128 + 128 + noise());
            }
        }
        break;
    case EFFECT_SOFTBUMP:
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col) {
                const long long tr = static_cast<long long>(r) * 255 / H - 127;
                const long long tc = static_cast<long long>(W - col) * 255 / W - 127;
                long long v = (cube(tr) + cube(tc)) * (128 - g);
                if (v < 0)
                    v += 127;
                long long n = (v >> 7) + 128;
                n = std::max<long long>(n, g);
                set(col, r, (n > 255 - g ? 255 - g : n) + noise());
            }
        }
        break;
    case EFFECT_HARDBUMP: {
        for (int r = r0; r < r1; ++r) {
            seekRow(0, r);
            for (int col = c0; col < c1; ++col) {
                const long long t = static_cast<long long>(r) * 255 / H - 127;
                set(col, r, cube(t) * (128 - 2 * g) / 128 + 128 + noise());
            }
        }
        const long long q = static_cast<long long>(H) * H / 4;
        const long long K = std::min(W / 6, 16);
        for (int r = r0; r < r1; ++r) {
            const long long L = r - H / 2;
            const long long N = L * (L * K) / q;
            for (int col = c0; col < c1; ++col) {
                if (N + col - K < 0)
                    set(col, r, 255 - g - col * 128 / K);
                else if (N + W / 2 - K < col - W / 2)
                    set(col, r, g + (W - col) * 128 / K);
            }
        }
        for (int r = r0; r < r1; ++r) {
            seekRow(pixels, r);
            for (int col = c0; col < c1; ++col)
                set(col, r, at(col, r) + noise());
        }
        break;
    }
    case EFFECT_METAL: {
        m_dib.Clear(0);
        const int minSide = std::min(W, H);
        // A stroke's pixel (x, y from the top of the whole) lands in the window when it is shown.
        const auto stroke = [&](int x, int y, std::uint8_t shade) {
            if (x >= c0 && x < c1 && y >= 0 && H - 1 - y >= r0 && H - 1 - y < r1)
                at(x, H - 1 - y) = shade;
        };
        for (int k = 0; k < kMetalStrokes; ++k) {
            const int x0 = sequence.next() / (32767 / W);
            const int y0s = sequence.next() / (32767 / H);
            const int length = (sequence.next() / (32767 / minSide)) / 2;
            const auto shade = static_cast<std::uint8_t>(sequence.next() / 819);
            int m = y0s;
            for (int l = 0; l < length; ++l, --m) {
                // y counts from the top here; pixels outside the whole are left out.
                if (x0 - y0s + m > 0 && y0s + l < H)
                    stroke(x0 - l, y0s + l, shade);
                if (x0 + l < W && m > 0)
                    stroke(W + l - x0, y0s - l, shade);
            }
        }
        const long long n = (255 - 2 * g - 40) / 2;
        for (int r = r0; r < r1; ++r) {
            seekRow(before, r);
            for (int col = c0; col < c1; ++col)
                set(col, r, at(col, r) + r * n / H + (W - col) * n / W + sequence.next() / S);
        }
        break;
    }
    default:
        break;
    }
    sequence.seek(total);
    m_dib.Draw(dc, shown.left(), shown.top());
}
