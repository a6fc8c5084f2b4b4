#include "platform/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace fileio {

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAt(int fd, std::uint64_t offset, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAt(int fd, std::uint64_t offset, void* buffer, std::size_t size) {
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// strerror_r comes in two forms: the GNU one returns the text, the POSIX one fills the buffer.
[[maybe_unused]] const char* errorMessage(const char* text, const char*) {
    return text;
}
[[maybe_unused]] const char* errorMessage(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}

struct DescriptorCloser {
    int fd;
    ~DescriptorCloser() { ::close(fd); }
};

} // namespace

template <class Bytes> FileContents<Bytes> readFile(const std::filesystem::path& path, std::uint64_t maxSize) {
    FileContents<Bytes> result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    const DescriptorCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.error = errno;
        return result;
    }
    if (S_ISDIR(st.st_mode)) {
        result.error = EISDIR;
        return result;
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxSize ||
        static_cast<std::uint64_t>(st.st_size) > std::numeric_limits<std::size_t>::max()) {
        result.error = EFBIG;
        return result;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    Bytes bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        result.error = ENOMEM;
        return result;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes.data() + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = errno;
            return result;
        }
        if (got == 0)
            break; // the file shrank meanwhile
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    result.bytes = std::move(bytes);
    return result;
}

template FileContents<std::string> readFile(const std::filesystem::path&, std::uint64_t);
template FileContents<std::vector<std::uint8_t>> readFile(const std::filesystem::path&, std::uint64_t);

std::string errorText(int error) {
    char buffer[256] = {};
    return errorMessage(strerror_r(error, buffer, sizeof buffer), buffer);
}

} // namespace fileio
