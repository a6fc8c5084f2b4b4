#include "platform/TextCodec.h"

#include <cstdarg>
#include <cstdio>

#include <array>
#include <cstdint>

namespace textcodec {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Bytes 0x80..0x9F of Windows-1252; the undefined ones map to the control character of the same value.
constexpr std::array<char16_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int windows1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
        if (kWindows1252High[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

} // namespace

char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
    const auto c0 = static_cast<unsigned char>(s[pos]);
    if (c0 < 0x80) {
        ++pos;
        return c0;
    }
    std::size_t len;
    char32_t cp;
    char32_t min;
    if (c0 >= 0xC2 && c0 <= 0xDF) {
        len = 2, cp = c0 & 0x1F, min = 0x80;
    } else if (c0 >= 0xE0 && c0 <= 0xEF) {
        len = 3, cp = c0 & 0x0F, min = 0x800;
    } else if (c0 >= 0xF0 && c0 <= 0xF4) {
        len = 4, cp = c0 & 0x07, min = 0x10000;
    } else {
        ++pos;
        return kInvalidUtf8;
    }
    if (s.size() - pos < len) {
        ++pos;
        return kInvalidUtf8;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(s[pos + i]);
        if (!isContinuation(c)) {
            ++pos;
            return kInvalidUtf8;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kInvalidUtf8;
    }
    pos += len;
    return cp;
}

bool isValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size())
        if (decodeUtf8(text, pos) == kInvalidUtf8)
            return false;
    return true;
}

bool isAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        appendUtf8(out, c >= 0x80 && c < 0xA0 ? kWindows1252High[c - 0x80] : c);
    }
    return out;
}

std::string utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = decodeUtf8(text, pos);
        const int b = cp == kInvalidUtf8 ? -1 : windows1252Byte(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string decodeFileText(std::string_view bytes) {
    return isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = decodeUtf8(text, pos);
        if (cp == kInvalidUtf8)
            cp = kReplacement;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 | (cp >> 10));
            out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

std::string utf16leBytesToUtf8(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return utf16ToUtf8(units);
}

std::string utf8ToUtf16leBytes(std::string_view text) {
    const std::u16string units = utf8ToUtf16(text);
    std::string out;
    out.reserve(units.size() * 2);
    for (const char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (maxBytes >= text.size())
        return text.size();
    // text[maxBytes] starts the first character left out; when it is a continuation byte, the
    // character it belongs to began at most three bytes earlier and is left out entirely.
    std::size_t cut = maxBytes;
    for (int back = 0; back < 3 && cut > 0 && isContinuation(static_cast<unsigned char>(text[cut])); ++back)
        --cut;
    const auto lead = static_cast<unsigned char>(text[cut]);
    if (isContinuation(lead))
        return maxBytes; // not UTF-8 here: a plain byte cut
    const std::size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return cut + len <= maxBytes ? maxBytes : cut; // a stray continuation byte may be cut after
}

std::string truncateUtf8(std::string_view text, std::size_t maxBytes) {
    return std::string(text.substr(0, utf8PrefixLength(text, maxBytes)));
}

std::string truncateUtf8Chars(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isContinuation(static_cast<unsigned char>(text[i])))
            continue;
        if (chars++ == maxChars)
            return std::string(text.substr(0, i));
    }
    return std::string(text);
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed));
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    return text;
}

} // namespace textcodec
