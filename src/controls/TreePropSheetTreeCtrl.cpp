#include "controls/TreePropSheetTreeCtrl.h"

#include <QItemSelectionModel>
#include <QStyledItemDelegate>

namespace TreePropSheet {

// The selection model of the page tree: a new current item only when the sheet agrees, and only
// the current item selected.
class VetoSelectionModel final : public QItemSelectionModel {
public:
    VetoSelectionModel(QAbstractItemModel* model, CTreePropSheetTreeCtrl* tree) : QItemSelectionModel(model, tree) {
        m_tree = tree;
    }

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (index != currentIndex() && index.isValid() && !m_tree->allowChange(m_tree->itemFromIndex(index)))
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
        // A click or key whose change was refused still asks to select its item: it stays unselected.
        if ((command & (QItemSelectionModel::Select | QItemSelectionModel::Toggle)) && !selection.isEmpty() &&
            !selection.contains(currentIndex()))
            return;
        QItemSelectionModel::select(selection, command);
    }
    using QItemSelectionModel::select;

private:
    CTreePropSheetTreeCtrl* m_tree;
};

namespace {

// Draws an item with a colour of its own in that colour, unless it is selected.
class ItemColourDelegate final : public QStyledItemDelegate {
public:
    explicit ItemColourDelegate(CTreePropSheetTreeCtrl* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_Selected)
            return;
        if (const auto colour = m_tree->itemColour(m_tree->itemFromIndex(index)))
            option->palette.setColor(QPalette::Text, toQColor(*colour));
    }

private:
    CTreePropSheetTreeCtrl* m_tree;
};

} // namespace

CTreePropSheetTreeCtrl::CTreePropSheetTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    QItemSelectionModel* old = selectionModel();
    setSelectionModel(new VetoSelectionModel(model(), this));
    delete old;
    // The tree widget's own links to its selection model, made again for the new one.
    QItemSelectionModel* veto = selectionModel();
    connect(veto, SIGNAL(currentChanged(QModelIndex, QModelIndex)), this,
            SLOT(_q_emitCurrentItemChanged(QModelIndex, QModelIndex)));
    connect(veto, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), this, SIGNAL(itemSelectionChanged()));
    connect(veto, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), this,
            SLOT(_q_selectionChanged(QItemSelection, QItemSelection)));
    setItemDelegate(new ItemColourDelegate(this));
}

CTreePropSheetTreeCtrl::~CTreePropSheetTreeCtrl() {
    m_selChanging = nullptr;
}

bool CTreePropSheetTreeCtrl::allowChange(QTreeWidgetItem* item) {
    return !m_selChanging || m_selChanging(item);
}

bool CTreePropSheetTreeCtrl::EnableTreeItem(QTreeWidgetItem* item, COLORREF colour) {
    if (!item)
        return true;
    if (colour == GetTextColor())
        m_ItemColours.erase(item);
    else
        m_ItemColours[item] = colour;
    viewport()->update();
    return true;
}

std::optional<COLORREF> CTreePropSheetTreeCtrl::itemColour(const QTreeWidgetItem* item) const {
    const auto it = m_ItemColours.find(item);
    return it == m_ItemColours.end() ? std::nullopt : std::optional(it->second);
}

COLORREF CTreePropSheetTreeCtrl::GetTextColor() const {
    return colorRefOf(palette().color(QPalette::Text).rgb());
}

void CTreePropSheetTreeCtrl::DeleteAllItems() {
    m_ItemColours.clear();
    clear();
}

} // namespace TreePropSheet
