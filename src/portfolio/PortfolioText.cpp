#include "portfolio/PortfolioText.h"

#include <array>
#include <charconv>
#include <climits>
#include <cwctype>
#include <system_error>

namespace {

// The next character of UTF-8 text, or 0xDC00 + the byte at `i` where no well-formed character
// starts.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    }
    bool good = length > 0 && i + static_cast<std::size_t>(length) <= s.size();
    for (int k = 1; good && k < length; ++k) {
        const unsigned char c = byte(i + static_cast<std::size_t>(k));
        good = (c & 0xC0) == 0x80;
        cp = (cp << 6) | (c & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (!good || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xDC00 + lead;
    }
    i += static_cast<std::size_t>(length);
    return cp;
}

// Lower case by the current locale's character classes.
char32_t foldCase(char32_t cp) {
    if (cp > static_cast<char32_t>(WCHAR_MAX))
        return cp;
    return static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(cp)));
}

} // namespace

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

std::string fixedText(double value, int decimals, int width) {
    std::array<char, 400> buffer{}; // the largest double has 309 digits before the point
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ec == std::errc() ? result.ptr : buffer.data());
    if (text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}
