#include "framework/QtFileDialogs.h"

#include "platform/Paths.h"

#include <QFileDialog>
#include <QStringList>

#include <utility>

namespace {

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

QtFileDialogs::QtFileDialogs(std::function<QWidget*()> parent) : m_parent(std::move(parent)) {}

std::optional<std::filesystem::path> QtFileDialogs::openFileName(const FileDialogRequest& request) {
    return run(request, false);
}

std::optional<std::filesystem::path> QtFileDialogs::saveFileName(const FileDialogRequest& request) {
    return run(request, true);
}

std::optional<std::filesystem::path> QtFileDialogs::run(const FileDialogRequest& request, bool save) {
    QWidget* parent = m_parent ? m_parent() : nullptr;
    const QString title =
        request.title.empty() ? (save ? QStringLiteral("Save As") : QStringLiteral("Open")) : toQString(request.title);
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);

    // The names are shown as they are given; the patterns in the parentheses Qt reads stay hidden.
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << toQString(filter.name) + QStringLiteral(" (") + toQString(filter.patterns) + QStringLiteral(")");
    if (!filters.isEmpty()) {
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(filters);
    }
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(toQString(request.defaultExtension));

    std::filesystem::path folder = request.initial.parent_path();
    if (folder.empty())
        folder = paths::documentsFolder().value_or(std::filesystem::current_path());
    dialog.setDirectory(paths::toQString(folder));
    if (request.initial.has_filename())
        dialog.selectFile(paths::toQString(request.initial.filename()));

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return paths::fromQString(dialog.selectedFiles().constFirst());
}
