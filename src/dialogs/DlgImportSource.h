#pragma once
// "Import Quotations", first page: where the quotations come from (an import template's download
// or a local file), the item's symbol and the time frame. The caller sets m_strTitle and
// m_strSymbol (the other members keep their values from the last run: ImportSourceValues), runs
// DoModal and, after IDOK, reads the values; m_bFinish tells "Finish" from "Next >". One page
// serves one run: the values are what lasts from one run to the next.

#include "dialogs/DlgImportLogic.h"
#include "framework/Dialog.h"

#include <string>
#include <vector>

class QComboBox;

class CDlgImportSource : public Dialog, public ImportSourceValues {
public:
    explicit CDlgImportSource(Services services, QWidget* parent = nullptr);

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    // Return and OK: "Finish", the default button.
    void OnOK() override;

private:
    void OnSelectFile();
    void OnSourceChange();
    void OnTemplateChange();
    void OnNext();
    void OnFinish();
    // The note on the chosen template (its symbol information).
    std::string templateInfo(const std::string& name) const;

    QComboBox* m_cbTemplate = nullptr;
};
