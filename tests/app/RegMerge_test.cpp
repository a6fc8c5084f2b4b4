// The merge tool beside the program, run as a user runs it: an export of the server settings is
// merged into the program's settings of a fresh home folder and loads equal; a damaged file is
// refused with one line naming the line and leaves the settings as they were.
#include "RunProgram.h"

#include "retrieval/ServerConfigStore.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class RegMergeToolTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        root = dir() / "run";
        env = apptest::isolatedEnvironment(root);
    }

    SettingsStore programSettings() const { return SettingsStore(root / "home/.config/Velmora/Corvana.conf"); }

    apptest::RunResult merge(const std::vector<std::string>& arguments) const {
        apptest::RunOptions options;
        options.environment = env;
        options.workingDirectory = dir();
        options.timeout = std::chrono::seconds(30);
        return apptest::runProgram(CORVANA_REGMERGE, arguments, options);
    }

    fs::path root;
    std::map<std::string, std::string> env;
};

TEST_F(RegMergeToolTest, TheExportMergedIntoAFreshSettingsFolderLoadsEqual) {
    EXPECT_EQ(fs::path(CORVANA_REGMERGE).parent_path(), fs::path(CORVANA_BINARY).parent_path());
    SettingsStore source(path("source.conf"));
    ServerSettings s;
    LoadServerSettings("", &s, source);
    s.m_strURL = "https://quotes.example/q?s=[&symbol]";
    s.m_strRegExp = "Last:\\s*\"([&quotation_close])\"";
    s.m_nTimeout = 90;
    ASSERT_TRUE(SaveServerSettings("Quotes \"EU\"", &s, source));
    ImportServerSettings i;
    LoadImportServerSettings("", &i, source);
    i.m_strURL = "file:///home/me/history.csv";
    i.m_strRegExp = "[&day]-[&month]-[&year],[&quotation_close]";
    ASSERT_TRUE(SaveImportServerSettings("CSV\\daily", &i, source));
    const fs::path exported = path("shared servers.reg");
    ASSERT_TRUE(ExportServerSettings(exported.string(), source).ok);

    const apptest::RunResult run = merge({exported.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "Merged 22 values of 3 keys into " + programSettings().file().string() + "\n");

    const SettingsStore merged = programSettings();
    ASSERT_TRUE(fs::exists(merged.file()));
    std::vector<std::string> names;
    EnumServerNames(names, merged);
    EXPECT_EQ(names, (std::vector<std::string>{"Quotes \"EU\""}));
    EnumImportServerNames(names, merged);
    EXPECT_EQ(names, (std::vector<std::string>{"CSV\\daily"}));
    ServerSettings back;
    LoadServerSettings("Quotes \"EU\"", &back, merged);
    EXPECT_EQ(back.m_strURL, s.m_strURL);
    EXPECT_EQ(back.m_strRegExp, s.m_strRegExp);
    EXPECT_EQ(back.m_nTimeout, 90);
    ImportServerSettings backImport;
    LoadImportServerSettings("CSV\\daily", &backImport, merged);
    EXPECT_EQ(backImport.m_strURL, i.m_strURL);
    EXPECT_EQ(backImport.m_strRegExp, i.m_strRegExp);
    // Exported again from the merged settings, the file is the same but for the set's name.
    std::string again = ServerSettingsExportText(merged);
    const std::string first = testsupport::readFile(exported);
    EXPECT_EQ(again.replace(again.find("unknownbb"), 9, "unknownb"), first);
}

TEST_F(RegMergeToolTest, ADamagedFileIsRefusedAndChangesNothing) {
    SettingsStore settings = programSettings();
    settings.writeInt("GeneralOptions", "UnattendedTimeLimit", 300);
    const std::string before = testsupport::readFile(settings.file());
    const fs::path file = path("options.reg");
    testsupport::writeFile(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\ImportServer\\A]\r\n"
                                 "\"URL\"=\"https://a.example\"\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\GeneralOptions]\r\n"
                                 "\"UnattendedTimeLimit\"=dword:00000001\r\n");
    // A good file, and a settings file given in a folder that cannot be made.
    const fs::path good = path("good.reg");
    testsupport::writeFile(good, "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\A]\r\n"
                                 "\"URL\"=\"https://a.example\"\r\n");
    const fs::path blocker = path("blocker");
    testsupport::writeFile(blocker, "a file where a folder should be");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string line;
    } cases[] = {
        {{file.string()}, 2,
         "corvana-regmerge: " + file.string() +
             ": Line 5: the key \"HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\GeneralOptions\" lies outside the "
             "program's server and import keys. Nothing was merged."},
        {{path("missing.reg").string()}, 2, "corvana-regmerge: The file \"" + path("missing.reg").string() +
                                                "\" could not be read (No such file or directory). Nothing was merged."},
        {{}, 1, "usage: corvana-regmerge [--settings FILE] EXPORT.reg"},
        {{"--settings", (blocker / "Corvana.conf").string(), good.string()}, 3,
         "corvana-regmerge: " + good.string() + ": The settings file \"" + (blocker / "Corvana.conf").string() +
             "\" could not be written. Nothing was merged."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const apptest::RunResult run = merge(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        const std::vector<std::string> lines = apptest::lines(run.err);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], c.line);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(testsupport::readFile(settings.file()), before);
    }
}

} // namespace
