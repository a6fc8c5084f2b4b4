#pragma once
// Whole reads and writes on file descriptors: short transfers are continued and interrupted calls
// retried. Async-signal-safe, so the crash report can use them in its signal handler.

#include <cstddef>
#include <cstdint>

namespace fileio {

// Writes all `size` bytes at the descriptor's position; false at the first error.
bool writeAll(int fd, const void* data, std::size_t size);

// Reads exactly `size` bytes from `offset` on; false on an error or when the file ends first.
bool readAt(int fd, std::uint64_t offset, void* buffer, std::size_t size);

} // namespace fileio
