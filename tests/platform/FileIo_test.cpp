#include "platform/FileIo.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

using testsupport::TempDirTest;

class FileIoTest : public TempDirTest {};

TEST_F(FileIoTest, ReadsAWholeFileOrTellsWhyNot) {
    const std::string content("page\0with a zero byte", 21);
    testsupport::writeFile(dir() / "page.html", content);

    const auto text = fileio::readFile(dir() / "page.html");
    ASSERT_TRUE(text.bytes);
    EXPECT_EQ(*text.bytes, content);
    const auto bytes = fileio::readFile<std::vector<std::uint8_t>>(dir() / "page.html");
    ASSERT_TRUE(bytes.bytes);
    EXPECT_EQ(bytes.bytes->size(), content.size());
    EXPECT_EQ(bytes.bytes->at(4), 0u);
    testsupport::writeFile(dir() / "empty", "");
    EXPECT_EQ(fileio::readFile(dir() / "empty").bytes, std::string());

    struct Case {
        std::filesystem::path path;
        std::uint64_t maxSize;
        int error;
    };
    const Case failures[] = {
        {dir() / "missing.html", 100, ENOENT},
        {dir(), 100, EISDIR},
        {dir() / "page.html", content.size() - 1, EFBIG},
    };
    for (const Case& c : failures) {
        const auto read = fileio::readFile(c.path, c.maxSize);
        EXPECT_FALSE(read.bytes) << c.path;
        EXPECT_EQ(read.error, c.error) << c.path;
    }
    EXPECT_TRUE(fileio::readFile(dir() / "page.html", content.size()).bytes); // exactly the limit
    EXPECT_EQ(fileio::errorText(ENOENT), "No such file or directory");
}
