#pragma once
// Sorting of the list view's rows: the two comparison callbacks over item positions, the rule of
// a click on a column header, and the comparison the list sorts by.

#include "portfolio/ItemPos.h"
#include "portfolio/WPapierItem.h"
#include "views/wpapierlviewColumns.h"

#include <functional>
#include <vector>

class CWPapierDoc;

// Where the callbacks find the items: the program's main window, its list view and that view's
// document, as they stand at the moment of the comparison.
struct ListSortSource {
    const void* mainWindow = nullptr;      // null: no main window yet
    const void* listView = nullptr;        // the main frame's list view; null: not yet set
    const CWPapierDoc* document = nullptr; // the list view's document; null: none
};

// The document's comparison of the two items by `column` (CWPapierDoc::CompareItems). 0 without a
// main window or a document; without the list view it also logs an error line.
int CompareFunc(ItemPos a, ItemPos b, int column, const ListSortSource& source);
// The reverse order.
int CompareFuncReverse(ItemPos a, ItemPos b, int column, const ListSortSource& source);
// The order the list is sorted in: by the sort column, reversed when m_bSortReverse is set.
int compareRows(ItemPos a, ItemPos b, const ListViewOptions& options, const ListSortSource& source);
// Puts `order` into the order a stable sort by compareRows gives, reading each item's value of the
// sort column once (under the document's list lock, at one moment) instead of at every comparison.
void sortRows(std::vector<ItemPos>& order, const ListViewOptions& options, const ListSortSource& source);
// Puts `order` into the order of the rows' kept keys (CWPapier::GetSortKeys, made with the rows'
// texts) by the sort column, stable: a click sorts and computes nothing. `keyOf` gives a row's key,
// null for a row without one (it compares equal to every row, as CompareItems without an item).
void sortRowsByKeys(std::vector<ItemPos>& order, const ListViewOptions& options,
                    const std::function<const CWPapier::SortKey*(ItemPos)>& keyOf);
// Brings the rows `added` (in the order they were appended) into `order`, which is in the order of
// its rows' kept keys already: the new rows are sorted and merged in, each after the rows it ties
// with, which is where a stable sort of `order` followed by `added` puts them. False, and `order`
// unchanged, when `order` is not in key order (a row's key changed): then the whole list is sorted.
bool mergeRowsByKeys(std::vector<ItemPos>& order, std::vector<ItemPos> added, const ListViewOptions& options,
                     const std::function<const CWPapier::SortKey*(ItemPos)>& keyOf);

// A click on a column's header: a new column sorts ascending, each further click on the same
// column flips the order.
void OnColumnClick(ListViewOptions& options, int column);
