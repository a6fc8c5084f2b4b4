#pragma once
// The drawing vocabulary of the controls: colour values in the 0x00BBGGRR layout, the system
// colours and metrics of the desktop, stock fonts, font heights in the logical-font convention,
// MulDiv and the run-time library's random numbers. Everything here runs on the GUI thread.

#include <QFont>
#include <QRgb>

#include <cstdint>

class QPaintDevice;

// A colour as the controls pass it around: red in bits 0-7, green 8-15, blue 16-23.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// Swaps the red and blue bytes and keeps the other two: a COLORREF becomes a pixel in QRgb's
// layout (0xAARRGGBB, the layout of a 32-bit device-independent bitmap) and back.
constexpr std::uint32_t swapRedBlue(std::uint32_t v) {
    return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}
// The opaque QRgb of a colour, and the colour of a QRgb (its alpha dropped).
constexpr QRgb rgbOf(COLORREF c) {
    return swapRedBlue(c & 0xFFFFFFu) | 0xFF000000u;
}
constexpr COLORREF colorRefOf(QRgb rgb) {
    return swapRedBlue(rgb) & 0xFFFFFFu;
}
QColor toQColor(COLORREF c);

// System colour indices.
enum : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
};

// The colour of a system colour index: the window, text, button, shadow, light, menu and tool-tip
// colours come from the application's palette (disabled Text for COLOR_GRAYTEXT), the rest from a
// fixed table of the classic desktop values; an unknown index gives 0.
COLORREF GetSysColor(int index);

// System metrics.
enum : int {
    SM_CXVSCROLL = 2,
    SM_CYHSCROLL = 3,
    SM_CXICON = 11,
    SM_CYICON = 12,
    SM_CYMENU = 15,
    SM_CXSMICON = 49,
    SM_CYSMICON = 50,
};

// Small icons 16, icons 32, scroll bars the style's extent, the menu bar's height from the menu
// font; an unknown index gives 0.
int GetSystemMetrics(int index);

// Stock fonts: the GUI and the ANSI font are the application's font, the system font its bold face.
enum : int {
    ANSI_VAR_FONT = 12,
    SYSTEM_FONT = 13,
    DEFAULT_GUI_FONT = 17,
};
QFont GetStockFont(int which);

// LOGPIXELSY of a device (its logical dots per inch); 96 without a device.
int logPixelsY(const QPaintDevice* device);

// A font of a logical-font height: a positive height is the character cell (the largest pixel
// size whose ascent + descent fits into it), a negative one the em height in pixels, 0 keeps the
// font's own size. The device decides the metrics (null: the screen).
QFont fontWithLogHeight(QFont font, int height, const QPaintDevice* device = nullptr);

// a x b / c with a 64-bit middle, rounded half away from zero; -1 when c is 0 or the result does
// not fit into an int.
int MulDiv(int a, int b, int c);

// The run-time library's pseudo-random numbers, 0 to 32767, in its fixed sequence (the seed is 1
// until srand). One process-wide state, GUI thread only.
int crtRand();
void crtSrand(unsigned seed);
// Moves the sequence on by `count` numbers, as that many crtRand calls would, in O(log count).
void crtRandSkip(std::uint64_t count);
