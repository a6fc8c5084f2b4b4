#pragma once
// Bringing a server-settings export back: merges a REGEDIT4 registry file of the layout that
// ExportServerSettings writes (ServerConfigStore.h) into the settings store, as the system's
// registry editor merges such a file where the store is the registry. Used by the command-line
// tool corvana-regmerge.
//
// What a file may hold: the line "REGEDIT4" first; keys
// [HKEY_CURRENT_USER\Software\Velmora\Corvana\Server\<name>] and ...\ImportServer\<name> (a
// server configuration or import template; everything after the backslash is the name, as the
// export writes it), the bare ...\Server\ and ...\ImportServer\ keys and ...\Server Version;
// under a named key or Server Version, values "name"="text" (with \\ and \" escapes) and
// "name"=dword:<hex>; blank lines and comments (";"). Any other key -- another part of the
// program's settings, another program, another root -- is refused, as are deletions ([-key],
// "name"=-), other value types and the default value (@). The root's letter case does not
// matter, as in the registry.
//
// Nothing is written unless the whole file is good: a damaged or refused file changes nothing
// and gives the line and the reason. The values are then written to the store at once (one
// write of its file, which replaces the old file only when complete).

#include "platform/Settings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct RegistryMergeResult {
    bool ok = false;
    std::string error; // why nothing was merged, for the user (names the line)
    bool storeFailed = false; // the file was good but the store could not be written
    int keys = 0;      // named keys (and Server Version) that got values
    int values = 0;    // values written
};

// The file's largest size: an export of thousands of configurations stays far below it.
inline constexpr std::uintmax_t kMaxRegistryFileBytes = 16u * 1024u * 1024u;

// Merges the REGEDIT4 text into `store`.
RegistryMergeResult MergeServerSettingsText(std::string_view text, SettingsStore& store = settingsStore());

// Reads `file` (at most kMaxRegistryFileBytes) and merges it; a file that cannot be read is an
// error naming it.
RegistryMergeResult MergeServerSettingsFile(const std::filesystem::path& file, SettingsStore& store = settingsStore());
