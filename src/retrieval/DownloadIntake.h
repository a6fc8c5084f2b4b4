#pragma once
// The intake of a downloaded quotation: the list view hands the quotation of every status 8
// report of an update job to WPKursThreadUpdate, and the position of every other final report
// (9 to 13) to CWPapierDoc::ResetDownloadFlagAt. Runs on the main thread.

#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"

#include <memory>

class CWPapierDoc;

// Takes in `quotation`, the result of the item at `pos`, and ends the item's download state:
// - an item that is gone (deleted while its download ran) drops it;
// - while an abort is pending it is dropped;
// - an item that converts by an exchange-rate item of the portfolio gets open, close, high and low
//   multiplied by the close of that item's newest quotation on or before the quotation's date;
//   when there is none, or its close is 0, the user is told (a notice, never a modal box inside
//   the operation) and the result is dropped;
// - otherwise the quotation is added to the item (one per day when DisableIntraday is on), which
//   updates the investment history and the views.
// Returns 0 when the exchange-rate quotation was missing (or 0), else 1.
int WPKursThreadUpdate(CWPapierDoc& doc, ItemPos pos, std::unique_ptr<CKurs> quotation);
