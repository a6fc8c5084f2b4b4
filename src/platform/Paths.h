#pragma once
// Folders and files of the user and of the program.

#include <filesystem>
#include <optional>
#include <string>

class QString;

namespace paths {

// A path as Qt names it, and a name from Qt as a path.
QString toQString(const std::filesystem::path& path);
std::filesystem::path fromQString(const QString& path);

// The user's documents folder (XDG), when it exists; with `create`, created when missing (nothing
// when it cannot be).
std::optional<std::filesystem::path> documentsFolder(bool create = false);

// The user's desktop folder (XDG), when it exists.
std::optional<std::filesystem::path> desktopFolder();

// The program's state folder ($XDG_STATE_HOME/corvana, else ~/.local/state/corvana),
// created when missing; empty when it cannot be created.
std::optional<std::filesystem::path> stateFolder();

// The path of the running program (empty when it cannot be read).
std::filesystem::path programPath();

// The folder for temporary files.
std::filesystem::path tempFolder();

// Creates a new, empty, uniquely named file "<prefix>XXXXXX<suffix>" in `folder`
// (the temporary folder when empty), readable and writable by the user only.
// Returns its path, or nothing when it cannot be created.
std::optional<std::filesystem::path> createTempFile(const std::string& prefix, const std::string& suffix = "",
                                                    const std::filesystem::path& folder = {});

// Creates a new, uniquely named folder "<prefix>XXXXXX" (mode 0700) in the temporary folder.
std::optional<std::filesystem::path> createTempFolder(const std::string& prefix);

} // namespace paths
