#include "framework/FileDialogs.h"

#include "log/Log.h"

std::optional<std::filesystem::path> UnattendedFileDialogs::openFileName(const FileDialogRequest& request) {
    CVR_LOG(LOG_LEVEL_WARNING, "No file chosen to open (%s): no user to ask", request.title.c_str());
    return std::nullopt;
}

std::optional<std::filesystem::path> UnattendedFileDialogs::saveFileName(const FileDialogRequest& request) {
    CVR_LOG(LOG_LEVEL_WARNING, "No file name chosen to save '%s' (%s): no user to ask",
            request.initial.string().c_str(), request.title.c_str());
    return std::nullopt;
}
