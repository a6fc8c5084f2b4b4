#include "controls/WinGdi.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPalette>
#include <QStyle>

#include <array>
#include <climits>
#include <cstdlib>

QColor toQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

namespace {

// The classic desktop colours, for the indices that have no palette role.
constexpr std::array<COLORREF, 31> kFixedColours = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(51, 153, 255),
    RGB(240, 240, 240),
};

COLORREF fromPalette(QPalette::ColorGroup group, QPalette::ColorRole role) {
    return colorRefOf(QApplication::palette().color(group, role).rgb());
}

unsigned g_randState = 1;

} // namespace

COLORREF GetSysColor(int index) {
    const auto active = QPalette::Active;
    switch (index) {
    case COLOR_WINDOW:
        return fromPalette(active, QPalette::Base);
    case COLOR_WINDOWTEXT:
        return fromPalette(active, QPalette::Text);
    case COLOR_BTNFACE:
        return fromPalette(active, QPalette::Button);
    case COLOR_BTNSHADOW:
        return fromPalette(active, QPalette::Dark);
    case COLOR_BTNHIGHLIGHT:
        return fromPalette(active, QPalette::Light);
    case COLOR_3DDKSHADOW:
        return fromPalette(active, QPalette::Shadow);
    case COLOR_3DLIGHT:
        return fromPalette(active, QPalette::Midlight);
    case COLOR_GRAYTEXT:
        return fromPalette(QPalette::Disabled, QPalette::Text);
    case COLOR_MENU:
        return fromPalette(active, QPalette::Window);
    case COLOR_MENUTEXT:
        return fromPalette(active, QPalette::WindowText);
    case COLOR_INFOBK:
        return fromPalette(active, QPalette::ToolTipBase);
    case COLOR_INFOTEXT:
        return fromPalette(active, QPalette::ToolTipText);
    default:
        break;
    }
    if (index < 0 || index >= static_cast<int>(kFixedColours.size()))
        return 0;
    return kFixedColours[static_cast<std::size_t>(index)];
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 17;
    case SM_CYMENU: {
        // The menu bar's line: the menu font's height plus the frame of its items.
        const QFontMetrics metrics(QApplication::font("QMenuBar"));
        return std::max(19, metrics.height() + 4);
    }
    default:
        return 0;
    }
}

QFont GetStockFont(int which) {
    QFont font = QApplication::font();
    if (which == SYSTEM_FONT)
        font.setWeight(QFont::Bold);
    return font;
}

int logPixelsY(const QPaintDevice* device) {
    return device ? device->logicalDpiY() : 96;
}

QFont fontWithLogHeight(QFont font, int height, const QPaintDevice* device) {
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height > 0) {
        // The cell height: the largest pixel size whose ascent and descent fit.
        int size = height;
        for (; size > 1; --size) {
            font.setPixelSize(size);
            const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
            if (metrics.ascent() + metrics.descent() <= height)
                break;
        }
        font.setPixelSize(size);
    }
    return font;
}

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const unsigned long long num = static_cast<unsigned long long>(product < 0 ? -product : product);
    const unsigned long long den = static_cast<unsigned long long>(c < 0 ? -static_cast<long long>(c) : c);
    const unsigned long long q = (num + den / 2) / den;
    if (q > static_cast<unsigned long long>(INT_MAX) + (negative ? 1 : 0))
        return -1;
    return negative ? static_cast<int>(-static_cast<long long>(q)) : static_cast<int>(q);
}

int crtRand() {
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

void crtRandSkip(std::uint64_t count) {
    // The generator is x -> a x + c (mod 2^32); k steps of it are x -> A x + C, composed from the
    // steps of 1, 2, 4, ... by squaring.
    std::uint32_t a = 214013u, c = 2531011u;
    std::uint32_t stepA = 1u, stepC = 0u;
    for (; count; count >>= 1) {
        if (count & 1) {
            stepA *= a;
            stepC = stepC * a + c;
        }
        c *= a + 1u;
        a *= a;
    }
    g_randState = g_randState * stepA + stepC;
}

void crtSrand(unsigned seed) {
    g_randState = seed;
}
