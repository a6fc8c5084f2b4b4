#include "views/wpapierlviewColumns.h"

#include "platform/Settings.h"
#include "views/wpapierlviewPrint.h"
#include "views/wpapierlviewStrings.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

const std::array<ListColumnSpec, kListColumnCount> kListColumns = {{
    {IDS_ITEM_CAPTION, 245, 254, false, false, ID_COLUMN_NAME, "Name"},
    {IDS_CATEGORY, 0, 75, false, false, ID_COLUMN_CATEGORY, "Category"},
    {IDS_LAST_UPDATE, 130, 121, false, false, ID_COLUMN_LAST_UPDATE, "Last Update"},
    {IDS_LAST_CLOSE, 87, 83, false, true, ID_COLUMN_CLOSE, "Last/Close"},
    {IDS_LOW, 75, 67, false, true, ID_COLUMN_LOW, "Low"},
    {IDS_HIGH, 82, 70, false, true, ID_COLUMN_HIGH, "High"},
    {IDS_LAST_DAY, 127, 50, false, false, ID_COLUMN_LAST_DAY, "+- Last Day"},
    {IDS_LAST, 0, 129, false, false, ID_COLUMN_LAST, "+- Last"},
    {IDS_TIME_FRAME, 153, 143, false, false, 0, "+- Time Frame..."},
    {IDS_UNITS_INVESTED, 71, 113, false, true, ID_COLUMN_UNITS, "# Units"},
    {IDS_INVESTMENT, 94, 78, false, true, ID_COLUMN_INVESTMENT, "Investment"},
    {IDS_INVESTMENT_CHANGE, 100, 75, true, true, ID_COLUMN_INVESTMENT_CHANGE, "+- Investment"},
    {IDS_USER_DEFINED_VALUE, 75, 75, true, true, ID_COLUMN_USER_VALUE, "User-defined Value"},
}};

const std::array<TimeFrameSpec, 9> kTimeFrames = {{
    {32915, "30 Days", 30},
    {32916, "60 Days", 60},
    {32917, "90 Days", 90},
    {32918, "180 Days", 180},
    {32919, "1 Year", 365},
    {32920, "2 Years", 730},
    {32921, "3 Years", 1095},
    {32922, "5 Years", 1825},
    {32923, "Max", -1},
}};

namespace {

// Widths above this are taken for damage, not for a choice of the user.
constexpr long long kMaxColumnWidth = 2000;
// The registry's limit for the two strings.
constexpr std::size_t kMaxListString = 255;

// The comma-separated pieces of a text; none for an empty text.
std::vector<std::string> splitAtCommas(const std::string& text) {
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        pieces.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return pieces;
        start = comma + 1;
    }
}

// A token read as a base-10 integer from its start: text that is no number gives 0.
long long tokenNumber(const std::string& token) {
    return std::strtoll(token.c_str(), nullptr, 10);
}

bool isPermutation(const std::array<int, kListColumnCount>& order) {
    std::array<bool, kListColumnCount> seen{};
    for (int column : order) {
        if (column < 0 || column >= kListColumnCount || seen[column])
            return false;
        seen[column] = true;
    }
    return true;
}

std::array<int, kListColumnCount> identityOrder() {
    std::array<int, kListColumnCount> order{};
    for (int i = 0; i < kListColumnCount; ++i)
        order[i] = i;
    return order;
}

} // namespace

std::optional<TimeFrameSpec> timeFrameOfCommand(unsigned command) {
    for (const TimeFrameSpec& frame : kTimeFrames)
        if (frame.command == command)
            return frame;
    return std::nullopt;
}

std::optional<int> columnOfToggleCommand(unsigned command) {
    for (int column = 0; column < kListColumnCount; ++column)
        if (command != 0 && kListColumns[column].toggleCommand == command)
            return column;
    return std::nullopt;
}

bool ListViewOptions::isShown(int column) const {
    return column >= 0 && column < kListColumnCount && m_nColumnWidth[column] > 0;
}

std::array<int, kListColumnCount> parseColumnWidths(const std::string& text) {
    const std::vector<std::string> tokens = splitAtCommas(text);
    std::array<int, kListColumnCount> widths{};
    for (int column = 0; column < kListColumnCount; ++column) {
        const int standard = kListColumns[column].standardWidth;
        if (static_cast<std::size_t>(column) >= tokens.size()) {
            widths[column] = standard;
            continue;
        }
        const long long width = tokenNumber(tokens[column]);
        widths[column] = width < 0 || width > kMaxColumnWidth ? standard : static_cast<int>(width);
    }
    return widths;
}

std::array<int, kListColumnCount> parseColumnOrder(const std::string& text) {
    const std::vector<std::string> tokens = splitAtCommas(text);
    std::array<int, kListColumnCount> order = identityOrder();
    for (std::size_t n = 0; n < order.size() && n < tokens.size(); ++n) {
        const long long column = tokenNumber(tokens[n]);
        if (column < 0 || column >= kListColumnCount)
            return identityOrder();
        order[n] = static_cast<int>(column);
    }
    return isPermutation(order) ? order : identityOrder();
}

std::string joinColumnNumbers(const std::array<int, kListColumnCount>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(numbers[i]);
    }
    return text;
}

ListViewOptions loadListViewOptions(const SettingsStore& store) {
    const ListViewOptions defaults;
    ListViewOptions o;
    o.m_nColumnWidth = parseColumnWidths(store.readString(kListViewSection, "ColumnsXWidth", kDefaultColumnsXWidth));
    o.m_nColumnOrder = parseColumnOrder(store.readString(kListViewSection, "ColumnsXOrder", kDefaultColumnsXOrder));
    o.m_nSortColumn = store.readInt(kListViewSection, "SortColumn", defaults.m_nSortColumn);
    if (o.m_nSortColumn < 0 || o.m_nSortColumn >= kListColumnCount)
        o.m_nSortColumn = 0;
    o.m_bSortReverse = store.readInt(kListViewSection, "SortReverse", 1) != 0;
    o.m_bProcentualValue = store.readInt(kListViewSection, "ProcentualValue", 1) != 0;
    o.m_nDecimalCases = std::clamp(store.readInt(kListViewSection, "DecimalCases", defaults.m_nDecimalCases), 0, 6);
    o.m_nTimeFrameDays = store.readInt(kListViewSection, "TimeFrameDays", defaults.m_nTimeFrameDays);
    return o;
}

void saveListViewOptions(SettingsStore& store, const ListViewOptions& o) {
    store.writeString(kListViewSection, "ColumnsXWidth", joinColumnNumbers(o.m_nColumnWidth).substr(0, kMaxListString));
    store.writeString(kListViewSection, "ColumnsXOrder", joinColumnNumbers(o.m_nColumnOrder).substr(0, kMaxListString));
    store.writeInt(kListViewSection, "SortColumn", o.m_nSortColumn);
    store.writeInt(kListViewSection, "SortReverse", o.m_bSortReverse ? 1 : 0);
    store.writeInt(kListViewSection, "ProcentualValue", o.m_bProcentualValue ? 1 : 0);
    store.writeInt(kListViewSection, "DecimalCases", o.m_nDecimalCases);
    store.writeInt(kListViewSection, "TimeFrameDays", o.m_nTimeFrameDays);
}

void OnToggleColumn(ListViewOptions& options, int column) {
    if (column < 0 || column >= kListColumnCount)
        return;
    int& width = options.m_nColumnWidth[column];
    width = width > 0 ? 0 : kListColumns[column].standardWidth;
}

bool OnTimeFrame(ListViewOptions& options, int days) {
    int& width = options.m_nColumnWidth[LIST_COLUMN_TIME_FRAME];
    if (width > 0 && options.m_nTimeFrameDays == days) {
        width = 0;
        return false;
    }
    options.m_nTimeFrameDays = days;
    if (width <= 0)
        width = kListColumns[LIST_COLUMN_TIME_FRAME].standardWidth;
    return true;
}

bool isToggleColumnChecked(const ListViewOptions& options, int column) {
    return options.isShown(column);
}

bool isTimeFrameChecked(const ListViewOptions& options, int days) {
    return options.isShown(LIST_COLUMN_TIME_FRAME) && options.m_nTimeFrameDays == days;
}
