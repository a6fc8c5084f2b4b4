#include "framework/Dialog.h"

#include "framework/MessageBoxes.h"
#include "log/Log.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
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

// A multi-line field of a dialog: Tab and Shift+Tab move on to the next or previous control, and
// Ctrl+Tab puts a tab character into the text instead.
class MultiLineTabKeys final : public QObject {
public:
    static constexpr const char* kName = "cvr_multiline_tab_keys";

    explicit MultiLineTabKeys(QWidget* edit) : QObject(edit) {
        setObjectName(QLatin1String(kName));
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab || (key->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
            return QObject::eventFilter(watched, event);
        if (type == QEvent::ShortcutOverride) {
            event->accept(); // the field's key, not a shortcut's
            return true;
        }
        if (auto* plain = qobject_cast<QPlainTextEdit*>(watched); plain && !plain->isReadOnly())
            plain->insertPlainText(QStringLiteral("\t"));
        else if (auto* rich = qobject_cast<QTextEdit*>(watched); rich && !rich->isReadOnly())
            rich->insertPlainText(QStringLiteral("\t"));
        return true;
    }
};

void takeMultiLineTabKeys(QAbstractScrollArea* edit) {
    if (edit->findChild<MultiLineTabKeys*>(QLatin1String(MultiLineTabKeys::kName), Qt::FindDirectChildrenOnly))
        return;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(edit))
        plain->setTabChangesFocus(true);
    else if (auto* rich = qobject_cast<QTextEdit*>(edit))
        rich->setTabChangesFocus(true);
    else
        return;
    new MultiLineTabKeys(edit); // a child of the field
}

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
    // Also the fields of pages built on their first activation: they show for the first time then.
    useDialogTabKeys(this);
    QDialog::showEvent(event);
}

void Dialog::useDialogTabKeys(QWidget* root) {
    if (!root)
        return;
    for (QPlainTextEdit* edit : root->findChildren<QPlainTextEdit*>())
        takeMultiLineTabKeys(edit);
    for (QTextEdit* edit : root->findChildren<QTextEdit*>())
        takeMultiLineTabKeys(edit);
}

void Dialog::initDialog() {
    if (m_initialised)
        return;
    m_initialised = true;
    OnInitDialog();
}
