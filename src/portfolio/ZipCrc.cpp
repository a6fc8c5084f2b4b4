#include "portfolio/ZipCrc.h"

#include <zlib.h>

uint32_t zipCrc32Step(uint32_t reg, uint8_t byte) {
    static const z_crc_t* const table = get_crc_table();
    return static_cast<uint32_t>(table[(reg ^ byte) & 0xFF]) ^ (reg >> 8);
}

uint32_t zipCrc32(uint32_t crc, const void* data, size_t size) {
    if (size == 0) // zlib answers a null buffer with the initial value, whatever `crc` is
        return crc;
    return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), size));
}
