#pragma once
// What the Investment, Statement and Transactions pages share: the striped report list 1176 with
// its columns (widths from the settings, never written), the row images of strip 179, the buttons
// New (where there is one), Edit, Delete and Delete All with their tips, and the list's keys and
// clicks -- Return and a double click edit, Insert adds, Delete deletes; Return never reaches the
// sheet's default button. Every operation reaches the document at once; the page then fetches a
// fresh copy of the transactions and refills.

#include "controls/ImageList.h"
#include "framework/PropertyPage.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CColoredListCtrl;
class CWPapierDoc;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

// The texts of the rows of one fill, made when the list first shows a cell or a caller reads its
// text: a long list pays for the rows in view only. It keeps its own copy of what it formats, so
// a text read later is still the one of its fill, whatever the page's transactions are by then.
class TransactionRowTexts {
public:
    virtual ~TransactionRowTexts() = default;
    // The text of `column` (0 to the list's column count - 1) of `row`.
    virtual QString text(int row, int column) const = 0;
};

class TransactionPageBase : public PropertyPage {
public:
    TransactionPageBase(unsigned templateId, Services services, unsigned captionId);
    ~TransactionPageBase() override;

    CColoredListCtrl* m_ListCtrl = nullptr;
    CImageList m_ImageList;
    CWPapierDoc* m_pDoc = nullptr;
    int m_nSelectTransaction = -1;   // the row to select after the next fill; -1 none
    QPushButton* m_btnNew = nullptr; // none on the Transactions page
    QPushButton* m_btnEdit = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnDeleteAll = nullptr;

    // The selected row; -1 none.
    int selectedRow() const;
    // The index in the page's list of the transaction a row shows; nothing for a summary row.
    std::optional<int> rowTransaction(int row) const;

protected:
    struct Column {
        unsigned header; // string id
        bool right;      // right-aligned
    };
    // The list and its buttons ("&New" only with `withNew`), to be placed by the page; the list is
    // at least as wide as its columns' default widths.
    QWidget* makeListArea(bool withNew, std::span<const int> defaultWidths);
    // Columns with their headers, alignments and the widths of settings section `section`. The
    // stored widths are pixels of the classic dialog font, so a column is widened where its header,
    // or the widest of its `samples` (the longest texts it shows; none for a column past the
    // span's end), would be cut. The list keeps the room of the default widths (the sheet is
    // sized before the page is built) and scrolls sideways where the columns need more.
    void setupColumns(std::span<const Column> columns, const char* section, std::span<const int> defaults,
                      std::span<const std::vector<std::string>> samples = {});
    // Makes the list at least as wide as its columns and a vertical scroll bar, so that no column
    // is cut once the rows need the bar. Before the sheet measures the page (BuildControls).
    void fitListToColumns();
    // setupColumns on any list, with the widths `stored`: for measuring a page not yet built.
    static void applyColumns(QTreeWidget& list, std::span<const Column> columns, std::span<const int> stored,
                             std::span<const std::vector<std::string>> samples);
    // The width a list needs for all its columns and a vertical scroll bar (fitListToColumns), and
    // the one makeListArea gives it for `defaultWidths`.
    static int widthForColumns(const QTreeWidget& list);
    static int widthForDefaults(const QTreeWidget& list, std::span<const int> defaultWidths);
    // The button tips.
    void setTips(unsigned newTip, unsigned deleteAllTip);

    // Refill helpers: clears the list; adds a row of texts with its image and, for a transaction
    // row, the transaction's index.
    void beginFill();
    void addRow(std::span<const std::string> texts, int image, std::optional<int> transaction);
    // The same with the texts of row `row` of `texts`, each made when it is first wanted.
    void addRow(const std::shared_ptr<const TransactionRowTexts>& texts, int row, int image,
                std::optional<int> transaction);
    // Ends a fill: selects m_nSelectTransaction when it names a row, scrolls the last row and then
    // the selected one into view, gives the list the focus, and sets the buttons.
    void endFill();

    // "&Edit" and "&Delete" by the selected row, "Delete &All" by the row count.
    void updateButtons();

    virtual void OnNewTransaction() {}
    virtual void OnEditTransaction() = 0;
    virtual void OnDeleteTransaction() = 0;
    virtual void OnDeleteAllTransactions() = 0;

    // A fresh copy of the transactions from the document, then the rows.
    virtual void refresh() = 0;
    // Delete and Delete All of the pages of one item: the selected row's transaction (a summary
    // row's deletes nothing), or all of the item's at once (one recomputation, not one per
    // transaction); the cash account stays as it is. Then the refill.
    void deleteSelectedOf(ItemPos item);
    void deleteAllOf(ItemPos item);

    // Shows a warning (exclamation icon) once the document operation is done.
    void warn(const std::optional<std::string>& text);
    OleDate now() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The icon of row image `image`; a null icon for none.
    const QIcon& icon(int image) const;

    std::vector<QIcon> m_icons; // the images as icons, made once
    std::vector<QTreeWidgetItem*> m_pending;
    std::vector<Column> m_columns;
    unsigned m_rightColumns = 0; // bit c: column c is right-aligned
};
