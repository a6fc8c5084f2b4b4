#include "views/wpapierlviewSort.h"

#include "portfolio/WPapierDoc.h"
#include "views/wpapierlviewLog.h"

#include <algorithm>
#include <cstdint>

int CompareFunc(ItemPos a, ItemPos b, int column, const ListSortSource& source) {
    if (!source.mainWindow)
        return 0;
    if (!source.listView) {
        LV_LOG(LOG_LEVEL_ERROR, "CompareFunc pMainWnd.hWnd=%p, pMainWnd->m_pWPapierLView=%p !", source.mainWindow,
               source.listView);
        return 0;
    }
    return source.document ? source.document->CompareItems(a, b, column) : 0;
}

int CompareFuncReverse(ItemPos a, ItemPos b, int column, const ListSortSource& source) {
    // By the sign alone: negating the lowest int would overflow.
    const int order = CompareFunc(a, b, column, source);
    return order < 0 ? 1 : order > 0 ? -1 : 0;
}

int compareRows(ItemPos a, ItemPos b, const ListViewOptions& options, const ListSortSource& source) {
    return options.m_bSortReverse ? CompareFuncReverse(a, b, options.m_nSortColumn, source)
                                  : CompareFunc(a, b, options.m_nSortColumn, source);
}

namespace {

// Whether the row of key `a` sorts before the row of key `b`; a missing key ties with every row.
bool sortsBefore(const CWPapier::SortKey* a, const CWPapier::SortKey* b, int column, bool reverse) {
    if (!a || !b || !a->present || !b->present)
        return false;
    const int result = CWPapier::CompareSortKeys(*a, *b, column);
    return reverse ? result > 0 : result < 0;
}

// A stable sort of `order` by `keys` (one per entry, null: no item) in the sort column's order.
void sortByKeys(std::vector<ItemPos>& order, const std::vector<const CWPapier::SortKey*>& keys,
                const ListViewOptions& options) {
    const int column = options.m_nSortColumn;
    const bool reverse = options.m_bSortReverse;
    std::vector<std::uint32_t> index(order.size());
    for (std::size_t i = 0; i < index.size(); ++i)
        index[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(index.begin(), index.end(),
                     [&](std::uint32_t x, std::uint32_t y) { return sortsBefore(keys[x], keys[y], column, reverse); });
    std::vector<ItemPos> sorted(order.size());
    for (std::size_t i = 0; i < index.size(); ++i)
        sorted[i] = order[index[i]];
    order = std::move(sorted);
}

} // namespace

void sortRows(std::vector<ItemPos>& order, const ListViewOptions& options, const ListSortSource& source) {
    if (!source.mainWindow || !source.listView || !source.document) {
        // Every comparison gives 0 (each one logged without the list view): the order stays.
        std::stable_sort(order.begin(), order.end(),
                         [&](ItemPos a, ItemPos b) { return compareRows(a, b, options, source) < 0; });
        return;
    }
    const CWPapierDoc& doc = *source.document;
    const int column = options.m_nSortColumn;
    std::vector<CWPapier::SortKey> keys(order.size());
    std::vector<const CWPapier::SortKey*> keyOf(order.size(), nullptr);
    {
        const auto lock = doc.LockList();
        // The settings CWPapierDoc::CompareItems reads, and one moment for all values.
        const PortfolioHost* host = doc.portfolioHost();
        const ListViewSettings view = host ? host->listViewSettings() : ListViewSettings{};
        const OleDate now = OleDate::GetCurrentTime();
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (const CWPapier* item = doc.GetItem(order[i])) {
                keys[i] = item->GetSortKey(column, view.m_bProcentualValue, view.m_nTimeFrameDays, now);
                keyOf[i] = &keys[i];
            }
        }
    }
    sortByKeys(order, keyOf, options);
}

void sortRowsByKeys(std::vector<ItemPos>& order, const ListViewOptions& options,
                    const std::function<const CWPapier::SortKey*(ItemPos)>& keyOf) {
    std::vector<const CWPapier::SortKey*> keys(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        keys[i] = keyOf(order[i]);
    sortByKeys(order, keys, options);
}

bool mergeRowsByKeys(std::vector<ItemPos>& order, std::vector<ItemPos> added, const ListViewOptions& options,
                     const std::function<const CWPapier::SortKey*(ItemPos)>& keyOf) {
    const int column = options.m_nSortColumn;
    const bool reverse = options.m_bSortReverse;
    std::vector<const CWPapier::SortKey*> keys(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        keys[i] = keyOf(order[i]);
        // A missing key ties with every row: no order to merge into.
        if (!keys[i] || !keys[i]->present)
            return false;
        if (i > 0 && sortsBefore(keys[i], keys[i - 1], column, reverse))
            return false;
    }
    sortRowsByKeys(added, options, keyOf);
    std::vector<const CWPapier::SortKey*> addedKeys(added.size());
    for (std::size_t j = 0; j < added.size(); ++j)
        addedKeys[j] = keyOf(added[j]);
    std::vector<ItemPos> merged;
    merged.reserve(order.size() + added.size());
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < order.size() || j < added.size()) {
        // A new row goes before a kept row only when it sorts before it.
        if (j < added.size() && (i == order.size() || sortsBefore(addedKeys[j], keys[i], column, reverse)))
            merged.push_back(added[j++]);
        else
            merged.push_back(order[i++]);
    }
    order = std::move(merged);
    return true;
}

void OnColumnClick(ListViewOptions& options, int column) {
    options.m_bSortReverse = options.m_nSortColumn == column && !options.m_bSortReverse;
    options.m_nSortColumn = column;
}
