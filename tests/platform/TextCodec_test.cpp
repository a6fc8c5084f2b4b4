#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using namespace textcodec;

TEST(TextCodec, Utf8Validity) {
    struct Case {
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"M\xC3\xBCller \xE2\x82\xAC \xF0\x9D\x84\x9E", true}, // ü, €, U+1D11E
        {"\xEF\xBF\xBF", true},                                // U+FFFF
        {"\xF4\x8F\xBF\xBF", true},                            // U+10FFFF
        {"M\xFCller", false},                                  // Windows-1252 ü
        {"\xC0\x80", false},                                   // overlong NUL
        {"\xE0\x80\xAF", false},                               // overlong '/'
        {"\xED\xA0\x80", false},                               // surrogate
        {"\xF4\x90\x80\x80", false},                           // above U+10FFFF
        {"\xE2\x82", false},                                   // truncated
        {"\x80", false},                                       // lone continuation
        {"\xF5\x80\x80\x80", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << testing::PrintToString(c.text);
}

TEST(TextCodec, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = windows1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToWindows1252(utf8), all);

    EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC"); // €
    EXPECT_EQ(windows1252ToUtf8("\x9F"), "\xC5\xB8");     // Ÿ
    EXPECT_EQ(windows1252ToUtf8("\xE4"), "\xC3\xA4");     // ä
    EXPECT_EQ(windows1252ToUtf8("\x81"), "\xC2\x81");     // undefined: U+0081
    EXPECT_EQ(windows1252ToUtf8("\x93x\x94"), "\xE2\x80\x9Cx\xE2\x80\x9D");
}

TEST(TextCodec, Windows1252EncodingReplacesWhatItLacks) {
    EXPECT_EQ(utf8ToWindows1252("Stra\xC3\x9F"
                                "e \xE2\x82\xAC"),
              "Stra\xDF"
              "e \x80");
    EXPECT_EQ(utf8ToWindows1252("\xE6\x97\xA5\xE6\x9C\xAC!"), "?"
                                                              "?!"); // CJK
    EXPECT_EQ(utf8ToWindows1252("\xF0\x9F\x98\x80"), "?");           // one character, one '?'
    EXPECT_EQ(utf8ToWindows1252("a\xFF"
                                "b"),
              "a?b"); // malformed byte
}

TEST(TextCodec, FileTextKeepsUtf8AndDecodesTheRest) {
    EXPECT_EQ(decodeFileText("M\xC3\xBCller"), "M\xC3\xBCller");
    EXPECT_EQ(decodeFileText("M\xFCller"), "M\xC3\xBCller");
    EXPECT_EQ(decodeFileText(""), "");
}

TEST(TextCodec, Utf16Conversions) {
    const std::string text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"; // A é € U+1D11E
    const std::u16string units = utf8ToUtf16(text);
    EXPECT_EQ(units, (std::u16string{u'A', 0x00E9, 0x20AC, 0xD834, 0xDD1E}));
    EXPECT_EQ(utf16ToUtf8(units), text);

    EXPECT_EQ(utf8ToUtf16leBytes("A\xE2\x82\xAC"), std::string("A\0\xAC\x20", 4));
    EXPECT_EQ(utf16leBytesToUtf8(std::string("A\0\xAC\x20", 4)), "A\xE2\x82\xAC");

    // Unpaired surrogates and malformed UTF-8 become U+FFFD instead of broken text.
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xD834, u'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xDD1E}), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToUtf16("a\xFF"), (std::u16string{u'a', 0xFFFD}));
}

TEST(TextCodec, TruncationKeepsWholeCharacters) {
    struct Case {
        std::string text;
        std::size_t maxBytes;
        std::string expected;
    };
    const std::string euro = "\xE2\x82\xAC";
    const std::string clef = "\xF0\x9D\x84\x9E";
    const Case cases[] = {
        {"abcdef", 3, "abc"},
        {"abc", 10, "abc"},
        {"abc", 0, ""},
        {"a" + euro, 1, "a"},
        {"a" + euro, 2, "a"},
        {"a" + euro, 3, "a"},
        {"a" + euro, 4, "a" + euro},
        {euro + euro, 5, euro},
        {clef + "x", 3, ""},
        {clef + "x", 4, clef},
        {"\xC3\xA9\x80z", 2, "\xC3\xA9"},        // a stray continuation byte after a whole character
        {"\x80\x80\x80\x80\x80", 2, "\x80\x80"}, // not UTF-8: plain byte cut
    };
    for (const auto& c : cases)
        EXPECT_EQ(truncateUtf8(c.text, c.maxBytes), c.expected)
            << testing::PrintToString(c.text) << " to " << c.maxBytes;
}

TEST(TextCodec, CutsToACountOfCharactersAndFormatsAnyLength) {
    const std::string euro = "\xE2\x82\xAC";
    EXPECT_EQ(truncateUtf8Chars("a" + euro + "b", 2), "a" + euro);
    EXPECT_EQ(truncateUtf8Chars("a" + euro + "b", 1), "a");
    EXPECT_EQ(truncateUtf8Chars(euro, 0), "");
    EXPECT_EQ(truncateUtf8Chars("abc", 5), "abc");
    const std::string long_(5000, 'x');
    EXPECT_EQ(formatText("%s|%d|%.2f", long_.c_str(), 42, 1.5), long_ + "|42|1.50");
    EXPECT_EQ(formatText("%s", ""), "");
}

// Header names, URL schemes and anchor texts compare without regard to ASCII case only: the bytes
// of other characters never fold, whatever locale the process runs in.
TEST(TextCodec, AsciiCaseFolding) {
    EXPECT_TRUE(equalsIgnoringAsciiCase("Content-LENGTH", "content-length"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("http", "https"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC3\x84", "\xC3\xA4")); // Ä and ä
    EXPECT_FALSE(equalsIgnoringAsciiCase("@[", "`{"));             // next to the letters
    EXPECT_TRUE(startsWithIgnoringAsciiCase("HTTP/1.1 200 OK", "http/"));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("HTT", "http"));
    std::string text = "Kurs: 1.234,5 EUR \xC3\x84Z";
    toLowerAscii(text);
    EXPECT_EQ(text, "kurs: 1.234,5 eur \xC3\x84z");
    toUpperAscii(text);
    EXPECT_EQ(text, "KURS: 1.234,5 EUR \xC3\x84Z");
}

TEST(TextCodec, DecodesOneCharacterAtATime) {
    struct Case {
        std::string text;
        char32_t expected;
        std::size_t next;
    };
    const Case cases[] = {
        {"a\xC3\xA9", U'a', 1},
        {"\xC3\xA9z", U'\u00E9', 2},
        {"\xF0\x9D\x84\x9E", 0x1D11E, 4},
        {"\xC0\xAF", kInvalidUtf8, 1},         // overlong
        {"\xED\xA0\x80", kInvalidUtf8, 1},     // surrogate
        {"\xE2\x82", kInvalidUtf8, 1},         // cut short
        {"\xF4\x90\x80\x80", kInvalidUtf8, 1}, // above U+10FFFF
        {"\x80", kInvalidUtf8, 1},             // stray continuation byte
    };
    for (const Case& c : cases) {
        std::size_t pos = 0;
        EXPECT_EQ(decodeUtf8(c.text, pos), c.expected) << testing::PrintToString(c.text);
        EXPECT_EQ(pos, c.next) << testing::PrintToString(c.text);
    }
}
