#pragma once
// The page tree's window in the tree property sheet ("idc_32494"): a tree of page captions whose
// items may carry a text colour of their own (a disabled page's item is greyed), drawn in that
// colour unless the item is selected. The sheet decides about every change of the current item
// before it happens: the selection model asks the veto function first, and a refused change
// leaves the current item and the selection as they were, whether it came from the mouse, the
// keyboard or the program.

#include "controls/WinGdi.h"

#include <QTreeWidget>

#include <functional>
#include <optional>
#include <unordered_map>

namespace TreePropSheet {

class CTreePropSheetTreeCtrl : public QTreeWidget {
public:
    // Asked before `item` becomes the current item; false keeps the current one.
    using SelChanging = std::function<bool(QTreeWidgetItem* item)>;

    explicit CTreePropSheetTreeCtrl(QWidget* parent = nullptr);
    ~CTreePropSheetTreeCtrl() override;

    // The text colour of `item`: the tree's own text colour removes the item's colour, any other
    // is kept for it. Answers true.
    bool EnableTreeItem(QTreeWidgetItem* item, COLORREF colour);
    // The colour kept for `item`, if any.
    std::optional<COLORREF> itemColour(const QTreeWidgetItem* item) const;
    // The tree's own text colour.
    COLORREF GetTextColor() const;

    void setSelChanging(SelChanging veto) { m_selChanging = std::move(veto); }
    // Deletes every item and the colours kept for them.
    void DeleteAllItems();

private:
    friend class VetoSelectionModel;
    bool allowChange(QTreeWidgetItem* item);

    std::unordered_map<const QTreeWidgetItem*, COLORREF> m_ItemColours;
    SelChanging m_selChanging;
};

} // namespace TreePropSheet
