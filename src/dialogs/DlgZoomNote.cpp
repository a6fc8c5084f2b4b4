#include "dialogs/DlgZoomNote.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/ItemSheetParts.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

CDlgZoomNote::CDlgZoomNote(Services services, QWidget* parent) : Dialog(IDD_ZOOM_NOTE, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Note"));
    auto* layout = new QVBoxLayout(this);
    auto* edit = withId(new QPlainTextEdit, IDC_ZOOM_NOTE_EDIT);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setMinimumSize(460, 300);
    layout->addWidget(edit, 1);
    layout->addLayout(okCancelRow(*this));
}

void CDlgZoomNote::DoDataExchange(DataExchange& dx) {
    DDX_NoteText(dx, IDC_ZOOM_NOTE_EDIT, m_strNote);
}
