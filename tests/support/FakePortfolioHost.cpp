#include "FakePortfolioHost.h"

namespace testsupport {

void FakePortfolioHost::record(std::string call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
}

std::vector<std::string> FakePortfolioHost::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<PortfolioNotice> FakePortfolioHost::notices() const {
    std::lock_guard lock(m_mutex);
    return m_notices;
}

std::vector<ImportIntervalQuestion> FakePortfolioHost::importQuestions() const {
    std::lock_guard lock(m_mutex);
    return m_importQuestions;
}

int FakePortfolioHost::waitCursorDepth() const {
    std::lock_guard lock(m_mutex);
    return m_waitCursorDepth;
}

void FakePortfolioHost::clearRecord() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
    m_notices.clear();
    m_importQuestions.clear();
}

SaveChangesAnswer FakePortfolioHost::askSaveChanges(const std::string& name) {
    record("askSaveChanges(" + name + ")");
    std::lock_guard lock(m_mutex);
    if (saveAnswers.empty())
        return SaveChangesAnswer::No;
    const SaveChangesAnswer answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

std::optional<std::filesystem::path> FakePortfolioHost::chooseSavePath(const std::string& suggestedName) {
    record("chooseSavePath(" + suggestedName + ")");
    std::lock_guard lock(m_mutex);
    if (savePaths.empty())
        return std::nullopt;
    auto answer = savePaths.front();
    savePaths.pop_front();
    return answer;
}

ProgramOptions FakePortfolioHost::programOptions() const {
    std::lock_guard lock(m_mutex);
    return options;
}

ListViewSettings FakePortfolioHost::listViewSettings() const {
    std::lock_guard lock(m_mutex);
    return listView;
}

DocumentObserver* FakePortfolioHost::chartView() const {
    return chart;
}

bool FakePortfolioHost::isItemShownInChart(ItemPos pos) const {
    std::lock_guard lock(m_mutex);
    return shownInChart.contains(pos);
}

void FakePortfolioHost::setUpdateTimer(int minutes) {
    record("setUpdateTimer(" + std::to_string(minutes) + ")");
}

void FakePortfolioHost::clearDownloadsList() {
    record("clearDownloadsList()");
}

void FakePortfolioHost::setDownloadsTitle(const std::string& documentTitle) {
    record("setDownloadsTitle(" + documentTitle + ")");
}

void FakePortfolioHost::requestExit() {
    record("requestExit()");
}

void FakePortfolioHost::beginWaitCursor() {
    std::lock_guard lock(m_mutex);
    ++m_waitCursorDepth;
}

void FakePortfolioHost::endWaitCursor() {
    std::lock_guard lock(m_mutex);
    --m_waitCursorDepth;
}

bool FakePortfolioHost::askImportInterval(ImportIntervalQuestion& question) {
    record("askImportInterval(" + question.itemName + ")");
    std::lock_guard lock(m_mutex);
    m_importQuestions.push_back(question);
    if (importAnswers.empty() || !importAnswers.front()) {
        if (!importAnswers.empty())
            importAnswers.pop_front();
        return false;
    }
    question.begin = importAnswers.front()->first;
    question.end = importAnswers.front()->second;
    importAnswers.pop_front();
    return true;
}

void FakePortfolioHost::showNotice(const PortfolioNotice& notice) {
    if (onNotice)
        onNotice(notice);
    record("showNotice(" + notice.text + ")");
    std::lock_guard lock(m_mutex);
    m_notices.push_back(notice);
}

} // namespace testsupport
