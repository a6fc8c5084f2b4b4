#include "support/FakeServices.h"

#include "framework/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QUrl>

#include <ctime>

namespace testsupport {

bool FakeShell::launch(const QUrl& url) {
    m_opened.push_back(url.toString().toStdString());
    return succeed;
}

void FakeColorPicker::choose(std::initializer_list<std::optional<QColor>> answers) {
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

std::optional<QColor> FakeColorPicker::chooseColor(const ColorRequest& request) {
    m_requests.push_back(request);
    if (m_answers.empty())
        return std::nullopt;
    auto answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void FakePrintDialogs::answer(std::initializer_list<bool> answers) {
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

bool FakePrintDialogs::printDialog(QPrinter&, PrintDialogKind kind) {
    m_asked.push_back(kind);
    if (m_answers.empty())
        return false;
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool FakePrintDialogs::printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
    if (!printDialog(printer, PrintDialogKind::Preview))
        return false;
    paint(printer);
    return true;
}

void ScriptedModalRunner::on(const QString& objectName, Step step) {
    m_steps.push_back({objectName, std::move(step)});
}

std::size_t ScriptedModalRunner::unusedSteps() const {
    return m_steps.size();
}

int ScriptedModalRunner::run(QDialog& dialog) {
    const QString name = dialog.objectName();
    m_ran.push_back(name.toStdString());
    auto it = m_steps.begin();
    while (it != m_steps.end() && it->name != name)
        ++it;
    if (it == m_steps.end()) {
        ADD_FAILURE() << "dialog " << name.toStdString() << " runs without a script step";
        return IDCANCEL;
    }
    const Step step = std::move(it->step);
    m_steps.erase(it);

    bool ended = false;
    const QMetaObject::Connection connection =
        QObject::connect(&dialog, &QDialog::finished, [&ended](int) { ended = true; });
    dialog.setResult(0);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    step(dialog);
    QObject::disconnect(connection);
    if (!ended) {
        ADD_FAILURE() << "the script step left dialog " << name.toStdString() << " open";
        dialog.done(IDCANCEL);
    }
    return dialog.result();
}

FakeServices::FakeServices(const std::filesystem::path& settingsFile)
    : settings(std::make_shared<SettingsStore>(settingsFile)) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 17;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    clock = std::make_shared<FixedClock>(std::chrono::system_clock::from_time_t(std::mktime(&local)));
}

Services FakeServices::bundle() const {
    Services services = Services::unattended(settings, clock);
    services.boxes = boxes;
    services.files = files;
    services.colors = colors;
    services.printing = printing;
    services.shell = shell;
    services.modal = modal;
    return services;
}

} // namespace testsupport
