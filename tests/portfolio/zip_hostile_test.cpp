// Damaged and hostile archives: every one fails with a code, never with a crash,
// a sanitizer report or an allocation of what the file claims.

#include "ZipTestUtil.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ziptest;

namespace {

class ZipHostile : public testsupport::TempDirTest {
protected:
    // A small archive: one deflated and one stored entry.
    Bytes smallArchive() {
        return writeZip(path("small.zip"), {{"a.txt", m_text}, {"b.zip", toBytes("stored bytes of b")}});
    }

    int readPatched(const Bytes& file) {
        writeBytes(path("x.zip"), file);
        return readArchive(path("x.zip"));
    }

    const Bytes m_text = makeData(Kind::Text, 600);
};

} // namespace

TEST_F(ZipHostile, TruncatedAtEveryOffset) {
    const Bytes zip = smallArchive();
    const Bytes gz = gzipMember(m_text, 8 | 2, 1600000000, "a.txt");
    for (const Bytes* whole : {&zip, &gz}) {
        ASSERT_EQ(readPatched(*whole), ZIP_OK);
        for (size_t length = 0; length < whole->size(); ++length) {
            const int code = readPatched(Bytes(whole->begin(), whole->begin() + length));
            EXPECT_NE(code, ZIP_OK) << "cut at " << length;
        }
    }
}

// Every byte of the archive changed in turn: the reader either fails with a
// code or delivers exactly the original contents (names, times and attributes
// may change, data never).
TEST_F(ZipHostile, CorruptedAtEveryByte) {
    const Bytes zip = smallArchive();
    const Bytes gz = gzipMember(m_text, 8 | 2, 1600000000, "a.txt");
    for (const Bytes* whole : {&zip, &gz}) {
        std::vector<Bytes> original;
        writeBytes(path("x.zip"), *whole);
        ASSERT_EQ(readArchive(path("x.zip"), &original), ZIP_OK);
        for (size_t at = 0; at < whole->size(); ++at) {
            for (uint8_t flip : {0x01, 0x80, 0xFF}) {
                Bytes bad = *whole;
                bad[at] ^= flip;
                writeBytes(path("x.zip"), bad);
                std::vector<Bytes> contents;
                if (readArchive(path("x.zip"), &contents) == ZIP_OK) {
                    EXPECT_TRUE(contents == original) << "byte " << at << " ^ " << int(flip);
                }
            }
        }
    }
}

TEST_F(ZipHostile, WrongSignaturesAndLyingFields) {
    const Bytes zip = smallArchive();
    const Layout layout = layoutOf(zip);
    const size_t end = layout.end; // plain names: the lambdas below capture them
    const size_t central = layout.central;
    const size_t second = central + 46 + 5 + 9; // central record of b.zip
    const uint32_t storedOffset = get32(zip, second + 42);
    using Patch = std::function<void(Bytes&)>;
    const struct {
        const char* what;
        Patch patch;
        int code;
    } cases[] = {
        {"local header signature", [](Bytes& b) { b[0] = 'X'; }, ZIP_DAMAGED},
        {"central header signature", [&](Bytes& b) { b[central + 1] = 'X'; }, ZIP_DAMAGED},
        {"end record signature", [&](Bytes& b) { b[end + 3] = 9; }, ZIP_DAMAGED},
        {"uncompressed size one more", [&](Bytes& b) { set32(b, central + 24, get32(b, central + 24) + 1); },
         ZIP_DAMAGED},
        {"uncompressed size one less", [&](Bytes& b) { set32(b, central + 24, get32(b, central + 24) - 1); },
         ZIP_DAMAGED},
        {"compressed size one more", [&](Bytes& b) { set32(b, central + 20, get32(b, central + 20) + 1); },
         ZIP_DAMAGED},
        {"compressed size one less", [&](Bytes& b) { set32(b, central + 20, get32(b, central + 20) - 1); },
         ZIP_INFLATE},
        {"stored sizes differ", [&](Bytes& b) { set32(b, second + 24, get32(b, second + 24) + 1); }, ZIP_DAMAGED},
        {"stored data beyond the directory",
         [&](Bytes& b) {
             set32(b, second + 20, 100000);
             set32(b, second + 24, 100000);
         },
         ZIP_DAMAGED},
        {"declares 2 GiB", [&](Bytes& b) { set32(b, central + 24, 0x80000000u); }, ZIP_DAMAGED},
        {"declares 1101 times its compressed size",
         [&](Bytes& b) { set32(b, central + 24, get32(b, central + 20) * 1101); }, ZIP_DAMAGED},
        {"zip64 size marker", [&](Bytes& b) { set32(b, central + 24, 0xFFFFFFFFu); }, ZIP_NOT_SUPPORTED},
        {"zip64 entry count marker", [&](Bytes& b) { set16(b, end + 8, 0xFFFF), set16(b, end + 10, 0xFFFF); },
         ZIP_NOT_SUPPORTED},
        {"wrong CRC", [&](Bytes& b) { set32(b, central + 16, get32(b, central + 16) ^ 1); }, ZIP_DAMAGED},
        {"stored data changed", [&](Bytes& b) { b[storedOffset + 30 + 5 + 17 + 3] ^= 0x20; }, ZIP_DAMAGED},
        {"local header offset past the directory", [&](Bytes& b) { set32(b, second + 42, 0x7FFFFFF0u); }, ZIP_DAMAGED},
        {"local name length past the directory", [&](Bytes& b) { set16(b, storedOffset + 26, 0xFFFF); }, ZIP_DAMAGED},
        {"central name length past the directory", [&](Bytes& b) { set16(b, second + 28, 0x7FFF); }, ZIP_DAMAGED},
        {"short extra field", [&](Bytes& b) { set16(b, central + 46 + 5 + 2, 9); }, ZIP_DAMAGED},
        {"more entries than the directory holds", [&](Bytes& b) { set16(b, end + 8, 3), set16(b, end + 10, 3); },
         ZIP_DAMAGED},
        {"directory offset too large", [&](Bytes& b) { set32(b, end + 16, get32(b, end + 16) + 10000); }, ZIP_DAMAGED},
        {"directory size too large", [&](Bytes& b) { set32(b, end + 12, get32(b, end + 12) + 1); }, ZIP_DAMAGED},
        {"second disk", [&](Bytes& b) { set16(b, end + 4, 1); }, ZIP_NOT_SUPPORTED},
        {"entries on this disk differ", [&](Bytes& b) { set16(b, end + 8, 1); }, ZIP_NOT_SUPPORTED},
        {"strong encryption", [&](Bytes& b) { set16(b, central + 8, get16(b, central + 8) | 0x41); },
         ZIP_NOT_SUPPORTED},
    };
    for (const auto& c : cases) {
        Bytes bad = zip;
        c.patch(bad);
        EXPECT_EQ(readPatched(bad), c.code) << c.what;
    }
}

TEST_F(ZipHostile, DamagedGzipFiles) {
    const Bytes good = gzipMember(m_text, 2 | 4 | 8 | 16, 1600000000, "a.txt", "comment", toBytes("xx"));
    const size_t trailer = good.size() - 8;
    using Patch = std::function<void(Bytes&)>;
    const struct {
        const char* what;
        Patch patch;
        int code;
    } cases[] = {
        {"reserved flag", [](Bytes& b) { b[3] |= 0x20; }, ZIP_DAMAGED},
        {"other method", [](Bytes& b) { b[2] = 9; }, ZIP_NOT_SUPPORTED},
        {"header CRC", [](Bytes& b) { b[10] ^= 1; }, ZIP_DAMAGED}, // in the extra field, covered by the CRC
        {"extra field longer than the file", [](Bytes& b) { set16(b, 10, 0xFFFF); }, ZIP_DAMAGED},
        {"trailer CRC", [&](Bytes& b) { b[trailer] ^= 1; }, ZIP_DAMAGED},
        {"trailer size", [&](Bytes& b) { set32(b, trailer + 4, get32(b, trailer + 4) + 1); }, ZIP_DAMAGED},
        {"trailer size of 2 GiB", [&](Bytes& b) { set32(b, trailer + 4, 0x80000000u); }, ZIP_DAMAGED},
        {"a second member follows",
         [&](Bytes& b) {
             b.insert(b.begin() + trailer, {0x03, 0x00});
         },
         ZIP_DAMAGED},
        {"not gzip", [](Bytes& b) { b[1] = 0x8C; }, ZIP_DAMAGED},
    };
    for (const auto& c : cases) {
        Bytes bad = good;
        c.patch(bad);
        EXPECT_EQ(readPatched(bad), c.code) << c.what;
    }
    // a name that never ends
    Bytes endless = {0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 3};
    endless.resize(5000, 'n');
    EXPECT_EQ(readPatched(endless), ZIP_DAMAGED);
}

// A damaged entry extracted into a file leaves no file behind.
TEST_F(ZipHostile, FailedExtractionLeavesNoFile) {
    Bytes zip = smallArchive();
    const size_t central = layoutOf(zip).central;
    set32(zip, central + 16, get32(zip, central + 16) ^ 1); // CRC of a.txt
    writeBytes(path("x.zip"), zip);
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("x.zip").c_str(), nullptr), ZIP_OK);
    ZipEntry e;
    ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, path("out/a.txt").c_str(), &e), ZIP_DAMAGED);
    EXPECT_FALSE(std::filesystem::exists(path("out/a.txt")));
    // the archive stays usable
    e.index = 1;
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, path("out/b.zip").c_str(), &e), ZIP_OK);
    EXPECT_EQ(testsupport::readFile(path("out/b.zip")), "stored bytes of b");
}
