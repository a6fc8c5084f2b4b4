#pragma once
// What the main frame tells the program around it: how an unattended run ends, and the
// notification icon's tip and picture. The application object implements both; the frame gets
// them with its context (MainFrm.h).

#include <string>

// How an unattended run ends.
enum RunExitCode : int {
    kExitSuccess = 0,
    kExitStartFailed = 1,  // start-up failed before a portfolio was named
    kExitOpenFailed = 2,   // the portfolio could not be opened (or none was named)
    kExitSaveFailed = 3,   // the portfolio could not be saved
    kExitExportFailed = 4, // the quotations could not be exported
    kExitTimeLimit = 5,    // the update did not finish within the time limit
};

// Where the failures of a run are told.
class RunFailureSink {
public:
    virtual ~RunFailureSink() = default;
    // Marks the run as failed with `code` for `reason`.
    virtual void reportRunFailure(RunExitCode code, const std::string& reason) = 0;
    // The text of the last error the document told, in one line ("" when none).
    virtual std::string lastErrorNotice() const = 0;
};

// The notification-area icon.
class TrayIconHost {
public:
    virtual ~TrayIconHost() = default;
    // Sets the tip and, with `iconId` not 0, the picture.
    virtual void ModifyTrayIcon(const std::string& tip, unsigned iconId = 0) = 0;
    // The tip as it is now.
    virtual std::string trayTip() const = 0;
};
