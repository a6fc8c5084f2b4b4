#include "app/OptionsSheet.h"

#include "app/GuiLinks.h"
#include "app/WPapier.h"
#include "controls/Artwork.h"
#include "controls/PictureIds.h"
#include "framework/MessageBoxes.h"
#include "log/Log.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace optionsids;

namespace {

QCheckBox* check(unsigned id, const char* text) {
    return Dialog::withId(new QCheckBox(QString::fromUtf8(text)), id);
}

QLineEdit* numberEdit(unsigned id) {
    auto* edit = Dialog::withId(new QLineEdit, id);
    edit->setMaximumWidth(56);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QTimeEdit* timeEdit(unsigned id) {
    auto* edit = Dialog::withId(new QTimeEdit, id);
    edit->setDisplayFormat(QStringLiteral("HH:mm"));
    // The day the options keep their times on.
    edit->setDate(QDate(2000, 1, 1));
    return edit;
}

// The edit with its spin buttons, side by side.
QWidget* withSpin(QLineEdit* edit, unsigned spinId, CSpinButtons** spin) {
    auto* box = new QWidget;
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit);
    *spin = Dialog::withId(new CSpinButtons(edit), spinId);
    row->addWidget(*spin);
    return box;
}

void setPageIcon(PropertyPage& page, unsigned iconId) {
    const QIcon icon = artworkIcon(iconId);
    if (!icon.isNull())
        page.SetIcon(icon);
}

} // namespace

// ---------------------------------------------------------------- spin buttons

CSpinButtons::CSpinButtons(QLineEdit* buddy, QWidget* parent) : QWidget(parent), m_buddy(buddy) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (const int direction : {+1, -1}) {
        auto* button = new QToolButton;
        button->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setObjectName(direction > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(16, 11);
        connect(button, &QToolButton::clicked, this, [this, direction] { step(direction); });
        column->addWidget(button);
    }
}

void CSpinButtons::SetRange(int min, int max) {
    m_min = std::min(min, max);
    m_max = std::max(min, max);
}

void CSpinButtons::step(int direction) {
    const auto typed = parseIntegerEntry(m_buddy->text().toStdString());
    int value = 0;
    if (!typed)
        value = direction > 0 ? m_min : m_max;
    else
        value = std::clamp(static_cast<long long>(*typed) + direction, static_cast<long long>(m_min),
                           static_cast<long long>(m_max));
    m_buddy->setText(QString::number(value));
}

// ---------------------------------------------------------------- General

CPageOptGeneral::CPageOptGeneral(Services services, OptionsPageValues& values)
    : CResizablePage(IDD_OPT_GENERAL, std::move(services)), m_values(values) {
    setWindowTitle(QStringLiteral("General"));
    setPageIcon(*this, pictures::IDI_OPT_GENERAL);

    auto* page = new QVBoxLayout(this);

    auto* download = new QGroupBox(QStringLiteral("Quotation download"));
    auto* downloadLayout = new QVBoxLayout(download);
    auto* numberRow = new QHBoxLayout;
    CSpinButtons* numberSpin = nullptr;
    numberRow->addWidget(new QLabel(QStringLiteral("Maximum number of simultaneous downloads: ")));
    numberRow->addWidget(withSpin(numberEdit(IDC_NUMBER_DOWNLOADS), IDC_NUMBER_DOWNLOADS_SPIN, &numberSpin));
    numberRow->addStretch();
    downloadLayout->addLayout(numberRow);
    downloadLayout->addWidget(check(IDC_DOWNLOAD_STATUS, "Automatically display download status dialog"));
    downloadLayout->addWidget(
        check(IDC_SHOW_FILE_ON_ERROR, "When quotation update fails, open downloaded file in text editor"));
    page->addWidget(download);

    auto* automatic = new QGroupBox(QStringLiteral("Automatic quotation download"));
    auto* automaticLayout = new QGridLayout(automatic);
    CSpinButtons* intervalSpin = nullptr;
    automaticLayout->addWidget(check(IDC_AUTOUPDATE, "Automatically download quotations every"), 0, 0);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(withSpin(numberEdit(IDC_UPDATE_INTERVAL), IDC_UPDATE_INTERVAL_SPIN, &intervalSpin));
    intervalRow->addWidget(new QLabel(QStringLiteral("minutes")));
    intervalRow->addStretch();
    automaticLayout->addLayout(intervalRow, 0, 1);
    automaticLayout->addWidget(check(IDC_ONLY_BETWEEN, "Only between"), 1, 0);
    auto* timesRow = new QHBoxLayout;
    timesRow->addWidget(timeEdit(IDC_START_TIME));
    timesRow->addWidget(new QLabel(QStringLiteral("and")));
    timesRow->addWidget(timeEdit(IDC_END_TIME));
    timesRow->addWidget(new QLabel(QStringLiteral("h.")));
    timesRow->addStretch();
    automaticLayout->addLayout(timesRow, 1, 1);
    automaticLayout->setColumnStretch(1, 1);
    page->addWidget(automatic);

    auto* intraday = new QGroupBox(QStringLiteral("Intraday quotations"));
    auto* intradayLayout = new QVBoxLayout(intraday);
    intradayLayout->addWidget(check(IDC_DISABLE_INTRADAY, "Disable storage of intraday quotations\n(auto-overwrite "
                                                          "previous intraday quotation)"));
    page->addWidget(intraday);
    page->addStretch();

    // The enable rules follow the user's clicks only (a programmatic set fires toggled too).
    connect(control<QCheckBox>(IDC_AUTOUPDATE), &QCheckBox::clicked, this, [this] { OnAutoupdate(); });
    connect(control<QCheckBox>(IDC_ONLY_BETWEEN), &QCheckBox::clicked, this, [this] { OnOnlyBetween(); });
}

void CPageOptGeneral::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_NUMBER_DOWNLOADS, m_values.NumberDownloads);
    DDV_MinMaxInt(dx, m_values.NumberDownloads, kNumberDownloadsRange.min, kNumberDownloadsRange.max);
    DDX_Check(dx, IDC_DOWNLOAD_STATUS, m_values.DownloadStatus);
    DDX_Check(dx, IDC_SHOW_FILE_ON_ERROR, m_values.ShowFileOnError);
    DDX_Check(dx, IDC_AUTOUPDATE, m_values.Autoupdate);
    DDX_Check(dx, IDC_ONLY_BETWEEN, m_values.Autoupdate_Time);
    DDX_DateTimeCtrl(dx, IDC_START_TIME, m_values.startTime);
    DDX_DateTimeCtrl(dx, IDC_END_TIME, m_values.endTime);
    DDX_Text(dx, IDC_UPDATE_INTERVAL, m_values.UpdateIntervall);
    DDV_MinMaxInt(dx, m_values.UpdateIntervall, kUpdateIntervalRange.min, kUpdateIntervalRange.max);
    DDX_Check(dx, IDC_DISABLE_INTRADAY, m_values.DisableIntraday);
}

bool CPageOptGeneral::OnInitDialog() {
    CResizablePage::OnInitDialog();
    control<CSpinButtons>(IDC_NUMBER_DOWNLOADS_SPIN)->SetRange(kNumberDownloadsRange.min, kNumberDownloadsRange.max);
    control<CSpinButtons>(IDC_UPDATE_INTERVAL_SPIN)->SetRange(kUpdateIntervalRange.min, kUpdateIntervalRange.max);
    enableByChecks(m_values.Autoupdate != 0, m_values.Autoupdate_Time != 0);
    return true;
}

void CPageOptGeneral::enableByChecks(bool autoupdate, bool onlyBetween) {
    const GeneralPageEnabling enabling = generalPageEnabling(autoupdate, onlyBetween);
    control(IDC_ONLY_BETWEEN)->setEnabled(enabling.onlyBetween);
    control(IDC_UPDATE_INTERVAL)->setEnabled(enabling.interval);
    control(IDC_UPDATE_INTERVAL_SPIN)->setEnabled(enabling.interval);
    control(IDC_START_TIME)->setEnabled(enabling.times);
    control(IDC_END_TIME)->setEnabled(enabling.times);
}

void CPageOptGeneral::OnAutoupdate() {
    enableByChecks(control<QCheckBox>(IDC_AUTOUPDATE)->isChecked(), control<QCheckBox>(IDC_ONLY_BETWEEN)->isChecked());
}

void CPageOptGeneral::OnOnlyBetween() {
    OnAutoupdate();
}

// ---------------------------------------------------------------- Connection

CPageOptConnection::CPageOptConnection(Services services, OptionsPageValues& values)
    : CResizablePage(IDD_OPT_CONNECTION, std::move(services)), m_values(values) {
    setWindowTitle(QStringLiteral("Connection"));
    setPageIcon(*this, pictures::IDI_OPT_CONNECTION);

    auto* page = new QVBoxLayout(this);
    auto* proxy = new QGroupBox(QStringLiteral("Proxy settings"));
    auto* grid = new QGridLayout(proxy);
    auto* standard =
        withId(new QRadioButton(QStringLiteral("Use the system's standard internet connection settings")),
               IDC_STANDARD_PROXY);
    auto* own = withId(new QRadioButton(QStringLiteral("Use the following proxy setttings:")), IDC_OWN_PROXY);
    auto* group = new QButtonGroup(this);
    group->addButton(standard);
    group->addButton(own);
    grid->addWidget(standard, 0, 0, 1, 3);
    grid->addWidget(own, 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Address:")), 2, 1);
    grid->addWidget(withId(new QLineEdit, IDC_PROXY_ADDRESS), 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Port:")), 3, 1);
    auto* port = withId(new QLineEdit, IDC_PROXY_PORT);
    port->setMaximumWidth(80);
    grid->addWidget(port, 3, 2, Qt::AlignLeft);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(2, 1);
    page->addWidget(proxy);
    page->addStretch();

    connect(standard, &QRadioButton::clicked, this, [this] { OnStandardProxy(); });
    connect(own, &QRadioButton::clicked, this, [this] { OnOwnProxy(); });
}

void CPageOptConnection::DoDataExchange(DataExchange& dx) {
    DDX_Radio(dx, IDC_STANDARD_PROXY, m_values.proxyChoice);
    DDX_Text(dx, IDC_PROXY_ADDRESS, m_values.ProxyAddress);
    DDX_Text(dx, IDC_PROXY_PORT, m_values.ProxyPort);
}

bool CPageOptConnection::OnInitDialog() {
    CResizablePage::OnInitDialog();
    enableProxyFields(m_values.proxyChoice == 1);
    return true;
}

void CPageOptConnection::enableProxyFields(bool enable) {
    control(IDC_PROXY_ADDRESS)->setEnabled(enable);
    control(IDC_PROXY_PORT)->setEnabled(enable);
}

void CPageOptConnection::OnStandardProxy() {
    enableProxyFields(false);
}

void CPageOptConnection::OnOwnProxy() {
    enableProxyFields(true);
}

// ---------------------------------------------------------------- Advanced

CPageOptAdvanced::CPageOptAdvanced(Services services, OptionsPageValues& values)
    : CResizablePage(IDD_OPT_ADVANCED, std::move(services)), m_values(values) {
    setWindowTitle(QStringLiteral("Advanced"));
    setPageIcon(*this, pictures::IDI_OPT_ADVANCED);

    auto* page = new QVBoxLayout(this);
    const auto group = [page](const char* title, std::initializer_list<QWidget*> checks) {
        auto* box = new QGroupBox(QString::fromUtf8(title));
        auto* layout = new QVBoxLayout(box);
        for (QWidget* c : checks)
            layout->addWidget(c);
        page->addWidget(box);
    };
    group("Program updates", {check(IDC_CHECK_UP_TO_DATE, "Automatically check for program updates")});
    group("Auto-save", {check(IDC_AUTOSAVE_WINDOWS, "Auto-save view options upon exit"),
                        check(IDC_AUTOSAVE_ON_EXIT, "Auto-save portfolio file upon exit"),
                        check(IDC_AUTOSAVE_AFTER_UPDATE, "Auto-save portfolio file after updating quotations")});
    group("Compression", {check(IDC_ZIP_FILE, "Use compressed portfolio file format")});
    auto* cash = check(IDC_AUTO_CASH_TRANSACTIONS, "Automatically create related cash account debit/credit entry "
                                                   "when an investment transaction is created");
    group("Cash account", {cash});
    page->addStretch();
}

void CPageOptAdvanced::DoDataExchange(DataExchange& dx) {
    DDX_Check(dx, IDC_CHECK_UP_TO_DATE, m_values.CheckUpToDate);
    DDX_Check(dx, IDC_AUTOSAVE_WINDOWS, m_values.AutosaveWindows);
    DDX_Check(dx, IDC_AUTOSAVE_ON_EXIT, m_values.AutosaveOnExit);
    DDX_Check(dx, IDC_ZIP_FILE, m_values.ZipFile);
    DDX_Check(dx, IDC_AUTO_CASH_TRANSACTIONS, m_values.AutoCreateCashAccountTransactions);
    DDX_Check(dx, IDC_AUTOSAVE_AFTER_UPDATE, m_values.AutoSaveAfterAutoUpdate);
}

// ---------------------------------------------------------------- the sheet

COptionsSheet::COptionsSheet(Services services, QWidget* parent)
    : CTreePropSheetEx(IDD_OPTIONS_SHEET, QStringLiteral("Program Options"), services, parent, 0),
      m_pageGeneral(services, m_values), m_pageConnection(services, m_values), m_pageAdvanced(services, m_values) {
    SetTreeViewMode(false, false, false);
    SetIsResizable(false);
    AddPage(&m_pageGeneral);
    AddPage(&m_pageConnection);
    AddPage(&m_pageAdvanced);
}

COptionsSheet::~COptionsSheet() = default;

int RunOptionsSheet(CWPapierApp& app, const Services& services, QWidget* parent, UpdateTimerSink* timer) {
    COptionsSheet sheet(services, parent);
    sheet.m_values = optionsPageValues(app);
    const int result = sheet.DoModal();
    if (result != IDOK)
        return result;
    applyOptionsPageValues(sheet.m_values, app);
    app.SaveOptions();
    if (timer)
        timer->SetUpdateTimer(updateTimerMinutes(app));
    return result;
}
