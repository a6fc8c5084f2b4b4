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
    // The status texts of the list view: nothing to tell, the selection's investment volume.
    {22, "Ready"},
    // Status-bar panes of the main frame (their texts set their first widths), and the volume.
    {109, "Time"},
    {118, "Current selection's investment volume: %s"},
    {119, "Total investment:                    "},
    {120, "                                        "},
    {121, "%s (%.2lf%% of total investment)"},
    // The document template: window title, document name, file-new name, filter name, extension,
    // registry file type and its name.
    {127, "Corvana\n\nCorvana\nCorvana Portfolios (*.cvr)\n.CVR\nCorvana.Document\nCorvana Portfolio"},
    // Commands: prompt, then the tool tip.
    {32797, "\nAbort downloads"},
    // The Downloads window: column headers and captions.
    {40000, "Download ID"},
    {40001, "Item"},
    {40002, "Status"},
    // Column captions of the list view and the printed legend ("Item" above is one of them).
    {40003, "Category"},
    {40004, "Last Update"},
    {40005, "Last/Close"},
    {40006, "Low"},
    {40007, "High"},
    {40008, "+- Last Day"},
    {40009, "+- Last"},
    {40023, "[%s] - Downloads"},
    {40024, "[%s] - Abort downloads..."},
    // The progress pane of the main frame.
    {40032, "Update: %i/%i"},
    // The server configuration editor: its title and the name of an item's own definition.
    {40034, "Server properties - [%s]"},
    {40035, "-- Local definition / Non-template --"},
    // The list view: caption, total investment, the unit of an age.
    {40041, "+- Time Frame"},
    {40042, "Total investment: %s"},
    {40045, "Days"},
    {40049, "Total investment: %s"},
    {40051, "Total investment: %s (Last: %+2.2lf%%)"},
    {40055, "Total investment: %s"},
    {40056, "Total investment: %s (Last: %s)"},
    // The import page's status.
    {40064, "Downloading block %i: %i KB"},
    {40065, "Error: Incorrect Import URL!"},
    // Further column captions of the list view.
    {40090, "# Units Invested"},
    {40091, "Investment"},
    {40092, "+- Investment"},
    {40093, "User-defined Value"},
    // The wizard's URL page and the page download dialog after a successful download.
    {41002,
     "The file has been successfully downloaded, the web page is displayed in the\r\nweb browser. If the page is ok, "
     "press next to go to the next step where\r\nyou can configure the quotation extraction rules."},
    {41003, "The file has been successfully loaded.\r\nPress \"Next\" to import quotations."},
    // The units of the chart's time span.
    {41004, "Months"},
    {41006, "Years"},
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
