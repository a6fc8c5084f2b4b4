#include "portfolio/ZipWriter.h"

#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "platform/TextCodec.h"
#include "portfolio/Deflate.h"
#include "portfolio/ZipCrc.h"
#include "portfolio/ZipCrypto.h"
#include "portfolio/ZipFormat.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zipformat;

namespace {

constexpr uint16_t kVersionMadeBy = 0x0B17; // version 2.3, host NTFS
constexpr uint16_t kVersionNeeded = 20;
constexpr uint16_t kLocalExtraSize = 17;  // "UT", 13, flags, three times
constexpr uint16_t kCentralExtraSize = 9; // "UT", 5, flags, modification time
constexpr uint32_t kExternalAttrFromMemory = 0x80000000u;
constexpr size_t kMaxNameLength = 259;
constexpr uint64_t kMax32 = 0xFFFFFFFFu; // reserved by zip64: never written as a size or offset

struct Entry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t unixTime = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = kExternalAttrFromMemory;
    uint32_t localHeaderOffset = 0;
};

bool hasStoredExtension(const std::string& name) {
    static const char* const kCompressed[] = {".z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot);
    textcodec::toLowerAscii(ext);
    return std::find_if(std::begin(kCompressed), std::end(kCompressed), [&](const char* e) { return ext == e; }) !=
           std::end(kCompressed);
}

// The fields the local header (from its offset 4) and the central record (from its offset 6)
// share: version needed, flags, method, DOS time and date, CRC-32, sizes, name and extra
// lengths; then, at `name`, the name and the extended-timestamp extra field, which repeats the
// entry's time as often as `extraLength` leaves room for (three times locally, once centrally).
void storeEntry(uint8_t* fields, uint8_t* name, const Entry& e, uint16_t extraLength) {
    store16(fields, kVersionNeeded);
    store16(fields + 2, e.flags);
    store16(fields + 4, e.method);
    store16(fields + 6, e.dosTime);
    store16(fields + 8, e.dosDate);
    store32(fields + 10, e.crc);
    store32(fields + 14, e.compressedSize);
    store32(fields + 18, e.uncompressedSize);
    store16(fields + 22, static_cast<uint16_t>(e.name.size()));
    store16(fields + 24, extraLength);
    std::memcpy(name, e.name.data(), e.name.size());
    uint8_t* x = name + e.name.size();
    store16(x, kExtendedTimestampId);
    store16(x + 2, static_cast<uint16_t>(extraLength - 4));
    x[4] = 7; // modification, access and creation time
    for (unsigned at = 5; at + 4 <= extraLength; at += 4)
        store32(x + at, e.unixTime);
}

} // namespace

namespace ZipWriter {

class Archive {
public:
    int fd = -1;
    bool ownsFd = true;  // false: the caller's descriptor, left open
    uint64_t offset = 0; // bytes written so far
    int error = ZIP_OK;
    int systemError = 0; // the error number of the failed system call that set `error`
    std::optional<std::string> password;
    std::vector<Entry> entries;
    std::unique_ptr<DeflateCompressor> compressor;
    std::vector<uint8_t> scratch; // encryption of stored data

    ~Archive() {
        if (fd >= 0 && ownsFd)
            ::close(fd);
    }

    // Writes at the current end; the first failure sets the error.
    bool write(const void* data, size_t size) {
        if (error != ZIP_OK || !writeAt(offset, data, size))
            return false;
        offset += size;
        return true;
    }

    bool writeAt(uint64_t at, const void* data, size_t size) {
        errno = 0;
        if (fileio::writeAt(fd, at, data, size))
            return true;
        error = ZIP_WRITE;
        systemError = errno;
        return false;
    }

    static std::vector<uint8_t> localHeader(const Entry& e) {
        std::vector<uint8_t> h(kLocalHeaderSize + e.name.size() + kLocalExtraSize);
        store32(h.data(), kLocalHeaderSignature);
        storeEntry(h.data() + 4, h.data() + kLocalHeaderSize, e, kLocalExtraSize);
        return h;
    }

    int addBuffer(const char* rawName, const void* data, unsigned length);
    int writeDirectory();
};

int Archive::addBuffer(const char* rawName, const void* data, unsigned length) {
    if (rawName == nullptr || *rawName == '\0' || data == nullptr || length == 0)
        return ZIP_ARGUMENT;
    if (error != ZIP_OK)
        return error;
    Entry e;
    e.name = rawName;
    if (e.name.size() > kMaxNameLength || length >= kMax32)
        return ZIP_ARGUMENT;
    std::replace(e.name.begin(), e.name.end(), '\\', '/');

    const auto now = std::chrono::system_clock::to_time_t(currentClock().now());
    unixToDosTime(now, e.dosDate, e.dosTime);
    e.unixTime = static_cast<uint32_t>(now);
    e.method = hasStoredExtension(e.name) ? kMethodStored : kMethodDeflate;
    e.flags = kFlagDataDescriptor | (password ? kFlagEncrypted : 0);
    if (e.method == kMethodDeflate)
        e.flags |= kFlagMaximum;
    e.uncompressedSize = length;
    e.compressedSize = e.method == kMethodStored ? length + (password ? 12 : 0) : 0;
    e.crc = zipCrc32(0, data, length);
    if (offset >= kMax32)
        return error = ZIP_ARGUMENT;
    e.localHeaderOffset = static_cast<uint32_t>(offset);

    if (const auto header = localHeader(e); !write(header.data(), header.size()))
        return error;
    const uint64_t dataStart = offset;

    std::optional<ZipCryptoKeys> keys;
    if (password) {
        keys.emplace(*password);
        uint8_t header[12];
        std::random_device random;
        for (int i = 0; i < 11; ++i)
            header[i] = static_cast<uint8_t>(random());
        header[11] = static_cast<uint8_t>(e.dosTime >> 8); // check byte (sizes follow in the descriptor)
        keys->encrypt(header, sizeof header);
        if (!write(header, sizeof header))
            return error;
    }

    if (e.method == kMethodStored) {
        if (!keys) {
            if (!write(data, length))
                return error;
        } else {
            scratch.resize(16 * 1024);
            const auto* p = static_cast<const uint8_t*>(data);
            for (size_t done = 0; done < length;) {
                const size_t piece = std::min<size_t>(scratch.size(), length - done);
                std::memcpy(scratch.data(), p + done, piece);
                keys->encrypt(scratch.data(), piece);
                if (!write(scratch.data(), piece))
                    return error;
                done += piece;
            }
        }
    } else {
        if (!compressor)
            compressor = std::make_unique<DeflateCompressor>();
        const bool ok = compressor->compress(data, length, [&](const uint8_t* out, size_t size) {
            if (!keys)
                return write(out, size);
            scratch.assign(out, out + size);
            keys->encrypt(scratch.data(), size);
            return write(scratch.data(), size);
        });
        if (!ok)
            return error != ZIP_OK ? error : (error = ZIP_WRITE);
        if (compressor->lastInputWasText())
            e.internalAttributes = 1;
    }
    const uint64_t compressed = offset - dataStart;
    if (compressed >= kMax32 || offset >= kMax32)
        return error = ZIP_ARGUMENT; // would need zip64
    e.compressedSize = static_cast<uint32_t>(compressed);

    if (!keys) {
        // The file can seek: put the final CRC and sizes into the local header.
        e.flags &= static_cast<uint16_t>(~kFlagDataDescriptor);
        const auto header = localHeader(e);
        if (!writeAt(e.localHeaderOffset, header.data(), header.size()))
            return error;
    } else {
        uint8_t d[16];
        store32(d, kDataDescriptorSignature);
        store32(d + 4, e.crc);
        store32(d + 8, e.compressedSize);
        store32(d + 12, e.uncompressedSize);
        if (!write(d, sizeof d))
            return error;
    }
    entries.push_back(std::move(e));
    return ZIP_OK;
}

int Archive::writeDirectory() {
    if (entries.size() > 0xFFFF || offset >= kMax32)
        return error = ZIP_ARGUMENT;
    const uint64_t directoryOffset = offset;
    std::vector<uint8_t> dir;
    for (const Entry& e : entries) {
        const size_t at = dir.size();
        dir.resize(at + kCentralHeaderSize + e.name.size() + kCentralExtraSize);
        uint8_t* p = dir.data() + at;
        store32(p, kCentralHeaderSignature);
        store16(p + 4, kVersionMadeBy);
        storeEntry(p + 6, p + kCentralHeaderSize, e, kCentralExtraSize);
        store16(p + 32, 0); // comment length
        store16(p + 34, 0); // disk
        store16(p + 36, e.internalAttributes);
        store32(p + 38, e.externalAttributes);
        store32(p + 42, e.localHeaderOffset);
    }
    if (directoryOffset + dir.size() >= kMax32)
        return error = ZIP_ARGUMENT;
    uint8_t end[kEndRecordSize];
    store32(end, kEndRecordSignature);
    store16(end + 4, 0);
    store16(end + 6, 0);
    store16(end + 8, static_cast<uint16_t>(entries.size()));
    store16(end + 10, static_cast<uint16_t>(entries.size()));
    store32(end + 12, static_cast<uint32_t>(dir.size()));
    store32(end + 16, static_cast<uint32_t>(directoryOffset));
    store16(end + 20, 0);
    if (write(dir.data(), dir.size()))
        write(end, sizeof end);
    return error;
}

void ArchiveDeleter::operator()(Archive* archive) const noexcept {
    std::default_delete<Archive>()(archive);
}

namespace {

// A handle for the descriptor `open()` gives; ZIP_FILE when that is negative.
template <class Open> int createOn(Handle& handle, const char* password, bool ownsFd, Open open) {
    try {
        Handle archive(std::make_unique<Archive>().release());
        if (password != nullptr && *password != '\0')
            archive->password = std::string(password);
        archive->fd = open();
        archive->ownsFd = ownsFd;
        if (archive->fd < 0)
            return ZIP_FILE;
        handle = std::move(archive);
        return ZIP_OK;
    } catch (const std::bad_alloc&) {
        return ZIP_MEMORY;
    }
}

} // namespace

int CreateFile(Handle& handle, const char* path, const char* password) {
    handle.reset();
    if (path == nullptr || *path == '\0')
        return ZIP_ARGUMENT;
    return createOn(handle, password, true,
                    [path] { return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); });
}

int CreateOnDescriptor(Handle& handle, int fd, const char* password) {
    handle.reset();
    if (fd < 0)
        return ZIP_ARGUMENT;
    return createOn(handle, password, false, [fd] { return fd; });
}

int AddBuffer(Handle& handle, const char* name, const void* data, unsigned length) {
    if (!handle)
        return ZIP_ARGUMENT;
    try {
        return handle->addBuffer(name, data, length);
    } catch (const std::bad_alloc&) {
        return handle->error = ZIP_MEMORY;
    }
}

int Close(Handle& handle, int* systemError) {
    if (systemError)
        *systemError = 0;
    if (!handle)
        return ZIP_ARGUMENT;
    Archive& a = *handle;
    if (a.error == ZIP_OK) {
        try {
            a.writeDirectory();
        } catch (const std::bad_alloc&) {
            a.error = ZIP_MEMORY;
        }
    }
    if (a.ownsFd && ::close(a.fd) != 0 && a.error == ZIP_OK) {
        a.error = ZIP_WRITE;
        a.systemError = errno;
    }
    a.fd = -1;
    const int result = a.error;
    if (systemError && result != ZIP_OK)
        *systemError = a.systemError;
    handle.reset();
    return result;
}

} // namespace ZipWriter
