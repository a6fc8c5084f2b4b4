#pragma once
// Writing zip archives through a handle: create the archive file, add entries
// from memory (deflated with our own compressor, or stored for names of already
// compressed formats), close. Every function returns a ZipResult code.
//
// Each entry carries its time as a DOS date and time (local time) and in an
// extended-timestamp field (seconds since 1970, UTC). Sizes are 32-bit (no
// zip64): an entry or archive that would reach 4 GiB is refused.

#include "portfolio/ZipResult.h"

#include <memory>

namespace ZipWriter {

class Archive;
struct ArchiveDeleter {
    void operator()(Archive* archive) const noexcept;
};
// The writer's handle; empty when no archive is open. Destroying an open handle
// frees the writer without writing the central directory (use Close).
using Handle = std::unique_ptr<Archive, ArchiveDeleter>;

// Creates the archive file anew at `path`. A non-empty `password` encrypts every
// entry with the traditional zip encryption; null or empty writes plain entries.
int CreateFile(Handle& handle, const char* path, const char* password);

// Writes the archive from offset 0 on into the open descriptor `fd`, which stays the caller's:
// Close does not close it.
int CreateOnDescriptor(Handle& handle, int fd, const char* password);

// Adds the entry `name` ("\" becomes "/", at most 259 characters) with the
// `length` bytes at `data`. Missing or empty name, no data or length 0 give
// ZIP_ARGUMENT. After a failure every later call returns that first error.
int AddBuffer(Handle& handle, const char* name, const void* data, unsigned length);

// Writes the central directory and the end record (when no error was met),
// closes the file, frees the writer and empties the handle. Returns the first
// error met, or ZIP_ARGUMENT for an empty handle. When that error is a failed
// system call, `systemError` (if given) receives its error number, else 0.
int Close(Handle& handle, int* systemError = nullptr);

} // namespace ZipWriter
