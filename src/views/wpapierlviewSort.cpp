#include "views/wpapierlviewSort.h"

#include "portfolio/WPapierDoc.h"
#include "views/wpapierlviewLog.h"

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

void OnColumnClick(ListViewOptions& options, int column) {
    options.m_bSortReverse = options.m_nSortColumn == column && !options.m_bSortReverse;
    options.m_nSortColumn = column;
}
