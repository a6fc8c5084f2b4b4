#include "framework/RecentFileList.h"

#include "platform/Settings.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string entryName(int number) {
    return RecentFileList::kEntryPrefix + std::to_string(number);
}

std::vector<std::string> splitAtSlash(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = text.find('/', start);
        parts.push_back(text.substr(start, slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

} // namespace

RecentFileList::RecentFileList(SettingsStore& store, int size) : m_store(store), m_size(std::max(size, 1)) {}

std::filesystem::path RecentFileList::operator[](int index) const {
    if (index < 0 || index >= count())
        return {};
    return m_paths[static_cast<std::size_t>(index)];
}

void RecentFileList::Add(const std::filesystem::path& path) {
    if (path.empty())
        return;
    const std::filesystem::path full = std::filesystem::absolute(path).lexically_normal();
    std::erase(m_paths, full);
    m_paths.insert(m_paths.begin(), full);
    if (count() > m_size)
        m_paths.resize(static_cast<std::size_t>(m_size));
}

void RecentFileList::Remove(int index) {
    if (index >= 0 && index < count())
        m_paths.erase(m_paths.begin() + index);
}

void RecentFileList::ReadList() {
    m_paths.clear();
    for (int number = 1; number <= m_size; ++number) {
        const std::string value = m_store.readString(kSection, entryName(number));
        if (!value.empty())
            m_paths.emplace_back(value);
    }
}

bool RecentFileList::WriteList() const {
    m_store.deleteKey(kSection);
    bool ok = true;
    int number = 1;
    for (const auto& path : m_paths)
        ok = m_store.writeString(kSection, entryName(number++), path.string()) && ok;
    return ok;
}

std::string RecentFileList::GetDisplayName(int index, const std::filesystem::path& currentFolder,
                                           std::size_t maxLength) const {
    const std::filesystem::path path = (*this)[index];
    const std::string fileName = path.filename().string();
    if (!currentFolder.empty() && path.parent_path() == currentFolder.lexically_normal())
        return fileName;

    std::string text = path.string();
    if (const char* home = std::getenv("HOME"); home && *home) {
        std::string prefix = home;
        if (prefix.back() != '/')
            prefix += '/';
        if (text.starts_with(prefix))
            text = "~/" + text.substr(prefix.size());
    }
    if (text.size() <= maxLength)
        return text;

    // Keep the root ("" before the first '/', or "~") and as many trailing folders as fit.
    const std::vector<std::string> parts = splitAtSlash(text);
    const std::string head = parts.front() + "/.../";
    std::string tail = fileName;
    if (head.size() + tail.size() > maxLength)
        return fileName;
    for (std::size_t i = parts.size() - 1; i-- > 1;) {
        const std::string longer = parts[i] + "/" + tail;
        if (head.size() + longer.size() > maxLength)
            break;
        tail = longer;
    }
    return head + tail;
}

std::string RecentFileList::menuText(int index, const std::filesystem::path& currentFolder) const {
    std::string name;
    for (const char c : GetDisplayName(index, currentFolder)) {
        name += c;
        if (c == '&')
            name += '&';
    }
    const int number = index + 1;
    return (number < 10 ? "&" : "") + std::to_string(number) + " " + name;
}
