#pragma once
// Byte-level helpers shared by the zip reader and writer: little-endian fields,
// record signatures and DOS date/time conversion.

#include <cstdint>
#include <ctime>

namespace zipformat {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
constexpr uint16_t kExtendedTimestampId = 0x5455; // "UT"

constexpr unsigned kLocalHeaderSize = 30;
constexpr unsigned kCentralHeaderSize = 46;
constexpr unsigned kEndRecordSize = 22;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagMaximum = 0x0002;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kFlagStrongEncryption = 0x0040;

// Windows file attributes carried by the entries.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrFolder = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

inline uint16_t load16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t load32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void store16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void store32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// A DOS date and time (local calendar time, two-second steps) as seconds since
// 1970 UTC, through the local time zone.
inline std::time_t dosToUnixTime(uint16_t date, uint16_t time) {
    std::tm t{};
    t.tm_year = 80 + (date >> 9);
    t.tm_mon = ((date >> 5) & 0x0F) - 1;
    t.tm_mday = date & 0x1F;
    t.tm_hour = time >> 11;
    t.tm_min = (time >> 5) & 0x3F;
    t.tm_sec = (time & 0x1F) * 2;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// The local calendar time of `t` as DOS date and time, clamped to the years 1980 to 2107.
inline void unixToDosTime(std::time_t t, uint16_t& date, uint16_t& time) {
    std::tm lt{};
    if (localtime_r(&t, &lt) == nullptr || lt.tm_year < 80) {
        date = (1 << 5) | 1; // 1 January 1980
        time = 0;
        return;
    }
    if (lt.tm_year > 207) {
        date = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
        time = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
        return;
    }
    date = static_cast<uint16_t>(((lt.tm_year - 80) << 9) | ((lt.tm_mon + 1) << 5) | lt.tm_mday);
    time = static_cast<uint16_t>((lt.tm_hour << 11) | (lt.tm_min << 5) | (lt.tm_sec / 2));
}

} // namespace zipformat
