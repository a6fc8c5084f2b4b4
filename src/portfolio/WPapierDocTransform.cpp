// The list's sort order of two items, and the operations that transform an item's quotations by a
// formula or by another item's quotations.

#include "portfolio/WPapierDoc.h"

int CWPapierDoc::CompareItems(ItemPos a, ItemPos b, int column) const {
    const ListLock lock(*this);
    const CWPapier* first = itemLocked(a);
    const CWPapier* second = itemLocked(b);
    if (!first || !second)
        return 0;
    // The list view's settings as they are now: the user may switch them between two sorts.
    const ListViewSettings view = m_portfolioHost ? m_portfolioHost->listViewSettings() : ListViewSettings{};
    return first->CompareItems(second, column, view.m_bProcentualValue, view.m_nTimeFrameDays);
}

bool CWPapierDoc::ApplyFunction(ItemPos pos, int first, int last, const std::string& formula) {
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    if (!item || !item->ApplyFunction(first, last, formula))
        return false;
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return true;
}

bool CWPapierDoc::MultiplyItems(ItemPos pos, ItemPos factor) {
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    CWPapier* factorItem = itemLocked(factor);
    if (!item || !factorItem || !item->MultiplyByItem(factorItem))
        return false;
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return true;
}
