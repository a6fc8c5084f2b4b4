#include "platform/Settings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include <string>
#include <thread>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class SettingsTest : public testsupport::TempDirTest {
protected:
    std::filesystem::path file() const { return path("settings/Corvana.conf"); }
};

TEST_F(SettingsTest, ValuesRoundTripAndMissingOnesGiveTheDefault) {
    SettingsStore store(file());
    EXPECT_EQ(store.readInt("GeneralOptions", "NumberDownloads", 5), 5);
    EXPECT_EQ(store.readString("Server\\US-Yahoo", "TAUSEND", "."), ".");
    EXPECT_FALSE(store.readBinary("GeneralOptions", "LastUpToDateCheck"));
    EXPECT_FALSE(store.hasValue("GeneralOptions", "NumberDownloads"));
    EXPECT_FALSE(std::filesystem::exists(file()));

    std::vector<std::uint8_t> allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes.push_back(static_cast<std::uint8_t>(b));
    const Strings texts = {
        "",
        "http://example.org/q?s=[&symbol]&d=[&d].[&m].[&y]",
        "<td class=\"price\">\\d+,\\d{2}</td>",
        "a, b; c # d = e",
        "  leading and trailing  ",
        "@ByteArray(looks like Qt)",
        "line one\nline two\r\n\ttab",
        "Stra\xC3\x9F"
        "e \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC",
        "caf\xE9 (not UTF-8)",
        std::string(1023, 'x'),
    };
    ASSERT_TRUE(store.writeInt("GeneralOptions", "NumberDownloads", 12));
    ASSERT_TRUE(store.writeInt("GeneralOptions", "Negative", -2147483647 - 1));
    ASSERT_TRUE(store.writeBinary("GeneralOptions", "LastUpToDateCheck", allBytes));
    ASSERT_TRUE(store.writeBinary("GeneralOptions", "Empty", {}));
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(store.writeString("Texts", "t" + std::to_string(i), texts[i]));

    // A second store on the same file reads what the first wrote.
    const SettingsStore other(file());
    EXPECT_EQ(other.readInt("GeneralOptions", "NumberDownloads", 5), 12);
    EXPECT_EQ(other.readInt("GeneralOptions", "Negative", 0), -2147483647 - 1);
    EXPECT_EQ(other.readBinary("GeneralOptions", "LastUpToDateCheck"), allBytes);
    EXPECT_EQ(other.readBinary("GeneralOptions", "Empty"), std::vector<std::uint8_t>{});
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(other.readString("Texts", "t" + std::to_string(i), "default"), texts[i]) << i;

    // Values of another kind give the default.
    EXPECT_EQ(other.readInt("Texts", "t1", 7), 7);
    EXPECT_EQ(other.readInt("GeneralOptions", "LastUpToDateCheck", 7), 7);
    EXPECT_FALSE(other.readBinary("GeneralOptions", "NumberDownloads"));
    EXPECT_FALSE(other.readBinary("Texts", "t1"));
    // The file format keeps no integer type: a text of digits reads as a number.
    ASSERT_TRUE(store.writeString("GraphView", "Digits", "42"));
    EXPECT_EQ(other.readInt("GraphView", "Digits", 0), 42);
    EXPECT_EQ(other.readString("GeneralOptions", "NumberDownloads"), "12");
}

TEST_F(SettingsTest, KeysAndValuesAreListedAndDeleted) {
    SettingsStore store(file());
    for (const char* name : {"b-template", "A template", "US-Yahoo", "a template", "DE-Tradegate"}) {
        ASSERT_TRUE(store.writeString(SettingsKey("Server").child(name), "URL", std::string("http://") + name));
        ASSERT_TRUE(store.writeInt(SettingsKey("Server").child(name), "Timeout", 60));
    }
    ASSERT_TRUE(store.writeString("Server\\US-Yahoo\\Nested", "Deep", "x"));
    ASSERT_TRUE(store.writeString("Server", "Loose", "value in the key itself"));
    ASSERT_TRUE(store.writeString("ImportServer\\Hist", "URL", "h"));
    ASSERT_TRUE(store.writeString("Server Version", "Version name", "1.0"));

    // Sorted without regard to letter case, as the registry lists them.
    EXPECT_EQ(store.subKeys("Server"), (Strings{"A template", "a template", "b-template", "DE-Tradegate", "US-Yahoo"}));
    EXPECT_EQ(store.subKeys(SettingsKey()), (Strings{"ImportServer", "Server", "Server Version"}));
    EXPECT_EQ(store.valueNames("Server\\US-Yahoo"), (Strings{"Timeout", "URL"}));
    EXPECT_EQ(store.subKeys("Server\\US-Yahoo"), (Strings{"Nested"}));
    EXPECT_EQ(store.valueNames("Server"), (Strings{"Loose"}));
    EXPECT_TRUE(store.subKeys("Missing").empty());
    EXPECT_TRUE(store.valueNames("Missing\\Deeper").empty());
    EXPECT_TRUE(store.keyExists("Server\\US-Yahoo"));
    EXPECT_FALSE(store.keyExists("Server\\Nobody"));

    // Deleting a key takes everything below it and nothing beside it.
    EXPECT_TRUE(store.deleteKey("Server\\US-Yahoo"));
    EXPECT_FALSE(store.keyExists("Server\\US-Yahoo"));
    EXPECT_FALSE(store.hasValue("Server\\US-Yahoo\\Nested", "Deep"));
    EXPECT_EQ(store.subKeys("Server"), (Strings{"A template", "a template", "b-template", "DE-Tradegate"}));
    EXPECT_EQ(store.readString("Server\\DE-Tradegate", "URL"), "http://DE-Tradegate");
    EXPECT_EQ(store.readString("Server", "Loose"), "value in the key itself");
    EXPECT_FALSE(store.deleteKey("Server\\US-Yahoo"));
    EXPECT_FALSE(store.deleteKey(SettingsKey()));

    EXPECT_TRUE(store.deleteValue("Server\\DE-Tradegate", "Timeout"));
    EXPECT_FALSE(store.deleteValue("Server\\DE-Tradegate", "Timeout"));
    EXPECT_EQ(store.valueNames("Server\\DE-Tradegate"), (Strings{"URL"}));

    // A value and a sub-key may share a name; deleting one keeps the other.
    ASSERT_TRUE(store.writeString("ListView", "Dimensions", "value"));
    ASSERT_TRUE(store.writeInt("ListView\\Dimensions", "Width", 640));
    EXPECT_TRUE(store.deleteValue("ListView", "Dimensions"));
    EXPECT_FALSE(store.hasValue("ListView", "Dimensions"));
    EXPECT_EQ(store.readInt("ListView\\Dimensions", "Width", 0), 640);
    ASSERT_TRUE(store.writeString("ListView", "Dimensions", "value"));
    EXPECT_TRUE(store.deleteKey("ListView\\Dimensions"));
    EXPECT_EQ(store.readString("ListView", "Dimensions"), "value");
    EXPECT_FALSE(store.keyExists("ListView\\Dimensions"));

    // All of it is in the file, for the next store.
    const SettingsStore other(file());
    EXPECT_EQ(other.subKeys("Server"), (Strings{"A template", "a template", "b-template", "DE-Tradegate"}));
    EXPECT_EQ(other.valueNames("ListView"), (Strings{"Dimensions"}));
}

TEST_F(SettingsTest, NamesAreTakenLiterally) {
    SettingsStore store(file());
    const Strings names = {
        "Yahoo/Finance",
        "Back\\slash",
        "both/\\and\\/",
        "/leading",
        "trailing\\",
        "a=b",
        "100%",
        "%2F",
        "%",
        "",
        "General",
        "[section]",
        "semi;colon #hash",
        " spaced ",
        "B\xC3\xB6rse M\xC3\xBCnchen \xE2\x82\xAC",
    };
    const SettingsKey server("Server");
    for (const auto& name : names) {
        ASSERT_TRUE(store.writeString(server.child(name), "URL", "url of " + name)) << name;
        ASSERT_TRUE(store.writeString("Values", name, "value of " + name)) << name;
        ASSERT_TRUE(store.writeString(SettingsKey(), name, "root " + name)) << name;
    }
    const SettingsStore other(file());
    Strings sorted = names;
    std::sort(sorted.begin(), sorted.end());
    Strings listed = other.subKeys(server);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, sorted);
    Strings values = other.valueNames("Values");
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, sorted);
    Strings rootValues = other.valueNames(SettingsKey());
    std::sort(rootValues.begin(), rootValues.end());
    EXPECT_EQ(rootValues, sorted);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(other.readString(server.child(name), "URL"), "url of " + name);
        EXPECT_EQ(other.readString("Values", name), "value of " + name);
        EXPECT_EQ(other.readString(SettingsKey(), name), "root " + name);
        // A slash or backslash in a name never opens a further level.
        EXPECT_TRUE(other.subKeys(server.child(name)).empty());
    }
    EXPECT_TRUE(other.subKeys("Server\\Yahoo").empty());
    EXPECT_FALSE(other.hasValue("Server\\Yahoo\\Finance", "URL"));

    // Deleting the key named "Yahoo/Finance" leaves "Yahoo" alone and vice versa.
    ASSERT_TRUE(store.writeString(server.child("Yahoo"), "URL", "plain"));
    EXPECT_TRUE(store.deleteKey(server.child("Yahoo/Finance")));
    EXPECT_EQ(store.readString(server.child("Yahoo"), "URL"), "plain");
    // The empty name is a key of its own, not the parent.
    EXPECT_TRUE(store.deleteKey(server.child("")));
    EXPECT_TRUE(store.keyExists(server.child("General")));
    EXPECT_EQ(store.subKeys(server).size(), names.size() - 1);
}

TEST_F(SettingsTest, ProgramStoreFollowsXdgConfigHome) {
    const auto expected = dir() / "home/.config/Velmora/Corvana.conf";
    EXPECT_EQ(settingsStore().file(), expected);
    ASSERT_TRUE(settingsStore().writeInt("GeneralOptions", "Autoupdate", 1));
    EXPECT_TRUE(std::filesystem::exists(expected));
    EXPECT_EQ(SettingsStore(expected).readInt("GeneralOptions", "Autoupdate", 0), 1);

    const auto elsewhere = dir() / "elsewhere";
    setenv("XDG_CONFIG_HOME", elsewhere.c_str(), 1);
    EXPECT_EQ(settingsStore().file(), elsewhere / "Velmora/Corvana.conf");
    EXPECT_EQ(settingsStore().readInt("GeneralOptions", "Autoupdate", 0), 0);
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReported) {
    // A folder stands where the file should be.
    std::filesystem::create_directories(path("blocked/Corvana.conf"));
    SettingsStore store(path("blocked/Corvana.conf"));
    EXPECT_FALSE(store.writeInt("GeneralOptions", "Autoupdate", 1));
    EXPECT_EQ(store.readInt("GeneralOptions", "Autoupdate", 0), 0);
}

// Several threads write and read their own values, through one store and
// through stores of their own on the same file.
TEST_F(SettingsTest, ThreadsShareTheStore) {
    SettingsStore shared(file());
    constexpr int kThreads = 6;
    constexpr int kRounds = 25;
    std::vector<std::thread> threads;
    std::vector<int> mismatches(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            SettingsStore own(file());
            SettingsStore& store = t % 2 ? shared : own;
            const SettingsKey key = SettingsKey("Threads").child("worker " + std::to_string(t));
            for (int i = 0; i < kRounds; ++i) {
                store.writeInt(key, "Round", i);
                store.writeString(key, "Text", "round " + std::to_string(i));
                if (store.readInt(key, "Round", -1) != i ||
                    store.readString(key, "Text") != "round " + std::to_string(i))
                    ++mismatches[t];
                store.readInt("GeneralOptions", "NumberDownloads", 5);
                store.subKeys("Threads");
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(mismatches[t], 0) << t;
        const SettingsKey key = SettingsKey("Threads").child("worker " + std::to_string(t));
        EXPECT_EQ(SettingsStore(file()).readInt(key, "Round", -1), kRounds - 1);
    }
    EXPECT_EQ(shared.subKeys("Threads").size(), static_cast<std::size_t>(kThreads));
}

// The identity of the settings file: every write replaces it by a new file.
ino_t fileIdentity(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A write that leaves the stored value as it is does not touch the file: not after a round trip
// through the file, whatever the type, nor for a value written as text and read as a number.
TEST_F(SettingsTest, AWriteThatChangesNothingLeavesTheFileAlone) {
    SettingsStore store(file());
    const std::vector<std::uint8_t> bytes = {0, 1, 0xFF};
    ASSERT_TRUE(store.writeInt("GeneralOptions", "NumberDownloads", 5));
    ASSERT_TRUE(store.writeString("GeneralOptions", "ProxyAddress", "proxy, with comma"));
    ASSERT_TRUE(store.writeString("GeneralOptions", "Latin1", "caf\xE9"));
    ASSERT_TRUE(store.writeBinary("GeneralOptions", "LastUpToDateCheck", bytes));
    ASSERT_TRUE(store.writeString("GeneralOptions", "Port", "80"));
    const ino_t written = fileIdentity(file());
    ASSERT_NE(written, 0u);

    EXPECT_TRUE(store.writeInt("GeneralOptions", "NumberDownloads", 5));
    EXPECT_TRUE(store.writeString("GeneralOptions", "ProxyAddress", "proxy, with comma"));
    EXPECT_TRUE(store.writeString("GeneralOptions", "Latin1", "caf\xE9"));
    EXPECT_TRUE(store.writeBinary("GeneralOptions", "LastUpToDateCheck", bytes));
    EXPECT_TRUE(store.writeInt("GeneralOptions", "Port", 80));
    EXPECT_EQ(fileIdentity(file()), written);

    // A different value or type is written.
    struct Change {
        const char* what;
        std::function<bool(SettingsStore&)> write;
    };
    const std::vector<Change> changes = {
        {"number", [](SettingsStore& s) { return s.writeInt("GeneralOptions", "NumberDownloads", 6); }},
        {"text for a number", [](SettingsStore& s) { return s.writeString("GeneralOptions", "Port", "080"); }},
        {"bytes for a text", [&](SettingsStore& s) { return s.writeBinary("GeneralOptions", "ProxyAddress", bytes); }},
        {"a new value", [](SettingsStore& s) { return s.writeInt("GeneralOptions", "ZipFile", 0); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        const ino_t before = fileIdentity(file());
        EXPECT_TRUE(c.write(store));
        EXPECT_NE(fileIdentity(file()), before);
    }
    EXPECT_EQ(store.readInt("GeneralOptions", "Port", 0), 80);
    EXPECT_EQ(store.readBinary("GeneralOptions", "ProxyAddress"), bytes);
}

// The same changes made one by one and within a batch leave the same values, the results and the
// reads along the way included; the batch writes the file once, at its end, and not at all when
// its changes undo each other.
TEST_F(SettingsTest, ABatchWritesTheFileOnceAndOnlyWhenSomethingChanged) {
    const auto steps = [](SettingsStore& store, std::vector<std::string>& seen) {
        const auto note = [&seen](bool result) { seen.push_back(result ? "true" : "false"); };
        note(store.writeInt("GeneralOptions", "NumberDownloads", 9));
        note(store.writeString("Recent File List", "File1", "/b.cvr"));
        note(store.writeString("Recent File List", "File2", "/a.cvr"));
        note(store.deleteValue("Server", "Gone"));
        note(store.deleteValue("Server", "Kept"));
        note(store.deleteKey("Server\\Old"));
        note(store.writeString("Server\\New", "URL", "http://new"));
        seen.push_back(std::to_string(store.readInt("GeneralOptions", "NumberDownloads", 0)));
        seen.push_back(store.readString("Recent File List", "File1"));
        seen.push_back(std::to_string(store.hasValue("Server", "Kept")));
        for (const auto& name : store.subKeys("Server"))
            seen.push_back("key " + name);
        for (const auto& name : store.valueNames("Recent File List"))
            seen.push_back("value " + name);
        seen.push_back(std::to_string(store.keyExists("Server\\Old")));
    };
    const auto prepare = [](const std::filesystem::path& f) {
        SettingsStore store(f);
        store.writeInt("GeneralOptions", "NumberDownloads", 5);
        store.writeString("Recent File List", "File1", "/a.cvr");
        store.writeString("Server", "Kept", "value beside its key");
        store.writeString("Server\\Kept", "URL", "http://kept");
        store.writeString("Server\\Old", "URL", "http://old");
        store.writeString("Server", "Old", "value beside the deleted key");
    };
    const auto contents = [](const std::filesystem::path& f) {
        SettingsStore store(f);
        std::vector<std::string> all;
        const std::function<void(const SettingsKey&, const std::string&)> walk = [&](const SettingsKey& key,
                                                                                    const std::string& at) {
            for (const auto& name : store.valueNames(key))
                all.push_back(at + name + "=" + store.readString(key, name));
            for (const auto& name : store.subKeys(key))
                walk(key.child(name), at + name + "\\");
        };
        walk(SettingsKey(), "");
        return all;
    };

    const auto single = path("single/Corvana.conf");
    prepare(single);
    SettingsStore direct(single);
    std::vector<std::string> seenDirect;
    steps(direct, seenDirect);

    prepare(file());
    SettingsStore store(file());
    std::vector<std::string> seenBatched;
    const ino_t before = fileIdentity(file());
    const std::string bytesBefore = testsupport::readFile(file());
    {
        const SettingsBatch batch(store);
        steps(store, seenBatched);
        SettingsStore other(file());
        const SettingsBatch joined(other); // another store of the same file joins
        EXPECT_TRUE(other.writeInt("GeneralOptions", "Joined", 1));
        EXPECT_EQ(testsupport::readFile(file()), bytesBefore); // nothing written yet
        EXPECT_EQ(fileIdentity(file()), before);
    }
    EXPECT_NE(fileIdentity(file()), before);
    EXPECT_EQ(seenBatched, seenDirect);
    std::vector<std::string> expected = contents(single);
    expected.insert(std::find(expected.begin(), expected.end(), "GeneralOptions\\NumberDownloads=9"),
                    "GeneralOptions\\Joined=1");
    EXPECT_EQ(contents(file()), expected);

    // A list rewritten with its own entries, an option saved with its own value: no write.
    const ino_t written = fileIdentity(file());
    {
        const SettingsBatch batch(store);
        store.deleteKey("Recent File List");
        store.writeString("Recent File List", "File1", "/b.cvr");
        store.writeString("Recent File List", "File2", "/a.cvr");
        store.writeInt("GeneralOptions", "NumberDownloads", 9);
        store.writeInt("GeneralOptions", "Joined", 2);
        store.writeInt("GeneralOptions", "Joined", 1);
    }
    EXPECT_EQ(fileIdentity(file()), written);
    EXPECT_EQ(contents(file()), expected);
}
} // namespace
