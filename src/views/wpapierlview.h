#pragma once
// The list view of the portfolio: one row per item with the thirteen columns of computed values,
// on the owner-drawn list base. Its rows live in a table model keyed by the item's position; the
// view keeps each row's texts, icon and status colour, so painting computes nothing.
//
// Besides showing the items it keeps the selection (what the chart and the update commands work
// on), produces the two status texts (the selection's volume and the total investment), runs the
// update commands of the selected items, takes in the final download reports the main frame hands
// it (a found quotation goes to the document, a failure clears the item's download flag, a test
// result is shown) and writes the quotation and portfolio exports.
//
// The document's notices are gathered and shown once per turn of the event loop (View): a burst of
// download results costs one refresh of the rows they name, one sort and one total.

#include "controls/ImageList.h"
#include "controls/ListViewEx.h"
#include "framework/ItemTableModel.h"
#include "portfolio/ItemPos.h"
#include "views/ViewCommands.h"
#include "views/ViewLinks.h"
#include "views/wpapierlviewColumns.h"
#include "views/wpapierlviewImport.h"
#include "views/wpapierlviewRows.h"
#include "views/wpapierlviewSelection.h"
#include "views/wpapierlviewSort.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>

class CWPapier;
class CWPapierDoc;
struct DownloadStatus;
struct ItemSheetHooks;

// Context menus of the list: the item menu and the column menu (over the header).
inline constexpr unsigned IDR_ITEM_MENU = 107;
inline constexpr unsigned IDR_COLUMN_MENU = 136;

class CWPapierLView : public CListViewEx, public ListViewSettingsSource {
public:
    explicit CWPapierLView(QWidget* parent = nullptr);
    ~CWPapierLView() override;

    // The portfolio the view shows; null while it shows none.
    CWPapierDoc* GetDocument() const;

    // The first time: reads the display settings of "ListView", sets up the columns, the row icons
    // and the import wizard's first page. Then the base's initial update (the full update).
    void OnInitialUpdate() override;
    // Ignored (with its log line) before the first initial update.
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override;
    // Writes the display settings to "ListView".
    bool SaveSettings();

    // ListViewSettingsSource: m_bProcentualValue and m_nTimeFrameDays.
    ListViewSettings listViewSettings() const override;

    // --- display settings (the columns' widths and order follow the header) ---
    ListViewOptions& options() { return m_options; }
    const ListViewOptions& options() const { return m_options; }
    // Sorts the rows by m_nSortColumn and m_bSortReverse now and shows the arrow.
    void SortItems();
    // A click on the header of `column`: a new column sorts ascending, a further click flips.
    void OnColumnClick(int column);

    // --- rows ---
    ItemTableModel& model() const;
    // The row of the item at `pos`; -1 when it has none.
    int rowOf(ItemPos pos) const;
    // The shown text of a cell of the item's row; empty when it has no row.
    QString cellText(ItemPos pos, int column) const;
    // The icon of the item's row; -1 when it has no row.
    int rowIcon(ItemPos pos) const;

    // --- selection ---
    // Rebuilds the selected items from the rows; on a change the selection text goes to the frame
    // and the other views follow (hint 0).
    void OnSelectionChanged();
    // true: every row selected; false: every row cleared except the focused row when selected.
    void SelectAllItems(bool select);
    // The row of `pos` gets the focus and the selection.
    void SelectItem(ItemPos pos);
    void DeselectAll();
    bool IsSelectionEmpty() const;
    const ListSelection& selection() const;
    // The items the chart shows (GUI thread).
    std::vector<ItemPos> GetChartItemsCopy() const;

    // --- commands ---
    void OnUpdateQuotation();
    void OnUpdateQuotationOn();
    void OnTestUpdate();
    void OnRefreshCommand();
    void OnImportHistoricalQuotations();

    // --- item commands ---
    // Opens the item property sheet of the focused item on `page` (0 General, 2 Chart,
    // 3 Quotations, 4 Investment) at the quotation `quotationIndex` (-1: none); the sheet's
    // result, 0 when no row is focused.
    int ShowItemPropertiesOf(int page, int quotationIndex);
    // A new item from NewItemProperties in a colour of kNewItemColours, edited in its sheet on
    // the General page; Cancel deletes it again.
    void OnNewItem();
    // Asks 40057, then deletes the selected items; the focus goes to the nearest row that was
    // not selected (RowToFocusAfterDelete).
    void OnDeleteItems();
    // A quotation typed in for the focused item (the quotation dialog, now to the minute).
    void OnAddQuotation();
    // The focused item's web page (its template's URL, else its own) in the browser.
    void OnOpenWebPage();
    void OnRecalculateHistory();
    // The draws of the new items' colours start from `seed` (the view seeds them at random).
    void SeedNewItemColours(std::uint32_t seed) { m_random.seed(seed); }

    // --- clipboard ---
    void OnEditCopy();
    // Copy, then the delete question of OnDeleteItems.
    void OnEditCut();
    // Appends the clipboard's items; 115 when it holds none that can be read.
    void OnEditPaste();
    // Command 32793 of the frame: the whole portfolio as worksheet or text.
    bool ExportPortfolio();
    // Writes the quotations of all items as semicolon-separated text: in the export mode at once
    // beside the portfolio ("name.csv"), otherwise under the name the user chooses. True when the
    // file was written.
    bool ExportQuotations();

    // A copy of a final report (codes 8 to 13) from the main frame; the view owns it and destroys
    // it here. Update reports change the document; test reports are shown in a message box.
    std::intptr_t OnDownloadStatus(std::unique_ptr<DownloadStatus> record);

    // The context menu: the column menu when `screenPoint` lies within the header's height, else
    // the item menu. Shift+F10 and the menu key open it at the list's corner plus 5 pixels.
    void OnContextMenu(QPoint screenPoint);
    // The menu and point of the last context menu opened (for who watches; 0 before the first).
    unsigned lastContextMenu() const { return m_lastContextMenu; }
    QPoint lastContextMenuPoint() const { return m_lastContextMenuPoint; }

    // Where the two status texts go (the main frame's panes).
    std::function<void(const std::string&)> onSelectionSumText;
    std::function<void(const std::string&)> onInvestmentSumText;
    // Who compares the rows for sorting: the main window and its list view (CompareFunc's source).
    std::function<ListSortSource()> sortSource;
    // Called when the mouse moves over the rows, before the selection check (the chart takes its
    // point cursor away).
    std::function<void()> onMouseMove;

    // The four questions of the drawing base, answered from the rows' kept values.
    COLORREF GetItemColor(std::intptr_t itemData) const override;
    COLORREF GetItemStatusColor(std::intptr_t itemData) const override;
    bool IsItemTypeBold(std::intptr_t itemData) const override;
    bool IsItemTypeDarkBackground(std::intptr_t itemData) const override;

    bool isInitialized() const { return m_bInitialized; }

protected:
    // Everything changed: every row anew; else the rows of the items named (all rows anew when an
    // item went).
    void OnRefresh(const ViewChanges& changes) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Model;
    struct RowData {
        ListRow row;
        std::optional<COLORREF> statusColour; // none: the window text colour
        COLORREF itemColour = 0;
        bool bold = false;
        bool dark = false;
        CWPapier::SortKey keys; // every column's sort key, made with the texts
    };

    void setUpColumns();
    void applyHeader();
    void headerSectionResized(int logical, int newSize);
    void headerSectionMoved();
    // Sorts `order` by the sort settings.
    void sortOrder(std::vector<ItemPos>& order) const;
    // Merges the new rows `added` into `order` (the rows in their sorted order); false when the
    // rows are not in order any more (the whole list is sorted then).
    bool mergeAdded(std::vector<ItemPos>& order, const std::vector<ItemPos>& added) const;
    // Stores the item's row data; true when the list must be sorted again.
    bool updateRow(ItemPos pos, const CWPapier& item, const ListRowContext& context);
    // After a sort: the focused row, else the first selected, else row 0 gets focus and selection,
    // shown whole, and the selection check runs.
    void showCurrentRow();
    void updateTotals();
    ListRowsSelection rowsSelection() const;
    void showTestResult(const DownloadStatus& record);
    void toggleColumn(int column);
    void chooseTimeFrame(int days);
    void addCommands();
    bool anySelected(const std::function<bool(const CWPapier&)>& test) const;
    const CWPapier* focusedItem() const;
    void addItemCommands();
    // The Properties command, when its update handler allows it (a row focused, no download).
    void runPropertiesCommand();
    void addClipboardCommands();
    // Copies the selected items to the clipboard; says so with a box when it cannot.
    bool copySelectedItems();
    // What the sheet does for its Import and Update buttons: the item's import, the item's update.
    ItemSheetHooks sheetHooks();
    // The focus and the selection on the item at `pos`, else on row 0 (the rows made anew first).
    void focusAfterChange(ItemPos pos);
    bool clipboardHoldsItems() const;

    friend class Model;
    Model* m_model = nullptr;
    CImageList m_ImageList;
    bool m_bInitialized = false;
    bool m_bApplyingHeader = false;
    bool m_bSelectionCheckQueued = false;
    int m_nRefreshing = 0;
    ListViewOptions m_options;
    ListSelection m_selection;
    ImportWizardPages m_importPages;
    std::unordered_map<ItemPos, RowData> m_rowData;
    unsigned m_lastContextMenu = 0;
    std::mt19937 m_random{std::random_device{}()};
    QPoint m_lastContextMenuPoint;
};
