#include "platform/Clock.h"
#include "platform/Paths.h"
#include "support/TestEnv.h"

#include <QString>

#include <sys/stat.h>

using testsupport::TempDirTest;

class PathsTest : public TempDirTest {};

TEST_F(PathsTest, UserFoldersOnlyWhenTheyExist) {
    EXPECT_FALSE(paths::documentsFolder());
    EXPECT_FALSE(paths::desktopFolder());
    std::filesystem::create_directories(dir() / "home/Documents");
    std::filesystem::create_directories(dir() / "home/Desktop");
    ASSERT_TRUE(paths::documentsFolder());
    EXPECT_EQ(*paths::documentsFolder(), dir() / "home/Documents");
    ASSERT_TRUE(paths::desktopFolder());
    EXPECT_EQ(*paths::desktopFolder(), dir() / "home/Desktop");
}

TEST_F(PathsTest, StateFolderIsCreatedUnderXdgStateHome) {
    const auto state = paths::stateFolder();
    ASSERT_TRUE(state);
    EXPECT_EQ(*state, dir() / "home/.local/state/corvana");
    EXPECT_TRUE(std::filesystem::is_directory(*state));
}

TEST_F(PathsTest, TempFilesAreUniquePrivateAndKeepPrefixAndSuffix) {
    const auto a = paths::createTempFile("CVR", ".htm", dir());
    const auto b = paths::createTempFile("CVR", ".htm", dir());
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_EQ(a->parent_path(), dir());
    EXPECT_TRUE(a->filename().string().starts_with("CVR"));
    EXPECT_EQ(a->extension(), ".htm");
    struct stat st {};
    ASSERT_EQ(stat(a->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(paths::createTempFile("CVR", "", dir() / "missing"));
}

TEST(QtPathNames, AreUtf8BothWays) {
    const std::filesystem::path path = "/home/M\xC3\xBCller/Depot \xE2\x82\xAC.cvr";
    EXPECT_EQ(paths::toQString(path), QString::fromUtf8("/home/M\xC3\xBCller/Depot \xE2\x82\xAC.cvr"));
    EXPECT_EQ(paths::fromQString(paths::toQString(path)), path);
    EXPECT_EQ(paths::fromQString(QString()), std::filesystem::path());
}

TEST(ProgramPath, NamesTheTestExecutable) {
    EXPECT_EQ(paths::programPath().filename(), "corvana_platform_tests");
}

TEST(ClockTest, FixedClockIsInstalledAndRemoved) {
    FixedClock fixed(Clock::time_point(std::chrono::seconds(1000)));
    {
        ScopedClock guard(fixed);
        EXPECT_EQ(currentClock().now(), Clock::time_point(std::chrono::seconds(1000)));
        fixed.advance(std::chrono::seconds(5));
        EXPECT_EQ(currentClock().now(), Clock::time_point(std::chrono::seconds(1005)));
    }
    EXPECT_GT(currentClock().now(), Clock::time_point(std::chrono::hours(24 * 365 * 50)));
}
