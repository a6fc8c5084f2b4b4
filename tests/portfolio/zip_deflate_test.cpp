// Our deflate compressor, checked against zlib's inflate.

#include "ZipTestUtil.h"
#include "portfolio/Deflate.h"

#include <gtest/gtest.h>

using namespace ziptest;

namespace {

Bytes compress(DeflateCompressor& c, const Bytes& in, size_t* largestPiece = nullptr) {
    Bytes out;
    const bool ok = c.compress(in.data(), in.size(), [&](const uint8_t* d, size_t n) {
        if (largestPiece != nullptr)
            *largestPiece = std::max(*largestPiece, n);
        out.insert(out.end(), d, d + n);
        return true;
    });
    EXPECT_TRUE(ok);
    return out;
}

} // namespace

// Sizes around the match limits (258, 262 lookahead), the 32 KB window and the
// 64 KB stored-block limit, for every kind of input; one compressor for all of
// them, as the writer reuses it for every entry of an archive.
TEST(Deflate, RoundTripsThroughZlibAtBlockAndWindowBoundaries) {
    DeflateCompressor compressor;
    for (Kind kind : {Kind::Text, Kind::Binary, Kind::Zeros, Kind::Random}) {
        for (size_t size : {0, 1, 2, 3, 258, 259, 262, 32767, 32768, 32769, 65535, 65536, 65537, 200000}) {
            SCOPED_TRACE(std::string(kindName(kind)) + " " + std::to_string(size));
            const Bytes in = makeData(kind, size);
            size_t largestPiece = 0;
            const Bytes out = compress(compressor, in, &largestPiece);
            const auto back = inflateRaw(out, in.size());
            ASSERT_TRUE(back);
            EXPECT_TRUE(*back == in);
            EXPECT_LE(largestPiece, DeflateCompressor::kOutputBufferSize);
            if (kind == Kind::Random) { // stored blocks: 5 bytes for each block of at most 32768 symbols
                EXPECT_LE(out.size(), size + 5 * (size / 32768 + 1));
            }
            if (kind == Kind::Zeros) {
                EXPECT_LE(out.size(), size / 500 + 16);
            }
        }
    }
}

// Matches reach back across block ends and the window; long runs of one
// symbol, and the same phrase at distances just inside and outside the
// greatest distance.
TEST(Deflate, RoundTripsTrickyPatterns) {
    Bytes distant = makeData(Kind::Random, 70000, 3);
    std::copy_n(distant.begin(), 300, distant.begin() + 32506 + 0);
    std::copy_n(distant.begin() + 1000, 300, distant.begin() + 1000 + 32507);
    Bytes alternating(100000);
    for (size_t i = 0; i < alternating.size(); ++i)
        alternating[i] = static_cast<uint8_t>((i / 3) % 2 ? 'a' : 'b');
    Bytes growing;
    for (int i = 0; growing.size() < 150000; ++i)
        for (int k = 0; k < i % 300; ++k)
            growing.push_back(static_cast<uint8_t>(k % 7));
    Bytes allBytes;
    for (int r = 0; r < 300; ++r)
        for (int c = 0; c < 256; ++c)
            allBytes.push_back(static_cast<uint8_t>((c * 31 + r) & 0xFF));

    DeflateCompressor compressor;
    for (const Bytes* in : {&distant, &alternating, &growing, &allBytes}) {
        const auto back = inflateRaw(compress(compressor, *in), in->size());
        ASSERT_TRUE(back);
        EXPECT_TRUE(*back == *in);
    }
}

// The settings are those of zlib's level 8: the output stays within 1% of its size.
TEST(Deflate, CompressesAsWellAsZlibLevel8) {
    DeflateCompressor compressor;
    for (Kind kind : {Kind::Text, Kind::Binary}) {
        const Bytes in = makeData(kind, 1 << 20);
        const size_t ours = compress(compressor, in).size();
        const size_t theirs = zlibDeflate(in, 8).size();
        EXPECT_LE(static_cast<double>(ours), theirs * 1.01) << kindName(kind);
    }
}

// A reused compressor carries nothing over from the previous input.
TEST(Deflate, ReusedCompressorGivesTheSameOutputAsAFreshOne) {
    const Bytes first = makeData(Kind::Text, 100000, 1);
    const Bytes second = makeData(Kind::Text, 90000, 2);
    DeflateCompressor reused;
    compress(reused, first);
    DeflateCompressor fresh;
    EXPECT_TRUE(compress(reused, second) == compress(fresh, second));
}

TEST(Deflate, StopsWhenTheSinkRefuses) {
    const Bytes in = makeData(Kind::Random, 100000);
    DeflateCompressor compressor;
    int calls = 0;
    EXPECT_FALSE(compressor.compress(in.data(), in.size(), [&](const uint8_t*, size_t) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
    // and the next stream is complete again
    const auto back = inflateRaw(compress(compressor, in), in.size());
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == in);
}

TEST(Deflate, ClassesTextAndBinaryInput) {
    DeflateCompressor compressor;
    const struct {
        Kind kind;
        bool text;
    } cases[] = {{Kind::Text, true}, {Kind::Binary, false}, {Kind::Random, false}, {Kind::Zeros, false}};
    for (const auto& c : cases) {
        compress(compressor, makeData(c.kind, 50000));
        EXPECT_EQ(compressor.lastInputWasText(), c.text) << kindName(c.kind);
    }
}
