#pragma once
// What the portfolio document gets from the program: the options, the main frame's update timer
// and Downloads window, the chart's and the list view's answers, the exit, the busy cursor, and
// the user. In the normal mode notices are message boxes; in the unattended modes they are logged,
// questions are declined and nothing waits.
//
// The windows are reached only through the parts the main frame registers (GuiLinks.h); while none
// are registered the host answers with the defaults and changes nothing.

#include "app/GuiLinks.h"
#include "portfolio/PortfolioHost.h"

#include <mutex>
#include <string>

class CWPapierApp;

class ProgramHost final : public PortfolioHost, public GuiRegistry {
public:
    explicit ProgramHost(CWPapierApp& app);

    // GuiRegistry: the windows' parts (main thread).
    void registerGui(const GuiParts& parts) override;
    void unregisterGui() override;
    const GuiParts& gui() const { return m_gui; }

    // DocumentHost: the application's save question and Save As dialog.
    SaveChangesAnswer askSaveChanges(const std::string& name) override;
    std::optional<std::filesystem::path> chooseSavePath(const std::string& suggestedName) override;

    ProgramOptions programOptions() const override;
    ListViewSettings listViewSettings() const override;
    DocumentObserver* chartView() const override;
    bool isItemShownInChart(ItemPos pos) const override;
    void setUpdateTimer(int minutes) override;
    void clearDownloadsList() override;
    void setDownloadsTitle(const std::string& documentTitle) override;
    void requestExit() override;
    void beginWaitCursor() override;
    void endWaitCursor() override;
    bool askImportInterval(ImportIntervalQuestion& question) override;
    void showNotice(const PortfolioNotice& notice) override;

    // The text of the last error notice, in one line ("" when there was none).
    std::string lastErrorNotice() const;

private:
    CWPapierApp& m_app;
    GuiParts m_gui;
    int m_waitDepth = 0;
    mutable std::mutex m_mutex;
    std::string m_lastError;
};
