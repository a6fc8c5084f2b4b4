#include "framework/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

#include <utility>

namespace {

QMessageBox::StandardButton standardButton(int answer) {
    switch (answer) {
    case IDOK:
        return QMessageBox::Ok;
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

QMessageBox::Icon qtIcon(unsigned icon) {
    switch (icon) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtMessageBoxes::QtMessageBoxes(std::string defaultCaption, std::function<QWidget*()> parent)
    : m_defaultCaption(std::move(defaultCaption)), m_parent(std::move(parent)) {}

int QtMessageBoxes::messageBox(std::string_view text, unsigned type, std::string_view caption) {
    QWidget* parent = m_parent ? m_parent() : nullptr;
    QMessageBox box(qtIcon(messageBoxIcon(type)), toQString(caption.empty() ? m_defaultCaption : caption),
                    toQString(text), QMessageBox::NoButton, parent);
    // Texts carry page previews, URLs and file names: never read them as markup.
    box.setTextFormat(Qt::PlainText);

    const MessageBoxButtons buttons = messageBoxButtons(type);
    for (int i = 0; i < buttons.count; ++i)
        box.addButton(standardButton(buttons.ids[i]));
    box.setDefaultButton(standardButton(defaultMessageBoxAnswer(type)));
    if (const int escape = escapeMessageBoxAnswer(type))
        box.setEscapeButton(standardButton(escape));

    box.exec();
    if (QAbstractButton* clicked = box.clickedButton()) {
        for (int i = 0; i < buttons.count; ++i)
            if (box.button(standardButton(buttons.ids[i])) == clicked)
                return buttons.ids[i];
    }
    // Closed without a button (the program is ending): Escape's answer, else the last button, which
    // is the one that changes the least (No, Ignore).
    if (const int escape = escapeMessageBoxAnswer(type))
        return escape;
    return buttons.ids[buttons.count - 1];
}
