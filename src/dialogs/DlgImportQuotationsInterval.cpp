#include "dialogs/DlgImportQuotationsInterval.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"
#include "portfolio/PortfolioHost.h"

#include <QLabel>
#include <QVBoxLayout>

DlgImportQuotationsInterval::DlgImportQuotationsInterval(Services services, QWidget* parent)
    : Dialog(IDD_IMPORT_QUOTATIONS_INTERVAL, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Import Quotations"));
    auto* layout = new QVBoxLayout(this);
    for (const unsigned id : {IDC_ITEM_NAME, IDC_IMPORT_FOUND, IDC_IMPORT_QUOTATIONS}) {
        auto* label = withId(new QLabel, id);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    layout->addLayout(
        dateRangeRow(QStringLiteral("Import time frame:"), IDC_INTERVAL_FROM, QStringLiteral("_"), IDC_INTERVAL_TO));
    layout->addLayout(okCancelRow(*this));
}

void DlgImportQuotationsInterval::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_ITEM_NAME, m_strItemName);
    DDX_Text(dx, IDC_IMPORT_QUOTATIONS, m_strQuotations);
    DDX_DateTimeCtrl(dx, IDC_INTERVAL_FROM, m_dtBegin);
    DDX_DateTimeCtrl(dx, IDC_INTERVAL_TO, m_dtEnd);
    DDX_Text(dx, IDC_IMPORT_FOUND, m_strFound);
}

bool AskImportIntervalWithDialog(ImportIntervalQuestion& question, const Services& services, QWidget* parent) {
    DlgImportQuotationsInterval dialog(services, parent);
    static_cast<ImportIntervalValues&>(dialog) = ImportIntervalValuesOf(question);
    if (dialog.DoModal() != IDOK)
        return false;
    ApplyImportInterval(dialog, question);
    return true;
}
