// Our archives checked by other programs (zlib, Info-ZIP's unzip, Python's
// zipfile), and archives of other programs (zip -0, zip -9, Python's zipfile,
// gzip -N) read by ours. The external programs are used when installed.

#include "ZipTestUtil.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>

using namespace ziptest;

namespace {

// One archive of entries of every kind at sizes around the match, window and
// block limits, written once for the whole suite.
class ZipRoundTrip : public testing::Test {
protected:
    struct Case {
        std::string name;
        Bytes data;
    };

    static void SetUpTestSuite() {
        s_folder = testsupport::makeTempDir("corvana-zip");
        Entries entries;
        for (Kind kind : {Kind::Text, Kind::Binary, Kind::Zeros, Kind::Random}) {
            for (size_t size : {1, 258, 262, 32767, 32768, 32769, 65535, 65536, 65537, 3 << 20}) {
                const std::string name = std::string(kindName(kind)) + "_" + std::to_string(size) + ".dat";
                s_cases.push_back({name, makeData(kind, size, static_cast<uint32_t>(size))});
                entries.emplace_back(name, s_cases.back().data);
            }
        }
        writeZip(archive(), entries);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(s_folder, ec);
        s_cases.clear();
        s_cases.shrink_to_fit();
    }
    static std::filesystem::path archive() { return s_folder / "roundtrip.zip"; }

    static inline std::filesystem::path s_folder;
    static inline std::vector<Case> s_cases;
};

} // namespace

TEST_F(ZipRoundTrip, OurReaderReadsBackEveryEntry) {
    std::vector<Bytes> contents;
    ASSERT_EQ(readArchive(archive(), &contents), ZIP_OK);
    ASSERT_EQ(contents.size(), s_cases.size());
    for (size_t i = 0; i < contents.size(); ++i)
        EXPECT_TRUE(contents[i] == s_cases[i].data) << s_cases[i].name;
}

TEST_F(ZipRoundTrip, UnzipAcceptsTheArchive) {
    const auto unzip = findTool("unzip");
    if (!unzip)
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_EQ(run(*unzip + " -tqq " + archive().string()), 0);
}

TEST_F(ZipRoundTrip, PythonZipfileAcceptsTheArchive) {
    const auto python = findTool("python3");
    if (!python)
        GTEST_SKIP() << "python3 is not installed";
    testsupport::writeFile(s_folder / "check.py", "import sys, zipfile, zlib\n"
                                                  "with zipfile.ZipFile(sys.argv[1]) as z:\n"
                                                  "    if z.testzip() is not None:\n"
                                                  "        sys.exit(3)\n"
                                                  "    for i in z.infolist():\n"
                                                  "        print(i.filename, i.file_size, zlib.crc32(z.read(i)))\n");
    ASSERT_EQ(run(*python + " " + (s_folder / "check.py").string() + " " + archive().string() + " > " +
                  (s_folder / "listing.txt").string()),
              0);
    std::ostringstream expected;
    for (const Case& c : s_cases)
        expected << c.name << " " << c.data.size() << " " << crcOf(c.data) << "\n";
    EXPECT_EQ(testsupport::readFile(s_folder / "listing.txt"), expected.str());
}

namespace {

constexpr std::time_t kFileTime = 1500000000; // 14 July 2017 02:40:00 UTC

class ZipOtherTools : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        m_files = {{"quotes.txt", makeData(Kind::Text, 200000)},
                   {"data.bin", makeData(Kind::Binary, 100000)},
                   {"sub/empty.txt", {}},
                   {"sub/random.bin", makeData(Kind::Random, 5000)}};
        for (const auto& [name, data] : m_files) {
            std::filesystem::create_directories((path("src") / name).parent_path());
            writeBytes(path("src") / name, data);
            const struct timespec times[2] = {{kFileTime, 0}, {kFileTime, 0}};
            utimensat(AT_FDCWD, (path("src") / name).c_str(), times, 0);
        }
    }

    // Every file of the source folder is in the archive, with its content and time.
    void expectAllFiles(const std::filesystem::path& zip) {
        ZipReader::Handle h;
        ASSERT_EQ(ZipReader::OpenFile(h, zip.c_str(), nullptr), ZIP_OK);
        for (const auto& [name, data] : m_files) {
            SCOPED_TRACE(name);
            ZipEntry e;
            ASSERT_EQ(ZipReader::FindItem(h, name.c_str(), &e, 0), ZIP_OK);
            EXPECT_EQ(e.modificationTime, kFileTime);
            EXPECT_EQ(e.attributes & 0x11u, 0u);
            Bytes back;
            ASSERT_EQ(readEntry(h, e.index, back), ZIP_OK);
            EXPECT_TRUE(back == data);
        }
        ZipEntry folder;
        ASSERT_EQ(ZipReader::FindItem(h, "sub/", &folder, 0), ZIP_OK);
        EXPECT_EQ(folder.attributes & 0x10u, 0x10u);
    }

    std::vector<std::pair<std::string, Bytes>> m_files;
};

} // namespace

TEST_F(ZipOtherTools, ReadsArchivesOfInfoZip) {
    const auto zip = findTool("zip");
    if (!zip)
        GTEST_SKIP() << "zip is not installed";
    for (const char* level : {"-0", "-9"}) {
        SCOPED_TRACE(level);
        const auto out = path(std::string("z") + level + ".zip");
        ASSERT_EQ(run("cd " + path("src").string() + " && " + *zip + " -q -r " + level + " " + out.string() + " ."), 0);
        expectAllFiles(out);
    }
}

// Python's zipfile writes no extended timestamps: the DOS time is local time
// (Berlin here) and comes back as UTC. Folder, read-only and DOS-host entries.
TEST_F(ZipOtherTools, ReadsArchivesOfPythonZipfile) {
    const auto python = findTool("python3");
    if (!python)
        GTEST_SKIP() << "python3 is not installed";
    testsupport::writeFile(path("make.py"),
                           "import sys, zipfile\n"
                           "def info(name, mode, system=3):\n"
                           "    i = zipfile.ZipInfo(name, (2021, 7, 15, 13, 45, 30))\n"
                           "    i.external_attr = mode\n"
                           "    i.create_system = system\n"
                           "    return i\n"
                           "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                           "    z.writestr(info('stored.txt', 0o644 << 16), open(sys.argv[2], 'rb').read(), "
                           "zipfile.ZIP_STORED)\n"
                           "    z.writestr(info('deflated.bin', 0o644 << 16), open(sys.argv[3], 'rb').read(), "
                           "zipfile.ZIP_DEFLATED)\n"
                           "    z.writestr(info('empty.txt', 0o644 << 16), b'', zipfile.ZIP_DEFLATED)\n"
                           "    z.writestr(info('folder/', (0o40755 << 16) | 0x10), b'')\n"
                           "    z.writestr(info('locked.txt', 0o444 << 16), b'read only', zipfile.ZIP_DEFLATED)\n"
                           "    z.writestr(info('dos.txt', 0x21, 0), b'dos', zipfile.ZIP_DEFLATED)\n");
    ASSERT_EQ(run(*python + " " + path("make.py").string() + " " + path("py.zip").string() + " " +
                  (path("src") / "quotes.txt").string() + " " + (path("src") / "data.bin").string()),
              0);

    const struct {
        const char* name;
        Bytes data;
        uint32_t attributes;
    } cases[] = {
        {"stored.txt", m_files[0].second, 0x20},
        {"deflated.bin", m_files[1].second, 0x20},
        {"empty.txt", {}, 0x20},
        {"folder/", {}, 0x30},
        {"locked.txt", toBytes("read only"), 0x21},
        {"dos.txt", toBytes("dos"), 0x21},
    };
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("py.zip").c_str(), nullptr), ZIP_OK);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ZipEntry e;
        ASSERT_EQ(ZipReader::FindItem(h, c.name, &e, 0), ZIP_OK);
        EXPECT_EQ(e.attributes, c.attributes);
        EXPECT_EQ(e.modificationTime, 1626349530); // 13:45:30 summer time in Berlin
        EXPECT_EQ(e.accessTime, 1626349530);
        Bytes back;
        ASSERT_EQ(readEntry(h, e.index, back), ZIP_OK);
        EXPECT_TRUE(back == c.data);
    }

    // Into files: the folder entry makes folders, the read-only entry a read-only file.
    ZipEntry e;
    ASSERT_EQ(ZipReader::FindItem(h, "folder/", &e, 0), ZIP_OK);
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, path("out/a/b").c_str(), &e), ZIP_OK);
    EXPECT_TRUE(std::filesystem::is_directory(path("out/a/b")));
    ASSERT_EQ(ZipReader::FindItem(h, "locked.txt", &e, 0), ZIP_OK);
    EXPECT_EQ(ZipReader::UnzipItemToFile(h, path("out/locked.txt").c_str(), &e), ZIP_OK);
    struct stat st {};
    ASSERT_EQ(stat(path("out/locked.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(st.st_mtime, 1626349530);
    EXPECT_EQ(testsupport::readFile(path("out/locked.txt")), "read only");
}

TEST_F(ZipOtherTools, ReadsFilesOfGzip) {
    const auto gzip = findTool("gzip");
    if (!gzip)
        GTEST_SKIP() << "gzip is not installed";
    ASSERT_EQ(run(*gzip + " -N -c " + (path("src") / "quotes.txt").string() + " > " + path("q.gz").string()), 0);
    ZipReader::Handle h;
    ASSERT_EQ(ZipReader::OpenFile(h, path("q.gz").c_str(), nullptr), ZIP_OK);
    ZipEntry e;
    ASSERT_EQ(ZipReader::GetItem(h, &e), ZIP_OK);
    EXPECT_EQ(std::filesystem::path(e.name).filename(), "quotes.txt");
    EXPECT_EQ(e.modificationTime, kFileTime);
    Bytes back;
    ASSERT_EQ(readEntry(h, 0, back), ZIP_OK);
    EXPECT_TRUE(back == m_files[0].second);
}
