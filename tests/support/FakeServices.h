#pragma once
// The services bundle for tests: message boxes and file dialogs that record and answer by script
// (FakeMessageBoxes.h), a colour picker, print dialogs and a shell that do the same, a fixed clock,
// a settings store on a file of the test, and a modal runner that runs each dialog by a script
// step chosen by its objectName -- so a dialog that opens another can be driven headless.
//
//   testsupport::FakeServices services(dir() / "settings.conf");
//   services.modal->on("dlg_163", [](QDialog& d) {
//       QTest::keyClicks(d.findChild<QLineEdit*>("idc_1009"), "Mine");
//       QTest::mouseClick(d.findChild<QPushButton*>("idc_1"), Qt::LeftButton);
//   });
//   MyDialog dialog(services.bundle());

#include "framework/Services.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/FakeMessageBoxes.h"

#include <QString>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Records the addresses the checks let through to the desktop; opens nothing.
class FakeShell : public Shell {
public:
    // The addresses handed on, in order (QUrl::toString()).
    std::vector<std::string> opened() const { return m_opened; }
    // What launch answers (true: the desktop opened it).
    bool succeed = true;

protected:
    bool launch(const QUrl& url) override;

private:
    std::vector<std::string> m_opened;
};

class FakeColorPicker : public ColorPicker {
public:
    // Answers for the next requests in order (nothing = cancelled); cancelled beyond them.
    void choose(std::initializer_list<std::optional<QColor>> answers);
    std::optional<QColor> chooseColor(const ColorRequest& request) override;
    std::vector<ColorRequest> requests() const { return m_requests; }

private:
    std::deque<std::optional<QColor>> m_answers;
    std::vector<ColorRequest> m_requests;
};

class FakePrintDialogs : public PrintDialogs {
public:
    // Answers for the next dialogs in order; cancelled (false) beyond them.
    void answer(std::initializer_list<bool> answers);
    bool printDialog(QPrinter& printer, PrintDialogKind kind) override;
    // A preview takes the next answer too: true has the pages painted onto the printer.
    bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;
    std::vector<PrintDialogKind> asked() const { return m_asked; }

private:
    std::deque<bool> m_answers;
    std::vector<PrintDialogKind> m_asked;
};

// Runs each dialog by the next script step given for its objectName: the dialog is shown as the
// active modal window, the step runs (it types, clicks, and may run further dialogs through this
// runner), and the dialog's result is returned. A dialog without a step, or one its step left
// open, is a test failure and ends with IDCANCEL.
class ScriptedModalRunner : public ModalRunner {
public:
    using Step = std::function<void(QDialog&)>;

    // Adds a step for the next run of the dialog named `objectName` (steps of one name run in the
    // order they were added).
    void on(const QString& objectName, Step step);
    int run(QDialog& dialog) override;

    // The dialogs run so far, by objectName, in the order they started.
    std::vector<std::string> ran() const { return m_ran; }
    // Steps not used yet.
    std::size_t unusedSteps() const;

private:
    struct Entry {
        QString name;
        Step step;
    };
    std::deque<Entry> m_steps;
    std::vector<std::string> m_ran;
};

// One of each, with the clock at 17 May 2024 12:00 local time.
struct FakeServices {
    explicit FakeServices(const std::filesystem::path& settingsFile);

    // The bundle of these fakes.
    Services bundle() const;

    std::shared_ptr<FakeMessageBoxes> boxes = std::make_shared<FakeMessageBoxes>();
    std::shared_ptr<FakeFileDialogs> files = std::make_shared<FakeFileDialogs>();
    std::shared_ptr<FakeColorPicker> colors = std::make_shared<FakeColorPicker>();
    std::shared_ptr<FakePrintDialogs> printing = std::make_shared<FakePrintDialogs>();
    std::shared_ptr<FakeShell> shell = std::make_shared<FakeShell>();
    std::shared_ptr<FixedClock> clock;
    std::shared_ptr<SettingsStore> settings;
    std::shared_ptr<ScriptedModalRunner> modal = std::make_shared<ScriptedModalRunner>();
};

} // namespace testsupport
