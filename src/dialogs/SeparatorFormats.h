#pragma once
// The thousands/decimal separator formats the configuration dialogs offer in their separator
// combo: the text shown and the separator pair it stands for. The server configuration editor
// offers all eight rows; the configuration wizard and the import page the first six.

#include <array>
#include <string>
#include <string_view>

class DataExchange;
class QComboBox;

struct SeparatorFormat {
    const char* text;
    const char* thousands;
    const char* decimal;
};
inline constexpr std::array<SeparatorFormat, 8> kSeparatorFormats = {{
    {"9.999,99", ".", ","},
    {" 9999,99", "", ","},
    {"9,999.99", ",", "."},
    {" 9999.99", "", "."},
    {"9'999.99", "'", "."},
    {"9'999,99", "'", ","},
    {"9 999.99", " ", "."},
    {"9 999,99", " ", ","},
}};

// How many rows a dialog offers.
inline constexpr int kAllSeparatorRows = static_cast<int>(kSeparatorFormats.size());
inline constexpr int kShortSeparatorRows = 6; // the wizard and the import page

// The first of the first `rows` rows whose pair equals (thousands, decimal) exactly; -1 for none.
int SeparatorRow(std::string_view thousands, std::string_view decimal, int rows = kAllSeparatorRows);
// The pair of a row; a row outside the first `rows` (no selection) gives "" and ",".
void SeparatorsOfRow(int row, std::string& thousands, std::string& decimal, int rows = kAllSeparatorRows);
// Fills the combo with the texts of the first `rows` rows.
void FillSeparatorCombo(QComboBox& combo, int rows = kAllSeparatorRows);
// The separator combo both ways: loading selects the row of the pair (nothing when none matches);
// saving takes the pair of the selected row, or "" and "," without one.
void DDX_Separators(DataExchange& dx, unsigned id, std::string& thousands, std::string& decimal,
                    int rows = kAllSeparatorRows);
