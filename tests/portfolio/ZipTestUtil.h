#pragma once
// Shared pieces of the zip tests: input data of several kinds, zlib's raw
// inflate and deflate (the peer of our compressor) and CRC-32, patching
// little-endian fields, and running the external archivers when they are
// installed.

#include "portfolio/ZipReader.h"
#include "portfolio/ZipWriter.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
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

// zlib's raw deflate at `level` (the peer of ours).
inline Bytes zlibDeflate(const Bytes& in, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, in.size()));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
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

// A gzip member (RFC 1952) with the optional header fields that `flags` selects:
// 4 extra field, 8 name, 16 comment, 2 header CRC.
inline Bytes gzipMember(const Bytes& data, uint8_t flags, uint32_t mtime, const std::string& name = "",
                        const std::string& comment = "", const Bytes& extra = {}) {
    Bytes g = {0x1F, 0x8B, 8, flags, 0, 0, 0, 0, 0, 3};
    set32(g, 4, mtime);
    if (flags & 4) {
        g.push_back(static_cast<uint8_t>(extra.size()));
        g.push_back(static_cast<uint8_t>(extra.size() >> 8));
        g.insert(g.end(), extra.begin(), extra.end());
    }
    if (flags & 8) {
        g.insert(g.end(), name.begin(), name.end());
        g.push_back(0);
    }
    if (flags & 16) {
        g.insert(g.end(), comment.begin(), comment.end());
        g.push_back(0);
    }
    if (flags & 2) {
        const uint32_t crc = crcOf(g);
        g.push_back(static_cast<uint8_t>(crc));
        g.push_back(static_cast<uint8_t>(crc >> 8));
    }
    const Bytes body = zlibDeflate(data, 6);
    g.insert(g.end(), body.begin(), body.end());
    const size_t at = g.size();
    g.resize(at + 8);
    set32(g, at, crcOf(data));
    set32(g, at + 4, static_cast<uint32_t>(data.size()));
    return g;
}

using Entries = std::vector<std::pair<std::string, Bytes>>;

// Writes the entries with our writer into `path`; returns the archive's bytes.
inline Bytes writeZip(const std::filesystem::path& path, const Entries& entries, const char* password = nullptr) {
    ZipWriter::Handle h;
    EXPECT_EQ(ZipWriter::CreateFile(h, path.c_str(), password), ZIP_OK);
    for (const auto& [name, data] : entries)
        EXPECT_EQ(ZipWriter::AddBuffer(h, name.c_str(), data.data(), static_cast<unsigned>(data.size())), ZIP_OK);
    EXPECT_EQ(ZipWriter::Close(h), ZIP_OK);
    return toBytes(testsupport::readFile(path));
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    testsupport::writeFile(path, toString(bytes));
}

// Extracts entry `index` whole, in one buffer of its declared size.
inline int readEntry(const ZipReader::Handle& h, int index, Bytes& out) {
    ZipEntry e;
    e.index = index;
    if (const int code = ZipReader::GetItem(h, &e); code != ZIP_OK)
        return code;
    out.assign(e.uncompressedSize, 0);
    return ZipReader::UnzipItemToBuffer(h, out.data(), e.uncompressedSize, &e);
}

// Opens `path` and reads every entry; the first failure's code, or ZIP_OK with
// the contents in `contents`.
inline int readArchive(const std::filesystem::path& path, std::vector<Bytes>* contents = nullptr) {
    ZipReader::Handle h;
    if (const int code = ZipReader::OpenFile(h, path.c_str(), nullptr); code != ZIP_OK)
        return code;
    ZipEntry count;
    count.index = -1;
    if (const int code = ZipReader::GetItem(h, &count); code != ZIP_OK)
        return code;
    for (int i = 0; i < count.index; ++i) {
        Bytes data;
        if (const int code = readEntry(h, i, data); code != ZIP_OK)
            return code;
        if (contents != nullptr)
            contents->push_back(std::move(data));
    }
    return ZipReader::Close(h);
}

// Makes `folder` the current folder for the guard's lifetime.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::filesystem::path& folder) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder() { std::filesystem::current_path(m_old); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path m_old;
};

} // namespace ziptest
