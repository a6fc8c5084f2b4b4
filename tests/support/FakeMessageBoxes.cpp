#include "FakeMessageBoxes.h"

#include <QCoreApplication>

namespace testsupport {

void FakeMessageBoxes::answer(std::initializer_list<int> answers) {
    std::lock_guard lock(m_mutex);
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

void FakeMessageBoxes::runEventsWhileShown(bool on) {
    std::lock_guard lock(m_mutex);
    m_runEvents = on;
}

int FakeMessageBoxes::messageBox(std::string_view text, unsigned type, std::string_view caption) {
    int result = defaultMessageBoxAnswer(type);
    bool runEvents = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_answers.empty()) {
            result = m_answers.front();
            m_answers.pop_front();
        }
        m_shown.push_back({std::string(text), type, std::string(caption), result});
        runEvents = m_runEvents;
    }
    // Outside the lock: a box shown by an event is recorded after this one, as the user sees it.
    // Every event posted so far is sent (processEvents alone may leave events posted before the
    // current one for a later turn).
    if (runEvents && QCoreApplication::instance()) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    return result;
}

std::vector<FakeMessageBoxes::Shown> FakeMessageBoxes::shown() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

std::vector<std::string> FakeMessageBoxes::texts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const Shown& box : m_shown)
        texts.push_back(box.text);
    return texts;
}

std::size_t FakeMessageBoxes::unusedAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_answers.size();
}

void FakeFileDialogs::choose(std::initializer_list<std::optional<std::filesystem::path>> choices) {
    std::lock_guard lock(m_mutex);
    m_choices.insert(m_choices.end(), choices.begin(), choices.end());
}

std::optional<std::filesystem::path> FakeFileDialogs::openFileName(const FileDialogRequest& request) {
    return next(false, request);
}

std::optional<std::filesystem::path> FakeFileDialogs::saveFileName(const FileDialogRequest& request) {
    return next(true, request);
}

std::optional<std::filesystem::path> FakeFileDialogs::next(bool save, const FileDialogRequest& request) {
    std::lock_guard lock(m_mutex);
    m_asked.push_back({save, request});
    if (m_choices.empty())
        return std::nullopt;
    auto choice = m_choices.front();
    m_choices.pop_front();
    return choice;
}

std::vector<FakeFileDialogs::Asked> FakeFileDialogs::asked() const {
    std::lock_guard lock(m_mutex);
    return m_asked;
}

} // namespace testsupport
