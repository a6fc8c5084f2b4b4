#pragma once
// The item property sheet (caption "Properties", titled "Properties of " + the item's name): the
// pages that fit the kind of item, filled from the item, and on OK one item-properties record for
// CWPapierDoc::SetItemProperties. Quotation operations of the Quotations page, template changes of
// the General page and a new exchange-rate item reach the document at once; Cancel does not undo
// them, so the launcher refreshes the views after any other result.
//
//   ShowItemProperties(doc, pos, 2 /* Chart */, -1 /* no quotation */, services, hooks);
//
// The widget-free parts (which pages, which page opens, the record) are functions of their own.

#include "dialogs/WPAccountPropPage.h"
#include "dialogs/WPAdvancedPropPage.h"
#include "dialogs/WPCurrencyPropPage.h"
#include "dialogs/WPGlobalTransactionsPropPage.h"
#include "dialogs/WPGraphPropertyPage.h"
#include "dialogs/WPInvestPropPage.h"
#include "dialogs/WPKursPropPage.h"
#include "dialogs/WPPropPage.h"
#include "framework/PropertySheet.h"
#include "portfolio/ItemProperties.h"

#include <QFontMetrics>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

class CWPapier;
class CWPapierDoc;
class ServerPropDocument;

enum class ItemKind { Ordinary, InvestmentHistory, CashAccount };
ItemKind ItemKindOf(const CWPapier& item);

// The pages of the sheet, in the order of the full page lists.
enum class ItemSheetPage { General, Currency, Chart, Quotations, Investment, Statement, Transactions, Advanced };

// The page list of a kind of item, in tab order:
//   ordinary            General, Currency, Chart, Quotations, Investment, Advanced
//   investment history  Chart, Quotations, Transactions, Advanced
//   cash account        Chart, Statement, Advanced
std::vector<ItemSheetPage> ItemSheetPages(ItemKind kind);

// The room a page of the sheet takes in a font of `metrics`; the sheet opens at the largest of its
// pages' before their controls exist.
QSize ItemSheetPageSize(ItemSheetPage which, const QFontMetrics& metrics);

// The index in ItemSheetPages(kind) that a launch asking for `wanted` (numbered as for an ordinary
// item: 0 General, 2 Chart, 3 Quotations, 4 Investment) opens: history 2->0, 3->1, 4->2; cash
// account 2->0, 3->1, 4->1; anything else unchanged.
int ItemSheetStartIndex(ItemKind kind, int wanted);

// The template list's text for an item's configuration name (string 40035 for its own), and the
// name stored for a chosen text.
std::string TemplateNameShown(const std::string& serverName);
std::string ServerNameStored(const std::string& templateName);

class CWPPropertiesSheet : public PropertySheet {
public:
    // `serverDoc` serves the General page's editor, wizard and test (may be null: they do nothing).
    CWPPropertiesSheet(Services services, CWPapierDoc* doc, ServerPropDocument* serverDoc,
                       QWidget* parent = nullptr);
    ~CWPPropertiesSheet() override;

    CWPPropPage m_pageGeneral;
    CWPGraphPropertyPage m_pageChart;
    CWPKursPropPage m_pageQuotations;
    CWPInvestPropPage m_pageInvestment;               // ordinary item
    CWPAccountPropPage m_pageStatement;               // cash account
    CWPGlobalTransactionsPropPage m_pageTransactions; // investment history
    CWPCurrencyPropPage m_pageCurrency;
    CWPAdvancedPropPage m_pageAdvanced;
    bool m_bInvestmentHistoryItem = false;
    bool m_bCashAccountItem = false;

    void SetInvestmentHistoryItem(bool on) { m_bInvestmentHistoryItem = on; }
    void SetCashAccountItem(bool on) { m_bCashAccountItem = on; }
    ItemKind kind() const;

    // Which page opens, as an index of ItemSheetPages(kind()) (ItemSheetStartIndex).
    void SetStartIndex(int index) { m_nStartIndex = index; }

    // Item -> pages. The transaction page of the item's kind gets its copies from the document
    // (which first adds the item's due recurring transactions), or from the item without one.
    void FillFromItem(const CWPapier& item, ItemPos pos, int quotationIndex);
    // Pages -> the record, over `base` (the item's own values, which the pages do not edit).
    ItemProperties PropertiesFromPages(ItemProperties base) const;

    // Adds the page set and runs the sheet; IDOK or IDCANCEL.
    int DoModal();

protected:
    bool OnInitDialog() override;
    void OnPageActivated(int index) override;

private:
    void addPages();
    // After a formula changed the quotations: the Investment page takes the item's transactions,
    // alarm limits and newest quotation again, and shows them when it exists.
    void refreshInvestmentPage();
    void storeGeneral(ItemProperties& p) const;
    PropertyPage* page(ItemSheetPage which);

    CWPapierDoc* m_pDoc;
    int m_nStartIndex = 0;
    bool m_bPagesAdded = false;
    bool m_bCashOptionRead = false;
};

// The item's editable values as a record (what the sheet starts from).
ItemProperties ItemPropertiesOf(const CWPapier& item);

// What the launch needs from the list view.
struct ItemSheetHooks {
    std::function<void(ItemPos)> importItem; // the item's historical import
    std::function<void(ItemPos)> updateItem; // the item's download, after "Update Quotation"
};

// Whose sheet it is: an item of the portfolio, or the brand-new item of the insert command (whose
// missing template the General page does not report).
enum class ItemSheetLaunch { Existing, NewItem };

// The launch: opens the sheet for the item at `pos` on page `wanted` (-1 quotation index: the
// newest), stores the pages on OK, else recalculates the item's figures (not for the investment
// history) and refreshes all views. The sheet's result; 0 when there is no item.
int ShowItemProperties(CWPapierDoc& doc, ItemPos pos, int wanted, int quotationIndex, const Services& services,
                       const ItemSheetHooks& hooks = {}, QWidget* parent = nullptr,
                       ItemSheetLaunch launch = ItemSheetLaunch::Existing);
