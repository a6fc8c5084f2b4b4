#pragma once
// What the portfolio document needs of the program around it: the program options and the list
// view's settings, the chart's answer whether it shows an item, the main frame's update timer and
// Downloads window, the import-interval question, notices to the user and the request to exit.
// The application shell fills it in with its frame, views and dialogs; an unattended run logs the
// notices and never waits; tests use a recording fake.
//
// The document calls it on the thread that runs the document operation (the main thread), except
// programOptions(), which any thread may call. A notice is never shown from inside a locked
// document operation: the document queues it and hands it over once the operation is done.

#include "platform/Document.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"

#include <string>

// The program options (section "GeneralOptions") with their defaults.
struct ProgramOptions {
    int NumberDownloads = 5;  // simultaneous downloads: the document's download slots
    int AutosaveOnExit = 0;   // save a modified portfolio without asking on close
    int Autoupdate = 0;       // timed update of all items ...
    int UpdateIntervall = 60; // ... every this many minutes
    int DisableIntraday = 0;  // one quotation per day for downloaded, imported and history quotations
    int ZipFile = 0;          // save portfolios as zip archives
    int StandardProxy = 1;    // use the system's configured proxy
    std::string ProxyAddress = "proxy";
    int ProxyPort = 80;
    int ShowFileOnError = 0;    // keep and show the page of a failed extraction
    bool m_bUpdateMode = false; // unattended update run (command-line flag u)
    bool m_bExportMode = false; // unattended export run (command-line flag e)
};

// The list view's settings that the item comparison reads (section "ListView").
struct ListViewSettings {
    bool m_bProcentualValue = true; // changes shown in percent
    int m_nTimeFrameDays = 365;     // days of the "+- Time Frame" column; -1 the whole history
};

// The import-interval question: what the dialog shows, and the time frame it proposes and, after
// an OK, hands back.
struct ImportIntervalQuestion {
    std::string itemName;
    std::string summary;   // the first and last quotation found, two lines joined by a line "..."
    std::string countLine; // "%i quotations found:"
    OleDate begin;
    OleDate end;
};

// A message for the user.
struct PortfolioNotice {
    enum class Kind { Information, Warning, Error };
    Kind kind = Kind::Information;
    std::string text;

    bool operator==(const PortfolioNotice&) const = default;
};

class PortfolioHost : public DocumentHost {
public:
    // --- settings ---
    // The current program options; any thread, at any time.
    virtual ProgramOptions programOptions() const = 0;
    virtual ListViewSettings listViewSettings() const = 0;

    // --- views ---
    // The chart view as a view of the document (null when there is none).
    virtual DocumentObserver* chartView() const = 0;
    // Whether the chart shows the item at `pos` (its single item or one of its comparison).
    virtual bool isItemShownInChart(ItemPos pos) const = 0;

    // --- main frame ---
    // (Re)starts the timed update every `minutes`; 0 stops it.
    virtual void setUpdateTimer(int minutes) = 0;
    // Empties the Downloads window's list.
    virtual void clearDownloadsList() = 0;
    // Names the Downloads window after the portfolio titled `documentTitle`.
    virtual void setDownloadsTitle(const std::string& documentTitle) = 0;
    // The program should end as the File menu's exit does (closing the document first).
    virtual void requestExit() = 0;
    // The busy cursor around long operations.
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;

    // --- the user ---
    // Asks for the time frame of an import; true (with `question` holding the chosen begin and
    // end) when the user confirms.
    virtual bool askImportInterval(ImportIntervalQuestion& question) = 0;
    // Tells the user; unattended runs log it.
    virtual void showNotice(const PortfolioNotice& notice) = 0;
};

// The host's busy cursor for the length of a scope (nothing without a host).
class WaitCursor {
public:
    explicit WaitCursor(PortfolioHost* host) : m_host(host) {
        if (m_host)
            m_host->beginWaitCursor();
    }
    ~WaitCursor() {
        if (m_host)
            m_host->endWaitCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    PortfolioHost* m_host;
};
