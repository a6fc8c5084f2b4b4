#include "portfolio/PortfolioText.h"

#include "platform/TextCodec.h"

#include <array>
#include <charconv>
#include <climits>
#include <cwctype>
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

void appendFixed(std::string& out, double value, int decimals, int width) {
    std::array<char, 400> buffer{}; // the largest double has 309 digits before the point
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    const std::size_t length = result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - buffer.data()) : 0;
    if (length < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - length, ' ');
    out.append(buffer.data(), length);
}

std::string fixedText(double value, int decimals, int width) {
    std::string text;
    appendFixed(text, value, decimals, width);
    return text;
}
