// The zip reader on archives of our writer and on hand-made gzip files: opening,
// selecting and finding entries, piecewise extraction, safe names, extraction
// into files.

#include "ZipTestUtil.h"
#include "platform/Clock.h"
#include "support/TestEnv.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ziptest;

namespace {

constexpr std::time_t kNow = 1626349530; // 15 July 2021 11:45:30 UTC

class ZipReaderTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        m_clock.set(std::chrono::system_clock::from_time_t(kNow));
    }

    std::string base() const { return std::filesystem::current_path().string() + "/"; }

    FixedClock m_clock;
    ScopedClock m_scopedClock{m_clock};
};

} // namespace

// Bytes in front of the archive shift every offset; trailing bytes are allowed
// as long as the end record lies within reach of the longest comment.
TEST_F(ZipReaderTest, FindsTheArchiveBetweenForeignBytes) {
    const Bytes data = makeData(Kind::Text, 20000);
    const Bytes zip = writeZip(path("a.zip"), {{"one.txt", data}, {"two.zip", data}});
    Bytes longComment = zip;
    set16(longComment, longComment.size() - 2, 0xFFFF);
    longComment.resize(longComment.size() + 0xFFFF, 'c');
    const struct {
        const char* what;
        size_t prefix;
        size_t trailing;
        const Bytes& archive;
        int code;
    } cases[] = {
        {"program stub in front", 5000, 0, zip, ZIP_OK},
        {"a few trailing bytes", 0, 100, zip, ZIP_OK},
        {"longest comment", 0, 0, longComment, ZIP_OK},
        {"end record 70000 bytes before the end", 0, 70000, zip, ZIP_DAMAGED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file(c.prefix, 'M');
        file.insert(file.end(), c.archive.begin(), c.archive.end());
        file.resize(file.size() + c.trailing, 0);
        writeBytes(path("x.zip"), file);
        std::vector<Bytes> contents;
        ASSERT_EQ(readArchive(path("x.zip"), &contents), c.code);
        if (c.code == ZIP_OK) {
            ASSERT_EQ(contents.size(), 2u);
            EXPECT_TRUE(contents[0] == data && contents[1] == data);
        }
    }
}

TEST_F(ZipReaderTest, CountsSelectsAndFindsEntries) {
    writeZip(
        path("a.zip"),
        {{"Portfolio.cvr", toBytes("first")}, {"dir/Notes.TXT", toBytes("second")}, {"third.bin", toBytes("third")}});
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("a.zip").c_str(), nullptr), ZIP_OK);
    ZipEntry e;
    e.index = -1;
    ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
    EXPECT_EQ(e.index, 3);

    // forwards, backwards and beyond
    const struct {
        int index;
        int code;
        const char* name;
    } byIndex[] = {{2, ZIP_OK, "third.bin"},
                   {0, ZIP_OK, "Portfolio.cvr"},
                   {1, ZIP_OK, "dir/Notes.TXT"},
                   {3, ZIP_NOT_FOUND, ""},
                   {-2, ZIP_ARGUMENT, ""}};
    for (const auto& c : byIndex) {
        ZipEntry entry;
        entry.index = c.index;
        EXPECT_EQ(ZipReader::GetItem(h, &entry), c.code) << c.index;
        if (c.code == ZIP_OK) {
            EXPECT_EQ(entry.name, base() + c.name);
            EXPECT_EQ(entry.modificationTime, kNow);
        }
    }

    const std::string tooLong(256, 'x');
    const struct {
        const char* name;
        int flags;
        int code;
        int index;
    } byName[] = {
        {"Portfolio.cvr", 0, ZIP_OK, 0},
        {"portfolio.CVR", 0, ZIP_NOT_FOUND, -1},
        {"portfolio.CVR", ZipReader::kIgnoreCase, ZIP_OK, 0},
        {"DIR\\notes.txt", ZipReader::kIgnoreCase, ZIP_OK, 1},
        {"third.bin", 0, ZIP_OK, 2},
        {"missing", ZipReader::kIgnoreCase, ZIP_NOT_FOUND, -1},
        {tooLong.c_str(), 0, ZIP_ARGUMENT, -1},
    };
    for (const auto& c : byName) {
        ZipEntry entry;
        entry.index = -1;
        EXPECT_EQ(ZipReader::FindItem(h, c.name, &entry, c.flags), c.code) << c.name;
        EXPECT_EQ(entry.index, c.index) << c.name;
    }

    EXPECT_EQ(ZipReader::GetItem(h, nullptr), ZIP_ARGUMENT);
    EXPECT_EQ(ZipReader::Close(h), ZIP_OK);
    EXPECT_EQ(ZipReader::Close(h), ZIP_ARGUMENT);
    EXPECT_EQ(ZipReader::GetItem(h, &e), ZIP_ARGUMENT);
    EXPECT_EQ(ZipReader::OpenFile(h, path("missing.zip").c_str(), nullptr), ZIP_FILE);
    EXPECT_EQ(ZipReader::OpenFile(h, nullptr, nullptr), ZIP_ARGUMENT);
}

// A buffer smaller than the entry gets it in parts: "more data" until the last.
TEST_F(ZipReaderTest, DeliversAnEntryInPieces) {
    const Bytes text = makeData(Kind::Text, 100001);
    const Bytes other = makeData(Kind::Binary, 30000);
    writeZip(path("a.zip"), {{"t.txt", text}, {"t.zip", text}, {"o.bin", other}});
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("a.zip").c_str(), nullptr), ZIP_OK);

    for (int index : {0, 1}) {
        for (uint32_t piece : {50001u, 1000u, 1u << 20}) {
            SCOPED_TRACE(std::to_string(index) + " " + std::to_string(piece));
            ZipEntry e;
            e.index = index;
            ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
            Bytes all;
            Bytes buffer(piece);
            int code = ZIP_MORE_DATA;
            int calls = 0;
            while (code == ZIP_MORE_DATA) {
                code = ZipReader::UnzipItemToBuffer(h, buffer.data(), piece, &e);
                all.insert(all.end(), buffer.begin(), buffer.begin() + e.compressedSize);
                ++calls;
            }
            EXPECT_EQ(code, ZIP_OK);
            EXPECT_EQ(calls, static_cast<int>((text.size() + piece - 1) / piece));
            EXPECT_TRUE(all == text);
        }
    }

    // Switching to another entry in the middle starts that one afresh, and
    // coming back starts the first one afresh too.
    ZipEntry first;
    first.index = 0;
    Bytes buffer(text.size());
    ASSERT_EQ(ZipReader::UnzipItemToBuffer(h, buffer.data(), 10, &first), ZIP_MORE_DATA);
    Bytes back;
    ASSERT_EQ(readEntry(h, 2, back), ZIP_OK);
    EXPECT_TRUE(back == other);
    ASSERT_EQ(ZipReader::UnzipItemToBuffer(h, buffer.data(), static_cast<uint32_t>(buffer.size()), &first), ZIP_OK);
    EXPECT_EQ(first.compressedSize, text.size());
    EXPECT_TRUE(buffer == text);

    // An empty buffer in the middle delivers nothing and loses nothing: the checksum still holds.
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        ZipEntry e;
        e.index = index;
        Bytes all(text.size());
        ASSERT_EQ(ZipReader::UnzipItemToBuffer(h, all.data(), 1000, &e), ZIP_MORE_DATA);
        ASSERT_EQ(ZipReader::UnzipItemToBuffer(h, nullptr, 0, &e), ZIP_MORE_DATA);
        EXPECT_EQ(e.compressedSize, 0u);
        ASSERT_EQ(ZipReader::UnzipItemToBuffer(h, all.data() + 1000, static_cast<uint32_t>(text.size() - 1000), &e),
                  ZIP_OK);
        EXPECT_TRUE(all == text);
    }
}

// Stored names never lead out of the base folder.
TEST_F(ZipReaderTest, KeepsEntryNamesInsideTheBaseFolder) {
    const struct {
        const char* stored;
        const char* name;
    } cases[] = {
        {"a/b.txt", "a/b.txt"},
        {"C:/x/y.txt", "x/y.txt"},
        {"/abs/z.txt", "abs/z.txt"},
        {"//srv/share/f", "srv/share/f"},
        {"../../etc/passwd", "etc/passwd"},
        {"a/../b", "b"},
        {"a/b/../../../c", "c"},
        {"a//b", "a/b"},
        {"./a/./b", "a/b"},
        {"dir/", "dir/"},
        {"w\\x\\..\\y", "y"},
        {"..", ""},
    };
    Entries entries;
    for (const auto& c : cases)
        entries.emplace_back(c.stored, toBytes("x"));
    writeZip(path("n.zip"), entries);
    const CurrentFolder here(dir());
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("n.zip").c_str(), nullptr), ZIP_OK);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        ZipEntry e;
        e.index = i;
        ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
        EXPECT_EQ(e.name, dir().string() + "/" + cases[i].name) << cases[i].stored;
    }
}

TEST_F(ZipReaderTest, ExtractsIntoFiles) {
    const Bytes data = makeData(Kind::Text, 40000);
    std::filesystem::create_directories(dir() / "work");
    writeZip(path("a.zip"), {{"../../evil.txt", data}});
    const CurrentFolder here(dir() / "work");
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("a.zip").c_str(), nullptr), ZIP_OK);
    ZipEntry e;
    ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
    EXPECT_EQ(e.name, (dir() / "work/evil.txt").string());

    const struct {
        std::string target;
        int code;
        std::filesystem::path written;
    } cases[] = {
        {e.name, ZIP_OK, dir() / "work/evil.txt"},
        {(dir() / "abs/new/folders/f.txt").string(), ZIP_OK, dir() / "abs/new/folders/f.txt"},
        {"rel/f.txt", ZIP_OK, dir() / "work/rel/f.txt"},
        {"../up.txt", ZIP_ARGUMENT, dir() / "up.txt"},
        {"rel/../../up.txt", ZIP_ARGUMENT, dir() / "up.txt"},
        {(dir() / "work/../up.txt").string(), ZIP_ARGUMENT, dir() / "up.txt"},
        {"", ZIP_ARGUMENT, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(ZipReader::UnzipItemToFile(h, c.target.c_str(), &e), c.code);
        if (c.written.empty())
            continue;
        ASSERT_EQ(std::filesystem::exists(c.written), c.code == ZIP_OK);
        if (c.code != ZIP_OK)
            continue;
        struct stat st {}; // before reading the file, which may touch its access time
        ASSERT_EQ(stat(c.written.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, kNow);
        EXPECT_EQ(st.st_atime, kNow);
        EXPECT_TRUE(st.st_mode & S_IWUSR);
        EXPECT_EQ(testsupport::readFile(c.written), toString(data));
    }
    // always overwritten
    testsupport::writeFile(dir() / "work/rel/f.txt", std::string(100000, 'o'));
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, "rel/f.txt", &e), ZIP_OK);
    EXPECT_EQ(testsupport::readFile(dir() / "work/rel/f.txt"), toString(data));
    // A link planted at the target is not followed, and a folder that cannot be made fails.
    testsupport::writeFile(dir() / "outside.txt", "keep");
    std::filesystem::create_symlink(dir() / "outside.txt", dir() / "work/link.txt");
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, "link.txt", &e), ZIP_FILE);
    EXPECT_EQ(testsupport::readFile(dir() / "outside.txt"), "keep");
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, "rel/f.txt/x.txt", &e), ZIP_FILE);
    EXPECT_FALSE(std::filesystem::exists(dir() / "work/rel/f.txt/x.txt"));
}

TEST_F(ZipReaderTest, RefusesOtherMethods) {
    Bytes zip = writeZip(path("a.zip"), {{"a.zip", toBytes("stored bytes")}});
    const size_t central = layoutOf(zip).central;
    set16(zip, 8, 12); // bzip2, in the local header
    set16(zip, central + 10, 12);
    writeBytes(path("b.zip"), zip);
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("b.zip").c_str(), nullptr), ZIP_OK);
    ZipEntry e;
    EXPECT_EQ(ZipReader::GetItem(h, &e), ZIP_NOT_SUPPORTED);
    Bytes buffer(100);
    EXPECT_EQ(ZipReader::UnzipItemToBuffer(h, buffer.data(), 100, &e), ZIP_NOT_SUPPORTED);
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, path("out").c_str(), &e), ZIP_NOT_SUPPORTED);
    EXPECT_FALSE(std::filesystem::exists(path("out")));
}

// A gzip file is an archive of one deflated entry: its name from the header
// (else the file's name without ".gz"), its time a Unix time (else the file's).
TEST_F(ZipReaderTest, ReadsGzipFilesAsOneEntry) {
    const Bytes data = makeData(Kind::Text, 30000);
    const struct {
        const char* file;
        Bytes member;
        std::string name;
        std::time_t time;
    } cases[] = {
        {"all.gz", gzipMember(data, 2 | 4 | 8 | 16, 1600000000, "quotes.csv", "a comment", toBytes("AB\x04\0xyzw")),
         "quotes.csv", 1600000000},
        {"named.gz", gzipMember(data, 8, 1234567890, "sub/dir/q.txt"), "sub/dir/q.txt", 1234567890},
        {"plain.csv.GZ", gzipMember(data, 0, 0), "plain.csv", 1500000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        writeBytes(path(c.file), c.member);
        const struct timespec times[2] = {{1500000000, 0}, {1500000000, 0}};
        utimensat(AT_FDCWD, path(c.file).c_str(), times, 0);
        ZipReader::Handle h;
        ASSERT_EQ(ZipReader::OpenFile(h, path(c.file).c_str(), nullptr), ZIP_OK);
        ZipEntry e;
        e.index = -1;
        ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
        EXPECT_EQ(e.index, 1);
        e.index = 0;
        ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
        EXPECT_EQ(e.name, base() + c.name);
        EXPECT_EQ(e.modificationTime, c.time);
        EXPECT_EQ(e.uncompressedSize, data.size());
        EXPECT_EQ(e.attributes, 0x20u);
        ZipEntry byName;
        EXPECT_EQ(ZipReader::FindItem(h, c.name.c_str(), &byName, 0), ZIP_OK);
        Bytes back;
        ASSERT_EQ(readEntry(h, 0, back), ZIP_OK);
        EXPECT_TRUE(back == data);
        e.index = 1;
        EXPECT_EQ(ZipReader::GetItem(h, &e), ZIP_NOT_FOUND);
    }
}
