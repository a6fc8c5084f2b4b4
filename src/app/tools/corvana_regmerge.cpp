// corvana-regmerge: merges a REGEDIT4 file of the server settings export ("Export Server
// Settings...") into the program's settings store, as the registry editor merges such a file
// where the store is the registry -- how users share server configurations and import templates.
//
//   corvana-regmerge [--settings FILE] EXPORT.reg
//
// The store is the program's own (~/.config/Velmora/Corvana.conf, following XDG_CONFIG_HOME), or
// the INI file given. Only the program's server and import keys are merged; a damaged or refused
// file changes nothing. Exit status: 0 merged, 1 wrong arguments, 2 the file was refused or could
// not be read, 3 the settings could not be written.

#include "platform/Settings.h"
#include "retrieval/RegistryMerge.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: corvana-regmerge [--settings FILE] EXPORT.reg\n"
                         "Merges a server settings export (REGEDIT4) into Corvana's settings.\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::filesystem::path settingsFile;
    std::filesystem::path exportFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            usage();
            return 0;
        }
        if (args[i] == "--settings") {
            if (i + 1 >= args.size())
                return usage();
            settingsFile = args[++i];
            continue;
        }
        if (!exportFile.empty())
            return usage();
        exportFile = args[i];
    }
    if (exportFile.empty())
        return usage();

    SettingsStore store(settingsFile.empty() ? SettingsStore().file() : settingsFile);
    const RegistryMergeResult result = MergeServerSettingsFile(exportFile, store);
    if (!result.ok) {
        std::fprintf(stderr, "corvana-regmerge: %s\n", result.error.c_str());
        return result.storeFailed ? 3 : 2;
    }
    std::printf("Merged %d value%s of %d key%s into %s\n", result.values, result.values == 1 ? "" : "s", result.keys,
                result.keys == 1 ? "" : "s", store.file().c_str());
    return 0;
}
