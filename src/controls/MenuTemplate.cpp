#include "controls/MenuTemplate.h"

#include <map>

namespace {

void putWord(std::vector<std::uint8_t>& out, unsigned word) {
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
    out.push_back(static_cast<std::uint8_t>((word >> 8) & 0xFF));
}

bool putLevel(std::vector<std::uint8_t>& out, const std::vector<MenuEntry>& entries) {
    if (entries.empty())
        return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries[i];
        unsigned options = entry.options & ~(MF_POPUP | MF_END);
        if (entry.popup)
            options |= MF_POPUP;
        if (i + 1 == entries.size())
            options |= MF_END;
        putWord(out, options);
        if (!entry.popup)
            putWord(out, entry.id);
        for (const QChar c : entry.text)
            putWord(out, c.unicode());
        putWord(out, 0);
        if (entry.popup && !putLevel(out, entry.items))
            return false;
    }
    return true;
}

// Checked reads over the template's bytes.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool word(unsigned& out) {
        if (m_bytes.size() - m_pos < 2)
            return false;
        out = static_cast<unsigned>(m_bytes[m_pos]) | (static_cast<unsigned>(m_bytes[m_pos + 1]) << 8);
        m_pos += 2;
        return true;
    }
    bool skip(std::size_t count) {
        if (m_bytes.size() - m_pos < count)
            return false;
        m_pos += count;
        return true;
    }
    bool text(QString& out) {
        out.clear();
        for (unsigned c = 0;;) {
            if (!word(c))
                return false;
            if (c == 0)
                return true;
            out.append(QChar(static_cast<char16_t>(c)));
        }
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

std::map<unsigned, std::vector<std::uint8_t>>& resources() {
    static std::map<unsigned, std::vector<std::uint8_t>> table;
    return table;
}

} // namespace

std::vector<std::uint8_t> buildMenuTemplate(const std::vector<MenuEntry>& entries) {
    std::vector<std::uint8_t> out;
    putWord(out, 0); // version
    putWord(out, 0); // offset of the first item
    if (!putLevel(out, entries))
        return {};
    return out;
}

std::optional<std::vector<MenuTemplateItem>> readMenuTemplate(std::span<const std::uint8_t> bytes) {
    Reader reader(bytes);
    unsigned version = 0, offset = 0;
    if (!reader.word(version) || !reader.word(offset) || !reader.skip(offset))
        return std::nullopt;
    std::vector<MenuTemplateItem> items;
    // The levels as the loader stacks them: a level is ended by its last item (MF_END); a popup's
    // level ends when its own items are done. Reading stops when the top level has ended.
    std::vector<bool> ended{false};
    while (!ended.empty()) {
        MenuTemplateItem item;
        if (!reader.word(item.options))
            return std::nullopt;
        const bool popup = item.options & MF_POPUP;
        if (!popup && !reader.word(item.id))
            return std::nullopt;
        if (!reader.text(item.text))
            return std::nullopt;
        if (item.options & MF_END)
            ended.back() = true;
        if (popup) {
            ended.push_back(false);
        } else {
            while (!ended.empty() && ended.back())
                ended.pop_back();
        }
        items.push_back(std::move(item));
    }
    return items;
}

void registerMenuResource(unsigned id, std::vector<std::uint8_t> menuTemplate) {
    resources()[id] = std::move(menuTemplate);
}

const std::vector<std::uint8_t>* findMenuResource(unsigned id) {
    const auto it = resources().find(id);
    return it == resources().end() ? nullptr : &it->second;
}
