// Bringing a server-settings export back: the REGEDIT4 file the export writes, merged into a fresh
// settings file, loads the same configurations and templates; damaged files and keys outside the
// server and import keys are refused with the line and the reason, and change nothing.
#include "retrieval/RegistryMerge.h"
#include "retrieval/ServerConfigStore.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegistryMergeTest : public testsupport::TempDirTest {
protected:
    // A store with configurations and templates whose names and texts need every escape.
    void fill(SettingsStore& store) {
        ServerSettings s;
        LoadServerSettings("", &s, store);
        s.m_strURL = "https://quotes.example/q?s=[&symbol]&d=[&day]";
        s.m_strThousands = "'";
        s.m_strDecimal = ".";
        s.m_strTextBeforeValue = "Last \"price\" C:\\x\\";
        s.m_nTimeout = 300;
        s.m_nFormat = 2;
        s.m_nHtmlBeforeValue = 3;
        s.m_nNumbersBeforeValue = 1;
        s.m_bNoCaseSensitive = 0;
        s.m_nFiltering = 1;
        s.m_strRegExp = "Close:\\s*\"([&quotation_close])\"\t(\\d+)";
        for (const char* name : {"US \"Yahoo\"", "Path\\with\\backslashes", "Slash/Name", "B\xC3\xB6rse \xE2\x82\xAC"})
            ASSERT_TRUE(SaveServerSettings(name, &s, store));
        s.m_nTimeout = -1; // a dword of ffffffff
        ASSERT_TRUE(SaveServerSettings("Negative", &s, store));
        store.writeString(SettingsKey("Server").child("US \"Yahoo\""), "SymbolInfo", "symbol as on the page");

        ImportServerSettings i;
        LoadImportServerSettings("", &i, store);
        i.m_strURL = "https://history.example/[&symbol]?from=[&year_begin]";
        i.m_strThousands = ".";
        i.m_strDecimal = ",";
        i.m_nFormat = 1;
        i.m_bNoCaseSensitive = 0;
        i.m_strRegExp = "[&day]-[&month]-[&year],[&quotation_close]";
        for (const char* name : {"History \"daily\"", "Monthly\\Close"})
            ASSERT_TRUE(SaveImportServerSettings(name, &i, store));
        store.writeString("Server Version", "Version name", "2026.11");
    }

    // Everything the program loads of the configurations and templates, as the export shows it
    // (the export loads every record over its defaults), without the version line.
    static std::string loaded(const SettingsStore& store) {
        std::string text = ServerSettingsExportText(store);
        const std::size_t version = text.find("\"Version name\"=");
        if (version != std::string::npos)
            text.erase(version, text.find("\r\n", version) - version);
        return text;
    }

    static std::string fileBytes(const std::filesystem::path& file) {
        return std::filesystem::exists(file) ? testsupport::readFile(file) : std::string("(none)");
    }
};

TEST_F(RegistryMergeTest, AnExportMergedIntoAFreshStoreLoadsEqual) {
    SettingsStore source(path("source/Corvana.conf"));
    fill(source);
    const auto file = path("servers.reg");
    ASSERT_TRUE(ExportServerSettings(file.string(), source).ok);

    SettingsStore fresh(path("fresh/Velmora/Corvana.conf"));
    const RegistryMergeResult merged = MergeServerSettingsFile(file, fresh);
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_EQ(merged.keys, 8); // five configurations, two templates, Server Version

    std::vector<std::string> a, b;
    EnumServerNames(a, source);
    EnumServerNames(b, fresh);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b.size(), 5u);
    EnumImportServerNames(a, source);
    EnumImportServerNames(b, fresh);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b, (std::vector<std::string>{"History \"daily\"", "Monthly\\Close"}));
    EXPECT_EQ(loaded(fresh), loaded(source));
    ServerSettings s;
    LoadServerSettings("US \"Yahoo\"", &s, fresh);
    EXPECT_EQ(s.m_strTextBeforeValue, "Last \"price\" C:\\x\\");
    EXPECT_EQ(s.m_strSymbolInfo, "symbol as on the page");
    LoadServerSettings("Negative", &s, fresh);
    EXPECT_EQ(s.m_nTimeout, -1);
    // The file brings the name of its set of configurations with it, as the export wrote it.
    EXPECT_EQ(fresh.readString("Server Version", "Version name"), "2026.11b");

    // Merging the same file again changes nothing; merging into a store with other values keeps them.
    const std::string once = fileBytes(fresh.file());
    ASSERT_TRUE(MergeServerSettingsFile(file, fresh).ok);
    EXPECT_EQ(fileBytes(fresh.file()), once);
    SettingsStore other(path("other.conf"));
    other.writeInt("GeneralOptions", "Timeout", 42);
    ServerSettings mine;
    LoadServerSettings("", &mine, other);
    mine.m_strURL = "https://mine.example";
    ASSERT_TRUE(SaveServerSettings("Mine", &mine, other));
    ASSERT_TRUE(MergeServerSettingsFile(file, other).ok);
    EXPECT_EQ(other.readInt("GeneralOptions", "Timeout", 0), 42);
    LoadServerSettings("Mine", &mine, other);
    EXPECT_EQ(mine.m_strURL, "https://mine.example");
    EnumServerNames(b, other);
    EXPECT_EQ(b.size(), 6u);
}

// A file that is damaged or reaches outside the server and import keys is refused as a whole --
// also when good lines come before the bad one -- with its line and reason; the store keeps every
// byte.
TEST_F(RegistryMergeTest, DamagedOrForeignFilesChangeNothing) {
    SettingsStore source(path("source.conf"));
    fill(source);
    const std::string good = ServerSettingsExportText(source);
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\A]\r\n"
                             "\"URL\"=\"https://a.example\"\r\n";
    // An export cut off inside a value, as a broken copy leaves it.
    const std::string cut = good.substr(0, good.find("\"RegExp\"=") + 20);
    const struct {
        const char* what;
        std::string text;
        std::string error;
    } cases[] = {
        {"empty", "", "Line 1: the file is empty"},
        {"another format", "Windows Registry Editor Version 5.00\r\n\r\n" + good.substr(10),
         "Line 1: the file does not begin with \"REGEDIT4\""},
        {"program options", head + "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\GeneralOptions]\r\n\"Debug\"=\"1\"\r\n",
         "Line 5: the key \"HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\GeneralOptions\" lies outside the "
         "program's server and import keys"},
        {"another root", head + "[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Corvana\\Server\\B]\r\n",
         "Line 5: the key \"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Corvana\\Server\\B\" lies outside"},
        {"another program", head + "[HKEY_CURRENT_USER\\Software\\Other\\Server\\B]\r\n", "Line 5: the key"},
        {"a key below the program", head + "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana]\r\n\"X\"=\"1\"\r\n",
         "Line 5: the key \"HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\" lies outside"},
        {"key not closed", head + "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\B\r\n",
         "Line 5: the key line"},
        {"text not closed", head + "\"RegExp\"=\"abc\r\n", "Line 5: the text of \"RegExp\" is damaged"},
        {"unknown escape", head + "\"RegExp\"=\"a\\d\"\r\n", "Line 5: the text of \"RegExp\" is damaged"},
        {"text after the text", head + "\"RegExp\"=\"a\" \"b\"\r\n", "Line 5: the text of \"RegExp\" is damaged"},
        {"long dword", head + "\"Timeout\"=dword:123456789\r\n", "Line 5: the number of \"Timeout\""},
        {"bad dword", head + "\"Timeout\"=dword:12x4\r\n", "Line 5: the number of \"Timeout\""},
        {"binary value", head + "\"Timeout\"=hex:01,00,00,00\r\n", "Line 5: the value \"Timeout\" is neither"},
        {"deleted value", head + "\"URL\"=-\r\n", "Line 5: deleting the value \"URL\""},
        {"deleted key", head + "[-HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\A]\r\n",
         "Line 5: deleting the key"},
        {"default value", head + "@=\"x\"\r\n", "Line 5: a key's default value"},
        {"value before a key", "REGEDIT4\r\n\"URL\"=\"x\"\r\n", "Line 2: a value stands before the first key"},
        {"value of the bare key", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\]\r\n\"URL\"=\"x\"\r\n",
         "Line 3: the key \"HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\\" holds no values"},
        {"no equals sign", head + "\"URL\" \"x\"\r\n", "Line 5: \"=\" is missing"},
        {"a stray line", head + "URL=x\r\n", "Line 5: \"URL=x\" is neither a key, a value nor a comment"},
        {"cut off", cut, "the text of \"RegExp\" is damaged"},
        {"control character in a text", head + "\"URL\"=\"a\x1b-b\"\r\n",
         "Line 5: the text of \"URL\" holds a control character"},
        {"control character in a key's name",
         head + "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\B\x01]\r\n",
         "Line 5: the key's name holds a control character"},
        {"empty value name", head + "\"\"=\"x\"\r\n", "Line 5: a value name is empty or holds a control character"},
    };
    SettingsStore target(path("target/Corvana.conf"));
    ServerSettings keep;
    LoadServerSettings("", &keep, target);
    keep.m_strURL = "https://keep.example";
    ASSERT_TRUE(SaveServerSettings("Keep", &keep, target));
    const std::string before = fileBytes(target.file());
    const auto file = path("bad.reg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::writeFile(file, c.text);
        const RegistryMergeResult merged = MergeServerSettingsFile(file, target);
        EXPECT_FALSE(merged.ok);
        EXPECT_FALSE(merged.storeFailed);
        EXPECT_EQ(merged.error.rfind(file.string() + ": ", 0), 0u) << merged.error;
        EXPECT_NE(merged.error.find(c.error), std::string::npos) << merged.error;
        EXPECT_TRUE(merged.error.ends_with(". Nothing was merged.")) << merged.error;
        EXPECT_EQ(fileBytes(target.file()), before);
    }
    // A file that cannot be read says so.
    const RegistryMergeResult missing = MergeServerSettingsFile(path("missing.reg"), target);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error.rfind("The file \"" + path("missing.reg").string() + "\" could not be read", 0), 0u)
        << missing.error;
    EXPECT_EQ(fileBytes(target.file()), before);
}

// A good file whose store cannot be written (its folder cannot be made) says so, names the
// settings file, and tells the caller the store failed rather than the file.
TEST_F(RegistryMergeTest, AStoreThatCannotBeWrittenIsReported) {
    testsupport::writeFile(path("blocker"), "a file where the settings folder should be");
    SettingsStore blocked(path("blocker/Velmora/Corvana.conf"));
    const RegistryMergeResult merged =
        MergeServerSettingsText("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\A]\r\n"
                                "\"URL\"=\"https://a.example\"\r\n",
                                blocked);
    EXPECT_FALSE(merged.ok);
    EXPECT_TRUE(merged.storeFailed);
    EXPECT_EQ(merged.error, "The settings file \"" + blocked.file().string() +
                                "\" could not be written. Nothing was merged.");
    EXPECT_EQ(merged.values, 0);
}

// What the registry editor also takes is merged the same: LF line ends, comments, blank lines,
// a byte-order mark, the root in other letter case, no trailing line end.
TEST_F(RegistryMergeTest, LooserSpellingsOfTheLayoutAreMerged) {
    const std::string text = "\xEF\xBB\xBF"
                             "REGEDIT4\n"
                             "; shared by a friend\n"
                             "\n"
                             "[hkey_current_user\\software\\velmora\\corvana\\ImportServer\\Weekly]\n"
                             "\"URL\"=\"file:///home/me/weekly.csv\"\n"
                             "  \"Format\" = dword:1\n"
                             "\"RegExp\"=\"[&day].[&month].[&year];[&quotation_close]\"";
    SettingsStore store(path("store.conf"));
    const RegistryMergeResult merged = MergeServerSettingsText(text, store);
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_EQ(merged.values, 3);
    std::vector<std::string> names;
    EnumImportServerNames(names, store);
    EXPECT_EQ(names, (std::vector<std::string>{"Weekly"}));
    ImportServerSettings i;
    LoadImportServerSettings("Weekly", &i, store);
    EXPECT_EQ(i.m_strURL, "file:///home/me/weekly.csv");
    EXPECT_EQ(i.m_nFormat, 1);
    EXPECT_EQ(i.m_strRegExp, "[&day].[&month].[&year];[&quotation_close]");
}

} // namespace
