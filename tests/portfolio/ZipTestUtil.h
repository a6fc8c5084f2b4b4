#pragma once
// Shared pieces of the zip tests: input data of several kinds, raw inflate and
// CRC by zlib (the independent peer), patching little-endian fields, and
// running the external archivers when they are installed.

#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ziptest {

using Bytes = std::vector<uint8_t>;

enum class Kind { Text, Binary, Zeros, Random };

inline const char* kindName(Kind k) {
    switch (k) {
    case Kind::Text:
        return "text";
    case Kind::Binary:
        return "binary";
    case Kind::Zeros:
        return "zeros";
    case Kind::Random:
        return "random";
    }
    return "?";
}

// `size` bytes of one kind: text is a quotation export with varying numbers,
// binary is a stream of quotation records (dates and prices as doubles).
inline Bytes makeData(Kind kind, size_t size, uint32_t seed = 7) {
    std::mt19937 rng(seed);
    Bytes b;
    b.reserve(size + 128);
    switch (kind) {
    case Kind::Text: {
        auto r = [&](unsigned m) { return static_cast<unsigned>(rng() % m); };
        while (b.size() < size) {
            char line[128];
            const int n =
                std::snprintf(line, sizeof line, "SYM%u; 20%02u-%02u-%02u; 17:30; %u.%04u; %u.%04u; %u\r\n", r(40),
                              r(20), r(12) + 1, r(28) + 1, r(300), r(10000), r(300), r(10000), r(1000000));
            b.insert(b.end(), line, line + n);
        }
        break;
    }
    case Kind::Binary: {
        double price = 100;
        double date = 38000;
        while (b.size() < size) {
            price *= 1 + (static_cast<int>(rng() % 2001) - 1000) / 100000.0;
            date += 1;
            const double fields[] = {date + 0.729166, static_cast<int>(price * 100) / 100.0,
                                     static_cast<double>(rng() % 100000)};
            const uint8_t tag[] = {0x03, 0x80, 0, 0, 0, 0};
            b.insert(b.end(), tag, tag + sizeof tag);
            for (double f : fields) {
                uint8_t raw[8];
                std::memcpy(raw, &f, 8);
                b.insert(b.end(), raw, raw + 8);
            }
        }
        break;
    }
    case Kind::Zeros:
        b.assign(size, 0);
        break;
    case Kind::Random:
        b.resize(size);
        for (auto& c : b)
            c = static_cast<uint8_t>(rng());
        break;
    }
    b.resize(size);
    return b;
}

// Inflates a raw deflate stream with zlib; nothing when zlib reports an error
// or the stream does not end exactly at the end of `in`.
inline std::optional<Bytes> inflateRaw(const Bytes& in, size_t expectedSize) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    Bytes out(expectedSize + 1);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const bool ok = rc == Z_STREAM_END && z.avail_in == 0;
    out.resize(z.total_out);
    inflateEnd(&z);
    if (!ok)
        return std::nullopt;
    return out;
}

inline uint32_t crcOf(const Bytes& b) {
    return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

inline uint16_t get16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline uint32_t get32(const Bytes& b, size_t at) {
    return get16(b, at) | (static_cast<uint32_t>(get16(b, at + 2)) << 16);
}
inline void set16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void set32(Bytes& b, size_t at, uint32_t v) {
    set16(b, at, static_cast<uint16_t>(v));
    set16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

// Offsets of the end record and of the central directory of an archive without comment.
struct Layout {
    size_t end;
    size_t central;
};
inline Layout layoutOf(const Bytes& zip) {
    const size_t end = zip.size() - 22;
    return {end, get32(zip, end + 16)};
}

inline Bytes toBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
inline std::string toString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// An installed tool, preferring the system's own copy over shims in PATH.
inline std::optional<std::string> findTool(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/bin"}) {
        const auto p = std::filesystem::path(dir) / name;
        if (std::filesystem::exists(p))
            return p.string();
    }
    if (const char* path = std::getenv("PATH")) {
        std::string all = path;
        size_t start = 0;
        while (start <= all.size()) {
            const size_t end = std::min(all.find(':', start), all.size());
            const auto p = std::filesystem::path(all.substr(start, end - start)) / name;
            if (end > start && std::filesystem::exists(p))
                return p.string();
            start = end + 1;
        }
    }
    return std::nullopt;
}

// Runs a shell command; returns its exit status (-1 when it did not exit normally).
inline int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace ziptest
