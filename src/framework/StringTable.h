#pragma once
// The program's string table: texts by resource id. A command's entry holds its status prompt and,
// after a line break, its tool tip ("Update all quotations\nUpdate all"); a document template's
// entry holds the seven fields of its document string. An id the table does not hold gives "".
//
// The ids are the named constants of framework/ResourceIds.h, app/Resource.h and
// dialogs/DialogIds.h.

#include <string>
#include <string_view>

// The text of string `id`; "" when the table has none.
std::string LoadString(unsigned id);

// A command's texts: the status-bar prompt and the tool tip.
struct CommandStrings {
    std::string prompt;
    std::string toolTip;
};

// Splits an entry at its first line break: the prompt before it, the tool tip after it (none
// without a line break).
CommandStrings splitCommandString(std::string_view text);

// The prompt and tool tip of command `id`.
CommandStrings LoadCommandStrings(unsigned id);
