#pragma once
// Small arithmetic and number-reading helpers of the HTML drawer. Markup is untrusted text, so
// every number read from it and every coordinate summed from such numbers stays within
// kHtmlCoordLimit: no sum of two of them can overflow an int.

#include <QStringView>
#include <QtGui/qrgb.h>

#include <algorithm>
#include <cstdint>

namespace htmldrawer {

inline constexpr int kHtmlCoordLimit = 1 << 28;

inline int clampCoord(long long value) {
    if (value < -kHtmlCoordLimit)
        return -kHtmlCoordLimit;
    if (value > kHtmlCoordLimit)
        return kHtmlCoordLimit;
    return static_cast<int>(value);
}

// a * b / c rounded to the nearest integer, halves away from zero (the rounding of the Windows
// MulDiv the style rules were written against); -1 when c is 0.
inline int mulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    long long quotient = product / c;
    const long long remainder = product % c;
    const long long absRemainder = remainder < 0 ? -remainder : remainder;
    const long long absDivisor = c < 0 ? -static_cast<long long>(c) : c;
    if (2 * absRemainder >= absDivisor)
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    return clampCoord(quotient);
}

// A COLORREF number (0x00BBGGRR) as an opaque QRgb.
inline QRgb rgbFromColorRef(std::uint32_t value) {
    return qRgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// The value of a hexadecimal digit, -1 for any other character.
inline int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The integer at the start of the text after blanks, with an optional sign, read up to the first
// character that does not belong to it; 0 when there is none. With autoBase, "0x" starts a
// hexadecimal and a leading "0" an octal number (the rule of strtol with base 0), else it is
// decimal (the rule of atoi). The magnitude saturates at limit.
inline long long readInteger(QStringView text, bool autoBase, long long limit) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (autoBase && i < text.size() && text[i] == u'0') {
        base = 8;
        if (i + 2 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X') && hexDigit(text[i + 2]) >= 0) {
            base = 16;
            i += 2;
        }
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0 || digit >= base)
            break;
        value = std::min(value * base + digit, limit);
    }
    return negative ? -value : value;
}

// The leading decimal number (atoi), within the coordinate limit.
inline int leadingInt(QStringView text) {
    return clampCoord(readInteger(text, false, kHtmlCoordLimit + 1LL));
}

// The text as a number with automatic base (strtol with base 0), within 32 bits.
inline long long autoBaseInt(QStringView text) {
    return readInteger(text, true, 0xFFFFFFFFLL);
}

} // namespace htmldrawer
