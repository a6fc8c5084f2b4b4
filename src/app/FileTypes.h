#pragma once
// The portfolio file type on the desktop: a MIME type for "*.cvr" (a shared-mime-info package)
// and a desktop entry that opens such files with this program, both in the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share). Each file is written only when its content differs;
// nothing here ever fails the program's start.

#include <filesystem>
#include <string>

struct FileTypeRegistration {
    std::string mimeType;          // "application/x-corvana-portfolio"
    std::string typeName;          // "Corvana Portfolio"
    std::string extension;         // "cvr" (matched in either case)
    std::string programName;       // "Corvana"
    std::filesystem::path program; // the program to open the files with
};

// The MIME package and the desktop entry for `registration`.
std::string mimePackageText(const FileTypeRegistration& registration);
std::string desktopEntryText(const FileTypeRegistration& registration);

struct FileTypeResult {
    bool mimePackageWritten = false;
    bool desktopEntryWritten = false;
    bool failed = false; // a file could not be written (logged)
};

// Writes the files below `dataFolder` (mime/packages/corvana.xml, applications/corvana.desktop)
// where they differ; after a new MIME package the user's MIME database is rebuilt when the
// system's tool for it is installed.
FileTypeResult registerFileTypes(const FileTypeRegistration& registration, const std::filesystem::path& dataFolder);
