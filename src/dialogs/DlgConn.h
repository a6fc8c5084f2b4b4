#pragma once
// The "Downloads" window: one row per item whose quotation is being downloaded, with the worker's
// id, the item's name and a status text with an icon. The main frame owns it (created hidden),
// shows, hides and captions it, and hands it every update report it receives; the window updates
// the item's row and destroys the report. After a failed extraction it can show the page that was
// searched as text. Its column widths are kept in "ConnectionDialog"\"Columns". The settings and
// the opening of the text come from the services bundle of its owner.

#include "framework/Services.h"
#include "portfolio/ItemPos.h"

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct DownloadStatus;

class CDlgConn : public QDialog {
public:
    // The program options the window follows, read when a report arrives.
    struct Options {
        bool downloadStatus = true;   // "DownloadStatus": hide the window when its last row goes
        bool showFileOnError = false; // "ShowFileOnError": show the searched text after a failed extraction
        bool updateMode = false;      // the unattended update: never show a file
    };
    using OptionsSource = std::function<Options()>;

    // Row icons (the image index of a row).
    enum Image : int {
        ImageInitialized = 0,
        ImageWorking = 1,
        ImageConnecting = 2,
        ImageReceiving = 3,
        ImageFailed = 4
    };

    static constexpr const char* kColumnsSection = "ConnectionDialog";
    static constexpr const char* kColumnsEntry = "Columns";
    static constexpr int kDefaultColumnWidths[3] = {84, 134, 148};

    // Built hidden (OnInitDialog), its column widths read from the bundle's settings.
    explicit CDlgConn(QWidget* parent, Services services);
    ~CDlgConn() override;

    void setOptionsSource(OptionsSource source) { m_options = std::move(source); }
    // What the "&Abort Downloads" button does (disabled at first: the frame enables it while
    // downloads run, as it does the toolbar's Abort); by default it sends command 32797 to the frame
    // that owns the window.
    void setAbortHandler(std::function<void()> handler) { m_abort = std::move(handler); }

    // Shows the window for downloads that just started, while the user may be at work elsewhere: it
    // takes no focus and, while a modal dialog is open (`modal`, may be null), it goes beside that
    // dialog where the screen has room, and stays below it in any case.
    void showQuietly(QWidget* modal);
    // Where a window of `size` (frame included) goes so that it does not cover `avoid`: right of
    // it, else left, else below, else above, inside `area`; nothing when it fits nowhere.
    static std::optional<QPoint> placeBeside(const QSize& size, const QRect& avoid, const QRect& area);

    // A report of the main frame (WMU_DOWNLOAD_STATUS); the window owns it and destroys it here.
    std::intptr_t OnDownloadStatus(std::unique_ptr<DownloadStatus> record);
    // Deletes every row; caption, visibility and buttons stay.
    void ClearList();
    // Writes the current widths of the three columns to "ConnectionDialog"\"Columns". True.
    bool SaveColumnWidths();
    // Button 1021 "&Hide".
    void OnHide();
    // Button 1078 "&Abort Downloads".
    void OnAbortDownloads();

    // The column widths a "Columns" text gives: up to three decimal numbers separated by commas;
    // a missing or unreadable one keeps its default.
    static std::vector<int> parseColumnWidths(const std::string& text);

    QTreeWidget* list() const { return m_List; }
    QPushButton* abortButton() const { return m_btnAbort; }
    // The row of the item at `pos`; -1 when it has none.
    int findRow(ItemPos pos) const;

protected:
    bool event(QEvent* event) override;

private:
    bool OnInitDialog();
    void setRowStatus(QTreeWidgetItem* row, const std::string& text, int image);
    void showSearchedText(const DownloadStatus& record, const Options& options);
    Options options() const;

    QTreeWidget* m_List = nullptr;
    QPushButton* m_btnAbort = nullptr;
    Services m_services;
    OptionsSource m_options;
    std::function<void()> m_abort;
    // The window that was active when showQuietly showed this one: a platform that activates the
    // new window all the same has the activation handed back (once, and only shortly after).
    QPointer<QWidget> m_handBackActivation;
};
