#include "dialogs/DlgConn.h"

#include "controls/Artwork.h"
#include "controls/ImageList.h"
#include "controls/PictureIds.h"
#include "dialogs/DialogIds.h"
#include "framework/FrameWnd.h"
#include "framework/StringTable.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "retrieval/download.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace {

constexpr int kPositionRole = Qt::UserRole;
// How long after a quiet show an activation of the window is taken for the platform's, not the user's.
constexpr int kHandBackMs = 1000;
constexpr int kImageRole = Qt::UserRole + 1;

// The row icons: the cells of the Downloads window's strip 137 (masked by green).
QIcon rowIcon(int image) {
    static const CImageList list = [] {
        CImageList images;
        images.Create(16, 16);
        images.Add(artworkBitmap(pictures::IDB_DOWNLOAD_STATES), RGB(0, 255, 0));
        return images;
    }();
    return list.icon(image);
}

const QIcon& cachedIcon(int image) {
    static const std::array<QIcon, 5> icons = {rowIcon(0), rowIcon(1), rowIcon(2), rowIcon(3), rowIcon(4)};
    return icons[static_cast<std::size_t>(std::clamp(image, 0, 4))];
}

} // namespace

CDlgConn::CDlgConn(QWidget* parent, Services services) : QDialog(parent), m_services(std::move(services)) {
    OnInitDialog();
}

CDlgConn::~CDlgConn() = default;

CDlgConn::Options CDlgConn::options() const {
    return m_options ? m_options() : Options{};
}

std::vector<int> CDlgConn::parseColumnWidths(const std::string& text) {
    std::vector<int> widths(std::begin(kDefaultColumnWidths), std::end(kDefaultColumnWidths));
    std::size_t start = 0;
    for (std::size_t column = 0; column < widths.size() && start <= text.size(); ++column) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        const char* first = text.data() + start;
        while (first < text.data() + end && *first == ' ')
            ++first;
        int value = 0;
        const auto [ptr, ec] = std::from_chars(first, text.data() + end, value);
        if (ec == std::errc() && ptr != first && value >= 0)
            widths[column] = value;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return widths;
}

bool CDlgConn::OnInitDialog() {
    setObjectName(QStringLiteral("dlg_%1").arg(IDD_CONNECTION));
    setWindowTitle(QStringLiteral("Downloads"));
    setModal(false);

    m_List = new QTreeWidget(this);
    m_List->setObjectName(QStringLiteral("idc_%1").arg(IDC_CONNECTION_LIST));
    m_List->setRootIsDecorated(false);
    m_List->setItemsExpandable(false);
    m_List->setUniformRowHeights(true);
    m_List->setSelectionBehavior(QAbstractItemView::SelectRows); // full-row selection
    m_List->setColumnCount(3);
    m_List->header()->setSectionsMovable(true); // the user may drag columns; the order is not kept
    m_List->header()->setStretchLastSection(false);
    m_List->setHeaderLabels({QString::fromStdString(LoadString(IDS_DOWNLOAD_ID)),
                             QString::fromStdString(LoadString(IDS_ITEM)),
                             QString::fromStdString(LoadString(IDS_STATUS))});
    const std::vector<int> widths =
        parseColumnWidths(m_services.settings->readString(kColumnsSection, kColumnsEntry, "84,134,148"));
    for (int column = 0; column < 3; ++column)
        m_List->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);

    m_btnAbort = new QPushButton(QStringLiteral("&Abort Downloads"), this);
    m_btnAbort->setObjectName(QStringLiteral("idc_%1").arg(IDC_ABORT_DOWNLOADS));
    m_btnAbort->setAutoDefault(false);
    m_btnAbort->setEnabled(false); // nothing runs yet; the frame enables it while downloads run
    auto* hide = new QPushButton(QStringLiteral("&Hide"), this);
    hide->setObjectName(QStringLiteral("idc_%1").arg(IDC_HIDE));
    hide->setAutoDefault(false);
    connect(m_btnAbort, &QPushButton::clicked, this, [this] { OnAbortDownloads(); });
    connect(hide, &QPushButton::clicked, this, [this] { OnHide(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnAbort);
    buttons->addWidget(hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_List, 1);
    layout->addLayout(buttons);
    resize(widths[0] + widths[1] + widths[2] + 40, 220);

    // Centred on the work area of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect work = screen->availableGeometry();
        move((work.left() + work.right() - width()) / 2, (work.top() + work.bottom() - height()) / 2);
    }
    return true;
}

int CDlgConn::findRow(ItemPos pos) const {
    for (int row = 0; row < m_List->topLevelItemCount(); ++row)
        if (m_List->topLevelItem(row)->data(0, kPositionRole).toUInt() == pos)
            return row;
    return -1;
}

void CDlgConn::setRowStatus(QTreeWidgetItem* row, const std::string& text, int image) {
    row->setText(2, QString::fromStdString(text));
    if (row->data(0, kImageRole).toInt() != image || row->icon(0).isNull()) {
        row->setData(0, kImageRole, image);
        row->setIcon(0, cachedIcon(image));
    }
}

std::intptr_t CDlgConn::OnDownloadStatus(std::unique_ptr<DownloadStatus> record) {
    if (!record)
        return 0;
    const DownloadStatus& r = *record;
    const int found = findRow(r.m_posItem);
    QTreeWidgetItem* row = found >= 0 ? m_List->topLevelItem(found) : nullptr;
    const std::string text = DownloadStatusText(r);
    switch (r.m_nStatus) {
    case DOWNLOAD_INITIALIZED: {
        delete row; // a failed row of an earlier download goes
        auto* added = new QTreeWidgetItem;
        added->setText(0, QString::number(r.m_dwThreadId));
        added->setText(1, QString::fromStdString(r.m_szName));
        added->setData(0, kPositionRole, static_cast<unsigned>(r.m_posItem));
        added->setData(0, kImageRole, -1);
        m_List->addTopLevelItem(added);
        setRowStatus(added, text, ImageInitialized);
        break;
    }
    case DOWNLOAD_CONNECTING:
    case DOWNLOAD_CONNECTED:
        if (row)
            setRowStatus(row, text, ImageConnecting);
        break;
    case DOWNLOAD_PROGRESS:
        if (row)
            setRowStatus(row, text, ImageReceiving);
        break;
    case DOWNLOAD_AWAITING:
    case DOWNLOAD_EXTRACTING:
    case DOWNLOAD_CONVERTING:
        if (row)
            setRowStatus(row, text, ImageWorking);
        break;
    case DOWNLOAD_FINISHED:
        delete row;
        if (m_List->topLevelItemCount() == 0 && options().downloadStatus)
            OnHide();
        break;
    case DOWNLOAD_NOT_FOUND:
    case DOWNLOAD_INVALID_VALUE:
    case DOWNLOAD_TEXT_NOT_FOUND:
        if (row)
            setRowStatus(row, text, ImageFailed);
        showSearchedText(r, options());
        break;
    case DOWNLOAD_ERROR:
    case DOWNLOAD_ABORTED:
        if (row)
            setRowStatus(row, text, ImageFailed);
        break;
    default:
        break;
    }
    return 0; // the record ends here
}

void CDlgConn::showSearchedText(const DownloadStatus& record, const Options& options) {
    if (!options.showFileOnError || options.updateMode || record.m_szTextFile.empty())
        return;
    // The file gets the extension ".TXT", so that the system's viewer for text files shows it.
    const std::filesystem::path from = record.m_szTextFile;
    std::filesystem::path to = from;
    to += ".TXT";
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (ec)
        CVR_LOG(LOG_LEVEL_DEBUG, "Cannot rename '%s': %s", from.c_str(), ec.message().c_str());
    m_services.shell->openFile(to);
}

void CDlgConn::showQuietly(QWidget* modal) {
    if (modal == this)
        modal = nullptr;
    if (modal) {
        const QRect avoid = modal->frameGeometry();
        // The window's frame (title bar, borders) is known once it was shown; before, the dialog's
        // frame stands for it, as the same window manager draws both.
        QSize margins = frameGeometry().size() - geometry().size();
        if (margins.isNull())
            margins = avoid.size() - modal->geometry().size();
        const QRect frame(frameGeometry().topLeft(), geometry().size() + margins);
        const QScreen* screen = modal->screen() ? modal->screen() : QGuiApplication::primaryScreen();
        if (screen && frame.intersects(avoid)) {
            // move() places a window by its frame.
            if (const auto place = placeBeside(frame.size(), avoid, screen->availableGeometry()))
                move(*place);
        }
    }
    QWidget* active = QApplication::activeWindow();
    const bool wasVisible = isVisible();
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false); // the View command's show activates it
    if (modal)
        modal->raise();
    if (!wasVisible && active && active != this) {
        m_handBackActivation = active;
        // Long enough for the window system's answer to the show; a later activation is the user's.
        QTimer::singleShot(kHandBackMs, this, [this] { m_handBackActivation = nullptr; });
    }
}

bool CDlgConn::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && m_handBackActivation) {
        const QPointer<QWidget> back = m_handBackActivation;
        m_handBackActivation = nullptr;
        back->activateWindow();
    }
    return QDialog::event(event);
}

std::optional<QPoint> CDlgConn::placeBeside(const QSize& size, const QRect& avoid, const QRect& area) {
    constexpr int kGap = 8;
    const auto clampY = [&](int y) {
        return std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    };
    const auto clampX = [&](int x) {
        return std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    };
    const QPoint candidates[] = {
        {avoid.right() + 1 + kGap, clampY(avoid.top())},
        {avoid.left() - kGap - size.width(), clampY(avoid.top())},
        {clampX(avoid.left()), avoid.bottom() + 1 + kGap},
        {clampX(avoid.left()), avoid.top() - kGap - size.height()},
    };
    for (const QPoint& at : candidates) {
        const QRect placed(at, size);
        if (area.contains(placed) && !placed.intersects(avoid))
            return at;
    }
    return std::nullopt;
}

void CDlgConn::ClearList() {
    while (m_List->topLevelItemCount() > 0)
        delete m_List->takeTopLevelItem(0);
}

bool CDlgConn::SaveColumnWidths() {
    char text[64];
    std::snprintf(text, sizeof text, "%i,%i,%i", m_List->columnWidth(0), m_List->columnWidth(1),
                  m_List->columnWidth(2));
    m_services.settings->writeString(kColumnsSection, kColumnsEntry, text);
    return true;
}

void CDlgConn::OnHide() {
    hide();
}

void CDlgConn::OnAbortDownloads() {
    if (m_abort) {
        m_abort();
        return;
    }
    if (auto* frame = dynamic_cast<FrameWnd*>(parentWidget()))
        frame->SendCommand(ID_ABORT_DOWNLOADS);
}
