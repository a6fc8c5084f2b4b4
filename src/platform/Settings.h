#pragma once
// The program's settings store, standing for the registry key
// HKEY_CURRENT_USER\Software\Velmora\Corvana: integer, text and binary values
// in keys below that root. Kept by QSettings in the INI file
// $XDG_CONFIG_HOME/Velmora/Corvana.conf (~/.config/Velmora/Corvana.conf).
//
// Every section and value name is taken literally: a name that holds '/' or
// '\' (a template name may) is escaped in the file, so it comes back unchanged
// and never opens a further level. Names are case-sensitive. Texts are UTF-8.
//
// A key exists while it holds a value (in itself or below); writing a value
// creates its key. A write that leaves the stored value as it is does not touch
// the file. Every other write is synced to the file at once, so another store
// on the same file (or another process) sees it -- except within a
// SettingsBatch, which writes the file once at its end. All stores of the
// process are serialised by one lock, so any thread may use them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A key below the root: a list of sections. Converts from a backslash-separated
// path as written in code ("GeneralOptions", "MainWindow\\Dimensions"); names
// that come from the user are appended with child(), which takes them literally.
class SettingsKey {
public:
    SettingsKey() = default; // the root
    SettingsKey(const char* path) : SettingsKey(std::string_view(path)) {}
    SettingsKey(const std::string& path) : SettingsKey(std::string_view(path)) {}
    // Splits at '\'; empty pieces are skipped.
    SettingsKey(std::string_view path);

    // This key extended by one section named `name` exactly (an empty name too).
    SettingsKey child(std::string_view name) const;

    const std::vector<std::string>& sections() const { return m_sections; }
    bool isRoot() const { return m_sections.empty(); }

private:
    std::vector<std::string> m_sections;
};

class SettingsStore {
public:
    // The program's own store; its file follows $XDG_CONFIG_HOME (else
    // ~/.config) anew on every call.
    SettingsStore() = default;
    // A store on the given INI file (tests, tools).
    explicit SettingsStore(std::filesystem::path file);

    // The file the next call will use.
    std::filesystem::path file() const;

    // Reads a value; `defaultValue` when it is missing. The file keeps no
    // integer type: readInt also reads a text that holds a decimal number (else
    // the default, as for a binary value), and readString gives an integer as
    // its decimal text and a binary value as its bytes.
    int readInt(const SettingsKey& key, std::string_view name, int defaultValue) const;
    std::string readString(const SettingsKey& key, std::string_view name, std::string_view defaultValue = {}) const;
    // Nothing when the value is missing or is not a binary value.
    std::optional<std::vector<std::uint8_t>> readBinary(const SettingsKey& key, std::string_view name) const;
    bool hasValue(const SettingsKey& key, std::string_view name) const;

    // Writes a value, creating its key; false when the file could not be written
    // (within a batch: always true; the batch's end tells).
    bool writeInt(const SettingsKey& key, std::string_view name, int value);
    // A text that is not valid UTF-8 is kept as its bytes and reads back unchanged.
    bool writeString(const SettingsKey& key, std::string_view name, std::string_view value);
    bool writeBinary(const SettingsKey& key, std::string_view name, std::span<const std::uint8_t> value);

    // Names of the sub-keys and of the values directly in `key`, sorted without
    // regard to ASCII letter case (ties by byte order), as the registry lists
    // them. Empty for a missing key.
    std::vector<std::string> subKeys(const SettingsKey& key) const;
    std::vector<std::string> valueNames(const SettingsKey& key) const;
    // True when the key holds a value in itself or below.
    bool keyExists(const SettingsKey& key) const;

    // Removes one value; a sub-key of the same name stays. True when it existed
    // and the file was written.
    bool deleteValue(const SettingsKey& key, std::string_view name);
    // Removes a key with all its values and sub-keys; a value of the same name
    // in the parent stays. The root cannot be removed. True when it existed and
    // the file was written.
    bool deleteKey(const SettingsKey& key);

private:
    std::filesystem::path m_file; // empty: the program's own file
};

// The program's own store (process-wide).
SettingsStore& settingsStore();

// The writes (and deletions) made on this thread to the stores of one file while
// the batch lives are collected in memory, and the file is written once when
// the batch ends, and only when the values it holds changed: a list rewritten
// with its own entries, or an option saved with its own value, leaves the file
// as it was. Reads on this thread within the batch see its writes. A batch
// begun while another is open on this thread joins it when it is for the same
// file, else it collects nothing (its writes go to the file at once).
class SettingsBatch {
public:
    explicit SettingsBatch(const SettingsStore& store);
    ~SettingsBatch(); // commit()
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

    // Writes what changed (the outermost batch only; a joined one leaves it to
    // that). False when the file could not be written. Later writes go to the
    // file at once.
    bool commit();

private:
    bool m_outermost = false;
    bool m_open = false;
};
