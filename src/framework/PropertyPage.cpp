#include "framework/PropertyPage.h"

#include "framework/PropertySheet.h"
#include "framework/StringTable.h"

#include <QKeyEvent>
#include <QShowEvent>

PropertyPage::PropertyPage(unsigned templateId, Services services, unsigned captionId)
    : Dialog(templateId, std::move(services)), m_captionId(captionId) {
    setWindowFlags(Qt::Widget);
}

PropertyPage::~PropertyPage() {
    if (m_pSheet)
        m_pSheet->pageDestroyed(this);
}

QString PropertyPage::GetCaption() const {
    if (m_captionId != 0) {
        const std::string text = LoadString(m_captionId);
        if (!text.empty())
            return QString::fromStdString(text);
    }
    return windowTitle();
}

void PropertyPage::SetIcon(const QIcon& icon) {
    m_icon = icon;
    m_bHasIcon = true;
}

void PropertyPage::SetModified(bool changed) {
    m_bModified = changed;
    if (m_pSheet)
        m_pSheet->pageModifiedChanged();
}

bool PropertyPage::HasControls() const {
    return m_bControlsBuilt || findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
}

void PropertyPage::BuildControls() {}

bool PropertyPage::EnsureControls() {
    if (m_bControlsBuilt)
        return false;
    m_bControlsBuilt = true;
    BuildControls();
    return true;
}

void PropertyPage::Create(PropertySheet* sheet) {
    m_pSheet = sheet;
    if (parentWidget() != sheet) {
        setParent(sheet, Qt::Widget);
        hide();
    }
    EnsureControls();
    m_bCreated = true;
    m_bFirstSetActive = true;
    OnInitDialog();
}

bool PropertyPage::OnSetActive() {
    if (m_bFirstSetActive)
        m_bFirstSetActive = false; // OnInitDialog loaded the controls
    else
        UpdateData(false);
    return true;
}

bool PropertyPage::OnKillActive() {
    return UpdateData(true);
}

bool PropertyPage::OnApply() {
    OnOK();
    return true;
}

void PropertyPage::OnOK() {}

void PropertyPage::OnCancel() {}

bool PropertyPage::OnQueryCancel() {
    return true;
}

void PropertyPage::OnReset() {
    OnCancel();
}

int PropertyPage::OnWizardBack() {
    return 0;
}

int PropertyPage::OnWizardNext() {
    return 0;
}

bool PropertyPage::OnWizardFinish() {
    return true;
}

bool PropertyPage::OnHelpInfo() {
    return false;
}

void PropertyPage::setVisible(bool visible) {
    QWidget::setVisible(visible);
}

void PropertyPage::showEvent(QShowEvent* event) {
    // The multi-line fields of a page built on its first activation show for the first time now.
    useDialogTabKeys(this);
    QWidget::showEvent(event);
}

void PropertyPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->ignore();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
