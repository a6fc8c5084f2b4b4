#include "retrieval/RegistryMerge.h"

#include "platform/TextCodec.h"
#include "retrieval/ServerConfigStore.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

using textcodec::formatText;

namespace {

constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER\\";
constexpr std::string_view kServerVersionKeyText = "Software\\Velmora\\Corvana\\Server Version";

// The keys of named configurations as the export writes them (ServerConfigStore.h), each ending
// in a backslash before the name, and the store's section the names lie in.
struct NamedKeys {
    std::string_view text;
    std::string_view section;
};
constexpr NamedKeys kNamedKeys[] = {{kServerKeyText, "Server"}, {kImportServerKeyText, "ImportServer"}};

// One value to write.
struct MergedValue {
    SettingsKey key;
    std::string keyText; // for counting the keys
    std::string name;
    bool number = false;
    std::string text;
    std::uint32_t dword = 0;
};

// The key a line opened, or why it is refused.
struct KeyLine {
    bool takesValues = false; // a named configuration or Server Version
    SettingsKey key;
    std::string text;
};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return textcodec::startsWithIgnoringAsciiCase(text, prefix);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return textcodec::equalsIgnoringAsciiCase(a, b);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

class Merger {
public:
    explicit Merger(SettingsStore& store) : m_store(store) {}

    RegistryMergeResult run(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        bool header = false;
        std::optional<KeyLine> key;
        int number = 0;
        for (std::size_t at = 0; at <= text.size();) {
            std::size_t end = text.find('\n', at);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(at, end - at);
            at = end + 1;
            ++number;
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            line = trimmed(line);
            if (line.empty() || line.front() == ';')
                continue;
            if (!header) {
                if (line != "REGEDIT4")
                    return fail(number, "the file does not begin with \"REGEDIT4\": it is not a registry file of "
                                        "the server settings export");
                header = true;
                continue;
            }
            if (line.front() == '[') {
                key = keyLine(number, line);
                if (!key)
                    return m_result;
                continue;
            }
            if (line.front() == '"' || line.front() == '@') {
                if (!key)
                    return fail(number, "a value stands before the first key");
                if (!valueLine(number, line, *key))
                    return m_result;
                continue;
            }
            return fail(number, formatText("\"%s\" is neither a key, a value nor a comment", shown(line).c_str()));
        }
        if (!header)
            return fail(1, "the file is empty: it is not a registry file of the server settings export");
        return write();
    }

private:
    RegistryMergeResult fail(int line, const std::string& reason) {
        m_result = RegistryMergeResult{};
        m_result.error = formatText("Line %i: %s. Nothing was merged.", line, reason.c_str());
        return m_result;
    }

    // At most 80 bytes of a line, for a message.
    static std::string shown(std::string_view line) {
        if (line.size() <= 80)
            return std::string(line);
        return std::string(line.substr(0, textcodec::utf8PrefixLength(line, 80))) + "...";
    }

    std::optional<KeyLine> keyLine(int number, std::string_view line) {
        if (line.size() < 2 || line.back() != ']') {
            fail(number, formatText("the key line \"%s\" is not closed by \"]\"", shown(line).c_str()));
            return std::nullopt;
        }
        const std::string_view path = line.substr(1, line.size() - 2);
        if (path.starts_with('-')) {
            fail(number, formatText("deleting the key \"%s\" is not merged; only keys with values are",
                                    shown(path.substr(1)).c_str()));
            return std::nullopt;
        }
        const auto outside = [&] {
            fail(number, formatText("the key \"%s\" lies outside the program's server and import keys",
                                    shown(path).c_str()));
            return std::nullopt;
        };
        if (!startsWithNoCase(path, kUserRoot))
            return outside();
        const std::string_view rest = path.substr(kUserRoot.size());
        KeyLine key;
        key.text = std::string(path);
        for (const NamedKeys& named : kNamedKeys) {
            if (equalsNoCase(rest, named.text) || equalsNoCase(rest, named.text.substr(0, named.text.size() - 1)))
                return key; // the key of all configurations: no values of its own
            if (rest.size() > named.text.size() && startsWithNoCase(rest, named.text)) {
                // Everything after the backslash is the name, as the export writes it.
                const std::string_view name = rest.substr(named.text.size());
                if (holdsControlCharacter(name)) {
                    fail(number, "the key's name holds a control character");
                    return std::nullopt;
                }
                key.takesValues = true;
                key.key = SettingsKey(named.section).child(name);
                return key;
            }
        }
        if (equalsNoCase(rest, kServerVersionKeyText)) {
            key.takesValues = true;
            key.key = SettingsKey("Server Version");
            return key;
        }
        return outside();
    }

    // A quoted text from `at` (on the opening quote) with the escapes \\ and \"; `at` ends behind
    // the closing quote. Nothing when it is not closed or holds another escape.
    static std::optional<std::string> quoted(std::string_view line, std::size_t& at) {
        std::string out;
        for (++at; at < line.size(); ++at) {
            const char c = line[at];
            if (c == '"') {
                ++at;
                return out;
            }
            if (c == '\\') {
                if (at + 1 >= line.size() || (line[at + 1] != '\\' && line[at + 1] != '"'))
                    return std::nullopt;
                out += line[++at];
                continue;
            }
            out += c;
        }
        return std::nullopt;
    }

    bool valueLine(int number, std::string_view line, const KeyLine& key) {
        if (line.front() == '@') {
            fail(number, "a key's default value (@) is not part of the server settings export");
            return false;
        }
        std::size_t at = 0;
        const std::optional<std::string> name = quoted(line, at);
        if (!name) {
            fail(number, formatText("the value name in \"%s\" is not a closed text", shown(line).c_str()));
            return false;
        }
        std::string_view rest = trimmed(line.substr(at));
        if (!rest.starts_with('=')) {
            fail(number, formatText("\"=\" is missing after the value name \"%s\"", shown(*name).c_str()));
            return false;
        }
        rest = trimmed(rest.substr(1));
        if (!key.takesValues) {
            fail(number, formatText("the key \"%s\" holds no values of its own; values belong to a named "
                                    "configuration",
                                    shown(key.text).c_str()));
            return false;
        }
        if (name->empty() || holdsControlCharacter(*name)) {
            fail(number, "a value name is empty or holds a control character");
            return false;
        }
        MergedValue value;
        value.key = key.key;
        value.keyText = key.text;
        value.name = *name;
        if (rest.starts_with('"')) {
            std::size_t end = 0;
            const std::optional<std::string> text = quoted(rest, end);
            if (!text || !trimmed(rest.substr(end)).empty()) {
                fail(number, formatText("the text of \"%s\" is damaged (not closed, text after it, or an escape "
                                        "other than \\\\ and \\\")",
                                        shown(*name).c_str()));
                return false;
            }
            if (holdsControlCharacter(*text)) {
                fail(number, formatText("the text of \"%s\" holds a control character", shown(*name).c_str()));
                return false;
            }
            value.text = *text;
        } else if (startsWithNoCase(rest, "dword:")) {
            const std::string_view digits = rest.substr(6);
            std::uint32_t v = 0;
            bool good = !digits.empty() && digits.size() <= 8;
            for (const char c : digits) {
                const int d = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
                if (d < 0) {
                    good = false;
                    break;
                }
                v = v << 4 | static_cast<std::uint32_t>(d);
            }
            if (!good) {
                fail(number, formatText("the number of \"%s\" is not dword: with 1 to 8 hexadecimal digits",
                                        shown(*name).c_str()));
                return false;
            }
            value.number = true;
            value.dword = v;
        } else if (rest == "-") {
            fail(number, formatText("deleting the value \"%s\" is not merged", shown(*name).c_str()));
            return false;
        } else {
            fail(number, formatText("the value \"%s\" is neither a text nor a dword; other types are not part of "
                                    "the server settings export",
                                    shown(*name).c_str()));
            return false;
        }
        m_values.push_back(std::move(value));
        return true;
    }

    RegistryMergeResult write() {
        SettingsBatch batch(m_store);
        std::set<std::string> keys;
        for (const MergedValue& v : m_values) {
            if (v.number)
                m_store.writeInt(v.key, v.name, static_cast<int>(v.dword));
            else
                m_store.writeString(v.key, v.name, v.text);
            keys.insert(v.keyText);
        }
        if (!batch.commit()) {
            m_result = RegistryMergeResult{};
            m_result.error = formatText("The settings file \"%s\" could not be written. Nothing was merged.",
                                        m_store.file().string().c_str());
            m_result.storeFailed = true;
            return m_result;
        }
        m_result.ok = true;
        m_result.keys = static_cast<int>(keys.size());
        m_result.values = static_cast<int>(m_values.size());
        return m_result;
    }

    SettingsStore& m_store;
    std::vector<MergedValue> m_values;
    RegistryMergeResult m_result;
};

} // namespace

RegistryMergeResult MergeServerSettingsText(std::string_view text, SettingsStore& store) {
    return Merger(store).run(text);
}

RegistryMergeResult MergeServerSettingsFile(const std::filesystem::path& file, SettingsStore& store) {
    RegistryMergeResult result;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
        result.error = formatText("The file \"%s\" could not be read (%s). Nothing was merged.", file.c_str(),
                                  ec ? ec.message().c_str() : "not a file");
        return result;
    }
    if (size > kMaxRegistryFileBytes) {
        result.error = formatText("The file \"%s\" is larger than %u MB: it is not a server settings export. "
                                  "Nothing was merged.",
                                  file.c_str(), static_cast<unsigned>(kMaxRegistryFileBytes >> 20));
        return result;
    }
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        result.error = formatText("The file \"%s\" could not be read. Nothing was merged.", file.c_str());
        return result;
    }
    result = MergeServerSettingsText(text, store);
    if (!result.ok)
        result.error = formatText("%s: %s", file.c_str(), result.error.c_str());
    return result;
}
