#pragma once
// Result codes of the zip reader and writer. Every operation returns one of them
// as an int instead of raising.

enum ZipResult : int {
    ZIP_OK = 0,
    ZIP_FILE = 1,          // a file cannot be opened or created (also a folder that cannot be made)
    ZIP_MEMORY = 2,        // out of memory
    ZIP_WRITE = 3,         // writing failed
    ZIP_NOT_FOUND = 4,     // no such entry, or past the last entry
    ZIP_MORE_DATA = 5,     // the buffer is full and the entry has more bytes
    ZIP_DAMAGED = 6,       // the archive is damaged (structure, sizes, checksum)
    ZIP_READ = 7,          // reading the archive failed, or an entry's data cannot be reached
    ZIP_NOT_SUPPORTED = 8, // multi-disk archive, zip64, or a method other than stored and deflate
    ZIP_ARGUMENT = 9,      // bad argument (invalid handle, bad name, no data, too large)
    ZIP_MEMORY_FULL = 11,  // a memory target is full or has size 0
    ZIP_SEEK = 16,         // positioning failed
    ZIP_MISMATCH = 17,     // an entry came out different from what its local header announced
    ZIP_INFLATE = 18,      // the deflate data is damaged
    ZIP_PASSWORD = 19,     // the decryption check byte does not match (wrong or missing password)
};
