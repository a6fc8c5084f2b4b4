#include "dialogs/SeparatorFormats.h"

#include "framework/DataExchange.h"

#include <QComboBox>

#include <algorithm>

namespace {

int clampRows(int rows) {
    return std::clamp(rows, 0, kAllSeparatorRows);
}

} // namespace

int SeparatorRow(std::string_view thousands, std::string_view decimal, int rows) {
    rows = clampRows(rows);
    for (int row = 0; row < rows; ++row) {
        const SeparatorFormat& format = kSeparatorFormats[static_cast<std::size_t>(row)];
        if (thousands == format.thousands && decimal == format.decimal)
            return row;
    }
    return -1;
}

void SeparatorsOfRow(int row, std::string& thousands, std::string& decimal, int rows) {
    if (row < 0 || row >= clampRows(rows)) {
        thousands.clear();
        decimal = ",";
        return;
    }
    thousands = kSeparatorFormats[static_cast<std::size_t>(row)].thousands;
    decimal = kSeparatorFormats[static_cast<std::size_t>(row)].decimal;
}

void FillSeparatorCombo(QComboBox& combo, int rows) {
    rows = clampRows(rows);
    for (int row = 0; row < rows; ++row)
        combo.addItem(QString::fromUtf8(kSeparatorFormats[static_cast<std::size_t>(row)].text));
}

void DDX_Separators(DataExchange& dx, unsigned id, std::string& thousands, std::string& decimal, int rows) {
    if (dx.failed())
        return;
    auto* combo = qobject_cast<QComboBox*>(dx.PrepareCtrl(id));
    if (!combo)
        return;
    if (!dx.m_bSaveAndValidate)
        combo->setCurrentIndex(SeparatorRow(thousands, decimal, rows));
    else
        SeparatorsOfRow(combo->currentIndex(), thousands, decimal, rows);
}
