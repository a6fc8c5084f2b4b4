#include "framework/RecentFileList.h"
#include "platform/Settings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testsupport::TempDirTest;

namespace {

class RecentFileListTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        store = std::make_unique<SettingsStore>(path("settings.conf"));
    }

    std::vector<std::string> names(const RecentFileList& list) {
        std::vector<std::string> result;
        for (const auto& p : list.paths())
            result.push_back(p.filename().string());
        return result;
    }

    std::unique_ptr<SettingsStore> store;
};

TEST_F(RecentFileListTest, AddPutsTheFileOnTopKeepsEightAndComparesCaseSensitively) {
    RecentFileList list(*store, 8);
    for (int i = 1; i <= 10; ++i)
        list.Add(dir() / ("f" + std::to_string(i) + ".cvr"));
    EXPECT_EQ(names(list), (std::vector<std::string>{"f10.cvr", "f9.cvr", "f8.cvr", "f7.cvr", "f6.cvr", "f5.cvr",
                                                     "f4.cvr", "f3.cvr"}));

    list.Add(dir() / "f5.cvr"); // moves up, nothing falls off
    EXPECT_EQ(names(list), (std::vector<std::string>{"f5.cvr", "f10.cvr", "f9.cvr", "f8.cvr", "f7.cvr", "f6.cvr",
                                                     "f4.cvr", "f3.cvr"}));

    list.Add(dir() / "F5.cvr"); // another file here
    EXPECT_EQ(list.count(), 8);
    EXPECT_EQ(list[0].filename(), "F5.cvr");
    EXPECT_EQ(list[1].filename(), "f5.cvr");
    EXPECT_TRUE(list[8].empty());
    EXPECT_TRUE(list[-1].empty());
}

TEST_F(RecentFileListTest, RelativePathsAreKeptAbsoluteSoOneFileIsOneEntry) {
    std::filesystem::create_directory(path("sub"));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir());
    RecentFileList list(*store, 8);
    list.Add("p.cvr");
    list.Add("sub/../p.cvr");
    list.Add(dir() / "p.cvr");
    std::filesystem::current_path(previous);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list[0], dir() / "p.cvr");
}

TEST_F(RecentFileListTest, RemoveTakesOneEntryAndIgnoresOthers) {
    RecentFileList list(*store, 8);
    list.Add("/a/1.cvr");
    list.Add("/a/2.cvr");
    list.Add("/a/3.cvr");
    list.Remove(1);
    list.Remove(5);
    list.Remove(-1);
    EXPECT_EQ(names(list), (std::vector<std::string>{"3.cvr", "1.cvr"}));
}

TEST_F(RecentFileListTest, IsStoredAsFileEntriesInItsSectionAndReadBack) {
    // An older, longer list left File5; writing replaces the whole section.
    store->writeString("Recent File List", "File5", "/old/stale.cvr");
    RecentFileList list(*store, 8);
    list.Add("/a/one.cvr");
    list.Add("/b/two & three.cvr");
    list.Add("/c/Ümlaut.cvr");
    ASSERT_TRUE(list.WriteList());

    EXPECT_EQ(store->valueNames("Recent File List"), (std::vector<std::string>{"File1", "File2", "File3"}));
    EXPECT_EQ(store->readString("Recent File List", "File1"), "/c/Ümlaut.cvr");
    EXPECT_EQ(store->readString("Recent File List", "File3"), "/a/one.cvr");

    RecentFileList again(*store, 8);
    again.ReadList();
    EXPECT_EQ(again.paths(), list.paths());
}

TEST_F(RecentFileListTest, ReadingSkipsEmptyEntriesAndStopsAtTheSize) {
    for (int i = 1; i <= 10; ++i)
        store->writeString("Recent File List", "File" + std::to_string(i), i == 2 ? "" : "/x/" + std::to_string(i));
    RecentFileList list(*store, 4);
    list.ReadList();
    EXPECT_EQ(names(list), (std::vector<std::string>{"1", "3", "4"}));
}

TEST_F(RecentFileListTest, MenuTextsAreShortNumberedAndEscapeAmpersands) {
    const std::string home = std::getenv("HOME");
    RecentFileList list(*store, 12);
    const std::vector<std::string> files = {
        "/work/here/local.cvr",                              // in the current folder
        home + "/Documents/p.cvr",                           // below home
        "/srv/data/portfolios/archive/2023/q4/year end.cvr", // long: shortened in the middle
        "/srv/" + std::string(40, 'n') + ".cvr",             // even the name is long
        "/a/Tom & Jerry.cvr",                                // ampersand
    };
    for (auto it = files.rbegin(); it != files.rend(); ++it)
        list.Add(*it);
    const std::filesystem::path current = "/work/here";
    EXPECT_EQ(list.GetDisplayName(0, current), "local.cvr");
    EXPECT_EQ(list.GetDisplayName(1, current), "~/Documents/p.cvr");
    EXPECT_EQ(list.GetDisplayName(2, current), "/.../2023/q4/year end.cvr");
    EXPECT_EQ(list.GetDisplayName(3, current), std::string(40, 'n') + ".cvr");
    EXPECT_EQ(list.menuText(4, current), "&5 /a/Tom && Jerry.cvr");
    EXPECT_EQ(list.menuText(0, current), "&1 local.cvr");

    for (int i = 0; i < 6; ++i)
        list.Add("/m/" + std::to_string(i) + ".cvr");
    EXPECT_EQ(list.menuText(6, current), "&7 local.cvr");
    EXPECT_EQ(list.menuText(9, current), "10 " + std::string(40, 'n') + ".cvr");
}

} // namespace
