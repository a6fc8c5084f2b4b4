#include "retrieval/ServerConfigStore.h"

#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>

namespace {

const SettingsKey kServerKey("Server");
const SettingsKey kImportServerKey("ImportServer");
const SettingsKey kServerVersionKey("Server Version");

// Reads a text value over `field` when it is stored.
void readText(const SettingsStore& store, const SettingsKey& key, const char* name, std::string& field) {
    if (store.hasValue(key, name))
        field = store.readString(key, name, field);
}

void readNumber(const SettingsStore& store, const SettingsKey& key, const char* name, int& field) {
    field = store.readInt(key, name, field);
}

std::string line(const char* format, const std::string& text) {
    const int size = std::snprintf(nullptr, 0, format, text.c_str());
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, text.c_str());
    out.resize(static_cast<std::size_t>(size));
    return out;
}

std::string textLine(const char* name, const std::string& value) {
    return std::string("\"") + name + "\"=\"" + EscapeRegString(value) + "\"\r\n";
}

std::string dwordLine(const char* name, int value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "\"%s\"=dword:%08x\r\n", name, static_cast<unsigned>(value));
    return buffer;
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
    const SettingsKey key = kServerKey.child(name);
    readText(store, key, "URL", record->m_strURL);
    readText(store, key, "TAUSEND", record->m_strThousands);
    readText(store, key, "DECIMAL", record->m_strDecimal);
    readText(store, key, "Text_before_Value", record->m_strTextBeforeValue);
    readNumber(store, key, "Timeout", record->m_nTimeout);
    readNumber(store, key, "Format", record->m_nFormat);
    readNumber(store, key, "Nr_HTML_before_Value", record->m_nHtmlBeforeValue);
    readNumber(store, key, "Numbers_before_Value", record->m_nNumbersBeforeValue);
    readNumber(store, key, "NoCaseSensitiv", record->m_bNoCaseSensitive);
    readNumber(store, key, "Filtering", record->m_nFiltering);
    readText(store, key, "RegExp", record->m_strRegExp);
    readText(store, key, "SymbolInfo", record->m_strSymbolInfo);
    readText(store, key, "SymbolSearchUrl", record->m_strSymbolSearchUrl);
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
    const SettingsKey key = kImportServerKey.child(name);
    readText(store, key, "URL", record->m_strURL);
    readText(store, key, "TAUSEND", record->m_strThousands);
    readText(store, key, "DECIMAL", record->m_strDecimal);
    readNumber(store, key, "Format", record->m_nFormat);
    readNumber(store, key, "NoCaseSensitiv", record->m_bNoCaseSensitive);
    readText(store, key, "RegExp", record->m_strRegExp);
    readText(store, key, "SymbolInfo", record->m_strSymbolInfo);
    readText(store, key, "SymbolSearchUrl", record->m_strSymbolSearchUrl);
}

bool SaveServerSettings(const std::string& name, const ServerSettings* record, SettingsStore& store) {
    if (name.empty() || !record)
        return false;
    const SettingsKey key = kServerKey.child(name);
    bool ok = store.writeString(key, "URL", record->m_strURL);
    ok = store.writeString(key, "TAUSEND", record->m_strThousands) && ok;
    ok = store.writeString(key, "DECIMAL", record->m_strDecimal) && ok;
    ok = store.writeString(key, "Text_before_Value", record->m_strTextBeforeValue) && ok;
    ok = store.writeInt(key, "Timeout", record->m_nTimeout) && ok;
    ok = store.writeInt(key, "Format", record->m_nFormat) && ok;
    ok = store.writeInt(key, "Nr_HTML_before_Value", record->m_nHtmlBeforeValue) && ok;
    ok = store.writeInt(key, "Numbers_before_Value", record->m_nNumbersBeforeValue) && ok;
    ok = store.writeInt(key, "NoCaseSensitiv", record->m_bNoCaseSensitive) && ok;
    ok = store.writeInt(key, "Filtering", record->m_nFiltering) && ok;
    ok = store.writeString(key, "RegExp", record->m_strRegExp) && ok;
    return ok;
}

bool SaveImportServerSettings(const std::string& name, const ImportServerSettings* record, SettingsStore& store) {
    if (name.empty() || !record)
        return false;
    const SettingsKey key = kImportServerKey.child(name);
    bool ok = store.writeString(key, "URL", record->m_strURL);
    ok = store.writeString(key, "TAUSEND", record->m_strThousands) && ok;
    ok = store.writeString(key, "DECIMAL", record->m_strDecimal) && ok;
    ok = store.writeInt(key, "Format", record->m_nFormat) && ok;
    ok = store.writeInt(key, "NoCaseSensitiv", record->m_bNoCaseSensitive) && ok;
    ok = store.writeString(key, "RegExp", record->m_strRegExp) && ok;
    return ok;
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
    out += line("[HKEY_CURRENT_USER\\%s]\r\n\r\n", kServerKeyText);
    out += line("[HKEY_CURRENT_USER\\%s]\r\n\r\n", kImportServerKeyText);
    out += "[HKEY_CURRENT_USER\\Software\\Velmora\\Corvana\\Server Version]\r\n";
    const std::string version = store.readString(kServerVersionKey, "Version name", "unknown");
    out += "\"Version name\"=\"" + EscapeRegString(version) + "b\"\r\n\r\n";

    for (const auto& name : servers) {
        ServerSettings s;
        LoadServerSettings(name, &s, store);
        out += line("[HKEY_CURRENT_USER\\%s", kServerKeyText) + name + "]\r\n";
        out += textLine("URL", s.m_strURL);
        out += textLine("TAUSEND", s.m_strThousands);
        out += textLine("DECIMAL", s.m_strDecimal);
        out += textLine("Text_before_Value", s.m_strTextBeforeValue);
        out += dwordLine("Timeout", s.m_nTimeout);
        out += dwordLine("Format", s.m_nFormat);
        out += dwordLine("Nr_HTML_before_Value", s.m_nHtmlBeforeValue);
        out += dwordLine("Numbers_before_Value", s.m_nNumbersBeforeValue);
        out += dwordLine("NoCaseSensitiv", s.m_bNoCaseSensitive);
        out += dwordLine("Filtering", s.m_nFiltering);
        out += textLine("RegExp", s.m_strRegExp);
        out += textLine("SymbolInfo", s.m_strSymbolInfo);
        out += textLine("SymbolSearchUrl", s.m_strSymbolSearchUrl);
        out += "\r\n";
    }
    for (const auto& name : imports) {
        ImportServerSettings s;
        LoadImportServerSettings(name, &s, store);
        out += line("[HKEY_CURRENT_USER\\%s", kImportServerKeyText) + name + "]\r\n";
        out += textLine("URL", s.m_strURL);
        out += textLine("TAUSEND", s.m_strThousands);
        out += textLine("DECIMAL", s.m_strDecimal);
        out += dwordLine("Format", s.m_nFormat);
        out += dwordLine("NoCaseSensitiv", s.m_bNoCaseSensitive);
        out += textLine("RegExp", s.m_strRegExp);
        out += textLine("SymbolInfo", s.m_strSymbolInfo);
        out += textLine("SymbolSearchUrl", s.m_strSymbolSearchUrl);
        out += "\r\n";
    }
    return out;
}

ExportResult ExportServerSettings(const std::string& path, const SettingsStore& store) {
    const std::string text = ServerSettingsExportText(store);
    ExportResult result;
    errno = 0;
    std::string error;
    if (writeFileAtomically(path, text, &error)) {
        result.ok = true;
        return result;
    }
    result.cause = fileErrorCause(errno);
    char message[64];
    std::snprintf(message, sizeof message, "File could not be saved (%i)", result.cause);
    result.message = message;
    return result;
}
