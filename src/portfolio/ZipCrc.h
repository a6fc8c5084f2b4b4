#pragma once
// CRC-32 as the zip and gzip formats use it (reflected polynomial 0xEDB88320), computed by zlib.

#include <cstddef>
#include <cstdint>

// Continues `crc` (0 to start) over `size` bytes and returns the new value.
uint32_t zipCrc32(uint32_t crc, const void* data, size_t size);

// One byte through the bare CRC register, without the pre- and post-inversion
// (the key schedule of the traditional zip encryption).
uint32_t zipCrc32Step(uint32_t reg, uint8_t byte);
