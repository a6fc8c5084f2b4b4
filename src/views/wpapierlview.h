#pragma once
// The list view of the portfolio: one row per item. Besides showing the items it takes in the
// final download reports the main frame hands it (a found quotation goes to the document, a
// failure clears the item's download flag, a test result is shown) and writes the quotation
// export. It keeps the display settings the document's change columns read (ListViewSettingsSource).
//
// The document's notices are gathered and shown once per turn of the event loop (View): a burst
// of download results costs one refresh of the rows they name.

#include "framework/View.h"
#include "portfolio/ItemPos.h"
#include "views/ViewLinks.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

class CWPapier;
class CWPapierDoc;
class QTreeWidget;
class QTreeWidgetItem;
struct DownloadStatus;

class CWPapierLView : public View, public ListViewSettingsSource {
public:
    // Columns of the rows.
    enum Column : int { ColumnName = 0, ColumnSymbol, ColumnLast, ColumnDate, ColumnCount };

    // The section of the view's settings.
    static constexpr const char* kSettingsSection = "ListView";

    explicit CWPapierLView(QWidget* parent = nullptr);
    ~CWPapierLView() override;

    // The portfolio the view shows; null while it shows none.
    CWPapierDoc* GetDocument() const;

    // The first time: reads the display settings of "ListView". Then the full update.
    void OnInitialUpdate() override;

    // ListViewSettingsSource: m_bProcentualValue and m_nTimeFrameDays.
    ListViewSettings listViewSettings() const override;

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

    // Display settings ("ListView"): changes in percent; days of the time-frame column (-1: the
    // whole history).
    bool m_bProcentualValue = true;
    int m_nTimeFrameDays = 365;

protected:
    // Everything changed: every row anew; else the rows of the items named (all rows anew when an
    // item came or went).
    void OnRefresh(const ViewChanges& changes) override;

private:
    void rebuildRows();
    void fillRow(QTreeWidgetItem* row, const CWPapier& item) const;
    void showTestResult(const DownloadStatus& record);

    QTreeWidget* m_list = nullptr;
    std::unordered_map<ItemPos, QTreeWidgetItem*> m_rows;
    bool m_bInitialized = false;
};
