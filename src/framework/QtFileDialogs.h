#pragma once
// File choices made by the user in Qt's file dialog.

#include "framework/FileDialogs.h"

#include <functional>

class QWidget;

class QtFileDialogs final : public FileDialogs {
public:
    // `parent` gives the window a dialog belongs to when it is shown (null or no function: none).
    explicit QtFileDialogs(std::function<QWidget*()> parent = {});

    std::optional<std::filesystem::path> openFileName(const FileDialogRequest& request) override;
    std::optional<std::filesystem::path> saveFileName(const FileDialogRequest& request) override;

private:
    std::optional<std::filesystem::path> run(const FileDialogRequest& request, bool save);

    std::function<QWidget*()> m_parent;
};
