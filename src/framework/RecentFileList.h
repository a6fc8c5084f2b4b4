#pragma once
// The File menu's list of recently used files: most recent first, at most `size` entries, kept in
// the settings section "Recent File List" as the values "File1", "File2", ... in that order.
//
// Paths are kept absolute and compared exactly (file names are case-sensitive here).

#include <filesystem>
#include <string>
#include <vector>

class SettingsStore;

class RecentFileList {
public:
    static constexpr const char* kSection = "Recent File List";
    static constexpr const char* kEntryPrefix = "File";

    // A list of at most `size` entries (at least 1) on `store`; empty until ReadList.
    RecentFileList(SettingsStore& store, int size);

    // Capacity and number of entries.
    int GetSize() const { return m_size; }
    int count() const { return static_cast<int>(m_paths.size()); }
    // Entry `index` (0 = most recent); empty beyond the entries.
    std::filesystem::path operator[](int index) const;
    const std::vector<std::filesystem::path>& paths() const { return m_paths; }

    // Puts `path` (made absolute) at the top; an equal entry moves there, the oldest entry falls off.
    void Add(const std::filesystem::path& path);
    // Removes entry `index`; an index beyond the entries changes nothing.
    void Remove(int index);

    // Reads the entries File1..File<size> (empty and missing values are skipped).
    void ReadList();
    // Replaces the section by the current entries; false when the store could not be written.
    bool WriteList() const;

    // The entry's name for the menu: the file name when the file lies in `currentFolder`, else the
    // path with the home folder shown as "~", shortened in the middle ("/.../") to `maxLength`
    // characters but never below the file name.
    std::string GetDisplayName(int index, const std::filesystem::path& currentFolder, std::size_t maxLength = 30) const;
    // The menu text of entry `index`: "&1 name" (ampersands in the name doubled); the number is the
    // entry's position, 1 to 9, then 10 without a mnemonic.
    std::string menuText(int index, const std::filesystem::path& currentFolder) const;

private:
    SettingsStore& m_store;
    int m_size;
    std::vector<std::filesystem::path> m_paths;
};
