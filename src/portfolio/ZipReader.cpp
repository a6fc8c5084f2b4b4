#include "portfolio/ZipReader.h"

#include "platform/FileIo.h"
#include "platform/TextCodec.h"
#include "portfolio/ZipCrc.h"
#include "portfolio/ZipCrypto.h"
#include "portfolio/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zipformat;

namespace {

constexpr size_t kPieceSize = 16 * 1024;
constexpr uint32_t kMaxEntrySize = 1u << 30;               // 1 GiB
constexpr uint64_t kMaxDeflateRatio = 1100;                // deflate cannot do better than about 1032:1
constexpr size_t kEndSearchSize = 0xFFFF + kEndRecordSize; // end record plus the longest comment
constexpr size_t kMaxGzipNameLength = 0xFFFF;
constexpr uint32_t kZip64Marker32 = 0xFFFFFFFFu;
constexpr uint16_t kZip64Marker16 = 0xFFFF;

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// Splits on "/" and "\", dropping empty and "." components.
std::vector<std::string_view> components(std::string_view s) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = start;
        while (end < s.size() && !isSeparator(s[end]))
            ++end;
        const std::string_view part = s.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

// The base folder followed by the stored name, made safe: no drive, no leading
// separator, "/" between components, and ".." restarts at the base folder.
std::string composeName(const std::string& base, std::string_view stored) {
    stored = stored.substr(0, stored.find('\0'));
    if (stored.size() >= 2 && std::isalpha(static_cast<unsigned char>(stored[0])) && stored[1] == ':')
        stored.remove_prefix(2);
    std::vector<std::string_view> kept;
    for (const auto part : components(stored)) {
        if (part == "..")
            kept.clear();
        else
            kept.push_back(part);
    }
    std::string name = base;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0)
            name += '/';
        name += kept[i];
    }
    if (!kept.empty() && !stored.empty() && isSeparator(stored.back()))
        name += '/';
    return name;
}

std::string normalisedName(std::string_view name, bool ignoreCase) {
    std::string s(name.substr(0, std::min<size_t>(name.size(), 259)));
    for (char& c : s) {
        if (c == '\\')
            c = '/';
        else if (ignoreCase)
            c = textcodec::toLowerAscii(c);
    }
    return s;
}

// One entry as the central directory (or the gzip header) describes it.
struct Record {
    uint16_t versionMadeBy = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;
    std::string storedName;
    unsigned timeMask = 0; // bit 0 modification, bit 1 access, bit 2 creation time present
    std::time_t times[3] = {0, 0, 0};
    uint64_t dataOffset = 0; // gzip: where the deflate data starts
};

// Reads the extended-timestamp record ("UT") of a central extra field; false
// when the field's records do not fit it exactly.
bool parseExtraField(const uint8_t* p, size_t size, Record& rec) {
    size_t pos = 0;
    while (pos + 4 <= size) {
        const uint16_t id = load16(p + pos);
        const size_t len = load16(p + pos + 2);
        if (pos + 4 + len > size)
            return false;
        if (id == kExtendedTimestampId && len >= 1) {
            const unsigned flags = p[pos + 4];
            size_t at = pos + 5;
            const size_t end = pos + 4 + len;
            // The central copy usually holds the modification time only, whatever
            // the flags say: read only what the record really contains.
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit)))
                    continue;
                if (at + 4 > end)
                    break;
                rec.times[bit] = static_cast<std::time_t>(load32(p + at));
                rec.timeMask |= 1u << bit;
                at += 4;
            }
        }
        pos += 4 + len;
    }
    return pos == size;
}

struct InflateStream {
    z_stream z{};
    bool ready = false;
    ~InflateStream() {
        if (ready)
            inflateEnd(&z);
    }
};

// The state of one entry being extracted.
struct Extraction {
    int index = -1;
    Record rec;
    uint64_t next = 0; // file offset of the next compressed byte
    uint64_t compressedLeft = 0;
    uint32_t uncompressedLeft = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> input;
    InflateStream inflater;
    bool streamEnded = false;
    std::optional<ZipCryptoKeys> keys;
};

} // namespace

namespace ZipReader {

class Archive {
public:
    ~Archive() {
        if (fd >= 0)
            ::close(fd);
    }

    int open(const char* path, const char* pass);
    int record(int index, Record& rec);
    int validate(const Record& rec) const;
    void fill(const Record& rec, int index, ZipEntry& entry) const;
    int extract(int index, uint8_t* buffer, size_t size, size_t& delivered);

    int fd = -1;
    uint64_t fileSize = 0;
    bool gzip = false;
    uint64_t prefix = 0; // bytes in front of the archive
    uint64_t directoryStart = 0;
    uint64_t directoryEnd = 0;
    int count = 0;
    std::string base;
    std::string password;
    Record gzipRecord;
    int cursorIndex = 0; // the central record of entry cursorIndex starts at cursorOffset
    uint64_t cursorOffset = 0;
    std::unique_ptr<Extraction> extraction;

private:
    int openGzip(const char* path, const struct stat& st);
    int readCentralRecord(uint64_t offset, Record& rec, uint64_t& next);
    int startExtraction(int index);
    int readInput(Extraction& x, uint8_t* to, size_t size);
    int refillInput(Extraction& x);
    int inflatePiece(Extraction& x, uint8_t* buffer, size_t want, size_t& produced);
    int finishStream(Extraction& x);
};

int Archive::open(const char* path, const char* pass) {
    password = pass != nullptr ? pass : "";
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ZIP_FILE;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return ZIP_FILE;
    fileSize = static_cast<uint64_t>(st.st_size);
    std::error_code ec;
    base = std::filesystem::current_path(ec).string();
    if (!base.empty() && base.back() != '/')
        base += '/';

    // The end record lies within the last 22 + 65535 bytes (record plus longest comment).
    const size_t searchSize = static_cast<size_t>(std::min<uint64_t>(fileSize, kEndSearchSize));
    std::vector<uint8_t> tail(searchSize);
    const uint64_t tailStart = fileSize - searchSize;
    if (!fileio::readAt(fd, tailStart, tail.data(), searchSize))
        return ZIP_READ;
    std::optional<size_t> found;
    for (size_t i = searchSize >= kEndRecordSize ? searchSize - kEndRecordSize + 1 : 0; i-- > 0;) {
        if (load32(&tail[i]) == kEndRecordSignature && i + kEndRecordSize + load16(&tail[i + 20]) <= searchSize) {
            found = i;
            break;
        }
    }
    if (!found)
        return openGzip(path, st);

    const uint8_t* e = &tail[*found];
    const uint64_t endPos = tailStart + *found;
    const uint16_t disk = load16(e + 4);
    const uint16_t directoryDisk = load16(e + 6);
    const uint16_t entriesHere = load16(e + 8);
    const uint16_t entries = load16(e + 10);
    const uint32_t directorySize = load32(e + 12);
    const uint32_t directoryOffset = load32(e + 16);
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries)
        return ZIP_NOT_SUPPORTED;
    if (entries == kZip64Marker16 || directorySize == kZip64Marker32 || directoryOffset == kZip64Marker32)
        return ZIP_NOT_SUPPORTED;
    if (endPos < static_cast<uint64_t>(directoryOffset) + directorySize)
        return ZIP_DAMAGED;
    if (static_cast<uint64_t>(entries) * kCentralHeaderSize > directorySize)
        return ZIP_DAMAGED;
    // Bytes in front of the archive (a program stub, say) shift every offset.
    prefix = endPos - (static_cast<uint64_t>(directoryOffset) + directorySize);
    directoryStart = prefix + directoryOffset;
    directoryEnd = directoryStart + directorySize;
    count = entries;
    cursorIndex = 0;
    cursorOffset = directoryStart;
    return ZIP_OK;
}

// A gzip file (RFC 1952) read as an archive of one deflated entry.
int Archive::openGzip(const char* path, const struct stat& st) {
    uint8_t fixed[10];
    if (fileSize < sizeof fixed + 8 || !fileio::readAt(fd, 0, fixed, sizeof fixed) || fixed[0] != 0x1F ||
        fixed[1] != 0x8B)
        return ZIP_DAMAGED;
    if (fixed[2] != 8)
        return ZIP_NOT_SUPPORTED;
    const unsigned flags = fixed[3];
    if (flags & 0xE0) // reserved bits
        return ZIP_DAMAGED;
    const uint64_t dataLimit = fileSize - 8; // the trailer: CRC-32 and size
    uint32_t headerCrc = zipCrc32(0, fixed, sizeof fixed);
    uint64_t pos = sizeof fixed;

    // Header bytes come through a small buffer and are added to the header CRC.
    uint8_t buffer[4096];
    uint64_t bufferStart = 0;
    size_t bufferLength = 0;
    auto nextByte = [&](uint8_t& c) -> int {
        if (pos >= dataLimit)
            return ZIP_DAMAGED;
        if (pos < bufferStart || pos >= bufferStart + bufferLength) {
            bufferLength = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, dataLimit - pos));
            if (!fileio::readAt(fd, pos, buffer, bufferLength))
                return ZIP_READ;
            bufferStart = pos;
        }
        c = buffer[pos - bufferStart];
        headerCrc = zipCrc32(headerCrc, &c, 1);
        ++pos;
        return ZIP_OK;
    };
    // Reads `size` bytes into `out` (null: skips them).
    auto take = [&](size_t size, uint8_t* out) -> int {
        for (size_t i = 0; i < size; ++i) {
            uint8_t c;
            if (const int code = nextByte(c); code != ZIP_OK)
                return code;
            if (out != nullptr)
                out[i] = c;
        }
        return ZIP_OK;
    };
    // Reads a zero-terminated field into `text` (null: skips it).
    auto takeString = [&](std::string* text) -> int {
        for (;;) {
            uint8_t c;
            if (const int code = nextByte(c); code != ZIP_OK)
                return code;
            if (c == 0)
                return ZIP_OK;
            if (text != nullptr) {
                if (text->size() >= kMaxGzipNameLength)
                    return ZIP_DAMAGED;
                text->push_back(static_cast<char>(c));
            }
        }
    };

    std::string name;
    int code = ZIP_OK;
    if (flags & 0x04) { // FEXTRA
        uint8_t len[2];
        code = take(2, len);
        if (code == ZIP_OK)
            code = take(load16(len), nullptr);
    }
    if (code == ZIP_OK && (flags & 0x08)) // FNAME
        code = takeString(&name);
    if (code == ZIP_OK && (flags & 0x10)) // FCOMMENT
        code = takeString(nullptr);
    if (code == ZIP_OK && (flags & 0x02)) { // FHCRC: low half of the CRC-32 of the header so far
        const uint16_t expected = static_cast<uint16_t>(headerCrc);
        uint8_t stored[2];
        code = take(2, stored);
        if (code == ZIP_OK && load16(stored) != expected)
            code = ZIP_DAMAGED;
    }
    if (code != ZIP_OK)
        return code;

    uint8_t trailer[8];
    if (!fileio::readAt(fd, dataLimit, trailer, sizeof trailer))
        return ZIP_READ;
    if (dataLimit - pos >= kZip64Marker32)
        return ZIP_NOT_SUPPORTED;
    if (name.empty()) {
        // No stored name: the file's own name without its ".gz".
        name = std::filesystem::path(path).filename().string();
        if (name.size() > 3 && normalisedName(name.substr(name.size() - 3), true) == ".gz")
            name.resize(name.size() - 3);
    }
    Record& r = gzipRecord;
    r.method = kMethodDeflate;
    r.crc = load32(trailer);
    r.uncompressedSize = load32(trailer + 4);
    r.compressedSize = static_cast<uint32_t>(dataLimit - pos);
    r.externalAttributes = kAttrArchive;
    r.storedName = name;
    r.dataOffset = pos;
    // The member's time is seconds since 1970 UTC; 0 means none: take the file's own.
    const uint32_t mtime = load32(fixed + 4);
    const std::time_t t = mtime != 0 ? static_cast<std::time_t>(mtime) : st.st_mtime;
    r.times[0] = r.times[1] = r.times[2] = t;
    r.timeMask = 7;
    unixToDosTime(t, r.dosDate, r.dosTime);
    gzip = true;
    count = 1;
    return ZIP_OK;
}

int Archive::readCentralRecord(uint64_t offset, Record& rec, uint64_t& next) {
    uint8_t h[kCentralHeaderSize];
    if (offset + kCentralHeaderSize > directoryEnd)
        return ZIP_DAMAGED;
    if (!fileio::readAt(fd, offset, h, sizeof h))
        return ZIP_READ;
    if (load32(h) != kCentralHeaderSignature)
        return ZIP_DAMAGED;
    const size_t nameLength = load16(h + 28);
    const size_t extraLength = load16(h + 30);
    const size_t commentLength = load16(h + 32);
    next = offset + kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (next > directoryEnd)
        return ZIP_DAMAGED;
    std::vector<uint8_t> variable(nameLength + extraLength);
    if (!variable.empty() && !fileio::readAt(fd, offset + kCentralHeaderSize, variable.data(), variable.size()))
        return ZIP_READ;
    rec = Record{};
    rec.versionMadeBy = load16(h + 4);
    rec.flags = load16(h + 8);
    rec.method = load16(h + 10);
    rec.dosTime = load16(h + 12);
    rec.dosDate = load16(h + 14);
    rec.crc = load32(h + 16);
    rec.compressedSize = load32(h + 20);
    rec.uncompressedSize = load32(h + 24);
    rec.externalAttributes = load32(h + 38);
    rec.localHeaderOffset = load32(h + 42);
    rec.storedName.assign(reinterpret_cast<const char*>(variable.data()), nameLength);
    if (!parseExtraField(variable.data() + nameLength, extraLength, rec))
        return ZIP_DAMAGED;
    return ZIP_OK;
}

// Reads the central record of entry `index`, walking on from the last one read
// (or from the first when going back).
int Archive::record(int index, Record& rec) {
    if (index < 0 || index >= count)
        return ZIP_NOT_FOUND;
    if (gzip) {
        rec = gzipRecord;
        return ZIP_OK;
    }
    if (index < cursorIndex) {
        cursorIndex = 0;
        cursorOffset = directoryStart;
    }
    for (;;) {
        uint64_t next = 0;
        if (const int code = readCentralRecord(cursorOffset, rec, next); code != ZIP_OK)
            return code;
        if (cursorIndex == index)
            return ZIP_OK;
        ++cursorIndex;
        cursorOffset = next;
    }
}

int Archive::validate(const Record& rec) const {
    if (rec.method != kMethodStored && rec.method != kMethodDeflate)
        return ZIP_NOT_SUPPORTED;
    if (rec.flags & kFlagStrongEncryption)
        return ZIP_NOT_SUPPORTED;
    if (rec.compressedSize == kZip64Marker32 || rec.uncompressedSize == kZip64Marker32 ||
        rec.localHeaderOffset == kZip64Marker32)
        return ZIP_NOT_SUPPORTED;
    const uint32_t overhead = (rec.flags & kFlagEncrypted) ? 12 : 0;
    if (rec.compressedSize < overhead || rec.uncompressedSize > kMaxEntrySize)
        return ZIP_DAMAGED;
    const uint64_t payload = rec.compressedSize - overhead;
    if (rec.method == kMethodStored ? payload != rec.uncompressedSize
                                    : rec.uncompressedSize > payload * kMaxDeflateRatio)
        return ZIP_DAMAGED;
    if (!gzip && prefix + rec.localHeaderOffset + kLocalHeaderSize > directoryStart)
        return ZIP_DAMAGED;
    return ZIP_OK;
}

void Archive::fill(const Record& rec, int index, ZipEntry& entry) const {
    entry.index = index;
    entry.name = composeName(base, rec.storedName);
    const unsigned host = rec.versionMadeBy >> 8;
    if (host == 0 || host == 7 || host == 11 || host == 14) { // MS-DOS, Macintosh, NTFS, VFAT
        entry.attributes = rec.externalAttributes & 0x37;
    } else {
        entry.attributes = kAttrArchive;
        if (rec.externalAttributes & 0x40000000u) // Unix directory type
            entry.attributes |= kAttrFolder;
        if (!(rec.externalAttributes & 0x00800000u)) // owner may not write
            entry.attributes |= kAttrReadOnly;
    }
    const std::time_t dos = dosToUnixTime(rec.dosDate, rec.dosTime);
    entry.modificationTime = (rec.timeMask & 1) ? rec.times[0] : dos;
    entry.accessTime = (rec.timeMask & 2) ? rec.times[1] : dos;
    entry.creationTime = (rec.timeMask & 4) ? rec.times[2] : dos;
    entry.compressedSize = rec.compressedSize;
    entry.uncompressedSize = rec.uncompressedSize;
}

int Archive::readInput(Extraction& x, uint8_t* to, size_t size) {
    if (!fileio::readAt(fd, x.next, to, size))
        return ZIP_READ;
    if (x.keys)
        x.keys->decrypt(to, size);
    x.next += size;
    x.compressedLeft -= size;
    return ZIP_OK;
}

// Gives the inflater the next piece of compressed data once it has used up the last one;
// ZIP_INFLATE when the entry has none left (the stream is shorter than it declares).
int Archive::refillInput(Extraction& x) {
    z_stream& z = x.inflater.z;
    if (z.avail_in != 0)
        return ZIP_OK;
    if (x.compressedLeft == 0)
        return ZIP_INFLATE;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kPieceSize, x.compressedLeft));
    if (const int code = readInput(x, x.input.data(), n); code != ZIP_OK)
        return code;
    z.next_in = x.input.data();
    z.avail_in = static_cast<uInt>(n);
    return ZIP_OK;
}

int Archive::startExtraction(int index) {
    extraction.reset();
    auto x = std::make_unique<Extraction>();
    x->index = index;
    if (const int code = record(index, x->rec); code != ZIP_OK)
        return code;
    if (const int code = validate(x->rec); code != ZIP_OK)
        return code;
    const Record& rec = x->rec;
    uint64_t dataStart = rec.dataOffset;
    uint64_t dataLimit = fileSize - 8;
    if (!gzip) {
        uint8_t h[kLocalHeaderSize];
        const uint64_t at = prefix + rec.localHeaderOffset;
        if (!fileio::readAt(fd, at, h, sizeof h))
            return ZIP_READ;
        if (load32(h) != kLocalHeaderSignature)
            return ZIP_DAMAGED;
        dataStart = at + kLocalHeaderSize + load16(h + 26) + load16(h + 28);
        dataLimit = directoryStart;
    }
    if (dataStart + rec.compressedSize > dataLimit)
        return ZIP_DAMAGED;
    x->next = dataStart;
    x->compressedLeft = rec.compressedSize;
    x->uncompressedLeft = rec.uncompressedSize;

    if (rec.flags & kFlagEncrypted) {
        x->keys.emplace(password);
        uint8_t header[12];
        if (const int code = readInput(*x, header, sizeof header); code != ZIP_OK)
            return code;
        const uint8_t check = (rec.flags & kFlagDataDescriptor) ? static_cast<uint8_t>(rec.dosTime >> 8)
                                                                : static_cast<uint8_t>(rec.crc >> 24);
        if (header[11] != check)
            return ZIP_PASSWORD;
    }
    if (rec.method == kMethodDeflate) {
        x->input.resize(kPieceSize);
        const int rc = inflateInit2(&x->inflater.z, -MAX_WBITS);
        if (rc != Z_OK)
            return rc == Z_MEM_ERROR ? ZIP_MEMORY : ZIP_INFLATE;
        x->inflater.ready = true;
    }
    extraction = std::move(x);
    return ZIP_OK;
}

// Inflates up to `want` bytes into `buffer`, reading compressed data as needed.
int Archive::inflatePiece(Extraction& x, uint8_t* buffer, size_t want, size_t& produced) {
    z_stream& z = x.inflater.z;
    produced = 0;
    while (produced < want) {
        if (const int code = refillInput(x); code != ZIP_OK)
            return code;
        z.next_out = buffer + produced;
        z.avail_out = static_cast<uInt>(want - produced);
        const int rc = inflate(&z, Z_NO_FLUSH);
        produced = want - z.avail_out;
        if (rc == Z_STREAM_END) {
            x.streamEnded = true;
            return produced == want ? ZIP_OK : ZIP_DAMAGED; // shorter than declared
        }
        if (rc == Z_MEM_ERROR)
            return ZIP_MEMORY;
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_in == 0))
            return ZIP_INFLATE;
    }
    return ZIP_OK;
}

// After the declared length: the deflate stream must end here and hold nothing more.
int Archive::finishStream(Extraction& x) {
    z_stream& z = x.inflater.z;
    while (!x.streamEnded) {
        if (const int code = refillInput(x); code != ZIP_OK)
            return code;
        uint8_t extra;
        z.next_out = &extra;
        z.avail_out = 1;
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0)
            return ZIP_DAMAGED; // longer than declared
        if (rc == Z_STREAM_END)
            x.streamEnded = true;
        else if (rc == Z_MEM_ERROR)
            return ZIP_MEMORY;
        else if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_in == 0))
            return ZIP_INFLATE;
    }
    return ZIP_OK;
}

int Archive::extract(int index, uint8_t* buffer, size_t size, size_t& delivered) {
    delivered = 0;
    if (!extraction || extraction->index != index) {
        if (const int code = startExtraction(index); code != ZIP_OK)
            return code;
    }
    Extraction& x = *extraction;
    const size_t want = std::min<size_t>(size, x.uncompressedLeft);
    int code = ZIP_OK;
    if (x.rec.method == kMethodStored) {
        code = readInput(x, buffer, want);
        if (code == ZIP_OK)
            delivered = want;
    } else {
        code = inflatePiece(x, buffer, want, delivered);
    }
    x.crc = zipCrc32(x.crc, buffer, delivered);
    x.uncompressedLeft -= static_cast<uint32_t>(delivered);
    if (code == ZIP_OK && x.uncompressedLeft > 0)
        return ZIP_MORE_DATA;
    if (code == ZIP_OK && x.rec.method == kMethodDeflate) {
        code = finishStream(x);
        // The stream must fill the declared compressed size exactly.
        if (code == ZIP_OK && (x.compressedLeft != 0 || x.inflater.z.avail_in != 0))
            code = ZIP_DAMAGED;
    }
    if (code == ZIP_OK && x.crc != x.rec.crc)
        code = ZIP_DAMAGED;
    extraction.reset();
    return code;
}

void ArchiveDeleter::operator()(Archive* archive) const noexcept {
    std::default_delete<Archive>()(archive);
}

int OpenFile(Handle& handle, const char* path, const char* password) {
    handle.reset();
    if (path == nullptr || *path == '\0')
        return ZIP_ARGUMENT;
    try {
        Handle archive(std::make_unique<Archive>().release());
        if (const int code = archive->open(path, password); code != ZIP_OK)
            return code;
        handle = std::move(archive);
        return ZIP_OK;
    } catch (const std::bad_alloc&) {
        return ZIP_MEMORY;
    }
}

int GetItem(const Handle& handle, ZipEntry* entry) {
    if (!handle || entry == nullptr)
        return ZIP_ARGUMENT;
    Archive& a = *handle;
    try {
        a.extraction.reset();
        if (entry->index == -1) {
            entry->index = a.count;
            return ZIP_OK;
        }
        if (entry->index < -1)
            return ZIP_ARGUMENT;
        Record rec;
        if (const int code = a.record(entry->index, rec); code != ZIP_OK)
            return code;
        a.fill(rec, entry->index, *entry);
        return a.validate(rec);
    } catch (const std::bad_alloc&) {
        return ZIP_MEMORY;
    }
}

int FindItem(const Handle& handle, const char* name, ZipEntry* entry, int flags) {
    if (!handle || name == nullptr || entry == nullptr || std::strlen(name) >= 256)
        return ZIP_ARGUMENT;
    Archive& a = *handle;
    try {
        a.extraction.reset();
        const bool ignoreCase = flags >= 0 && (flags & kIgnoreCase);
        const std::string wanted = normalisedName(name, ignoreCase);
        for (int i = 0; i < a.count; ++i) {
            Record rec;
            if (const int code = a.record(i, rec); code != ZIP_OK)
                return code;
            if (normalisedName(rec.storedName, ignoreCase) == wanted) {
                a.fill(rec, i, *entry);
                return a.validate(rec);
            }
        }
        return ZIP_NOT_FOUND;
    } catch (const std::bad_alloc&) {
        return ZIP_MEMORY;
    }
}

int UnzipItemToBuffer(const Handle& handle, void* buffer, uint32_t size, ZipEntry* entry) {
    if (!handle || entry == nullptr || entry->index < 0 || (buffer == nullptr && size > 0))
        return ZIP_ARGUMENT;
    Archive& a = *handle;
    size_t delivered = 0;
    int code;
    try {
        code = a.extract(entry->index, static_cast<uint8_t*>(buffer), size, delivered);
    } catch (const std::bad_alloc&) {
        a.extraction.reset();
        code = ZIP_MEMORY;
    }
    entry->compressedSize = static_cast<uint32_t>(delivered);
    return code;
}

int UnzipItemToFile(const Handle& handle, const char* target, ZipEntry* entry) {
    if (!handle || target == nullptr || *target == '\0' || entry == nullptr || entry->index < 0)
        return ZIP_ARGUMENT;
    Archive& a = *handle;
    const std::string_view given(target);
    for (const auto part : components(given))
        if (part == "..")
            return ZIP_ARGUMENT; // never write outside the target folder
    try {
        a.extraction.reset();
        Record rec;
        if (const int code = a.record(entry->index, rec); code != ZIP_OK)
            return code;
        if (const int code = a.validate(rec); code != ZIP_OK)
            return code;
        ZipEntry info;
        a.fill(rec, entry->index, info);
        const std::filesystem::path path = given.front() == '/' ? std::string(given) : a.base + std::string(given);
        std::error_code ec;
        if (info.attributes & kAttrFolder) {
            std::filesystem::create_directories(path, ec);
            return std::filesystem::is_directory(path, ec) ? ZIP_OK : ZIP_FILE;
        }
        if (path.has_parent_path()) {
            std::filesystem::create_directories(path.parent_path(), ec);
            if (!std::filesystem::is_directory(path.parent_path(), ec))
                return ZIP_FILE;
        }
        const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (out < 0)
            return ZIP_FILE;
        std::vector<uint8_t> buffer(kPieceSize);
        int code = ZIP_MORE_DATA;
        while (code == ZIP_MORE_DATA) {
            size_t delivered = 0;
            code = a.extract(entry->index, buffer.data(), buffer.size(), delivered);
            if (code != ZIP_OK && code != ZIP_MORE_DATA)
                break;
            if (!fileio::writeAll(out, buffer.data(), delivered))
                code = ZIP_WRITE;
        }
        if (code == ZIP_OK) {
            const struct timespec times[2] = {{info.accessTime, 0}, {info.modificationTime, 0}};
            futimens(out, times);
            struct stat st {};
            if ((info.attributes & kAttrReadOnly) && fstat(out, &st) == 0)
                fchmod(out, st.st_mode & ~static_cast<mode_t>(0222));
        }
        a.extraction.reset();
        if (::close(out) != 0 && code == ZIP_OK)
            code = ZIP_WRITE;
        if (code != ZIP_OK)
            ::unlink(path.c_str()); // nothing half-written stays behind
        return code;
    } catch (const std::bad_alloc&) {
        a.extraction.reset();
        return ZIP_MEMORY;
    }
}

int Close(Handle& handle) {
    if (!handle)
        return ZIP_ARGUMENT;
    handle.reset();
    return ZIP_OK;
}

} // namespace ZipReader
