#pragma once
// Conversions between the program's UTF-8 text and the encodings found in files:
// Windows-1252 (old portfolios, worksheet labels) and UTF-16LE (the archive's wide strings).

#include <cstddef>
#include <string>
#include <string_view>

namespace textcodec {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// What decodeUtf8 gives for a byte that starts no well-formed character.
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Decodes the character at `pos` of `text` (pos < text.size()) and advances past it. A byte that
// starts no well-formed character (overlong, surrogate, above U+10FFFF, cut short) yields
// kInvalidUtf8 and advances by that one byte.
char32_t decodeUtf8(std::string_view text, std::size_t& pos);

// True when every byte is below 0x80.
bool isAscii(std::string_view text);

// Decodes Windows-1252 bytes. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, so nothing is lost.
std::string windows1252ToUtf8(std::string_view bytes);

// Encodes UTF-8 text as Windows-1252; a character the code page lacks, and every byte of a
// malformed sequence, becomes '?'.
std::string utf8ToWindows1252(std::string_view text);

// Text read from a file of unknown encoding: valid UTF-8 is taken as it is, anything else is
// decoded as Windows-1252.
std::string decodeFileText(std::string_view bytes);

// UTF-8 to UTF-16 code units; each byte of a malformed sequence becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

// UTF-16LE bytes to UTF-8 (an odd last byte is dropped), and back.
std::string utf16leBytesToUtf8(std::string_view bytes);
std::string utf8ToUtf16leBytes(std::string_view text);

// The length of the longest prefix of `text` that has at most `maxBytes` bytes and does not end
// inside a UTF-8 character.
std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes);

// `text` cut to at most `maxBytes` bytes on a character boundary.
std::string truncateUtf8(std::string_view text, std::size_t maxBytes);

// `text` cut to at most `maxChars` UTF-8 characters.
std::string truncateUtf8Chars(std::string_view text, std::size_t maxChars);

// ASCII case, the same under every process locale: only 'A' to 'Z' change; every other byte
// (UTF-8 sequences included) stays as it is.
constexpr char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline void toLowerAscii(std::string& text) {
    for (char& c : text)
        c = toLowerAscii(c);
}
constexpr char toUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline void toUpperAscii(std::string& text) {
    for (char& c : text)
        c = toUpperAscii(c);
}
constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toLowerAscii(a[i]) != toLowerAscii(b[i]))
            return false;
    return true;
}
constexpr bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// printf into a string of whatever length the result needs ("" when the format fails).
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace textcodec
