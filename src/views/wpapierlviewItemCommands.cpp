// The list view's item and clipboard commands: the property sheet on a chosen page, a new item,
// deleting, a quotation typed in, the item's web page, the investment history, copy, cut, paste.
#include "views/wpapierlview.h"

#include "dialogs/DlgKurs.h"
#include "dialogs/ItemSheetParts.h"
#include "dialogs/WPPropertiesSheet.h"
#include "framework/FrameWnd.h"
#include "framework/ItemTableModel.h"
#include "framework/MessageBoxes.h"
#include "framework/ResourceIds.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/ServerConfigStore.h"
#include "retrieval/UpdateOrchestration.h"
#include "views/wpapierlviewClipboard.h"
#include "views/wpapierlviewItems.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

constexpr unsigned IDS_DELETE_SELECTED_ITEMS = 40057;

bool isOrdinary(const CWPapier& item) {
    return item.m_bCashAccount == 0 && item.m_bInvestmentHistory == 0;
}

} // namespace

void CWPapierLView::addItemCommands() {
    const auto focused = [this](const std::function<bool(const CWPapier&)>& test) {
        const CWPapier* item = focusedItem();
        return item != nullptr && test(*item);
    };
    const auto any = [](const CWPapier&) { return true; };
    const auto notCash = [](const CWPapier& item) { return item.m_bCashAccount == 0; };
    const auto notHistory = [](const CWPapier& item) { return item.m_bInvestmentHistory == 0; };
    const auto history = [](const CWPapier& item) { return item.m_bInvestmentHistory != 0; };

    // Commands that open the sheet on one page, with the rule that enables each.
    struct SheetCommand {
        CommandId id;
        int page;
        std::function<bool()> enabled;
    };
    const SheetCommand sheetCommands[] = {
        // Not while the item downloads: the download writes into the item the sheet edits.
        {ID_ITEM_PROPERTIES, 0,
         [this] {
             const CWPapierDoc* doc = GetDocument();
             return focusedItem() && !doc->IsDownloadInProgress(m_selection.m_posCurrentItem);
         }},
        {ID_CHART_PROPERTIES, 2, [this] { return focusedItem() && !m_selection.m_SelectedItems.empty(); }},
        {ID_DISPLAY_QUOTATIONS, 3, [=] { return focused(notCash); }},
        {ID_DISPLAY_INVESTMENT, 4, [=] { return focused(any); }},
        {ID_ADD_TRANSACTION, 4, [=] { return focused(notHistory); }},
        {ID_TRANSACTION_FIRST, 4, [=] { return focused(isOrdinary); }},
        {ID_TRANSACTION_FIRST + 1, 4, [=] { return focused(isOrdinary); }},
        {ID_TRANSACTION_LAST, 4, [=] { return focused(isOrdinary); }},
    };
    for (const SheetCommand& command : sheetCommands) {
        addCommand(command.id, [this, page = command.page] { ShowItemPropertiesOf(page, -1); });
        addUpdateHandler(command.id, [enabled = command.enabled](CmdUI& ui) { ui.Enable(enabled()); });
    }

    addCommand(ID_NEW_ITEM, [this] { OnNewItem(); });
    addUpdateHandler(ID_NEW_ITEM, [this](CmdUI& ui) { ui.Enable(GetDocument() != nullptr); });
    addCommand(ID_DELETE_ITEM, [this] { OnDeleteItems(); });
    addUpdateHandler(ID_DELETE_ITEM, [this](CmdUI& ui) { ui.Enable(anySelected(isOrdinary)); });
    addCommand(ID_ADD_QUOTATION, [this] { OnAddQuotation(); });
    addUpdateHandler(ID_ADD_QUOTATION, [=](CmdUI& ui) { ui.Enable(focused(notCash)); });
    addCommand(ID_OPEN_WEB_PAGE, [this] { OnOpenWebPage(); });
    addUpdateHandler(ID_OPEN_WEB_PAGE, [=](CmdUI& ui) { ui.Enable(focused(isOrdinary)); });
    addCommand(ID_RECALCULATE_HISTORY, [this] { OnRecalculateHistory(); });
    addUpdateHandler(ID_RECALCULATE_HISTORY, [=](CmdUI& ui) { ui.Enable(focused(history)); });
}

void CWPapierLView::addClipboardCommands() {
    addCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    addUpdateHandler(ID_EDIT_COPY, [this](CmdUI& ui) { ui.Enable(!m_selection.m_SelectedItems.empty()); });
    addCommand(ID_EDIT_CUT, [this] { OnEditCut(); });
    addUpdateHandler(ID_EDIT_CUT, [this](CmdUI& ui) { ui.Enable(anySelected(isOrdinary)); });
    addCommand(ID_EDIT_PASTE, [this] { OnEditPaste(); });
    addUpdateHandler(ID_EDIT_PASTE, [this](CmdUI& ui) { ui.Enable(GetDocument() && clipboardHoldsItems()); });
}

bool CWPapierLView::clipboardHoldsItems() const {
    // The frame keeps the clipboard's formats, so the question costs nothing there.
    if (FrameWnd* frame = GetParentFrame())
        return frame->clipboardHas(QString::fromLatin1(kItemClipboardMimeType));
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard && HasItemClipboardData(clipboard->mimeData());
}

void CWPapierLView::runPropertiesCommand() {
    CmdUI ui(ID_ITEM_PROPERTIES);
    if (runUpdateHandler(ui) && ui.enabled())
        runCommand(ID_ITEM_PROPERTIES);
}

ItemSheetHooks CWPapierLView::sheetHooks() {
    ItemSheetHooks hooks;
    hooks.importItem = [this](ItemPos pos) {
        if (CWPapierDoc* doc = GetDocument(); doc && doc->GetItem(pos))
            RunImportWizard(*doc, pos, m_importPages, services(), this);
    };
    hooks.updateItem = [this](ItemPos pos) {
        if (CWPapierDoc* doc = GetDocument())
            if (const std::vector<CWPapier*> items = ItemsAt(*doc, {pos}); !items.empty())
                UpdateItemsNow(*doc, items);
    };
    return hooks;
}

int CWPapierLView::ShowItemPropertiesOf(int page, int quotationIndex) {
    CWPapierDoc* doc = GetDocument();
    if (!doc || !focusedItem())
        return 0;
    return ShowItemProperties(*doc, m_selection.m_posCurrentItem, page, quotationIndex, services(), sheetHooks(), this);
}

void CWPapierLView::focusAfterChange(ItemPos pos) {
    flush();
    DeselectAll();
    if (rowOf(pos) < 0 && model().rowCount() > 0)
        pos = model().itemAt(0);
    SelectItem(pos);
    if (const int row = rowOf(pos); row >= 0)
        GetListCtrl().scrollTo(model().index(row, 0));
}

void CWPapierLView::OnNewItem() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    const COLORREF colour = kNewItemColours[m_random() % kNewItemColours.size()];
    const bool wasModified = doc->IsModified();
    const ItemPos pos = doc->AddNewItem(NewItemProperties(colour, services().localNow()));
    if (pos == kNoItemPos)
        return;
    // While the sheet is open the flag tells whether anything else changed the portfolio (a timed
    // update, say), so that Cancel can leave it as it was before the insert.
    doc->SetModifiedFlag(wasModified);
    focusAfterChange(pos);

    const int result = ShowItemProperties(*doc, pos, 0, -1, services(), sheetHooks(), this, ItemSheetLaunch::NewItem);
    if (result == IDOK) {
        doc->SetModifiedFlag();
        m_selection.m_posCurrentItem = pos;
        m_selection.m_SelectedItems.clear();
        m_selection.m_ChartItems.clear();
        doc->UpdateAllViews(nullptr, 0);
        focusAfterChange(pos);
    } else {
        const bool changedMeanwhile = doc->IsModified();
        doc->DeleteItem(pos);
        doc->SetModifiedFlag(changedMeanwhile);
        flush();
    }
}

void CWPapierLView::OnDeleteItems() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    if (services().boxes->messageBox(LoadString(IDS_DELETE_SELECTED_ITEMS), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    OnSelectionChanged(); // the rows as they are now
    if (m_selection.m_SelectedItems.empty())
        return;

    const ListViewExCtrl& list = GetListCtrl();
    const QItemSelectionModel* rows = list.selectionModel();
    std::vector<bool> selected(static_cast<std::size_t>(model().rowCount()));
    for (int row = 0; row < model().rowCount(); ++row)
        selected[static_cast<std::size_t>(row)] = rows->isRowSelected(row, {});
    const int focusRow =
        RowToFocusAfterDelete(selected, list.currentIndex().isValid() ? list.currentIndex().row() : -1);
    const ItemPos focus = focusRow < model().rowCount() ? model().itemAt(focusRow) : kNoItemPos;
    m_selection.m_posCurrentItem = focus;

    doc->DeleteItems(ItemsAt(*doc, m_selection.m_SelectedItems)); // it updates the views itself
    focusAfterChange(focus);
}

void CWPapierLView::OnAddQuotation() {
    CWPapierDoc* doc = GetDocument();
    const CWPapier* item = focusedItem();
    if (!doc || !item || item->m_bCashAccount)
        return;
    const ItemPos pos = m_selection.m_posCurrentItem;
    CDlgKurs dialog(services(), this);
    dialog.m_strItemName = doc->GetItemName(pos);
    const OleDate now = services().localNow();
    dialog.SetDateTime(OleDate(now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), now.GetMinute(), 0));
    if (dialog.DoModal() != IDOK)
        return;
    CKurs quotation(dialog.GetDateTime(), dialog.m_dClose);
    quotation.m_dOpen = dialog.m_dOpen;
    quotation.m_dVolume = dialog.m_dVolume;
    quotation.m_dLow = dialog.m_dLow;
    quotation.m_dHigh = dialog.m_dHigh;
    doc->AddQuotationToItem(pos, quotation, doc->programOptions().DisableIntraday != 0, true);
}

void CWPapierLView::OnOpenWebPage() {
    const CWPapier* item = focusedItem();
    if (!item || !isOrdinary(*item))
        return;
    const ServerSettings& own = item->m_Server;
    std::string url = own.m_strURL;
    if (!own.m_strName.empty() && own.m_strName != kLocalDefinitionName) {
        ServerSettings stored;
        LoadServerSettings(own.m_strName, &stored, *services().settings);
        url = stored.m_strURL;
    }
    // Name and symbol go in percent-encoded, so they stay values of the address; the shell opens
    // only web pages and local files.
    if (services().shell)
        services().shell->openWebPage(WebPageUrl(url, item->m_strName, item->m_strSymbol));
}

void CWPapierLView::OnRecalculateHistory() {
    CWPapierDoc* doc = GetDocument();
    const CWPapier* item = focusedItem();
    if (doc && item && item->m_bInvestmentHistory)
        doc->RecomputeSumInvestValueHistory();
}

// ---------------------------------------------------------------- clipboard

bool CWPapierLView::copySelectedItems() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return false;
    OnSelectionChanged();
    if (CopyItemsToClipboard(QGuiApplication::clipboard(), *doc, m_selection.m_SelectedItems))
        return true;
    services().boxes->messageBox(LoadString(IDS_CLIPBOARD_OPEN_FAILED), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CWPapierLView::OnEditCopy() {
    copySelectedItems();
}

void CWPapierLView::OnEditCut() {
    if (copySelectedItems())
        OnDeleteItems();
}

void CWPapierLView::OnEditPaste() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        services().boxes->messageBox(LoadString(IDS_CLIPBOARD_OPEN_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const ItemPasteResult result = PasteItemsFromClipboard(clipboard, *doc);
    if (!result.ok) {
        services().boxes->messageBox(LoadString(IDS_CLIPBOARD_READ_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (result.pasted.empty())
        return;
    m_selection.m_posCurrentItem = result.pasted.back();
    m_selection.m_SelectedItems.clear();
    m_selection.m_ChartItems.clear();
    focusAfterChange(result.pasted.back());
}
