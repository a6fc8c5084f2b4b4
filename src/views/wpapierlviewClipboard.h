#pragma once
// Copy, cut and paste of portfolio items through the clipboard, without widgets: the list view's
// Copy, Cut and Paste commands call these with its selection and the system clipboard.
//
// The clipboard holds the items under the private format "CVRWPCB" (the MIME type
// kItemClipboardMimeType; on Windows it is the registered format of that name). Its payload is a
// short header -- the copying program run's identity and, per copied item, its id in that run and
// whether it converted by an exchange rate -- followed by the portfolio archive of the items
// (schema 22), the very stream the portfolio file holds: an item's exchange-rate and formula items
// travel as object references, so a referenced item that was not copied travels as a further
// object.
//
// Pasting reads the payload with the bounded archive reader and checks all of it before anything
// reaches the document: damaged or foreign data inserts nothing. The pasted items are then named
// ("Copy of X", "Copy of X (1)", ...), lose the special-item flags, take themselves as formula x,
// and their exchange-rate and y links are re-linked: a link to another pasted item stays; a link to
// an item that travelled only as a reference is dropped with that object, and when the paste runs
// in the same program run that copied the items and the referenced item is still in the receiving
// document (found by its id, which a run never gives twice) the link goes to it instead; otherwise
// the item converts by no exchange rate and is its own y item.
//
//   auto data = CopyItemsToMimeData(doc, selectedPositions);
//   ...
//   ItemPasteResult r = PasteItemsFromMimeData(doc, mimeData);  // r.ok false: message 115

#include "portfolio/ItemPos.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CWPapierDoc;
class QClipboard;
class QMimeData;

// The format's name and its MIME type.
inline constexpr const char* kItemClipboardFormat = "CVRWPCB";
inline constexpr const char* kItemClipboardMimeType = "application/x-qt-windows-mime;value=\"CVRWPCB\"";

// Payloads above this size are refused unread.
inline constexpr std::size_t kMaxItemClipboardBytes = std::size_t{1} << 30;

// Message texts: string 114 and 115.
inline constexpr unsigned IDS_CLIPBOARD_OPEN_FAILED = 114;
inline constexpr unsigned IDS_CLIPBOARD_READ_FAILED = 115;

// The payload of the items at `positions` (in that order; positions that hold no item are left
// out). Holds the document's list lock while it writes.
QByteArray ItemClipboardPayload(const CWPapierDoc& doc, const std::vector<ItemPos>& positions);

// A mime-data object holding the payload under kItemClipboardMimeType, plus copies of the formats
// of `keep` (the clipboard's current content, which the copy leaves in place; may be null).
std::unique_ptr<QMimeData> CopyItemsToMimeData(const CWPapierDoc& doc, const std::vector<ItemPos>& positions,
                                               const QMimeData* keep = nullptr);

// Whether `data` holds the item format (Paste is enabled).
bool HasItemClipboardData(const QMimeData* data);

// The name a pasted item takes: `name` while no item of the document has it, else "Copy of " +
// name, else "Copy of <name> (n)" for the first n = 1, 2, ... no item has.
std::string PastedItemName(const CWPapierDoc& doc, const std::string& name);

struct ItemPasteResult {
    bool ok = false;             // false: nothing was inserted (message 115)
    std::string error;           // why, for the log
    std::vector<ItemPos> pasted; // the new items, in order; the last is the current item
};

// Reads `payload` and appends its items to `doc` (all at once through CWPapierDoc::AddItems).
ItemPasteResult PasteItemsFromPayload(CWPapierDoc& doc, std::string_view payload);
// The same for the item format of `data`; fails (115) without it.
ItemPasteResult PasteItemsFromMimeData(CWPapierDoc& doc, const QMimeData* data);

// The commands' clipboard side. Copy: puts the items on `clipboard` (null: message 114, false).
bool CopyItemsToClipboard(QClipboard* clipboard, const CWPapierDoc& doc, const std::vector<ItemPos>& positions);
// Paste from `clipboard`; a null clipboard fails like foreign data.
ItemPasteResult PasteItemsFromClipboard(QClipboard* clipboard, CWPapierDoc& doc);

// The identity of this program run in payloads (random, fixed for the run).
std::uint64_t ItemClipboardSession();
