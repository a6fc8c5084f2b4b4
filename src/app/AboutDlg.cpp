#include "app/AboutDlg.h"

#include "app/ReleaseInfo.h"
#include "app/Resource.h"
#include "controls/AppIcons.h"
#include "framework/HelpPages.h"
#include "framework/StringTable.h"
#include "platform/Settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace aboutids;

CAboutDlg::CAboutDlg(Services services, std::filesystem::path helpFolder, QWidget* parent)
    : Dialog(IDD_ABOUTBOX, std::move(services), parent), m_helpFolder(std::move(helpFolder)) {
    setWindowTitle(QString::fromUtf8(kAboutCaption));
    const LinkServices links = LinkServices::of(this->services());

    auto* icon = withId(new QLabel, IDC_PROGRAM_ICON);
    icon->setPixmap(programIcon(IDR_MAINFRAME).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* version = new QLabel(QString::fromUtf8(kAboutVersionText));
    version->setTextFormat(Qt::PlainText);

    auto* details = new QGridLayout;
    details->addWidget(version, 0, 0, 1, 2);
    details->addWidget(new QLabel(QString::fromUtf8(kInstalledServerSettingsLabel)), 1, 0);
    auto* serverSettings = withId(new QLabel, IDC_SERVER_SETTINGS_NAME);
    serverSettings->setTextFormat(Qt::PlainText);
    details->addWidget(serverSettings, 1, 1);
    m_linkMail = withId(new CHyperLink(QString::fromUtf8(kMakerMailAddress), links), IDC_MAIL_LINK);
    m_linkWeb = withId(new CHyperLink(QString::fromStdString(LoadString(IDS_MAKER_WEB_PAGE)), links), IDC_WEB_LINK);
    details->addWidget(new QLabel(QStringLiteral("E-Mail:")), 2, 0);
    details->addWidget(m_linkMail, 2, 1, Qt::AlignLeft);
    details->addWidget(new QLabel(QStringLiteral("Web:")), 3, 0);
    details->addWidget(m_linkWeb, 3, 1, Qt::AlignLeft);
    details->setColumnStretch(1, 1);
    details->setHorizontalSpacing(12);

    auto* ok = withId(new QPushButton(QStringLiteral("OK")), IDOK);
    ok->setDefault(true);
    auto* help = withId(new QPushButton(QStringLiteral("&Help")), IDC_HELP);
    help->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(help);
    buttons->addStretch();

    auto* top = new QHBoxLayout(this);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(details, 1);
    top->addSpacing(12);
    top->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    connect(help, &QPushButton::clicked, this, [this] { OnHelp(); });
}

bool CAboutDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    control<QLabel>(IDC_SERVER_SETTINGS_NAME)
        ->setText(QString::fromStdString(installedServerSettingsName(*services().settings)));
    m_linkMail->SetURL(QString::fromStdString(makerMailLink()));
    m_linkMail->SetUnderline(1);
    m_linkWeb->SetURL(QString::fromStdString(LoadString(IDS_MAKER_WEB_PAGE)));
    m_linkWeb->SetUnderline(1);
    return true;
}

void CAboutDlg::OnHelp() {
    openHelpPage(services(), "FAQ.html", m_helpFolder);
}

void RunAboutBox(const Services& services, QWidget* parent) {
    CAboutDlg dialog(services, helpPagesFolder(), parent);
    dialog.DoModal();
}
