#include "framework/StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct StringEntry {
    unsigned id;
    std::string_view text;
};

// Sorted by id; the check below keeps it so.
constexpr StringEntry kStrings[] = {
    // The document template: window title, document name, file-new name, filter name, extension,
    // registry file type and its name.
    {127, "Corvana\n\nCorvana\nCorvana Portfolios (*.cvr)\n.CVR\nCorvana.Document\nCorvana Portfolio"},
    // Commands: prompt, then the tool tip.
    {32797, "\nAbort downloads"},
    // The Downloads window: column headers and captions.
    {40000, "Download ID"},
    {40001, "Item"},
    {40002, "Status"},
    {40023, "[%s] - Downloads"},
    {40024, "[%s] - Abort downloads..."},
    // The progress pane of the main frame.
    {40032, "Update: %i/%i"},
    // The server configuration editor: its title and the name of an item's own definition.
    {40034, "Server properties - [%s]"},
    {40035, "-- Local definition / Non-template --"},
    // The import page's status.
    {40064, "Downloading block %i: %i KB"},
    {40065, "Error: Incorrect Import URL!"},
    // The wizard's URL page and the page download dialog after a successful download.
    {41002,
     "The file has been successfully downloaded, the web page is displayed in the\r\nweb browser. If the page is ok, "
     "press next to go to the next step where\r\nyou can configure the quotation extraction rules."},
    {41003, "The file has been successfully loaded.\r\nPress \"Next\" to import quotations."},
    {41008, "The file has been successfully loaded.\r\nPress \"Ok\" to continue."},
};

constexpr bool sortedAndUnique() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(sortedAndUnique(), "the string table must be sorted by id, each id once");

} // namespace

std::string LoadString(unsigned id) {
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const StringEntry& entry, unsigned wanted) { return entry.id < wanted; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    return std::string(it->text);
}

CommandStrings splitCommandString(std::string_view text) {
    const std::size_t lineBreak = text.find('\n');
    if (lineBreak == std::string_view::npos)
        return {std::string(text), {}};
    return {std::string(text.substr(0, lineBreak)), std::string(text.substr(lineBreak + 1))};
}

CommandStrings LoadCommandStrings(unsigned id) {
    return splitCommandString(LoadString(id));
}
