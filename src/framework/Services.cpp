#include "framework/Services.h"

#include "framework/QtFileDialogs.h"
#include "framework/QtMessageBoxes.h"
#include "log/Log.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QUrl>

#include <system_error>
#include <utility>

namespace {

// --- the program's clock ---

class ProgramClock final : public Clock {
public:
    time_point now() const override { return currentClock().now(); }
};

// --- unattended ---

class UnattendedColorPicker final : public ColorPicker {
public:
    std::optional<QColor> chooseColor(const ColorRequest&) override {
        CVR_LOG(LOG_LEVEL_WARNING, "No colour chosen: no user to ask");
        return std::nullopt;
    }
};

class UnattendedPrintDialogs final : public PrintDialogs {
public:
    bool printDialog(QPrinter&, PrintDialogKind) override {
        CVR_LOG(LOG_LEVEL_WARNING, "Nothing printed: no user to ask");
        return false;
    }
};

class UnattendedShell final : public Shell {
protected:
    bool launch(const QUrl& url) override {
        const QByteArray text = url.toDisplayString().toUtf8();
        CVR_LOG(LOG_LEVEL_INFO, "Not opened without a desktop: %s", text.constData());
        return false;
    }
};

class UnattendedModalRunner final : public ModalRunner {
public:
    int run(QDialog& dialog) override {
        const QByteArray name = dialog.objectName().toUtf8();
        CVR_LOG(LOG_LEVEL_WARNING, "Dialog %s not shown: no user to ask", name.constData());
        return IDCANCEL;
    }
};

// --- the desktop ---

class QtColorPicker final : public ColorPicker {
public:
    explicit QtColorPicker(std::function<QWidget*()> parent) : m_parent(std::move(parent)) {}
    std::optional<QColor> chooseColor(const ColorRequest& request) override {
        const int count = std::min(static_cast<int>(request.customColors.size()), QColorDialog::customCount());
        for (int i = 0; i < count; ++i)
            QColorDialog::setCustomColor(i, request.customColors[static_cast<std::size_t>(i)]);
        QColorDialog dialog(request.initial, m_parent());
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.selectedColor();
    }

private:
    std::function<QWidget*()> m_parent;
};

class QtPrintDialogs final : public PrintDialogs {
public:
    explicit QtPrintDialogs(std::function<QWidget*()> parent) : m_parent(std::move(parent)) {}
    bool printDialog(QPrinter& printer, PrintDialogKind kind) override {
        if (kind == PrintDialogKind::PageSetup) {
            QPageSetupDialog dialog(&printer, m_parent());
            return dialog.exec() == QDialog::Accepted;
        }
        QPrintDialog dialog(&printer, m_parent());
        return dialog.exec() == QDialog::Accepted;
    }
    bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override {
        QPrintPreviewDialog dialog(&printer, m_parent());
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* target) { paint(*target); });
        dialog.exec();
        return true;
    }

private:
    std::function<QWidget*()> m_parent;
};

class DesktopShell final : public Shell {
protected:
    bool launch(const QUrl& url) override {
        if (QDesktopServices::openUrl(url))
            return true;
        const QByteArray text = url.toDisplayString().toUtf8();
        CVR_LOG(LOG_LEVEL_WARNING, "The desktop could not open %s", text.constData());
        return false;
    }
};

class ExecModalRunner final : public ModalRunner {
public:
    int run(QDialog& dialog) override { return dialog.exec(); }
};

} // namespace

OleDate Services::localNow() const {
    return OleDate::GetCurrentTime(clock ? *clock : currentClock());
}

// --- Shell ---

bool Shell::openUrl(std::string_view text) {
    return open(text, true);
}

bool Shell::openWebPage(std::string_view text) {
    return open(text, false);
}

bool Shell::open(std::string_view text, bool mail) {
    const QUrl url(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty())
        return launch(url);
    if (url.isValid() && scheme == QLatin1String("file") && url.isLocalFile())
        return openFile(paths::fromQString(url.toLocalFile()));
    if (mail && url.isValid() && scheme == QLatin1String("mailto") && !url.path().isEmpty())
        return launch(url);
    const std::string shown(text);
    CVR_LOG(LOG_LEVEL_WARNING, "Not opened: '%s' is no web page (http, https) or local file", shown.c_str());
    return false;
}

bool Shell::openFile(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
        CVR_LOG(LOG_LEVEL_WARNING, "Not opened: '%s' is no file", file.c_str());
        return false;
    }
    using std::filesystem::perms;
    const bool executable =
        (status.permissions() & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none;
    std::string extension = file.extension().string();
    textcodec::toLowerAscii(extension);
    if (executable || extension == ".desktop") {
        CVR_LOG(LOG_LEVEL_WARNING, "Not opened: '%s' would run as a program", file.c_str());
        return false;
    }
    return launch(QUrl::fromLocalFile(paths::toQString(file)));
}

bool Shell::openFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        CVR_LOG(LOG_LEVEL_WARNING, "Not opened: '%s' is no folder", folder.c_str());
        return false;
    }
    return launch(QUrl::fromLocalFile(paths::toQString(folder)));
}

// --- Services ---

Services::Services() : Services(unattended(programSettings(), programClock())) {}

std::shared_ptr<SettingsStore> Services::programSettings() {
    // The program's store lives until the process ends; the bundle never owns it.
    return std::shared_ptr<SettingsStore>(std::shared_ptr<SettingsStore>(), &settingsStore());
}

std::shared_ptr<Clock> Services::programClock() {
    return std::make_shared<ProgramClock>();
}

Services Services::unattended(std::shared_ptr<SettingsStore> settings, std::shared_ptr<Clock> clock) {
    Services services(std::move(settings), std::move(clock), Unfilled{});
    services.boxes = std::make_shared<UnattendedMessageBoxes>();
    services.files = std::make_shared<UnattendedFileDialogs>();
    services.colors = std::make_shared<UnattendedColorPicker>();
    services.printing = std::make_shared<UnattendedPrintDialogs>();
    services.shell = std::make_shared<UnattendedShell>();
    services.modal = std::make_shared<UnattendedModalRunner>();
    return services;
}

Services Services::desktop(std::string appName, std::function<QWidget*()> mainWindow,
                           std::shared_ptr<SettingsStore> settings, std::shared_ptr<Clock> clock) {
    std::function<QWidget*()> parent = [mainWindow = std::move(mainWindow)] {
        return activeDialogParent(mainWindow ? mainWindow() : nullptr);
    };
    Services services(std::move(settings), std::move(clock), Unfilled{});
    services.boxes = std::make_shared<QtMessageBoxes>(std::move(appName), parent);
    services.files = std::make_shared<QtFileDialogs>(parent);
    services.colors = std::make_shared<QtColorPicker>(parent);
    services.printing = std::make_shared<QtPrintDialogs>(parent);
    services.shell = std::make_shared<DesktopShell>();
    services.modal = std::make_shared<ExecModalRunner>();
    return services;
}

QWidget* activeDialogParent(QWidget* mainWindow) {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return mainWindow;
}
