#include "portfolio/Deflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Alphabets of the format.
constexpr int kLitLenCodes = 286; // 0..255 literals, 256 end of block, 257..285 lengths
constexpr int kDistCodes = 30;
constexpr int kCodeLenCodes = 19;
constexpr int kEndOfBlock = 256;
constexpr int kMaxCodeBits = 15;
constexpr int kMaxCodeLenBits = 7;

// Matching: a 32 KB window, 3-byte hashes in 15 bits, lazy evaluation with the
// limits of compression level 8.
constexpr unsigned kHashBits = 15;
constexpr unsigned kHashSize = 1u << kHashBits;
constexpr unsigned kHashMask = kHashSize - 1;
constexpr unsigned kHashShift = 5;
constexpr unsigned kWindowSize = 32768;
constexpr unsigned kWindowMask = kWindowSize - 1;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kMinLookahead = kMaxMatch + kMinMatch + 1;
constexpr unsigned kMaxDistance = kWindowSize - kMinLookahead;
constexpr unsigned kGoodLength = 32;
constexpr unsigned kMaxLazy = 128;
constexpr unsigned kNiceLength = 258;
constexpr unsigned kMaxChain = 1024;
constexpr unsigned kTooFar = 4096;

constexpr size_t kSymbolBufferSize = 32768;
constexpr size_t kBlockCheckInterval = 4096;

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the code-length code lengths are sent.
constexpr std::array<uint8_t, kCodeLenCodes> kCodeLenOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                              11, 4,  12, 3, 13, 2, 14, 1, 15};

struct CodeTables {
    std::array<uint8_t, 256> lengthCode{};   // match length - 3 -> length code 0..28
    std::array<uint8_t, 256> distCodeNear{}; // distance - 1 below 256 -> distance code
    std::array<uint8_t, 256> distCodeFar{};  // (distance - 1) >> 7 -> distance code, for distances above 256
};

constexpr CodeTables makeCodeTables() {
    CodeTables t{};
    for (int code = 0; code < 29; ++code)
        for (int len = kLengthBase[code]; len < kLengthBase[code] + (1 << kLengthExtra[code]) && len <= 258; ++len)
            t.lengthCode[len - 3] = static_cast<uint8_t>(code);
    t.lengthCode[258 - 3] = 28; // 258 has a code of its own rather than 227 + 31
    for (int code = 0; code < kDistCodes; ++code)
        for (int d = kDistBase[code]; d < kDistBase[code] + (1 << kDistExtra[code]); ++d) {
            if (d - 1 < 256)
                t.distCodeNear[d - 1] = static_cast<uint8_t>(code);
            else
                t.distCodeFar[(d - 1) >> 7] = static_cast<uint8_t>(code);
        }
    return t;
}

constexpr CodeTables kTables = makeCodeTables();

inline unsigned distanceCode(unsigned dist) {
    return dist <= 256 ? kTables.distCodeNear[dist - 1] : kTables.distCodeFar[(dist - 1) >> 7];
}

inline uint16_t reverseBits(unsigned code, int bits) {
    unsigned r = 0;
    for (int i = 0; i < bits; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return static_cast<uint16_t>(r);
}

// Canonical codes (bit-reversed, as they are sent first bit first) for the given lengths.
void assignCodes(const uint8_t* lengths, int n, uint16_t* codes) {
    std::array<unsigned, kMaxCodeBits + 1> count{};
    for (int i = 0; i < n; ++i)
        count[lengths[i]]++;
    count[0] = 0;
    std::array<unsigned, kMaxCodeBits + 1> next{};
    unsigned code = 0;
    for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int i = 0; i < n; ++i)
        codes[i] = lengths[i] ? reverseBits(next[lengths[i]]++, lengths[i]) : 0;
}

// Lengths of an optimal prefix code for `freq`, none longer than `maxBits`.
// Unused symbols get 0. At least two symbols always get a code, so the code is
// complete even when only one symbol occurs.
void buildCodeLengths(const uint32_t* freq, int n, int maxBits, uint8_t* lengths) {
    struct Leaf {
        uint32_t freq;
        uint16_t symbol;
    };
    std::array<Leaf, kLitLenCodes> leaves;
    int m = 0;
    for (int i = 0; i < n; ++i) {
        lengths[i] = 0;
        if (freq[i] != 0)
            leaves[m++] = {freq[i], static_cast<uint16_t>(i)};
    }
    if (m < 2) {
        const int first = m == 1 ? leaves[0].symbol : 0;
        lengths[first] = 1;
        lengths[first == 0 ? 1 : 0] = 1;
        return;
    }
    std::sort(leaves.begin(), leaves.begin() + m,
              [](const Leaf& a, const Leaf& b) { return a.freq != b.freq ? a.freq < b.freq : a.symbol < b.symbol; });

    // Huffman's construction with two queues: the sorted leaves, and the inner
    // nodes, which are made in ascending order of weight.
    std::array<uint32_t, 2 * kLitLenCodes> weight;
    std::array<uint16_t, 2 * kLitLenCodes> parent;
    for (int i = 0; i < m; ++i)
        weight[i] = leaves[i].freq;
    int nextLeaf = 0;
    int nextNode = m;
    int end = m;
    auto takeSmallest = [&] {
        if (nextLeaf < m && (nextNode >= end || weight[nextLeaf] <= weight[nextNode]))
            return nextLeaf++;
        return nextNode++;
    };
    while (end < 2 * m - 1) {
        const int a = takeSmallest();
        const int b = takeSmallest();
        weight[end] = weight[a] + weight[b];
        parent[a] = parent[b] = static_cast<uint16_t>(end);
        ++end;
    }
    std::array<uint16_t, 2 * kLitLenCodes> depth;
    depth[2 * m - 2] = 0;
    for (int i = 2 * m - 3; i >= 0; --i)
        depth[i] = static_cast<uint16_t>(depth[parent[i]] + 1);

    // Count the leaves per length, too deep ones at the limit, then restore
    // Kraft's equality: each step drops one leaf from the deepest level and
    // splits a shallower leaf into two one level deeper.
    std::array<unsigned, kMaxCodeBits + 2> count{};
    for (int i = 0; i < m; ++i)
        count[std::min<int>(depth[i], maxBits)]++;
    uint32_t kraft = 0;
    for (int len = 1; len <= maxBits; ++len)
        kraft += count[len] << (maxBits - len);
    while (kraft > (1u << maxBits) && count[maxBits] > 0) {
        count[maxBits]--;
        for (int len = maxBits - 1; len > 0; --len) {
            if (count[len] != 0) {
                count[len]--;
                count[len + 1] += 2;
                break;
            }
        }
        --kraft;
    }

    // The most frequent symbols get the shortest codes.
    int idx = m - 1;
    for (int len = 1; len <= maxBits; ++len)
        for (unsigned k = 0; k < count[len]; ++k)
            lengths[leaves[idx--].symbol] = static_cast<uint8_t>(len);
}

struct FixedCodes {
    std::array<uint8_t, 288> litLen{};
    std::array<uint16_t, 288> litCode{};
    std::array<uint8_t, kDistCodes> distLen{};
    std::array<uint16_t, kDistCodes> distCode{};
};

FixedCodes makeFixedCodes() {
    FixedCodes f;
    for (int i = 0; i < 288; ++i)
        f.litLen[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    assignCodes(f.litLen.data(), 288, f.litCode.data());
    f.distLen.fill(5);
    assignCodes(f.distLen.data(), kDistCodes, f.distCode.data());
    return f;
}

const FixedCodes& fixedCodes() {
    static const FixedCodes codes = makeFixedCodes();
    return codes;
}

inline uint16_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Number of equal leading bytes of a and b, at most `max`.
inline unsigned commonLength(const uint8_t* a, const uint8_t* b, unsigned max) {
    unsigned len = 0;
    while (len + 8 <= max) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (const uint64_t diff = x ^ y; diff != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return len + static_cast<unsigned>(std::countr_zero(diff)) / 8;
            else
                return len + static_cast<unsigned>(std::countl_zero(diff)) / 8;
        }
        len += 8;
    }
    while (len < max && a[len] == b[len])
        ++len;
    return len;
}

} // namespace

struct DeflateCompressor::State {
    // Hash chains over absolute input positions; position 0 doubles as "none".
    std::vector<uint32_t> head = std::vector<uint32_t>(kHashSize);
    std::vector<uint32_t> prev = std::vector<uint32_t>(kWindowSize);

    // Symbols of the current block: a literal (distance 0) or length - 3 with its distance.
    std::vector<uint8_t> symValue = std::vector<uint8_t>(kSymbolBufferSize);
    std::vector<uint16_t> symDist = std::vector<uint16_t>(kSymbolBufferSize);
    size_t symCount = 0;
    size_t matchCount = 0;
    std::array<uint32_t, kLitLenCodes> litFreq{};
    std::array<uint32_t, kDistCodes> distFreq{};

    // Codes of the block being written.
    std::array<uint8_t, kLitLenCodes> litLen{};
    std::array<uint16_t, kLitLenCodes> litCode{};
    std::array<uint8_t, kDistCodes> distLen{};
    std::array<uint16_t, kDistCodes> distCode{};

    const uint8_t* in = nullptr;
    size_t inSize = 0;
    size_t blockStart = 0;
    bool firstBlock = true;
    bool text = false;

    std::vector<uint8_t> out = std::vector<uint8_t>(kOutputBufferSize);
    size_t outPos = 0;
    uint64_t bitBuf = 0;
    unsigned bitCount = 0;
    const Sink* sink = nullptr;
    bool failed = false;

    void run();

    uint32_t insert(size_t p) {
        const unsigned h = ((static_cast<unsigned>(in[p]) << (2 * kHashShift)) ^
                            (static_cast<unsigned>(in[p + 1]) << kHashShift) ^ in[p + 2]) &
                           kHashMask;
        const uint32_t old = head[h];
        prev[p & kWindowMask] = old;
        head[h] = static_cast<uint32_t>(p);
        return old;
    }

    unsigned longestMatch(size_t pos, uint32_t cand, unsigned prevLength, size_t& matchStart) const;

    void tallyLiteral(uint8_t c) {
        symValue[symCount] = c;
        symDist[symCount] = 0;
        ++symCount;
        litFreq[c]++;
    }
    void tallyMatch(unsigned dist, unsigned len) {
        symValue[symCount] = static_cast<uint8_t>(len - kMinMatch);
        symDist[symCount] = static_cast<uint16_t>(dist);
        ++symCount;
        ++matchCount;
        litFreq[kEndOfBlock + 1 + kTables.lengthCode[len - kMinMatch]]++;
        distFreq[distanceCode(dist)]++;
    }
    bool blockShouldEnd(size_t pos) const;
    void flushBlock(size_t blockEnd, bool final);
    void writeStored(size_t start, size_t length, bool final);
    void writeSymbols(const uint8_t* lLen, const uint16_t* lCode, const uint8_t* dLen, const uint16_t* dCode);

    // Output: bits are gathered first bit first in a 64-bit register and moved
    // to the 16 KB buffer in 32-bit steps; the buffer goes to the sink when full.
    void drain() {
        if (outPos != 0 && !failed && !(*sink)(out.data(), outPos))
            failed = true;
        outPos = 0;
    }
    void ensureRoom(size_t bytes) {
        if (outPos + bytes > out.size())
            drain();
    }
    void putBits(uint32_t value, unsigned bits) {
        bitBuf |= static_cast<uint64_t>(value) << bitCount;
        bitCount += bits;
        if (bitCount >= 32) {
            const auto v = static_cast<uint32_t>(bitBuf);
            out[outPos] = static_cast<uint8_t>(v);
            out[outPos + 1] = static_cast<uint8_t>(v >> 8);
            out[outPos + 2] = static_cast<uint8_t>(v >> 16);
            out[outPos + 3] = static_cast<uint8_t>(v >> 24);
            outPos += 4;
            bitBuf >>= 32;
            bitCount -= 32;
        }
    }
    void alignToByte() {
        ensureRoom(8);
        while (bitCount > 0) {
            out[outPos++] = static_cast<uint8_t>(bitBuf);
            bitBuf >>= 8;
            bitCount = bitCount > 8 ? bitCount - 8 : 0;
        }
        bitBuf = 0;
    }
};

unsigned DeflateCompressor::State::longestMatch(size_t pos, uint32_t cand, unsigned prevLength,
                                                size_t& matchStart) const {
    const size_t avail = inSize - pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<size_t>(kMaxMatch, avail));
    unsigned best = prevLength;
    if (best >= maxLen)
        return best;
    const unsigned nice = std::min(kNiceLength, maxLen);
    unsigned chain = prevLength >= kGoodLength ? kMaxChain >> 2 : kMaxChain;
    const size_t limit = pos > kMaxDistance ? pos - kMaxDistance : 0;
    const uint8_t* scan = in + pos;
    const uint16_t scanStart = load16(scan);
    uint16_t scanEnd = load16(scan + best - 1);
    do {
        const uint8_t* m = in + cand;
        // Only a candidate that agrees at its first bytes and at the byte that
        // would make it longer than the best so far is compared in full.
        if (load16(m + best - 1) != scanEnd || load16(m) != scanStart)
            continue;
        const unsigned len = 2 + commonLength(m + 2, scan + 2, maxLen - 2);
        if (len > best) {
            matchStart = cand;
            best = len;
            if (len >= nice)
                break;
            scanEnd = load16(scan + best - 1);
        }
    } while ((cand = prev[cand & kWindowMask]) > limit && --chain != 0);
    return best;
}

bool DeflateCompressor::State::blockShouldEnd(size_t pos) const {
    if (symCount == kSymbolBufferSize)
        return true;
    if (symCount % kBlockCheckInterval != 0 || matchCount * 2 >= symCount)
        return false;
    // Mostly literals so far: end the block early when it already compresses
    // well, so that the next part of the input gets codes of its own.
    uint64_t bits = static_cast<uint64_t>(symCount) * 8;
    for (int d = 0; d < kDistCodes; ++d)
        bits += static_cast<uint64_t>(distFreq[d]) * (5 + kDistExtra[d]);
    return bits / 8 < (pos - blockStart) / 2;
}

void DeflateCompressor::State::run() {
    std::fill(head.begin(), head.end(), 0u);
    const size_t n = inSize;
    size_t pos = 0;
    unsigned matchLength = kMinMatch - 1;
    size_t matchStart = 0;
    bool pending = false; // a literal at pos - 1 waits for the lazy decision
    while (pos < n) {
        uint32_t hashHead = 0;
        if (n - pos >= kMinMatch)
            hashHead = insert(pos);
        const unsigned prevLength = matchLength;
        const size_t prevMatch = matchStart;
        matchLength = kMinMatch - 1;
        if (hashHead != 0 && prevLength < kMaxLazy && pos - hashHead <= kMaxDistance) {
            matchLength = longestMatch(pos, hashHead, prevLength, matchStart);
            if (matchLength == kMinMatch && pos - matchStart > kTooFar)
                matchLength = kMinMatch - 1;
        }
        if (prevLength >= kMinMatch && matchLength <= prevLength) {
            // The match at pos - 1 is at least as long as the one at pos: take it.
            const size_t end = pos - 1 + prevLength;
            tallyMatch(static_cast<unsigned>(pos - 1 - prevMatch), prevLength);
            const size_t hashEnd = std::min(end, n - kMinMatch + 1); // n >= kMinMatch: a match was found
            for (size_t p = pos + 1; p < hashEnd; ++p)
                insert(p);
            pos = end;
            pending = false;
            matchLength = kMinMatch - 1;
            if (blockShouldEnd(pos))
                flushBlock(pos, false);
        } else if (pending) {
            tallyLiteral(in[pos - 1]);
            if (blockShouldEnd(pos))
                flushBlock(pos, false);
            ++pos;
        } else {
            pending = true;
            ++pos;
        }
        if (failed)
            return;
    }
    if (pending)
        tallyLiteral(in[n - 1]);
    flushBlock(n, true);
    alignToByte();
    drain();
}

void DeflateCompressor::State::writeSymbols(const uint8_t* lLen, const uint16_t* lCode, const uint8_t* dLen,
                                            const uint16_t* dCode) {
    for (size_t i = 0; i < symCount; ++i) {
        ensureRoom(8);
        const unsigned dist = symDist[i];
        const unsigned v = symValue[i];
        if (dist == 0) {
            putBits(lCode[v], lLen[v]);
            continue;
        }
        const unsigned lc = kTables.lengthCode[v];
        putBits(lCode[kEndOfBlock + 1 + lc], lLen[kEndOfBlock + 1 + lc]);
        if (kLengthExtra[lc] != 0)
            putBits(v + kMinMatch - kLengthBase[lc], kLengthExtra[lc]);
        const unsigned dc = distanceCode(dist);
        putBits(dCode[dc], dLen[dc]);
        if (kDistExtra[dc] != 0)
            putBits(dist - kDistBase[dc], kDistExtra[dc]);
    }
    ensureRoom(8);
    putBits(lCode[kEndOfBlock], lLen[kEndOfBlock]);
}

void DeflateCompressor::State::writeStored(size_t start, size_t length, bool final) {
    do {
        const size_t chunk = std::min<size_t>(length, 65535);
        const bool last = final && chunk == length;
        ensureRoom(8);
        putBits(last ? 1 : 0, 3); // stored block type 00
        alignToByte();
        putBits(static_cast<uint32_t>(chunk), 16);
        putBits(static_cast<uint32_t>(~chunk & 0xFFFF), 16);
        for (size_t done = 0; done < chunk;) {
            ensureRoom(1);
            const size_t piece = std::min(chunk - done, out.size() - outPos);
            std::memcpy(out.data() + outPos, in + start + done, piece);
            outPos += piece;
            done += piece;
        }
        start += chunk;
        length -= chunk;
    } while (length > 0);
}

void DeflateCompressor::State::flushBlock(size_t blockEnd, bool final) {
    litFreq[kEndOfBlock] = 1;
    if (firstBlock) {
        uint64_t textual = 0;
        uint64_t binary = 0;
        for (int c = 0; c < 256; ++c)
            (c >= 7 && c <= 127 ? textual : binary) += litFreq[c];
        text = textual / 4 >= binary;
        firstBlock = false;
    }

    buildCodeLengths(litFreq.data(), kLitLenCodes, kMaxCodeBits, litLen.data());
    buildCodeLengths(distFreq.data(), kDistCodes, kMaxCodeBits, distLen.data());

    // The code lengths of both codes as one run-length coded sequence.
    int hlit = kLitLenCodes;
    while (hlit > 257 && litLen[hlit - 1] == 0)
        --hlit;
    int hdist = kDistCodes;
    while (hdist > 1 && distLen[hdist - 1] == 0)
        --hdist;
    std::array<uint8_t, kLitLenCodes + kDistCodes> lens;
    std::copy_n(litLen.begin(), hlit, lens.begin());
    std::copy_n(distLen.begin(), hdist, lens.begin() + hlit);
    const int total = hlit + hdist;
    struct CodeLenSymbol {
        uint8_t symbol;
        uint8_t extra;
    };
    std::array<CodeLenSymbol, kLitLenCodes + kDistCodes> rle;
    int rleCount = 0;
    std::array<uint32_t, kCodeLenCodes> clFreq{};
    auto emit = [&](int symbol, int extra) {
        rle[rleCount++] = {static_cast<uint8_t>(symbol), static_cast<uint8_t>(extra)};
        clFreq[symbol]++;
    };
    for (int i = 0; i < total;) {
        const uint8_t v = lens[i];
        int run = 1;
        while (i + run < total && lens[i + run] == v)
            ++run;
        i += run;
        if (v == 0) {
            while (run >= 11) {
                const int r = std::min(run, 138);
                emit(18, r - 11);
                run -= r;
            }
            if (run >= 3) {
                emit(17, run - 3);
                run = 0;
            }
        } else {
            emit(v, 0);
            --run;
            while (run >= 3) {
                const int r = std::min(run, 6);
                emit(16, r - 3);
                run -= r;
            }
        }
        for (; run > 0; --run)
            emit(v, 0);
    }
    std::array<uint8_t, kCodeLenCodes> clLen;
    std::array<uint16_t, kCodeLenCodes> clCode;
    buildCodeLengths(clFreq.data(), kCodeLenCodes, kMaxCodeLenBits, clLen.data());
    int hclen = kCodeLenCodes;
    while (hclen > 4 && clLen[kCodeLenOrder[hclen - 1]] == 0)
        --hclen;

    // Sizes of the three block forms.
    const FixedCodes& fixed = fixedCodes();
    uint64_t extraBits = 0;
    uint64_t dynamicBits = 3 + 5 + 5 + 4 + 3 * static_cast<uint64_t>(hclen);
    uint64_t fixedBits = 3;
    for (int s = 0; s < kLitLenCodes; ++s) {
        dynamicBits += static_cast<uint64_t>(litFreq[s]) * litLen[s];
        fixedBits += static_cast<uint64_t>(litFreq[s]) * fixed.litLen[s];
    }
    for (int lc = 0; lc < 29; ++lc)
        extraBits += static_cast<uint64_t>(litFreq[kEndOfBlock + 1 + lc]) * kLengthExtra[lc];
    for (int d = 0; d < kDistCodes; ++d) {
        extraBits += static_cast<uint64_t>(distFreq[d]) * kDistExtra[d];
        dynamicBits += static_cast<uint64_t>(distFreq[d]) * distLen[d];
        fixedBits += static_cast<uint64_t>(distFreq[d]) * 5;
    }
    for (int s = 0; s < kCodeLenCodes; ++s)
        dynamicBits += static_cast<uint64_t>(clFreq[s]) * clLen[s];
    dynamicBits += clFreq[16] * 2ull + clFreq[17] * 3ull + clFreq[18] * 7ull + extraBits;
    fixedBits += extraBits;
    const uint64_t dynamicBytes = (dynamicBits + 7) / 8;
    const uint64_t fixedBytes = (fixedBits + 7) / 8;
    const uint64_t storedLength = blockEnd - blockStart;

    if (storedLength + 4 <= std::min(dynamicBytes, fixedBytes)) {
        writeStored(blockStart, storedLength, final);
    } else if (fixedBytes <= dynamicBytes) {
        ensureRoom(8);
        putBits((final ? 1 : 0) | (1 << 1), 3);
        writeSymbols(fixed.litLen.data(), fixed.litCode.data(), fixed.distLen.data(), fixed.distCode.data());
    } else {
        assignCodes(litLen.data(), kLitLenCodes, litCode.data());
        assignCodes(distLen.data(), kDistCodes, distCode.data());
        assignCodes(clLen.data(), kCodeLenCodes, clCode.data());
        ensureRoom(8);
        putBits((final ? 1 : 0) | (2 << 1), 3);
        putBits(static_cast<uint32_t>(hlit - 257), 5);
        putBits(static_cast<uint32_t>(hdist - 1), 5);
        putBits(static_cast<uint32_t>(hclen - 4), 4);
        for (int i = 0; i < hclen; ++i) {
            ensureRoom(8);
            putBits(clLen[kCodeLenOrder[i]], 3);
        }
        for (int i = 0; i < rleCount; ++i) {
            ensureRoom(8);
            const unsigned s = rle[i].symbol;
            putBits(clCode[s], clLen[s]);
            if (s >= 16)
                putBits(rle[i].extra, s == 16 ? 2 : s == 17 ? 3 : 7);
        }
        writeSymbols(litLen.data(), litCode.data(), distLen.data(), distCode.data());
    }

    litFreq.fill(0);
    distFreq.fill(0);
    symCount = 0;
    matchCount = 0;
    blockStart = blockEnd;
}

DeflateCompressor::DeflateCompressor() : m_state(std::make_unique<State>()) {}

DeflateCompressor::~DeflateCompressor() = default;

bool DeflateCompressor::compress(const void* data, size_t size, const Sink& sink) {
    if (size > kMaxInputSize || (data == nullptr && size != 0))
        return false;
    State& s = *m_state;
    s.in = static_cast<const uint8_t*>(data);
    s.inSize = size;
    s.blockStart = 0;
    s.firstBlock = true;
    s.text = false;
    s.symCount = 0;
    s.matchCount = 0;
    s.litFreq.fill(0);
    s.distFreq.fill(0);
    s.outPos = 0;
    s.bitBuf = 0;
    s.bitCount = 0;
    s.sink = &sink;
    s.failed = false;
    s.run();
    s.sink = nullptr;
    s.in = nullptr;
    return !s.failed;
}

bool DeflateCompressor::lastInputWasText() const {
    return m_state->text;
}
