#pragma once
// The sizing and home slot shared by the document's flat open-addressing tables (ItemPlaceIndex,
// ItemPointerSet): a power-of-two array kept at most half full, and Fibonacci hashing of a key
// into it, which spreads keys handed out one after the other over the whole array.

#include <cstddef>
#include <cstdint>

namespace flattable {

// The array size that holds `count` entries at most half full (at least 16).
constexpr std::size_t capacityFor(std::size_t count) {
    std::size_t capacity = 16;
    while (capacity < 2 * count)
        capacity *= 2;
    return capacity;
}

// Whether one more entry beside `size` would fill an array of `capacity` more than half.
constexpr bool mustGrow(std::size_t size, std::size_t capacity) {
    return 2 * (size + 1) > capacity;
}

// 64 minus log2 of `capacity` (a power of two): the shift that maps a hash onto its slots.
constexpr int shiftFor(std::size_t capacity) {
    int shift = 64;
    for (std::size_t c = capacity; c > 1; c /= 2)
        --shift;
    return shift;
}

// The first slot to probe for `key` in an array whose shift is `shift`.
constexpr std::size_t homeSlot(std::uint64_t key, int shift) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
}

} // namespace flattable
