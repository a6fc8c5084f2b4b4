#pragma once
// The list view of the portfolio: one row per item. Besides showing the items it takes in the
// final download reports the main frame hands it (a found quotation goes to the document, a
// failure clears the item's download flag, a test result is shown) and writes the quotation
// export.

#include "framework/View.h"
#include "portfolio/ItemPos.h"

#include <cstdint>
#include <memory>

class CWPapier;
class CWPapierDoc;
class QTreeWidget;
class QTreeWidgetItem;
struct DownloadStatus;

class CWPapierLView : public View {
public:
    // Columns of the rows.
    enum Column : int { ColumnName = 0, ColumnSymbol, ColumnLast, ColumnDate, ColumnCount };

    explicit CWPapierLView(QWidget* parent = nullptr);
    ~CWPapierLView() override;

    // The portfolio the view shows; null while it shows none.
    CWPapierDoc* GetDocument() const;

    // Hint 0 rebuilds every row; any other hint is the position of the one item that changed.
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override;

    // A copy of a final report (codes 8 to 13) from the main frame; the view owns it and destroys
    // it here. Update reports change the document; test reports are shown in a message box.
    std::intptr_t OnDownloadStatus(std::unique_ptr<DownloadStatus> record);

    // Writes the quotations of all items as semicolon-separated text: in the export mode at once
    // beside the portfolio ("name.csv"), otherwise under the name the user chooses. True when the
    // file was written.
    bool ExportQuotations();

    QTreeWidget* list() const { return m_list; }
    // The row of the item at `pos`, null when it has none.
    QTreeWidgetItem* findRow(ItemPos pos) const;

private:
    void rebuildRows();
    void fillRow(QTreeWidgetItem* row, const CWPapier& item) const;
    void showTestResult(const DownloadStatus& record);

    QTreeWidget* m_list = nullptr;
};
