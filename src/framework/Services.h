#pragma once
// The services a window asks of the world around it: message boxes, file dialogs, the colour
// picker, the print dialogs, opening web pages and files in the desktop's programs, the clock, the
// settings store and the modal run of dialogs. One bundle is handed down by each owner: from the
// application to its frame, from the frame to its views, from a window to the dialogs it opens.
// Nothing below the application reaches a global for any of these, so every window can be driven
// headless with fakes (tests/support/FakeServices.h).
//
// Boxes and dialogs of the windowed program belong to the active modal window, else the active
// window, else the main window (activeDialogParent), so a box raised by a modal dialog never sinks
// behind it.

#include "framework/FileDialogs.h"
#include "framework/MessageBoxes.h"
#include "platform/OleDate.h"

#include <QColor>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Clock;
class QDialog;
class QPrinter;
class QUrl;
class QWidget;
class SettingsStore;

// The colour dialog.
struct ColorRequest {
    QColor initial;
    std::vector<QColor> customColors; // the dialog's custom colours, in order (at most 16)
};

class ColorPicker {
public:
    virtual ~ColorPicker() = default;
    // The colour chosen; nothing when cancelled.
    virtual std::optional<QColor> chooseColor(const ColorRequest& request) = 0;
};

// The print dialogs: the printer and range before printing, or the page set-up; the preview.
enum class PrintDialogKind { Print, PageSetup, Preview };

class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // Lets the user set up `printer`; false when cancelled.
    virtual bool printDialog(QPrinter& printer, PrintDialogKind kind) = 0;
    // Shows the pages `paint` draws onto `printer` in a preview, from which the user may print
    // them; false when no preview was shown.
    virtual bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
        (void)printer;
        (void)paint;
        return false;
    }
};

// Opening web pages and files with the desktop's programs (never through a command line).
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a web page in the browser: http and https addresses only (a file: address is opened as
    // openFile opens the file), or a mailto: address in the mail program. False when refused or
    // when the desktop could not open it.
    bool openUrl(std::string_view url);
    // Opens an item's web page: as openUrl, but only an http or https address or a local file
    // (an item's address never starts the mail program). False when refused or failed.
    bool openWebPage(std::string_view url);
    // Opens a local file with the desktop's program for its type: only a regular file that is not
    // executable (nor a desktop entry, which would run a program). False when refused or failed.
    bool openFile(const std::filesystem::path& file);
    // Shows a local folder in the desktop's file manager. False when it is no folder or failed.
    bool openFolder(const std::filesystem::path& folder);

protected:
    // Hands an address that passed the checks to the desktop.
    virtual bool launch(const QUrl& url) = 0;

private:
    // openUrl, with mailto: addresses only when `mail`.
    bool open(std::string_view url, bool mail);
};

// The modal run of a dialog.
class ModalRunner {
public:
    virtual ~ModalRunner() = default;
    // Runs `dialog` until it ends; its result (IDOK, IDCANCEL or what it ended with).
    virtual int run(QDialog& dialog) = 0;
};

struct Services {
    std::shared_ptr<MessageBoxes> boxes;
    std::shared_ptr<FileDialogs> files;
    std::shared_ptr<ColorPicker> colors;
    std::shared_ptr<PrintDialogs> printing;
    std::shared_ptr<Shell> shell;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<SettingsStore> settings;
    std::shared_ptr<ModalRunner> modal;

    // The unattended bundle on the program's settings and clock.
    Services();

    // For runs without a user: boxes are logged and answered with their default button, file,
    // colour and print dialogs choose nothing, nothing is opened and no dialog runs (Cancel).
    static Services unattended(std::shared_ptr<SettingsStore> settings, std::shared_ptr<Clock> clock);
    // For the windowed program: Qt's boxes and dialogs titled `appName`, parented by the rule
    // above with `mainWindow()` last; the desktop opens pages and files; dialogs run exec().
    static Services desktop(std::string appName, std::function<QWidget*()> mainWindow,
                            std::shared_ptr<SettingsStore> settings, std::shared_ptr<Clock> clock);

    // Now in local time by the bundle's clock (currentClock() when it has none), in whole seconds.
    OleDate localNow() const;

    // The program's own settings store and clock (currentClock(), so a clock fixed by a test
    // holds for the windows as for the core).
    static std::shared_ptr<SettingsStore> programSettings();
    static std::shared_ptr<Clock> programClock();

private:
    struct Unfilled {};
    Services(std::shared_ptr<SettingsStore> store, std::shared_ptr<Clock> time, Unfilled)
        : clock(std::move(time)), settings(std::move(store)) {}
};

// The window a box or dialog opened now belongs to: the active modal window, else the active
// window, else `mainWindow`.
QWidget* activeDialogParent(QWidget* mainWindow);
