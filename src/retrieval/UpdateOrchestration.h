#pragma once
// The document's download operations: the update of items (all of them, a selection, or for a
// given date), the test download of a server configuration and the page download of a dialog.
//
// An update runs on the main thread under the document's list lock. It leaves out items that are
// downloading, special or disabled, builds one DownloadJob per distinct download URL (the item's
// template from the settings store, or its own settings, with its name and symbol put in) with one
// ExtractionItem per item served by that URL, makes an item wait for its exchange-rate item when
// both are downloaded in the same update, marks every served item as downloading and starts one
// worker per job. Results come back as WMU_DOWNLOAD_STATUS reports to the main window and are
// taken in by WPKursThreadUpdate (DownloadIntake.h) or, for failures, ResetDownloadFlagAt.

#include "platform/MessageTarget.h"
#include "platform/OleDate.h"

#include <cstdint>
#include <string_view>
#include <vector>

class CWPapier;
class CWPapierDoc;
class DownloadManager;
struct ServerSettings;

// Where the document's download operations send their work: the receiver of update and test
// reports (the main window) and the manager that runs the workers. The main frame sets its
// receiver once it exists; tests set their own.
struct DownloadRouting {
    ReceiverId mainWindow = 0;          // 0: the reports of update and test jobs reach nobody
    DownloadManager* manager = nullptr; // null: DownloadManager::instance()
};
void SetDownloadRouting(const DownloadRouting& routing);
DownloadRouting GetDownloadRouting();

// Updates every item of the document for the current date and time. Returns the number of items
// whose download was started: 0 when nothing was scheduled (no report will come).
int UpdateAllItems(CWPapierDoc& doc);

// Updates the listed items (pointers to items of the document) for the current date and time.
int UpdateItemsNow(CWPapierDoc& doc, const std::vector<CWPapier*>& items);

// Builds and starts the jobs for the listed items and `referenceDate`. Without `useGivenDate` the
// workers take the current date themselves and may step back over missing pages; with it they
// use `referenceDate` and never step back. Returns the number of items whose download was
// started (0: nothing was scheduled; also when no main window is registered to receive the
// reports). When the list is the investment-history item alone, its history is recomputed instead.
int WPListUpdate(CWPapierDoc& doc, const std::vector<CWPapier*>& items, const SystemTime& referenceDate,
                 bool useGivenDate);

// Fetches one quotation of `item` with `settings` (a configuration being edited or tested) and
// reports it to the main window as a test job (job id 1): shown, never added. Takes no download
// slot and does not mark the item; an item that is not in the portfolio is reported with position
// 0. Returns the worker's id (0: nothing started; also for a null item).
std::uint32_t StartTestDownload(CWPapierDoc& doc, const CWPapier* item, const ServerSettings& settings);

// Fetches the page behind `url` ([&name] and [&symbol] put in) for a dialog: `target` receives
// WMU_PAGE_DOWNLOAD_STATUS reports and, on success, one status 8 record naming the page and its
// semi-html and text-only conversions, which it then owns. Time limit 300 seconds, no download
// slot. Returns the worker's id, the m_dwThreadId of the job's reports (0: nothing started).
std::uint32_t StartPageDownload(CWPapierDoc& doc, std::string_view name, std::string_view symbol, std::string_view url,
                                ReceiverId target);
