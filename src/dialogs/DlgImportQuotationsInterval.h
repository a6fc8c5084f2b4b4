#pragma once
// "Import Quotations", the last question of an import: how many quotations the file holds, the
// first and the last of them, and the time frame that is to be imported. The caller fills the
// members (ImportIntervalValues), runs DoModal and, after IDOK, reads m_dtBegin and m_dtEnd.

#include "dialogs/DlgImportLogic.h"
#include "framework/Dialog.h"

struct ImportIntervalQuestion;

class DlgImportQuotationsInterval : public Dialog, public ImportIntervalValues {
public:
    explicit DlgImportQuotationsInterval(Services services, QWidget* parent = nullptr);

protected:
    void DoDataExchange(DataExchange& dx) override;
};

// The document's import question asked with the dialog: true on OK, with the chosen time frame
// in `question`; false on Cancel.
bool AskImportIntervalWithDialog(ImportIntervalQuestion& question, const Services& services, QWidget* parent = nullptr);
