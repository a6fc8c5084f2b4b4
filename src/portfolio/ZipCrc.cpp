#include "portfolio/ZipCrc.h"

#include "portfolio/ZipFormat.h"

#include <array>

namespace {

// Eight tables: table 0 is the classic byte table; table k advances a byte
// that lies k positions further back, so eight bytes are folded per step.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables makeTables() {
    CrcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr CrcTables kTables = makeTables();

} // namespace

uint32_t zipCrc32Step(uint32_t reg, uint8_t byte) {
    return kTables[0][(reg ^ byte) & 0xFF] ^ (reg >> 8);
}

uint32_t zipCrc32(uint32_t crc, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = ~crc;
    while (size >= 8) {
        const uint32_t lo = zipformat::load32(p) ^ c;
        const uint32_t hi = zipformat::load32(p + 4);
        c = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
            kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
            kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
        p += 8;
        size -= 8;
    }
    while (size-- > 0)
        c = kTables[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}
