#include "views/wpapierlviewSort.h"

#include "portfolio/WPapierDoc.h"
#include "views/wpapierlviewLog.h"

#include <algorithm>

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

void sortRows(std::vector<ItemPos>& order, const ListViewOptions& options, const ListSortSource& source) {
    if (!source.mainWindow || !source.listView || !source.document) {
        // Every comparison gives 0 (each one logged without the list view): the order stays.
        std::stable_sort(order.begin(), order.end(),
                         [&](ItemPos a, ItemPos b) { return compareRows(a, b, options, source) < 0; });
        return;
    }
    const CWPapierDoc& doc = *source.document;
    const int column = options.m_nSortColumn;
    struct Row {
        ItemPos pos;
        CWPapier::SortKey key; // no item: compares equal to every row, as CompareItems does
    };
    std::vector<Row> rows;
    rows.reserve(order.size());
    {
        const auto lock = doc.LockList();
        // The settings CWPapierDoc::CompareItems reads, and one moment for all values.
        const PortfolioHost* host = doc.portfolioHost();
        const ListViewSettings view = host ? host->listViewSettings() : ListViewSettings{};
        const OleDate now = OleDate::GetCurrentTime();
        for (const ItemPos pos : order) {
            const CWPapier* item = doc.GetItem(pos);
            rows.push_back({pos, item ? item->GetSortKey(column, view.m_bProcentualValue, view.m_nTimeFrameDays, now)
                                      : CWPapier::SortKey{}});
        }
        const bool reverse = options.m_bSortReverse;
        std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
            if (!a.key.item || !b.key.item)
                return false;
            const int result = CWPapier::CompareSortKeys(a.key, b.key, column);
            return reverse ? result > 0 : result < 0;
        });
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        order[i] = rows[i].pos;
}

void OnColumnClick(ListViewOptions& options, int column) {
    options.m_bSortReverse = options.m_nSortColumn == column && !options.m_bSortReverse;
    options.m_nSortColumn = column;
}
