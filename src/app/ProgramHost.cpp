#include "app/ProgramHost.h"

#include "app/MainFrm.h"
#include "app/WPapier.h"
#include "dialogs/DlgImportQuotationsInterval.h"
#include "framework/MessageBoxes.h"
#include "log/Log.h"

#include <QCursor>
#include <QGuiApplication>

ProgramHost::ProgramHost(CWPapierApp& app) : m_app(app) {}

void ProgramHost::registerGui(const GuiParts& parts) {
    m_gui = parts;
}

void ProgramHost::unregisterGui() {
    m_gui = GuiParts{};
}

SaveChangesAnswer ProgramHost::askSaveChanges(const std::string& name) {
    return m_app.askSaveChanges(name);
}

std::optional<std::filesystem::path> ProgramHost::chooseSavePath(const std::string& suggestedName) {
    return m_app.chooseSavePath(suggestedName);
}

ProgramOptions ProgramHost::programOptions() const {
    return m_app.programOptions();
}

ListViewSettings ProgramHost::listViewSettings() const {
    return m_gui.listView ? m_gui.listView->listViewSettings() : ListViewSettings{};
}

DocumentObserver* ProgramHost::chartView() const {
    return m_gui.chart ? m_gui.chart->chartView() : nullptr;
}

bool ProgramHost::isItemShownInChart(ItemPos pos) const {
    return m_gui.chart && m_gui.chart->isItemShownInChart(pos);
}

void ProgramHost::setUpdateTimer(int minutes) {
    if (m_gui.updateTimer)
        m_gui.updateTimer->SetUpdateTimer(minutes);
}

void ProgramHost::clearDownloadsList() {
    if (m_gui.downloads)
        m_gui.downloads->clearDownloadsList();
}

void ProgramHost::setDownloadsTitle(const std::string& documentTitle) {
    if (m_gui.downloads)
        m_gui.downloads->setDownloadsTitle(documentTitle);
}

void ProgramHost::requestExit() {
    m_app.OnAppExit();
}

void ProgramHost::beginWaitCursor() {
    if (m_app.unattended() || !hasWidgets())
        return;
    if (m_waitDepth++ == 0)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void ProgramHost::endWaitCursor() {
    if (m_waitDepth == 0)
        return;
    if (--m_waitDepth == 0)
        QGuiApplication::restoreOverrideCursor();
}

bool ProgramHost::askImportInterval(ImportIntervalQuestion& question) {
    if (m_app.unattended() || !hasWidgets()) {
        // Nobody can answer in an unattended run.
        CVR_LOG(LOG_LEVEL_WARNING, "Import of %s declined: %s", question.itemName.c_str(), question.countLine.c_str());
        return false;
    }
    return AskImportIntervalWithDialog(question, m_app.services(), activeDialogParent(m_app.mainFrame()));
}

void ProgramHost::showNotice(const PortfolioNotice& notice) {
    if (notice.kind == PortfolioNotice::Kind::Error) {
        std::string line = notice.text;
        for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at))
            line.replace(at, 1, line[at ? at - 1 : 0] == ':' ? " " : "; ");
        const std::lock_guard lock(m_mutex);
        m_lastError = line;
    }
    if (m_app.unattended()) {
        const int level = notice.kind == PortfolioNotice::Kind::Error     ? LOG_LEVEL_ERROR
                          : notice.kind == PortfolioNotice::Kind::Warning ? LOG_LEVEL_WARNING
                                                                          : LOG_LEVEL_INFO;
        CVR_LOG(level, "%s", notice.text.c_str());
        return;
    }
    const unsigned icon = notice.kind == PortfolioNotice::Kind::Error     ? MB_ICONERROR
                          : notice.kind == PortfolioNotice::Kind::Warning ? MB_ICONEXCLAMATION
                                                                          : MB_ICONINFORMATION;
    m_app.messageBoxes().messageBox(notice.text, MB_OK | icon);
}

std::string ProgramHost::lastErrorNotice() const {
    const std::lock_guard lock(m_mutex);
    return m_lastError;
}
