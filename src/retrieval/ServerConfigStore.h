#pragma once
// The store of named server configurations and import templates: one key per name under "Server"
// and "ImportServer" of the program's settings, listed, loaded over defaults, saved, deleted, and
// exported together as a REGEDIT4 registry file. Runs on the user-interface thread.

#include "platform/Settings.h"
#include "portfolio/ServerSettings.h"

#include <string>
#include <string_view>
#include <vector>

// The key texts of the export, each ending in a backslash so a name is appended directly.
inline constexpr const char* kServerKeyText = "Software\\Velmora\\Corvana\\Server\\";
inline constexpr const char* kImportServerKeyText = "Software\\Velmora\\Corvana\\ImportServer\\";

// The names of the stored server configurations (import templates), in the registry's order.
void EnumServerNames(std::vector<std::string>& names, const SettingsStore& store = settingsStore());
void EnumImportServerNames(std::vector<std::string>& names, const SettingsStore& store = settingsStore());

// Stores `name` in the record, sets every default, then reads each stored value over its
// default. A name without a key leaves the defaults.
void LoadServerSettings(const std::string& name, ServerSettings* record, const SettingsStore& store = settingsStore());
void LoadImportServerSettings(const std::string& name, ImportServerSettings* record,
                              const SettingsStore& store = settingsStore());

// Writes the record's stored values under `name`. An empty name is refused (false), as is a
// failed write; "SymbolInfo" and "SymbolSearchUrl" are never written and keep what the key held.
// Every stored text is one line: a name or a text value holding a control character other than
// tab (a line break) is refused before anything is written, false with the reason for the user
// in `error`.
bool SaveServerSettings(const std::string& name, const ServerSettings* record, SettingsStore& store = settingsStore(),
                        std::string* error = nullptr);
bool SaveImportServerSettings(const std::string& name, const ImportServerSettings* record,
                              SettingsStore& store = settingsStore(), std::string* error = nullptr);

// Removes the named key with all its values. An empty name is refused (false): it never removes
// every configuration.
bool DeleteServerSettings(const std::string& name, SettingsStore& store = settingsStore());
bool DeleteImportServerSettings(const std::string& name, SettingsStore& store = settingsStore());

// Whether `text` holds a control character other than tab: every stored text is one line, and
// the export must never let a text start lines of its own.
bool holdsControlCharacter(std::string_view text);

// `text` with every backslash doubled, then a backslash before every double quote.
std::string EscapeRegString(std::string_view text);

// The REGEDIT4 text of every server configuration and import template (CRLF line ends). Every
// line is a key, a value or empty: control characters other than tab that an older store holds
// are written as blanks, with a warning.
std::string ServerSettingsExportText(const SettingsStore& store = settingsStore());

// What the export did. On failure `message` is the text to show the user:
// "File could not be saved (%i)" with the cause code.
struct ExportResult {
    bool ok = false;
    int cause = 0;
    std::string message;
};

// Writes ServerSettingsExportText to `path`; a file that stood there stays until the new one is
// complete.
ExportResult ExportServerSettings(const std::string& path, const SettingsStore& store = settingsStore());
