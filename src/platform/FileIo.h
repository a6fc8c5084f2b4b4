#pragma once
// Whole reads and writes of files. writeAll and readAt work on file descriptors: short transfers
// are continued and interrupted calls retried; they are async-signal-safe, so the crash report can
// use them in its signal handler. readFile and errorText allocate and are not.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

namespace fileio {

// Writes all `size` bytes at the descriptor's position; false at the first error.
bool writeAll(int fd, const void* data, std::size_t size);

// Writes all `size` bytes from `offset` on (the descriptor's position stays); false at the first
// error.
bool writeAt(int fd, std::uint64_t offset, const void* data, std::size_t size);

// Reads exactly `size` bytes from `offset` on; false on an error or when the file ends first.
bool readAt(int fd, std::uint64_t offset, void* buffer, std::size_t size);

// The contents of a whole file, or the error number of the step that failed: that of the system
// call, EISDIR for a folder, EFBIG for a file larger than allowed, ENOMEM when there is no memory
// to hold it.
template <class Bytes> struct FileContents {
    std::optional<Bytes> bytes;
    int error = 0;
};

// Reads the file at `path` whole into `Bytes` (std::string or std::vector<std::uint8_t>). A file
// that shrinks while it is read gives what it still had.
template <class Bytes = std::string>
FileContents<Bytes> readFile(const std::filesystem::path& path,
                             std::uint64_t maxSize = std::numeric_limits<std::size_t>::max());

// The system's text for an error number (thread-safe).
std::string errorText(int error);

} // namespace fileio
