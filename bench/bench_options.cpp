// Opening the options sheet, offscreen: build the sheet and its three pages, fill them from the
// options, show it and paint it once -- against a bare QDialog with a QTabWidget holding the same
// controls, filled with the same values, shown and painted once.

#include "BenchSupport.h"

#include "app/OptionsSheet.h"
#include "app/WPapier.h"
#include "framework/Services.h"
#include "log/Log.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

// Shows the dialog, paints it once and closes it.
class PaintOnceRunner : public ModalRunner {
public:
    int run(QDialog& dialog) override {
        dialog.show();
        const QPixmap painted = dialog.grab();
        benchmark::DoNotOptimize(painted.cacheKey());
        dialog.done(0);
        return 0;
    }
};

void BM_OptionsSheet(benchmark::State& state) {
    CWPapierApp app;
    app.LoadOptions();
    Services services = Services::unattended(Services::programSettings(), Services::programClock());
    services.modal = std::make_shared<PaintOnceRunner>();
    for (auto _ : state) {
        COptionsSheet sheet(services);
        sheet.m_values = optionsPageValues(app);
        sheet.DoModal();
    }
}

// The same controls on three tabs of a plain dialog.
QWidget* check(const char* text, bool on) {
    auto* box = new QCheckBox(QString::fromUtf8(text));
    box->setChecked(on);
    return box;
}

QWidget* numberWithSpin(int value) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new QLineEdit(QString::number(value)));
    auto* buttons = new QWidget;
    auto* column = new QVBoxLayout(buttons);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (const Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow}) {
        auto* button = new QToolButton;
        button->setArrowType(arrow);
        button->setFixedSize(16, 11);
        column->addWidget(button);
    }
    layout->addWidget(buttons);
    return row;
}

QWidget* time(int hour, int minute) {
    auto* edit = new QTimeEdit(QTime(hour, minute));
    edit->setDisplayFormat(QStringLiteral("HH:mm"));
    return edit;
}

void BM_BareTabDialog(benchmark::State& state) {
    CWPapierApp app;
    app.LoadOptions();
    for (auto _ : state) {
        const OptionsPageValues v = optionsPageValues(app);
        QDialog dialog;
        dialog.setWindowTitle(QStringLiteral("Program Options"));
        auto* top = new QVBoxLayout(&dialog);
        auto* tabs = new QTabWidget;
        top->addWidget(tabs);

        auto* general = new QWidget;
        auto* g = new QVBoxLayout(general);
        auto* download = new QGroupBox(QStringLiteral("Quotation download"));
        auto* d = new QVBoxLayout(download);
        d->addWidget(new QLabel(QStringLiteral("Maximum number of simultaneous downloads: ")));
        d->addWidget(numberWithSpin(v.NumberDownloads));
        d->addWidget(check("Automatically display download status dialog", v.DownloadStatus));
        d->addWidget(check("When quotation update fails, open downloaded file in text editor", v.ShowFileOnError));
        g->addWidget(download);
        auto* automatic = new QGroupBox(QStringLiteral("Automatic quotation download"));
        auto* a = new QGridLayout(automatic);
        a->addWidget(check("Automatically download quotations every", v.Autoupdate), 0, 0);
        a->addWidget(numberWithSpin(v.UpdateIntervall), 0, 1);
        a->addWidget(new QLabel(QStringLiteral("minutes")), 0, 2);
        a->addWidget(check("Only between", v.Autoupdate_Time), 1, 0);
        a->addWidget(time(v.startTime.GetHour(), v.startTime.GetMinute()), 1, 1);
        a->addWidget(new QLabel(QStringLiteral("and")), 1, 2);
        a->addWidget(time(v.endTime.GetHour(), v.endTime.GetMinute()), 1, 3);
        a->addWidget(new QLabel(QStringLiteral("h.")), 1, 4);
        g->addWidget(automatic);
        auto* intraday = new QGroupBox(QStringLiteral("Intraday quotations"));
        auto* i = new QVBoxLayout(intraday);
        i->addWidget(check("Disable storage of intraday quotations\n(auto-overwrite previous intraday quotation)",
                           v.DisableIntraday));
        g->addWidget(intraday);
        tabs->addTab(general, QStringLiteral("General"));

        auto* connection = new QWidget;
        auto* c = new QGridLayout(connection);
        auto* standard = new QRadioButton(QStringLiteral("Use the system's standard internet connection settings"));
        auto* own = new QRadioButton(QStringLiteral("Use the following proxy setttings:"));
        auto* group = new QButtonGroup(connection);
        group->addButton(standard);
        group->addButton(own);
        (v.proxyChoice == 1 ? own : standard)->setChecked(true);
        c->addWidget(standard, 0, 0, 1, 2);
        c->addWidget(own, 1, 0, 1, 2);
        c->addWidget(new QLabel(QStringLiteral("Address:")), 2, 0);
        c->addWidget(new QLineEdit(QString::fromStdString(v.ProxyAddress)), 2, 1);
        c->addWidget(new QLabel(QStringLiteral("Port:")), 3, 0);
        c->addWidget(new QLineEdit(QString::number(v.ProxyPort)), 3, 1);
        tabs->addTab(connection, QStringLiteral("Connection"));

        auto* advanced = new QWidget;
        auto* adv = new QVBoxLayout(advanced);
        adv->addWidget(check("Automatically check for program updates", v.CheckUpToDate));
        adv->addWidget(check("Auto-save view options upon exit", v.AutosaveWindows));
        adv->addWidget(check("Auto-save portfolio file upon exit", v.AutosaveOnExit));
        adv->addWidget(check("Auto-save portfolio file after updating quotations", v.AutoSaveAfterAutoUpdate));
        adv->addWidget(check("Use compressed portfolio file format", v.ZipFile));
        adv->addWidget(check("Automatically create related cash account debit/credit entry when an investment "
                             "transaction is created",
                             v.AutoCreateCashAccountTransactions));
        tabs->addTab(advanced, QStringLiteral("Advanced"));

        top->addWidget(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
        dialog.show();
        const QPixmap painted = dialog.grab();
        benchmark::DoNotOptimize(painted.cacheKey());
        dialog.done(0);
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    Log::Instance();
    benchmark::RegisterBenchmark("Options sheet: build, fill, show, paint", BM_OptionsSheet)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Bare QDialog + QTabWidget, same controls", BM_BareTabDialog)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (median real time):\n");
    reporter.printRatio("Options sheet: build, fill, show, paint", "Bare QDialog + QTabWidget, same controls",
                        "options sheet / bare tab dialog (goal <= 2)");
    benchmark::Shutdown();
    return 0;
}
