#pragma once
// Number-reading helpers of the HTML drawer. Markup is untrusted text, so every number read from
// it and every coordinate summed from such numbers stays within kHtmlCoordLimit: no sum of two of
// them can overflow an int. Percentages go through MulDiv (WinGdi.h), clamped the same way.

#include "controls/WinGdi.h"

#include <QStringView>

#include <algorithm>

namespace htmldrawer {

inline constexpr int kHtmlCoordLimit = 1 << 28;

// No screen shows more pixels than this in one direction: the most a spacing, padding, border,
// cell, rule or picture size given by markup can be. Without it a few bytes of markup lay out
// tables millions of pixels high, which take seconds to paint.
inline constexpr int kHtmlMaxLength = 8192;

inline int clampCoord(long long value) {
    if (value < -kHtmlCoordLimit)
        return -kHtmlCoordLimit;
    if (value > kHtmlCoordLimit)
        return kHtmlCoordLimit;
    return static_cast<int>(value);
}

// A length of a box, rule or picture, within what a screen can show.
inline int clampLength(int value) {
    return std::clamp(value, -kHtmlMaxLength, kHtmlMaxLength);
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
