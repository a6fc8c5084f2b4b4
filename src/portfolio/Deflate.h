#pragma once
// Raw deflate compressor (RFC 1951): hash chains over 3-byte strings with lazy
// matching at the settings of compression level 8, and per block the shortest of
// stored, fixed-code and dynamic-code output. One compressor is made per archive
// and reused for each of its entries.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class DeflateCompressor {
public:
    // Receives the compressed stream in pieces of at most kOutputBufferSize bytes;
    // returns false to stop the compression.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;

    static constexpr size_t kOutputBufferSize = 16 * 1024;
    // Inputs must be smaller than 4 GiB (positions are kept in 32 bits).
    static constexpr size_t kMaxInputSize = 0xFFFFFFFFu;

    DeflateCompressor();
    ~DeflateCompressor();
    DeflateCompressor(const DeflateCompressor&) = delete;
    DeflateCompressor& operator=(const DeflateCompressor&) = delete;

    // Compresses `size` bytes into one complete raw deflate stream: the last
    // block is marked final and the stream is padded to a byte boundary.
    // Returns false when the sink refused a piece or the input is too large.
    bool compress(const void* data, size_t size, const Sink& sink);

    // Whether the last input was classed as text: among the literals of its
    // first block, bytes 7 to 127 outnumber the others at least four to one.
    bool lastInputWasText() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
