// The store of server configurations and import templates, on the settings file of the test.
#include "retrieval/ServerConfigStore.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

class ServerConfigStoreTest : public testsupport::TempDirTest {
protected:
    SettingsStore& store() { return settingsStore(); }

    static ServerSettings sample() {
        ServerSettings s;
        s.m_strURL = "https://quotes.example/q?s=[&symbol]&d=[&d]";
        s.m_strThousands = "'";
        s.m_strDecimal = ".";
        s.m_strTextBeforeValue = "Last \"price\" C:\\x";
        s.m_nTimeout = 300;
        s.m_nFormat = 2;
        s.m_nHtmlBeforeValue = 3;
        s.m_nNumbersBeforeValue = 1;
        s.m_bNoCaseSensitive = 0;
        s.m_nFiltering = 1;
        s.m_strRegExp = "Close:\\s*\"([&quotation_close])\"";
        return s;
    }
};

TEST_F(ServerConfigStoreTest, ANameWithoutKeyLoadsTheDefaults) {
    ServerSettings s;
    s.m_strURL = "left over";
    s.m_nTimeout = 7;
    LoadServerSettings("US-Yahoo", &s);
    EXPECT_EQ(s.m_strName, "US-Yahoo");
    EXPECT_EQ(s.m_strURL, "");
    EXPECT_EQ(s.m_strThousands, ".");
    EXPECT_EQ(s.m_strDecimal, ",");
    EXPECT_EQ(s.m_strTextBeforeValue, "");
    EXPECT_EQ(s.m_nTimeout, 60);
    EXPECT_EQ(s.m_nFormat, 0);
    EXPECT_EQ(s.m_nHtmlBeforeValue, 0);
    EXPECT_EQ(s.m_nNumbersBeforeValue, 0);
    EXPECT_EQ(s.m_bNoCaseSensitive, 1);
    EXPECT_EQ(s.m_nFiltering, 0);
    EXPECT_EQ(s.m_strRegExp, "");
    EXPECT_EQ(s.m_nRegExpQuotationIndex, 1);
    EXPECT_EQ(s.m_nRegExpDayIndex, 2);
    EXPECT_EQ(s.m_nRegExpMinuteIndex, 6);

    ImportServerSettings i;
    i.m_nFormat = 5;
    LoadImportServerSettings("History", &i);
    EXPECT_EQ(i.m_strName, "History");
    EXPECT_EQ(i.m_strThousands, ".");
    EXPECT_EQ(i.m_strDecimal, ",");
    EXPECT_EQ(i.m_nFormat, 0);
    EXPECT_EQ(i.m_bNoCaseSensitive, 1);
}

TEST_F(ServerConfigStoreTest, AKeyWithSomeValuesKeepsTheDefaultsForTheRest) {
    const SettingsKey key = SettingsKey("Server").child("Partial");
    store().writeString(key, "URL", "http://partial.example/");
    store().writeInt(key, "Format", 1);
    ServerSettings s;
    LoadServerSettings("Partial", &s);
    EXPECT_EQ(s.m_strURL, "http://partial.example/");
    EXPECT_EQ(s.m_nFormat, 1);
    EXPECT_EQ(s.m_strThousands, ".");
    EXPECT_EQ(s.m_nTimeout, 60);
    EXPECT_EQ(s.m_bNoCaseSensitive, 1);
}

TEST_F(ServerConfigStoreTest, SavedRecordsLoadBackAndSymbolDataStays) {
    const SettingsKey key = SettingsKey("Server").child("DE/Trade\\gate");
    store().writeString(key, "SymbolInfo", "ISIN");
    store().writeString(key, "SymbolSearchUrl", "https://search.example/?q=");
    ServerSettings saved = sample();
    saved.m_strSymbolInfo = "never written";
    ASSERT_TRUE(SaveServerSettings("DE/Trade\\gate", &saved));

    ServerSettings loaded;
    LoadServerSettings("DE/Trade\\gate", &loaded);
    EXPECT_EQ(loaded.m_strURL, saved.m_strURL);
    EXPECT_EQ(loaded.m_strThousands, "'");
    EXPECT_EQ(loaded.m_strDecimal, ".");
    EXPECT_EQ(loaded.m_strTextBeforeValue, saved.m_strTextBeforeValue);
    EXPECT_EQ(loaded.m_nTimeout, 300);
    EXPECT_EQ(loaded.m_nFormat, 2);
    EXPECT_EQ(loaded.m_nHtmlBeforeValue, 3);
    EXPECT_EQ(loaded.m_nNumbersBeforeValue, 1);
    EXPECT_EQ(loaded.m_bNoCaseSensitive, 0);
    EXPECT_EQ(loaded.m_nFiltering, 1);
    EXPECT_EQ(loaded.m_strRegExp, saved.m_strRegExp);
    EXPECT_EQ(loaded.m_strSymbolInfo, "ISIN");
    EXPECT_EQ(loaded.m_strSymbolSearchUrl, "https://search.example/?q=");

    ImportServerSettings history;
    history.m_strURL = "https://history.example/[&symbol].csv";
    history.m_strThousands = "";
    history.m_strDecimal = ".";
    history.m_nFormat = 2;
    history.m_bNoCaseSensitive = 0;
    history.m_strRegExp = "([&day])\\.([&month])";
    ASSERT_TRUE(SaveImportServerSettings("History", &history));
    ImportServerSettings back;
    LoadImportServerSettings("History", &back);
    EXPECT_EQ(back.m_strURL, history.m_strURL);
    EXPECT_EQ(back.m_strThousands, "");
    EXPECT_EQ(back.m_strDecimal, ".");
    EXPECT_EQ(back.m_nFormat, 2);
    EXPECT_EQ(back.m_bNoCaseSensitive, 0);
    EXPECT_EQ(back.m_strRegExp, history.m_strRegExp);
}

TEST_F(ServerConfigStoreTest, NamesAreListedAndDeletedOneByOne) {
    const ServerSettings s = sample();
    for (const char* name : {"b-Server", "A-Server", "c-Server"})
        ASSERT_TRUE(SaveServerSettings(name, &s));
    ImportServerSettings i;
    ASSERT_TRUE(SaveImportServerSettings("Only import", &i));

    std::vector<std::string> names{"stale"};
    EnumServerNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A-Server", "b-Server", "c-Server"}));
    EnumImportServerNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Only import"}));

    EXPECT_TRUE(DeleteServerSettings("b-Server"));
    EXPECT_FALSE(DeleteServerSettings("b-Server"));
    // An empty name is refused on save and on delete: it never removes every configuration.
    EXPECT_FALSE(SaveServerSettings("", &s));
    EXPECT_FALSE(DeleteServerSettings(""));
    EXPECT_FALSE(SaveImportServerSettings("", &i));
    EXPECT_FALSE(DeleteImportServerSettings(""));
    EnumServerNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A-Server", "c-Server"}));
    EnumImportServerNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Only import"}));
    EXPECT_TRUE(DeleteImportServerSettings("Only import"));
    EnumImportServerNames(names);
    EXPECT_TRUE(names.empty());
}

TEST_F(ServerConfigStoreTest, TheExportIsARegistryFileByteForByte) {
    const std::string header = "REGEDIT4\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\]\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\ImportServer\\]\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server Version]\r\n";
    EXPECT_EQ(ServerSettingsExportText(), header + "\"Version name\"=\"unknownb\"\r\n\r\n");

    store().writeString("Server Version", "Version name", "2.1");
    ServerSettings s = sample();
    ASSERT_TRUE(SaveServerSettings("DE-Tradegate", &s));
    store().writeString(SettingsKey("Server").child("DE-Tradegate"), "SymbolInfo", "WKN \"or\" ISIN");
    ImportServerSettings i;
    i.m_strURL = "file://C:\\quotes\\[&symbol].csv";
    i.m_strThousands = ".";
    i.m_strDecimal = ",";
    i.m_nFormat = 1;
    i.m_bNoCaseSensitive = 1;
    i.m_strRegExp = "(\\d+)";
    ASSERT_TRUE(SaveImportServerSettings("Local CSV", &i));

    const std::string expected = header + "\"Version name\"=\"2.1b\"\r\n\r\n" +
                                 "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server\\DE-Tradegate]\r\n"
                                 "\"URL\"=\"https://quotes.example/q?s=[&symbol]&d=[&d]\"\r\n"
                                 "\"TAUSEND\"=\"'\"\r\n"
                                 "\"DECIMAL\"=\".\"\r\n"
                                 "\"Text_before_Value\"=\"Last \\\"price\\\" C:\\\\x\"\r\n"
                                 "\"Timeout\"=dword:0000012c\r\n"
                                 "\"Format\"=dword:00000002\r\n"
                                 "\"Nr_HTML_before_Value\"=dword:00000003\r\n"
                                 "\"Numbers_before_Value\"=dword:00000001\r\n"
                                 "\"NoCaseSensitiv\"=dword:00000000\r\n"
                                 "\"Filtering\"=dword:00000001\r\n"
                                 "\"RegExp\"=\"Close:\\\\s*\\\"([&quotation_close])\\\"\"\r\n"
                                 "\"SymbolInfo\"=\"WKN \\\"or\\\" ISIN\"\r\n"
                                 "\"SymbolSearchUrl\"=\"\"\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\ImportServer\\Local CSV]\r\n"
                                 "\"URL\"=\"file://C:\\\\quotes\\\\[&symbol].csv\"\r\n"
                                 "\"TAUSEND\"=\".\"\r\n"
                                 "\"DECIMAL\"=\",\"\r\n"
                                 "\"Format\"=dword:00000001\r\n"
                                 "\"NoCaseSensitiv\"=dword:00000001\r\n"
                                 "\"RegExp\"=\"(\\\\d+)\"\r\n"
                                 "\"SymbolInfo\"=\"\"\r\n"
                                 "\"SymbolSearchUrl\"=\"\"\r\n"
                                 "\r\n";
    EXPECT_EQ(ServerSettingsExportText(), expected);

    const auto file = path("export.reg");
    const ExportResult written = ExportServerSettings(file.string());
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(testsupport::readFile(file), expected);

    const ExportResult failed = ExportServerSettings(path("no such folder/export.reg").string());
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message, "File could not be saved (" + std::to_string(failed.cause) + ")");
    EXPECT_NE(failed.cause, 0);
    EXPECT_EQ(failed.cause, 3); // bad path
    std::filesystem::create_directory(path("folder.reg"));
    EXPECT_EQ(ExportServerSettings(path("folder.reg").string()).cause, 6); // invalid file
}

TEST_F(ServerConfigStoreTest, TextsWithLineBreaksAreNotSaved) {
    const ServerSettings good = sample();
    ASSERT_TRUE(SaveServerSettings("Quotes", &good));
    struct Case {
        const char* name;
        std::string ServerSettings::*field;
        const char* text;
        const char* error;
    } cases[] = {
        {"Quotes", &ServerSettings::m_strRegExp, "a\r\n[HKEY_CURRENT_USER\\Software\\Evil]",
         "\"Quotes\" cannot be saved: its value RegExp holds a line break or another control character."},
        {"Quotes", &ServerSettings::m_strURL, "https://x/\n",
         "\"Quotes\" cannot be saved: its value URL holds a line break or another control character."},
        {"Quotes", &ServerSettings::m_strTextBeforeValue, "Last\rprice",
         "\"Quotes\" cannot be saved: its value Text_before_Value holds a line break or another control "
         "character."},
        {"Quotes", &ServerSettings::m_strThousands, "\x1f",
         "\"Quotes\" cannot be saved: its value TAUSEND holds a line break or another control character."},
        {"Quo\ntes", &ServerSettings::m_strURL, "https://x/",
         "The name \"Quo tes\" holds a line break or another control character and cannot be saved."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        ServerSettings s = sample();
        s.*c.field = c.text;
        std::string error;
        EXPECT_FALSE(SaveServerSettings(c.name, &s, store(), &error));
        EXPECT_EQ(error, c.error);
        ServerSettings loaded;
        LoadServerSettings("Quotes", &loaded);
        EXPECT_EQ(loaded.*c.field, good.*c.field); // nothing was written
    }
    std::vector<std::string> names;
    EnumServerNames(names);
    EXPECT_EQ(names, std::vector<std::string>{"Quotes"});

    ImportServerSettings i;
    i.m_strRegExp = "[&day]\n[&quotation_close]";
    std::string error;
    EXPECT_FALSE(SaveImportServerSettings("History", &i, store(), &error));
    EXPECT_EQ(error, "\"History\" cannot be saved: its value RegExp holds a line break or another control character.");
    EnumImportServerNames(names);
    EXPECT_TRUE(names.empty());

    // A tab is a character of a single line.
    ServerSettings tabbed = sample();
    tabbed.m_strTextBeforeValue = "Last\tprice";
    EXPECT_TRUE(SaveServerSettings("Quotes", &tabbed));
}

TEST_F(ServerConfigStoreTest, TheExportWritesOnlyKeyAndValueLines) {
    // An older store holds line breaks, as a hostile text would to add keys of its own.
    const SettingsKey key = SettingsKey("Server").child("Old");
    store().writeString(key, "URL", "https://x/\r\n[HKEY_CURRENT_USER\\Software\\Evil]\r\n\"Run\"=\"rm\"");
    store().writeString(key, "RegExp", "a\nb\tc");
    store().writeString(SettingsKey("ImportServer").child("Hist"), "SymbolInfo", "x\x01y");
    store().writeString(SettingsKey("ImportServer").child("Two\r\nlines"), "URL", "u");
    store().writeString("Server Version", "Version name", "2\r\n[HKEY_CURRENT_USER\\Evil]");
    testsupport::LogCapture log;

    const std::string text = ServerSettingsExportText();
    EXPECT_NE(text.find("\"URL\"=\"https://x/  [HKEY_CURRENT_USER\\\\Software\\\\Evil]  \\\"Run\\\"=\\\"rm\\\"\"\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"RegExp\"=\"a b\tc\"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"SymbolInfo\"=\"x y\"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\ImportServer\\Two  lines]\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"Version name\"=\"2  [HKEY_CURRENT_USER\\\\Evil]b\"\r\n"), std::string::npos) << text;
    // Every line is a key line, a value line or empty, and ends in CRLF.
    ASSERT_TRUE(text.ends_with("\r\n"));
    std::size_t begin = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", begin)) {
        const std::string line = text.substr(begin, end - begin);
        begin = end + 2;
        EXPECT_EQ(line.find_first_of("\r\n\x01"), std::string::npos) << line;
        EXPECT_TRUE(line.empty() || line == "REGEDIT4" || line.starts_with("[HKEY_CURRENT_USER\\Software\\Velmora\\") ||
                    line.starts_with("\""))
            << line;
    }
    EXPECT_TRUE(
        log.contains(LOG_LEVEL_WARNING, "Export of \"Old\": URL holds control characters; they are written as blanks"));
    EXPECT_TRUE(log.contains(LOG_LEVEL_WARNING,
                             "Export of \"Hist\": SymbolInfo holds control characters; they are written as blanks"));
}

} // namespace
