#pragma once
// Choosing a file to open or a name to save under. The windowed program asks the user
// (QtFileDialogs.h); the unattended modes log the request and choose nothing (cancel).
//
// This header needs no Qt.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One entry of a dialog's type list: "Corvana Portfolios (*.cvr)" with the patterns "*.cvr *.CVR".
struct FileFilter {
    std::string name;
    std::string patterns; // blank-separated
};

struct FileDialogRequest {
    std::string title;             // empty: "Open" or "Save As"
    std::filesystem::path initial; // the proposed file name, or a path with its folder
    std::vector<FileFilter> filters;
    std::string defaultExtension; // without the dot; appended to a save name typed without one
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // An existing file to open; nothing when cancelled.
    virtual std::optional<std::filesystem::path> openFileName(const FileDialogRequest& request) = 0;
    // The path to save under (the user has agreed to replace an existing file); nothing when cancelled.
    virtual std::optional<std::filesystem::path> saveFileName(const FileDialogRequest& request) = 0;
};

// For runs without a user: logs (WARNING) that a file was asked for and returns nothing.
class UnattendedFileDialogs final : public FileDialogs {
public:
    std::optional<std::filesystem::path> openFileName(const FileDialogRequest& request) override;
    std::optional<std::filesystem::path> saveFileName(const FileDialogRequest& request) override;
};
