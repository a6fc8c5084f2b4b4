// The draw manager's background fills: gradients and the noise patterns built in an 8-bit bitmap.
#include "controls/PPDrawManager.h"

#include <QPainter>

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

void CPPDrawManager::fillPattern(QPainter& dc, int effect, const RECT& rect, COLORREF colour, COLORREF middle,
                                 COLORREF end, int granularity, int colouring) {
    const int W = rect.width();
    const int H = rect.height();
    // Sizes the patterns divide by: "hardbump" by min(W / 6, 16) and H * H / 4, "metal" by W, H,
    // min(W, H) and 32767 / W. Where one of these is 0 the fill is solid.
    const bool degenerate = (effect == EFFECT_HARDBUMP && (W < 6 || H < 2)) || (effect == EFFECT_METAL && W > 32767) ||
                            (effect == EFFECT_METAL && H > 32767);
    if (degenerate || !m_dib.Create(W, H, 8)) {
        fillRect(dc, rect, colour);
        return;
    }
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
    const auto noise = [&] { return crtRand() / S - g; };
    std::uint8_t* bits = m_dib.GetBits();
    const int line = m_dib.GetLineWidth();
    // Row r counts from the bottom edge, which is the first row of the buffer.
    const auto at = [&](int col, int r) -> std::uint8_t& {
        return bits[static_cast<std::size_t>(r) * static_cast<std::size_t>(line) + static_cast<std::size_t>(col)];
    };
    const auto set = [&](int col, int r, long long value) { at(col, r) = static_cast<std::uint8_t>(value & 0xFF); };
    const auto cube = [](long long t) { return t * t * t / 16384; };

    switch (effect) {
    case EFFECT_NOISE:
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col)
                set(col, r, crtRand() / S - g - 128);
        break;
    case EFFECT_DIAGSHADE: {
        const long long n = (255 - 2 * g) / 2;
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col)
                set(col, r, r * n / H + (W - col) * n / W + g + noise());
        break;
    }
    case EFFECT_HSHADE:
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col)
                set(col, r, static_cast<long long>(r) * (255 - 2 * g) / H + g + noise());
        break;
    case EFFECT_VSHADE:
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col)
                set(col, r, static_cast<long long>(W - col) * (255 - 2 * g) / W + g + noise());
        break;
    case EFFECT_HBUMP:
    case EFFECT_VBUMP:
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col) {
                const long long t = effect == EFFECT_HBUMP ? static_cast<long long>(r) * 255 / H - 127
                                                           : static_cast<long long>(W - col) * 255 / W - 127;
                const long long v = cube(t) * (128 - g);
                set(col, r, v / 128 + 128 + noise());
            }
        break;
    case EFFECT_SOFTBUMP:
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col) {
                const long long tr = static_cast<long long>(r) * 255 / H - 127;
                const long long tc = static_cast<long long>(W - col) * 255 / W - 127;
                long long v = (cube(tr) + cube(tc)) * (128 - g);
                if (v < 0)
                    v += 127;
                long long n = (v >> 7) + 128;
                n = std::max<long long>(n, g);
                set(col, r, (n > 255 - g ? 255 - g : n) + noise());
            }
        break;
    case EFFECT_HARDBUMP: {
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col) {
                const long long t = static_cast<long long>(r) * 255 / H - 127;
                set(col, r, cube(t) * (128 - 2 * g) / 128 + 128 + noise());
            }
        const long long q = static_cast<long long>(H) * H / 4;
        const long long K = std::min(W / 6, 16);
        long long L = -(H / 2);
        for (int r = 0; r < H; ++r, ++L) {
            const long long N = L * (L * K) / q;
            for (int col = 0; col < W; ++col) {
                if (N + col - K < 0)
                    set(col, r, 255 - g - col * 128 / K);
                else if (N + W / 2 - K < col - W / 2)
                    set(col, r, g + (W - col) * 128 / K);
            }
        }
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col)
                set(col, r, at(col, r) + noise());
        break;
    }
    case EFFECT_METAL: {
        m_dib.Clear(0);
        const int minSide = std::min(W, H);
        for (int stroke = 0; stroke < 200; ++stroke) {
            const int x0 = crtRand() / (32767 / W);
            const int y0 = crtRand() / (32767 / H);
            const int length = (crtRand() / (32767 / minSide)) / 2;
            const auto shade = static_cast<std::uint8_t>(crtRand() / 819);
            int m = y0;
            for (int l = 0; l < length; ++l, --m) {
                // y counts from the top here; SetPixelIndex keeps the strokes inside.
                if (x0 - y0 + m > 0 && y0 + l < H)
                    m_dib.SetPixelIndex(x0 - l, y0 + l, shade);
                if (x0 + l < W && m > 0)
                    m_dib.SetPixelIndex(W + l - x0, y0 - l, shade);
            }
        }
        const long long n = (255 - 2 * g - 40) / 2;
        for (int r = 0; r < H; ++r)
            for (int col = 0; col < W; ++col)
                set(col, r, at(col, r) + r * n / H + (W - col) * n / W + crtRand() / S);
        break;
    }
    default:
        break;
    }
    m_dib.Draw(dc, rect.left, rect.top);
}
