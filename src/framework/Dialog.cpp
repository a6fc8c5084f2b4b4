#include "framework/Dialog.h"

#include "framework/MessageBoxes.h"
#include "log/Log.h"

#include <QShowEvent>

#include <exception>
#include <utility>

Dialog::Dialog(unsigned resourceId, Services services, QWidget* parent)
    : QDialog(parent), m_resourceId(resourceId), m_services(std::move(services)) {
    setObjectName(QStringLiteral("dlg_%1").arg(resourceId));
}

Dialog::~Dialog() = default;

QString Dialog::controlName(unsigned id) {
    return QStringLiteral("idc_%1").arg(id);
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*this, saveAndValidate, *m_services.boxes);
    try {
        DoDataExchange(dx);
    } catch (const std::exception& e) {
        CVR_LOG(LOG_LEVEL_ERROR, "Data exchange of dialog %u failed: %s", m_resourceId, e.what());
        return false;
    }
    return !dx.failed();
}

int Dialog::DoModal() {
    initDialog();
    return m_services.modal->run(*this);
}

void Dialog::EndDialog(int result) {
    done(result);
}

void Dialog::accept() {
    OnOK();
}

void Dialog::reject() {
    OnCancel();
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void Dialog::showEvent(QShowEvent* event) {
    // A dialog shown without DoModal (a modeless one) is initialised as it first shows.
    initDialog();
    QDialog::showEvent(event);
}

void Dialog::initDialog() {
    if (m_initialised)
        return;
    m_initialised = true;
    OnInitDialog();
}
