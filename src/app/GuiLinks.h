#pragma once
// How the program host (ProgramHost.h) reaches the windows: the main frame registers its parts
// here when it is created and withdraws them before it goes, so the host never holds a window
// that is gone and never needs the application to find one.

#include "views/ViewLinks.h"

#include <string>

// The Downloads window, as the document asks for it.
class DownloadsWindowSink {
public:
    virtual ~DownloadsWindowSink() = default;
    // Empties the window's list.
    virtual void clearDownloadsList() = 0;
    // Names the window after the portfolio titled `documentTitle`.
    virtual void setDownloadsTitle(const std::string& documentTitle) = 0;
};

// The timed update of all items.
class UpdateTimerSink {
public:
    virtual ~UpdateTimerSink() = default;
    // (Re)starts the timer with `minutes`; 0 stops it.
    virtual void SetUpdateTimer(int minutes) = 0;
};

// The parts of the windows the host uses; a null part is not there (yet).
struct GuiParts {
    DownloadsWindowSink* downloads = nullptr;
    UpdateTimerSink* updateTimer = nullptr;
    ChartOracle* chart = nullptr;
    ListViewSettingsSource* listView = nullptr;
};

class GuiRegistry {
public:
    virtual ~GuiRegistry() = default;
    virtual void registerGui(const GuiParts& parts) = 0;
    // Withdraws every part.
    virtual void unregisterGui() = 0;
};
