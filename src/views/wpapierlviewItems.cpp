#include "views/wpapierlviewItems.h"

#include "portfolio/ItemDefaults.h"
#include "portfolio/WPapierDoc.h"

#include <algorithm>

ServerSettings NewItemServerSettings() {
    ServerSettings server;
    server.m_strURL = "http://";
    server.m_nTimeout = 180;
    server.m_strTextBeforeValue = "[&symbol]";
    server.m_nFormat = 0;
    server.m_nHtmlBeforeValue = 0;
    server.m_nNumbersBeforeValue = 0;
    server.m_bNoCaseSensitive = 1;
    server.m_nFiltering = 0;
    server.m_strRegExp = std::string(kDefaultItemRegExp);
    return server;
}

ItemProperties NewItemProperties(COLORREF colour, const OleDate& now) {
    ItemProperties p;
    p.m_strName = "New Item";
    p.m_bDownloadEnabled = true;
    p.m_Server = NewItemServerSettings();

    p.m_bChartEnabled = 1;
    p.m_bGrid = 1;
    p.m_nGraphValues = 0;
    p.m_nAxisValues = 0;
    p.m_dtBegin = now;
    p.m_dtEnd = now + OleDateSpan(365.0);
    p.m_bBegin = 0;
    p.m_bEnd = 0;
    p.m_crColor = colour;
    p.m_bBreakEvenLine = 1;
    p.m_bTransactionMarks = 1;

    p.m_dAlarmBreakEvenPercent = 20.0;
    return p;
}

int RowToFocusAfterDelete(const std::vector<bool>& selected, int focusedRow) {
    const int rows = static_cast<int>(selected.size());
    const int from = focusedRow < 0 ? 0 : std::min(focusedRow, rows - 1);
    for (int row = from; row < rows; ++row)
        if (!selected[static_cast<std::size_t>(row)])
            return row;
    for (int row = from; row >= 0; --row)
        if (!selected[static_cast<std::size_t>(row)])
            return row;
    return 0;
}

std::vector<CWPapier*> ItemsAt(CWPapierDoc& doc, const std::vector<ItemPos>& positions) {
    std::vector<CWPapier*> items;
    const auto lock = doc.LockList();
    for (const ItemPos pos : positions)
        if (CWPapier* item = doc.GetItem(pos))
            items.push_back(item);
    return items;
}
