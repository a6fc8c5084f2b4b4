#pragma once
// The portfolio stream: a list of item records as one object list of the archive, each item
// holding its quotation and transaction lists, with links between items as object fields (an item
// linked before its own place in the list is written in full at the link and later named by a
// back-reference). The portfolio file holds it, plain or as the one entry of a zip archive; the
// item clipboard holds a list of the selected items.
//
// Reading trusts nothing: every object field must hold the class that may stand there (items in
// the list and in links, quotations and transactions in their lists), back-references must name
// an object read before, links written in full nest at most Archive::maxDepth() deep, and no item
// may stand twice in the list. Any violation throws ArchiveError.

#include "platform/Archive.h"
#include "portfolio/WPapierItem.h"

#include <memory>
#include <span>
#include <vector>

// The classes a portfolio stream may hold: "CWPapier", "CKurs" and "CTransaction".
const ArchiveClassRegistry& portfolioClassRegistry();

struct ItemListReadResult {
    std::vector<std::unique_ptr<CWPapier>> items; // in list order
    // The schema of the last item record read (22 when the stream held none).
    int lastItemSchema = 22;
    int repairedLinks = 0;
};

// Reads an item list from `ar` (an archive on portfolioClassRegistry() or a registry that makes
// the same classes). Null entries are dropped with an ERROR line. Items that stand only at a link
// of another item are left to the archive, which frees them, and the links to them are repaired as
// repairItemLinks() does. The items are complete records: their lists were taken over and their
// investment figures recomputed.
ItemListReadResult readItemList(Archive& ar);

// Writes `items` as one object list. The caller holds whatever guards the items.
void writeItemList(Archive& ar, std::span<CWPapier* const> items);

// Makes every link of `items` name an item of `items`: an exchange-rate link to any other item (or
// none) becomes none with the conversion switched off; a formula item x or y that is not in
// `items` becomes the item itself. Links are compared as pointers only, so a link to a freed item
// is repaired without being read. Returns the number of links changed.
int repairItemLinks(std::span<CWPapier* const> items);
