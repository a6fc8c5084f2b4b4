#include "framework/Dialog.h"

#include "framework/MessageBoxes.h"
#include "log/Log.h"

#include <QKeyEvent>
#include <QShowEvent>

#include <exception>
#include <utility>

namespace {

// Takes Return and Enter from the widget it watches and runs its action instead.
class ReturnRedirect final : public QObject {
public:
    ReturnRedirect(QWidget* widget, std::function<void()> action) : QObject(widget), m_action(std::move(action)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (!plain || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter))
            return QObject::eventFilter(watched, event);
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

} // namespace

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

void Dialog::redirectReturn(QWidget* widget, std::function<void()> action) {
    if (widget && action)
        new ReturnRedirect(widget, std::move(action)); // a child of the widget
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
