#include "portfolio/PortfolioText.h"

#include "platform/TextCodec.h"

#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <limits>
#include <system_error>

namespace {

// The next character of UTF-8 text, or 0xDC00 + the byte at `i` where no well-formed character
// starts.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const char32_t cp = textcodec::decodeUtf8(s, i);
    return cp == textcodec::kInvalidUtf8 ? 0xDC00 + lead : cp;
}

// Lower case by the current locale's character classes.
char32_t foldCase(char32_t cp) {
    if (cp > static_cast<char32_t>(WCHAR_MAX))
        return cp;
    return static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(cp)));
}

} // namespace

std::u32string foldedText(std::string_view s) {
    std::u32string folded;
    folded.reserve(s.size());
    for (std::size_t i = 0; i < s.size();)
        folded.push_back(foldCase(nextCodePoint(s, i)));
    return folded;
}

int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = foldCase(nextCodePoint(a, i));
        const char32_t cb = foldCase(nextCodePoint(b, j));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

namespace {

constexpr std::uint64_t kPowersOf5[] = {1, 5, 25, 125, 625};
constexpr std::uint64_t kPowersOf10[] = {1, 10, 100, 1000, 10000};
constexpr int kFastDecimals = 4;

// `value` times 10^decimals rounded to the nearest integer, ties to even (the exact value of the
// double is rounded, as printf and to_chars do), for values whose scaled form fits in 64 bits.
// Written in integers: value = m * 2^e exactly, so value * 10^d = m * 5^d * 2^(e + d), and
// m * 5^d fits in 64 bits for d <= 4. False where it does not apply (NaN, infinities, values too
// large, or so small that the scaled value lies below 2^-63).
bool scaledToInteger(double value, int decimals, std::uint64_t& scaled) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7FF)
        return false;
    const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    if (mantissa == 0) {
        scaled = 0;
        return true;
    }
    const int exponent = (biased == 0 ? 1 : biased) - 1075 + decimals;
    const std::uint64_t x = mantissa * kPowersOf5[decimals];
    if (exponent >= 0) {
        if (exponent >= 64 || x > (std::numeric_limits<std::uint64_t>::max() >> exponent))
            return false;
        scaled = x << exponent;
        return true;
    }
    const int shift = -exponent;
    if (shift >= 64)
        return false;
    const std::uint64_t quotient = x >> shift;
    const std::uint64_t rest = x & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    scaled = quotient + ((rest > half || (rest == half && (quotient & 1) != 0)) ? 1 : 0);
    return true;
}

} // namespace

char* writeFixed(char* out, double value, int decimals, int width) {
    std::uint64_t scaled = 0;
    if (decimals >= 0 && decimals <= kFastDecimals && scaledToInteger(value, decimals, scaled)) {
        // Digits from the right: the decimals, the point, the whole part, the sign.
        char text[32];
        char* end = text + sizeof text;
        char* p = end;
        std::uint64_t whole = scaled / kPowersOf10[decimals];
        std::uint64_t part = scaled % kPowersOf10[decimals];
        if (decimals > 0) {
            for (int i = 0; i < decimals; ++i) {
                *--p = static_cast<char>('0' + part % 10);
                part /= 10;
            }
            *--p = '.';
        }
        do {
            *--p = static_cast<char>('0' + whole % 10);
            whole /= 10;
        } while (whole > 0);
        if (std::signbit(value))
            *--p = '-';
        const auto length = static_cast<std::size_t>(end - p);
        for (std::size_t pad = length; pad < static_cast<std::size_t>(width); ++pad)
            *out++ = ' ';
        std::memcpy(out, p, length);
        return out + length;
    }
    char buffer[kMaxFixedChars]; // the largest double has 309 digits before the point
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const std::size_t length = result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - buffer) : 0;
    for (std::size_t pad = length; pad < static_cast<std::size_t>(width); ++pad)
        *out++ = ' ';
    std::memcpy(out, buffer, length);
    return out + length;
}

void appendFixed(std::string& out, double value, int decimals, int width) {
    if (width < 0 || static_cast<std::size_t>(width) > kMaxFixedChars) {
        // Wider than the buffer: the padding first, then the number.
        char text[kMaxFixedChars];
        const std::size_t length = static_cast<std::size_t>(writeFixed(text, value, decimals) - text);
        if (length < static_cast<std::size_t>(width))
            out.append(static_cast<std::size_t>(width) - length, ' ');
        out.append(text, length);
        return;
    }
    char text[kMaxFixedChars + kMaxFixedChars];
    out.append(text, static_cast<std::size_t>(writeFixed(text, value, decimals, width) - text));
}

std::string fixedText(double value, int decimals, int width) {
    std::string text;
    appendFixed(text, value, decimals, width);
    return text;
}
