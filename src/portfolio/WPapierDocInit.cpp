// Completing a new or a loaded portfolio.

#include "portfolio/WPapierDoc.h"

// Called by OnNewDocument (and after a failed open) on the emptied document, under the list lock.
// Neither sets the modified flag nor tells the views.
void CWPapierDoc::InitializeNewPortfolio() {}

// Called under the list lock once a file's item list has replaced the document's items (also for
// an empty file); `loadSchema` is the schema of the last item record read (22 when none). The items
// arrive complete: their lists were taken over and their investment figures recomputed when they
// were read.
void CWPapierDoc::InitializeLoadedPortfolio(int loadSchema) {
    (void)loadSchema;
}
