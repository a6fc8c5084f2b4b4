#pragma once
// Reading zip archives (and, as a fallback, single-member gzip files) through a
// handle: open a file, count and get entries by index, find one by name,
// extract an entry into memory (in pieces) or into a file, close. Every
// function returns a ZipResult code.
//
// Nothing read from the file is trusted: lengths, names, extra fields and
// offsets are checked against the file, the CRC-32 and the exact inflated
// length are verified, and an entry that declares more than 1 GiB, or more
// than 1,100 times its compressed size, is refused as damaged. Sizes of 4 GiB
// or more (zip64) are not supported.

#include "portfolio/ZipResult.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

// One entry as the reader reports it.
struct ZipEntry {
    int index = 0;              // entry number, 0 first; -1 asks ZipReader::GetItem for the count
    uint32_t attributes = 0;    // Windows file attributes: 0x01 read-only, 0x10 folder, 0x20 archive, ...
    std::time_t accessTime = 0; // seconds since 1970, UTC
    std::time_t creationTime = 0;
    std::time_t modificationTime = 0;
    uint32_t compressedSize = 0; // from the directory; UnzipItemToBuffer puts the count of bytes it delivered here
    uint32_t uncompressedSize = 0;
    std::string name; // the archive's base folder followed by the stored name, made safe (see GetItem)
};

namespace ZipReader {

class Archive;
struct ArchiveDeleter {
    void operator()(Archive* archive) const noexcept;
};
// The reader's handle; empty when no archive is open.
using Handle = std::unique_ptr<Archive, ArchiveDeleter>;

// Flag of FindItem: compare names without regard to (ASCII) letter case.
constexpr int kIgnoreCase = 1;

// Opens the archive file at `path`. `password` (null: none) decrypts entries of
// the traditional zip encryption. The current folder, with a trailing "/",
// becomes the archive's base folder for entry names and relative targets.
int OpenFile(Handle& handle, const char* path, const char* password);

// With entry->index -1, puts the number of entries into index. Otherwise fills
// the record of that entry. Its name is the base folder followed by the stored
// name, where a leading drive ("X:") and leading or doubled separators are
// dropped, "\" becomes "/", and a ".." component restarts the name at the base
// folder, so the name never leaves the base folder.
int GetItem(const Handle& handle, ZipEntry* entry);

// Finds the first entry whose stored name equals `name` (below 256 characters;
// "\" and "/" are the same), with kIgnoreCase in `flags` without regard to case,
// and fills its record; ZIP_NOT_FOUND when there is none.
int FindItem(const Handle& handle, const char* name, ZipEntry* entry, int flags);

// Extracts the entry entry->index into `buffer`: ZIP_OK when the entry is
// complete, ZIP_MORE_DATA when the buffer is full and bytes remain (call again
// with the same entry for the next part). The count of bytes delivered by the
// call is put into entry->compressedSize. After any other code the next call
// starts the entry afresh.
int UnzipItemToBuffer(const Handle& handle, void* buffer, uint32_t size, ZipEntry* entry);

// Extracts the entry entry->index into the file `target` (a relative target lies
// below the base folder; a target with a ".." component is refused with
// ZIP_ARGUMENT), creating missing folders, always overwriting, and setting the
// entry's times and read-only attribute. A folder entry creates the whole path
// as folders. A file whose extraction failed is removed.
int UnzipItemToFile(const Handle& handle, const char* target, ZipEntry* entry);

// Frees everything and empties the handle; ZIP_ARGUMENT for an empty handle.
int Close(Handle& handle);

} // namespace ZipReader
