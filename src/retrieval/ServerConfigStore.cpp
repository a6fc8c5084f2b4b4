#include "retrieval/ServerConfigStore.h"

#include "log/Log.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <cerrno>

using textcodec::formatText;

namespace {

const SettingsKey kServerKey("Server");
const SettingsKey kImportServerKey("ImportServer");
const SettingsKey kServerVersionKey("Server Version");

// One stored value of a record: its name in the record's key and the field it belongs to, a text
// or a number (a dword in the export). Loading and the export take every value in table order;
// saving leaves out those that are never written.
template <class Record> struct StoredField {
    const char* name;
    std::string Record::*text = nullptr;
    int Record::*number = nullptr;
    bool written = true;
};

template <class Record>
constexpr StoredField<Record> textField(const char* name, std::string Record::*field, bool written = true) {
    return {name, field, nullptr, written};
}

template <class Record> constexpr StoredField<Record> numberField(const char* name, int Record::*field) {
    return {name, nullptr, field, true};
}

using S = ServerSettings;
using I = ImportServerSettings;

// "SymbolInfo" and "SymbolSearchUrl" are read and exported, never written.
constexpr StoredField<S> kServerFields[] = {
    textField("URL", &S::m_strURL),
    textField("TAUSEND", &S::m_strThousands),
    textField("DECIMAL", &S::m_strDecimal),
    textField("Text_before_Value", &S::m_strTextBeforeValue),
    numberField("Timeout", &S::m_nTimeout),
    numberField("Format", &S::m_nFormat),
    numberField("Nr_HTML_before_Value", &S::m_nHtmlBeforeValue),
    numberField("Numbers_before_Value", &S::m_nNumbersBeforeValue),
    numberField("NoCaseSensitiv", &S::m_bNoCaseSensitive),
    numberField("Filtering", &S::m_nFiltering),
    textField("RegExp", &S::m_strRegExp),
    textField("SymbolInfo", &S::m_strSymbolInfo, false),
    textField("SymbolSearchUrl", &S::m_strSymbolSearchUrl, false),
};

constexpr StoredField<I> kImportServerFields[] = {
    textField("URL", &I::m_strURL),
    textField("TAUSEND", &I::m_strThousands),
    textField("DECIMAL", &I::m_strDecimal),
    numberField("Format", &I::m_nFormat),
    numberField("NoCaseSensitiv", &I::m_bNoCaseSensitive),
    textField("RegExp", &I::m_strRegExp),
    textField("SymbolInfo", &I::m_strSymbolInfo, false),
    textField("SymbolSearchUrl", &I::m_strSymbolSearchUrl, false),
};

// `text` with each control character other than tab made a blank.
std::string blankedControlCharacters(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            c = ' ';
    return out;
}

// A text of the export, on one line: control characters of an older store become blanks, with a
// warning naming the record and the value.
std::string exportLineText(std::string_view text, const std::string& record, const char* value) {
    if (!holdsControlCharacter(text))
        return std::string(text);
    CVR_LOG(LOG_LEVEL_WARNING, "Export of \"%s\": %s holds control characters; they are written as blanks",
            blankedControlCharacters(record).c_str(), value);
    return blankedControlCharacters(text);
}

// Why `record` cannot be saved under `name` (a control character in the name or in a text
// value); empty when it can.
template <class Record, std::size_t N>
std::string saveRefusal(const std::string& name, const StoredField<Record> (&fields)[N], const Record& record) {
    const char* const reason = "holds a line break or another control character";
    if (holdsControlCharacter(name))
        return formatText("The name \"%s\" %s and cannot be saved.", blankedControlCharacters(name).c_str(), reason);
    for (const auto& f : fields)
        if (f.written && f.text && holdsControlCharacter(record.*f.text))
            return formatText("\"%s\" cannot be saved: its value %s %s.", name.c_str(), f.name, reason);
    return {};
}

// Reads every stored value over its field; a value that is not stored leaves the field as it is.
template <class Record, std::size_t N>
void readFields(const SettingsStore& store, const SettingsKey& key, const StoredField<Record> (&fields)[N],
                Record& record) {
    for (const auto& f : fields) {
        if (f.text)
            record.*f.text = store.readString(key, f.name, record.*f.text);
        else
            record.*f.number = store.readInt(key, f.name, record.*f.number);
    }
}

// Writes every field that is written, all of them even after a failure; false when any failed.
template <class Record, std::size_t N>
bool writeFields(SettingsStore& store, const SettingsKey& key, const StoredField<Record> (&fields)[N],
                 const Record& record) {
    bool ok = true;
    for (const auto& f : fields) {
        if (!f.written)
            continue;
        const bool stored =
            f.text ? store.writeString(key, f.name, record.*f.text) : store.writeInt(key, f.name, record.*f.number);
        ok = stored && ok;
    }
    return ok;
}

// The export's lines of a record's values: "name"="text" or "name"=dword:%08x.
template <class Record, std::size_t N>
std::string exportFields(const StoredField<Record> (&fields)[N], const Record& record) {
    std::string out;
    for (const auto& f : fields) {
        if (f.text)
            out += std::string("\"") + f.name + "\"=\"" +
                   EscapeRegString(exportLineText(record.*f.text, record.m_strName, f.name)) + "\"\r\n";
        else
            out += formatText("\"%s\"=dword:%08x\r\n", f.name, static_cast<unsigned>(record.*f.number));
    }
    return out;
}

// The cause code of a file error as the message shows it (the class library's numbering).
int fileErrorCause(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return 3; // bad path
    case EMFILE:
    case ENFILE:
        return 4; // too many open files
    case EACCES:
    case EPERM:
    case EROFS:
        return 5; // access denied
    case EISDIR:
        return 6; // invalid file
    case ENOSPC:
    case EDQUOT:
        return 13; // disk full
    case EIO:
        return 10; // hardware error
    default:
        return 1; // generic
    }
}

} // namespace

void EnumServerNames(std::vector<std::string>& names, const SettingsStore& store) {
    names = store.subKeys(kServerKey);
}

void EnumImportServerNames(std::vector<std::string>& names, const SettingsStore& store) {
    names = store.subKeys(kImportServerKey);
}

void LoadServerSettings(const std::string& name, ServerSettings* record, const SettingsStore& store) {
    if (!record)
        return;
    record->m_strName = name;
    record->m_strURL.clear();
    record->m_strThousands = std::string(".");
    record->m_strDecimal = std::string(",");
    record->m_strTextBeforeValue.clear();
    record->m_nTimeout = 60;
    record->m_nFormat = 0;
    record->m_nHtmlBeforeValue = 0;
    record->m_nNumbersBeforeValue = 0;
    record->m_bNoCaseSensitive = 1;
    record->m_nFiltering = 0;
    record->m_strRegExp.clear();
    record->m_strSymbolInfo.clear();
    record->m_strSymbolSearchUrl.clear();
    record->m_nRegExpQuotationIndex = 1;
    record->m_bRegExpExtractDate = 0;
    record->m_nRegExpDayIndex = 2;
    record->m_nRegExpMonthIndex = 3;
    record->m_nRegExpYearIndex = 4;
    record->m_bRegExpExtractTime = 0;
    record->m_nRegExpHourIndex = 5;
    record->m_nRegExpMinuteIndex = 6;
    if (name.empty())
        return;
    readFields(store, kServerKey.child(name), kServerFields, *record);
}

void LoadImportServerSettings(const std::string& name, ImportServerSettings* record, const SettingsStore& store) {
    if (!record)
        return;
    record->m_strName = name;
    record->m_strURL.clear();
    record->m_strThousands = std::string(".");
    record->m_strDecimal = std::string(",");
    record->m_nFormat = 0;
    record->m_bNoCaseSensitive = 1;
    record->m_strRegExp.clear();
    record->m_strSymbolInfo.clear();
    record->m_strSymbolSearchUrl.clear();
    if (name.empty())
        return;
    readFields(store, kImportServerKey.child(name), kImportServerFields, *record);
}

bool SaveServerSettings(const std::string& name, const ServerSettings* record, SettingsStore& store,
                        std::string* error) {
    if (name.empty() || !record)
        return false;
    if (std::string refusal = saveRefusal(name, kServerFields, *record); !refusal.empty()) {
        CVR_LOG(LOG_LEVEL_ERROR, "%s", refusal.c_str());
        if (error)
            *error = std::move(refusal);
        return false;
    }
    return writeFields(store, kServerKey.child(name), kServerFields, *record);
}

bool SaveImportServerSettings(const std::string& name, const ImportServerSettings* record, SettingsStore& store,
                              std::string* error) {
    if (name.empty() || !record)
        return false;
    if (std::string refusal = saveRefusal(name, kImportServerFields, *record); !refusal.empty()) {
        CVR_LOG(LOG_LEVEL_ERROR, "%s", refusal.c_str());
        if (error)
            *error = std::move(refusal);
        return false;
    }
    return writeFields(store, kImportServerKey.child(name), kImportServerFields, *record);
}

bool DeleteServerSettings(const std::string& name, SettingsStore& store) {
    if (name.empty())
        return false;
    return store.deleteKey(kServerKey.child(name));
}

bool DeleteImportServerSettings(const std::string& name, SettingsStore& store) {
    if (name.empty())
        return false;
    return store.deleteKey(kImportServerKey.child(name));
}

bool holdsControlCharacter(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return true;
    return false;
}

std::string EscapeRegString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else
            out += c;
    }
    return out;
}

std::string ServerSettingsExportText(const SettingsStore& store) {
    std::vector<std::string> servers;
    std::vector<std::string> imports;
    EnumServerNames(servers, store);
    EnumImportServerNames(imports, store);

    std::string out = "REGEDIT4\r\n\r\n";
    out += formatText("[HKEY_CURRENT_USER\\%s]\r\n\r\n", kServerKeyText);
    out += formatText("[HKEY_CURRENT_USER\\%s]\r\n\r\n", kImportServerKeyText);
    out += "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server Version]\r\n";
    const std::string version = store.readString(kServerVersionKey, "Version name", "unknown");
    out += "\"Version name\"=\"" + EscapeRegString(exportLineText(version, "Server Version", "Version name")) +
           "b\"\r\n\r\n";

    for (const auto& name : servers) {
        ServerSettings s;
        LoadServerSettings(name, &s, store);
        out += std::string("[HKEY_CURRENT_USER\\") + kServerKeyText + exportLineText(name, name, "the name") + "]\r\n";
        out += exportFields(kServerFields, s) + "\r\n";
    }
    for (const auto& name : imports) {
        ImportServerSettings s;
        LoadImportServerSettings(name, &s, store);
        out += std::string("[HKEY_CURRENT_USER\\") + kImportServerKeyText + exportLineText(name, name, "the name") +
               "]\r\n";
        out += exportFields(kImportServerFields, s) + "\r\n";
    }
    return out;
}

ExportResult ExportServerSettings(const std::string& path, const SettingsStore& store) {
    const std::string text = ServerSettingsExportText(store);
    ExportResult result;
    AtomicFileWriter file(path);
    if (file.open() && file.write(text) && file.commit()) {
        result.ok = true;
        return result;
    }
    result.cause = fileErrorCause(file.errorNumber());
    result.message = formatText("File could not be saved (%i)", result.cause);
    return result;
}
