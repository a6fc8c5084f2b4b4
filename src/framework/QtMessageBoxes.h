#pragma once
// Message boxes shown to the user as modal QMessageBox windows.

#include "framework/MessageBoxes.h"

#include <functional>
#include <string>

class QWidget;

class QtMessageBoxes final : public MessageBoxes {
public:
    // `defaultCaption` titles boxes that name no caption; `parent` gives the window a box belongs
    // to when it is shown (null or no function: none).
    explicit QtMessageBoxes(std::string defaultCaption, std::function<QWidget*()> parent = {});

    // The text is shown as plain text, never as markup.
    int messageBox(std::string_view text, unsigned type = MB_OK, std::string_view caption = {}) override;

private:
    std::string m_defaultCaption;
    std::function<QWidget*()> m_parent;
};
