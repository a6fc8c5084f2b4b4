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
    // Column headers of the transaction pages (Investment, Statement, Transactions), the item
    // property sheet's caption (108), the main frame's status panes (109, 119, 120: their texts
    // set their first widths), the item clipboard's messages (114, 115), the selection's volume
    // (118, 121) and the document template (127: window title, document name, file-new name,
    // filter name, extension, registry file type and its name).
    {107, "Transaction"},
    {108, "Properties"},
    {109, "Time"},
    {110, "Date"},
    {111, "Note"},
    {112, "# Units"},
    {113, "Quotation/Dividends"},
    {114, "Clipboard could not be opened!"},
    {115, "Clipboard data could not be read!"},
    {116, "Taxes"},
    {118, "Current selection's investment volume: %s"},
    {119, "Total investment:                    "},
    {120, "                                        "},
    {121, "%s (%.2lf%% of total investment)"},
    {123, "Transaction"},
    {124, "Date / Time"},
    {125, "Note"},
    {126, "Volume"},
    {127, "Corvana\n\nCorvana\nCorvana Portfolios (*.cvr)\n.CVR\nCorvana.Document\nCorvana Portfolio"},
    {128, "Balance"},
    {129, "Transaction"},
    {130, "Date"},
    {131, "Item"},
    {132, "Note"},
    {133, "Volume"},
    // The Quotations page's column headers.
    {135, "Date"},
    {136, "Last/Close"},
    {199, "Open"},
    {200, "Low"},
    {201, "High"},
    {202, "Volume"},
    // Commands: prompt, then the tool tip (toolbar, chart comparison limits and zoom).
    {32797, "\nAbort downloads"},
    {32819, "\nCompare all"},
    {32821, "Set comparison chart limits.\nComparison Limits"},
    {32850, "\nDecrease decimal cases"},
    {32851, "\nIncrease decimal cases"},
    {32859, "Zoom chart into selected interval (click on interval begin and drag mouse to interval end)."},
    {32860, "Display complete chart."},
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
    // The item property sheet's title.
    {40025, "Properties of "},
    // The maker's web page (the About box, the Help menu).
    {40028, "https://www.velmora.example/corvana/"},
    // The progress pane of the main frame.
    {40032, "Update: %i/%i"},
    // The server configuration editor: its title and the name of an item's own definition.
    {40034, "Server properties - [%s]"},
    {40035, "-- Local definition / Non-template --"},
    // The General page: a template the item names that this computer lacks.
    {40037, "The server properties for '%s'\n do not exist on this computer!"},
    // The list view: caption, total investment, the unit of an age.
    {40041, "+- Time Frame"},
    {40042, "Total investment: %s"},
    {40045, "Days"},
    {40049, "Total investment: %s"},
    {40051, "Total investment: %s (Last: %+2.2lf%%)"},
    {40055, "Total investment: %s"},
    {40056, "Total investment: %s (Last: %s)"},
    // The list view's Delete.
    {40057, "Do you really want to delete the selected items?"},
    // The Quotations page's Delete All.
    {40058, "Do you really want to delete all quotations?"},
    // The import page's status.
    {40064, "Downloading block %i: %i KB"},
    {40065, "Error: Incorrect Import URL!"},
    // Further column captions of the list view.
    {40090, "# Units Invested"},
    {40091, "Investment"},
    {40092, "+- Investment"},
    {40093, "User-defined Value"},
    // The wizard's URL page and the page download dialog after a successful download.
    // The Investment page's column headers, continued.
    {41000, "Volume"},
    {41001, "Trans. Result"},
    {41002,
     "The file has been successfully downloaded, the web page is displayed in the\r\nweb browser. If the page is ok, "
     "press next to go to the next step where\r\nyou can configure the quotation extraction rules."},
    {41003, "The file has been successfully loaded.\r\nPress \"Next\" to import quotations."},
    // The units of the chart's time span.
    {41004, "Months"},
    {41006, "Years"},
    {41008, "The file has been successfully loaded.\r\nPress \"Ok\" to continue."},
    {41009, "Invest. Result"},
    // The transaction dialogs and pages: titles and captions, labels, recurrence intervals, tips,
    // summary rows and the cash account's balance warnings.
    {45000, "Transaction [%s]"},
    {45001, "Transaction Math Expression"},
    {45002, "Transaction #Units"},
    {45003, "Transaction Quotation/Dividends"},
    {45004, "Transaction Taxes/Comission"},
    {45005, "Transaction Amount"},
    {45006, "Transaction"},
    {45007, "Cash Account Transaction"},
    {45008, "Investment"},
    {45009, "Statement"},
    {45010, "Transactions"},
    {45011, "Quotation:"},
    {45012, "Dividends/Interests:"},
    {45013, "Monthly"},
    {45014, "every 3 Months"},
    {45015, "every 6 Months"},
    {45016, "Yearly"},
    {45017, "Math expression to be evaluated, e.g. \"u*q*0.005 + 10\""},
    {45018, "Break-even"},
    {45019, "Hypothetical Sell"},
    {45020, "Total"},
    {45021, "(Total)"},
    {45022, "Add new investment transaction: Buy, Sell or Dividends/Interests"},
    {45023, "Add new account transaction: Credit, Debit, Interests"},
    {45024, "Edit selected transaction"},
    {45025, "Delete selected transaction"},
    {45026, "Delete all investment transactions for this item"},
    {45027, "Delete all account transactions for this item"},
    {45028,
     "Attention: Your cash account balance is negative (%.2f)!\n\nPlease make sure that you have specified your "
     "initial cash account's credit, so that your investment history is correctly recorded:\n-> Open the \"Cash "
     "Account\" item, select \"Statement\" and then create a new credit entry.\n\nIf you prefer to disable this "
     "feature, open the menu \"Extras\", \"Options\", \"Advanced\" and disable the option \"Automatically create cash "
     "account credit/debit entry\"."},
    {45029, "Cash account balance is %.2f!\nPlease check it."},
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
