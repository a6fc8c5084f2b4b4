#pragma once
// "Quotations" (134): every quotation of the item, newest first, with the operations that change
// them -- new, edit, delete, delete by interval, by multiplicity or all, a formula, multiplying by
// another item, the item's historical import and an update. Each operation acts on the document at
// once (Cancel of the sheet undoes nothing) and the list is refilled from a fresh copy.
//
// The list is a QTableView over QuotationListModel; it formats only the rows it shows. Return in
// the list edits the selected row instead of closing the sheet, Insert adds, Delete deletes.
//
// What lies outside the page comes through members the launcher sets: the document and item
// (m_pDoc, m_posItem), the quotation to select (m_nSelectQuotation), the General page's name and
// symbol, the item's historical import and the Investment page's refresh after a formula. "Update
// Quotation" ends the sheet with OK and leaves m_bUpdateRequested for the launcher, which starts
// the item's download once it has stored the pages.

#include "framework/PropertyPage.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CPPToolTip;
class CWPapierDoc;
class QuotationList;
class QPushButton;
class QTableView;

// Column texts of one quotation row and its text colour.
inline constexpr std::uint32_t kQuoteUpColor = 0x006400;   // RGB(0,100,0)
inline constexpr std::uint32_t kQuoteDownColor = 0x0000B4; // RGB(180,0,0)

// The column widths when the settings hold none ("QuotationDialog"\"Columns", read only).
inline constexpr const char* kQuotationColumnsDefault = "110,60,60,60,60,70";
// The six widths of a "Columns" value; missing or unreadable ones take the default's.
std::vector<int> QuotationColumnWidths(std::string_view value);

// The text of column `column` (0 date, 1 close, 2 open, 3 low, 4 high, 5 volume) of a quotation
// shown at `now`: the user's short date and time, in parentheses when later than `now` or invalid; "%3.4lf" grouped for
// the values, "%3.0lf" for the volume.
std::string QuotationCellText(const CKurs& quotation, int column, const OleDate& now);

// The quotations of one item, newest first: row r is the quotation of index count - 1 - r.
class QuotationListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Copies the list (oldest first) into the model's own storage, which keeps its capacity from
    // one refill to the next; the caller holds the list's lock.
    void copyQuotations(const QuotationList& list, const OleDate& now);
    void clear();
    // After the quotation of index `position` left `list` (oldest first) and nothing else changed:
    // removes its row instead of copying the list again, and takes `now`. False, with the model
    // untouched, when the list does not look like that; the caller holds the list's lock.
    bool removeQuotation(const QuotationList& list, int position, const OleDate& now);

    // The quotation index of a row, and the row of a quotation index.
    int indexOfRow(int row) const { return count() - 1 - row; }
    int rowOfIndex(int index) const { return count() - 1 - index; }
    int count() const { return static_cast<int>(m_rows.size()); }
    // The row's colour (COLORREF): up, down, or the window text colour; 0 for the oldest row.
    std::uint32_t rowColor(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // A quotation's values without the record's archive identity: a plain copy, so that taking
    // over and letting go of a long list cost no more than its memory.
    struct Row {
        OleDate date;
        double open, close, high, low, volume;
    };
    static Row rowOf(const CKurs& q) { return {q.m_dtDate, q.m_dOpen, q.m_dClose, q.m_dHigh, q.m_dLow, q.m_dVolume}; }
    static bool sameRow(const Row& a, const Row& b);

    std::vector<Row> m_rows; // oldest first
    OleDate m_now;
};

class CWPKursPropPage : public PropertyPage {
public:
    explicit CWPKursPropPage(Services services);
    ~CWPKursPropPage() override;

    int m_nSelectQuotation = -1;
    CWPapierDoc* m_pDoc = nullptr;
    ItemPos m_posItem = kNoItemPos;
    std::string m_strItemName;

    // The General page's name and symbol as of its last exchange (import and update set them in
    // the item first); unset: the item keeps its own.
    std::function<std::string()> m_getName;
    std::function<std::string()> m_getSymbol;
    // Imports historical quotations for this item only (the per-item import of the list view).
    std::function<void(ItemPos)> m_importItem;
    // "Update Quotation" ended the sheet: the launcher updates the item after storing it.
    bool m_bUpdateRequested = false;
    // Brings the Investment page up to date after a formula changed the quotations.
    std::function<void()> m_refreshInvestment;

    void RefreshList();
    void OnNew();
    void OnEdit();
    void OnDelete();
    void OnDeleteInterval();
    void OnDeleteMultiple();
    void OnDeleteAll();
    void OnMathFormula();
    void OnMultiplyItems();
    void OnImportHistorical();
    void OnUpdateQuotation();

    QTableView* list() const { return m_List; }
    QuotationListModel* model() const { return m_model; }
    // The selected row, -1 for none.
    int selectedRow() const;

protected:
    void BuildControls() override;
    bool OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectRow(int row);
    // The selection a refill leaves: m_nSelectQuotation's row, or the newest, with the focus.
    void selectAfterRefill();
    // The refill after the quotation of index `index` was deleted: one row removed when the
    // document's list is the model's without it, else RefreshList.
    void refreshAfterDelete(int index);
    // Delete All, Edit, Delete and Math Formula by the rows there are and the selection.
    void enableButtons(bool rows, bool selection);

    QTableView* m_List = nullptr;
    QuotationListModel* m_model = nullptr;
    QPushButton* m_btnMathFormula = nullptr;
    QPushButton* m_btnNew = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnDeleteAll = nullptr;
    QPushButton* m_btnEdit = nullptr;
    std::unique_ptr<CPPToolTip> m_ToolTip;
};
