#include "dialogs/DlgWizardUrl.h"

#include "dialogs/DialogIds.h"
#include "framework/StringTable.h"
#include "platform/TextCodec.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/download.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The text a drag offers: its text, else its first address.
std::optional<QString> droppedText(const QMimeData* data) {
    if (data == nullptr)
        return std::nullopt;
    if (const QString text = data->text().trimmed(); !text.isEmpty())
        return text;
    if (data->hasUrls() && !data->urls().isEmpty())
        return data->urls().front().toString();
    return std::nullopt;
}

bool offersText(const QMimeData* data) {
    return data != nullptr && (data->hasText() || data->hasUrls());
}

} // namespace

QPixmap WizardPicture() {
    QPixmap picture(110, 300);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(28, 74, 138));
    sky.setColorAt(1, QColor(112, 168, 224));
    p.fillRect(picture.rect(), sky);
    // A page with lines of text and a rising line of quotations.
    const QRectF page(16, 60, 70, 92);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawRect(page);
    p.setPen(QPen(QColor(170, 170, 170), 2));
    for (int y = 72; y < 104; y += 8)
        p.drawLine(QPointF(24, y), QPointF(78, y));
    QPainterPath chart;
    chart.moveTo(24, 142);
    chart.lineTo(38, 130);
    chart.lineTo(50, 136);
    chart.lineTo(64, 118);
    chart.lineTo(78, 112);
    p.setPen(QPen(QColor(0, 140, 60), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(chart);
    // A magnifying glass over the page.
    p.setPen(QPen(QColor(50, 50, 50), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(80, 186), QPointF(96, 204));
    p.setPen(QPen(QColor(70, 70, 70), 3));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(QPointF(66, 170), 20, 20);
    return picture;
}

void LayOutWizardPage(QWidget& page, QLayout* content, std::initializer_list<QWidget*> buttons, QWidget* cancel) {
    auto* picture = Dialog::withId(new QLabel, IDC_WIZARD_PICTURE);
    const QPixmap pixmap = WizardPicture();
    picture->setPixmap(pixmap);
    picture->setFrameShape(QFrame::Panel);
    picture->setFrameShadow(QFrame::Sunken);
    picture->setFixedSize(pixmap.size() + QSize(2 * picture->frameWidth(), 2 * picture->frameWidth()));
    auto* body = new QHBoxLayout;
    body->addWidget(picture, 0, Qt::AlignTop);
    body->addLayout(content, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* button : buttons)
        row->addWidget(button);
    row->addSpacing(12);
    row->addWidget(cancel);
    auto* layout = new QVBoxLayout(&page);
    layout->addLayout(body, 1);
    layout->addLayout(row);
}

CDlgWizardUrl::CDlgWizardUrl(Services services, PageDownloadDocument& document, QWidget* parent)
    : Dialog(IDD_WIZARD_URL, std::move(services), parent), m_document(document), m_link([this](Message& message) {
          if (message.message == WMU_PAGE_DOWNLOAD_STATUS && message.recordAs<DownloadStatus>())
              OnPageDownloadStatus(
                  std::unique_ptr<DownloadStatus>(static_cast<DownloadStatus*>(message.record.release())));
      }) {
    setWindowTitle(QStringLiteral("Server configuration wizard"));
    setAcceptDrops(true);

    m_editUrl = withId(new QLineEdit, IDC_SERVER_URL);
    m_editUrl->setAcceptDrops(false); // a drop replaces the whole address (the dialog takes it)
    auto* addressLabel = new QLabel(QStringLiteral("Quotation web page address:"));
    addressLabel->setBuddy(m_editUrl);
    auto* frameNote = new QLabel(QStringLiteral(
        "Note: to get the correct address of a web page that is embedded in a frame, in Internet Explorer you must "
        "press the right mouse button in the frame containing the quotation and select \"Properties\" in the "
        "context menu."));
    frameNote->setWordWrap(true);
    auto* variablesNote = new QLabel(QStringLiteral(
        "If you want to setup a server configuration template, you might user the following CVR variables in the "
        "web page address:"));
    variablesNote->setWordWrap(true);
    auto* variables = new QLabel(QStringLiteral(
        "  [&name] = item's name (e.g. Microsoft),  [&symbol] = item's symbol (e.g. MSFT),\n  [&d] = day (e.g. "
        "09),  [&dw] = day of the week (e.g. 01 for monday), \n  [&m] = month (e.g. 07),  [&mstr] = month short "
        "string (e.g. jan),  [&y] = year (e.g. 2005)"));
    variables->setTextFormat(Qt::PlainText);
    auto* status = withId(new QPlainTextEdit, IDC_DOWNLOAD_STATUS);
    status->setReadOnly(true);
    status->setFocusPolicy(Qt::NoFocus);
    status->setMinimumHeight(64);
    status->setMaximumHeight(80);

    auto* back = withId(new QPushButton(QStringLiteral("< Back")), IDC_WIZARD_BACK_DISABLED);
    back->setEnabled(false);
    m_btnNext = withId(new QPushButton(QStringLiteral("Next     >")), IDOK);
    m_btnDownload = withId(new QPushButton(QStringLiteral("Next     >")), IDC_WIZARD_DOWNLOAD);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    for (QPushButton* button : {back, m_btnNext, m_btnDownload, cancel})
        button->setAutoDefault(false);
    connect(m_btnNext, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnDownload, &QPushButton::clicked, this, [this] { OnDownload(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_editUrl, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Loading the controls sets the same text again; that is no edit.
        if (text == m_shownUrl)
            return;
        m_shownUrl = text;
        OnUrlChange();
    });

    auto* right = new QVBoxLayout;
    right->addWidget(addressLabel);
    right->addWidget(m_editUrl);
    right->addWidget(frameNote);
    right->addSpacing(6);
    right->addWidget(variablesNote);
    right->addWidget(variables);
    right->addSpacing(6);
    right->addWidget(new QLabel(QStringLiteral("Status:")));
    right->addWidget(status);
    right->addStretch(1);
    LayOutWizardPage(*this, right, {back, m_btnNext, m_btnDownload}, cancel);
    showNext(false);
}

CDlgWizardUrl::~CDlgWizardUrl() {
    // A download still running is stopped; its files go when it reports (the link sees to that).
    if (m_link.downloadAwaited())
        m_document.AbortDownloads();
}

PageFiles CDlgWizardUrl::TakePageFiles() {
    return std::move(m_files);
}

void CDlgWizardUrl::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_SERVER_URL, m_strUrl);
    DDX_StatusText(dx, IDC_DOWNLOAD_STATUS, m_strStatus);
}

bool CDlgWizardUrl::OnInitDialog() {
    Dialog::OnInitDialog();
    const std::string& shown = ShownConfigurationName(m_strTemplateName, m_strItemName);
    setWindowTitle(QString::fromStdString(textcodec::formatText("Server Configuration Wizard - [%s]", shown.c_str())));
    showNext(false);
    return true;
}

void CDlgWizardUrl::showNext(bool downloaded) {
    m_btnNext->setVisible(downloaded);
    m_btnDownload->setVisible(!downloaded);
    // Return presses the Next that is shown.
    m_btnNext->setDefault(downloaded);
    m_btnDownload->setDefault(!downloaded);
}

void CDlgWizardUrl::SetUrl(const std::string& url) {
    m_editUrl->setText(QString::fromStdString(url));
}

void CDlgWizardUrl::OnUrlChange() {
    m_btnDownload->setEnabled(true);
    showNext(false);
    UpdateData(true);
    m_strStatus = kPressNextToDownloadText;
    UpdateData(false);
}

void CDlgWizardUrl::OnDownload() {
    if (!UpdateData(true))
        return;
    m_btnDownload->setEnabled(false);
    std::string url;
    ReplaceNameSymbolInUrl(m_strUrl, url, m_strItemName, m_strItemSymbol);
    // Records of an earlier download are dropped from now on.
    m_workerId = m_document.StartPageDownload(m_strItemName, m_strItemSymbol, url, m_link.id());
    m_link.expectDownload(m_workerId);
}

void CDlgWizardUrl::OnPageDownloadStatus(std::unique_ptr<DownloadStatus> record) {
    if (!record)
        return;
    switch (record->m_nStatus) {
    case DOWNLOAD_FINISHED:
        m_files.adopt(*record); // the files of an earlier success go
        m_strStatus = LoadString(IDS_WIZARD_PAGE_DOWNLOADED);
        m_files.renameRawToHtml();
        m_strRawFile = m_files.paths().raw;
        m_strSemiHtmlFile = m_files.paths().semiHtml;
        m_strTextFile = m_files.paths().text;
        services().shell->openFile(m_strRawFile);
        showNext(true);
        break;
    case DOWNLOAD_ERROR:
        showNext(false); // the download button stays disabled until the address is edited
        SetPageStatusText(m_strStatus, *record);
        break;
    case DOWNLOAD_ABORTED:
        showNext(false);
        SetPageStatusText(m_strStatus, *record);
        break;
    default:
        SetPageStatusText(m_strStatus, *record);
        break;
    }
    UpdateData(false);
}

void CDlgWizardUrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!offersText(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

void CDlgWizardUrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!offersText(event->mimeData()) || (event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CDlgWizardUrl::dropEvent(QDropEvent* event) {
    const auto text = droppedText(event->mimeData());
    if (!text) {
        event->ignore();
        return;
    }
    SetUrl(text->toStdString());
    if (event->dropAction() == Qt::MoveAction)
        event->accept();
    else
        event->ignore();
}
