#pragma once
// A recording portfolio host: scripted options, chart answers, save and import answers; records
// every call the document makes (in order, as text), the notices it shows and whether the document
// held its list lock at that moment (probed by the test through onNotice).

#include "portfolio/PortfolioHost.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class FakePortfolioHost : public PortfolioHost {
public:
    // --- script (set before the document calls) ---
    ProgramOptions options;
    ListViewSettings listView;
    DocumentObserver* chart = nullptr;
    std::set<ItemPos> shownInChart;
    // Answers to "save changes?" in order; No when the queue is empty.
    std::deque<SaveChangesAnswer> saveAnswers;
    // Answers to the Save As question in order; cancelled when the queue is empty.
    std::deque<std::optional<std::filesystem::path>> savePaths;
    // Answers to the import-interval question: the chosen begin and end, or nothing for a decline.
    std::deque<std::optional<std::pair<OleDate, OleDate>>> importAnswers;
    // Called with every notice as it arrives (before it is recorded).
    std::function<void(const PortfolioNotice&)> onNotice;

    // --- record ---
    std::vector<std::string> calls() const;
    std::vector<PortfolioNotice> notices() const;
    std::vector<ImportIntervalQuestion> importQuestions() const;
    int waitCursorDepth() const;
    void clearRecord();

    // --- PortfolioHost ---
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

private:
    void record(std::string call);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::vector<PortfolioNotice> m_notices;
    std::vector<ImportIntervalQuestion> m_importQuestions;
    int m_waitCursorDepth = 0;
};

} // namespace testsupport
